// The lower-bound engine: decides quickly, in-process, that no circuit of n nodes realises
// the configured target, so that the search can skip the classic instance for that n.
//
//   FastBound bound(spec);            // the problem: target, library, options
//   if (bound.applicable() && bound.impossible(n)) { /* skip n */ }
//
// impossible(n) is true only when the engine has proven that no circuit of any count
// n' <= n exists under the classic model, so its answers hold in any order of questions,
// with a preset node count and with gate costs alike. It works on a fast encoding with
// symmetry breaking that keeps at least one circuit of the least node count (see
// docs/fast-bound.md); the encoding is exact at that count, so the first n it does not
// rule out is the optimum, and the circuit it found there is available as the witness.
#pragma once

#include "bound/BoundCircuit.h"
#include "bound/BoundEncoder.h"
#include "bound/BoundProblem.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class FastBound {
public:
    // The target is read at construction and not kept.
    explicit FastBound(const BoundProblem::Spec& spec);
    FastBound(const BoundProblem::Spec& spec, const BoundEncoder::Options& options);

    // False for option combinations the engine cannot argue for (polymorphic edges, no
    // library, more than BoundProblem::kMaxInputs inputs, a target it cannot read).
    bool applicable() const { return problem_.applicable(); }
    // Why it is not applicable ("" when it is).
    const std::string& reason() const { return problem_.reason(); }

    // True when no circuit with n nodes (nor with fewer) exists. False when one may exist,
    // and always when the engine is not applicable.
    bool impossible(uint32_t n);
    // Takes every count below n as proven impossible without deciding it: a proof an
    // earlier run made (and stored) for the same problem.
    void assumeImpossibleBelow(uint32_t n) {
        if (!firstPossible_ && n > next_) next_ = n;
    }

    // The least node count the engine does not rule out, searching up to `limit`; nullopt
    // when every count up to the limit is impossible, when a count was left undecided, or
    // when the engine is not applicable.
    std::optional<uint32_t> minimumNodes(uint32_t limit);

    // The circuit found at the least count not ruled out (null before one was found).
    const BoundCircuit* witness() const { return witness_ ? &*witness_ : nullptr; }

    // With gate costs: the cheapest circuit of any node count, proven, starting from the
    // witness at the least count (impossible() must have found it). A circuit of n nodes
    // costs at least n times the cheapest gate, so the counts above the witness's are
    // searched until that exceeds the best cost found. nullopt when the run was asked to
    // stop (or a count was left undecided) before the proof was complete.
    struct Priced {
        BoundCircuit circuit;
        uint32_t cost = 0;
    };
    std::optional<Priced> Cheapest();

    const BoundProblem& problem() const { return problem_; }

    // Limits the time spent on one node count (unlimited by default). A count not decided
    // in time is treated as possible: the engine then rules out nothing from it on.
    void setTimeLimit(double seconds) { timeLimit_ = seconds; }
    // Threads the engine may use (1: the calling thread alone). The answers, the witness and
    // the cheapest circuit do not depend on it.
    void setThreads(uint32_t threads) { threads_ = threads == 0 ? 1 : threads; }
    // True when a count was left undecided for lack of time.
    bool gaveUp() const { return gaveUp_; }

    struct Stats {
        uint32_t solves = 0;    // solver calls over all node counts
        uint32_t rows = 0;      // truth-table rows in the last encoding
        uint64_t clauses = 0;   // clauses of the last encoding
        uint64_t conflicts = 0; // solver conflicts over all node counts and attempts
    };
    const Stats& stats() const { return stats_; }

    // How a node count is searched (docs/fast-bound.md): the count is split into slices by
    // the last node's lower operand (from sliceFrom nodes on), and every undecided slice gets a
    // budget of solver conflicts per round, the budget growing from round to round. The answers and
    // the circuits found do not depend on it either.
    struct Schedule {
        uint64_t firstBudget = 2000; // conflicts per slice in the first round
        uint32_t growth = 2;         // factor from one round to the next
        // Node counts below this one are searched whole: on small instances the slices
        // cost more than they save (about twice the time at four nodes).
        uint32_t sliceFrom = 5;
    };
    void setSchedule(const Schedule& schedule) { schedule_ = schedule; }

private:
    struct Attempt;
    static constexpr uint64_t kMaxBudget = uint64_t(1) << 40;
    // Decides the fast encoding at n nodes by adding rows as candidates fail on them.
    bool Possible(uint32_t n);
    // One round: every open slice runs on its budget, on the threads; once a slice holds a
    // circuit, the slices after it are cancelled.
    void RunRound(std::vector<std::unique_ptr<Attempt>>& attempts, uint32_t n, uint64_t budget,
                  const std::vector<uint32_t>& rows,
                  std::optional<std::chrono::steady_clock::time_point> deadline);
    // All rounds of every slice, when no rows pass between slices (the whole table is
    // encoded): a slice goes on to its next round without waiting for the others, with the
    // same budgets, witness and answer as rounds run in step.
    bool RunWithoutBarriers(std::vector<std::unique_ptr<Attempt>>& attempts, uint32_t n,
                            std::optional<std::chrono::steady_clock::time_point> deadline);
    // Runs `work` on the calling thread and on helpers, up to setThreads threads in all and
    // no more than there are tasks, and waits for all of them.
    void RunOnThreads(size_t tasks, const std::function<void()>& work) const;
    // Refines one slice on its budget: rows from `rows` it has not seen, then solves and
    // counterexample rows until it is decided or the budget is spent.
    void Advance(Attempt& a, uint32_t n, uint64_t budget, const std::vector<uint32_t>& rows,
                 std::optional<std::chrono::steady_clock::time_point> deadline);
    // True when the whole table is encoded from the start at n nodes
    // (BoundEncoder::Options::eagerRows and eagerNodes).
    bool Eager(uint32_t n) const {
        return problem_.rows() <= options_.eagerRows && n <= options_.eagerNodes;
    }
    // Adds every cared-for row to a new encoder when Eager.
    void AddEagerRows(BoundEncoder& enc) const;
    // Solves enc (bounded to cost `bound` when given) until a candidate is right on every
    // row; nullopt when there is none, or when the solve was ended (gaveUp_ is then set).
    std::optional<BoundCircuit>
    Refine(BoundEncoder& enc, std::optional<uint32_t> bound,
           std::optional<std::chrono::steady_clock::time_point> deadline);

    BoundProblem problem_;
    BoundEncoder::Options options_;
    uint32_t next_ = 0; // every count below this one is proven impossible
    std::optional<uint32_t> firstPossible_;
    std::optional<BoundCircuit> witness_;
    std::vector<uint32_t> knownRows_; // rows that refuted candidates, reused at later counts
    uint32_t probe_ = 0;              // where the next counterexample search starts
    std::optional<double> timeLimit_;
    bool gaveUp_ = false;
    uint32_t threads_ = 1;
    Schedule schedule_;
    Stats stats_;
};
