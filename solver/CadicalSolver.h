// The embedded SAT solver: CaDiCaL in-process, incremental, stopped at once by a stop
// request (util/StopRequest), by a deadline, by a conflict limit or by a cancel flag that
// another thread sets. Separate instances may solve in separate threads.
#pragma once

#include <atomic>
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

    // What ends a solve early (besides a stop request).
    struct Limits {
        Deadline deadline;
        int64_t conflicts = -1;                    // at most this many (negative: no limit)
        const std::atomic<bool>* cancel = nullptr; // set by another thread
    };
    // Decides the clauses added so far under the assumptions (which hold for this call
    // only). Unknown when a stop request or a limit ended the search.
    Result Solve(const std::vector<int>& assumptions = {}, Deadline deadline = std::nullopt);
    Result Solve(const std::vector<int>& assumptions, const Limits& limits);
    // After a satisfiable Solve: the value of a variable (true for v, false for -v).
    bool Value(int lit) const;

    void WriteDimacs(const std::string& file);
    // Conflicts over all solves so far (a deterministic measure of work).
    uint64_t conflicts() const { return conflicts_; }

private:
    uint64_t conflicts_ = 0;
    std::unique_ptr<CaDiCaL::Solver> solver_;
};
