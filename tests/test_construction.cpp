// Circuits built without search: every output agrees with the target where it is cared
// for, every node is an AND of two literals or, where allowed, an exclusive-or, operands
// come before their readers, and no node is left unread.
#include "synth/CircuitConstruction.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

// Signal values at one row: the constant, the inputs, then every node by its table.
std::vector<uint32_t> simulate(const BoundCircuit& c, uint32_t row) {
    std::vector<uint32_t> v(c.k + 1 + c.nodes.size(), 0);
    for (uint32_t j = 0; j < c.k; ++j)
        v[j + 1] = (row >> j) & 1u;
    for (size_t t = 0; t < c.nodes.size(); ++t) {
        const BoundCircuit::Node& nd = c.nodes[t];
        v[c.k + 1 + t] = (nd.table >> (2 * v[nd.a] + v[nd.b])) & 1u;
    }
    return v;
}

TEST(Construction, RandomTargetsWithDontCares) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 120; ++trial) {
        ConstructionTarget target;
        target.k = 1 + rng() % 6;
        target.outputs = 1 + rng() % 3;
        const uint32_t rows = 1u << target.k;
        const bool sparse = rng() % 3 == 0;
        for (uint32_t x = 0; x < rows * target.outputs; ++x)
            target.values.push_back(static_cast<uint8_t>(rng() % (sparse ? 8 : 3) == 0 ? 2
                                                                                      : rng() % 2));
        const bool xorNodes = trial % 2 == 0;
        const std::optional<BoundCircuit> c = ConstructCircuit(target, xorNodes, true);
        ASSERT_TRUE(c.has_value());
        ASSERT_EQ(c->outputs.size(), target.outputs);
        std::set<uint32_t> read;
        for (size_t t = 0; t < c->nodes.size(); ++t) {
            const BoundCircuit::Node& nd = c->nodes[t];
            const uint32_t signal = c->k + 1 + static_cast<uint32_t>(t);
            EXPECT_LT(nd.a, nd.b);
            EXPECT_LT(nd.b, signal);
            EXPECT_NE(nd.a, 0u); // constants are folded away
            const int ones = __builtin_popcount(nd.table);
            const bool isXor = nd.table == 6 || nd.table == 9;
            EXPECT_TRUE(ones == 1 || (xorNodes && isXor)) << nd.table;
            read.insert(nd.a);
            read.insert(nd.b);
        }
        for (const BoundCircuit::Output& o : c->outputs)
            read.insert(o.driver);
        for (size_t t = 0; t < c->nodes.size(); ++t)
            EXPECT_TRUE(read.count(c->k + 1 + static_cast<uint32_t>(t))) << "node " << t;
        for (uint32_t r = 0; r < rows; ++r) {
            const std::vector<uint32_t> v = simulate(*c, r);
            for (uint32_t o = 0; o < target.outputs; ++o) {
                const uint8_t want = target.values[r * target.outputs + o];
                if (want == 2) continue;
                const BoundCircuit::Output& out = c->outputs[o];
                EXPECT_EQ(v[out.driver] ^ (out.inverted ? 1u : 0u), want)
                    << "trial " << trial << " row " << r << " output " << o;
            }
        }
    }
}

// Known shapes: a shared subfunction is built once, exclusive-ors are used where they may
// be, a constant output needs the constant, and too many inputs are declined.
TEST(Construction, SharingExclusiveOrsConstantsAndLimits) {
    ConstructionTarget parity;
    parity.k = 4;
    parity.outputs = 2; // the parity of four inputs, and its complement
    for (uint32_t r = 0; r < 16; ++r) {
        const uint8_t p = static_cast<uint8_t>(__builtin_popcount(r) & 1);
        parity.values.push_back(p);
        parity.values.push_back(static_cast<uint8_t>(p ^ 1));
    }
    const std::optional<BoundCircuit> withXor = ConstructCircuit(parity, true, true);
    ASSERT_TRUE(withXor);
    EXPECT_EQ(withXor->nodes.size(), 3u);
    EXPECT_EQ(withXor->outputs[0].driver, withXor->outputs[1].driver);
    // A balanced tree, not a chain: both operands of the last node are nodes.
    const BoundCircuit::Node& last = withXor->nodes.back();
    EXPECT_GT(last.a, parity.k);
    const std::optional<BoundCircuit> ands = ConstructCircuit(parity, false, true);
    ASSERT_TRUE(ands);
    EXPECT_LE(ands->nodes.size(), 9u); // three exclusive-ors of three ANDs each

    ConstructionTarget constant;
    constant.k = 2;
    constant.outputs = 1;
    constant.values = {1, 2, 1, 1};
    EXPECT_FALSE(ConstructCircuit(constant, false, false));
    const std::optional<BoundCircuit> one = ConstructCircuit(constant, false, true);
    ASSERT_TRUE(one);
    EXPECT_TRUE(one->nodes.empty());
    EXPECT_EQ(one->outputs[0].driver, 0u);
    EXPECT_TRUE(one->outputs[0].inverted);

    ConstructionTarget wide;
    wide.k = kMaxConstructionInputs + 1;
    wide.outputs = 1;
    wide.values.assign(size_t{1} << wide.k, 0);
    EXPECT_FALSE(ConstructCircuit(wide, true, true));
}

} // namespace
