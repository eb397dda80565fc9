// An independent oracle for gate costs: the least total gate cost of any circuit that
// realises a small target, found by exhaustive search over circuits whose every gate
// computes a new signal (a gate equal to an existing signal, or to its complement where
// inversions are free, can be removed, so a cheapest circuit has none).
#pragma once

#include "tests/support/CircuitCheck.h"

#include <cstdint>
#include <map>
#include <vector>

namespace testsupport {

struct Library {
    std::vector<uint32_t> tables; // f(a, b) at bit 2a + b
    std::vector<uint32_t> costs;
};

// The least cost of a circuit of at most maxGates gates realising expected (no polymorphic
// edges), or UINT32_MAX when there is none within maxGates.
inline uint32_t CheapestCost(const Expected& expected, const Library& lib, bool allowInv,
                             bool allowConst, uint32_t maxGates) {
    const uint32_t rows = expected.rows();
    const uint64_t all = rows >= 64 ? ~uint64_t(0) : (uint64_t(1) << rows) - 1;
    std::vector<uint64_t> signals{0}; // the constant, then the inputs
    for (uint32_t j = 0; j < expected.inputs; ++j) {
        uint64_t t = 0;
        for (uint32_t r = 0; r < rows; ++r)
            if ((r >> j) & 1u) t |= uint64_t(1) << r;
        signals.push_back(t);
    }
    const auto realised = [&](const std::vector<uint64_t>& sig) {
        for (const auto& out : expected.values) {
            bool any = false;
            for (uint32_t inv = 0; inv < (allowInv ? 2u : 1u) && !any; ++inv)
                for (uint64_t s : sig) {
                    const uint64_t v = inv ? ~s & all : s;
                    bool ok = true;
                    for (uint32_t r = 0; r < rows && ok; ++r)
                        if (out[r] != Expected::DontCare && out[r] != int((v >> r) & 1u))
                            ok = false;
                    if (ok) {
                        any = true;
                        break;
                    }
                }
            if (!any) return false;
        }
        return true;
    };
    uint32_t best = UINT32_MAX;
    // Depth-first over circuits; each level adds one gate with a signal not seen before.
    const auto search = [&](const auto& self, std::vector<uint64_t>& sig, uint32_t cost,
                            uint32_t gates) -> void {
        if (cost >= best) return;
        if (realised(sig)) {
            best = cost;
            return;
        }
        if (gates == maxGates) return;
        // Each new signal once, at the least cost of a gate that makes it.
        std::map<uint64_t, uint32_t> fresh;
        const uint32_t firstSource = allowConst ? 0 : 1;
        for (size_t f = 0; f < lib.tables.size(); ++f)
            for (uint32_t a = firstSource; a < sig.size(); ++a)
                for (uint32_t b = firstSource; b < sig.size(); ++b)
                    for (uint32_t inv = 0; inv < (allowInv ? 4u : 1u); ++inv) {
                        const uint64_t x = (inv & 1u) ? ~sig[a] & all : sig[a];
                        const uint64_t y = (inv & 2u) ? ~sig[b] & all : sig[b];
                        uint64_t v = 0;
                        for (uint32_t r = 0; r < rows; ++r) {
                            const uint32_t bit = 2 * ((x >> r) & 1u) + ((y >> r) & 1u);
                            if ((lib.tables[f] >> bit) & 1u) v |= uint64_t(1) << r;
                        }
                        bool known = false;
                        for (uint64_t s : sig)
                            if (s == v || (allowInv && s == (~v & all))) known = true;
                        if (known) continue;
                        auto [it, added] = fresh.emplace(v, lib.costs[f]);
                        if (!added && lib.costs[f] < it->second) it->second = lib.costs[f];
                    }
        for (const auto& [v, c] : fresh) {
            sig.push_back(v);
            self(self, sig, cost + c, gates + 1);
            sig.pop_back();
        }
    };
    search(search, signals, 0, 0);
    return best;
}

} // namespace testsupport
