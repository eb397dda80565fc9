// Node permutations, blocking clauses for found solutions and the function-select
// variables of the synthesis engine.
#include "tests/support/ModelFixture.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <list>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using PermList = std::list<std::vector<uint32_t>>;

std::string s(uint32_t v) {
    return std::to_string(v);
}

using testsupport::Hand;
using testsupport::satisfiedBy;

bool isStructural(const std::string& name) {
    return name.find('#') == std::string::npos;
}

TEST(GenPermutations, ListOrderAndSmallCases) {
    struct Case {
        uint32_t n, m;
        PermList expected;
    };
    const Case cases[] = {
        {3, 2, {{1, 2, 3}, {1, 3, 2}, {2, 1, 3}, {3, 1, 2}, {2, 3, 1}, {3, 2, 1}}},
        {2, 2, {{2, 1}, {1, 2}}},
        // With one output the last node stays: n = 3 permutes two nodes, n = 2 one.
        {3, 1, {{2, 1}, {1, 2}}},
        {2, 1, {{1}}},
        // A single node driving the single output: one placeholder entry, never read.
        {1, 1, {{0xFFFFFFFFu}}},
        // A single node with several outputs maps to itself.
        {1, 3, {{1}}},
        // No nodes: the empty relabelling, so that a solution can still be blocked.
        {0, 3, {std::vector<uint32_t>{}}},
        {0, 1, {std::vector<uint32_t>{}}},
    };
    for (const Case& c : cases) {
        SAT_CircGen e;
        e.n = c.n;
        e.m = c.m;
        EXPECT_EQ(*e.Gen_Permutations(), c.expected) << "n=" << c.n << " m=" << c.m;
    }
    SAT_CircGen e;
    e.n = 5;
    e.m = 2;
    const auto perms = e.Gen_Permutations();
    EXPECT_EQ(perms->size(), 120u);
    EXPECT_EQ(std::set<std::vector<uint32_t>>(perms->begin(), perms->end()).size(), 120u);
    for (const auto& p : *perms)
        EXPECT_TRUE(
            std::is_permutation(p.begin(), p.end(), std::vector<uint32_t>{1, 2, 3, 4, 5}.begin()));
}

TEST(PermIt, MapsNodesAndKeepsInputsAndLastNode) {
    SAT_CircGen e;
    e.k = 2;
    e.n = 3;
    e.m = 1;
    const PermList perms = {{2, 1}};
    const std::vector<uint32_t> expected = {0, 1, 2, 4, 3, 5};
    for (uint32_t sig = 0; sig <= 5; ++sig)
        EXPECT_EQ(e.perm_it(sig, perms.cbegin()), expected[sig]);

    // With two outputs every node moves, the last one included.
    e.m = 2;
    const PermList three = {{3, 1, 2}};
    EXPECT_EQ(e.perm_it(3, three.cbegin()), 5u);
    EXPECT_EQ(e.perm_it(4, three.cbegin()), 3u);
    EXPECT_EQ(e.perm_it(5, three.cbegin()), 4u);
    EXPECT_EQ(e.perm_it(2, three.cbegin()), 2u);
}

TEST(ShowPerms, PrintsOnePermutationPerLineAndABlankLine) {
    SAT_CircGen e;
    e.n = 3;
    e.m = 2;
    const auto perms = e.Gen_Permutations();
    std::ostringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    e.ShowPerms(perms.get());
    std::cout.rdbuf(old);
    EXPECT_EQ(captured.str(), "123\n132\n213\n312\n231\n321\n\n");
}

// k = 2, n = 2, m = 1, AND and XOR: node 3 = XOR(x1, x2) with port 1 inverted and a
// polymorphic port, node 4 = AND(node 3, x1) drives the inverted output.
std::set<std::string> twoNodeSolution() {
    return {"C1_3_0", "C2_3_1", "N3_1", "P3_0", "F3_0", "C1_4_0", "C3_4_1", "O0_4", "ON0", "OP0"};
}

TEST(Constrain, TwoNodesOneOutputBlocksExactlyTheSolution) {
    for (bool diffTopology : {false, true}) {
        SCOPED_TRACE(diffTopology ? "diffTopology" : "all solutions");
        Hand st(2, {0x8}, "86", 2, true);
        st.e.set_difftopology(diffTopology);
        const std::set<std::string> sol = twoNodeSolution();
        st.setModel(sol);
        const auto added = st.added([&] { st.e.Constrain(); });
        ASSERT_EQ(added.size(), 1u);
        const auto& clause = added[0];

        // The negation of the solution over every structural variable the clause covers.
        testsupport::NamedClause expected;
        for (const auto& name : st.e.clauses.getINames()) {
            if (!isStructural(name)) continue;
            if (name == "C3_3_0" || name == "C3_3_1") continue; // a node feeding itself
            const char kind = name[0];
            const bool topologyOnly =
                name.rfind("ON", 0) == 0 || name.rfind("OP", 0) == 0 || kind == 'N' || kind == 'P';
            if (diffTopology && topologyOnly) continue;
            expected[name] = sol.count(name) ? Lit_0 : Lit_1;
        }
        EXPECT_EQ(clause, expected);
        EXPECT_FALSE(satisfiedBy(clause, sol));
    }
}

// k = 2, n = 3, m = 1, AND only (codeBits 0): node 3 reads x1 and x2, node 4 reads x2 on
// both ports, node 5 reads node 3 on port 0 and node 4 on port 1 and drives the output.
std::set<std::string> threeNodeSolution() {
    return {"C1_3_0", "C2_3_1", "C2_4_0", "C2_4_1", "N4_0", "C3_5_0", "C4_5_1", "N5_0", "O0_5"};
}

TEST(Constrain, SwappedNodesKeepTheSmallerSourceOnPortZero) {
    for (bool diffTopology : {false, true}) {
        SCOPED_TRACE(diffTopology ? "diffTopology" : "all solutions");
        Hand st(2, {0x8}, "8", 3, false);
        st.e.set_difftopology(diffTopology);
        const std::set<std::string> sol = threeNodeSolution();
        st.setModel(sol);
        const auto added = st.added([&] { st.e.Constrain(); });
        // Permutations {2,1} (nodes 3 and 4 exchanged) and {1,2}, in that order. Node 4 reads
        // x2 on both ports, one of them inverted: each permutation also blocks the copy with
        // that node's port inversions exchanged, the same circuit (not with diffTopology,
        // where inversions are not told apart anyway).
        ASSERT_EQ(added.size(), diffTopology ? 2u : 4u);
        const auto& swapped = added[0];
        const auto& identity = added[diffTopology ? 1 : 2];
        if (!diffTopology) {
            EXPECT_EQ(added[1].at("N3_0"), Lit_1);
            EXPECT_EQ(added[1].at("N3_1"), Lit_0);
            EXPECT_EQ(added[3].at("N4_0"), Lit_1);
            EXPECT_EQ(added[3].at("N4_1"), Lit_0);
            std::set<std::string> twin = sol;
            twin.erase("N4_0");
            twin.insert("N4_1");
            EXPECT_FALSE(satisfiedBy(added[3], twin));
        }

        // Node 5's ports were put back in order: its sources read 3 then 4 again.
        EXPECT_EQ(swapped.at("C3_5_0"), Lit_0);
        EXPECT_EQ(swapped.at("C4_5_1"), Lit_0);
        EXPECT_EQ(swapped.at("C4_5_0"), Lit_1);
        EXPECT_EQ(swapped.at("C3_5_1"), Lit_1);
        // The relabelled inputs of nodes 3 and 4 trade places.
        EXPECT_EQ(swapped.at("C1_4_0"), Lit_0);
        EXPECT_EQ(swapped.at("C2_3_0"), Lit_0);
        EXPECT_EQ(swapped.at("C1_3_0"), Lit_1);
        if (!diffTopology) {
            // N4_0 moved to node 3, and node 5's inversions follow its swapped ports.
            EXPECT_EQ(swapped.at("N3_0"), Lit_0);
            EXPECT_EQ(swapped.at("N4_0"), Lit_1);
            EXPECT_EQ(swapped.at("N5_0"), Lit_1);
            EXPECT_EQ(swapped.at("N5_1"), Lit_0);
            EXPECT_EQ(identity.at("N5_0"), Lit_0);
            EXPECT_EQ(identity.at("N5_1"), Lit_1);
        } else {
            EXPECT_EQ(swapped.count("N5_0"), 0u);
            EXPECT_EQ(swapped.count("N3_0"), 0u);
        }

        // The relabelled copy, with node 5's ports and inversions swapped, is blocked.
        std::set<std::string> copy = {"C1_4_0", "C2_4_1", "C2_3_0", "C2_3_1", "N3_0",
                                      "C3_5_0", "C4_5_1", "N5_1",   "O0_5"};
        EXPECT_FALSE(satisfiedBy(swapped, copy));
        EXPECT_TRUE(satisfiedBy(swapped, sol));
        EXPECT_FALSE(satisfiedBy(identity, sol));
    }
}

TEST(Constrain, NonSymmetricFunctionKeepsThePortsAsRelabelled) {
    // Library {AND, b-and-not-a}: node 5 carries function 1, which is not symmetric.
    Hand st(2, {0x8}, "82", 3, false);
    std::set<std::string> sol = threeNodeSolution();
    sol.insert("F5_0");
    st.setModel(sol);
    const auto added = st.added([&] { st.e.Constrain(); });
    ASSERT_EQ(added.size(), 4u); // two permutations, each with node 4's twin copy
    EXPECT_EQ(added[0].at("C4_5_0"), Lit_0);
    EXPECT_EQ(added[0].at("C3_5_1"), Lit_0);
    EXPECT_EQ(added[0].at("C3_5_0"), Lit_1);
    EXPECT_EQ(added[0].at("F5_0"), Lit_0);
}

TEST(Constrain, PermutationFeedingANodeFromALaterNodeGivesNoClause) {
    // Node 4 reads node 3; exchanging them would feed node 3 from node 4.
    Hand st(2, {0x8}, "8", 3, false);
    st.setModel({"C1_3_0", "C2_3_1", "C1_4_0", "C3_4_1", "C2_5_0", "C4_5_1", "O0_5"});
    const auto added = st.added([&] { st.e.Constrain(); });
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].at("C3_4_1"), Lit_0); // the identity
}

TEST(Constrain, TwoOutputsPermuteEveryNodeAndTheOutputSelection) {
    // k = 2, n = 2, m = 2: node 3 drives output 0, node 4 output 1; both read the inputs.
    Hand st(2, {0x8, 0x6}, "86", 2, true);
    const std::set<std::string> sol = {"C1_3_0", "C2_3_1", "C1_4_0", "C2_4_1",
                                       "F4_0",   "O0_3",   "O1_4"};
    st.setModel(sol);
    const auto added = st.added([&] { st.e.Constrain(); });
    ASSERT_EQ(added.size(), 2u); // {2,1} then {1,2}
    const auto& swapped = added[0];
    EXPECT_EQ(swapped.at("O0_4"), Lit_0);
    EXPECT_EQ(swapped.at("O1_3"), Lit_0);
    EXPECT_EQ(swapped.at("O0_3"), Lit_1);
    EXPECT_EQ(swapped.at("F3_0"), Lit_0);
    EXPECT_EQ(swapped.at("F4_0"), Lit_1);
    const std::set<std::string> relabelled = {"C1_4_0", "C2_4_1", "C1_3_0", "C2_3_1",
                                              "F3_0",   "O0_4",   "O1_3"};
    EXPECT_FALSE(satisfiedBy(swapped, relabelled));
    EXPECT_FALSE(satisfiedBy(added[1], sol));
}

TEST(Constrain, SingleNodeWithTwoOutputsAndNoNodes) {
    {
        Hand st(2, {0x8, 0x7}, "8", 1, false);
        const std::set<std::string> sol = {"C1_3_0", "C2_3_1", "O0_3", "O1_3", "ON1"};
        st.setModel(sol);
        const auto added = st.added([&] { st.e.Constrain(); });
        ASSERT_EQ(added.size(), 1u);
        EXPECT_FALSE(satisfiedBy(added[0], sol));
        EXPECT_EQ(added[0].at("O0_3"), Lit_0);
    }
    {
        // n = 0: the output copies input 2; the clause blocks that choice.
        Hand st(2, {0x5}, "8", 0, false);
        const std::set<std::string> sol = {"O0_2"};
        st.setModel(sol);
        const auto added = st.added([&] { st.e.Constrain(); });
        ASSERT_EQ(added.size(), 1u);
        EXPECT_EQ(added[0].at("O0_2"), Lit_0);
        EXPECT_EQ(added[0].at("O0_1"), Lit_1);
        EXPECT_FALSE(satisfiedBy(added[0], sol));
    }
}

TEST(Constrain, RequiresAModel) {
    Hand st(2, {0x8}, "8", 1, false);
    EXPECT_THROW(st.e.Constrain(), InternalError);
}

TEST(AddFH, ThreeFunctionsGiveNineClausesOfThreeLiteralsPerNode) {
    Hand st(2, {0x8}, "862", 2, false);
    const uint32_t width = st.e.clauses.getInputs();
    const auto added = st.added([&] { st.e.Add_FH(); });
    // The variables come last, node by node.
    ASSERT_EQ(st.e.clauses.getInputs(), width + 6);
    const std::vector<std::string> names = {"FH3_0", "FH3_1", "FH3_2", "FH4_0", "FH4_1", "FH4_2"};
    for (uint32_t x = 0; x < 6; ++x)
        EXPECT_EQ(st.e.clauses.getIName(width + x), names[x]);
    ASSERT_EQ(added.size(), 18u);
    for (const auto& c : added)
        EXPECT_EQ(c.size(), 3u);
    // Node 3, function 2 (code "10"), t2 = 0 and t2 = 2.
    const testsupport::NamedClause c6 = {{"F3_0", Lit_0}, {"F3_1", Lit_1}, {"FH3_0", Lit_0}};
    const testsupport::NamedClause c8 = {{"F3_0", Lit_0}, {"F3_1", Lit_1}, {"FH3_2", Lit_1}};
    EXPECT_EQ(added[6], c6);
    EXPECT_EQ(added[8], c8);

    // Each library code selects exactly its own FH variable.
    for (uint32_t t = 0; t < 3; ++t) {
        std::set<std::string> assignment;
        if (t & 2u) assignment.insert("F3_0");
        if (t & 1u) assignment.insert("F3_1");
        std::set<std::string> good = assignment;
        good.insert("FH3_" + s(t));
        for (size_t c = 0; c < 9; ++c)
            EXPECT_TRUE(satisfiedBy(added[c], good));
        for (uint32_t t2 = 0; t2 < 3; ++t2) {
            std::set<std::string> wrong = good;
            if (t2 == t)
                wrong.erase("FH3_" + s(t2));
            else
                wrong.insert("FH3_" + s(t2));
            bool violated = false;
            for (size_t c = 0; c < 9; ++c)
                violated |= !satisfiedBy(added[c], wrong);
            EXPECT_TRUE(violated) << "t=" << t << " t2=" << t2;
        }
    }
}

TEST(AddFH, OneFunctionGivesOneUnitClausePerNode) {
    Hand st(2, {0x8}, "8", 3, false);
    const auto added = st.added([&] { st.e.Add_FH(); });
    ASSERT_EQ(added.size(), 3u);
    for (uint32_t x = 0; x < 3; ++x) {
        const testsupport::NamedClause unit = {{"FH" + s(3 + x) + "_0", Lit_1}};
        EXPECT_EQ(added[x], unit);
    }
}

} // namespace
