// The solver as the search sees it. The search builds the instance as a clause set (a
// CNF-mode SoPLA over named variables), extends it between calls (blocking clauses, cost
// clauses) and asks for a model after every change. Two implementations:
//   EmbeddedSolver  CaDiCaL in-process; incremental: only the clauses appended since the
//                   last call are handed over, and clauses and assumptions beyond the
//                   clause set may be added (cost counters);
//   MinisatSolver   the external programs minisat and minisat+ through exchange files in
//                   the current directory, one program run per call.
// Both end a running solve at once on a stop request (util/StopRequest) and then throw
// StopRequested.
#pragma once

#include "logic/Cube.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class SoPLA;

class SearchSolver {
public:
    // The model's values by variable number (1-based); variables a solver left open are
    // absent.
    using Assignment = std::vector<std::pair<uint32_t, Literal>>;

    virtual ~SearchSolver() = default;

    // False for a solver that reads the whole instance at every call.
    virtual bool Incremental() const = 0;
    // The clause set was rebuilt or replaced: whatever was handed over before is void.
    virtual void Reset() = 0;
    // Decides the clause set. Between calls without a Reset the set only grows at its end.
    // assumptions: DIMACS literals that must hold for this call (incremental solvers only).
    // nullopt: unsatisfiable.
    virtual std::optional<Assignment> Solve(const SoPLA& cnf,
                                            const std::vector<int>& assumptions = {}) = 0;
    // The least-cost model under a linear objective in OPB text (" +c*xv ..."): the
    // pseudo-Boolean optimizer of the external route.
    virtual std::optional<Assignment> Optimize(const SoPLA& cnf, const std::string& objective) = 0;
    // A variable beyond those of the clause set, and a clause that is not part of it
    // (incremental solvers only). Such variables must stay above every variable the set
    // will have until the next Reset.
    virtual int NewVar(const SoPLA& cnf) = 0;
    virtual void AddClause(const std::vector<int>& lits) = 0;
};
