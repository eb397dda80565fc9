// Text files of a SoPLA: the PLA form of a cover; DIMACS CNF, OPB and the clause listing of
// a clause set, byte for byte; the DIMACS reader with its round trip, its limits and its
// damaged-file messages; comment look-up.

#include "logic/SoPLA.h"
#include "tests/support/CoverText.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

using testsupport::fileExists;
using testsupport::messageOf;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

using testsupport::cubeTexts;

// A clause set built the way the engine builds one: variables by name, then blank sparse
// clauses whose literals are set by name.
struct ClauseSpec {
    std::vector<std::pair<std::string, Literal>> lits;
};

SoPLA clauseSet(const std::vector<std::string>& vars, const std::vector<ClauseSpec>& clauses,
                bool sparse = true) {
    SoPLA s;
    s.setCNF(true);
    if (sparse) s.setSparse();
    for (const std::string& v : vars)
        s.AppendInput(v);
    for (const ClauseSpec& c : clauses) {
        Cube blank;
        if (sparse)
            blank.init_sparse(s.getInputs());
        else
            blank.init(s.getInputs());
        auto it = s.AppendTerm(blank);
        for (const auto& l : c.lits)
            s.setLitByName(it, l.first, l.second);
    }
    return s;
}

// (a or not b) and (b)
SoPLA example(bool sparse = true) {
    return clauseSet({"a", "b"}, {{{{"a", Lit_1}, {"b", Lit_0}}}, {{{"b", Lit_1}}}}, sparse);
}

const char* kExampleCnf = "c 1 a\nc 2 b\np cnf 2 2\n1 -2 0\n2 0\n";

class CnfFileTest : public ::testing::Test {
protected:
    TempDir dir;

    SoPLA load(const std::string& content) {
        writeFile(dir.file("in.cnf"), content);
        SoPLA s;
        s.LoadCNF(dir.file("in.cnf"));
        return s;
    }
    std::string loadError(const std::string& content) {
        writeFile(dir.file("bad.cnf"), content);
        SoPLA s;
        return messageOf([&] { s.LoadCNF(dir.file("bad.cnf")); });
    }
    std::string damaged() const {
        return "I/O Exception: SoPLA::LoadCNF: Bad or damaged CNF file: " + dir.file("bad.cnf");
    }
    std::string badCount() const {
        return "I/O Exception: SoPLA::LoadCNF: Bad or damaged CNF file (invalid number of "
               "terms): " +
               dir.file("bad.cnf");
    }
};

// ---------------------------------------------------------------- writers

TEST_F(CnfFileTest, ExampleWrittenByAllThreeWriters) {
    for (bool sparse : {true, false}) {
        const SoPLA s = example(sparse);
        s.SaveCNF(dir.file("x.cnf"));
        EXPECT_EQ(readFile(dir.file("x.cnf")), kExampleCnf);
        s.SavePBO(dir.file("x.opb"), " +1*x1");
        EXPECT_EQ(readFile(dir.file("x.opb")), "* #variable= 2 #constraint= 2\n"
                                               "min:  +1*x1;\n"
                                               "+1*x1 -1*x2  >= 0;\n"
                                               "+1*x2  >= 1;\n");
        s.SaveCNF_text(dir.file("x.txt"));
        EXPECT_EQ(readFile(dir.file("x.txt")), "(a + b')\n(b)\n");
    }
}

TEST_F(CnfFileTest, CommentsEmptyClausesAndUnnamedVariables) {
    SoPLA s = clauseSet({"x", "y", "z"}, {{{{"z", Lit_0}, {"x", Lit_0}}}, {}});
    s.getComments().push_back("c n=3");
    s.getComments().push_back("c sol_no=1");
    s.SaveCNF(dir.file("x.cnf"));
    EXPECT_EQ(readFile(dir.file("x.cnf")),
              "c 1 x\nc 2 y\nc 3 z\nc n=3\nc sol_no=1\np cnf 3 2\n-1 -3 0\n0\n");
    s.SavePBO(dir.file("x.opb"), " +1*x1 +3*x2");
    EXPECT_EQ(readFile(dir.file("x.opb")), "* #variable= 3 #constraint= 2\n"
                                           "min:  +1*x1 +3*x2;\n"
                                           "-1*x1 -1*x3  >= -1;\n"
                                           " >= 1;\n");
    s.SaveCNF_text(dir.file("x.txt"));
    EXPECT_EQ(readFile(dir.file("x.txt")), "(x' + z')\n()\n");

    // Without names: an empty name after the number.
    SoPLA u(2);
    u.setCNF(true);
    u.AppendTerm(Cube("-1"));
    u.SaveCNF(dir.file("u.cnf"));
    EXPECT_EQ(readFile(dir.file("u.cnf")), "c 1 \nc 2 \np cnf 2 1\n2 0\n");
}

TEST_F(CnfFileTest, WritersRefuseCoversAndUnopenableFiles) {
    SoPLA cover = example();
    cover.setCNF(false);
    const std::string f = dir.file("keep.txt");
    writeFile(f, "old");
    EXPECT_EQ(messageOf([&] { cover.SaveCNF(f); }),
              "Runtime Exception: SoPLA::SaveCNF: SoPLA not CNF");
    EXPECT_EQ(messageOf([&] { cover.SavePBO(f, ""); }),
              "Runtime Exception: SoPLA::SavePBO: SoPLA not CNF");
    EXPECT_EQ(messageOf([&] { cover.SaveCNF_text(f); }),
              "Runtime Exception: SoPLA::SaveCNF_text: SoPLA not CNF");
    EXPECT_EQ(readFile(f), "old"); // not truncated
    EXPECT_NE(messageOf([&] { cover.SaveCNF(dir.file("never.cnf")); }), "");
    EXPECT_FALSE(fileExists(dir.file("never.cnf"))); // not created
}

TEST_F(CnfFileTest, WritersReportFilesTheyCannotOpen) {
    const SoPLA s = example();
    const std::string f = dir.file("no/such/dir/x");
    EXPECT_EQ(messageOf([&] { s.SaveCNF(f); }),
              "I/O Exception: SoPLA::SaveCNF: Cannot open file: " + f);
    EXPECT_EQ(messageOf([&] { s.SavePBO(f, ""); }),
              "I/O Exception: SoPLA::SavePBO: Cannot open file: " + f);
    EXPECT_EQ(messageOf([&] { s.SaveCNF_text(f); }),
              "I/O Exception: SoPLA::SaveCNF_text: Cannot open file: " + f);
    EXPECT_EQ(messageOf([&] { s.SavePLA(f); }),
              "I/O Exception: SoPLA::SavePLA: Cannot create a file: " + f);
}

// Clauses made before and after many new variables: the old clauses must be written with
// the numbers their variables had, the new ones with the new numbers.
TEST_F(CnfFileTest, ClausesAroundManyNewVariables) {
    SoPLA s = clauseSet({"a", "b"}, {{{{"a", Lit_1}, {"b", Lit_0}}}});
    std::string expect = "c 1 a\nc 2 b\n";
    for (int i = 0; i < 500; ++i) {
        s.AppendInput("v" + std::to_string(i));
        expect += "c " + std::to_string(i + 3) + " v" + std::to_string(i) + "\n";
    }
    Cube blank;
    blank.init_sparse(s.getInputs());
    auto late = s.AppendTerm(blank);
    s.setLitByName(late, "v499", Lit_0);
    s.setLitByName(late, "a", Lit_1);
    // The first clause gets a literal on a variable it never had a column for.
    s.setLitByName(s.getTerm(0), "v0", Lit_1);
    s.AppendInput("tail");
    expect += "c 503 tail\np cnf 503 2\n1 -2 3 0\n1 -502 0\n";
    s.SaveCNF(dir.file("x.cnf"));
    EXPECT_EQ(readFile(dir.file("x.cnf")), expect);
    // And they read back the same.
    SoPLA back;
    back.LoadCNF(dir.file("x.cnf"));
    EXPECT_EQ(back.getInputs(), 503u);
    EXPECT_EQ(back.getIName(502), "tail");
    EXPECT_EQ(cubeTexts(back), cubeTexts(s));
}

TEST_F(CnfFileTest, SavePLAWrittenForm) {
    SoPLA s(2, true);
    s.AppendTerm("1-");
    s.AppendTerm("-1");
    s.SavePLA(dir.file("a.pla"));
    EXPECT_EQ(readFile(dir.file("a.pla")), ".i 2\n.o 1\n.p 2\n\n1- 1\n-1 1\n.e\n");

    s.setIName(0, "a");
    s.setIName(1, "b");
    s.setName("f");
    s.setPhase(false);
    s.SavePLA(dir.file("b.pla"));
    EXPECT_EQ(readFile(dir.file("b.pla")),
              ".i 2\n.o 1\n.p 2\n.type r\n.ilb a b\n.ob f\n\n1- 0\n-1 0\n.e\n");
}

// ---------------------------------------------------------------- reader

TEST_F(CnfFileTest, RoundTripWithNames) {
    example().SaveCNF(dir.file("x.cnf"));
    SoPLA s;
    s.setSparse();
    s.AppendInput("old");
    s.AppendTerm("1");
    s.getComments().push_back("c stale");
    s.LoadCNF(dir.file("x.cnf"));
    EXPECT_TRUE(s.isCNF());
    EXPECT_TRUE(s.isSparse()); // flags other than cnf stay
    EXPECT_EQ(s.getInputs(), 2u);
    EXPECT_EQ(s.getINames(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(cubeTexts(s), (std::vector<std::string>{"10", "-1"}));
    EXPECT_EQ(s.getComments(), (std::list<std::string>{"c 1 a", "c 2 b"}));
    for (const Cube& c : s)
        EXPECT_EQ(c.getCubeType(), uint32_t(CUBE_SUM));
    EXPECT_EQ(s.Simulate(Cube("11")), 1u);
    EXPECT_EQ(s.Simulate(Cube("01")), 0u);

    // Writing the loaded set again repeats the name lines; reading that gives the same.
    s.SaveCNF(dir.file("y.cnf"));
    EXPECT_EQ(readFile(dir.file("y.cnf")), "c 1 a\nc 2 b\nc 1 a\nc 2 b\np cnf 2 2\n1 -2 0\n2 0\n");
    SoPLA again;
    again.LoadCNF(dir.file("y.cnf"));
    EXPECT_EQ(again.getINames(), s.getINames());
    EXPECT_EQ(cubeTexts(again), cubeTexts(s));
    EXPECT_EQ(again.getComments().size(), 4u);
}

TEST_F(CnfFileTest, DenseClausesWhenNotSparse) {
    SoPLA s = load(kExampleCnf);
    EXPECT_FALSE(s.begin()->isSparse());
    EXPECT_TRUE(*s.begin() == Cube("10"));
}

TEST_F(CnfFileTest, NamesComeFromTheFirstMatchingComment) {
    SoPLA s = load("c 2 first\nc 10 ten\nc 1  spaced\nc 2 second\nc 02 zero\n"
                   "p cnf 10 1\n1 0\n");
    EXPECT_EQ(s.getIName(0), " spaced");
    EXPECT_EQ(s.getIName(1), "first");
    EXPECT_EQ(s.getIName(2), "");
    EXPECT_EQ(s.getIName(9), "ten");
    EXPECT_EQ(s.getINames().size(), 10u);
    EXPECT_EQ(s.getNamePos("first"), 1u);
}

TEST_F(CnfFileTest, ProblemLineRules) {
    EXPECT_EQ(loadError("p dnf 2 2\n1 0\n2 0\n"), damaged());
    EXPECT_EQ(loadError("p\n1 0\n"), damaged());
    // A 'p' line whose first token is not "p" is ignored.
    SoPLA s = load("px 3\np cnf 2 1\n1 2 0\n");
    EXPECT_EQ(cubeTexts(s), std::vector<std::string>{"11"});
    // A later problem line overrides the earlier one.
    s = load("p cnf 9 9\np cnf 3 1\n-3 0\n");
    EXPECT_EQ(s.getInputs(), 3u);
    EXPECT_EQ(cubeTexts(s), std::vector<std::string>{"--0"});
}

TEST_F(CnfFileTest, ClauseCountAndVariableCountChecks) {
    EXPECT_EQ(loadError("p cnf 3 2\n1 0\n2 0\n3 0\n"), badCount());
    EXPECT_EQ(loadError("p cnf 3 4\n1 0\n2 0\n3 0\n"), badCount());
    EXPECT_EQ(loadError("c only comments\n"), badCount()); // no problem line
    EXPECT_EQ(loadError(""), badCount());
    EXPECT_EQ(loadError("p cnf 0 0\n"), badCount());
    // A file without a problem line is damaged, whatever clauses it holds.
    EXPECT_EQ(loadError("1 -2 0\n"), badCount());
    EXPECT_EQ(loadError("c x\n1 -2 0\np cnf 2 1\n"), badCount());
    EXPECT_EQ(loadError("p cnf 2 1\n1 3 0\n"),
              "Runtime Exception: Cube::setLit: Index out of range");
    EXPECT_EQ(loadError("p cnf 2 1\n-99999999999999999999999 0\n"),
              "Runtime Exception: Cube::setLit: Index out of range");
    // A declared set with no clauses loads.
    SoPLA s = load("p cnf 4 0\n");
    EXPECT_EQ(s.getInputs(), 4u);
    EXPECT_TRUE(s.empty());
}

TEST_F(CnfFileTest, SizesBeyondWhatCanBeHeldAreRefused) {
    EXPECT_EQ(loadError("p cnf 4000000000 1\n1 0\n"), damaged());
    EXPECT_EQ(loadError("p cnf -1 1\n1 0\n"), damaged());
    EXPECT_EQ(loadError("p cnf 99999999999999999999 1\n1 0\n"), damaged());
    // A clause count the file cannot hold is only a count mismatch.
    EXPECT_EQ(loadError("p cnf 3 4000000000\n1 0\n"), badCount());
    // Many variables with few literals are kept sparse.
    SoPLA s = load("p cnf 1000000 1\n-1000000 7 0\n");
    EXPECT_TRUE(s.begin()->isSparse());
    EXPECT_EQ(s.getLitByName(s.begin(), ""), Lit_dc); // column 0 is the first unnamed one
    EXPECT_EQ(s.begin()->getLit2(999999), Lit_0);
    EXPECT_EQ(s.begin()->getLit2(6), Lit_1);
}

TEST_F(CnfFileTest, ClauseLineForms) {
    // No final 0; tabs and '|' separate; "1 0 2" stops at the 0; CR line ends.
    SoPLA s = load("p cnf 3 4\r\n1\t-2\n3 | -1 0\n1 0 2\r\n  -3 2 0 junk\n");
    EXPECT_EQ(cubeTexts(s), (std::vector<std::string>{"10-", "0-1", "1--", "-10"}));
    // Lines beginning with '#' are skipped; a backslash joins two lines.
    s = load("# header\np cnf 2 1\n1 \\\n-2 0\n");
    EXPECT_EQ(cubeTexts(s), std::vector<std::string>{"10"});
    // A token that is no number reads as 0 and ends the clause.
    s = load("p cnf 2 1\n2 x 1\n");
    EXPECT_EQ(cubeTexts(s), std::vector<std::string>{"-1"});
}

TEST_F(CnfFileTest, ReadingStopsAtALoneZeroOrAnEmptyClause) {
    SoPLA s = load("p cnf 2 1\n1 0\n0\n2 0\n-1 0\n");
    EXPECT_EQ(cubeTexts(s), std::vector<std::string>{"1-"});
    EXPECT_EQ(loadError("p cnf 2 3\n1 0\n0\n2 0\n-1 0\n"), badCount());

    // An empty clause is written as "0", so its file does not read back.
    SoPLA e = clauseSet({"a"}, {{{{"a", Lit_1}}}, {}, {{{"a", Lit_0}}}});
    e.SaveCNF(dir.file("bad.cnf"));
    SoPLA back;
    EXPECT_EQ(messageOf([&] { back.LoadCNF(dir.file("bad.cnf")); }), badCount());
    EXPECT_EQ(cubeTexts(back), std::vector<std::string>{"1"}); // what was read stays
}

TEST_F(CnfFileTest, UnreadableFile) {
    SoPLA s = example();
    const std::string f = dir.file("missing.cnf");
    EXPECT_EQ(messageOf([&] { s.LoadCNF(f); }),
              "I/O Exception: SoPLA::LoadCNF: Cannot open file: " + f);
    // Reset happened before the open; comments stay until the file is open.
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.getInputs(), 0u);
}

TEST(CnfComments, ExtractCNFComment) {
    SoPLA s;
    s.getComments() = {"c 1 a", "c n=7", "c n=9", "c best_n=", "c N=3"};
    EXPECT_EQ(s.ExtractCNFComment("c n="), "7");
    EXPECT_EQ(s.ExtractCNFComment("c best_n="), "");
    EXPECT_EQ(s.ExtractCNFComment("c N="), "3");
    EXPECT_EQ(s.ExtractCNFComment("c sol_no="), "");
    EXPECT_EQ(s.ExtractCNFComment("c 1 "), "a");
    EXPECT_EQ(s.ExtractCNFComment(""), "c 1 a");
}

} // namespace
