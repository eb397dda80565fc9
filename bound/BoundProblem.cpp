// Extraction of the lower-bound engine's problem from a configured synthesis engine.
#include "bound/BoundProblem.h"

#include "logic/PLA.h"
#include "util/myExcept.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

// The 4-bit table of (x, y) -> f(x ^ n0, y ^ n1), or of (x, y) -> f(y ^ n0, x ^ n1) when
// swapped; f is a 4-bit table with f(a, b) at bit 2a + b.
uint32_t variant(uint32_t f, uint32_t n0, uint32_t n1, bool swapped) {
    uint32_t h = 0;
    for (uint32_t x = 0; x < 2; ++x)
        for (uint32_t y = 0; y < 2; ++y) {
            const uint32_t a = (swapped ? y : x) ^ n0;
            const uint32_t b = (swapped ? x : y) ^ n1;
            if ((f >> (2 * a + b)) & 1u) h |= 1u << (2 * x + y);
        }
    return h;
}

uint32_t at(uint32_t h, uint32_t a, uint32_t b) {
    return (h >> (2 * a + b)) & 1u;
}

// The normal functions that depend on both operands: a&~b, ~a&b, xor, and, or.
constexpr uint16_t kNontrivialNormal = (1u << 2) | (1u << 4) | (1u << 6) | (1u << 8) | (1u << 14);
// Normal functions that are constant or a projection: 0, b, a.
constexpr uint16_t kTrivialNormal = (1u << 0) | (1u << 10) | (1u << 12);

} // namespace

BoundProblem::BoundProblem(const Spec& spec) {
    if (spec.polyEdges) {
        reason_ = "polymorphic edges";
        return;
    }
    // What the engine cannot argue for is a reason; a description that contradicts itself
    // is the caller's fault and an error, never a quiet "not applicable".
    if (spec.target == nullptr) throw InternalError("BoundProblem: no target");
    if (spec.library.empty()) {
        reason_ = "no node library";
        return;
    }
    if (spec.negSymmetric.size() != spec.library.size())
        throw InternalError("BoundProblem: " + std::to_string(spec.negSymmetric.size()) +
                            " symmetry flags for " + std::to_string(spec.library.size()) +
                            " node functions");
    if (spec.k > kMaxInputs) {
        reason_ = "more than " + std::to_string(kMaxInputs) + " inputs";
        return;
    }
    if (spec.target->getInputs() != spec.k || spec.target->getOutputs() != spec.m)
        throw InternalError("BoundProblem: the target's shape differs from the engine's");
    k_ = spec.k;
    m_ = spec.m;
    normal_ = spec.allowInv;
    constOperands_ = !normal_ && spec.allowConst;
    rows_ = 1u << k_;
    words_ = rows_ >= 64 ? rows_ / 64 : 1;
    readTarget(*spec.target);
    deriveNodeFunctions(spec);
    if (!reason_.empty()) return;
    findSymmetries();
    computeSupportBound();
}

void BoundProblem::readTarget(const PLA& target) {
    allRows_.assign(words_, ~uint64_t(0));
    if (rows_ < 64) allRows_[0] = (uint64_t(1) << rows_) - 1;
    inputTables_.assign(k_, Table(words_, 0));
    value_.assign(m_, Table(words_, 0));
    care_.assign(m_, Table(words_, 0));
    const std::vector<uint8_t> all = target.SimulateAll(); // row r is minterm r
    for (uint32_t r = 0; r < rows_; ++r) {
        for (uint32_t j = 0; j < k_; ++j)
            if ((r >> j) & 1u) inputTables_[j][r >> 6] |= uint64_t(1) << (r & 63);
        for (uint32_t o = 0; o < m_; ++o) {
            // As in the classic encoding: 2 is don't care, 1 is one, anything else zero.
            const uint8_t v = all[size_t(r) * m_ + o];
            if (v == 2) continue;
            care_[o][r >> 6] |= uint64_t(1) << (r & 63);
            if (v == 1) value_[o][r >> 6] |= uint64_t(1) << (r & 63);
        }
    }
}

void BoundProblem::deriveNodeFunctions(const Spec& spec) {
    // effective[h]: the least cost of a library function that computes table h on
    // (lower, upper) operand; kNoCost when none does.
    std::array<uint32_t, 16> effective;
    effective.fill(kNoCost);
    for (size_t t = 0; t < spec.library.size(); ++t) {
        const uint32_t f = spec.library[t];
        if (f > 15)
            throw InternalError("BoundProblem: node function " + std::to_string(t) +
                                " has no complete table");
        const uint32_t cost = t < spec.costs.size() ? spec.costs[t] : 1u;
        // Port inversions are free unless switched off or the function is complement-
        // invariant, where the classic model forbids them.
        const bool inv = spec.allowInv && !spec.negSymmetric[t];
        for (uint32_t n0 = 0; n0 <= (inv ? 1u : 0u); ++n0)
            for (uint32_t n1 = 0; n1 <= (inv ? 1u : 0u); ++n1)
                for (bool swapped : {false, true}) {
                    uint32_t& c = effective[variant(f, n0, n1, swapped)];
                    c = std::min(c, cost);
                }
        minCost_ = std::min(minCost_, cost);
        maxCost_ = std::max(maxCost_, cost);
    }
    if (spec.library.empty()) minCost_ = maxCost_ = 1;
    distinctCost_.fill(kNoCost);
    unaryCost_.fill(kNoCost);
    constCost_.fill(kNoCost);
    const auto lower = [](uint32_t& slot, uint32_t cost) { slot = std::min(slot, cost); };

    if (normal_) {
        for (uint32_t h = 0; h < 16; ++h) {
            if (effective[h] == kNoCost) continue;
            const uint32_t normalForm = (h & 1u) ? (~h & 15u) : h;
            if (!((kNontrivialNormal >> normalForm) & 1u)) continue;
            distinct_ |= uint16_t(1u << normalForm);
            lower(distinctCost_[normalForm], effective[h]);
        }
        // A node reading a fan-in and one of that fan-in's operands computes a function of
        // two signals; when that is always a library node or trivial, the circuit can read
        // the two signals directly. With gate costs the replacement must also be no dearer
        // than the node it replaces.
        noReapply_ = true;
        reapplyKeepsCost_ = true;
        for (uint32_t h = 0; h < 16 && noReapply_; ++h) {
            if (!((distinct_ >> h) & 1u)) continue;
            for (uint32_t h2 = 0; h2 < 16 && noReapply_; ++h2) {
                if (!((distinct_ >> h2) & 1u)) continue;
                for (uint32_t shared = 0; shared < 2; ++shared) {
                    uint32_t g = 0;
                    for (uint32_t a = 0; a < 2; ++a)
                        for (uint32_t b = 0; b < 2; ++b) {
                            const uint32_t inner = at(h, a, b);
                            const uint32_t other = shared == 0 ? a : b;
                            if (at(h2, other, inner)) g |= 1u << (2 * a + b);
                        }
                    const uint32_t normalForm = (g & 1u) ? (~g & 15u) : g;
                    const bool ok = ((distinct_ | kTrivialNormal) >> normalForm) & 1u;
                    if (!ok) noReapply_ = false;
                    if (ok && ((distinct_ >> normalForm) & 1u) &&
                        distinctCost_[normalForm] > distinctCost_[h2])
                        reapplyKeepsCost_ = false;
                }
            }
        }
        return;
    }

    // Plain model. A node equal to one of its operands, or to the constant 0 where ports
    // may read the constant, can be replaced by that signal.
    for (uint32_t h = 0; h < 16; ++h) {
        if (effective[h] == kNoCost) continue;
        const uint32_t cost = effective[h];
        if (h != 12 && h != 10) {
            distinct_ |= uint16_t(1u << h);
            lower(distinctCost_[h], cost);
        }
        const uint32_t h00 = at(h, 0, 0), h11 = at(h, 1, 1), h01 = at(h, 0, 1);
        const bool buffer = h00 == 0 && h11 == 1;
        const bool zero = h00 == 0 && h11 == 0;
        if (!buffer && !(zero && constOperands_)) {
            unary_ |= uint8_t(1u << (2 * h11 + h00));
            lower(unaryCost_[2 * h11 + h00], cost);
        }
        if (constOperands_) {
            if (!(h00 == 0 && h01 == 1) && !(h00 == 0 && h01 == 0)) {
                constant_ |= uint8_t(1u << (2 * h01 + h00));
                lower(constCost_[2 * h01 + h00], cost);
            }
            if (h00 == 1) {
                constOne_ = true;
                lower(constOneCost_, cost);
            }
        }
    }
}

void BoundProblem::findSymmetries() {
    // Inputs j and j2 are exchangeable when relabelling them maps every circuit for the
    // target to another one: a plain exchange, or, where inversions are allowed, an
    // exchange with either input inverted and any output complemented (ports and outputs
    // absorb the inversions).
    const uint32_t variants = normal_ ? 4u : 1u;
    for (uint32_t j = 1; j <= k_; ++j)
        for (uint32_t j2 = j + 1; j2 <= k_; ++j2) {
            const uint32_t bj = 1u << (j - 1), bj2 = 1u << (j2 - 1);
            bool exchangeable = false;
            for (uint32_t v = 0; v < variants && !exchangeable; ++v) {
                bool ok = true;
                for (uint32_t o = 0; o < m_ && ok; ++o) {
                    int complement = -1; // not yet known for this output
                    for (uint32_t r = 0; r < rows_ && ok; ++r) {
                        uint32_t r2 = r & ~(bj | bj2);
                        if (((r & bj2) != 0) != ((v & 1u) != 0)) r2 |= bj;
                        if (((r & bj) != 0) != ((v & 2u) != 0)) r2 |= bj2;
                        const bool c = caredAt(o, r);
                        if (c != caredAt(o, r2)) {
                            ok = false;
                        } else if (c) {
                            const int differs = valueAt(o, r) != valueAt(o, r2) ? 1 : 0;
                            if (complement < 0) complement = normal_ ? differs : 0;
                            ok = differs == complement;
                        }
                    }
                }
                exchangeable = ok;
            }
            if (exchangeable) symPairs_.emplace_back(j, j2);
        }
}

void BoundProblem::computeSupportBound() {
    supportBound_ = 0;
    essential_.assign(k_, false);
    for (uint32_t o = 0; o < m_; ++o) {
        uint32_t support = 0;
        for (uint32_t j = 0; j < k_; ++j) {
            const uint32_t b = 1u << j;
            bool essential = false;
            for (uint32_t r = 0; r < rows_ && !essential; ++r) {
                if (r & b) continue;
                if (caredAt(o, r) && caredAt(o, r | b) && valueAt(o, r) != valueAt(o, r | b))
                    essential = true;
            }
            if (essential) {
                ++support;
                essential_[j] = true;
            }
        }
        if (support >= 2 && support - 1 > supportBound_) supportBound_ = support - 1;
    }
}
