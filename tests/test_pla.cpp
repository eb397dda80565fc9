// PLA container: shape, unique-flag merging, names, gate functions, queries, simulation
// and the conversions to and from single-output covers.

#include "logic/PLA.h"
#include "logic/PLA_type.h"
#include "logic/SoPLA.h"
#include "tests/support/CoverText.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::cubeTexts;
using testsupport::messageOf;
using testsupport::rt;
using testsupport::termTexts;

// A PLA of the given type with the given terms (input part, output part).
PLA pla(const char* type, const std::vector<std::pair<const char*, const char*>>& terms) {
    PLA p(0, 0, PLA_type(type));
    for (const auto& [in, out] : terms)
        p.AppendTerm(in, out);
    return p;
}

std::vector<uint32_t> sim(const PLA& p, const std::string& in) {
    return p.Simulate(Cube(in));
}

using Values = std::vector<uint32_t>;

} // namespace

TEST(PLAType, LettersOperatorsAndText) {
    const PLA_type rf("rf");
    EXPECT_TRUE(rf.f);
    EXPECT_FALSE(rf.d);
    EXPECT_TRUE(rf.r);
    EXPECT_EQ(rf.toString(), "fr");
    EXPECT_EQ(PLA_type("ddd").toString(), "d");
    EXPECT_EQ(PLA_type("").toString(), "");
    EXPECT_EQ(messageOf([] { PLA_type t("fx"); }), rt("Runtime error: unknown PLA type"));

    PLA_type esop("d");
    esop.esop = true;
    EXPECT_NE(esop, PLA_type("d")); // the esop flag takes part in the comparison
    EXPECT_EQ(PLA_type("d"), PLA_type("dd"));

    const PLA_type sum = esop + PLA_type("f");
    EXPECT_EQ(sum.toString(), "fd");
    EXPECT_TRUE(sum.esop); // from the left operand
    const PLA_type sum2 = PLA_type("r") + esop;
    EXPECT_EQ(sum2.toString(), "dr");
    EXPECT_FALSE(sum2.esop);
    PLA_type acc("f");
    acc += PLA_type("r");
    EXPECT_EQ(acc.toString(), "fr");
}

TEST(PLAShape, AppendTermTakesAndChecksTheShape) {
    PLA p;
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(p.AppendTerm("1-0", "10"), 0u);
    EXPECT_EQ(p.getInputs(), 3u);
    EXPECT_EQ(p.getOutputs(), 2u);
    EXPECT_EQ(messageOf([&] { p.AppendTerm("1-01", "10"); }),
              rt("PLA::AppendTerm: incompatible terms"));
    EXPECT_EQ(messageOf([&] { p.AppendTerm("1-0", "1"); }),
              rt("PLA::AppendTerm: incompatible terms"));
    EXPECT_EQ(p.AppendTerm("1-0", "01"), 1u); // no merging without the unique flag
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"1-0 10", "1-0 01"}));

    PLA q(2, 1, PLA_type("r"));
    EXPECT_EQ(messageOf([&] { q.AppendTerm("11", "00"); }),
              rt("PLA::AppendTerm: incompatible terms"));
    EXPECT_EQ(messageOf([&] { q.setInputs(3); }),
              rt("PLA::SetInputs: Changing the number of PLA inputs"));
    EXPECT_EQ(messageOf([&] { q.setOutputs(2); }),
              rt("PLA::SetOutputs: Changing the number of PLA outputs"));
    q.setInputs(2); // the same count is accepted
    EXPECT_EQ(q.getInputs(), 2u);
}

TEST(PLAShape, ClearKeepsTypeAndUniqueFlag) {
    PLA p(0, 0, PLA_type("fr"));
    p.setUnique();
    p.AppendTerm("10", "1");
    p.NameVars();
    p.setGateName("and");
    p.clear();
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(p.getInputs(), 0u);
    EXPECT_EQ(p.getOutputs(), 0u);
    EXPECT_TRUE(p.getINames().empty());
    EXPECT_TRUE(p.getONames().empty());
    EXPECT_EQ(p.peekGateName(), "");
    EXPECT_EQ(p.getType().toString(), "fr");
    EXPECT_TRUE(p.isUnique());
    // The tree forgot the old width: terms of another width are welcome again.
    p.AppendTerm("1-01", "10");
    EXPECT_EQ(p.AppendTerm("1-01", "01"), 0u);
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"1-01 11"}));
}

TEST(PLAShape, ListConstructorCopiesTerms) {
    std::list<Term> terms;
    Term a(2, 1);
    a.setCube("1-");
    a.setOM("1");
    terms.push_back(a);
    Term b(2, 1);
    b.setCube("01");
    b.setOM("0");
    terms.push_back(b);
    const PLA p(terms, PLA_type("fr"));
    EXPECT_EQ(p.getType().toString(), "fr");
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"1- 1", "01 0"}));
}

TEST(PLAUnique, EqualCubesAreMerged) {
    PLA p;
    p.setUnique();
    EXPECT_EQ(p.AppendTerm("1-0", "10"), 0u);
    EXPECT_EQ(p.AppendTerm("0--", "~1"), 1u);
    EXPECT_EQ(p.AppendTerm("1-0", "01"), 0u);
    EXPECT_EQ(p.AppendTerm("1-0", "0-"), 0u); // only '1' outputs are merged in
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"1-0 11", "0-- ~1"}));

    p.AppendPLA(p); // every cube is present already
    EXPECT_EQ(p.getTermCount(), 2u);
}

TEST(PLAUnique, SetUniqueMergesExistingDuplicates) {
    PLA p;
    p.AppendTerm("10", "100");
    p.AppendTerm("01", "010");
    p.AppendTerm("10", "001");
    p.setUnique();
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"10 101", "01 010"}));
    EXPECT_EQ(p.AppendTerm("01", "001"), 1u);
    EXPECT_EQ(p.getTerm(1).getOM(), "011");

    p.setNonUnique();
    EXPECT_EQ(p.AppendTerm("01", "100"), 2u);
}

TEST(PLAUnique, CopyHasItsOwnTree) {
    auto original = std::make_unique<PLA>();
    original->setUnique();
    original->AppendTerm("11", "00");
    original->AppendTerm("0-", "00");

    PLA copy(*original);
    PLA assigned;
    assigned = *original;
    ASSERT_TRUE(copy.isUnique());
    ASSERT_TRUE(assigned.isUnique());

    // Changing the original does not reach the copies...
    original->AppendTerm("0-", "10");
    original->NegateInput(0); // 11 -> 01, 0- -> 1-
    EXPECT_EQ(termTexts(*original), (std::vector<std::string>{"01 00", "1- 10"}));
    original.reset();

    // ...and the copies merge into their own terms.
    EXPECT_EQ(copy.AppendTerm("0-", "01"), 1u);
    EXPECT_EQ(copy.AppendTerm("11", "10"), 0u);
    EXPECT_EQ(termTexts(copy), (std::vector<std::string>{"11 10", "0- 01"}));
    EXPECT_EQ(assigned.AppendTerm("0-", "11"), 1u);
    EXPECT_EQ(assigned.AppendTerm("10", "11"), 2u);
    EXPECT_EQ(termTexts(assigned), (std::vector<std::string>{"11 00", "0- 11", "10 11"}));
}

TEST(PLAUnique, LiteralChangesKeepTheTreeInStep) {
    PLA p;
    p.setUnique();
    p.AppendTerm("00", "1");
    p.AppendTerm("01", "0");
    p.setLit(0, 1, '-'); // 00 -> 0-
    EXPECT_EQ(p.AppendTerm("00", "1"), 2u);
    EXPECT_EQ(p.AppendTerm("0-", "1"), 0u);
    p.setLit(0, 1, Lit_1); // 0- -> 01, equal to term 1: merged
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"01 1", "00 1"}));
    EXPECT_EQ(messageOf([&] { p.setLit(0, 0, Lit_undef); }),
              rt("PLA::setLit: Wrong literal value"));
    EXPECT_EQ(messageOf([&] { p.setLit(0, 0, 'x'); }), rt("PLA::setLit: Wrong literal value"));
    EXPECT_EQ(messageOf([&] { p.setLit(0, 5, '1'); }), rt("Cube::setLit: Index out of range"));
}

TEST(PLATerms, NegateInputAndOutput) {
    PLA p;
    p.AppendTerm("10-", "10-~");
    p.AppendTerm("0-1", "0110");
    p.NegateInput(0);
    p.NegateInput(1);
    p.NegateOutput(0);
    p.NegateOutput(2);
    p.NegateOutput(3);
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"01- 00-~", "1-1 1101"}));
}

TEST(PLANames, NameVarsAndSetters) {
    PLA p(3, 2);
    EXPECT_EQ(p.getIName(7), ""); // no names at all
    EXPECT_EQ(p.getOName(7), "");
    p.NameVars();
    EXPECT_EQ(p.getINames(), (std::vector<std::string>{"x0", "x1", "x2"}));
    EXPECT_EQ(p.getONames(), (std::vector<std::string>{"y0", "y1"}));
    p.setIName(1, "a");
    p.NameVars(); // existing names stay
    EXPECT_EQ(p.getINames(), (std::vector<std::string>{"x0", "a", "x2"}));
    EXPECT_EQ(messageOf([&] { p.getIName(3); }), rt("PLA::getIName: Wrong name index"));
    EXPECT_EQ(messageOf([&] { p.getOName(2); }), rt("PLA::getOName: Wrong name index"));

    PLA q(3, 2);
    q.setIName(2, "P");
    EXPECT_EQ(q.getINames(), (std::vector<std::string>{"", "", "P"}));
    EXPECT_TRUE(q.getONames().empty());
    EXPECT_EQ(messageOf([&] { q.setIName(3, "Q"); }), rt("PLA::setIName: Incorrect index"));
    EXPECT_EQ(messageOf([&] { q.setOName(2, "Q"); }), rt("PLA::setOName: Incorrect index"));
    q.setOName(1, "f");
    EXPECT_EQ(q.getOName(0), "");
    EXPECT_EQ(q.getOName(1), "f");
}

TEST(PLAGates, MakeFamily) {
    struct Case {
        std::function<void(PLA&)> make;
        uint32_t inputs;
        std::string type;
        std::vector<std::string> terms;
        std::string name;
    };
    const std::vector<Case> cases = {
        {[](PLA& p) { p.Make_AND(3); }, 3, "f", {"111 1"}, "and"},
        {[](PLA& p) { p.Make_NAND(2); }, 2, "r", {"11 0"}, "nand"},
        {[](PLA& p) { p.Make_OR(4); }, 4, "r", {"0000 0"}, "or"},
        {[](PLA& p) { p.Make_NOR(2); }, 2, "f", {"00 1"}, "nor"},
        {[](PLA& p) { p.Make_XOR(); }, 2, "f", {"01 1", "10 1"}, "xor"},
        {[](PLA& p) { p.Make_XNOR(); }, 2, "f", {"00 1", "11 1"}, "xnor"},
        {[](PLA& p) { p.Make_Inv(); }, 1, "f", {"0 1"}, "inv"},
        {[](PLA& p) { p.Make_Buff(); }, 1, "f", {"1 1"}, "buff"},
        {[](PLA& p) { p.Make_ONE(); }, 1, "f", {"- 1"}, "one"},
        {[](PLA& p) { p.Make_ZERO(); }, 1, "r", {"- 0"}, "zero"},
    };
    for (const Case& c : cases) {
        // Start from a PLA of another shape, type and names: the gate replaces all of it.
        PLA p(5, 3, PLA_type("d"));
        p.AppendTerm("10101", "1-0");
        p.NameVars();
        c.make(p);
        EXPECT_EQ(p.getInputs(), c.inputs) << c.name;
        EXPECT_EQ(p.getOutputs(), 1u) << c.name;
        EXPECT_EQ(p.getType().toString(), c.type) << c.name;
        EXPECT_EQ(termTexts(p), c.terms) << c.name;
        EXPECT_EQ(p.getGateName(), c.name);
        EXPECT_TRUE(p.getINames().empty()) << c.name;
        EXPECT_EQ(p.getTerm(0).getCubeType(), static_cast<uint32_t>(CUBE_PRODUCT)) << c.name;
    }
}

TEST(PLAGates, GateNameFromTheCover) {
    EXPECT_EQ(pla("f", {{"11", "1"}}).getGateName(), "and");
    EXPECT_EQ(pla("r", {{"11", "0"}}).getGateName(), "nand");
    EXPECT_EQ(pla("f", {{"10", "1"}, {"01", "1"}}).getGateName(), "xor");
    EXPECT_EQ(pla("f", {{"11", "11"}}).getGateName(), "unknown");
    EXPECT_EQ(pla("fd", {{"11", "1"}, {"00", "-"}}).getGateName(), "unknown");
    EXPECT_EQ(pla("d", {{"11", "-"}}).getGateName(), "unknown");
    // A gate name already set is kept.
    PLA named = pla("f", {{"11", "1"}});
    named.setGateName("custom");
    EXPECT_EQ(named.getGateName(), "custom");
}

TEST(PLAQueries, ConstantBufferInverter) {
    PLA none(2, 1, PLA_type("f"));
    EXPECT_TRUE(none.isConstant());
    none.AppendTerm("--", "1");
    EXPECT_TRUE(none.isConstant());
    none.AppendTerm("1-", "1");
    EXPECT_FALSE(none.isConstant());
    EXPECT_FALSE(pla("f", {{"1-", "1"}}).isConstant());
    EXPECT_TRUE(pla("f", {{"", "1"}}).isConstant());

    PLA gate;
    gate.Make_ONE();
    EXPECT_FALSE(gate.isConstant()); // a named gate is never constant
    EXPECT_FALSE(gate.isTrivial());

    EXPECT_TRUE(pla("f", {{"1", "1"}}).isBuffer());
    EXPECT_FALSE(pla("f", {{"1", "1"}}).isInverter());
    EXPECT_TRUE(pla("f", {{"0", "1"}}).isInverter());
    EXPECT_FALSE(pla("f", {{"0", "0"}}).isInverter());
    EXPECT_TRUE(pla("r", {{"0", "0"}}).isBuffer());
    EXPECT_TRUE(pla("r", {{"1", "0"}}).isInverter());
    EXPECT_FALSE(pla("r", {{"1", "0"}}).isBuffer());
    EXPECT_FALSE(pla("fr", {{"1", "1"}}).isBuffer());
    EXPECT_FALSE(pla("fr", {{"0", "1"}}).isInverter());
    // Neither f nor r: any one-term one-input one-output PLA qualifies.
    EXPECT_TRUE(pla("d", {{"1", "-"}}).isBuffer());
    EXPECT_TRUE(pla("d", {{"1", "-"}}).isInverter());
    EXPECT_TRUE(pla("d", {{"1", "-"}}).isTrivial());
    EXPECT_FALSE(pla("f", {{"1", "11"}}).isBuffer());
    EXPECT_FALSE(pla("f", {{"1", "1"}, {"0", "1"}}).isBuffer());
    EXPECT_FALSE(pla("f", {{"1", "1"}, {"0", "1"}}).isTrivial());
}

TEST(PLASimulate, OnAndOffSets) {
    const PLA f = pla("f", {{"11", "1"}});
    EXPECT_EQ(sim(f, "11"), Values{1});
    EXPECT_EQ(sim(f, "01"), Values{0});
    EXPECT_EQ(sim(f, "-1"), Values{2}); // the input has '-' where the cube cares
    EXPECT_EQ(sim(f, "0-"), Values{0}); // decided at position 0 before the '-'

    const PLA r = pla("r", {{"11", "0"}});
    EXPECT_EQ(sim(r, "11"), Values{0});
    EXPECT_EQ(sim(r, "01"), Values{1});
    EXPECT_EQ(sim(r, "1-"), Values{2});

    EXPECT_EQ(sim(pla("fd", {{"11", "1"}}), "00"), Values{0});
    const PLA d = pla("d", {{"11", "-"}});
    EXPECT_EQ(sim(d, "11"), Values{2});
    EXPECT_EQ(sim(d, "00"), Values{3}); // nothing is known outside the listed set
    EXPECT_EQ(sim(PLA(2, 3), "01"), (Values{3, 3, 3}));

    // Outputs are independent; a value the type does not list is passed over.
    const PLA fMulti = pla("f", {{"1-", "10~"}, {"-1", "~11"}});
    EXPECT_EQ(sim(fMulti, "10"), (Values{1, 0, 0}));
    EXPECT_EQ(sim(fMulti, "01"), (Values{0, 1, 1}));
    const PLA rMulti = pla("r", {{"1-", "0~1"}});
    EXPECT_EQ(sim(rMulti, "11"), (Values{0, 1, 1}));
    EXPECT_EQ(sim(rMulti, "01"), (Values{1, 1, 1}));
}

TEST(PLASimulate, OnOffIntersectionRaises) {
    const PLA p = pla("fr", {{"1-", "1"}, {"-1", "0"}});
    EXPECT_EQ(sim(p, "10"), Values{1});
    EXPECT_EQ(sim(p, "01"), Values{0});
    const std::string clash = rt("PLA::Simulate: ON- and OFF-sets intersect");
    EXPECT_EQ(messageOf([&] { sim(p, "11"); }), clash);
    EXPECT_EQ(messageOf([&] { sim(pla("fr", {{"-1", "0"}, {"1-", "1"}}), "11"); }), clash);
}

TEST(PLASimulate, DontCareTermWinsInAnyOrder) {
    for (bool dcFirst : {true, false}) {
        const PLA p = dcFirst ? pla("fd", {{"1-", "-0"}, {"11", "11"}})
                              : pla("fd", {{"11", "11"}, {"1-", "-0"}});
        EXPECT_EQ(sim(p, "11"), (Values{2, 1})) << dcFirst;
        EXPECT_EQ(sim(p, "10"), (Values{2, 0})) << dcFirst;
        EXPECT_EQ(sim(p, "01"), (Values{0, 0})) << dcFirst;
    }
    // A don't-care term over an ON/OFF overlap: don't care, nothing raised.
    EXPECT_EQ(sim(pla("fdr", {{"1-", "1"}, {"-1", "0"}, {"11", "-"}}), "11"), Values{2});
    // Without d in the type a '-' output says nothing.
    const PLA f = pla("f", {{"11", "1"}, {"1-", "-"}});
    EXPECT_EQ(sim(f, "11"), Values{1});
    EXPECT_EQ(sim(f, "10"), Values{0});
}

TEST(PLASimulate, PartialCoverRules) {
    // An ON term the input only touches gives 2 unless a covering ON term decided 1.
    const PLA f = pla("f", {{"1-", "1"}, {"11", "1"}});
    EXPECT_EQ(sim(f, "1-"), Values{1});
    EXPECT_EQ(sim(f, "-1"), Values{2});
    EXPECT_EQ(sim(pla("r", {{"11", "0"}, {"1-", "0"}}), "1-"), Values{0});
    EXPECT_EQ(messageOf([&] { sim(f, "111"); }), rt("Cube::Simulate: Incorrect number of inputs"));

    // Terms of a sum kind are evaluated as clauses by the cube itself.
    PLA s(0, 0, PLA_type("f"));
    Term t(2, 1);
    t.setCube("11");
    t.setOM("1");
    t.setCubeType(CUBE_SUM);
    s.AppendTerm(t);
    EXPECT_EQ(sim(s, "01"), Values{1});
    EXPECT_EQ(sim(s, "00"), Values{0});
}

TEST(PLAConvert, ToSoPLA) {
    PLA p = pla("fr", {{"11-", "10"}, {"0-1", "0~"}, {"--0", "11"}});
    p.setIName(0, "a");
    p.setOName(1, "g");

    auto on = p.ToSoPLA(0);
    EXPECT_TRUE(on->getPhase());
    EXPECT_EQ(on->getInputs(), 3u);
    EXPECT_EQ(cubeTexts(*on), (std::vector<std::string>{"11-", "--0"}));
    EXPECT_EQ(on->getINames(), (std::vector<std::string>{"a", "", ""}));
    EXPECT_EQ(on->getName(), "");

    auto off = p.ToSoPLA(1, false);
    EXPECT_FALSE(off->getPhase());
    EXPECT_EQ(cubeTexts(*off), (std::vector<std::string>{"11-"}));
    EXPECT_EQ(off->getName(), "g");

    const PLA fOnly = pla("f", {{"1", "1"}});
    EXPECT_EQ(messageOf([&] { fOnly.ToSoPLA(0, false); }),
              rt("PLA::ToSoPLA: SoPLA cannot be generated"));
    EXPECT_EQ(messageOf([&] { fOnly.ToSoPLA(1); }), rt("PLA::ToSoPLA: Wrong output index"));
    EXPECT_EQ(messageOf([&] {
                  pla("fd", {{"1", "1"}, {"0", "-"}}).ToSoPLA(0);
              }),
              rt("PLA::ToSoPLA: incompletely specified function"));
    EXPECT_EQ(messageOf([&] {
                  pla("d", {{"1", "-"}}).ToSoPLA(0);
              }),
              rt("PLA::ToSoPLA: SoPLA cannot be generated"));

    // Neither f nor r and no terms: the constant 0.
    PLA empty(2, 1, PLA_type("d"));
    empty.setOName(0, "z");
    auto zero = empty.ToSoPLA(0);
    EXPECT_FALSE(zero->getPhase());
    EXPECT_EQ(cubeTexts(*zero), std::vector<std::string>{"--"});
    EXPECT_EQ(zero->getName(), "z");

    PLA gate;
    gate.Make_NAND(2);
    EXPECT_EQ(gate.ToSoPLA(0)->peekGateName(), "nand");
}

TEST(PLAConvert, FromSoPLA) {
    SoPLA on(3, true);
    on.AppendTerm("1-0");
    on.AppendTerm("-11");
    on.setIName(0, "a");
    on.setIName(2, "c");
    on.setName("out");
    const PLA p(on);
    EXPECT_EQ(p.getInputs(), 3u);
    EXPECT_EQ(p.getOutputs(), 1u);
    EXPECT_EQ(p.getType().toString(), "f");
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"1-0 1", "-11 1"}));
    EXPECT_EQ(p.getINames(), (std::vector<std::string>{"a", "", "c"}));
    EXPECT_EQ(p.getONames(), (std::vector<std::string>{"out"}));
    EXPECT_EQ(sim(p, "110"), Values{1});
    EXPECT_EQ(sim(p, "100"), Values{1});
    EXPECT_EQ(sim(p, "001"), Values{0});

    SoPLA off(2, false);
    off.setSparse();
    off.AppendTerm("0-");
    const PLA q(off);
    EXPECT_EQ(q.getType().toString(), "r");
    EXPECT_EQ(termTexts(q), (std::vector<std::string>{"0- 0"}));
    EXPECT_TRUE(q.getONames().empty());
    EXPECT_EQ(sim(q, "01"), Values{0});
    EXPECT_EQ(sim(q, "11"), Values{1});

    // There and back again.
    auto back = PLA(on).ToSoPLA(0);
    EXPECT_TRUE(*back == on);
    EXPECT_EQ(back->getName(), "out");
}
