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
    for (;;) {
        ++stats_.solves;
        stats_.rows = static_cast<uint32_t>(enc.rowCount());
        stats_.clauses = enc.clauseCount();
        const BoundEncoder::Result r = enc.Solve(deadline);
        if (r == BoundEncoder::Result::Unsatisfiable) return false;
        if (r == BoundEncoder::Result::Unknown) {
            gaveUp_ = true;
            return true;
        }
        BoundCircuit c = enc.Extract();
        const uint32_t row = c.FirstMismatch(problem_, probe_);
        if (row == problem_.rows()) {
            witness_ = std::move(c);
            return true;
        }
        // Spread the counterexamples over the table.
        probe_ = (row + 1) % problem_.rows();
        const size_t before = enc.rowCount();
        enc.AddRow(row);
        if (enc.rowCount() != before) knownRows_.push_back(row);
    }
}
