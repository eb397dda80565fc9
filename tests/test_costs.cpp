// Gate-cost bounds, the pseudo-Boolean objective and the cost of a solution.
#include "logic/PLA.h"
#include "synth/SAT_CircGen.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using testsupport::ScopedCwd;
using testsupport::TempDir;

// Library entries for AND ("8"), XOR ("6") and NAND ("7"), all symmetric.
void installLibrary(SAT_CircGen& e, const std::string& digits) {
    e.nodeFunctions.clear();
    e.symmetric.clear();
    e.negSymmetric.clear();
    e.allSymmetric = true;
    e.functionCount = static_cast<uint32_t>(digits.size());
    e.codeBits = 0;
    while ((1u << e.codeBits) < e.functionCount)
        ++e.codeBits;
    for (char d : digits) {
        PLA f(2, 1, PLA_type("fr"));
        const char* on = d == '7' ? "0" : "1";
        const char* off = d == '7' ? "1" : "0";
        if (d == '8' || d == '7') {
            f.AppendTerm("11", on);
            f.AppendTerm("0-", off);
            f.AppendTerm("-0", off);
        } else if (d == '6') {
            f.AppendTerm("01", "1");
            f.AppendTerm("10", "1");
            f.AppendTerm("00", "0");
            f.AppendTerm("11", "0");
        } else {
            throw std::runtime_error("test library digit not supported");
        }
        e.nodeFunctions.push_back(f);
        e.symmetric.push_back(true);
        e.negSymmetric.push_back(d == '6');
    }
}

// An engine with gate costs and the instance for n nodes over a 2-input AND target.
struct Instance {
    Instance(const std::string& library, const std::string& costs, uint32_t n) {
        target = std::make_unique<PLA>(2, 1, PLA_type("f"));
        for (const char* row : {"00", "01", "10"})
            target->AppendTerm(row, "0");
        target->AppendTerm("11", "1");
        e.set_PLA(target.get());
        e.set_const(false);
        e.set_inv(true);
        e.set_difftopology(false);
        installLibrary(e, library);
        e.set_GateCosts(costs);
        e.n = n;
        e.Generate_SAT();
    }
    std::vector<std::map<std::string, Literal>> newClauses(size_t before) const {
        std::vector<std::map<std::string, Literal>> out;
        size_t x = 0;
        for (const Cube& c : e.clauses) {
            if (x++ < before) continue;
            std::map<std::string, Literal> lits;
            for (const auto& [pos, lit] : c.specified())
                lits[e.clauses.getIName(pos)] = lit;
            out.push_back(lits);
        }
        return out;
    }
    // A model over the instance: the named variables true, all others false.
    std::shared_ptr<SoPLA> model(const std::set<std::string>& trueVars) const {
        auto result = std::make_shared<SoPLA>(&e.clauses);
        Cube values;
        values.init_sparse(e.clauses.getInputs());
        for (uint32_t j = 0; j < e.clauses.getInputs(); ++j)
            values.setLit(j, trueVars.count(e.clauses.getIName(j)) ? Lit_1 : Lit_0);
        result->AppendTerm(values);
        return result;
    }

    std::unique_ptr<PLA> target;
    SAT_CircGen e;
};

using Clause = std::map<std::string, Literal>;

TEST(ConstrainCost, BoundAtOrAboveTheHighestCostAddsNothing) {
    Instance in("867", "123", 2);
    const size_t before = in.e.clauses.getTermCount();
    in.e.ConstrainCost(3);
    in.e.ConstrainCost(7);
    EXPECT_EQ(in.e.clauses.getTermCount(), before);
}

TEST(ConstrainCost, ExcludesTheExpensiveCodesNodeByNode) {
    {
        // "86" with costs "12", bound 1: function 1 (code "1") is forbidden on every node.
        Instance in("86", "12", 3);
        const uint32_t width = in.e.clauses.getInputs();
        const size_t before = in.e.clauses.getTermCount();
        in.e.ConstrainCost(1);
        EXPECT_EQ(in.e.clauses.getInputs(), width);
        const auto added = in.newClauses(before);
        ASSERT_EQ(added.size(), 3u);
        EXPECT_EQ(added[0], (Clause{{"F3_0", Lit_0}}));
        EXPECT_EQ(added[1], (Clause{{"F4_0", Lit_0}}));
        EXPECT_EQ(added[2], (Clause{{"F5_0", Lit_0}}));
    }
    {
        // Three functions, costs 1, 2, 3, bound 1: codes "01" and "10" go, node by node.
        Instance in("867", "123", 3);
        const size_t before = in.e.clauses.getTermCount();
        in.e.ConstrainCost(1);
        const auto added = in.newClauses(before);
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
    const size_t before = in.e.clauses.getTermCount();
    in.e.ConstrainCost(2);
    ASSERT_EQ(in.e.clauses.getTermCount(), before + 2);
    size_t x = 0;
    for (const Cube& c : in.e.clauses) {
        if (x++ < before) continue;
        EXPECT_EQ(c.size(), width);
        EXPECT_TRUE(c.specified().empty());
    }
}

TEST(ConstrainCost, MissingCodeVariableIsTheNameLookupError) {
    SAT_CircGen e;
    installLibrary(e, "86");
    e.set_GateCosts("12");
    e.k = 2;
    e.n = 1;
    e.clauses.setCNF(true);
    e.clauses.AppendInput("a");
    try {
        e.ConstrainCost(1);
        FAIL() << "no error";
    } catch (const RuntimeException& ex) {
        EXPECT_EQ(ex.GetMsg(), "Runtime Exception: SoPLA::setLitByName: Variable name not found");
    }
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

TEST(PBOOptCrit, NoNodesGiveTheEmptyObjective) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    Instance in("86", "12", 0);
    in.e.Add_FH();
    const std::string objective = in.e.PBO_OptCrit();
    EXPECT_EQ(objective, "");
    in.e.clauses.SavePBO("inst.opb", objective);
    const auto lines = testsupport::splitLines(testsupport::readFile("inst.opb"));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "min: ;");
}

TEST(PBOOptCrit, WithoutSelectVariablesIsAnError) {
    Instance in("86", "12", 1);
    try {
        in.e.PBO_OptCrit();
        FAIL() << "no error";
    } catch (const RuntimeException& ex) {
        EXPECT_EQ(ex.GetMsg(), "Runtime Exception: PBO_OptCrit: variable not found");
    }
}

TEST(ComputeCost, AddsTheCostOfEachNodesFunction) {
    Instance in("86", "12", 2);
    const auto andXor = in.model({"F4_0"});
    EXPECT_EQ(in.e.ComputeCost(andXor.get(), 2), 3u);
    EXPECT_EQ(in.e.ComputeCost(andXor.get(), 1), 1u); // node 3 only
    const auto xorXor = in.model({"F3_0", "F4_0"});
    EXPECT_EQ(in.e.ComputeCost(xorXor.get(), 2), 4u);

    Instance single("8", "4", 2);
    EXPECT_EQ(single.e.ComputeCost(single.model({}).get(), 2), 8u);
    EXPECT_EQ(single.e.ComputeCost(single.model({}).get(), 0), 0u);

    SoPLA empty;
    EXPECT_THROW(in.e.ComputeCost(&empty, 2), RuntimeException);
}

} // namespace
