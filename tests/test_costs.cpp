// Gate-cost bounds, the pseudo-Boolean objective and the cost of a solution.
#include "tests/support/ModelFixture.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

using testsupport::Hand;
using testsupport::messageOf;
using testsupport::modelOver;
using testsupport::rt;
using testsupport::ScopedCwd;
using testsupport::TempDir;
using Clause = testsupport::NamedClause;

// An engine with gate costs and the instance for n nodes over a 2-input AND target.
struct Instance : Hand {
    Instance(const std::string& library, const std::string& costs, uint32_t n)
        : Hand(2, {0x8}, library, n, 0, costs) {}
};

TEST(ConstrainCost, BoundAtOrAboveTheHighestCostAddsNothing) {
    Instance in("867", "123", 2);
    EXPECT_TRUE(in.added([&] {
                      in.e.ConstrainCost(3);
                      in.e.ConstrainCost(7);
                  }).empty());
}

TEST(ConstrainCost, ExcludesTheExpensiveCodesNodeByNode) {
    {
        // "86" with costs "12", bound 1: function 1 (code "1") is forbidden on every node.
        Instance in("86", "12", 3);
        const uint32_t width = in.e.clauses.getInputs();
        const auto added = in.added([&] { in.e.ConstrainCost(1); });
        EXPECT_EQ(in.e.clauses.getInputs(), width);
        ASSERT_EQ(added.size(), 3u);
        EXPECT_EQ(added[0], (Clause{{"F3_0", Lit_0}}));
        EXPECT_EQ(added[1], (Clause{{"F4_0", Lit_0}}));
        EXPECT_EQ(added[2], (Clause{{"F5_0", Lit_0}}));
    }
    {
        // Three functions, costs 1, 2, 3, bound 1: codes "01" and "10" go, node by node.
        Instance in("867", "123", 3);
        const auto added = in.added([&] { in.e.ConstrainCost(1); });
        ASSERT_EQ(added.size(), 6u);
        EXPECT_EQ(added[0], (Clause{{"F3_0", Lit_1}, {"F3_1", Lit_0}}));
        EXPECT_EQ(added[1], (Clause{{"F3_0", Lit_0}, {"F3_1", Lit_1}}));
        EXPECT_EQ(added[4], (Clause{{"F5_0", Lit_1}, {"F5_1", Lit_0}}));
        EXPECT_EQ(added[5], (Clause{{"F5_0", Lit_0}, {"F5_1", Lit_1}}));
    }
}

TEST(ConstrainCost, SingleTooExpensiveFunctionGivesEmptyClauses) {
    Instance in("8", "3", 2);
    const uint32_t width = in.e.clauses.getInputs();
    const auto added = in.added([&] { in.e.ConstrainCost(2); });
    EXPECT_EQ(added, std::vector<Clause>(2)); // two clauses without literals
    EXPECT_EQ(std::prev(in.e.clauses.end())->size(), width);
    EXPECT_EQ(std::prev(in.e.clauses.end(), 2)->size(), width);
}

TEST(ConstrainCost, WithoutAnInstanceIsAnInternalError) {
    SAT_CircGen e;
    e.route = SAT_CircGen::SolverRoute::Embedded;
    e.DeriveFunctions("86");
    e.set_GateCosts("12");
    e.n = 1;
    EXPECT_EQ(messageOf([&] { e.ConstrainCost(1); }).rfind("internal error: ", 0), 0u);
}

TEST(PBOOptCrit, SumsTheCostTimesTheSelectVariableOfEveryNodeAndFunction) {
    // k = 2, n = 1, two functions: 15 structural variables and 4 rows of 14 each.
    Instance in("86", "13", 1);
    ASSERT_EQ(in.e.clauses.getInputs(), 71u);
    in.e.Add_FH();
    EXPECT_EQ(in.e.PBO_OptCrit(), " +1*x72 +3*x73");

    // k = 2, n = 2, three functions: 31 structural variables and 4 rows of 21 each.
    Instance two("867", "213", 2);
    ASSERT_EQ(two.e.clauses.getInputs(), 115u);
    two.e.Add_FH();
    EXPECT_EQ(two.e.PBO_OptCrit(), " +2*x116 +1*x117 +3*x118 +2*x119 +1*x120 +3*x121");
}

TEST(PBOOptCrit, NoNodesGiveTheEmptyObjectiveAndNoSelectVariablesAnError) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    Instance in("86", "12", 0);
    in.e.Add_FH();
    EXPECT_EQ(in.e.PBO_OptCrit(), "");
    in.e.clauses.SavePBO("inst.opb", "");
    EXPECT_EQ(testsupport::splitLines(testsupport::readFile("inst.opb")).at(1), "min: ;");
    Instance one("86", "12", 1);
    EXPECT_EQ(messageOf([&] { one.e.PBO_OptCrit(); }), rt("PBO_OptCrit: variable not found"));
}

TEST(ComputeCost, AddsTheCostOfEachNodesFunction) {
    Instance in("86", "12", 2);
    const auto andXor = modelOver(in.e.clauses, {"F4_0"});
    EXPECT_EQ(in.e.ComputeCost(andXor.get(), 2), 3u);
    EXPECT_EQ(in.e.ComputeCost(andXor.get(), 1), 1u); // node 3 only
    const auto xorXor = modelOver(in.e.clauses, {"F3_0", "F4_0"});
    EXPECT_EQ(in.e.ComputeCost(xorXor.get(), 2), 4u);

    Instance single("8", "4", 2);
    EXPECT_EQ(single.e.ComputeCost(modelOver(single.e.clauses, {}).get(), 2), 8u);
    EXPECT_EQ(single.e.ComputeCost(modelOver(single.e.clauses, {}).get(), 0), 0u);

    SoPLA empty;
    EXPECT_THROW(in.e.ComputeCost(&empty, 2), InternalError);
}

} // namespace
