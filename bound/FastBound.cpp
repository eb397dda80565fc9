// The lower-bound engine's driver: node counts in increasing order, each decided by
// counterexample-guided row refinement of the fast encoding.
#include "bound/FastBound.h"

#include <chrono>

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
    BoundEncoder enc(problem_, n, options_);
    for (uint32_t r : knownRows_)
        enc.AddRow(r);
    if (!options_.lazyRows)
        for (uint32_t r = 0; r < problem_.rows(); ++r)
            if (problem_.caredAnywhere(r)) enc.AddRow(r);
    std::optional<BoundCircuit> c = Refine(enc, std::nullopt, deadline);
    if (gaveUp_) return true; // undecided counts as possible
    if (!c) return false;
    witness_ = std::move(c);
    return true;
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
