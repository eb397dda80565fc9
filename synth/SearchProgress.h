// What the search is doing right now, for a live progress display and for the report of a
// run that is stopped before its end. The search thread writes it; other threads may read
// it at any time, so every field is atomic.
#pragma once

#include <atomic>
#include <cstdint>

struct SearchProgress {
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    enum Activity : int {
        Preparing,    // building the target and the node library
        RulingOut,    // the lower-bound engine decides a node count
        Solving,      // a solver decides a node count
        LoweringCost, // looking for a cheaper circuit
        Enumerating,  // looking for further solutions
        Writing,      // writing solutions
    };

    std::atomic<int> activity{Preparing};
    // The node count being decided.
    std::atomic<uint32_t> nodes{0};
    // Every node count below this one is proven impossible (0: none proven yet).
    std::atomic<uint32_t> impossibleBelow{0};
    // Solutions counted so far.
    std::atomic<uint32_t> solutions{0};
    // Node count and gate cost of the best circuit found so far (kNone: none yet).
    std::atomic<uint32_t> bestNodes{kNone};
    std::atomic<uint32_t> bestCost{kNone};

    void set(Activity a, uint32_t n) {
        activity.store(a, std::memory_order_relaxed);
        nodes.store(n, std::memory_order_relaxed);
    }
};
