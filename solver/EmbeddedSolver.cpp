#include "solver/EmbeddedSolver.h"

#include "logic/SoPLA.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"

#include <string>

EmbeddedSolver::EmbeddedSolver() {
    Reset();
}

EmbeddedSolver::~EmbeddedSolver() = default;

void EmbeddedSolver::Reset() {
    solver_ = std::make_unique<CadicalSolver>();
    source_ = nullptr;
    synced_ = 0;
    width_ = 0;
    firstExtra_ = nextExtra_ = 0;
    empty_ = false;
}

void EmbeddedSolver::Sync(const SoPLA& cnf) {
    if (source_ != nullptr && source_ != &cnf)
        throw InternalError("EmbeddedSolver: another clause set without "
                            "a reset");
    if (cnf.getTermCount() < synced_)
        throw InternalError("EmbeddedSolver: the clause set shrank without "
                            "a reset");
    if (firstExtra_ != 0 && cnf.getInputs() >= static_cast<uint32_t>(firstExtra_))
        throw InternalError("EmbeddedSolver: the clause set grew into the "
                            "solver's own variables");
    width_ = cnf.getInputs();
    if (cnf.getTermCount() == synced_) return;
    auto it = synced_ == 0 ? cnf.begin() : std::next(last_);
    std::vector<int> lits;
    for (; it != cnf.end(); ++it) {
        lits.clear();
        const auto add = [&lits](uint32_t pos, Literal lit) {
            lits.push_back(lit == Lit_1 ? static_cast<int>(pos) + 1 : -static_cast<int>(pos) - 1);
        };
        if (it->isSparse())
            for (const auto& [pos, lit] : it->sparseLits())
                add(pos, lit);
        else
            for (const auto& [pos, lit] : it->specified())
                add(pos, lit);
        if (lits.empty()) empty_ = true;
        solver_->AddClause(lits);
        last_ = it;
        ++synced_;
    }
    source_ = &cnf;
}

std::optional<SearchSolver::Assignment> EmbeddedSolver::Solve(const SoPLA& cnf,
                                                              const std::vector<int>& assumptions) {
    StopRequest::ThrowIfPending();
    Sync(cnf);
    if (empty_) return std::nullopt;
    const CadicalSolver::Result r = solver_->Solve(assumptions);
    if (r == CadicalSolver::Result::Unknown) {
        StopRequest::ThrowIfPending();
        // The solve ended at what the thread's conflict budget had left.
        if (StopRequest::ConflictsLeft()) throw StopRequested(StopRequest::kConflictLimit);
        throw InternalError("the embedded solver stopped without an answer");
    }
    if (r == CadicalSolver::Result::Unsatisfiable) return std::nullopt;
    Assignment values;
    values.reserve(width_);
    for (uint32_t v = 1; v <= width_; ++v)
        values.emplace_back(v, solver_->Value(static_cast<int>(v)) ? Lit_1 : Lit_0);
    return values;
}

std::optional<SearchSolver::Assignment> EmbeddedSolver::Optimize(const SoPLA&, const std::string&) {
    throw InternalError("the embedded solver has no pseudo-Boolean "
                        "optimizer; gate costs are bounded by clauses");
}

int EmbeddedSolver::NewVar(const SoPLA& cnf) {
    if (firstExtra_ == 0) {
        firstExtra_ = nextExtra_ = static_cast<int>(cnf.getInputs()) + 1;
    } else if (cnf.getInputs() >= static_cast<uint32_t>(firstExtra_)) {
        throw InternalError("EmbeddedSolver: the clause set grew into the "
                            "solver's own variables");
    }
    return nextExtra_++;
}

void EmbeddedSolver::AddClause(const std::vector<int>& lits) {
    if (lits.empty()) empty_ = true;
    solver_->AddClause(lits);
}
