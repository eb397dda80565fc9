#include "synth/Realizability.h"

#include "logic/Cube.h"
#include "logic/PLA.h"
#include "util/StopRequest.h"
#include "util/utils.h"

#include <cctype>

namespace {

using Partial = Realizability::Partial;
constexpr int8_t kDC = Realizability::kDontCare;

// The two-input function of a hexadecimal digit over the rows 2a + b, with the inputs
// inverted as asked.
Partial twoInput(uint32_t digit, bool invA, bool invB) {
    Partial f(4);
    for (uint32_t a = 0; a < 2; ++a)
        for (uint32_t b = 0; b < 2; ++b) {
            const uint32_t row = 2 * (a ^ (invA ? 1u : 0u)) + (b ^ (invB ? 1u : 0u));
            f[2 * a + b] = static_cast<int8_t>((digit >> row) & 1u);
        }
    return f;
}

// Some completion of f is monotone: no cared-for 1 lies below a cared-for 0.
bool monotoneCompletion(const Partial& f, uint32_t w) {
    const size_t rows = f.size();
    std::vector<uint8_t> forcedOne(rows);
    for (size_t r = 0; r < rows; ++r)
        forcedOne[r] = f[r] == 1;
    for (uint32_t bit = 0; bit < w; ++bit) {
        const size_t mask = size_t(1) << bit;
        for (size_t r = 0; r < rows; ++r)
            if ((r & mask) != 0 && forcedOne[r ^ mask]) forcedOne[r] = 1;
    }
    for (size_t r = 0; r < rows; ++r)
        if (f[r] == 0 && forcedOne[r]) return false;
    return true;
}

// Some completion of f is self-dual: no row and its complement are cared for with equal
// values. A function of no variables cannot be self-dual.
bool selfDualCompletion(const Partial& f, uint32_t w) {
    if (w == 0) return false;
    const size_t all = f.size() - 1;
    for (size_t r = 0; r <= all; ++r)
        if (f[r] != kDC && f[r] == f[r ^ all]) return false;
    return true;
}

// Some completion of f is affine: the cared-for rows agree with c xor (a . x) for some
// constant c and coefficients a, which Gaussian elimination over GF(2) decides.
bool affineCompletion(const Partial& f, uint32_t w) {
    // Equation of a row: the bits of the row for the coefficients, bit w for c.
    std::vector<uint64_t> pivotRow(w + 1, 0);
    std::vector<uint8_t> pivotValue(w + 1, 0);
    for (size_t r = 0; r < f.size(); ++r) {
        if (f[r] == kDC) continue;
        uint64_t eq = static_cast<uint64_t>(r) | (uint64_t(1) << w);
        uint8_t value = static_cast<uint8_t>(f[r]);
        for (int bit = static_cast<int>(w); bit >= 0 && eq != 0; --bit) {
            if (((eq >> bit) & 1u) == 0) continue;
            if (pivotRow[bit] == 0) {
                pivotRow[bit] = eq;
                pivotValue[bit] = value;
                eq = 0;
                value = 0;
                break;
            }
            eq ^= pivotRow[bit];
            value ^= pivotValue[bit];
        }
        if (eq == 0 && value != 0) return false; // 0 = 1: inconsistent
    }
    return true;
}

// Some completion of f is a constant or the conjunction of a set S of variables: S must lie
// in every cared-for 1 row, and the largest such S must lie in no cared-for 0 row.
bool conjunctionCompletion(const Partial& f, uint32_t w) {
    const uint64_t allBits = (w >= 64) ? ~uint64_t(0) : (uint64_t(1) << w) - 1;
    uint64_t common = allBits;
    bool anyOne = false;
    bool anyZero = false;
    for (size_t r = 0; r < f.size(); ++r) {
        if (f[r] == 1) {
            common &= r;
            anyOne = true;
        } else if (f[r] == 0) {
            anyZero = true;
        }
    }
    if (!anyOne || !anyZero) return true; // a constant
    for (size_t r = 0; r < f.size(); ++r)
        if (f[r] == 0 && (r & common) == common) return false;
    return true;
}

// The dual: a constant or the disjunction of a set S of variables: S must avoid every
// cared-for 0 row, and the largest such S must meet every cared-for 1 row.
bool disjunctionCompletion(const Partial& f, uint32_t w) {
    const uint64_t allBits = (w >= 64) ? ~uint64_t(0) : (uint64_t(1) << w) - 1;
    uint64_t zeroUnion = 0;
    bool anyOne = false;
    bool anyZero = false;
    for (size_t r = 0; r < f.size(); ++r) {
        if (f[r] == 0) {
            zeroUnion |= r;
            anyZero = true;
        } else if (f[r] == 1) {
            anyOne = true;
        }
    }
    if (!anyOne || !anyZero) return true;
    const uint64_t allowed = allBits & ~zeroUnion;
    for (size_t r = 0; r < f.size(); ++r)
        if (f[r] == 1 && (r & allowed) == 0) return false;
    return true;
}

// Some completion of f is 1 only where input i is 1, for some i: every cared-for 1 row
// has bit i (or there is no cared-for 1: the constant 0).
bool belowAnInputCompletion(const Partial& f, uint32_t w) {
    uint64_t common = (w >= 64) ? ~uint64_t(0) : (uint64_t(1) << w) - 1;
    bool anyOne = false;
    for (size_t r = 0; r < f.size(); ++r)
        if (f[r] == 1) {
            common &= r;
            anyOne = true;
        }
    return !anyOne || common != 0;
}

// Some completion of f is 1 wherever input i is 1, for some i: no cared-for 0 row has
// bit i (or there is no cared-for 0: the constant 1).
bool aboveAnInputCompletion(const Partial& f, uint32_t w) {
    const uint64_t allBits = (w >= 64) ? ~uint64_t(0) : (uint64_t(1) << w) - 1;
    uint64_t zeroUnion = 0;
    bool anyZero = false;
    for (size_t r = 0; r < f.size(); ++r)
        if (f[r] == 0) {
            zeroUnion |= r;
            anyZero = true;
        }
    return !anyZero || (zeroUnion & allBits) != allBits;
}

// Some completion of f is a constant, an input or an inverted input.
bool oneInputCompletion(const Partial& f, uint32_t w) {
    bool anyOne = false;
    bool anyZero = false;
    for (int8_t v : f) {
        anyOne = anyOne || v == 1;
        anyZero = anyZero || v == 0;
    }
    if (!anyOne || !anyZero) return true;
    for (uint32_t bit = 0; bit < w; ++bit) {
        bool same = true;     // f = x_bit on the cared-for rows
        bool opposite = true; // f = not x_bit
        for (size_t r = 0; r < f.size() && (same || opposite); ++r) {
            if (f[r] == kDC) continue;
            const int x = static_cast<int>((r >> bit) & 1u);
            same = same && f[r] == x;
            opposite = opposite && f[r] != x;
        }
        if (same || opposite) return true;
    }
    return false;
}

// f with its values inverted and/or exclusive-ored with the variable at bit controlBit.
Partial transformed(const Partial& f, bool invert, bool xorControl, uint32_t controlBit) {
    Partial g(f.size());
    for (size_t r = 0; r < f.size(); ++r) {
        if (f[r] == kDC) {
            g[r] = kDC;
            continue;
        }
        int v = f[r];
        if (invert) v ^= 1;
        if (xorControl) v ^= static_cast<int>((r >> controlBit) & 1u);
        g[r] = static_cast<int8_t>(v);
    }
    return g;
}

} // namespace

Realizability::Realizability(const std::string& library, bool allowInv, bool allowConst,
                             bool polyEdges)
    : allowInv_(allowInv), allowConst_(allowConst), polyEdges_(polyEdges) {
    for (char c : library)
        if (isHexDigit(c)) library_.push_back(hex2int(std::string(1, c)));
}

std::vector<Realizability::Partial> Realizability::Primitives(bool inversions,
                                                              bool polymorphic) const {
    std::vector<Partial> primitives;
    for (uint32_t digit : library_)
        for (int inv = 0; inv < (inversions ? 4 : 1); ++inv)
            primitives.push_back(twoInput(digit, (inv & 2) != 0, (inv & 1) != 0));
    if (allowConst_) primitives.push_back(Partial{0, 0});       // constant 0 (of one variable)
    if (polymorphic) primitives.push_back(Partial{0, 1, 1, 0}); // the polymorphic stage
    return primitives;
}

bool Realizability::HasCompletionIn(Clone clone, const Partial& f, uint32_t w) {
    switch (clone) {
    case ZeroPreserving:
        return f.front() != 1;
    case OnePreserving:
        return f.back() != 0;
    case Monotone:
        return monotoneCompletion(f, w);
    case SelfDual:
        return selfDualCompletion(f, w);
    case Affine:
        return affineCompletion(f, w);
    case Conjunction:
        return conjunctionCompletion(f, w);
    case Disjunction:
        return disjunctionCompletion(f, w);
    case BelowAnInput:
        return belowAnInputCompletion(f, w);
    case AboveAnInput:
        return aboveAnInputCompletion(f, w);
    case OneInput:
        return oneInputCompletion(f, w);
    case CloneCount:
        break;
    }
    return true;
}

std::string Realizability::Describe(Clone clone) {
    switch (clone) {
    case ZeroPreserving:
        return "0-preserving";
    case OnePreserving:
        return "1-preserving";
    case Monotone:
        return "monotone";
    case SelfDual:
        return "self-dual";
    case Affine:
        return "affine";
    case Conjunction:
        return "a conjunction of inputs";
    case Disjunction:
        return "a disjunction of inputs";
    case BelowAnInput:
        return "1 only where a certain input is 1";
    case AboveAnInput:
        return "1 wherever a certain input is 1";
    case OneInput:
        return "a function of at most one input";
    case CloneCount:
        break;
    }
    return "";
}

std::string Realizability::ProveImpossible(const PLA& target) const {
    const uint32_t w = target.getInputs();
    const uint32_t outputs = target.getOutputs();
    if (w > kMaxInputs || outputs == 0) return "";

    // The target's outputs row by row, read as the instance reads them: row r assigns
    // bit w - 1 - p of r to input p (so the control input, the last one, is bit 0); a
    // simulated 2 is don't care, 1 is one, anything else zero.
    const size_t rows = size_t(1) << w;
    std::vector<Partial> f(outputs, Partial(rows));
    const std::vector<uint8_t> all = target.SimulateAll(); // input p is bit p of a minterm
    for (size_t r = 0; r < rows; ++r) {
        size_t minterm = 0;
        for (uint32_t p = 0; p < w; ++p)
            if ((r >> (w - 1 - p)) & 1u) minterm |= size_t(1) << p;
        for (uint32_t o = 0; o < outputs; ++o) {
            const uint8_t v = all[minterm * outputs + o];
            f[o][r] = v == 2 ? kDC : (v == 1 ? 1 : 0);
        }
    }
    std::vector<std::string> names;
    for (uint32_t o = 0; o < outputs; ++o) {
        const std::string name = target.getOName(o);
        names.push_back(name.empty() ? int2string(o) : name);
    }

    const bool poly = polyEdges_ && w > 0;
    std::vector<Transform> transforms{{false, false}};
    if (allowInv_) transforms.push_back({true, false});
    if (poly) {
        transforms.push_back({false, true});
        if (allowInv_) transforms.push_back({true, true});
    }
    std::string proof = Prove(f, w, Primitives(allowInv_, poly), transforms, names, "");
    if (!proof.empty() || !poly) return proof;

    // The two halves of a polymorphic target.
    for (int p = 0; p < 2; ++p) {
        std::vector<Partial> half(outputs, Partial(rows / 2));
        for (uint32_t o = 0; o < outputs; ++o)
            for (size_t r = 0; r < rows / 2; ++r)
                half[o][r] = f[o][2 * r + static_cast<size_t>(p)];
        const bool inversions = allowInv_ || p == 1; // a polymorphic edge inverts at P = 1
        std::vector<Transform> flips{{false, false}};
        if (inversions) flips.push_back({true, false});
        proof = Prove(half, w - 1, Primitives(inversions, false), flips, names,
                      p == 0 ? "with P = 0 " : "with P = 1 ");
        if (!proof.empty()) return proof;
    }
    return "";
}

std::string Realizability::Prove(const std::vector<Partial>& f, uint32_t w,
                                 const std::vector<Partial>& primitives,
                                 const std::vector<Transform>& transforms,
                                 const std::vector<std::string>& names,
                                 const std::string& context) const {
    // The clones that hold every primitive.
    std::vector<Clone> closed;
    for (int c = 0; c < CloneCount; ++c) {
        bool all = true;
        for (const Partial& p : primitives)
            if (!HasCompletionIn(static_cast<Clone>(c), p, p.size() == 4 ? 2 : 1)) {
                all = false;
                break;
            }
        if (all) closed.push_back(static_cast<Clone>(c));
    }
    if (closed.empty()) return "";

    for (size_t o = 0; o < f.size(); ++o) {
        StopRequest::ThrowIfPending();
        // An output may be the constant signal, transformed like any other.
        bool constant = false;
        for (const Transform& t : transforms) {
            const Partial g = transformed(f[o], t.invert, t.control, 0);
            bool allZero = true;
            for (int8_t v : g)
                if (v == 1) allZero = false;
            if (allZero) constant = true;
        }
        if (constant) continue;
        for (Clone clone : closed) {
            bool reachable = false;
            for (const Transform& t : transforms)
                if (HasCompletionIn(clone, transformed(f[o], t.invert, t.control, 0), w)) {
                    reachable = true;
                    break;
                }
            if (reachable) continue;
            const std::string what = Describe(clone);
            return "No circuit exists: " + context +
                   "every gate available (the node functions under the allowed inversions, "
                   "constants and polymorphic edges) is " +
                   what + ", so every circuit output is " + what +
                   " up to the allowed output inversion and polymorphism, or a constant; "
                   "output " +
                   names[o] + " is neither.";
        }
    }
    return "";
}
