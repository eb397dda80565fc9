#include "solver/CostCounter.h"

#include "util/myExcept.h"

#include <algorithm>

CostCounter::CostCounter(const std::vector<std::vector<int>>& ladders, uint32_t limit,
                         const NewVar& newVar, const AddClause& addClause)
    : limit_(limit) {
    const uint32_t top = limit + 1; // every total above the limit counts as limit + 1
    std::vector<int> before;        // sums of the items so far, before[v - 1]
    for (const std::vector<int>& ladder : ladders) {
        std::vector<int> sum(top);
        for (int& lit : sum)
            lit = newVar();
        for (uint32_t v = 1; v < top; ++v)
            addClause({-sum[v], sum[v - 1]}); // the sum literals fall too
        for (uint32_t v = 1; v <= before.size(); ++v)
            addClause({-before[v - 1], sum[v - 1]});
        for (uint32_t c = 1; c <= ladder.size(); ++c) {
            const int atLeast = ladder[c - 1];
            addClause({-atLeast, sum[std::min(c, top) - 1]});
            for (uint32_t v = 1; v <= before.size(); ++v)
                addClause({-atLeast, -before[v - 1], sum[std::min(v + c, top) - 1]});
        }
        before = std::move(sum);
    }
    total_ = std::move(before);
}

int CostCounter::AtMost(uint32_t bound) const {
    if (bound > limit_) throw RuntimeException("CostCounter::AtMost: bound above the limit");
    if (total_.empty()) return 0;
    return -total_[bound];
}
