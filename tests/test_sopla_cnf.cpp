// Single-output covers and clause sets: copies and shape clones, the name index against a
// linear search, terms and lazily widened sparse clauses, the two-level operations, gate
// recognition and construction; the PLA, DIMACS, OPB and clause-listing files byte for
// byte, and the DIMACS reader with a table of accepted and refused files.

#include "logic/SoPLA.h"
#include "tests/support/CoverText.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <list>
#include <random>
#include <tuple>

namespace {

using namespace testsupport;

// A cover with the given input names (none: unnamed) and product terms.
SoPLA cover(const Texts& terms, bool phase = true, const Texts& names = {}) {
    SoPLA s(0, phase);
    for (const std::string& n : names)
        s.AppendInput(n);
    for (const std::string& t : terms)
        s.AppendTerm(t);
    return s;
}

// A clause set built the way the engine builds one: variables by name, then blank clauses
// whose literals are set by name.
SoPLA clauseSet(const Texts& vars,
                const std::vector<std::vector<std::pair<const char*, Literal>>>& clauses,
                bool sparse = true) {
    SoPLA s;
    s.setCNF(true);
    if (sparse) s.setSparse();
    for (const std::string& v : vars)
        s.AppendInput(v);
    for (const auto& lits : clauses) {
        Cube blank;
        if (sparse)
            blank.init_sparse(s.getInputs());
        else
            blank.init(s.getInputs());
        auto it = s.AppendTerm(blank);
        for (const auto& [name, value] : lits)
            s.setLitByName(it, name, value);
    }
    return s;
}

// (a or not b) and (b)
SoPLA example(bool sparse = true) {
    return clauseSet({"a", "b"}, {{{"a", Lit_1}, {"b", Lit_0}}, {{"b", Lit_1}}}, sparse);
}

// ---------------------------------------------------------------- shape and names

TEST(SoPLA, CopiesClonesAndShapeChanges) {
    SoPLA a = cover({"1-", "01"}, true, {"x", "y"});
    a.getComments().push_back("c note");
    a.setGateName("g");
    a.getTerm(1); // a is indexed now
    SoPLA b(a);
    b.getTerm(1)->setLit(0, Lit_1); // b's index points into b's own list
    EXPECT_EQ(coverState(a), "(x,y)=g: 1- 01");
    EXPECT_EQ(coverState(b), "(x,y)=g: 1- 11");
    EXPECT_EQ(b.getComments(), a.getComments());
    SoPLA c;
    c = a;
    c.setIName(0, "z"); // c's name index is its own
    EXPECT_EQ(a.getNamePos("x"), 0u);
    EXPECT_EQ(c.getNamePos("x"), 2u);

    // The shape clone keeps names, counts and flags, no terms, comments or gate name.
    a.setCNF(true);
    a.setSparse();
    a.setPhase(false);
    a.setName("out");
    SoPLA shape(&a);
    EXPECT_EQ(coverState(shape), "off cnf sparse out(x,y):");
    EXPECT_TRUE(shape.getComments().empty());
    EXPECT_EQ(shape.getNamePos("y"), 1u);

    b = a;
    b.clearData(); // the terms go, the names and the gate name stay
    EXPECT_EQ(coverState(b), "off cnf sparse out(x,y)=g:");
    a.clear(); // terms and names go, the output name and the comments stay
    EXPECT_EQ(coverState(a) + std::to_string(a.getInputs() + a.getComments().size()),
              "off cnf sparse out()=g:1");
    b = cover({"1-0"}, true, {"a", "b", "c"});
    b.setInputs(7); // only the count
    EXPECT_EQ(b.begin()->size(), 3u);
    b.resize(2);
    EXPECT_EQ(cubeTexts(b), Texts{"1-"});
    b.resize(4);
    EXPECT_EQ(coverState(b), "(a,b,,): 1---");
    EXPECT_EQ(cubeTexts(SoPLA("1-0")), Texts{"1-0"});
}

// The name index must agree with a linear first-match search under any sequence of
// appends and renames (names drawn from a small pool, so duplicates are common).
TEST(SoPLA, NameIndexAgreesWithLinearSearch) {
    std::mt19937 rng(12345);
    const Texts pool = {"", "a", "b", "c", "d", "e"};
    for (int round = 0; round < 40; ++round) {
        SoPLA s(round % 3); // some start with unnamed columns
        Texts ref(round % 3, "");
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

TEST(SoPLA, UnnamedColumnsAndNamesByLiteral) {
    SoPLA s(3); // no names at all: no index check, the empty name is column 0
    EXPECT_EQ(s.getIName(5), "");
    EXPECT_EQ(s.FindIName(""), -1);
    EXPECT_EQ(s.getNamePos(""), 0u);
    EXPECT_EQ(s.getNamePos("a"), 3u);
    EXPECT_EQ(SoPLA().FindIName(""), -1);

    SoPLA d = cover({}, true, {"a", "d", "b", "d"});
    auto t = d.AppendTerm(Cube(4));
    d.setLitByName(t, "d", Lit_1); // the first "d"
    EXPECT_EQ(d.getLitByName(t, "d"), Lit_1);
    EXPECT_EQ(t->getCube(), "-1--");
    EXPECT_MSG("Cube::setLit: Wrong IM value", d.setLitByName(t, "b", Lit_undef));
    EXPECT_EQ(t->getCube(), "-1--");

    SoPLA x = cover({}, true, {"x", "y"});
    SoPLA yzx = cover({}, true, {"y", "z", "x"});
    EXPECT_TRUE(x.EqualInps(yzx));
    EXPECT_FALSE(yzx.EqualInps(x));
    EXPECT_TRUE(SoPLA().EqualInps(x));
}

// ---------------------------------------------------------------- terms

TEST(SoPLA, TermListOperations) {
    SoPLA a = cover({"1-", "01"});
    SoPLA b = cover({"00"});
    b.AppendPLA(a);
    EXPECT_EQ(cubeTexts(b), (Texts{"00", "1-", "01"}));
    a.AppendPLA(a); // appending a cover to itself doubles it once
    EXPECT_EQ(cubeTexts(a), (Texts{"1-", "01", "1-", "01"}));
    EXPECT_EQ(b.DeleteTerm(b.getTerm(0))->getCube(), "1-");
    EXPECT_EQ(b.getTerm(1)->getCube(), "01"); // reindexed after the change
    EXPECT_EQ(b.getTerm(1)->getTermIndex(), 1u);
    b.AppendTerm("11");
    EXPECT_EQ(b.getTerm(2)->getCube(), "11");

    b.setSparse();
    for (const Cube& c : b)
        EXPECT_TRUE(c.isSparse());
    EXPECT_TRUE(b.AppendTerm("1-")->isSparse());
    EXPECT_EQ(cubeTexts(b), (Texts{"1-", "01", "11", "1-"}));

    SoPLA empty;
    SoPLA off = cover({"1-", "-1"}, false);
    empty.Splice(off); // an empty cover takes the width and phase
    EXPECT_EQ(coverState(empty), "off (): 1- -1");
    EXPECT_TRUE(off.empty());
    SoPLA on = cover({"11"});
    EXPECT_MSG("SoPLA::Splice: Splicing different PLA types", empty.Splice(on));
    EXPECT_EQ(on.getTermCount(), 1u);
    std::list<Cube> cubes = {Cube("00"), Cube("0-")};
    empty.Splice(cubes);
    EXPECT_TRUE(cubes.empty());
    EXPECT_EQ(empty.getTerm(3)->getCube(), "0-");

    // Dense terms widen at once; the kept iterator sees the new column.
    SoPLA d = cover({"1"}, true, {"a"});
    auto t = d.begin();
    d.AppendInput("b");
    EXPECT_EQ(t->getCube(), "1-");
}

// ---------------------------------------------------------------- two-level operations

TEST(SoPLA, MergeCofactorAndColumnRemoval) {
    SoPLA a = cover({"1-"}, true, {"x", "y"});
    const SoPLA b = cover({"01-", "--0"}, true, {"z", "y", "w"});
    a.MergeSoPLAs(b); // b's columns z, y, w go to 2, 1, 3
    EXPECT_EQ(coverState(a), "(x,y,z,w): 1--- -10- ---0");
    SoPLA sp = cover({}, true, {"y"});
    sp.setSparse();
    sp.MergeSoPLAs(b);
    EXPECT_EQ(cubeTexts(sp), (Texts{"10-", "--0"}));
    EXPECT_TRUE(sp.begin()->isSparse());
    SoPLA q = cover({}, true, {"q", "q"});
    q.MergeSoPLAs(cover({"011"}, true, {"q", "r", "r"})); // first match; each r is new
    EXPECT_EQ(coverState(q), "(q,q,r,r): 0-11");
    SoPLA cnf(2), dff(1);
    cnf.setCNF(true);
    dff.setDFF(true);
    EXPECT_MSG("SoPLA::MergeSoPLAs: Incompatible PLAs", a.MergeSoPLAs(SoPLA(2, false)));
    EXPECT_MSG("SoPLA::MergeSoPLAs: Incompatible PLAs", a.MergeSoPLAs(cnf));
    EXPECT_MSG("SoPLA::MergeSoPLAs: DFFs canot be merged", a.MergeSoPLAs(dff));

    SoPLA f = cover({"1-0", "01-", "-11"}, false, {"a", "b", "c"});
    EXPECT_EQ(coverState(*f.Cofactor(Cube("1--"))), "off (a,b,c): --0 -11");
    EXPECT_EQ(cubeTexts(*f.Cofactor(Cube("-11"))), (Texts{"0--", "---"}));
    EXPECT_MSG("SoPLA::Cofactor: PLA and the term are incompatible", f.Cofactor(Cube("1-")));

    // Columns without a literal go (the input count leads); a single column stays.
    const std::tuple<Texts, Texts, bool, const char*> dcCols[] = {
        {{"1--0", "0---"}, {"a", "b", "c", "d"}, false, "2 (a,d): 10 0-"},
        {{"-1-", "-0-"}, {}, true, "1 sparse (): 1 0"},
        {{"-"}, {}, false, "1 (): -"},
        {{}, {"a", "b"}, false, "0 ():"},
        {{"10", "01"}, {}, false, "2 (): 10 01"}};
    for (const auto& [terms, names, sparse, after] : dcCols) {
        SoPLA s = cover(terms, true, names);
        if (sparse) s.setSparse();
        s.RemoveAllDCCols();
        EXPECT_EQ(std::to_string(s.getInputs()) + " " + coverState(s), after);
        EXPECT_EQ(s.getNamePos("d"), names.size() == 4 ? 1u : s.getInputs()) << after;
    }

    SoPLA absorbed = cover({"11-", "1--", "110", "0-1", "0-1", "--1"});
    absorbed.RemoveAbsorbed();
    EXPECT_EQ(cubeTexts(absorbed), (Texts{"1--", "--1"}));
}

TEST(SoPLA, MeasuresEqualityAndSimulation) {
    const SoPLA three = cover({"1-0", "-1-", "111"});
    EXPECT_EQ(three.getLiterals(), 6u);
    // Terms of two or more literals count their literals, plus the number of terms unless
    // there is one; a one-input inverter counts 1.
    EXPECT_EQ(three.getGEs(), 2u + 3u + 3u);
    EXPECT_EQ(cover({"1-0"}).getGEs(), 2u);
    EXPECT_EQ(cover({"1--"}).getGEs(), 0u);
    EXPECT_EQ(cover({"0"}).getGEs(), 1u);
    EXPECT_EQ(cover({"-"}).getGEs(), 0u);

    // Columns are matched by name; term order and storage do not matter.
    const SoPLA xyz = cover({"10-", "--1"}, true, {"x", "y", "z"});
    SoPLA zxy = cover({"1--", "-10"}, true, {"z", "x", "y"});
    EXPECT_TRUE(xyz == zxy);
    EXPECT_TRUE(zxy == xyz);
    EXPECT_FALSE(xyz == cover({"10-", "--1"}, true, {"x", "y", "w"}));
    zxy.getTerm(1)->setLit(2, Lit_1);
    EXPECT_FALSE(xyz == zxy);
    EXPECT_FALSE(xyz == cover({"10-", "--1", "111"}, true, {"x", "y", "z"}));
    SoPLA sparse = cover({"01", "1-"});
    sparse.setSparse();
    EXPECT_TRUE(cover({"1-", "01"}) == sparse);
    EXPECT_FALSE(cover({"1-", "01"}) == cover({"01", "11"}));

    // Cover mode: the first term that does not give 0 decides.
    const SoPLA on = cover({"1-0", "011"});
    const std::pair<const char*, uint32_t> onRows[] = {
        {"100", 1}, {"011", 1}, {"111", 0}, {"1-1", 0}, {"-00", 2}};
    for (const auto& [input, value] : onRows)
        EXPECT_EQ(on.Simulate(Cube(input)), value) << input;
    EXPECT_EQ(cover({"1-0"}, false).Simulate(Cube("110")), 0u);
    EXPECT_EQ(cover({"1-0"}, false).Simulate(Cube("111")), 1u);
    EXPECT_EQ(SoPLA(2, true).Simulate(Cube("11")), 0u);
    EXPECT_MSG("Cube::Simulate: Incorrect number of inputs", on.Simulate(Cube("11")));

    // Clause mode: (a + b') (b); the first clause that does not hold decides.
    SoPLA cnf = example(false);
    for (Cube& c : cnf)
        c.setCubeType(CUBE_SUM);
    const std::pair<const char*, uint32_t> cnfRows[] = {
        {"11", 1}, {"01", 0}, {"10", 0}, {"-1", 2}, {"1-", 2}};
    for (const auto& [input, value] : cnfRows)
        EXPECT_EQ(cnf.Simulate(Cube(input)), value) << input;
    cnf.setPhase(false);
    EXPECT_EQ(cnf.Simulate(Cube("01")), 1u);
    EXPECT_EQ(cnf.Simulate(Cube("11")), 0u);
    SoPLA empty(2, true);
    empty.setCNF(true);
    EXPECT_EQ(empty.Simulate(Cube("00")), 1u);
}

// ---------------------------------------------------------------- gates

TEST(SoPLA, GateNamesAndPredicates) {
    const std::tuple<Texts, const char*, const char*> rows[] = {
        {{"-"}, "1", "0"},
        {{"1"}, "buff", "inv"},
        {{"0"}, "inv", "buff"},
        {{"1", "0"}, "unknown", "unknown"},
        {{"11", "00"}, "xnor", "xor"},
        {{"10", "01"}, "xor", "xnor"},
        {{"111"}, "and", "nand"},
        {{"000"}, "nor", "or"},
        {{"10"}, "unknown", "imply"},
        {{"0-", "-1"}, "imply", "unknown"},
        {{"-1", "0-"}, "imply", "unknown"},
        {{"1-1"}, "unknown", "unknown"},
        {{"1--", "-1-", "--1"}, "or", "nor"},
        {{"0-", "-0"}, "nand", "and"},
        // anti-diagonal, only when the first term leaves position 0 open
        {{"-1", "1-"}, "or", "nor"},
        {{"--0", "-0-", "0--"}, "nand", "and"},
        {{"1--", "-0-", "--1"}, "unknown", "unknown"},
        {{"11", "10", "01"}, "unknown", "unknown"},
    };
    for (const auto& [terms, on, off] : rows)
        for (bool phase : {true, false}) {
            SoPLA s = cover(terms, phase);
            EXPECT_EQ(s.RecognizeGateName(), std::string(phase ? on : off) != "unknown");
            EXPECT_EQ(s.peekGateName(), phase ? on : off) << terms[0] << " phase " << phase;
        }
    SoPLA constant; // no inputs
    constant.AppendTerm(Cube(0u));
    EXPECT_TRUE(constant.RecognizeGateName() && constant.peekGateName() == "1");
    EXPECT_FALSE(SoPLA(2).RecognizeGateName());
    EXPECT_EQ(SoPLA(2).getGateName(), "");
    SoPLA nand = cover({"11"}, false);
    EXPECT_EQ(nand.getGateName(), "nand");
    nand.setGateName("custom");
    EXPECT_EQ(nand.getGateName(), "custom"); // a name once set is kept

    // c: constant, b: buffer, i: inverter, a: and-or (more literals than inputs), x: xor
    const std::tuple<Texts, bool, const char*> predicates[] = {{{}, true, "c"},
                                                               {{"--"}, true, "c"},
                                                               {{"-1"}, true, ""},
                                                               {{"--", "--"}, true, ""},
                                                               {{"1"}, true, "b"},
                                                               {{"0"}, false, "b"},
                                                               {{"0"}, true, "i"},
                                                               {{"1"}, false, "i"},
                                                               {{"11-", "-11"}, true, "a"},
                                                               {{"1--", "-11"}, true, ""},
                                                               {{"11", "00"}, true, "ax"},
                                                               {{"01", "10"}, false, "ax"},
                                                               {{"01", "11"}, true, "a"}};
    for (const auto& [terms, phase, flags] : predicates) {
        const SoPLA s = terms.empty() ? SoPLA(2) : cover(terms, phase);
        std::string got = s.isConstant() ? "c" : "";
        got += std::string(s.isBuffer() ? "b" : "") + (s.isInverter() ? "i" : "");
        got += std::string(s.isAND_OR() ? "a" : "") + (s.isXOR() ? "x" : "");
        EXPECT_EQ(got, flags) << (terms.empty() ? "" : terms[0]) << " phase " << phase;
        EXPECT_EQ(s.isTrivial(), got.find_first_of("cbi") != std::string::npos);
    }
    EXPECT_TRUE(constant.isConstant());
}

TEST(SoPLA, RecognizeFunctionsAndDelayFigures) {
    struct Recognized {
        const char* type;
        uint32_t n;
        Texts terms;
        bool phase;
    };
    const std::vector<Recognized> recognized = {
        {"and", 3, {"111"}, true},
        {"Nand", 2, {"11"}, false},
        {"OR", 2, {"00"}, false},
        {"nor", 3, {"000"}, true},
        {"xor", 3, {"001", "010", "100", "111"}, true},
        {"XNOR", 2, {"00", "11"}, true},
        {"buf", 1, {"1"}, true},
        {"not", 1, {"0"}, true},
        {"one", 1, {"-"}, true},
        {"zero", 1, {"-"}, false},
        {"LUT_0x6", 2, {"01", "10"}, true},
        {"LUT_0Xe8", 3, {"011", "101", "110", "111"}, true}, // majority
        // Digits beyond 2^n minterms are not read; a short text lists what it has.
        {"LUT_0x1F", 2, {"00", "01", "10", "11"}, true},
        {"LUT_0x9", 3, {"000", "011"}, true},
    };
    for (const Recognized& r : recognized) {
        SoPLA s(0, !r.phase);
        EXPECT_TRUE(s.RecognizeFunction(r.type, r.n)) << r.type;
        EXPECT_EQ(cubeTexts(s), r.terms) << r.type;
        EXPECT_EQ(s.getPhase(), r.phase) << r.type;
        EXPECT_EQ(s.getInputs(), r.n) << r.type;
    }
    SoPLA k(3);
    k.AppendTerm("111");
    EXPECT_FALSE(k.RecognizeFunction("mux", 3));
    EXPECT_EQ(coverState(k), "()=MUX:");
    EXPECT_MSG("SoPLA::RecognizeFunction: incorrect number of inputs",
               k.RecognizeFunction("and", 2));
    EXPECT_MSG("SoPLA::RecognizeFunction: too many inputs", SoPLA().RecognizeFunction("xor", 21));

    SoPLA s(3);
    const std::tuple<const char*, double, double> figures[] = {{"NAND", 5.0 / 3.0, 3.0},
                                                               {"NOR", 7.0 / 3.0, 3.0},
                                                               {"NOT", 1.0, 1.0},
                                                               {"XOR", 8.0, 4.0},
                                                               {"C", 3.0, 2.0}};
    for (const auto& [gate, g, p] : figures) {
        s.setGateName(gate);
        EXPECT_DOUBLE_EQ(s.getGateG(), g) << gate;
        EXPECT_DOUBLE_EQ(s.getGateP(), p) << gate;
    }
    s.setGateName("nand");
    EXPECT_MSG("SoPLA::getGateG: Unknown gate type", s.getGateG());
    EXPECT_MSG("SoPLA::getGateP: Unknown gate type", s.getGateP());
}

TEST(SoPLA, RejectedCalls) {
    SoPLA s = cover({"1-"}, true, {"a", "b"});
    auto t = s.begin();
    EXPECT_MSG("SoPLA::setLitByName: Variable name not found", s.getLitByName(t, "c"));
    EXPECT_MSG("SoPLA::setLitByName: Variable name not found", s.setLitByName(t, "c", Lit_0));
    EXPECT_MSG("SoPLA::AppendTerm: incompatible terms", s.AppendTerm(Cube("10-")));
    EXPECT_MSG("SoPLA::getIName: Incorrect index", s.getIName(2));
    EXPECT_MSG("SoPLA::setIName: Incorrect index", s.setIName(2, "x"));
    EXPECT_MSG("Cube::setLit: Invalid value", SoPLA bad("1x"));
    EXPECT_EQ(cubeTexts(s), Texts{"1-"});
}

// ---------------------------------------------------------------- files

class SoPLAFiles : public ::testing::Test {
protected:
    TempDir dir;
    std::string file(const char* name) const { return dir.file(name); }
};

// Both forms: comments after the names, literals of both signs set out of order, an empty
// clause (the bound of a constraint is 1 less its negative literals).
TEST_F(SoPLAFiles, WrittenForms) {
    for (bool sparse : {true, false}) {
        SoPLA c =
            clauseSet({"x", "y", "z"}, {{{"z", Lit_0}, {"y", Lit_1}, {"x", Lit_0}}, {}}, sparse);
        c.getComments() = {"c n=3", "c sol_no=1"};
        c.SaveCNF(file("c.cnf"));
        EXPECT_EQ(readFile(file("c.cnf")),
                  "c 1 x\nc 2 y\nc 3 z\nc n=3\nc sol_no=1\np cnf 3 2\n-1 2 -3 0\n0\n");
        c.SavePBO(file("c.opb"), " +1*x2");
        EXPECT_EQ(readFile(file("c.opb")), "* #variable= 3 #constraint= 2\nmin:  +1*x2;\n"
                                           "-1*x1 +1*x2 -1*x3  >= -1;\n >= 1;\n");
        c.SaveCNF_text(file("c.txt"));
        EXPECT_EQ(readFile(file("c.txt")), "(x' + y + z')\n()\n");
    }
    SoPLA u(2); // no names: nothing after the number
    u.setCNF(true);
    u.AppendTerm(Cube("-1"));
    u.SaveCNF(file("u.cnf"));
    EXPECT_EQ(readFile(file("u.cnf")), "c 1 \nc 2 \np cnf 2 1\n2 0\n");

    SoPLA f = cover({"1-", "-1"});
    f.SavePLA(file("a.pla"));
    EXPECT_EQ(readFile(file("a.pla")), ".i 2\n.o 1\n.p 2\n\n1- 1\n-1 1\n.e\n");
    f = cover({"1-", "-1"}, false, {"a", "b"});
    f.setName("f");
    f.SavePLA(file("b.pla"));
    EXPECT_EQ(readFile(file("b.pla")),
              ".i 2\n.o 1\n.p 2\n.type r\n.ilb a b\n.ob f\n\n1- 0\n-1 0\n.e\n");
}

TEST_F(SoPLAFiles, WritersRefuseCoversAndUnopenableFiles) {
    SoPLA notCnf = example();
    notCnf.setCNF(false);
    const std::string keep = file("keep.txt");
    writeFile(keep, "old");
    EXPECT_MSG("SoPLA::SaveCNF: SoPLA not CNF", notCnf.SaveCNF(keep));
    EXPECT_MSG("SoPLA::SavePBO: SoPLA not CNF", notCnf.SavePBO(keep, ""));
    EXPECT_MSG("SoPLA::SaveCNF_text: SoPLA not CNF", notCnf.SaveCNF_text(keep));
    EXPECT_EQ(readFile(keep), "old"); // not truncated
    const SoPLA s = example();
    const std::string f = file("no/such/dir/x");
    const std::string io = "I/O Exception: ";
    EXPECT_EQ(messageOf([&] { s.SaveCNF(f); }), io + "Cannot create a file: " + f);
    EXPECT_EQ(messageOf([&] { s.SavePBO(f, ""); }), io + "Cannot create a file: " + f);
    EXPECT_EQ(messageOf([&] { s.SaveCNF_text(f); }), io + "Cannot create a file: " + f);
    EXPECT_EQ(messageOf([&] { s.SavePLA(f); }), io + "Cannot create a file: " + f);
    SoPLA missing = example();
    EXPECT_EQ(messageOf([&] { missing.LoadCNF(f); }), io + "Cannot open file: " + f);
    EXPECT_TRUE(missing.empty()); // reset before the open
}

// Columns appended to a sparse clause set reach the old clauses lazily: whatever hands
// them out, reads, compares, evaluates or writes them sees the full width, and the file
// has the numbers the variables had. It reads back with the names and clauses written.
TEST_F(SoPLAFiles, LazilyWidenedClausesAndTheirRoundTrip) {
    SoPLA s = clauseSet({"a", "b"}, {{{"a", Lit_1}, {"b", Lit_0}}});
    auto early = s.begin();
    std::string expect = "c 1 a\nc 2 b\n";
    for (int i = 0; i < 500; ++i) {
        s.AppendInput("v" + std::to_string(i));
        expect += "c " + std::to_string(i + 3) + " v" + std::to_string(i) + "\n";
    }
    EXPECT_EQ(s.getLitByName(early, "v499"), Lit_dc); // a column the clause never had
    EXPECT_EQ(s.getLitByName(early, "b"), Lit_0);
    s.setLitByName(early, "v0", Lit_1);
    EXPECT_EQ(early->size(), 502u);
    Cube blank;
    blank.init_sparse(s.getInputs());
    auto late = s.AppendTerm(blank);
    s.setLitByName(late, "v499", Lit_0);
    s.setLitByName(late, "a", Lit_1);
    s.AppendInput("tail");
    for (const Cube& c : s)
        EXPECT_EQ(c.size(), 503u);
    EXPECT_EQ(s.getTerm(1)->getCube(), "1" + std::string(500, '-') + "0-");
    const SoPLA copy(s);
    EXPECT_TRUE(copy == s);
    s.SaveCNF(file("x.cnf"));
    EXPECT_EQ(readFile(file("x.cnf")), expect + "c 503 tail\np cnf 503 2\n1 -2 3 0\n1 -502 0\n");
    for (Cube& c : s)
        c.setCubeType(CUBE_SUM);
    s.AppendInput("more");
    Cube y(504);
    y.assign(Lit_0);
    y.setLit_1(1);
    EXPECT_EQ(s.Simulate(y), 0u); // a + b' + v0 fails

    SoPLA back;
    back.setSparse();
    back.AppendInput("old");
    back.AppendTerm("1");
    back.LoadCNF(file("x.cnf"));
    EXPECT_TRUE(back.isCNF() && back.isSparse()); // flags other than cnf stay
    EXPECT_EQ(back.getINames(), copy.getINames());
    EXPECT_EQ(cubeTexts(back), cubeTexts(copy));
    EXPECT_EQ(back.getComments().size(), 503u);
    for (const Cube& c : back)
        EXPECT_EQ(c.getCubeType(), uint32_t(CUBE_SUM));
}

TEST_F(SoPLAFiles, ReaderTable) {
    const std::string damaged = "I/O Exception: Bad or damaged CNF file: ";
    const std::string count = "I/O Exception: Bad or damaged CNF file "
                              "(invalid number of terms): ";
    const std::string range = damaged; // then the file and the variable out of range
    struct Row {
        const char* content;
        Texts clauses;            // when read
        const std::string* error; // else the message, followed by the file name for I/O
    };
    const std::vector<Row> rows = {
        {"p dnf 2 2\n1 0\n2 0\n", {}, &damaged},
        {"p\n1 0\n", {}, &damaged},
        {"p cnf 4000000000 1\n1 0\n", {}, &damaged},
        {"p cnf -1 1\n1 0\n", {}, &damaged},
        {"p cnf 99999999999999999999 1\n1 0\n", {}, &damaged},
        {"p cnf 3 2\n1 0\n2 0\n3 0\n", {}, &count},
        {"p cnf 3 4\n1 0\n2 0\n3 0\n", {}, &count},
        {"p cnf 3 4000000000\n1 0\n", {}, &count},
        {"c only comments\n", {}, &count},
        {"", {}, &count},
        {"p cnf 0 0\n", {}, &count},
        {"c x\n1 -2 0\np cnf 2 1\n", {}, &count}, // clauses before the problem line
        {"p cnf 2 3\n1 0\n0\n2 0\n-1 0\n", {}, &count},
        {"p cnf 2 1\n1 3 0\n", {}, &range},
        {"p cnf 2 1\n-99999999999999999999999 0\n", {}, &range},
        {"px 3\np cnf 2 1\n1 2 0\n", {"11"}, nullptr}, // "px" is no problem line
        {"p cnf 9 9\np cnf 3 1\n-3 0\n", {"--0"}, nullptr},
        {"p cnf 4 0\n", {}, nullptr},
        // No final 0; tabs and '|' separate; reading stops at a 0; CR line ends.
        {"p cnf 3 4\r\n1\t-2\n3 | -1 0\n1 0 2\r\n  -3 2 0 junk\n",
         {"10-", "0-1", "1--", "-10"},
         nullptr},
        {"# header\np cnf 2 1\n1 \\\n-2 0\n", {"10"}, nullptr}, // '#' lines, joined lines
        {"p cnf 2 1\n2 x 1\n", {"-1"}, nullptr},                // no number: the clause ends
        {"p cnf 2 1\n1 0\n0\n2 0\n-1 0\n", {"1-"}, nullptr},    // a lone 0 ends the file
    };
    for (const Row& r : rows) {
        writeFile(file("in.cnf"), r.content);
        SoPLA s;
        const std::string msg = messageOf([&] { s.LoadCNF(file("in.cnf")); });
        if (!r.error) {
            EXPECT_EQ(msg, "") << r.content;
            EXPECT_EQ(cubeTexts(s), r.clauses) << r.content;
            if (!s.empty()) {
                EXPECT_FALSE(s.begin()->isSparse()) << r.content;
            }
        } else {
            if (r.error == &range)
                EXPECT_EQ(msg.rfind(range + file("in.cnf") + ": a clause names variable ", 0), 0u)
                    << msg;
            else
                EXPECT_EQ(msg, *r.error + file("in.cnf")) << r.content;
        }
    }

    // Names: the first comment "c <v> <name>" of each variable; many variables: sparse.
    writeFile(file("n.cnf"), "c 2 first\nc 10 ten\nc 1  spaced\nc 2 second\nc 02 zero\n"
                             "p cnf 1000000 1\n-1000000 7 0\n");
    SoPLA s;
    s.LoadCNF(file("n.cnf"));
    EXPECT_EQ(s.getIName(0), " spaced");
    EXPECT_EQ(s.getIName(1), "first");
    EXPECT_EQ(s.getIName(2), "");
    EXPECT_EQ(s.getIName(9), "ten");
    EXPECT_TRUE(s.begin()->isSparse());
    EXPECT_EQ(s.begin()->getLit2(999999), Lit_0);
    EXPECT_EQ(s.begin()->getLit2(6), Lit_1);

    // An empty clause is written as "0", so its file does not read back; what was read stays.
    clauseSet({"a"}, {{{"a", Lit_1}}, {}, {{"a", Lit_0}}}).SaveCNF(file("e.cnf"));
    EXPECT_EQ(messageOf([&] { s.LoadCNF(file("e.cnf")); }), count + file("e.cnf"));
    EXPECT_EQ(cubeTexts(s), Texts{"1"});

    s.getComments() = {"c 1 a", "c n=7", "c n=9", "c best_n=", "c N=3"};
    EXPECT_EQ(s.ExtractCNFComment("c n="), "7");
    EXPECT_EQ(s.ExtractCNFComment("c best_n="), "");
    EXPECT_EQ(s.ExtractCNFComment("c N="), "3");
    EXPECT_EQ(s.ExtractCNFComment("c sol_no="), "");
    EXPECT_EQ(s.ExtractCNFComment(""), "c 1 a");
}

} // namespace
