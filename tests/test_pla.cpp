// PLA container: type letters, shape checks, merging of equal cubes under the unique flag,
// names, gate functions and queries, simulation by type and the conversions to and from
// single-output covers.

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

using namespace testsupport;
using Values = std::vector<uint32_t>;

// The same gate function called on a PLA and on a single-output cover.
#define BOTH(call)                                                                                 \
    [](PLA& p, SoPLA& s) {                                                                         \
        p.call;                                                                                    \
        s.call;                                                                                    \
    }

// A PLA of the given type with the given terms (input part, output part).
PLA pla(const char* type, const std::vector<std::pair<const char*, const char*>>& terms) {
    PLA p(0, 0, PLA_type(type));
    for (const auto& [in, out] : terms)
        p.AppendTerm(in, out);
    return p;
}

TEST(PLA, TypeLetters) {
    EXPECT_EQ(PLA_type("rf").toString(), "fr");
    EXPECT_EQ(PLA_type("ddd").toString(), "d");
    EXPECT_EQ(messageOf([] { PLA_type t("fx"); }), rt("Runtime error: unknown PLA type"));
    PLA_type esop("d");
    esop.esop = true;
    EXPECT_NE(esop, PLA_type("d")); // the esop flag takes part in the comparison
    EXPECT_EQ(PLA_type("d"), PLA_type("dd"));
    const PLA_type sum = esop + PLA_type("f");
    EXPECT_EQ(sum.toString(), "fd");
    EXPECT_TRUE(sum.esop); // from the left operand
    EXPECT_FALSE((PLA_type("r") + esop).esop);
}

TEST(PLA, ShapeTermsAndNames) {
    PLA p;
    EXPECT_EQ(p.AppendTerm("1-0", "10"), 0u); // the first term sets the shape
    EXPECT_EQ(p.AppendTerm("1-0", "01"), 1u); // no merging without the unique flag
    EXPECT_EQ(p.getInputs(), 3u);
    EXPECT_EQ(p.getOutputs(), 2u);
    p.AppendPLA(pla("", {{"0-1", "~-"}}));
    p.NegateInput(0);
    p.NegateInput(1);
    p.NegateOutput(0);
    p.NegateOutput(1);
    EXPECT_EQ(termTexts(p), (Texts{"0-0 01", "0-0 10", "1-1 ~-"}));

    std::list<Term> terms(1, Term(2, 1));
    terms.front().setCube("1-");
    terms.front().setOM("1");
    EXPECT_EQ(termTexts(PLA(terms, PLA_type("fr"))), Texts{"1- 1"});

    PLA names(3, 2);
    EXPECT_EQ(names.getIName(7) + names.getOName(7), ""); // no names at all
    names.setIName(1, "a");
    EXPECT_EQ(names.getINames(), (Texts{"", "a", ""}));
    EXPECT_TRUE(names.getONames().empty());
    names.NameVars(); // fills only what has no names yet
    EXPECT_EQ(names.getINames(), (Texts{"", "a", ""}));
    EXPECT_EQ(names.getONames(), (Texts{"y0", "y1"}));
    PLA fresh(2, 1);
    fresh.NameVars();
    EXPECT_EQ(fresh.getINames(), (Texts{"x0", "x1"}));
}

TEST(PLA, UniqueFlagMergesEqualCubes) {
    PLA p(0, 0, PLA_type("fr"));
    p.setUnique();
    EXPECT_EQ(p.AppendTerm("1-0", "10"), 0u);
    EXPECT_EQ(p.AppendTerm("0--", "~1"), 1u);
    EXPECT_EQ(p.AppendTerm("1-0", "01"), 0u);
    EXPECT_EQ(p.AppendTerm("1-0", "0-"), 0u); // only '1' outputs are merged in
    p.AppendPLA(p);                           // every cube is present already
    EXPECT_EQ(termTexts(p), (Texts{"1-0 11", "0-- ~1"}));

    // clear keeps the type and the flag; the tree forgets the old width.
    p.setGateName("and");
    p.clear();
    EXPECT_TRUE(p.empty() && p.peekGateName().empty());
    EXPECT_EQ(p.getType().toString(), "fr");
    p.AppendTerm("1-01", "10");
    EXPECT_EQ(p.AppendTerm("1-01", "01"), 0u);

    PLA q;
    q.AppendTerm("10", "100");
    q.AppendTerm("01", "010");
    q.AppendTerm("10", "001");
    q.setUnique(); // merges the duplicates already there
    EXPECT_EQ(termTexts(q), (Texts{"10 101", "01 010"}));
    EXPECT_EQ(q.AppendTerm("01", "001"), 1u);
    q.setNonUnique();
    EXPECT_EQ(q.AppendTerm("01", "100"), 2u);

    // Copies have their own tree.
    auto original = std::make_unique<PLA>();
    original->setUnique();
    original->AppendTerm("11", "00");
    original->AppendTerm("0-", "00");
    PLA copy(*original);
    PLA assigned;
    assigned = *original;
    original->AppendTerm("0-", "10");
    original->NegateInput(0); // the tree follows the new texts
    EXPECT_EQ(original->AppendTerm("1-", "01"), 1u);
    EXPECT_EQ(termTexts(*original), (Texts{"01 00", "1- 11"}));
    original.reset();
    EXPECT_EQ(copy.AppendTerm("0-", "01"), 1u);
    EXPECT_EQ(copy.AppendTerm("11", "10"), 0u);
    EXPECT_EQ(termTexts(copy), (Texts{"11 10", "0- 01"}));
    EXPECT_EQ(assigned.AppendTerm("0-", "11"), 1u);
    EXPECT_EQ(assigned.AppendTerm("10", "11"), 2u);

    // Literal changes keep the tree in step; a change that makes two cubes equal merges.
    PLA r;
    r.setUnique();
    r.AppendTerm("00", "1");
    r.AppendTerm("01", "0");
    r.setLit(0, 1, '-'); // 00 -> 0-
    EXPECT_EQ(r.AppendTerm("00", "1"), 2u);
    EXPECT_EQ(r.AppendTerm("0-", "1"), 0u);
    r.setLit(0, 1, Lit_1); // 0- -> 01, equal to term 1
    EXPECT_EQ(termTexts(r), (Texts{"01 1", "00 1"}));
    r.setLit_dc(0, 0);
    r.setLit_0(0, 0);
    r.setLit_1(1, 0);
    r.setOM(1, 0, '0');
    EXPECT_EQ(termTexts(r), (Texts{"01 1", "10 0"}));
}

TEST(PLA, GateFunctionsAndQueries) {
    // The gate functions of both kinds of cover, each made from a cover of another shape,
    // type, phase and names: the gate replaces all of it.
    struct Made {
        std::function<void(PLA&, SoPLA&)> make;
        const char* type;
        Texts terms;
        const char* name;
    };
    const std::vector<Made> made = {
        {BOTH(Make_AND(3)), "f", {"111 1"}, "and"},
        {BOTH(Make_NAND(2)), "r", {"11 0"}, "nand"},
        {BOTH(Make_OR(4)), "r", {"0000 0"}, "or"},
        {BOTH(Make_NOR(2)), "f", {"00 1"}, "nor"},
        {BOTH(Make_XOR()), "f", {"01 1", "10 1"}, "xor"},
        {BOTH(Make_XNOR()), "f", {"00 1", "11 1"}, "xnor"},
        {BOTH(Make_Inv()), "f", {"0 1"}, "inv"},
        {BOTH(Make_Buff()), "f", {"1 1"}, "buff"},
        {BOTH(Make_ONE()), "f", {"- 1"}, "one"},
        {BOTH(Make_ZERO()), "r", {"- 0"}, "zero"},
    };
    for (const Made& m : made) {
        PLA p(5, 3, PLA_type("d"));
        p.AppendTerm("10101", "1-0");
        p.NameVars();
        SoPLA s(0, std::string(m.type) == "r"); // the other phase
        for (const char* name : {"p", "q", "r", "s", "t"})
            s.AppendInput(name);
        s.AppendTerm("1----");
        m.make(p, s);
        EXPECT_EQ(p.getType().toString(), m.type) << m.name;
        EXPECT_EQ(termTexts(p), m.terms) << m.name;
        EXPECT_EQ(p.getGateName(), m.name);
        EXPECT_TRUE(p.getINames().empty()) << m.name;
        EXPECT_FALSE(p.isConstant()) << m.name; // a named gate is never constant
        EXPECT_EQ(termTexts(PLA(s)), m.terms) << m.name;
        EXPECT_EQ(PLA(s).getType().toString(), m.type) << m.name;
        EXPECT_EQ(s.peekGateName(), m.name);
        EXPECT_TRUE(s.getINames().empty()) << m.name;
    }

    // Without a gate name the cover decides; only single-output f or r PLAs have one.
    const std::pair<PLA, const char*> named[] = {
        {pla("r", {{"11", "0"}}), "nand"},     {pla("f", {{"10", "1"}, {"01", "1"}}), "xor"},
        {pla("f", {{"11", "11"}}), "unknown"}, {pla("fd", {{"11", "1"}, {"00", "-"}}), "unknown"},
        {pla("d", {{"11", "-"}}), "unknown"},
    };
    for (auto [p, name] : named) {
        EXPECT_EQ(p.RecognizeGateName(), std::string(name) != "unknown") << name;
        EXPECT_EQ(p.getGateName(), name);
    }

    struct Query {
        PLA p;
        bool constant, buffer, inverter;
    };
    const Query queries[] = {
        {PLA(2, 1, PLA_type("f")), true, false, false},
        {pla("f", {{"--", "1"}}), true, false, false},
        {pla("f", {{"", "1"}}), true, false, false},
        {pla("f", {{"1-", "1"}}), false, false, false},
        {pla("f", {{"1", "1"}, {"0", "1"}}), false, false, false},
        {pla("f", {{"1", "1"}}), false, true, false},
        {pla("f", {{"0", "1"}}), false, false, true},
        {pla("f", {{"0", "0"}}), false, false, false},
        {pla("r", {{"0", "0"}}), false, true, false},
        {pla("r", {{"1", "0"}}), false, false, true},
        {pla("fr", {{"1", "1"}}), false, false, false},
        {pla("f", {{"1", "11"}}), false, false, false},
        {pla("d", {{"1", "-"}}), false, true, true}, // neither f nor r: any such term
    };
    for (const Query& q : queries) {
        const std::string what = "query " + std::to_string(&q - queries);
        EXPECT_EQ(q.p.isConstant(), q.constant) << what;
        EXPECT_EQ(q.p.isBuffer(), q.buffer) << what;
        EXPECT_EQ(q.p.isInverter(), q.inverter) << what;
        EXPECT_EQ(q.p.isTrivial(), q.constant || q.buffer || q.inverter) << what;
    }
}

// One value per output: 0, 1, 2 (don't care or undefined), 3 (nothing known).
TEST(PLA, SimulateByType) {
    struct Row {
        PLA p;
        const char* input;
        Values expect;
    };
    const PLA f = pla("f", {{"11", "1"}});
    const PLA r = pla("r", {{"11", "0"}});
    const PLA fMulti = pla("f", {{"1-", "10~"}, {"-1", "~11"}});
    const PLA dcFirst = pla("fd", {{"1-", "-0"}, {"11", "11"}});
    const PLA dcLast = pla("fd", {{"11", "11"}, {"1-", "-0"}});
    const PLA partial = pla("f", {{"1-", "1"}, {"11", "1"}});
    const Row rows[] = {
        {f, "11", {1}},
        {f, "01", {0}},
        {f, "-1", {2}}, // the input has '-' where the cube cares
        {f, "0-", {0}}, // decided at position 0 before the '-'
        {r, "11", {0}},
        {r, "01", {1}},
        {r, "1-", {2}},
        {pla("fr", {{"00", "1"}, {"11", "0"}}), "10", {2}}, // neither set lists it
        {pla("d", {{"11", "-"}}), "11", {2}},
        {pla("d", {{"11", "-"}}), "00", {3}},
        {PLA(2, 3), "01", {3, 3, 3}},
        // Outputs are independent; a value the type does not list is passed over.
        {fMulti, "10", {1, 0, 0}},
        {fMulti, "01", {0, 1, 1}},
        {pla("r", {{"1-", "0~1"}}), "11", {0, 1, 1}},
        // A don't-care term wins in any order, also over an ON/OFF overlap.
        {dcFirst, "11", {2, 1}},
        {dcLast, "11", {2, 1}},
        {dcLast, "10", {2, 0}},
        {pla("fdr", {{"1-", "1"}, {"-1", "0"}, {"11", "-"}}), "11", {2}},
        {pla("f", {{"11", "1"}, {"1-", "-"}}), "10", {0}}, // without d a '-' says nothing
        // An ON term the input only touches gives 2 unless a covering ON term decided 1.
        {partial, "1-", {1}},
        {partial, "-1", {2}},
        {pla("r", {{"11", "0"}, {"1-", "0"}}), "1-", {0}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.p.Simulate(Cube(row.input)), row.expect)
            << row.p.getType().toString() << " " << termTexts(row.p).size() << " " << row.input;

    // Terms of a sum kind are evaluated as clauses by the cube itself.
    PLA s(0, 0, PLA_type("f"));
    Term t(2, 1);
    t.setCube("11");
    t.setOM("1");
    t.setCubeType(CUBE_SUM);
    s.AppendTerm(t);
    EXPECT_EQ(s.Simulate(Cube("01")), Values{1});
    EXPECT_EQ(s.Simulate(Cube("00")), Values{0});

    const std::string clash = rt("the ON-set and the OFF-set of the target overlap");
    EXPECT_EQ(messageOf([&] {
                  pla("fr", {{"1-", "1"}, {"-1", "0"}}).Simulate(Cube("11"));
              }),
              clash);
    EXPECT_EQ(messageOf([&] {
                  pla("fr", {{"-1", "0"}, {"1-", "1"}}).Simulate(Cube("11"));
              }),
              clash);
    EXPECT_MSG("Cube::Simulate: Incorrect number of inputs", f.Simulate(Cube("111")));
}

TEST(PLA, ConversionsToAndFromCovers) {
    PLA p = pla("fr", {{"11-", "10"}, {"0-1", "0~"}, {"--0", "11"}});
    p.setIName(0, "a");
    p.setOName(1, "g");
    EXPECT_EQ(coverState(*p.ToSoPLA(0)), "(a,,): 11- --0");
    EXPECT_EQ(coverState(*p.ToSoPLA(1, false)), "off g(a,,): 11-");

    // Neither f nor r and no terms: the constant 0.
    PLA empty(2, 1, PLA_type("d"));
    empty.setOName(0, "z");
    EXPECT_EQ(coverState(*empty.ToSoPLA(0)), "off z(): --");
    PLA gate;
    gate.Make_NAND(2);
    EXPECT_EQ(gate.ToSoPLA(0)->peekGateName(), "nand");

    SoPLA cover(3, true);
    cover.AppendTerm("1-0");
    cover.AppendTerm("-11");
    cover.setIName(0, "a");
    cover.setIName(2, "c");
    cover.setName("out");
    const PLA fromOn(cover);
    EXPECT_EQ(fromOn.getType().toString(), "f");
    EXPECT_EQ(termTexts(fromOn), (Texts{"1-0 1", "-11 1"}));
    EXPECT_EQ(fromOn.getINames(), (Texts{"a", "", "c"}));
    EXPECT_EQ(fromOn.getONames(), Texts{"out"});
    EXPECT_EQ(coverState(*fromOn.ToSoPLA(0)), coverState(cover));

    SoPLA offCover(2, false);
    offCover.setSparse();
    offCover.AppendTerm("0-");
    const PLA fromOff(offCover);
    EXPECT_EQ(fromOff.getType().toString(), "r");
    EXPECT_EQ(termTexts(fromOff), Texts{"0- 0"});
    EXPECT_TRUE(fromOff.getONames().empty());
}

TEST(PLA, RejectedCalls) {
    PLA p = pla("f", {{"1-0", "10"}});
    EXPECT_MSG("PLA::AppendTerm: incompatible terms", p.AppendTerm("1-01", "10"));
    EXPECT_MSG("PLA::AppendTerm: incompatible terms", p.AppendTerm("1-0", "1"));
    EXPECT_MSG("PLA::AppendTerm: incompatible terms", PLA(2, 1).AppendTerm("11", "00"));
    EXPECT_MSG("PLA::SetInputs: Changing the number of PLA inputs", p.setInputs(2));
    EXPECT_MSG("PLA::SetOutputs: Changing the number of PLA outputs", p.setOutputs(3));
    p.setInputs(3); // the same count is accepted
    p.setOutputs(2);
    EXPECT_MSG("PLA::setLit: Wrong literal value", p.setLit(0, 0, Lit_undef));
    EXPECT_MSG("PLA::setLit: Wrong literal value", p.setLit(0, 0, 'x'));
    EXPECT_MSG("Cube::setLit: Index out of range", p.setLit(0, 5, '1'));
    EXPECT_MSG("PLA::setLit: Term index out of range", p.setLit(1, 0, '1'));
    EXPECT_MSG("PLA::setIName: Incorrect index", p.setIName(3, "Q"));
    EXPECT_MSG("PLA::setOName: Incorrect index", p.setOName(2, "Q"));
    p.NameVars();
    EXPECT_MSG("PLA::getIName: Wrong name index", p.getIName(3));
    EXPECT_MSG("PLA::getOName: Wrong name index", p.getOName(2));
    EXPECT_MSG("PLA::ToSoPLA: SoPLA cannot be generated", p.ToSoPLA(0, false));
    EXPECT_MSG("PLA::ToSoPLA: Wrong output index", p.ToSoPLA(2));
    EXPECT_MSG("PLA::ToSoPLA: incompletely specified function",
               pla("fd", {{"1", "1"}, {"0", "-"}}).ToSoPLA(0));
    EXPECT_MSG("PLA::ToSoPLA: SoPLA cannot be generated", pla("d", {{"1", "-"}}).ToSoPLA(0));
    EXPECT_EQ(termTexts(p), Texts{"1-0 10"});
}

} // namespace
