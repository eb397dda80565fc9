// The lower-bound engine's driver: node counts in increasing order, each decided by
// counterexample-guided row refinement of the fast encoding, on several attempts advanced in
// rounds of conflict budgets (in parallel when threads are given), so that the answers and
// the circuits found depend on neither the thread count nor the timing.
#include "bound/FastBound.h"

#include "util/StopRequest.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// One attempt at a node count: the encoding of one slice of it (or of the whole count).
struct FastBound::Attempt {
    std::optional<uint32_t> slice; // the last node's lower operand; none: the whole count
    std::unique_ptr<BoundEncoder> enc;
    enum class State { Open, Satisfiable, Unsatisfiable } state = State::Open;
    std::optional<BoundCircuit> circuit;
    size_t rowsApplied = 0;      // shared rows added to enc so far
    std::vector<uint32_t> found; // rows this attempt added in the current round
    uint32_t probe = 0;          // where its next counterexample search starts
    uint32_t solves = 0;         // in the current round
    uint64_t conflicts = 0;      // in the current round
    std::atomic<bool> cancel{false};
};

FastBound::FastBound(const BoundProblem::Spec& spec) : FastBound(spec, BoundEncoder::Options{}) {}

FastBound::FastBound(const BoundProblem::Spec& spec, const BoundEncoder::Options& options)
    : problem_(spec), options_(options) {}

bool FastBound::impossible(uint32_t n) {
    if (!applicable()) return false;
    while (!firstPossible_ && next_ <= n) {
        if (next_ < problem_.supportBound() || !Possible(next_))
            ++next_;
        else
            firstPossible_ = next_;
    }
    return !firstPossible_ || n < *firstPossible_;
}

std::optional<uint32_t> FastBound::minimumNodes(uint32_t limit) {
    if (!applicable() || impossible(limit) || gaveUp_) return std::nullopt;
    return firstPossible_;
}

bool FastBound::Possible(uint32_t n) {
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (timeLimit_)
        deadline = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(*timeLimit_));
    // The slices: the last node's lower operand, from the highest signal down (below the
    // upper operand in the normal model, possibly equal to it in the plain model). Their
    // order decides which circuit is taken when several slices hold one.
    std::vector<std::unique_ptr<Attempt>> attempts;
    const uint32_t low = problem_.constOperands() ? 0u : 1u;
    const uint32_t high = problem_.inputs() + n - (problem_.normal() ? 2u : 1u);
    for (uint32_t a = high + 1; n >= std::max(schedule_.sliceFrom, 1u) && a-- > low;) {
        attempts.push_back(std::make_unique<Attempt>());
        attempts.back()->slice = a;
    }
    if (attempts.empty()) attempts.push_back(std::make_unique<Attempt>());
    for (auto& a : attempts)
        a->probe = probe_;

    // With the whole table encoded no rows pass between slices: each runs on its own.
    if (Eager(n)) return RunWithoutBarriers(attempts, n, deadline);

    std::vector<uint32_t> rows = knownRows_; // rows every attempt has from the next round on
    std::vector<bool> known(problem_.rows(), false);
    for (uint32_t r : rows)
        known[r] = true;
    uint64_t budget = schedule_.firstBudget;
    for (;;) {
        RunRound(attempts, n, budget, rows, deadline);
        bool allUnsatisfiable = true;
        for (auto& a : attempts) {
            stats_.solves += a->solves;
            stats_.conflicts += a->conflicts;
            a->solves = 0;
            a->conflicts = 0;
            allUnsatisfiable = allUnsatisfiable && a->state == Attempt::State::Unsatisfiable;
        }
        // The first slice in the list that holds a circuit gives the witness.
        for (auto& a : attempts)
            if (a->state == Attempt::State::Satisfiable) {
                witness_ = std::move(a->circuit);
                return true;
            }
        if (allUnsatisfiable) return false;
        if (StopRequest::Pending() || (deadline && std::chrono::steady_clock::now() >= *deadline)) {
            gaveUp_ = true;
            return true; // undecided counts as possible
        }
        // An undecided round: its rows go to every attempt and to the next counts.
        for (auto& a : attempts) {
            for (uint32_t r : a->found)
                if (!known[r]) {
                    known[r] = true;
                    rows.push_back(r);
                    knownRows_.push_back(r);
                    probe_ = (r + 1) % problem_.rows();
                }
            a->found.clear();
        }
        budget = std::min<uint64_t>(budget * std::max<uint32_t>(schedule_.growth, 1), kMaxBudget);
    }
}

bool FastBound::RunWithoutBarriers(std::vector<std::unique_ptr<Attempt>>& attempts, uint32_t n,
                                   std::optional<std::chrono::steady_clock::time_point> deadline) {
    // Slice i in its round r gets the budget of round r, exactly as in rounds run in step,
    // and its solver then reaches the same state whatever the other slices do. The witness
    // is the circuit of the least (round, slice) that holds one, as in rounds run in step;
    // so only (round, slice) pairs below the best found so far need to run, and a running
    // one above it is cancelled.
    struct Key {
        uint32_t round;
        size_t slice;
        bool operator<(const Key& o) const {
            return round != o.round ? round < o.round : slice < o.slice;
        }
    };
    const size_t count = attempts.size();
    std::vector<uint32_t> round(count, 1);
    std::vector<bool> running(count, false);
    std::optional<Key> best;
    bool halted = false;
    std::exception_ptr failure;
    std::mutex lock;
    std::condition_variable changed;
    const std::vector<uint32_t> noRows;
    const auto budgetOf = [&](uint32_t r) {
        uint64_t b = schedule_.firstBudget;
        for (uint32_t i = 1; i < r && b < kMaxBudget; ++i)
            b = std::min<uint64_t>(b * std::max<uint32_t>(schedule_.growth, 1), kMaxBudget);
        return b;
    };
    const auto work = [&] {
        std::unique_lock<std::mutex> guard(lock);
        for (;;) {
            // The least (round, slice) that is open, idle and could still give the witness.
            std::optional<size_t> pick;
            bool busy = false;
            for (size_t i = 0; i < count; ++i) {
                busy = busy || running[i];
                const Attempt& a = *attempts[i];
                if (running[i] || a.state != Attempt::State::Open || halted) continue;
                if (best && !(Key{round[i], i} < *best)) continue;
                if (!pick || Key{round[i], i} < Key{round[*pick], *pick}) pick = i;
            }
            if (!pick) {
                if (!busy) return;
                changed.wait(guard);
                continue;
            }
            const size_t i = *pick;
            Attempt& a = *attempts[i];
            running[i] = true;
            const uint64_t budget = budgetOf(round[i]);
            guard.unlock();
            try {
                Advance(a, n, budget, noRows, deadline);
            } catch (...) {
                guard.lock();
                if (!failure) failure = std::current_exception();
                halted = true;
                running[i] = false;
                for (auto& other : attempts)
                    other->cancel = true;
                changed.notify_all();
                continue;
            }
            guard.lock();
            running[i] = false;
            stats_.solves += a.solves;
            stats_.conflicts += a.conflicts;
            a.solves = 0;
            a.conflicts = 0;
            if (a.state == Attempt::State::Satisfiable) {
                const Key key{round[i], i};
                if (!best || key < *best) best = key;
                for (size_t j = 0; j < count; ++j)
                    if (running[j] && !(Key{round[j], j} < *best)) attempts[j]->cancel = true;
            } else if (a.state == Attempt::State::Open) {
                if (a.cancel.load()) {
                    // Cancelled: it cannot give the witness any more.
                } else if (StopRequest::Pending() ||
                           (deadline && std::chrono::steady_clock::now() >= *deadline)) {
                    halted = true;
                } else {
                    ++round[i];
                }
            }
            changed.notify_all();
        }
    };
    RunOnThreads(count, work);
    if (failure) std::rethrow_exception(failure);
    if (halted) {
        gaveUp_ = true;
        return true; // undecided counts as possible
    }
    if (best) {
        witness_ = std::move(attempts[best->slice]->circuit);
        return true;
    }
    for (auto& a : attempts)
        if (a->state != Attempt::State::Unsatisfiable) {
            // Every slice is decided unless the run was halted.
            gaveUp_ = true;
            return true;
        }
    return false;
}

void FastBound::RunRound(std::vector<std::unique_ptr<Attempt>>& attempts, uint32_t n,
                         uint64_t budget, const std::vector<uint32_t>& rows,
                         std::optional<std::chrono::steady_clock::time_point> deadline) {
    std::atomic<size_t> next{0};
    std::mutex lock;
    std::exception_ptr failure;
    const auto work = [&] {
        for (;;) {
            const size_t i = next++;
            if (i >= attempts.size()) return;
            Attempt& a = *attempts[i];
            if (a.state != Attempt::State::Open || a.cancel.load()) continue;
            try {
                Advance(a, n, budget, rows, deadline);
            } catch (...) {
                std::lock_guard<std::mutex> guard(lock);
                if (!failure) failure = std::current_exception();
                for (auto& other : attempts)
                    other->cancel = true;
                return;
            }
            // Once a slice holds a circuit only the slices before it can change the witness.
            if (a.state == Attempt::State::Satisfiable)
                for (size_t j = i + 1; j < attempts.size(); ++j)
                    attempts[j]->cancel = true;
        }
    };
    RunOnThreads(attempts.size(), work);
    if (failure) std::rethrow_exception(failure);
}

void FastBound::RunOnThreads(size_t tasks, const std::function<void()>& work) const {
    const size_t helpers = std::min<size_t>(threads_, tasks) - 1;
    std::vector<std::thread> pool;
    pool.reserve(helpers);
    // The helpers honour the stop requests of the thread they work for.
    const StopRequest::ThreadState stop = StopRequest::Current();
    for (size_t t = 0; t < helpers; ++t)
        pool.emplace_back([&work, stop] {
            const StopRequest::Adopt adopt(stop);
            work();
        });
    work();
    for (std::thread& t : pool)
        t.join();
}

void FastBound::Advance(Attempt& a, uint32_t n, uint64_t budget, const std::vector<uint32_t>& rows,
                        std::optional<std::chrono::steady_clock::time_point> deadline) {
    if (!a.enc) {
        a.enc = std::make_unique<BoundEncoder>(problem_, n, options_);
        if (a.slice) a.enc->RestrictLastLower(*a.slice);
        AddEagerRows(*a.enc);
    }
    for (; a.rowsApplied < rows.size(); ++a.rowsApplied)
        a.enc->AddRow(rows[a.rowsApplied]);
    const uint64_t start = a.enc->conflicts();
    for (;;) {
        a.conflicts = a.enc->conflicts() - start;
        if (a.conflicts >= budget) return;
        CadicalSolver::Limits limits;
        limits.deadline = deadline;
        limits.conflicts = static_cast<int64_t>(budget - a.conflicts);
        limits.cancel = &a.cancel;
        ++a.solves;
        const BoundEncoder::Result r = a.enc->Solve(limits);
        a.conflicts = a.enc->conflicts() - start;
        if (r == BoundEncoder::Result::Unsatisfiable) {
            a.state = Attempt::State::Unsatisfiable;
            a.enc.reset(); // decided: its memory is no longer needed
            return;
        }
        if (r == BoundEncoder::Result::Unknown) return;
        BoundCircuit c = a.enc->Extract();
        const uint32_t row = c.FirstMismatch(problem_, a.probe);
        if (row == problem_.rows()) {
            a.state = Attempt::State::Satisfiable;
            a.circuit = std::move(c);
            a.enc.reset();
            return;
        }
        // Spread the counterexamples over the table.
        a.probe = (row + 1) % problem_.rows();
        const size_t before = a.enc->rowCount();
        a.enc->AddRow(row);
        if (a.enc->rowCount() != before) a.found.push_back(row);
    }
}

void FastBound::AddEagerRows(BoundEncoder& enc) const {
    if (!Eager(enc.nodes())) return;
    for (uint32_t r = 0; r < problem_.rows(); ++r)
        if (problem_.caredAnywhere(r)) enc.AddRow(r);
}

std::optional<BoundCircuit>
FastBound::Refine(BoundEncoder& enc, std::optional<uint32_t> bound,
                  std::optional<std::chrono::steady_clock::time_point> deadline) {
    for (;;) {
        ++stats_.solves;
        stats_.rows = static_cast<uint32_t>(enc.rowCount());
        stats_.clauses = enc.clauseCount();
        const BoundEncoder::Result r = enc.Solve(deadline, bound);
        if (r == BoundEncoder::Result::Unsatisfiable) return std::nullopt;
        if (r == BoundEncoder::Result::Unknown) {
            gaveUp_ = true;
            return std::nullopt;
        }
        BoundCircuit c = enc.Extract();
        const uint32_t row = c.FirstMismatch(problem_, probe_);
        if (row == problem_.rows()) return c;
        // Spread the counterexamples over the table.
        probe_ = (row + 1) % problem_.rows();
        const size_t before = enc.rowCount();
        enc.AddRow(row);
        if (enc.rowCount() != before) knownRows_.push_back(row);
    }
}

std::optional<FastBound::Priced> FastBound::Cheapest() {
    if (!witness_ || !firstPossible_ || gaveUp_) return std::nullopt;
    Priced best{*witness_, witness_->Cost(problem_)};
    if (!problem_.costsDiffer()) return best;
    // Lowering the cost may change a node's function, so the rules that replace a node's
    // operands are used only where the replacement never costs more (docs/fast-bound.md).
    BoundEncoder::Options options = options_;
    if (!problem_.reapplicationKeepsCost()) {
        options.noReapply = false;
        options.associativity = false;
    }
    const uint32_t cheapest = problem_.minCost();
    for (uint32_t n = *firstPossible_; uint64_t(n) * cheapest < best.cost; ++n) {
        BoundEncoder enc(problem_, n, options);
        AddEagerRows(enc);
        for (uint32_t r : knownRows_)
            enc.AddRow(r);
        enc.AddCostCounter(best.cost - 1);
        for (;;) {
            std::optional<BoundCircuit> c = Refine(enc, best.cost - 1, std::nullopt);
            if (gaveUp_) return std::nullopt;
            if (!c) break;
            best.cost = c->Cost(problem_);
            best.circuit = std::move(*c);
            if (uint64_t(n) * cheapest >= best.cost) break;
        }
    }
    return best;
}
