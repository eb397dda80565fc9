// CNF encoding of an n-node circuit: variable numbering and names, clause order and whole
// instance files derived by hand. (Minimum circuit sizes found by solving the instances are
// checked end to end in test_e2e_runs.)
#include "synth/SAT_CircGen.h"
#include "tests/support/TestSupport.h"
#include "util/utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using testsupport::readFile;
using testsupport::ScopedCwd;
using testsupport::TempDir;

namespace {

// The target of a function number: one minterm term per row, input j of minterm i holding
// bit j of i, type fr.
std::unique_ptr<PLA> functionPLA(uint32_t f, uint32_t inputs) {
    auto pla = std::make_unique<PLA>(inputs, 1, PLA_type("fr"));
    for (uint32_t i = 0; i < (1u << inputs); ++i)
        pla->AppendTerm(int2bin_rev(i, inputs), ((f >> i) & 1u) ? "1" : "0");
    return pla;
}

// The options of an instance: library, node count and the flags below.
enum Flag { kPoly = 1, kNoConst = 2, kNoInv = 4 };
struct Options {
    std::string library = "8";
    uint32_t nodes = 1;
    int flags = 0;
    bool poly() const { return flags & kPoly; }
};
Options opt(const std::string& library = "8", uint32_t nodes = 1, int flags = 0) {
    return {library, nodes, flags};
}

// Configures the engine in the front end's order and builds the instance.
void build(SAT_CircGen& e, PLA& target, const Options& o) {
    e.route = SAT_CircGen::SolverRoute::Embedded; // the built-in minimizer
    e.set_polyedges(o.poly());
    e.set_PLA(&target);
    e.n = o.nodes;
    e.set_inv(!(o.flags & kNoInv));
    e.set_const(!(o.flags & kNoConst));
    e.DeriveFunctions(o.library);
    e.set_GateCosts(std::string(o.library.size(), '1'));
    e.set_difftopology(false);
    e.Generate_SAT();
}

// An engine with the instance for a target.
struct Built {
    std::unique_ptr<PLA> target;
    SAT_CircGen e;
};

std::unique_ptr<Built> built(std::unique_ptr<PLA> target, const Options& o = opt()) {
    auto b = std::make_unique<Built>();
    b->target = std::move(target);
    build(b->e, *b->target, o);
    return b;
}

// The instance for the function number f of k inputs.
std::unique_ptr<Built> built(uint32_t f, uint32_t k, const Options& o = opt()) {
    return built(functionPLA(f, k), o);
}

// Every clause as its literals in variable order, "+name" or "-name", separated by blanks.
std::vector<std::string> clauseTexts(const SoPLA& cnf) {
    std::vector<std::string> texts;
    for (const Cube& c : cnf) {
        std::string t;
        for (const auto& [pos, lit] : c.specified()) {
            if (!t.empty()) t += ' ';
            t += (lit == Lit_1 ? "+" : "-") + cnf.getIName(pos);
        }
        texts.push_back(t);
    }
    return texts;
}

size_t countOf(const std::vector<std::string>& texts, const std::string& clause) {
    return static_cast<size_t>(std::count(texts.begin(), texts.end(), clause));
}

std::vector<std::string> names(const SoPLA& cnf) {
    std::vector<std::string> v;
    for (uint32_t i = 0; i < cnf.getInputs(); ++i)
        v.push_back(cnf.getIName(i));
    return v;
}

class Encode : public ::testing::Test {
protected:
    TempDir dir;
    ScopedCwd cwd{dir.path()};
};

// --- whole files ----------------------------------------------------------------------

std::string expectedFile(const std::string& name) {
    return readFile(std::string(QUILLON_SOURCE_DIR) + "/tests/data/encode/" + name);
}

TEST_F(Encode, HandDerivedInstanceFiles) {
    const std::pair<std::unique_ptr<Built>, const char*> cases[] = {
        // k = 1, n = 1, AND, no constants: f(x) = x.
        {built(2, 1, opt("8", 1, kNoConst)), "k1_n1_and_noconst.cnf"},
        // k = 1, n = 1, library XOR / b and not a / XNOR, constants, no inversions: not x.
        {built(1, 1, opt("629", 1, kNoInv)), "k1_n1_lib629_const_noinv.cnf"},
        // k = 0 with a polymorphic control input, n = 1, AND: the output is the control.
        {built(2, 1, opt("8", 1, kPoly)), "k0_n1_and_poly.cnf"},
    };
    for (const auto& [b, file] : cases) {
        b->e.clauses.SaveCNF("inst.cnf");
        EXPECT_EQ(readFile("inst.cnf"), expectedFile(file)) << file;
    }
}

// --- variables ------------------------------------------------------------------------

TEST_F(Encode, SeventyVariablesInCreationOrder) {
    const auto b = built(8, 2, opt("8", 1, kNoConst));
    const std::vector<std::string> structural = {"O0_0",   "O0_1",   "O0_2", "O0_3",   "N3_0",
                                                 "N3_1",   "P3_0",   "P3_1", "C1_3_0", "C1_3_1",
                                                 "C2_3_0", "C2_3_1", "OP0",  "ON0"};
    const std::vector<std::string> perRow = {"Y0",    "Y1",    "Y2",    "Y3",  "X3_0",
                                             "X3_1",  "XN3_0", "XN3_1", "ON0", "OV0",
                                             "XP3_0", "XP3_1", "ONP0",  "P"};
    std::vector<std::string> expected = structural;
    for (int r = 0; r < 4; ++r)
        for (const std::string& stem : perRow)
            expected.push_back(stem + "_#" + std::to_string(r));
    EXPECT_EQ(names(b->e.clauses), expected);
    EXPECT_TRUE(b->e.clauses.isCNF());
    EXPECT_TRUE(b->e.clauses.isSparse());
}

TEST_F(Encode, ConstantsAddSignalZeroAsASource) {
    const auto b = built(8, 2);
    const auto v = names(b->e.clauses);
    ASSERT_GE(v.size(), 14u);
    EXPECT_EQ(
        std::vector<std::string>(v.begin() + 8, v.begin() + 14),
        (std::vector<std::string>{"C0_3_0", "C0_3_1", "C1_3_0", "C1_3_1", "C2_3_0", "C2_3_1"}));
    const auto texts = clauseTexts(b->e.clauses);
    // Every loop over the sources of a node starts at the constant.
    EXPECT_EQ(texts[0], "+C0_3_0 +C1_3_0 +C2_3_0");
    EXPECT_EQ(texts[1], "+C0_3_1 +C1_3_1 +C2_3_1");
    EXPECT_EQ(countOf(texts, "-C0_3_0 -C1_3_0"), 1u); // at most one source
    EXPECT_EQ(countOf(texts, "-C0_3_1 -C1_3_0"), 1u); // ordered sources: 0 < 1
    EXPECT_EQ(countOf(texts, "-C0_3_0 +Y0_#2 -X3_0_#2"), 1u);
    EXPECT_EQ(countOf(texts, "-C0_3_1 -Y0_#2 +X3_1_#2"), 1u);

    // Without constants no clause mentions signal 0 as a source, but the output may still
    // be driven by it.
    const auto off = clauseTexts(built(8, 2, opt("8", 1, kNoConst))->e.clauses);
    for (const std::string& t : off)
        EXPECT_EQ(t.find("C0_"), std::string::npos) << t;
    EXPECT_EQ(countOf(off, "+O0_0 +O0_1 +O0_2 +O0_3"), 1u);
}

TEST_F(Encode, SelfFeedingVariablesTakeNumbersButNoClause) {
    const auto b = built(8, 2, opt("8", 2));
    const auto v = names(b->e.clauses);
    const auto at = std::find(v.begin(), v.end(), "C3_3_0");
    ASSERT_LT(at + 2, v.end());
    EXPECT_EQ(*(at + 1), "C3_3_1");
    EXPECT_EQ(*(at + 2), "C3_4_0");
    for (const std::string& t : clauseTexts(b->e.clauses)) {
        EXPECT_EQ(t.find("C3_3_"), std::string::npos) << t;
        EXPECT_EQ(t.find("C4_"), std::string::npos) << t; // the last node feeds no node
    }
}

TEST_F(Encode, VariableCountMatchesTheFamilies) {
    for (const std::string lib : {"8", "86", "86E", "86E1B"}) {
        SAT_CircGen e;
        e.DeriveFunctions(lib);
        const uint32_t nf = static_cast<uint32_t>(lib.size());
        const uint32_t nb = nf == 1 ? 0 : nf == 2 ? 1 : nf <= 4 ? 2 : 3;
        for (uint32_t k : {0u, 1u, 2u, 3u})
            for (uint32_t n : {0u, 1u, 2u, 3u})
                for (int flags = 0; flags < 4; ++flags) {
                    const bool poly = flags & 1;
                    const bool constants = flags & 2;
                    auto target = functionPLA(6, poly ? k + 1 : k);
                    e.set_polyedges(poly);
                    e.set_PLA(target.get());
                    e.n = n;
                    e.set_const(constants);
                    e.Generate_SAT();
                    const uint32_t m = 1;
                    uint32_t c = 0;
                    for (uint32_t j = constants ? 0 : 1; j + 1 <= k + n; ++j)
                        c += k + n - std::max(k + 1, j) + 1;
                    const uint32_t structural = m * (k + n + 1) + 4 * n + 2 * c + n * nb + 2 * m;
                    const uint32_t rows = 1u << (poly ? k + 1 : k);
                    EXPECT_EQ(e.clauses.getInputs(), structural + rows * (k + 7 * n + 3 * m + 2))
                        << "k=" << k << " n=" << n << " lib=" << lib << " flags=" << flags;
                }
    }
}

TEST_F(Encode, WithoutNodesOrInputsTheOtherFamiliesRemain) {
    const auto b = built(6, 2, opt("8", 0));
    EXPECT_EQ(b->e.clauses.getInputs(), 3u + 2u + 4u * (2u + 3u + 2u));
    const auto texts = clauseTexts(b->e.clauses);
    EXPECT_EQ(texts[0], "+O0_0 +O0_1 +O0_2");
    EXPECT_EQ(countOf(texts, "-Y0_#3"), 1u);
    for (const std::string& t : texts)
        EXPECT_EQ(t.find("XN"), std::string::npos) << t;

    EXPECT_EQ(names(built(0, 0, opt("8", 0))->e.clauses),
              (std::vector<std::string>{"O0_0", "OP0", "ON0", "Y0_#0", "ON0_#0", "OV0_#0",
                                        "ONP0_#0", "P_#0"}));
}

// --- structural clauses -----------------------------------------------------------------

TEST_F(Encode, EveryNodeIsUsedAndTheLastOneDrivesTheOutput) {
    const auto texts = clauseTexts(built(0x96, 3, opt("8", 2))->e.clauses);
    // Port clauses of nodes 4 and 5 come first, then the use clauses.
    EXPECT_EQ(texts[0], "+C0_4_0 +C1_4_0 +C2_4_0 +C3_4_0");
    EXPECT_EQ(texts[3], "+C0_5_1 +C1_5_1 +C2_5_1 +C3_5_1 +C4_5_1");
    EXPECT_EQ(texts[4], "+O0_4 +C4_5_0 +C4_5_1");
    EXPECT_EQ(texts[5], "+O0_5");
    EXPECT_EQ(texts[6], "+O0_0 +O0_1 +O0_2 +O0_3 +O0_4 +O0_5");
    EXPECT_EQ(texts[7], "-O0_0 -O0_1");
    EXPECT_EQ(texts[6 + 15], "-O0_4 -O0_5");
}

TEST_F(Encode, SingleComplementInvariantFunction) {
    const auto b = built(6, 2, opt("6", 2));
    for (const std::string& name : names(b->e.clauses))
        EXPECT_NE(name[0], 'F') << name;
    const auto texts = clauseTexts(b->e.clauses);
    for (const char* unit : {"-N3_0", "-N3_1", "-N4_0", "-N4_1"})
        EXPECT_EQ(countOf(texts, unit), 1u);
    // Without F variables the node-function clauses hold only Y and XN literals.
    EXPECT_EQ(countOf(texts, "+Y3_#0 -XN3_0_#0 +XN3_1_#0"), 1u);
    EXPECT_EQ(countOf(texts, "-Y3_#0 -XN3_0_#0 -XN3_1_#0"), 1u);

    // Inversions switched off as well: the same units come again from that rule.
    const auto t2 = clauseTexts(built(6, 2, opt("6", 2, kNoInv))->e.clauses);
    EXPECT_EQ(countOf(t2, "-N3_0"), 2u);
    EXPECT_EQ(countOf(t2, "-ON0"), 1u);
    EXPECT_EQ(countOf(texts, "-ON0"), 0u);
}

TEST_F(Encode, ThreeFunctionsExcludeTheFourthCode) {
    const auto texts = clauseTexts(built(6, 2, opt("86E", 2))->e.clauses);
    EXPECT_EQ(countOf(texts, "-F3_0 -F3_1"), 1u);
    EXPECT_EQ(countOf(texts, "-F4_0 -F4_1"), 1u);
    // XOR is code 01: its node-function clauses carry +F_0 and -F_1; OR is code 10.
    EXPECT_EQ(countOf(texts, "+F3_0 -F3_1 +Y3_#1 -XN3_0_#1 +XN3_1_#1"), 1u);
    EXPECT_EQ(countOf(texts, "-F3_0 +F3_1 -Y3_#1 +XN3_0_#1 +XN3_1_#1"), 1u);
    // XOR is invariant under complementing both inputs.
    EXPECT_EQ(countOf(texts, "-N3_0 +F3_0 -F3_1"), 1u);
    EXPECT_EQ(countOf(texts, "-N4_1 +F4_0 -F4_1"), 1u);
    // Every function of the library is symmetric, so no function literals are needed for
    // the port order.
    EXPECT_EQ(countOf(texts, "-C1_4_1 -C3_4_0"), 1u);
}

TEST_F(Encode, MixedSymmetryLibrary) {
    // AND (symmetric, code 0) and "b and not a" (code 1).
    const auto texts = clauseTexts(built(2, 2, opt("82"))->e.clauses);
    // No at-most-one-source clauses, ordered-source clauses only for AND.
    EXPECT_EQ(countOf(texts, "-C0_3_0 -C1_3_0"), 0u);
    EXPECT_EQ(countOf(texts, "-C0_3_0 -C2_3_0"), 0u);
    EXPECT_EQ(countOf(texts, "-C0_3_1 -C1_3_0 +F3_0"), 1u);
    EXPECT_EQ(countOf(texts, "-C0_3_1 -C2_3_0 +F3_0"), 1u);
    EXPECT_EQ(countOf(texts, "-C1_3_1 -C2_3_0 +F3_0"), 1u);
    for (const std::string& t : texts)
        EXPECT_FALSE(t.find("-F3_0") != std::string::npos && t.find("-C") != std::string::npos)
            << t;

    const auto s = clauseTexts(built(2, 2, opt("86"))->e.clauses);
    EXPECT_EQ(countOf(s, "-C0_3_0 -C1_3_0"), 1u);
    EXPECT_EQ(countOf(s, "-C1_3_0 -C2_3_0"), 1u);
    EXPECT_EQ(countOf(s, "-C0_3_1 -C1_3_0"), 1u);
    EXPECT_EQ(countOf(s, "-C0_3_1 -C1_3_0 +F3_0"), 0u);
}

// --- row clauses ----------------------------------------------------------------------

TEST_F(Encode, PolymorphicRowString) {
    const auto b = built(0x96, 3, opt("8", 1, kPoly));
    EXPECT_EQ(b->e.k, 2u);
    EXPECT_EQ(names(b->e.clauses).back(), "P_#7");
    const auto texts = clauseTexts(b->e.clauses);
    // Row 5 is "101": input 1 is 1, input 2 is 0, the control input is 1.
    EXPECT_EQ(countOf(texts, "+Y1_#5"), 1u);
    EXPECT_EQ(countOf(texts, "-Y2_#5"), 1u);
    EXPECT_EQ(countOf(texts, "+P_#5"), 1u);
    EXPECT_EQ(countOf(texts, "-P_#4"), 1u);
    EXPECT_EQ(countOf(texts, "+P_#4"), 0u);
    // No polymorphism is forced off.
    EXPECT_EQ(countOf(texts, "-P3_0"), 0u);
    EXPECT_EQ(countOf(texts, "-OP0"), 0u);
    // Target row "101" is the minterm x0 = 1, x1 = 0, x2 = 1, that is minterm 5 of 0x96: 0.
    EXPECT_EQ(countOf(texts, "-ONP0_#5"), 1u);
    EXPECT_EQ(countOf(texts, "+ONP0_#3"), 0u); // "011" is minterm 6: 0
    EXPECT_EQ(countOf(texts, "+ONP0_#4"), 1u); // "100" is minterm 1: 1
}

TEST_F(Encode, DontCareRowsGetNoTargetClause) {
    auto target = std::make_unique<PLA>(2, 1, PLA_type("fd"));
    target->AppendTerm("11", "1");
    target->AppendTerm("01", "-");
    const auto texts = clauseTexts(built(std::move(target))->e.clauses);
    EXPECT_EQ(countOf(texts, "-ONP0_#0"), 1u);
    EXPECT_EQ(countOf(texts, "-ONP0_#1"), 0u);
    EXPECT_EQ(countOf(texts, "+ONP0_#1"), 0u);
    EXPECT_EQ(countOf(texts, "-ONP0_#2"), 1u);
    EXPECT_EQ(countOf(texts, "+ONP0_#3"), 1u);
    // The rest of row 1 is still there.
    EXPECT_EQ(countOf(texts, "-Y1_#1"), 1u);
    EXPECT_EQ(countOf(texts, "+Y2_#1"), 1u);
    EXPECT_EQ(countOf(texts, "-Y0_#1"), 1u);
    EXPECT_EQ(countOf(texts, "+Y3_#1 -XN3_0_#1 -XN3_1_#1"), 1u);
}

TEST_F(Encode, MultipleOutputs) {
    auto target = std::make_unique<PLA>(2, 2, PLA_type("fr"));
    target->AppendTerm("00", "01");
    target->AppendTerm("01", "10");
    target->AppendTerm("10", "10");
    target->AppendTerm("11", "01");
    const auto b = built(std::move(target));
    EXPECT_EQ(b->e.m, 2u);
    const auto texts = clauseTexts(b->e.clauses);
    EXPECT_EQ(countOf(texts, "+O1_0 +O1_1 +O1_2 +O1_3"), 1u);
    EXPECT_EQ(countOf(texts, "+O0_3 +O1_3"), 1u); // the last node drives some output
    EXPECT_EQ(countOf(texts, "-ONP0_#0"), 1u);
    EXPECT_EQ(countOf(texts, "+ONP1_#0"), 1u);
    EXPECT_EQ(countOf(texts, "+ONP0_#1"), 1u);
    EXPECT_EQ(countOf(texts, "-ONP1_#1"), 1u);
}

TEST_F(Encode, RebuildingGivesTheSameInstance) {
    const auto b = built(0xe8, 3, opt("86E", 3));
    SAT_CircGen& e = b->e;
    e.clauses.SaveCNF("first.cnf");
    e.clauses.AppendInput("extra");
    e.clauses.AppendTerm(std::string(e.clauses.getInputs(), '-'));
    e.Generate_SAT();
    e.clauses.SaveCNF("second.cnf");
    EXPECT_EQ(readFile("first.cnf"), readFile("second.cnf"));
    // Another n gives another instance, and going back gives the first again.
    e.n = 2;
    e.Generate_SAT();
    e.clauses.SaveCNF("third.cnf");
    EXPECT_NE(readFile("first.cnf"), readFile("third.cnf"));
    e.n = 3;
    e.Generate_SAT();
    e.clauses.SaveCNF("fourth.cnf");
    EXPECT_EQ(readFile("first.cnf"), readFile("fourth.cnf"));
}

} // namespace
