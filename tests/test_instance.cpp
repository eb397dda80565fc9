// The classic instance and what the search adds to it: whole files of every option family,
// node permutations and blocking clauses, the function-select variables, the gate costs. Whether
// the instances have the right optima is checked against the lower-bound engine (test_fastbound)
// and end to end.
#include "tests/support/ModelFixture.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <set>
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
        h.e.Clauses().SaveCNF("inst.cnf");
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
    pbo.e.Clauses().SavePBO("inst.opb", pbo.e.PBO_OptCrit());
    EXPECT_EQ(readFile("inst.opb"), golden("k1_n2_lib867_costs123.opb"));
}

// With one output the last node stays (n = 2 permutes one node); a single node driving
// the single output gives one placeholder entry, never read; a single node with several
// outputs maps to itself; no nodes give the empty relabelling, so that a solution can
// still be blocked. (The permutations of 3 and 2 nodes with one and two outputs, and of no
// nodes with one output, are the clause order of the relabelling table below.)
TEST(Blocking, NodePermutationsInTheirOrder) {
    using PermList = std::list<std::vector<uint32_t>>;
    struct Case {
        uint32_t n, m;
        PermList expected;
    };
    const Case cases[] = {
        {3, 2, {{1, 2, 3}, {1, 3, 2}, {2, 1, 3}, {3, 1, 2}, {2, 3, 1}, {3, 2, 1}}},
        {2, 1, {{1}}},
        {1, 1, {{0xFFFFFFFFu}}},
        {1, 3, {{1}}},
        {0, 3, {std::vector<uint32_t>{}}}};
    const auto engine = [](uint32_t n, uint32_t m) {
        auto e = std::make_unique<SAT_CircGen>(Hand::problemOf(
            Hand::makeTarget(1, 1, std::vector<uint64_t>(m, 0x2), {}), "8", "", 0));
        e->set_n(n);
        return e;
    };
    for (const Case& c : cases)
        EXPECT_EQ(*engine(c.n, c.m)->Gen_Permutations(), c.expected)
            << "n=" << c.n << " m=" << c.m;
    const auto e = engine(3, 2); // the verbose listing of the first case
    std::ostringstream listing;
    e->ShowPerms(e->Gen_Permutations().get(), listing);
    EXPECT_EQ(listing.str(), "123\n132\n213\n312\n231\n321\n\n");
}

// Variables that only a difference in topology does not count: inversions, polymorphic edges.
bool inversionOrPoly(const std::string& name) {
    return name[0] == 'N' || name[0] == 'P' || name.rfind("ON", 0) == 0 || name.rfind("OP", 0) == 0;
}

// The negation of a solution over every structural variable but a node feeding itself;
// with different topologies only, without the inversions and polymorphic edges.
NamedClause negation(const SoPLA& clauses, const Names& solution, bool diffTopology) {
    NamedClause clause;
    for (const std::string& name : clauses.getINames()) {
        const size_t u = name.find('_'), v = name.find('_', u + 1);
        const bool selfLoop =
            name[0] == 'C' && name.substr(1, u - 1) == name.substr(u + 1, v - u - 1);
        if (name.find('#') == std::string::npos && !selfLoop &&
            !(diffTopology && inversionOrPoly(name)))
            clause[name] = solution.count(name) ? Lit_0 : Lit_1;
    }
    return clause;
}

// The solution with one variable exchanged for another.
Names with(Names s, const std::string& out, const std::string& in) {
    s.erase(out);
    s.insert(in);
    return s;
}

// One clause per node permutation that keeps every edge forward (the identity last), each
// excluding the relabelled solution, with the ports of a symmetric node put back in source
// order and its inversions and polymorphic edges going with its ports; the identity's clause
// is the solution's negation. A symmetric node reading one signal on both ports is the same
// node with its port properties exchanged: that copy is excluded too (not with different
// topologies, where they do not count). Without a solution there is nothing to exclude.
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
    const std::vector<Names> polyBlocked = {polyTwin, with(polyTwin, "P3_0", "P3_1")};
    const Case cases[] = {
        {"3 nodes", {0x8}, "8", 3, 0, false, three, threeBlocked},
        {"3 nodes, topologies", {0x8}, "8", 3, 0, true, three, {swapped, three}},
        {"asymmetric node", {0x8}, "82", 3, 0, false, threeAsym, asymBlocked},
        {"backward edge", {0x8}, "8", 3, 0, false, chain, {chain}},
        {"two outputs", {0x8, 0x6}, "86", 2, kConst, false, twoOut, {twoOutSwapped, twoOut}},
        {"one node, two outputs", {0x8, 0x7}, "8", 1, 0, false, single, {single}},
        {"no nodes", {0x5}, "8", 0, 0, false, {"O0_2"}, {{"O0_2"}}},
        {"polymorphic twin", {0x0}, "8", 1, kPoly, false, polyTwin, polyBlocked}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Hand h(2, c.tables, c.library, c.n, c.flags | (c.diffTopology ? kDiffTopology : 0));
        h.setModel(c.solution);
        const auto added = h.added([&] { h.e.Constrain(); });
        ASSERT_EQ(added.size(), c.blocked.size());
        for (size_t x = 0; x < added.size(); ++x) {
            EXPECT_FALSE(satisfiedBy(added[x], c.blocked[x])) << "clause " << x;
            if (c.blocked[x] != c.solution) {
                EXPECT_TRUE(satisfiedBy(added[x], c.solution)) << "clause " << x;
            } else {
                EXPECT_EQ(added[x], negation(h.e.Clauses(), c.solution, c.diffTopology));
            }
            for (const auto& lit : added[x])
                EXPECT_FALSE(c.diffTopology && inversionOrPoly(lit.first)) << lit.first;
        }
    }
    Hand none(2, {0x8}, "8", 1);
    EXPECT_THROW(none.e.Constrain(), InternalError);
}

// Function-select variables come last, node by node (their clauses and the objective are
// in the optimizer's instance file above), made once. What only a damaged engine state
// reaches: an objective without select variables, the cost of no model, the variable map
// of no instance; the error kinds' texts.
TEST(Engine, SelectVariablesObjectiveAndCost) {
    Hand h(2, {0x8}, "862", 2, 0, "123");
    EXPECT_EQ(messageOf([&] { h.e.PBO_OptCrit(); }), rt("PBO_OptCrit: variable not found"));
    const uint32_t width = h.e.Clauses().getInputs();
    h.e.Add_FH();
    ASSERT_EQ(h.e.Clauses().getInputs(), width + 6);
    EXPECT_EQ(h.e.Clauses().getIName(width), "FH3_0");
    EXPECT_EQ(h.e.Clauses().getIName(width + 5), "FH4_2");
    EXPECT_THROW(h.e.Add_FH(), InternalError);
    SoPLA empty;
    EXPECT_THROW(h.e.ComputeCost(&empty, 1), InternalError);
    SAT_CircGen fresh(smallProblem());
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
    const std::string length = rt("-gatecosts and -nodefuncts must be of equal size");
    const std::string zero = rt("the gate costs 10 hold a zero cost; every gate costs at least 1");
    const auto invalid = [](const std::string& costs) {
        return rt("the gate costs " + costs + " have a character that is no cost digit (1-9, A-F)");
    };
    const Case cases[] = {
        {3, "121", {1, 2, 1}, ""}, {2, "33", {3, 3}, ""},  {4, "1Aaf", {1, 10, 10, 15}, ""},
        {2, "F9", {15, 9}, ""},    {0, "12", {1, 2}, ""},  {3, "11", {}, length},
        {2, "10", {}, zero},       {2, "1g", {}, invalid("1g")}, {2, "1G", {}, invalid("1G")},
        {2, "1 ", {}, invalid("1 ")},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> costs;
        EXPECT_EQ(messageOf([&] { costs = Library::ParseCosts(c.digits, c.functions); }), c.error)
            << c.digits;
        if (!c.error.empty()) continue;
        EXPECT_EQ(costs, c.costs) << c.digits;
        const Library library(std::string(costs.size(), '8'), c.digits);
        EXPECT_EQ(library.Costs(), c.costs) << c.digits;
        const auto [min, max] = std::minmax_element(c.costs.begin(), c.costs.end());
        EXPECT_EQ(library.MaxCost(), *max) << c.digits;
        EXPECT_EQ(library.MinCost(), *min) << c.digits;
        EXPECT_EQ(library.CostsDiffer(), *min != *max) << c.digits;
    }
    EXPECT_EQ(Library("86").Costs(), (std::vector<uint32_t>{1, 1})); // no costs: 1 each
}

// Another node count drops the instance and every model.
TEST(Engine, ChangingTheNodeCountDropsTheInstanceAndTheModels) {
    for (int which = 0; which < 2; ++which) {
        Hand h(2, {0x8}, "8", 1);
        h.setModel({"C1_3_0"});
        EngineAccess::solutions(h.e).push_back(EngineAccess::model(h.e));
        which == 0 ? h.e.set_n(7) : h.e.clean();
        EXPECT_TRUE(h.e.Clauses().empty() && h.e.Clauses().getInputs() == 0) << which;
        EXPECT_TRUE(!h.e.Solution() && EngineAccess::solutions(h.e).empty()) << which;
    }
}

} // namespace
