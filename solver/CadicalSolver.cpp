#include "solver/CadicalSolver.h"

#include "util/StopRequest.h"

#include <algorithm>
#include <cadical.hpp>
#include <cstdint>

namespace {

// Ends a solve once the run is asked to stop, the deadline has passed or the cancel flag
// is set.
class StopTerminator : public CaDiCaL::Terminator {
public:
    explicit StopTerminator(const CadicalSolver::Limits& limits) : limits_(limits) {}
    bool terminate() override {
        return StopRequest::Pending() ||
               (limits_.cancel && limits_.cancel->load(std::memory_order_relaxed)) ||
               (limits_.deadline && std::chrono::steady_clock::now() >= *limits_.deadline);
    }

private:
    const CadicalSolver::Limits& limits_;
};

// Counts the conflicts of the solver (one learned clause each).
class ConflictCounter : public CaDiCaL::Learner {
public:
    bool learning(int) override {
        ++count;
        return false;
    }
    void learn(int) override {}
    uint64_t count = 0;
};

} // namespace

CadicalSolver::CadicalSolver() : solver_(std::make_unique<CaDiCaL::Solver>()) {
    solver_->set("quiet", 1);
}

CadicalSolver::~CadicalSolver() = default;

bool CadicalSolver::Set(const char* option, int value) {
    return solver_->set(option, value);
}

bool CadicalSolver::Configure(const char* name) {
    return solver_->configure(name);
}

void CadicalSolver::AddClause(const int* begin, const int* end) {
    for (const int* l = begin; l != end; ++l)
        solver_->add(*l);
    solver_->add(0);
}

void CadicalSolver::Add(int lit) {
    solver_->add(lit);
}

CadicalSolver::Result CadicalSolver::Solve(const std::vector<int>& assumptions, Deadline deadline) {
    Limits limits;
    limits.deadline = deadline;
    return Solve(assumptions, limits);
}

CadicalSolver::Result CadicalSolver::Solve(const std::vector<int>& assumptions,
                                           const Limits& limits) {
    for (int a : assumptions)
        solver_->assume(a);
    // The call's limit, and what the thread's conflict budget has left.
    int64_t conflictLimit = limits.conflicts;
    if (const std::optional<uint64_t> left = StopRequest::ConflictsLeft()) {
        const auto budget = static_cast<int64_t>(std::min<uint64_t>(*left, INT32_MAX));
        conflictLimit = conflictLimit < 0 ? budget : std::min(conflictLimit, budget);
    }
    if (conflictLimit >= 0)
        solver_->limit("conflicts", static_cast<int>(std::min<int64_t>(conflictLimit, INT32_MAX)));
    StopTerminator stop(limits);
    solver_->connect_terminator(&stop);
    ConflictCounter counter;
    solver_->connect_learner(&counter);
    const int r = solver_->solve();
    solver_->disconnect_learner();
    solver_->disconnect_terminator();
    conflicts_ += counter.count;
    StopRequest::ChargeConflicts(counter.count);
    if (r == 10) return Result::Satisfiable;
    if (r == 20) return Result::Unsatisfiable;
    return Result::Unknown;
}

bool CadicalSolver::Value(int lit) const {
    return solver_->val(lit) > 0;
}

void CadicalSolver::WriteDimacs(const std::string& file) {
    solver_->write_dimacs(file.c_str());
}
