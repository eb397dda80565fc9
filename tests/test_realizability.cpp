// The impossibility test against brute force: the clone predicates against all
// completions checked by definition, and the verdicts against the set of functions that
// circuits of the given gates can actually compute.
#include "app/TargetFunction.h"
#include "synth/Realizability.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using Partial = Realizability::Partial;
using Clone = Realizability::Clone;
constexpr int8_t DC = Realizability::kDontCare;

// --- clone membership by definition, on complete functions of w variables ---

bool member(Clone clone, const std::vector<int>& f, uint32_t w) {
    const uint32_t rows = 1u << w;
    switch (clone) {
    case Realizability::ZeroPreserving:
        return f[0] == 0;
    case Realizability::OnePreserving:
        return f[rows - 1] == 1;
    case Realizability::Monotone:
        for (uint32_t x = 0; x < rows; ++x)
            for (uint32_t y = 0; y < rows; ++y)
                if ((x & y) == x && f[x] > f[y]) return false;
        return true;
    case Realizability::SelfDual:
        for (uint32_t x = 0; x < rows; ++x)
            if (f[x] == f[x ^ (rows - 1)]) return false;
        return true;
    case Realizability::Affine:
        // Some c xor (a . x) equals f.
        for (uint32_t a = 0; a < rows; ++a)
            for (int c = 0; c < 2; ++c) {
                bool same = true;
                for (uint32_t x = 0; x < rows && same; ++x)
                    same = f[x] == (c ^ (__builtin_popcount(a & x) & 1));
                if (same) return true;
            }
        return false;
    case Realizability::Conjunction:
    case Realizability::Disjunction: {
        const bool conj = clone == Realizability::Conjunction;
        auto constant = [&](int v) {
            for (uint32_t x = 0; x < rows; ++x)
                if (f[x] != v) return false;
            return true;
        };
        if (constant(0) || constant(1)) return true;
        for (uint32_t s = 1; s < rows; ++s) {
            bool same = true;
            for (uint32_t x = 0; x < rows && same; ++x)
                same = f[x] == (conj ? ((x & s) == s) : ((x & s) != 0));
            if (same) return true;
        }
        return false;
    }
    case Realizability::BelowAnInput:
    case Realizability::AboveAnInput: {
        // Some input i with f <= x_i (below) or f >= x_i (above) everywhere.
        const bool below = clone == Realizability::BelowAnInput;
        bool constant = true;
        for (uint32_t x = 0; x < rows; ++x)
            constant = constant && f[x] == (below ? 0 : 1);
        if (constant) return true;
        for (uint32_t i = 0; i < w; ++i) {
            bool bounded = true;
            for (uint32_t x = 0; x < rows && bounded; ++x) {
                const int xi = static_cast<int>((x >> i) & 1u);
                bounded = below ? f[x] <= xi : f[x] >= xi;
            }
            if (bounded) return true;
        }
        return false;
    }
    case Realizability::OneInput: {
        // Depends on no input but perhaps one: flipping any other input changes nothing.
        for (uint32_t keep = 0; keep <= w; ++keep) {
            bool depends = false;
            for (uint32_t i = 0; i < w && !depends; ++i)
                for (uint32_t x = 0; x < rows && !depends; ++x)
                    depends = i != keep && f[x] != f[x ^ (1u << i)];
            if (!depends) return true;
        }
        return false;
    }
    case Realizability::CloneCount:
        break;
    }
    return false;
}

bool someCompletionIn(Clone clone, const Partial& f, uint32_t w) {
    std::vector<uint32_t> free;
    for (uint32_t r = 0; r < f.size(); ++r)
        if (f[r] == DC) free.push_back(r);
    std::vector<int> g(f.size());
    for (uint32_t pick = 0; pick < (1u << free.size()); ++pick) {
        for (uint32_t r = 0; r < f.size(); ++r)
            g[r] = f[r];
        for (size_t i = 0; i < free.size(); ++i)
            g[free[i]] = (pick >> i) & 1u;
        if (member(clone, g, w)) return true;
    }
    return false;
}

} // namespace

TEST(Realizability, ClonePredicatesMatchTheDefinitions) {
    // Every partial function of two variables.
    for (uint32_t code = 0; code < 81; ++code) {
        Partial f(4);
        uint32_t c = code;
        for (int r = 0; r < 4; ++r, c /= 3)
            f[r] = c % 3 == 2 ? DC : static_cast<int8_t>(c % 3);
        for (int clone = 0; clone < Realizability::CloneCount; ++clone)
            EXPECT_EQ(Realizability::HasCompletionIn(static_cast<Clone>(clone), f, 2),
                      someCompletionIn(static_cast<Clone>(clone), f, 2))
                << Realizability::Describe(static_cast<Clone>(clone)) << " code " << code;
    }
    // A sample of partial functions of three variables, few don't cares and many.
    std::mt19937 random(7);
    for (int sample = 0; sample < 400; ++sample) {
        Partial f(8);
        const int dcPercent = sample % 2 ? 15 : 50;
        for (int8_t& v : f)
            v = static_cast<int>(random() % 100) < dcPercent ? DC
                                                             : static_cast<int8_t>(random() % 2);
        for (int clone = 0; clone < Realizability::CloneCount; ++clone)
            EXPECT_EQ(Realizability::HasCompletionIn(static_cast<Clone>(clone), f, 3),
                      someCompletionIn(static_cast<Clone>(clone), f, 3))
                << Realizability::Describe(static_cast<Clone>(clone)) << " sample " << sample;
    }
    // No function of no variables is self-dual.
    EXPECT_FALSE(Realizability::HasCompletionIn(Realizability::SelfDual, Partial{DC}, 0));
}

namespace {

// The functions of three variables (bit r of a byte is the value at row r) that circuits
// of the given gates compute at some output, by closure: every port may take any signal,
// inverted when inversions are allowed and exclusive-ored with the control input (the
// third variable) with polymorphic edges; the constant 0 may feed ports when allowed;
// outputs may take any signal or the constant, inverted / exclusive-ored likewise. Port
// inversions are allowed under every function, which can only enlarge the set.
std::set<uint8_t> reachable(const std::string& library, bool inv, bool constants, bool poly) {
    const uint8_t x0 = 0xAA, x1 = 0xCC, x2 = 0xF0; // rows: bit j of r is variable j
    std::vector<bool> signal(256, false);
    signal[x0] = signal[x1] = true;
    if (!poly) signal[x2] = true; // with polymorphic edges the third variable is P
    auto variants = [&](uint8_t s, std::vector<uint8_t>& out) {
        out.push_back(s);
        if (inv) out.push_back(static_cast<uint8_t>(~s));
        if (poly) out.push_back(static_cast<uint8_t>(s ^ x2));
        if (inv && poly) out.push_back(static_cast<uint8_t>(~(s ^ x2)));
    };
    for (bool grew = true; grew;) {
        grew = false;
        std::vector<uint8_t> ports;
        for (int s = 0; s < 256; ++s)
            if (signal[s]) variants(static_cast<uint8_t>(s), ports);
        if (constants) variants(0, ports);
        std::vector<bool> seen(256, false);
        std::vector<uint8_t> unique;
        for (uint8_t p : ports)
            if (!seen[p]) {
                seen[p] = true;
                unique.push_back(p);
            }
        for (char digit : library) {
            const uint32_t g =
                static_cast<uint32_t>(std::stoul(std::string(1, digit), nullptr, 16));
            for (uint8_t a : unique)
                for (uint8_t b : unique) {
                    uint8_t out = 0;
                    for (int r = 0; r < 8; ++r) {
                        const uint32_t row = 2 * ((a >> r) & 1u) + ((b >> r) & 1u);
                        out |= static_cast<uint8_t>(((g >> row) & 1u) << r);
                    }
                    if (!signal[out]) {
                        signal[out] = true;
                        grew = true;
                    }
                }
        }
    }
    std::set<uint8_t> outputs;
    std::vector<uint8_t> v;
    for (int s = 0; s < 256; ++s)
        if (signal[s]) variants(static_cast<uint8_t>(s), v);
    variants(0, v);
    outputs.insert(v.begin(), v.end());
    return outputs;
}

} // namespace

// A refusal is never wrong: whatever it refuses, no circuit computes. And it catches what
// the clones promise: with and-nodes alone and no inversions, everything but conjunctions.
TEST(Realizability, RefusesOnlyWhatNoCircuitComputes) {
    const std::vector<std::string> libraries = {"1", "2", "3", "4", "5", "6",  "7",  "8",  "9",
                                                "A", "B", "C", "D", "E", "86", "8E", "6E", "24"};
    unsigned refused = 0;
    for (const std::string& library : libraries)
        for (int flags = 0; flags < 8; ++flags) {
            const bool inv = flags & 1, constants = flags & 2, poly = flags & 4;
            const std::set<uint8_t> can = reachable(library, inv, constants, poly);
            const Realizability check(library, inv, constants, poly);
            for (uint32_t f = 0; f < 256; ++f) {
                // Three variables: x0, x1, x2, or x0, x1 and the control input P.
                const auto target = DeriveFnctPLA(f, poly ? 2 : 3, poly);
                const std::string why = check.ProveImpossible(*target);
                if (why.empty()) continue;
                ++refused;
                EXPECT_EQ(can.count(static_cast<uint8_t>(f)), 0u)
                    << "library " << library << " inv " << inv << " const " << constants << " poly "
                    << poly << " f " << f << ": " << why;
            }
        }
    EXPECT_GT(refused, 0u);

    // and-nodes, no inversions, the constant 0: conjunctions of inputs and 0 are all.
    const Realizability andOnly("8", false, true, false);
    const std::set<uint8_t> conjunctions = reachable("8", false, true, false);
    for (uint32_t f = 0; f < 256; ++f)
        EXPECT_EQ(andOnly.ProveImpossible(*DeriveFnctPLA(f, 3, false)).empty(),
                  conjunctions.count(static_cast<uint8_t>(f)) == 1)
            << f;
    // With inversions and gates are complete: nothing is refused.
    const Realizability complete("8", true, false, false);
    for (uint32_t f = 0; f < 256; ++f)
        EXPECT_EQ(complete.ProveImpossible(*DeriveFnctPLA(f, 3, false)), "") << f;
}

// A target with don't cares is refused only when no completion is within reach.
TEST(Realizability, DontCaresAreCompletedInTheTargetsFavour) {
    const Realizability andOnly("8", false, true, false);
    PLA fits(2, 1);
    fits.setType("fd");
    fits.AppendTerm("11", "1");
    fits.AppendTerm("00", "-"); // and of both inputs, if row 00 is taken as 0
    EXPECT_EQ(andOnly.ProveImpossible(fits), "");
    PLA misses(2, 1);
    misses.setType("fd");
    misses.AppendTerm("11", "1");
    misses.AppendTerm("00", "1");
    misses.AppendTerm("01", "-");
    EXPECT_NE(andOnly.ProveImpossible(misses), "");
}
