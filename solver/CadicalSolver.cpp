#include "solver/CadicalSolver.h"

#include "util/StopRequest.h"

#include <cadical.hpp>

namespace {

// Ends a solve once the run is asked to stop or the deadline has passed.
class StopTerminator : public CaDiCaL::Terminator {
public:
    explicit StopTerminator(CadicalSolver::Deadline deadline) : deadline_(deadline) {}
    bool terminate() override {
        return StopRequest::Pending() ||
               (deadline_ && std::chrono::steady_clock::now() >= *deadline_);
    }

private:
    CadicalSolver::Deadline deadline_;
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
    for (int a : assumptions)
        solver_->assume(a);
    StopTerminator stop(deadline);
    solver_->connect_terminator(&stop);
    const int r = solver_->solve();
    solver_->disconnect_terminator();
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
