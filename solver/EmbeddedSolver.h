// The embedded route of the search: CaDiCaL in-process, fed incrementally from the clause
// set. No file is written.
#pragma once

#include "solver/CadicalSolver.h"
#include "solver/SearchSolver.h"

#include <list>
#include <memory>

class EmbeddedSolver : public SearchSolver {
public:
    EmbeddedSolver();
    ~EmbeddedSolver() override;

    bool Incremental() const override { return true; }
    void Reset() override;
    std::optional<Assignment> Solve(const SoPLA& cnf, const std::vector<int>& assumptions) override;
    std::optional<Assignment> Optimize(const SoPLA& cnf, const std::string& objective) override;
    int NewVar(const SoPLA& cnf) override;
    void AddClause(const std::vector<int>& lits) override;

private:
    // Hands the clauses appended to cnf since the last call to the solver.
    void Sync(const SoPLA& cnf);

    std::unique_ptr<CadicalSolver> solver_;
    const SoPLA* source_ = nullptr; // the clause set synced so far
    size_t synced_ = 0;             // clauses handed over
    std::list<Cube>::const_iterator last_;
    uint32_t width_ = 0; // variables of the clause set when it was last synced
    int firstExtra_ = 0; // first variable made by NewVar (0: none yet)
    int nextExtra_ = 0;  // the next one
    bool empty_ = false; // an empty clause was handed over
};
