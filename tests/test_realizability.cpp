// The impossibility test against brute force: the clone predicates against all
// completions checked by definition, and the verdicts against the set of functions that
// circuits of the given gates can actually compute.
#include "app/TargetFunction.h"
#include "synth/Realizability.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using Partial = Realizability::Partial;
using Clone = Realizability::Clone;
constexpr int8_t DC = Realizability::kDontCare;

// Clone membership by definition, of a complete function f of w variables.
bool member(Clone clone, const Partial& f, uint32_t w) {
    const uint32_t rows = 1u << w;
    const auto all = [rows](const std::function<bool(uint32_t)>& holds) {
        for (uint32_t x = 0; x < rows; ++x)
            if (!holds(x)) return false;
        return true;
    };
    const auto constant = [&](int v) { return all([&](uint32_t x) { return f[x] == v; }); };
    bool some = false; // some choice of the clone's parameters fits f
    switch (clone) {
    case Realizability::ZeroPreserving:
        return f[0] == 0;
    case Realizability::OnePreserving:
        return f[rows - 1] == 1;
    case Realizability::Monotone:
        return all([&](uint32_t x) {
            return all([&](uint32_t y) { return (x & y) != x || f[x] <= f[y]; });
        });
    case Realizability::SelfDual:
        return all([&](uint32_t x) { return f[x] != f[x ^ (rows - 1)]; });
    case Realizability::Affine: // c xor (a . x)
        for (uint32_t a = 0; a < 2 * rows; ++a)
            some =
                some || all([&](uint32_t x) {
                    return f[x] == static_cast<int>((a / rows) ^
                                                    (__builtin_popcount(a & x & (rows - 1)) & 1));
                });
        return some;
    case Realizability::Conjunction: // the and of the inputs in s (s empty: 1), or 0
    case Realizability::Disjunction: // the or of the inputs in s (s empty: 0), or 1
        for (uint32_t s = 0; s < rows; ++s)
            some = some || all([&](uint32_t x) {
                       return f[x] ==
                              (clone == Realizability::Conjunction ? (x & s) == s : (x & s) != 0);
                   });
        return some || constant(clone == Realizability::Conjunction ? 0 : 1);
    case Realizability::BelowAnInput: // f <= x_i everywhere, or 0
    case Realizability::AboveAnInput: // f >= x_i everywhere, or 1
        for (uint32_t i = 0; i < w; ++i)
            some = some || all([&](uint32_t x) {
                       const int xi = static_cast<int>((x >> i) & 1u);
                       return clone == Realizability::BelowAnInput ? f[x] <= xi : f[x] >= xi;
                   });
        return some || constant(clone == Realizability::BelowAnInput ? 0 : 1);
    case Realizability::OneInput: // flipping any input but one changes nothing
        for (uint32_t keep = 0; keep <= w; ++keep)
            some = some || all([&](uint32_t x) {
                       for (uint32_t i = 0; i < w; ++i)
                           if (i != keep && f[x] != f[x ^ (1u << i)]) return false;
                       return true;
                   });
        return some;
    case Realizability::CloneCount:
        break;
    }
    return false;
}

bool someCompletionIn(Clone clone, const Partial& f, uint32_t w) {
    std::vector<uint32_t> free;
    for (uint32_t r = 0; r < f.size(); ++r)
        if (f[r] == DC) free.push_back(r);
    for (uint32_t pick = 0; pick < (1u << free.size()); ++pick) {
        Partial g = f;
        for (size_t i = 0; i < free.size(); ++i)
            g[free[i]] = static_cast<int8_t>((pick >> i) & 1u);
        if (member(clone, g, w)) return true;
    }
    return false;
}

} // namespace

// Every partial function of two variables, and a sample of three variables, few don't
// cares and many.
TEST(Realizability, ClonePredicatesMatchTheDefinitions) {
    std::mt19937 random(7);
    for (int sample = 0; sample < 81 + 400; ++sample) {
        const uint32_t w = sample < 81 ? 2 : 3;
        Partial f(1u << w);
        for (uint32_t r = 0, code = sample; r < f.size(); ++r, code /= 3)
            if (w == 2)
                f[r] = code % 3 == 2 ? DC : static_cast<int8_t>(code % 3);
            else
                f[r] = static_cast<int>(random() % 100) < (sample % 2 ? 15 : 50)
                           ? DC
                           : static_cast<int8_t>(random() % 2);
        for (int clone = 0; clone < Realizability::CloneCount; ++clone)
            EXPECT_EQ(Realizability::HasCompletionIn(static_cast<Clone>(clone), f, w),
                      someCompletionIn(static_cast<Clone>(clone), f, w))
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
    const uint8_t x2 = 0xF0; // rows: bit j of r is variable j
    std::set<uint8_t> signals = {0xAA, 0xCC};
    if (!poly) signals.insert(x2); // with polymorphic edges the third variable is P
    const auto variants = [&](std::set<uint8_t> v, bool constant) {
        if (constant) v.insert(0);
        for (const uint8_t s : std::set<uint8_t>(v))
            for (const uint8_t t : {s, static_cast<uint8_t>(s ^ x2)})
                if (t == s || poly) {
                    v.insert(t);
                    if (inv) v.insert(static_cast<uint8_t>(~t));
                }
        return v;
    };
    for (size_t before = 0; before != signals.size();) {
        before = signals.size();
        const std::set<uint8_t> ports = variants(signals, constants);
        for (char digit : library) {
            const uint32_t g =
                static_cast<uint32_t>(std::stoul(std::string(1, digit), nullptr, 16));
            for (uint8_t a : ports)
                for (uint8_t b : ports) {
                    uint8_t out = 0;
                    for (int r = 0; r < 8; ++r)
                        out |= static_cast<uint8_t>(
                            ((g >> (2 * ((a >> r) & 1u) + ((b >> r) & 1u))) & 1u) << r);
                    signals.insert(out);
                }
        }
    }
    return variants(signals, true);
}

} // namespace

// A refusal is never wrong: whatever it refuses, no circuit computes. And it catches what
// the clones promise: with and-nodes alone, no inversions and the constant 0, everything
// but conjunctions; with inversions and-nodes are complete: nothing is refused.
TEST(Realizability, RefusesOnlyWhatNoCircuitComputes) {
    const std::vector<std::string> libraries = {"1", "2", "3", "4", "5", "6",  "7",  "8",  "9",
                                                "A", "B", "C", "D", "E", "86", "8E", "6E", "24"};
    unsigned refused = 0;
    for (const std::string& library : libraries)
        for (int flags = 0; flags < 8; ++flags) {
            const bool inv = flags & 1, constants = flags & 2, poly = flags & 4;
            const std::set<uint8_t> can = reachable(library, inv, constants, poly);
            const Realizability check(library, inv, constants, poly);
            // Exact where the clones promise it.
            const bool exact = library == "8" && !poly && inv != constants;
            for (uint32_t f = 0; f < 256; ++f) {
                // Three variables: x0, x1, x2, or x0, x1 and the control input P.
                const std::string why =
                    check.ProveImpossible(*DeriveFnctPLA(f, poly ? 2 : 3, poly));
                refused += !why.empty();
                if (!why.empty() || exact) {
                    EXPECT_EQ(can.count(static_cast<uint8_t>(f)), why.empty() ? 1u : 0u)
                        << "library " << library << " inv " << inv << " const " << constants
                        << " poly " << poly << " f " << f << ": " << why;
                }
            }
        }
    EXPECT_GT(refused, 0u);
}

// A target with don't cares is refused only when no completion is within reach: and-nodes
// without inversions make the and of both inputs (row 00 taken as 0), but nothing that is
// 1 at rows 00 and 11.
TEST(Realizability, DontCaresAreCompletedInTheTargetsFavour) {
    const Realizability andOnly("8", false, true, false);
    for (const bool fits : {true, false}) {
        PLA target(2, 1);
        target.setType("fd");
        target.AppendTerm("11", "1");
        target.AppendTerm("00", fits ? "-" : "1");
        if (!fits) target.AppendTerm("01", "-");
        EXPECT_EQ(andOnly.ProveImpossible(target).empty(), fits);
    }
}
