#include "logic/NpnCanon.h"

#include "util/myExcept.h"

#include <algorithm>

uint64_t NpnTransform::Apply(uint64_t table, uint32_t k) const {
    const uint32_t rows = 1u << k;
    uint64_t out = 0;
    for (uint32_t y = 0; y < rows; ++y) {
        uint32_t x = 0;
        for (uint32_t j = 0; j < k; ++j)
            x |= (((y >> perm[j]) ^ (negInputs >> j)) & 1u) << j;
        if (((table >> x) & 1u) != (negOutput ? 1u : 0u)) out |= uint64_t{1} << y;
    }
    return out;
}

NpnCanon::NpnCanon(uint32_t k, bool negations) : k_(k), negations_(negations) {
    if (k > kMaxInputs)
        throw RuntimeException("NpnCanon: at most " + std::to_string(kMaxInputs) + " inputs");
}

template <class Visit> void NpnCanon::forEach(Visit visit) const {
    NpnTransform t;
    std::array<uint8_t, 6> perm{0, 1, 2, 3, 4, 5};
    const uint32_t masks = negations_ ? 1u << k_ : 1u;
    do {
        t.perm = perm;
        for (uint32_t mask = 0; mask < masks; ++mask)
            for (uint32_t out = 0; out < (negations_ ? 2u : 1u); ++out) {
                t.negInputs = static_cast<uint8_t>(mask);
                t.negOutput = out != 0;
                if (!visit(t)) return;
            }
    } while (std::next_permutation(perm.begin(), perm.begin() + k_));
}

NpnCanon::Result NpnCanon::Canonical(uint64_t table) {
    table &= Mask(k_);
    if (const auto it = known_.find(table); it != known_.end()) return it->second;
    Result r;
    r.canonical = table;
    forEach([&](const NpnTransform& t) {
        r.canonical = std::min(r.canonical, t.Apply(table, k_));
        return true;
    });
    if (k_ <= 4) {
        // Every table of the class, each with the first transformation that reaches it.
        forEach([&](const NpnTransform& t) {
            known_.emplace(t.Apply(r.canonical, k_), Result{r.canonical, t});
            return true;
        });
        return known_.at(table);
    }
    forEach([&](const NpnTransform& t) {
        if (t.Apply(r.canonical, k_) != table) return true;
        r.fromCanonical = t;
        return false;
    });
    return r;
}
