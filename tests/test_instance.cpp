// The classic instance and what the search adds to it: whole files of every option family,
// the variable count of every family, node permutations and blocking clauses, the
// function-select clauses, the gate costs. Whether the instances have the right optima is
// checked against the lower-bound engine (test_fastbound) and end to end.
#include "tests/support/ModelFixture.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <list>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace testsupport;
using Names = std::set<std::string>;

std::string golden(const std::string& name) {
    return readFile(std::string(QUILLON_SOURCE_DIR) + "/tests/data/encode/" + name);
}

// The instance files byte for byte. Those of one node were derived by hand; the others
// were written once and checked rule by rule: two nodes, two outputs and a don't-care row
// (ordered sources, used nodes, signals that feed no node, no target clause at the don't
// care), and the optimizer's instance (function-select clauses, a cost bound, the
// objective).
TEST(Instance, WholeFilesOfEveryOptionFamily) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    const auto cnf = [](Hand& h) {
        h.e.clauses.SaveCNF("inst.cnf");
        return readFile("inst.cnf");
    };
    Hand andNoConst(1, {0x2}, "8", 1); // f(x) = x
    EXPECT_EQ(cnf(andNoConst), golden("k1_n1_and_noconst.cnf"));
    Hand lib629(1, {0x1}, "629", 1, kConst | kNoInv); // not x
    EXPECT_EQ(cnf(lib629), golden("k1_n1_lib629_const_noinv.cnf"));
    Hand poly(0, {0x2}, "8", 1, kConst | kPoly); // the output is the control input
    EXPECT_EQ(cnf(poly), golden("k0_n1_and_poly.cnf"));
    Hand two(2, {0x6, 0x8}, "86", 2, kConst, "", {0x0, 0x1});
    EXPECT_EQ(cnf(two), golden("k2_n2_m2_dc_lib86.cnf"));

    Hand pbo(1, {0x1}, "867", 2, kConst, "123");
    pbo.e.Add_FH();
    pbo.e.ConstrainCost(2);
    pbo.e.clauses.SavePBO("inst.opb", pbo.e.PBO_OptCrit());
    EXPECT_EQ(readFile("inst.opb"), golden("k1_n2_lib867_costs123.opb"));
}

// Structural variables m(k+n+1) + 4n + 2c + n*codeBits + 2m (c: the source-node pairs),
// then per row k + 7n + 3m + 2.
TEST(Instance, VariableCountOfEveryFamily) {
    for (const std::string lib : {"8", "86", "86E", "86E1B"}) {
        SAT_CircGen e;
        e.route = SAT_CircGen::SolverRoute::Embedded;
        e.DeriveFunctions(lib);
        const uint32_t nf = static_cast<uint32_t>(lib.size());
        const uint32_t nb = nf == 1 ? 0 : nf == 2 ? 1 : nf <= 4 ? 2 : 3;
        for (uint32_t k : {0u, 1u, 2u, 3u})
            for (uint32_t n : {0u, 1u, 2u, 3u})
                for (int flags = 0; flags < 4; ++flags) {
                    const bool poly = flags & 1, constants = flags & 2;
                    auto target = makeTarget(k, {6}, poly);
                    e.set_polyedges(poly);
                    e.set_PLA(target.get());
                    e.n = n;
                    e.set_const(constants);
                    e.Generate_SAT();
                    uint32_t c = 0;
                    for (uint32_t j = constants ? 0 : 1; j + 1 <= k + n; ++j)
                        c += k + n - std::max(k + 1, j) + 1;
                    const uint32_t structural = (k + n + 1) + 4 * n + 2 * c + n * nb + 2;
                    const uint32_t rows = 1u << (poly ? k + 1 : k);
                    EXPECT_EQ(e.clauses.getInputs(), structural + rows * (k + 7 * n + 5))
                        << "k=" << k << " n=" << n << " lib=" << lib << " flags=" << flags;
                }
    }
}

TEST(Blocking, NodePermutationsInTheirOrder) {
    using PermList = std::list<std::vector<uint32_t>>;
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
    e.n = 3;
    e.m = 2;
    std::ostringstream shown;
    std::streambuf* old = std::cout.rdbuf(shown.rdbuf());
    e.ShowPerms(e.Gen_Permutations().get());
    std::cout.rdbuf(old);
    EXPECT_EQ(shown.str(), "123\n132\n213\n312\n231\n321\n\n");
}

bool isStructural(const std::string& name) {
    return name.find('#') == std::string::npos;
}

// k = 2, n = 2, AND and XOR: node 3 = XOR(x1, x2) with port 1 inverted and a polymorphic
// port, node 4 = AND(node 3, x1) drives the inverted output. The clause is the negation of
// the solution over every structural variable but a node feeding itself; with different
// topologies only, without the inversions and polymorphic edges.
TEST(Blocking, ClauseNegatesTheSolutionOverTheStructure) {
    const Names sol = {"C1_3_0", "C2_3_1", "N3_1", "P3_0", "F3_0",
                       "C1_4_0", "C3_4_1", "O0_4", "ON0",  "OP0"};
    for (bool diffTopology : {false, true}) {
        Hand h(2, {0x8}, "86", 2, kConst);
        h.e.set_difftopology(diffTopology);
        h.setModel(sol);
        const auto added = h.added([&] { h.e.Constrain(); });
        ASSERT_EQ(added.size(), 1u);
        NamedClause expected;
        for (const auto& name : h.e.clauses.getINames()) {
            if (!isStructural(name) || name.rfind("C3_3_", 0) == 0) continue;
            const bool topologyOnly = name.rfind("ON", 0) == 0 || name.rfind("OP", 0) == 0 ||
                                      name[0] == 'N' || name[0] == 'P';
            if (diffTopology && topologyOnly) continue;
            expected[name] = sol.count(name) ? Lit_0 : Lit_1;
        }
        EXPECT_EQ(added[0], expected) << diffTopology;
    }
    Hand none(2, {0x8}, "8", 1);
    EXPECT_THROW(none.e.Constrain(), InternalError);
}

// The solution with one variable exchanged for another.
Names with(Names s, const std::string& out, const std::string& in) {
    s.erase(out);
    s.insert(in);
    return s;
}

// One clause per node permutation that keeps every edge forward (the identity last), each
// excluding the relabelled solution, with the ports of a symmetric node put back in source
// order and its inversions and polymorphic edges going with its ports. A symmetric node
// reading one signal on both ports is the same node with its port properties exchanged:
// that copy is excluded too (not with different topologies, where they do not count).
TEST(Blocking, EveryRelabellingOfTheSolutionIsExcluded) {
    // k = 2, n = 3, AND only: node 3 reads x1 and x2, node 4 reads x2 on both ports, node 5
    // reads node 3 on port 0 and node 4 on port 1 and drives the output.
    const Names three = {"C1_3_0", "C2_3_1", "C2_4_0", "C2_4_1", "N4_0",
                         "C3_5_0", "C4_5_1", "N5_0",   "O0_5"};
    // Nodes 3 and 4 exchanged: node 5's ports swapped back, its inversion with them.
    const Names swapped = {"C1_4_0", "C2_4_1", "C2_3_0", "C2_3_1", "N3_0",
                           "C3_5_0", "C4_5_1", "N5_1",   "O0_5"};
    // Node 5 of function 1 ("b and not a", not symmetric) keeps its ports as relabelled.
    Names asym = {"C1_4_0", "C2_4_1", "C2_3_0", "C2_3_1", "N3_0",
                  "C4_5_0", "C3_5_1", "N5_0",   "O0_5",   "F5_0"};
    Names threeAsym = three;
    threeAsym.insert("F5_0");
    // Node 4 reads node 3: exchanging them would feed node 3 from node 4.
    const Names chain = {"C1_3_0", "C2_3_1", "C1_4_0", "C3_4_1", "C2_5_0", "C4_5_1", "O0_5"};
    // n = 2, m = 2: node 3 drives y0, node 4 (XOR) drives y1.
    const Names twoOut = {"C1_3_0", "C2_3_1", "C1_4_0", "C2_4_1", "F4_0", "O0_3", "O1_4"};
    const Names twoOutSwapped = {"C1_4_0", "C2_4_1", "C1_3_0", "C2_3_1", "F3_0", "O0_4", "O1_3"};
    const Names single = {"C1_3_0", "C2_3_1", "O0_3", "O1_3", "ON1"};
    // A node reading x0 on both ports, one of them polymorphic.
    const Names polyTwin = {"C1_3_0", "C1_3_1", "P3_0", "O0_3"};

    struct Case {
        const char* what;
        std::vector<uint64_t> tables;
        const char* library;
        uint32_t n;
        int flags;
        bool diffTopology;
        Names solution;
        std::vector<Names> blocked; // per clause, in order
    };
    const std::vector<Names> threeBlocked = {swapped, with(swapped, "N3_0", "N3_1"), three,
                                             with(three, "N4_0", "N4_1")};
    const std::vector<Names> asymBlocked = {asym, with(asym, "N3_0", "N3_1"), threeAsym,
                                            with(threeAsym, "N4_0", "N4_1")};
    const Case cases[] = {
        {"3 nodes", {0x8}, "8", 3, 0, false, three, threeBlocked},
        {"3 nodes, topologies", {0x8}, "8", 3, 0, true, three, {swapped, three}},
        {"asymmetric node", {0x8}, "82", 3, 0, false, threeAsym, asymBlocked},
        {"backward edge", {0x8}, "8", 3, 0, false, chain, {chain}},
        {"two outputs", {0x8, 0x6}, "86", 2, kConst, false, twoOut, {twoOutSwapped, twoOut}},
        {"one node, two outputs", {0x8, 0x7}, "8", 1, 0, false, single, {single}},
        {"no nodes", {0x5}, "8", 0, 0, false, {"O0_2"}, {{"O0_2"}}},
        {"polymorphic twin",
         {0x0},
         "8",
         1,
         kPoly,
         false,
         polyTwin,
         {polyTwin, with(polyTwin, "P3_0", "P3_1")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Hand h(2, c.tables, c.library, c.n, c.flags);
        h.e.set_difftopology(c.diffTopology);
        h.setModel(c.solution);
        const auto added = h.added([&] { h.e.Constrain(); });
        ASSERT_EQ(added.size(), c.blocked.size());
        for (size_t x = 0; x < added.size(); ++x) {
            EXPECT_FALSE(satisfiedBy(added[x], c.blocked[x])) << "clause " << x;
            if (c.blocked[x] != c.solution) {
                EXPECT_TRUE(satisfiedBy(added[x], c.solution)) << "clause " << x;
            }
            for (const auto& [name, lit] : added[x])
                EXPECT_FALSE(c.diffTopology &&
                             (name[0] == 'N' || name[0] == 'P' || name.rfind("ON", 0) == 0 ||
                              name.rfind("OP", 0) == 0))
                    << name;
        }
    }
}

// Function-select variables come last, node by node, and each code selects exactly its own
// (their clauses' form is in the optimizer's instance file above).
TEST(Blocking, EachFunctionCodeSelectsItsOwnVariable) {
    Hand h(2, {0x8}, "862", 2);
    const uint32_t width = h.e.clauses.getInputs();
    const auto added = h.added([&] { h.e.Add_FH(); });
    ASSERT_EQ(h.e.clauses.getInputs(), width + 6);
    EXPECT_EQ(h.e.clauses.getIName(width), "FH3_0");
    EXPECT_EQ(h.e.clauses.getIName(width + 5), "FH4_2");
    ASSERT_EQ(added.size(), 18u);
    const auto holds = [&](const Names& assignment) {
        for (size_t c = 0; c < 9; ++c) // the clauses of node 3
            if (!satisfiedBy(added[c], assignment)) return false;
        return true;
    };
    for (uint32_t t = 0; t < 3; ++t) {
        Names code;
        if (t & 2u) code.insert("F3_0");
        if (t & 1u) code.insert("F3_1");
        for (uint32_t selected = 0; selected < 8; ++selected) {
            Names a = code;
            for (uint32_t t2 = 0; t2 < 3; ++t2)
                if ((selected >> t2) & 1u) a.insert("FH3_" + std::to_string(t2));
            EXPECT_EQ(holds(a), selected == (1u << t)) << "code " << t << " select " << selected;
        }
    }
    EXPECT_THROW(h.e.Add_FH(), InternalError);
}

// What only a damaged engine state reaches: an objective without select variables, the
// cost of no model, the variable map of no instance; the error kinds' texts.
TEST(Engine, ObjectiveAndCostNeedTheirVariablesAndAModel) {
    Hand h(2, {0x8}, "86", 1, 0, "12");
    EXPECT_EQ(messageOf([&] { h.e.PBO_OptCrit(); }), rt("PBO_OptCrit: variable not found"));
    SoPLA empty;
    EXPECT_THROW(h.e.ComputeCost(&empty, 1), InternalError);
    SAT_CircGen fresh;
    EXPECT_EQ(messageOf([&] { fresh.Vars(); }).rfind("internal error: ", 0), 0u);
    EXPECT_STREQ(static_cast<const std::exception&>(IOException("w")).what(), "I/O Exception: w");
}

// Cost digits are hexadecimal, A-F and a-f counting 10-15.
TEST(Engine, GateCostDigitsAndTheirErrors) {
    struct Case {
        size_t functions;
        const char* digits;
        std::vector<uint32_t> costs;
        std::string error;
    };
    const std::string length = rt("SAT_CircGen::set_GateCosts: the length of gates costs must "
                                  "be equal to the number of node functions");
    const std::string zero = rt("SAT_CircGen::set_GateCosts: zero cost not allowed");
    const std::string invalid = rt("SAT_CircGen::set_GateCosts: invalid cost");
    const Case cases[] = {
        {3, "121", {1, 2, 1}, ""}, {2, "33", {3, 3}, ""},  {4, "1Aaf", {1, 10, 10, 15}, ""},
        {2, "F9", {15, 9}, ""},    {0, "12", {1, 2}, ""},  {3, "11", {}, length},
        {2, "10", {}, zero},       {2, "1g", {}, invalid}, {2, "1G", {}, invalid},
        {2, "1 ", {}, invalid},
    };
    for (const Case& c : cases) {
        SAT_CircGen e;
        e.nodeFunctions.assign(c.functions, PLA());
        EXPECT_EQ(messageOf([&] { e.set_GateCosts(c.digits); }), c.error) << c.digits;
        if (!c.error.empty()) continue;
        EXPECT_EQ(e.gateCosts, c.costs) << c.digits;
        const auto [min, max] = std::minmax_element(c.costs.begin(), c.costs.end());
        EXPECT_EQ(e.maxGateCost, *max) << c.digits;
        EXPECT_EQ(e.minGateCost, *min) << c.digits;
        EXPECT_EQ(e.costsDiffer, *min != *max) << c.digits;
    }
}

// Another problem shape drops the instance and every model.
TEST(Engine, ChangingTheProblemDropsTheInstanceAndTheModels) {
    for (int which = 0; which < 3; ++which) {
        Hand h(2, {0x8}, "8", 1);
        h.setModel({"C1_3_0"});
        h.e.solutions.push_back(h.e.SAT_res);
        if (which == 0) h.e.set_k(5);
        if (which == 1) h.e.set_n(7);
        if (which == 2) h.e.set_PLA(h.target.get());
        EXPECT_TRUE(h.e.clauses.empty() && h.e.clauses.getInputs() == 0) << which;
        EXPECT_TRUE(!h.e.SAT_res && h.e.solutions.empty()) << which;
    }
}

} // namespace
