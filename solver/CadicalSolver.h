// The embedded SAT solver: CaDiCaL in-process, incremental, stopped at once by a stop
// request (util/StopRequest) or by a deadline.
#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CaDiCaL {
class Solver;
}

class CadicalSolver {
public:
    using Deadline = std::optional<std::chrono::steady_clock::time_point>;
    enum class Result { Satisfiable, Unsatisfiable, Unknown };

    CadicalSolver();
    ~CadicalSolver();
    CadicalSolver(const CadicalSolver&) = delete;
    CadicalSolver& operator=(const CadicalSolver&) = delete;

    // A CaDiCaL option (see `cadical --help`); false when it has no such option.
    bool Set(const char* option, int value);
    // One of CaDiCaL's option sets ("default", "plain", "sat", "unsat").
    bool Configure(const char* name);

    // Clauses in DIMACS literals (variable v > 0, negated -v); variables come into being
    // by use.
    void AddClause(std::initializer_list<int> lits) { AddClause(lits.begin(), lits.end()); }
    void AddClause(const std::vector<int>& lits) {
        AddClause(lits.data(), lits.data() + lits.size());
    }
    void AddClause(const int* begin, const int* end);
    // Literal by literal: 0 ends the clause.
    void Add(int lit);

    // Decides the clauses added so far under the assumptions (which hold for this call
    // only). Unknown when a stop request or the deadline ended the search.
    Result Solve(const std::vector<int>& assumptions = {}, Deadline deadline = std::nullopt);
    // After a satisfiable Solve: the value of a variable (true for v, false for -v).
    bool Value(int lit) const;

    void WriteDimacs(const std::string& file);

private:
    std::unique_ptr<CaDiCaL::Solver> solver_;
};
