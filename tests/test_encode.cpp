// CNF encoding of an n-node circuit: variable numbering and names, clause order, whole
// instance files derived by hand, and satisfiability of known minimum circuit sizes.
#include "synth/SAT_CircGen.h"
#include "tests/support/TestSupport.h"
#include "util/utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

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

struct Options {
    bool poly = false;
    bool constants = true;
    bool inversions = true;
    std::string library = "8";
    uint32_t nodes = 1;
};

// Configures the engine in the front end's order and builds the instance.
void build(SAT_CircGen& e, PLA& target, const Options& o) {
    e.set_polyedges(o.poly);
    e.set_PLA(&target);
    e.n = o.nodes;
    e.set_inv(o.inversions);
    e.set_const(o.constants);
    e.DeriveFunctions(o.library);
    e.set_GateCosts(std::string(o.library.size(), '1'));
    e.set_difftopology(false);
    e.Generate_SAT();
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
    {
        // k = 1, n = 1, AND, no constants: f(x) = x.
        auto target = functionPLA(2, 1);
        SAT_CircGen e;
        Options o;
        o.constants = false;
        build(e, *target, o);
        e.clauses.SaveCNF("inst.cnf");
        EXPECT_EQ(readFile("inst.cnf"), expectedFile("k1_n1_and_noconst.cnf"));
    }
    {
        // k = 1, n = 1, library XOR / b and not a / XNOR, constants, no inversions: not x.
        auto target = functionPLA(1, 1);
        SAT_CircGen e;
        Options o;
        o.inversions = false;
        o.library = "629";
        build(e, *target, o);
        e.clauses.SaveCNF("inst.cnf");
        EXPECT_EQ(readFile("inst.cnf"), expectedFile("k1_n1_lib629_const_noinv.cnf"));
    }
    {
        // k = 0 with a polymorphic control input, n = 1, AND: the output is the control.
        auto target = functionPLA(2, 1);
        SAT_CircGen e;
        Options o;
        o.poly = true;
        build(e, *target, o);
        e.clauses.SaveCNF("inst.cnf");
        EXPECT_EQ(readFile("inst.cnf"), expectedFile("k0_n1_and_poly.cnf"));
    }
}

// --- variables ------------------------------------------------------------------------

TEST_F(Encode, SeventyVariablesInCreationOrder) {
    auto target = functionPLA(8, 2);
    SAT_CircGen e;
    Options o;
    o.constants = false;
    build(e, *target, o);
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
    ASSERT_EQ(e.clauses.getInputs(), 70u);
    EXPECT_EQ(names(e.clauses), expected);
    EXPECT_TRUE(e.clauses.isCNF());
    EXPECT_TRUE(e.clauses.isSparse());
}

TEST_F(Encode, ConstantsAddSignalZeroAsASource) {
    auto target = functionPLA(8, 2);
    SAT_CircGen e;
    build(e, *target, Options{});
    const auto v = names(e.clauses);
    ASSERT_GE(v.size(), 14u);
    EXPECT_EQ(
        std::vector<std::string>(v.begin() + 8, v.begin() + 14),
        (std::vector<std::string>{"C0_3_0", "C0_3_1", "C1_3_0", "C1_3_1", "C2_3_0", "C2_3_1"}));
    const auto texts = clauseTexts(e.clauses);
    // Every loop over the sources of a node starts at the constant.
    EXPECT_EQ(texts[0], "+C0_3_0 +C1_3_0 +C2_3_0");
    EXPECT_EQ(texts[1], "+C0_3_1 +C1_3_1 +C2_3_1");
    EXPECT_EQ(countOf(texts, "-C0_3_0 -C1_3_0"), 1u); // at most one source
    EXPECT_EQ(countOf(texts, "-C0_3_1 -C1_3_0"), 1u); // ordered sources: 0 < 1
    EXPECT_EQ(countOf(texts, "-C0_3_0 +Y0_#2 -X3_0_#2"), 1u);
    EXPECT_EQ(countOf(texts, "-C0_3_1 -Y0_#2 +X3_1_#2"), 1u);

    // Without constants no clause mentions signal 0 as a source, but the output may still
    // be driven by it.
    SAT_CircGen off;
    Options o;
    o.constants = false;
    build(off, *target, o);
    for (const std::string& t : clauseTexts(off.clauses))
        EXPECT_EQ(t.find("C0_"), std::string::npos) << t;
    EXPECT_EQ(countOf(clauseTexts(off.clauses), "+O0_0 +O0_1 +O0_2 +O0_3"), 1u);
}

TEST_F(Encode, SelfFeedingVariablesTakeNumbersButNoClause) {
    auto target = functionPLA(8, 2);
    SAT_CircGen e;
    Options o;
    o.nodes = 2;
    build(e, *target, o);
    const auto v = names(e.clauses);
    const auto at = std::find(v.begin(), v.end(), "C3_3_0");
    ASSERT_NE(at, v.end());
    ASSERT_NE(at + 1, v.end());
    EXPECT_EQ(*(at + 1), "C3_3_1");
    EXPECT_EQ(*(at + 2), "C3_4_0");
    for (const std::string& t : clauseTexts(e.clauses)) {
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
    auto target = functionPLA(6, 2);
    SAT_CircGen e;
    Options o;
    o.nodes = 0;
    build(e, *target, o);
    EXPECT_EQ(e.clauses.getInputs(), 3u + 2u + 4u * (2u + 3u + 2u));
    const auto texts = clauseTexts(e.clauses);
    EXPECT_EQ(texts[0], "+O0_0 +O0_1 +O0_2");
    EXPECT_EQ(countOf(texts, "-Y0_#3"), 1u);
    for (const std::string& t : texts)
        EXPECT_EQ(t.find("XN"), std::string::npos) << t;

    auto constant = functionPLA(0, 0);
    SAT_CircGen z;
    Options zo;
    zo.nodes = 0;
    build(z, *constant, zo);
    EXPECT_EQ(names(z.clauses), (std::vector<std::string>{"O0_0", "OP0", "ON0", "Y0_#0", "ON0_#0",
                                                          "OV0_#0", "ONP0_#0", "P_#0"}));
}

// --- structural clauses -----------------------------------------------------------------

TEST_F(Encode, EveryNodeIsUsedAndTheLastOneDrivesTheOutput) {
    auto target = functionPLA(0x96, 3);
    SAT_CircGen e;
    Options o;
    o.nodes = 2;
    build(e, *target, o);
    const auto texts = clauseTexts(e.clauses);
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
    auto target = functionPLA(6, 2);
    SAT_CircGen e;
    Options o;
    o.library = "6";
    o.nodes = 2;
    build(e, *target, o);
    for (const std::string& name : names(e.clauses))
        EXPECT_NE(name[0], 'F') << name;
    const auto texts = clauseTexts(e.clauses);
    for (const char* unit : {"-N3_0", "-N3_1", "-N4_0", "-N4_1"})
        EXPECT_EQ(countOf(texts, unit), 1u);
    // Without F variables the node-function clauses hold only Y and XN literals.
    EXPECT_EQ(countOf(texts, "+Y3_#0 -XN3_0_#0 +XN3_1_#0"), 1u);
    EXPECT_EQ(countOf(texts, "-Y3_#0 -XN3_0_#0 -XN3_1_#0"), 1u);

    // Inversions switched off as well: the same units come again from that rule.
    SAT_CircGen noInv;
    o.inversions = false;
    build(noInv, *target, o);
    const auto t2 = clauseTexts(noInv.clauses);
    EXPECT_EQ(countOf(t2, "-N3_0"), 2u);
    EXPECT_EQ(countOf(t2, "-ON0"), 1u);
    EXPECT_EQ(countOf(texts, "-ON0"), 0u);
}

TEST_F(Encode, ThreeFunctionsExcludeTheFourthCode) {
    auto target = functionPLA(6, 2);
    SAT_CircGen e;
    Options o;
    o.library = "86E";
    o.nodes = 2;
    build(e, *target, o);
    const auto texts = clauseTexts(e.clauses);
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
    auto target = functionPLA(2, 2);
    SAT_CircGen mixed;
    Options o;
    o.library = "82"; // AND (symmetric, code 0) and "b and not a" (code 1)
    o.nodes = 1;
    build(mixed, *target, o);
    const auto texts = clauseTexts(mixed.clauses);
    // No at-most-one-source clauses, ordered-source clauses only for AND.
    EXPECT_EQ(countOf(texts, "-C0_3_0 -C1_3_0"), 0u);
    EXPECT_EQ(countOf(texts, "-C0_3_0 -C2_3_0"), 0u);
    EXPECT_EQ(countOf(texts, "-C0_3_1 -C1_3_0 +F3_0"), 1u);
    EXPECT_EQ(countOf(texts, "-C0_3_1 -C2_3_0 +F3_0"), 1u);
    EXPECT_EQ(countOf(texts, "-C1_3_1 -C2_3_0 +F3_0"), 1u);
    size_t ordered = 0;
    for (const std::string& t : texts)
        if (t.find("-F3_0") != std::string::npos && t.find("-C") != std::string::npos) ++ordered;
    EXPECT_EQ(ordered, 0u);

    SAT_CircGen sym;
    o.library = "86";
    build(sym, *target, o);
    const auto s = clauseTexts(sym.clauses);
    EXPECT_EQ(countOf(s, "-C0_3_0 -C1_3_0"), 1u);
    EXPECT_EQ(countOf(s, "-C1_3_0 -C2_3_0"), 1u);
    EXPECT_EQ(countOf(s, "-C0_3_1 -C1_3_0"), 1u);
    EXPECT_EQ(countOf(s, "-C0_3_1 -C1_3_0 +F3_0"), 0u);
}

// --- row clauses ----------------------------------------------------------------------

TEST_F(Encode, PolymorphicRowString) {
    auto target = functionPLA(0x96, 3);
    SAT_CircGen e;
    Options o;
    o.poly = true;
    build(e, *target, o);
    EXPECT_EQ(e.k, 2u);
    const auto v = names(e.clauses);
    EXPECT_EQ(v.back(), "P_#7");
    const auto texts = clauseTexts(e.clauses);
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
    PLA target(2, 1, PLA_type("fd"));
    target.AppendTerm("11", "1");
    target.AppendTerm("01", "-");
    SAT_CircGen e;
    build(e, target, Options{});
    const auto texts = clauseTexts(e.clauses);
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
    PLA target(2, 2, PLA_type("fr"));
    target.AppendTerm("00", "01");
    target.AppendTerm("01", "10");
    target.AppendTerm("10", "10");
    target.AppendTerm("11", "01");
    SAT_CircGen e;
    build(e, target, Options{});
    EXPECT_EQ(e.m, 2u);
    const auto texts = clauseTexts(e.clauses);
    EXPECT_EQ(countOf(texts, "+O1_0 +O1_1 +O1_2 +O1_3"), 1u);
    EXPECT_EQ(countOf(texts, "+O0_3 +O1_3"), 1u); // the last node drives some output
    EXPECT_EQ(countOf(texts, "-ONP0_#0"), 1u);
    EXPECT_EQ(countOf(texts, "+ONP1_#0"), 1u);
    EXPECT_EQ(countOf(texts, "+ONP0_#1"), 1u);
    EXPECT_EQ(countOf(texts, "-ONP1_#1"), 1u);
}

TEST_F(Encode, RebuildingGivesTheSameInstance) {
    auto target = functionPLA(0xe8, 3);
    SAT_CircGen e;
    Options o;
    o.library = "86E";
    o.nodes = 3;
    build(e, *target, o);
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

// --- solving ----------------------------------------------------------------------------

bool haveMinisat() {
    return std::system("command -v minisat > /dev/null 2>&1") == 0;
}

// Solves the instance with minisat; on SAT fills the model by variable name.
bool solve(const SoPLA& cnf, std::map<std::string, bool>& model) {
    cnf.SaveCNF("inst.cnf");
    std::remove("out");
    const int rc = std::system("minisat inst.cnf out > /dev/null 2>&1");
    (void)rc;
    std::istringstream in(readFile("out"));
    std::string status;
    in >> status;
    if (status != "SAT") {
        EXPECT_EQ(status, "UNSAT");
        return false;
    }
    long lit = 0;
    while (in >> lit && lit != 0) {
        const uint32_t var = static_cast<uint32_t>(lit < 0 ? -lit : lit);
        model[cnf.getIName(var - 1)] = lit > 0;
    }
    return true;
}

// Reads the circuit out of the model and checks that it computes the function number f of
// k inputs on every minterm, using only the structural variables.
void expectCircuitComputes(const std::map<std::string, bool>& model, uint32_t k, uint32_t n,
                           const std::string& library, uint32_t f, bool constants) {
    const auto val = [&model](const std::string& name) {
        const auto it = model.find(name);
        EXPECT_NE(it, model.end()) << name;
        return it != model.end() && it->second;
    };
    uint32_t nb = 0;
    while ((1u << nb) < library.size())
        ++nb;
    for (uint32_t x = 0; x < (1u << k); ++x) {
        // Signal values: 0 the constant, input j (1..k) is bit j-1 of the minterm.
        std::vector<bool> y(k + n + 1, false);
        for (uint32_t j = 1; j <= k; ++j)
            y[j] = (x >> (j - 1)) & 1u;
        for (uint32_t i = k + 1; i <= k + n; ++i) {
            bool in[2] = {false, false};
            for (uint32_t b = 0; b < 2; ++b) {
                int sources = 0;
                for (uint32_t j = constants ? 0 : 1; j < i; ++j)
                    if (val("C" + std::to_string(j) + "_" + std::to_string(i) + "_" +
                            std::to_string(b))) {
                        ++sources;
                        in[b] = y[j];
                    }
                EXPECT_EQ(sources, 1) << "node " << i << " port " << b;
                in[b] = in[b] != val("N" + std::to_string(i) + "_" + std::to_string(b));
                EXPECT_FALSE(val("P" + std::to_string(i) + "_" + std::to_string(b)));
            }
            uint32_t t = 0;
            for (uint32_t bit = 0; bit < nb; ++bit)
                t = 2 * t + (val("F" + std::to_string(i) + "_" + std::to_string(bit)) ? 1 : 0);
            ASSERT_LT(t, library.size());
            const uint32_t table = hex2int(std::string(1, library[t]));
            y[i] = (table >> (2 * (in[0] ? 1 : 0) + (in[1] ? 1 : 0))) & 1u;
        }
        int drivers = 0;
        bool out = false;
        for (uint32_t sig = 0; sig <= k + n; ++sig)
            if (val("O0_" + std::to_string(sig))) {
                ++drivers;
                out = y[sig];
            }
        EXPECT_EQ(drivers, 1);
        out = out != val("ON0");
        EXPECT_EQ(out, ((f >> x) & 1u) != 0) << "minterm " << x;
    }
}

struct SizeCase {
    uint32_t f, k;
    const char* library;
    uint32_t minimum;
};

TEST_F(Encode, MinimumCircuitSizesWithMinisat) {
    if (!haveMinisat()) GTEST_SKIP() << "minisat is not installed";
    const SizeCase cases[] = {
        {0x6, 2, "8", 3},     // XOR of two inputs from ANDs and inversions
        {0xe8, 3, "8", 4},    // majority of three
        {0x6996, 4, "86", 3}, // XOR of four inputs
    };
    for (const SizeCase& c : cases) {
        auto target = functionPLA(c.f, c.k);
        for (uint32_t n : {c.minimum - 1, c.minimum}) {
            SAT_CircGen e;
            Options o;
            o.library = c.library;
            o.nodes = n;
            build(e, *target, o);
            std::map<std::string, bool> model;
            const bool sat = solve(e.clauses, model);
            EXPECT_EQ(sat, n == c.minimum) << std::hex << c.f << " n=" << n;
            if (sat) expectCircuitComputes(model, c.k, n, c.library, c.f, true);
        }
    }
}

TEST_F(Encode, SolutionsWithoutConstantsOrInversions) {
    if (!haveMinisat()) GTEST_SKIP() << "minisat is not installed";
    // NAND only, no inversions: XOR needs four NANDs.
    auto target = functionPLA(0x6, 2);
    for (uint32_t n : {3u, 4u}) {
        SAT_CircGen e;
        Options o;
        o.library = "7";
        o.inversions = false;
        o.constants = false;
        o.nodes = n;
        build(e, *target, o);
        std::map<std::string, bool> model;
        const bool sat = solve(e.clauses, model);
        EXPECT_EQ(sat, n == 4) << n;
        if (sat) {
            expectCircuitComputes(model, 2, n, "7", 0x6, false);
            EXPECT_FALSE(model["ON0"]);
        }
    }
}

} // namespace
