// A bound on the total cost of items in CNF, as a sequential counter over unary costs.
//
// Item i costs at least c exactly when ladder literal ladders[i][c - 1] is true (each
// ladder falls: c implies c - 1). The counter's literal sum(t, v) says that items 0..t
// cost at least v together; clauses only push it up, so assuming the negation of the
// last one's sum(v) for v = bound + 1 forbids every assignment whose total exceeds bound
// and allows every other. Built once for the largest bound wanted; smaller bounds are
// assumptions, so one solver can tighten the bound step by step.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class CostCounter {
public:
    using NewVar = std::function<int()>;
    using AddClause = std::function<void(const std::vector<int>&)>;

    CostCounter(const std::vector<std::vector<int>>& ladders, uint32_t limit, const NewVar& newVar,
                const AddClause& addClause);

    uint32_t limit() const { return limit_; }
    // The literal to assume for a total of at most bound (bound <= limit). 0 when no
    // assumption is needed (no item can cost anything).
    int AtMost(uint32_t bound) const;

private:
    uint32_t limit_;
    std::vector<int> total_; // total_[v - 1]: the items cost at least v together, v <= limit+1
};
