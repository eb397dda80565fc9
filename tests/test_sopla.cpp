// Single-output covers and clause sets: construction and copies, name look-up with
// duplicate names, terms set by name (also after columns were appended to a sparse clause
// set), the term index, splicing, merging, cofactors, column and term removal, measures,
// comparison, evaluation in both modes, gate recognition and construction.

#include "logic/SoPLA.h"
#include "tests/support/CoverText.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <list>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using testsupport::cubeTexts;
using testsupport::messageOf;
using testsupport::rt;

// A cover with the given terms (product kind, via AppendTerm(text)).
SoPLA cover(const std::vector<std::string>& terms, bool phase = true) {
    SoPLA s(0, phase);
    for (const std::string& t : terms)
        s.AppendTerm(t);
    return s;
}

SoPLA named(const std::vector<std::string>& names) {
    SoPLA s;
    for (const std::string& n : names)
        s.AppendInput(n);
    return s;
}

Cube sparseBlank(uint32_t n) {
    Cube c;
    c.init_sparse(n);
    return c;
}

// ---------------------------------------------------------------- construction

TEST(SoPLAConstruction, DefaultsAndShapes) {
    SoPLA a;
    EXPECT_EQ(a.getInputs(), 0u);
    EXPECT_TRUE(a.empty());
    EXPECT_TRUE(a.getPhase());
    EXPECT_FALSE(a.isSparse() || a.isCNF() || a.isDFF());

    SoPLA b(5, false);
    EXPECT_EQ(b.getInputs(), 5u);
    EXPECT_FALSE(b.getPhase());

    SoPLA c("1-0");
    EXPECT_EQ(c.getInputs(), 3u);
    EXPECT_EQ(cubeTexts(c), std::vector<std::string>{"1-0"});
    EXPECT_EQ(c.begin()->getCubeType(), uint32_t(CUBE_PRODUCT));
    EXPECT_EQ(c.Simulate(Cube("110")), 1u); // product kind: evaluable
    EXPECT_EQ(messageOf([] { SoPLA bad("1x"); }), rt("Cube::setLit: Invalid value"));
}

TEST(SoPLAConstruction, CopyIsDeepAndBuildsItsOwnIndex) {
    SoPLA a = named({"x", "y"});
    a.AppendTerm("1-");
    a.AppendTerm("01");
    a.getComments().push_back("c note");
    a.setGateName("g");
    a.getTerm(1); // a is indexed now
    SoPLA b(a);
    // b's index must point into b's own list.
    b.getTerm(1)->setLit(0, Lit_1);
    EXPECT_EQ(cubeTexts(a), (std::vector<std::string>{"1-", "01"}));
    EXPECT_EQ(cubeTexts(b), (std::vector<std::string>{"1-", "11"}));
    EXPECT_EQ(b.getINames(), a.getINames());
    EXPECT_EQ(b.getComments(), a.getComments());
    EXPECT_EQ(b.peekGateName(), "g");

    SoPLA c;
    c = a;
    c.setIName(0, "z");
    EXPECT_EQ(a.getNamePos("x"), 0u);
    EXPECT_EQ(c.getNamePos("x"), 2u);
    EXPECT_EQ(c.getNamePos("z"), 0u);
}

TEST(SoPLAConstruction, ShapeCloneKeepsNamesAndFlagsOnly) {
    SoPLA a = named({"p", "q"});
    a.setCNF(true);
    a.setSparse();
    a.setPhase(false);
    a.setName("out");
    a.AppendTerm(sparseBlank(2));
    a.getComments().push_back("c x");
    a.setGateName("and");
    SoPLA b(&a);
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.getInputs(), 2u);
    EXPECT_EQ(b.getINames(), a.getINames());
    EXPECT_TRUE(b.isCNF() && b.isSparse() && !b.getPhase());
    EXPECT_EQ(b.getName(), "out");
    EXPECT_TRUE(b.getComments().empty());
    EXPECT_EQ(b.peekGateName(), "");
    EXPECT_EQ(b.getNamePos("q"), 1u);
}

TEST(SoPLAConstruction, ClearClearDataSetInputsResize) {
    SoPLA a = named({"a", "b", "c"});
    a.AppendTerm("1-0");
    a.setName("f");
    a.getComments().push_back("c k");
    SoPLA b(a);

    b.clearData();
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.getInputs(), 3u);
    EXPECT_EQ(b.getIName(2), "c");

    b = a;
    b.clear();
    EXPECT_EQ(b.getInputs(), 0u);
    EXPECT_TRUE(b.getINames().empty());
    EXPECT_EQ(b.getName(), "f");
    EXPECT_EQ(b.getComments().size(), 1u);

    b = a;
    b.setInputs(7);
    EXPECT_EQ(b.getInputs(), 7u);
    EXPECT_EQ(b.begin()->size(), 3u); // terms untouched
    EXPECT_EQ(b.getINames().size(), 3u);

    b = a;
    b.resize(2);
    EXPECT_EQ(cubeTexts(b), std::vector<std::string>{"1-"});
    EXPECT_EQ(b.getINames(), (std::vector<std::string>{"a", "b"}));
    b.resize(4);
    EXPECT_EQ(cubeTexts(b), std::vector<std::string>{"1---"});
    EXPECT_EQ(b.getINames(), (std::vector<std::string>{"a", "b", "", ""}));
}

// ---------------------------------------------------------------- names

TEST(SoPLANames, UnnamedCover) {
    SoPLA s(3);
    EXPECT_EQ(s.getIName(5), ""); // never named: no index check
    EXPECT_EQ(s.FindIName(""), -1);
    EXPECT_EQ(s.getNamePos(""), 0u);
    EXPECT_EQ(s.getNamePos("a"), 3u);
    s.setIName(1, "b");
    EXPECT_EQ(s.getINames(), (std::vector<std::string>{"", "b", ""}));
    EXPECT_EQ(messageOf([&] { s.getIName(3); }), rt("SoPLA::getIName: Incorrect index"));
    EXPECT_EQ(messageOf([&] { s.setIName(3, "x"); }), rt("SoPLA::setIName: Incorrect index"));
    EXPECT_EQ(s.FindIName("b"), 1);
    EXPECT_EQ(s.FindIName(""), 0);
    EXPECT_EQ(s.FindIName("zz"), -1);
    EXPECT_EQ(s.getNamePos("zz"), 3u);
    EXPECT_EQ(SoPLA().FindIName(""), -1);
}

TEST(SoPLANames, DuplicatesFirstOccurrenceWins) {
    SoPLA s = named({"a", "d", "b", "d", "d"});
    s.setCNF(true);
    auto t = s.AppendTerm(Cube(5));
    s.setLitByName(t, "d", Lit_1);
    EXPECT_EQ(t->getCube(), "-1---");
    EXPECT_EQ(s.getLitByName(t, "d"), Lit_1);

    // Renaming the first "d" hands the name to the next one.
    s.setIName(1, "e");
    EXPECT_EQ(s.getNamePos("d"), 3u);
    s.setLitByName(t, "d", Lit_0);
    EXPECT_EQ(t->getCube(), "-1-0-");
    // A rename to an earlier position of an existing name moves its first occurrence.
    s.setIName(0, "d");
    EXPECT_EQ(s.FindIName("d"), 0);
    EXPECT_EQ(s.getNamePos("a"), 5u);
    // Removing every "d" but the last.
    s.setIName(0, "x");
    s.setIName(3, "y");
    EXPECT_EQ(s.FindIName("d"), 4);
    s.setIName(4, "z");
    EXPECT_EQ(s.FindIName("d"), -1);
    EXPECT_EQ(s.getNamePos("e"), 1u);
}

TEST(SoPLANames, UnknownNameRaisesSetLitByNameAndChangesNothing) {
    SoPLA s = named({"a", "b"});
    auto t = s.AppendTerm("1-");
    const std::string msg = rt("SoPLA::setLitByName: Variable name not found");
    EXPECT_EQ(messageOf([&] { s.getLitByName(t, "c"); }), msg);
    EXPECT_EQ(messageOf([&] { s.setLitByName(t, "c", Lit_0); }), msg);
    EXPECT_EQ(t->getCube(), "1-");
    EXPECT_EQ(messageOf([&] { s.setLitByName(t, "b", Lit_undef); }),
              rt("Cube::setLit: Wrong IM value"));
    EXPECT_EQ(t->getCube(), "1-");
}

// The name index must agree with a linear first-match search under any sequence of
// appends and renames (names drawn from a small pool, so duplicates are common).
TEST(SoPLANames, IndexAgreesWithLinearSearch) {
    std::mt19937 rng(12345);
    const std::vector<std::string> pool = {"", "a", "b", "c", "d", "e"};
    for (int round = 0; round < 40; ++round) {
        SoPLA s(round % 3); // some start with unnamed columns
        std::vector<std::string> ref(round % 3, "");
        for (int step = 0; step < 60; ++step) {
            const std::string name = pool[rng() % pool.size()];
            if (ref.empty() || rng() % 3 == 0) {
                s.AppendInput(name);
                ref.push_back(name);
            } else {
                const uint32_t i = rng() % ref.size();
                s.setIName(i, name);
                ref[i] = name;
            }
            if (rng() % 4 == 0) s.getNamePos("a"); // interleave look-ups with changes
            ASSERT_EQ(s.getINames(), ref);
            for (const std::string& q : pool) {
                uint32_t expect = static_cast<uint32_t>(ref.size());
                for (uint32_t i = 0; i < ref.size(); ++i)
                    if (ref[i] == q) {
                        expect = i;
                        break;
                    }
                ASSERT_EQ(s.getNamePos(q), expect) << "round " << round << " name " << q;
                ASSERT_EQ(s.FindIName(q), expect == ref.size() ? -1 : int(expect));
            }
        }
    }
}

TEST(SoPLANames, EqualInps) {
    SoPLA a = named({"x", "y"});
    SoPLA b = named({"y", "z", "x"});
    EXPECT_TRUE(a.EqualInps(b));
    EXPECT_FALSE(b.EqualInps(a));
    EXPECT_TRUE(SoPLA().EqualInps(a));
}

// ---------------------------------------------------------------- terms

TEST(SoPLATerms, AppendTermWidth) {
    SoPLA s;
    s.AppendTerm(Cube("10-"));
    EXPECT_EQ(s.getInputs(), 3u);
    EXPECT_EQ(messageOf([&] { s.AppendTerm(Cube("10")); }),
              rt("SoPLA::AppendTerm: incompatible terms"));
    EXPECT_EQ(s.getTermCount(), 1u);

    SoPLA sp(2);
    sp.setSparse();
    auto it = sp.AppendTerm("1-");
    EXPECT_TRUE(it->isSparse());
    EXPECT_EQ(it->getCube(), "1-");
    EXPECT_EQ(it->getCubeType(), uint32_t(CUBE_PRODUCT));
}

TEST(SoPLATerms, AppendPLAAndDeleteTerm) {
    SoPLA a = cover({"1-", "01"});
    SoPLA b = cover({"00"});
    b.AppendPLA(a);
    EXPECT_EQ(cubeTexts(b), (std::vector<std::string>{"00", "1-", "01"}));
    a.AppendPLA(a); // appending a cover to itself doubles it once
    EXPECT_EQ(cubeTexts(a), (std::vector<std::string>{"1-", "01", "1-", "01"}));
    auto next = b.DeleteTerm(b.getTerm(1));
    EXPECT_EQ(next->getCube(), "01");
    EXPECT_EQ(cubeTexts(b), (std::vector<std::string>{"00", "01"}));
}

TEST(SoPLATerms, GetTermReindexesAfterChanges) {
    SoPLA s = cover({"00", "01", "10"});
    EXPECT_EQ(s.getTerm(2)->getCube(), "10");
    EXPECT_EQ(s.getTerm(2)->getTermIndex(), 2u);
    s.DeleteTerm(s.getTerm(0));
    EXPECT_EQ(s.getTerm(0)->getCube(), "01");
    EXPECT_EQ(s.getTerm(1)->getTermIndex(), 1u);
    s.AppendTerm("11");
    EXPECT_EQ(s.getTerm(2)->getCube(), "11");
}

TEST(SoPLATerms, SetSparseConvertsTerms) {
    SoPLA s = cover({"1-0", "--1"});
    s.setSparse();
    EXPECT_TRUE(s.isSparse());
    for (const Cube& c : s)
        EXPECT_TRUE(c.isSparse());
    EXPECT_EQ(cubeTexts(s), (std::vector<std::string>{"1-0", "--1"}));
}

TEST(SoPLATerms, Splice) {
    SoPLA empty;
    SoPLA off = cover({"1-", "-1"}, false);
    empty.Splice(off);
    EXPECT_EQ(empty.getInputs(), 2u);
    EXPECT_FALSE(empty.getPhase());
    EXPECT_EQ(cubeTexts(empty), (std::vector<std::string>{"1-", "-1"}));
    EXPECT_TRUE(off.empty());

    SoPLA on = cover({"11"});
    EXPECT_EQ(messageOf([&] { empty.Splice(on); }),
              rt("SoPLA::Splice: Splicing different PLA types"));
    EXPECT_EQ(on.getTermCount(), 1u);
    SoPLA wide = cover({"111"}, false);
    EXPECT_EQ(messageOf([&] { empty.Splice(wide); }),
              rt("SoPLA::Splice: Splicing different PLA types"));

    std::list<Cube> cubes = {Cube("00"), Cube("0-")};
    empty.Splice(cubes);
    EXPECT_TRUE(cubes.empty());
    EXPECT_EQ(empty.getTermCount(), 4u);
    EXPECT_EQ(empty.getTerm(3)->getCube(), "0-");
}

// Columns appended to a sparse clause set reach the old clauses lazily; everything that
// hands them out or reads them must see the full width.
TEST(SoPLATerms, LazyWideningOfSparseClauses) {
    SoPLA s;
    s.setCNF(true);
    s.setSparse();
    s.AppendInput("a");
    s.AppendInput("b");
    auto early = s.AppendTerm(sparseBlank(2));
    s.setLitByName(early, "b", Lit_0);
    for (int i = 0; i < 1000; ++i)
        s.AppendInput("v" + std::to_string(i));
    // Reading a column the clause never had: don't care.
    EXPECT_EQ(s.getLitByName(early, "v999"), Lit_dc);
    EXPECT_EQ(s.getLitByName(early, "b"), Lit_0);
    // Setting it through the kept iterator works.
    s.setLitByName(early, "v999", Lit_1);
    EXPECT_EQ(early->size(), 1002u);
    auto late = s.AppendTerm(sparseBlank(1002));
    s.setLitByName(late, "v0", Lit_1);
    s.AppendInput("last");
    for (const Cube& c : s)
        EXPECT_EQ(c.size(), 1003u);
    EXPECT_EQ(s.getTerm(0)->getCube(), "-0" + std::string(999, '-') + "1-");
    EXPECT_EQ(s.getTerm(1)->getCube(), "--1" + std::string(1000, '-'));
    // Operations that compare terms see consistent widths.
    SoPLA copy(s);
    EXPECT_TRUE(copy == s);
    for (Cube& c : s)
        c.setCubeType(CUBE_SUM);
    s.AppendInput("more");
    Cube y(1004);
    y.assign(Lit_0);
    EXPECT_EQ(s.Simulate(y), 0u); // clause 1 holds only +v0, which is 0
}

TEST(SoPLATerms, DenseTermsWidenAtOnce) {
    SoPLA s = named({"a"});
    auto t = s.AppendTerm("1");
    s.AppendInput("b");
    EXPECT_EQ(t->getCube(), "1-"); // the kept iterator already sees the new column
    s.setLitByName(t, "b", Lit_0);
    EXPECT_EQ(t->getCube(), "10");
}

// ---------------------------------------------------------------- two-level operations

TEST(SoPLAOperations, MergeSoPLAs) {
    SoPLA a = named({"x", "y"});
    a.AppendTerm("1-");
    SoPLA b = named({"z", "y", "w"});
    b.AppendTerm("01-");
    b.AppendTerm("--0");
    a.MergeSoPLAs(b);
    EXPECT_EQ(a.getInputs(), 4u);
    EXPECT_EQ(a.getINames(), (std::vector<std::string>{"x", "y", "z", "w"}));
    // b's columns z, y, w went to 2, 1, 3.
    EXPECT_EQ(cubeTexts(a), (std::vector<std::string>{"1---", "-10-", "---0"}));

    SoPLA sp = named({"y"});
    sp.setSparse();
    sp.MergeSoPLAs(b);
    EXPECT_EQ(sp.getINames(), (std::vector<std::string>{"y", "z", "w"}));
    EXPECT_EQ(cubeTexts(sp), (std::vector<std::string>{"10-", "--0"}));
    for (const Cube& c : sp)
        EXPECT_TRUE(c.isSparse());

    SoPLA off(2, false);
    EXPECT_EQ(messageOf([&] { a.MergeSoPLAs(off); }), rt("SoPLA::MergeSoPLAs: Incompatible PLAs"));
    SoPLA cnf(2);
    cnf.setCNF(true);
    EXPECT_EQ(messageOf([&] { a.MergeSoPLAs(cnf); }), rt("SoPLA::MergeSoPLAs: Incompatible PLAs"));
    SoPLA dff(1);
    dff.setDFF(true);
    EXPECT_EQ(messageOf([&] { a.MergeSoPLAs(dff); }),
              rt("SoPLA::MergeSoPLAs: DFFs canot be merged"));
}

TEST(SoPLAOperations, MergeWithDuplicateNamesUsesFirstMatch) {
    SoPLA a = named({"q", "q"});
    SoPLA b = named({"q", "r", "r"});
    b.AppendTerm("011");
    a.MergeSoPLAs(b);
    // q -> 0 (first q), each r is new (r is not among a's names before the merge).
    EXPECT_EQ(a.getINames(), (std::vector<std::string>{"q", "q", "r", "r"}));
    EXPECT_EQ(cubeTexts(a), std::vector<std::string>{"0-11"});
}

TEST(SoPLAOperations, Cofactor) {
    SoPLA s = named({"a", "b", "c"});
    s.AppendTerm("1-0");
    s.AppendTerm("01-");
    s.AppendTerm("-11");
    s.setPhase(false);
    std::unique_ptr<SoPLA> r = s.Cofactor(Cube("1--"));
    EXPECT_EQ(cubeTexts(*r), (std::vector<std::string>{"--0", "-11"}));
    EXPECT_EQ(r->getINames(), s.getINames());
    EXPECT_FALSE(r->getPhase());
    r = s.Cofactor(Cube("-11"));
    EXPECT_EQ(cubeTexts(*r), (std::vector<std::string>{"0--", "---"}));
    EXPECT_EQ(messageOf([&] { s.Cofactor(Cube("1-")); }),
              rt("SoPLA::Cofactor: PLA and the term are incompatible"));
    EXPECT_EQ(s.getTermCount(), 3u);
}

TEST(SoPLAOperations, RemoveAllDCCols) {
    SoPLA s = named({"a", "b", "c", "d"});
    s.AppendTerm("1--0");
    s.AppendTerm("0---");
    s.RemoveAllDCCols();
    EXPECT_EQ(s.getInputs(), 2u);
    EXPECT_EQ(s.getINames(), (std::vector<std::string>{"a", "d"}));
    EXPECT_EQ(cubeTexts(s), (std::vector<std::string>{"10", "0-"}));
    EXPECT_EQ(s.getNamePos("d"), 1u);

    SoPLA sp = cover({"-1-", "-0-"});
    sp.setSparse();
    sp.RemoveAllDCCols();
    EXPECT_EQ(cubeTexts(sp), (std::vector<std::string>{"1", "0"}));
    EXPECT_TRUE(sp.begin()->isSparse());

    SoPLA one = cover({"-"});
    one.RemoveAllDCCols();
    EXPECT_EQ(one.getInputs(), 1u);

    SoPLA none = named({"a", "b"});
    none.RemoveAllDCCols();
    EXPECT_EQ(none.getInputs(), 0u);
    EXPECT_TRUE(none.getINames().empty());

    SoPLA full = cover({"10", "01"});
    full.RemoveAllDCCols();
    EXPECT_EQ(cubeTexts(full), (std::vector<std::string>{"10", "01"}));
}

TEST(SoPLAOperations, RemoveAbsorbed) {
    SoPLA s = cover({"11-", "1--", "110", "0-1", "0-1", "--1"});
    s.RemoveAbsorbed();
    // 1-- absorbs 11- and 110; --1 absorbs both 0-1 terms.
    EXPECT_EQ(cubeTexts(s), (std::vector<std::string>{"1--", "--1"}));
    SoPLA single = cover({"1-"});
    single.RemoveAbsorbed();
    EXPECT_EQ(single.getTermCount(), 1u);
}

TEST(SoPLAOperations, LiteralsAndGateEquivalents) {
    EXPECT_EQ(cover({"1-0", "-1-", "111"}).getLiterals(), 6u);
    // Terms with two or more literals count their literals, plus the number of terms.
    EXPECT_EQ(cover({"1-0", "-1-", "111"}).getGEs(), 2u + 3u + 3u);
    EXPECT_EQ(cover({"1-0"}).getGEs(), 2u); // one term: no term count
    EXPECT_EQ(cover({"1--"}).getGEs(), 0u);
    EXPECT_EQ(cover({"0"}).getGEs(), 1u); // an inverter
    EXPECT_EQ(cover({"-"}).getGEs(), 0u);
    EXPECT_EQ(SoPLA(3).getGEs(), 0u);
}

TEST(SoPLAOperations, Equality) {
    SoPLA a = named({"x", "y", "z"});
    a.AppendTerm("10-");
    a.AppendTerm("--1");
    SoPLA b = named({"z", "x", "y"});
    b.AppendTerm("1--");
    b.AppendTerm("-10");
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(b == a);
    b.getTerm(1)->setLit(2, Lit_1);
    EXPECT_FALSE(a == b);
    SoPLA c = named({"x", "y", "w"});
    c.AppendTerm("10-");
    c.AppendTerm("--1");
    EXPECT_FALSE(a == c);
    SoPLA d(a);
    d.AppendTerm("111");
    EXPECT_FALSE(a == d);
    // Term order and storage do not matter.
    SoPLA e = cover({"1-", "01"});
    SoPLA f = cover({"01", "1-"});
    f.setSparse();
    EXPECT_TRUE(e == f);
    EXPECT_FALSE(e == cover({"01", "11"}));
}

TEST(SoPLAOperations, SimulateCoverMode) {
    SoPLA on = cover({"1-0", "011"});
    EXPECT_EQ(on.Simulate(Cube("100")), 1u);
    EXPECT_EQ(on.Simulate(Cube("011")), 1u);
    EXPECT_EQ(on.Simulate(Cube("111")), 0u);
    EXPECT_EQ(on.Simulate(Cube("1-1")), 0u); // first term says 0 (bit 2 differs); second too
    EXPECT_EQ(on.Simulate(Cube("-00")), 2u);
    SoPLA off = cover({"1-0"}, false);
    EXPECT_EQ(off.Simulate(Cube("110")), 0u);
    EXPECT_EQ(off.Simulate(Cube("111")), 1u);
    EXPECT_EQ(SoPLA(2, true).Simulate(Cube("11")), 0u);
    EXPECT_EQ(SoPLA(2, false).Simulate(Cube("11")), 1u);
    EXPECT_EQ(messageOf([&] { on.Simulate(Cube("11")); }),
              rt("Cube::Simulate: Incorrect number of inputs"));
}

TEST(SoPLAOperations, SimulateCnfMode) {
    // (a + b') (b)
    SoPLA s = named({"a", "b"});
    s.setCNF(true);
    for (const char* t : {"10", "-1"}) {
        Cube c(t);
        c.setCubeType(CUBE_SUM);
        s.AppendTerm(c);
    }
    EXPECT_EQ(s.Simulate(Cube("11")), 1u);
    EXPECT_EQ(s.Simulate(Cube("01")), 0u);
    EXPECT_EQ(s.Simulate(Cube("10")), 0u);
    EXPECT_EQ(s.Simulate(Cube("-1")), 2u);
    EXPECT_EQ(s.Simulate(Cube("1-")), 2u);
    s.setPhase(false);
    EXPECT_EQ(s.Simulate(Cube("01")), 1u);
    EXPECT_EQ(s.Simulate(Cube("11")), 0u);
    SoPLA empty(2, true);
    empty.setCNF(true);
    EXPECT_EQ(empty.Simulate(Cube("00")), 1u);
    empty.setPhase(false);
    EXPECT_EQ(empty.Simulate(Cube("00")), 0u);
}

// ---------------------------------------------------------------- gates

std::string gateOf(const std::vector<std::string>& terms, bool phase, uint32_t inputs = 0) {
    SoPLA s(inputs, phase);
    for (const std::string& t : terms)
        s.AppendTerm(t);
    s.RecognizeGateName();
    return s.peekGateName();
}

TEST(SoPLAGates, RecognizeGateNameTable) {
    struct Row {
        std::vector<std::string> terms;
        const char* on;
        const char* off;
    };
    const std::vector<Row> rows = {
        {{"-"}, "1", "0"},
        {{"1"}, "buff", "inv"},
        {{"0"}, "inv", "buff"},
        {{"1", "0"}, "unknown", "unknown"},
        {{"00", "11"}, "xnor", "xor"},
        {{"11", "00"}, "xnor", "xor"},
        {{"01", "10"}, "xor", "xnor"},
        {{"10", "01"}, "xor", "xnor"},
        {{"11"}, "and", "nand"},
        {{"111"}, "and", "nand"},
        {{"00"}, "nor", "or"},
        {{"000"}, "nor", "or"},
        {{"10"}, "unknown", "imply"},
        {{"1-1"}, "unknown", "unknown"},
        {{"1-", "-1"}, "or", "nor"},
        {{"0--", "-0-", "--0"}, "nand", "and"},
        {{"1--", "-1-", "--1"}, "or", "nor"},
        // anti-diagonal: first term don't care at position 0
        {{"-1", "1-"}, "or", "nor"},
        {{"--0", "-0-", "0--"}, "nand", "and"},
        {{"1--", "-0-", "--1"}, "unknown", "unknown"},
        {{"11", "10", "01"}, "unknown", "unknown"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(gateOf(r.terms, true), r.on) << r.terms[0] << " on-set";
        EXPECT_EQ(gateOf(r.terms, false), r.off) << r.terms[0] << " off-set";
    }
    EXPECT_EQ(gateOf({"0-", "-1"}, true), "imply");
    EXPECT_EQ(gateOf({"-1", "0-"}, true), "imply");
    // Off-set "0-", "-1" is no imply; the diagonal rows do not apply either.
    EXPECT_EQ(gateOf({"0-", "-1"}, false), "unknown");
    // No inputs: the constants.
    SoPLA c0;
    c0.AppendTerm(Cube(0u));
    EXPECT_TRUE(c0.RecognizeGateName());
    EXPECT_EQ(c0.peekGateName(), "1");

    SoPLA u = cover({"10"});
    EXPECT_FALSE(u.RecognizeGateName());
    EXPECT_EQ(u.peekGateName(), "unknown");
    SoPLA a = cover({"11"});
    EXPECT_TRUE(a.RecognizeGateName());
}

TEST(SoPLAGates, GetGateName) {
    SoPLA none(2);
    EXPECT_FALSE(none.RecognizeGateName());
    EXPECT_EQ(none.getGateName(), "");
    EXPECT_EQ(none.peekGateName(), "");
    SoPLA a = cover({"11"}, false);
    EXPECT_EQ(a.getGateName(), "nand");
    a.setGateName("custom");
    EXPECT_EQ(a.getGateName(), "custom"); // cached name is kept
}

TEST(SoPLAGates, Predicates) {
    EXPECT_TRUE(SoPLA(2).isConstant());
    EXPECT_TRUE(cover({"--"}).isConstant());
    EXPECT_FALSE(cover({"-1"}).isConstant());
    EXPECT_FALSE(cover({"--", "--"}).isConstant());
    SoPLA c0;
    c0.AppendTerm(Cube(0u));
    EXPECT_TRUE(c0.isConstant());

    EXPECT_TRUE(cover({"1"}).isBuffer());
    EXPECT_TRUE(cover({"0"}, false).isBuffer());
    EXPECT_FALSE(cover({"0"}).isBuffer());
    EXPECT_TRUE(cover({"0"}).isInverter());
    EXPECT_TRUE(cover({"1"}, false).isInverter());
    EXPECT_FALSE(cover({"1"}).isInverter());
    EXPECT_FALSE(cover({"1-"}).isBuffer());
    EXPECT_TRUE(cover({"0"}).isTrivial());
    EXPECT_FALSE(cover({"11"}).isTrivial());

    EXPECT_TRUE(cover({"11-", "-11"}).isAND_OR());  // 4 literals > 3 inputs
    EXPECT_FALSE(cover({"1--", "-11"}).isAND_OR()); // 3 literals
    EXPECT_FALSE(cover({"111"}).isAND_OR());

    EXPECT_TRUE(cover({"11", "00"}).isXOR());
    EXPECT_TRUE(cover({"01", "10"}, false).isXOR());
    EXPECT_FALSE(cover({"01", "11"}).isXOR());
}

TEST(SoPLAGates, MakeFamily) {
    struct Row {
        std::function<void(SoPLA&)> make;
        uint32_t inputs;
        std::vector<std::string> terms;
        bool phase;
        const char* name;
    };
    const std::vector<Row> rows = {
        {[](SoPLA& s) { s.Make_AND(3); }, 3, {"111"}, true, "and"},
        {[](SoPLA& s) { s.Make_NAND(2); }, 2, {"11"}, false, "nand"},
        {[](SoPLA& s) { s.Make_OR(4); }, 4, {"0000"}, false, "or"},
        {[](SoPLA& s) { s.Make_NOR(2); }, 2, {"00"}, true, "nor"},
        {[](SoPLA& s) { s.Make_XOR(); }, 2, {"01", "10"}, true, "xor"},
        {[](SoPLA& s) { s.Make_XNOR(); }, 2, {"00", "11"}, true, "xnor"},
        {[](SoPLA& s) { s.Make_Inv(); }, 1, {"0"}, true, "inv"},
        {[](SoPLA& s) { s.Make_Buff(); }, 1, {"1"}, true, "buff"},
        {[](SoPLA& s) { s.Make_ONE(); }, 1, {"-"}, true, "one"},
        {[](SoPLA& s) { s.Make_ZERO(); }, 1, {"-"}, false, "zero"},
    };
    for (const Row& r : rows) {
        SoPLA s = named({"p", "q", "r", "s", "t"});
        s.AppendTerm("1----");
        s.setPhase(!r.phase);
        r.make(s);
        EXPECT_EQ(s.getInputs(), r.inputs) << r.name;
        EXPECT_EQ(cubeTexts(s), r.terms) << r.name;
        EXPECT_EQ(s.getPhase(), r.phase) << r.name;
        EXPECT_EQ(s.peekGateName(), r.name);
        EXPECT_TRUE(s.getINames().empty()) << r.name;
    }
    // Made gates evaluate: AND of three.
    SoPLA a;
    a.Make_AND(3);
    EXPECT_EQ(a.Simulate(Cube("111")), 1u);
    EXPECT_EQ(a.Simulate(Cube("101")), 0u);
}

TEST(SoPLAGates, RecognizeFunction) {
    struct Row {
        const char* type;
        uint32_t n;
        std::vector<std::string> terms;
        bool phase;
    };
    const std::vector<Row> rows = {
        {"and", 3, {"111"}, true},
        {"Nand", 2, {"11"}, false},
        {"OR", 2, {"00"}, false},
        {"nor", 3, {"000"}, true},
        {"xor", 3, {"001", "010", "100", "111"}, true},
        {"XNOR", 2, {"00", "11"}, true},
        {"xnor", 3, {"000", "011", "101", "110"}, true},
        {"buf", 1, {"1"}, true},
        {"BUFF", 1, {"1"}, true},
        {"inv", 1, {"0"}, true},
        {"not", 1, {"0"}, true},
        {"one", 1, {"-"}, true},
        {"zero", 1, {"-"}, false},
        // 0x6 = 0110: minterms 1 and 2
        {"LUT_0x6", 2, {"01", "10"}, true},
        {"lut_0x8", 2, {"11"}, true},
        // E8 = 11101000: minterms 3, 5, 6, 7 (majority)
        {"LUT_0Xe8", 3, {"011", "101", "110", "111"}, true},
        // Leading digits beyond 2^n are not read: 0x1F with n = 2 reads only F.
        {"LUT_0x1F", 2, {"00", "01", "10", "11"}, true},
        // A text too short for 2^n minterms lists the minterms it has digits for.
        {"LUT_0x9", 3, {"000", "011"}, true},
    };
    for (const Row& r : rows) {
        SoPLA s(0, !r.phase);
        EXPECT_TRUE(s.RecognizeFunction(r.type, r.n)) << r.type;
        EXPECT_EQ(cubeTexts(s), r.terms) << r.type;
        EXPECT_EQ(s.getPhase(), r.phase) << r.type;
        EXPECT_EQ(s.getInputs(), r.n) << r.type;
        std::string upper(r.type);
        for (char& c : upper)
            c = static_cast<char>(toupper(c));
        EXPECT_EQ(s.peekGateName(), upper);
    }
    SoPLA k(3);
    k.AppendTerm("111");
    EXPECT_FALSE(k.RecognizeFunction("mux", 3));
    EXPECT_TRUE(k.empty());
    EXPECT_EQ(k.peekGateName(), "MUX");
    EXPECT_EQ(messageOf([&] { k.RecognizeFunction("and", 2); }),
              rt("SoPLA::RecognizeFunction: incorrect number of inputs"));
    // Made covers evaluate: majority LUT.
    SoPLA maj;
    maj.RecognizeFunction("LUT_0xE8", 3);
    EXPECT_EQ(maj.Simulate(Cube("110")), 1u);
    EXPECT_EQ(maj.Simulate(Cube("100")), 0u);
}

TEST(SoPLAGates, DelayFigures) {
    struct Figures {
        const char* gate;
        double g, p;
    };
    SoPLA s(3);
    for (const Figures& f :
         {Figures{"NAND", 5.0 / 3.0, 3.0}, Figures{"NOR", 7.0 / 3.0, 3.0}, Figures{"NOT", 1.0, 1.0},
          Figures{"XOR", 8.0, 4.0}, Figures{"C", 3.0, 2.0}}) {
        s.setGateName(f.gate);
        EXPECT_DOUBLE_EQ(s.getGateG(), f.g) << f.gate;
        EXPECT_DOUBLE_EQ(s.getGateP(), f.p) << f.gate;
    }
    s.setGateName("nand");
    EXPECT_EQ(messageOf([&] { s.getGateG(); }), rt("SoPLA::getGateG: Unknown gate type"));
    EXPECT_EQ(messageOf([&] { s.getGateP(); }), rt("SoPLA::getGateP: Unknown gate type"));
}

} // namespace
