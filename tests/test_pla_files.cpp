// PLA text files: reading every keyword, type rules, line conventions and damaged files;
// the written form. How the loaded types simulate is checked in test_pla.

#include "logic/PLA.h"
#include "tests/support/CoverText.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

class PLAFileTest : public ::testing::Test {
protected:
    TempDir dir;

    // Writes content to a file and loads it into p; the message raised ("" when none).
    std::string load(const std::string& content, PLA& p) {
        writeFile(dir.file("in.pla"), content);
        return messageOf([&] { p.LoadPLA(dir.file("in.pla")); });
    }
    PLA load(const std::string& content) {
        PLA p;
        EXPECT_EQ(load(content, p), "") << content;
        return p;
    }
    std::string damaged(const std::string& why) const {
        return "I/O Exception: Bad or damaged PLA file: " + dir.file("in.pla") + ": " + why;
    }
};

std::string written(const PLA& p) {
    std::ostringstream s;
    p.SavePLAtoStringStream(s);
    return s.str();
}

} // namespace

TEST_F(PLAFileTest, WrittenForm) {
    PLA p(0, 0, PLA_type("fd"));
    p.AppendTerm("1-", "1");
    p.AppendTerm("-1", "1");
    p.setIName(0, "a");
    p.setIName(1, "b");
    p.setOName(0, "f");
    const std::string expected = ".i 2\n.o 1\n.p 2\n\n.ilb a b\n.ob f\n1- 1\n-1 1\n.e\n";
    writeFile(dir.file("out.pla"), std::string(500, 'x'));
    p.SavePLA(dir.file("out.pla")); // truncates what was there
    EXPECT_EQ(readFile(dir.file("out.pla")), expected);
    const PLA q = load(expected);
    EXPECT_EQ(q.getType(), PLA_type("fd"));
    EXPECT_EQ(q.getINames(), (Texts{"a", "b"}));
    EXPECT_EQ(q.getONames(), (Texts{"f"}));
    EXPECT_EQ(termTexts(q), termTexts(p));

    // A type other than fd is written as its letters, in the order f d r.
    PLA fr(0, 0, PLA_type("rf"));
    fr.AppendTerm("1", "0");
    EXPECT_EQ(written(fr), ".i 1\n.o 1\n.p 1\n.type fr\n1 0\n.e\n");
}

TEST_F(PLAFileTest, TypesAndOutputValues) {
    struct Case {
        std::string file;
        std::string type;
        Texts terms;
    };
    const std::vector<Case> cases = {
        {".i 2\n.o 1\n10 1\n01 1\n.e\n", "fd", {"10 1", "01 1"}},
        {".i 2\n.o 1\n.e\n", "fd", {}},
        {".i 2\n.o 1\n.type fr\n11 0\n", "fr", {"11 0"}},
        {".i 2\n.o 1\n.type f\n11 0\n", "f", {"11 ~"}},
        // '2' '3' '4' are other spellings of '-' '~' '1'; values outside the type become '~'.
        {".i 1\n.o 8\n.type fd\n1 01-~2341\n", "fd", {"1 ~1-~-~11"}},
        {".i 1\n.o 5\n.type r\n1 01-24\n", "r", {"1 0~~~~"}},
        {".i 1\n.o 4\n.type d\n1 01-2\n", "d", {"1 ~~--"}},
        {".i 3\n.o 1\n120 1\n", "fd", {"1-0 1"}}, // input '2' is a don't care
        // Several type lines add up; a type line keeps the type from becoming "fd".
        {".i 1\n.o 1\n.type f\n.type r\n1 0\n", "fr", {"1 0"}},
        {".i 1\n.o 1\n.type r\n.e\n", "r", {}},
    };
    for (const Case& c : cases) {
        const PLA p = load(c.file);
        EXPECT_EQ(p.getType(), PLA_type(c.type)) << c.file;
        EXPECT_EQ(termTexts(p), c.terms) << c.file;
        for (const Term& t : p.getTerms()) // products, so the PLA can be simulated
            EXPECT_EQ(t.getCubeType(), static_cast<uint32_t>(CUBE_PRODUCT)) << c.file;
    }
    const PLA esop = load(".i 2\n.o 1\n.type esop\n11 1\n");
    EXPECT_TRUE(esop.getType().f && esop.getType().d && !esop.getType().r && esop.getType().esop);
}

TEST_F(PLAFileTest, LineConventions) {
    const Texts expected{"1-0 1", "011 0"};
    const std::string plain = ".i 3\n.o 1\n.type fr\n1-0 1\n011 0\n.e\n";
    for (const std::string& file : {
             plain,
             std::string(".i 3\r\n.o 1\r\n.type fr\r\n1-0 1\r\n011 0\r\n.e\r\n"),
             std::string(".i 3\r.o 1\r.type fr\r1-0 1\r011 0\r.e\r"),
             // '|' separates like a blank; the output part may stand on a following line.
             std::string(".i 3\n.o 1\n.type fr\n1-0|1\n011\n\n  0\n"),
             std::string(".i 3\n.o 1\n.type fr\n1-0\n|\n1\n011 |0\n"),
             // Blanks, tabs and '|' between the characters of a part carry no meaning; '?' in
             // the input part is '-'.
             std::string(".i 3\n.o 1\n.type fr\n1 ? 0 1\n0\t1|1 0\n"),
             std::string(".i 3\n.o 1\n.type fr\n|||\n1-\n0 1\n01 10\n"),
             // Backslash joins lines; comments, blank lines and leading blanks are skipped.
             std::string("# head\n\n   .i 3\n.o 1\n\t.type \\\nfr\n  # x\n1-0 \\\r\n 1\n\\011 0\n"),
             // Nothing after ".e" or ".end" is read.
             plain + "garbage 11\n",
             std::string(".i 3\n.o 1\n.type fr\n1-0 1\n011 0\n.end\n.bogus\n"),
         })
        EXPECT_EQ(termTexts(load(file)), expected) << file;
    // ".p" and the names may come in any order before the end.
    const PLA named = load(".ob z\n.ilb a b c\n.p 2\n.i 3\n.o 1\n.type fr\n1-0 1\n011 0\n");
    EXPECT_EQ(named.getINames(), (Texts{"a", "b", "c"}));
    EXPECT_EQ(named.getONames(), (Texts{"z"}));
    EXPECT_EQ(load(".i 1\n.o 1\n.p 0\n1 1\n1 1\n").getTermCount(), 2u); // ".p 0" checks nothing
    EXPECT_EQ(load(".i 1048576\n.o 1\n.e\n").getInputs(), 1048576u);
    EXPECT_EQ(load(".i 2\n.i 2\n.o 1\n.ilb a b\n.ob f\n.type fdr\n11 1\n").getTermCount(), 1u);
    // An output part in two groups, as the espresso examples write it.
    EXPECT_EQ(termTexts(load(".i 4\n.o 7\n.p 1\n0000 1111 110\n")), (Texts{"0000 111111~"}));
}

// .phase: a 0 complements its output (ON- and OFF-set exchanged, don't cares kept), so the
// table of every input point is listed; a 1 keeps it.
TEST_F(PLAFileTest, PhaseComplementsOutputs) {
    const PLA kept = load(".i 2\n.o 1\n.phase 1\n11 1\n");
    EXPECT_EQ(termTexts(kept), (Texts{"11 1"}));
    const PLA p = load(".i 2\n.o 2\n.ob s t\n.phase 01\n11 11\n10 -0\n");
    EXPECT_EQ(p.getType(), PLA_type("fdr"));
    EXPECT_EQ(p.getONames(), (Texts{"s", "t"}));
    // Rows in minterm order (input 0 first): s complemented, t as given.
    EXPECT_EQ(termTexts(p), (Texts{"00 10", "10 -0", "01 10", "11 01"}));
}

// Each damaged file is refused with the line and the reason; the terms before stay.
TEST_F(PLAFileTest, DamagedFiles) {
    const std::string i1 = "line 1: .i needs a number of inputs from 1 to 1048576, not ";
    const std::string o = ".o needs a number of outputs from 1 to 1048576, not ";
    const std::string in3 = "line 3: the input part ";
    const std::string badIn = "has 'x'; inputs are 0, 1, -, 2 or ?";
    const auto row = [](const std::string& line, size_t have, size_t in, size_t out) {
        return "line " + line + ": the row has " + std::to_string(have) +
               (have == 1 ? " character" : " characters") + " where .i + .o = " +
               std::to_string(in) + " + " + std::to_string(out) + " = " +
               std::to_string(in + out) + " are needed";
    };
    const std::string noOut = "no .o line, so the function has no output";
    struct Case {
        std::string file, why;
        Texts terms = {}; // read before the error, they stay
    };
    const std::vector<Case> cases = {
        {".i 2\n.o 1\n.p 3\n10 1\n01 1\n",
         "line 3: .p says 3 terms, the file has 2",
         {"10 1", "01 1"}},
        {".i 0\n.o 1\n.e\n", i1 + "\"0\""},
        {".i 2x\n", i1 + "\"2x\""},
        {".i 4294967298\n", i1 + "\"4294967298\""}, // would wrap to 2
        {".i 1048577\n", i1 + "\"1048577\""},
        {".i 2\n\n.o 0\n", "line 3: " + o + "\"0\""},
        {".i 2\n.o 1\n.p 99999999999999999999\n", "line 3: .p needs a number of terms, not "
                                                  "\"99999999999999999999\""},
        {".i 2\n.i 3\n", "line 2: .i changes the number of inputs from 2 to 3"},
        {".i 2\n.o 1\n.type fx\n", "line 3: .type fx has 'x'; the letters are f, d and r (or "
                                   "the word esop)"},
        {".i 3\n.o 1\n1x0 1\n", in3 + badIn},
        {".i 2\n.o 1\n11 1\n110 1\n", row("4", 4, 2, 1), {"11 1"}},
        {".i 2\n.o 1\n1 1\n", row("3", 2, 2, 1)},
        {".i 2\n.o 1\n1\n.e\n", row("3", 1, 2, 1)}, // a keyword ends the row
        {std::string(".i 2\n.o 1\n1\0 1\n", 15), in3 + "has '\\x00'; inputs are 0, 1, -, 2 or ?"},
        {".i 2\n.o 2\n11 1\n", row("3", 3, 2, 2)},
        {".i 2\n.o 1\n11 10\n", row("3", 4, 2, 1)},
        {".i 2\n.o 1\n11 1 0\n", row("3", 4, 2, 1)},
        {".i 2\n.o 1\n11 5\n", "line 3: the output part has '5'; outputs are 0, 1, -, ~, 2, 3 "
                               "or 4"},
        {".i 2\n.o 1\n11\n", row("3", 2, 2, 1)},
        {".i 2\n11 1\n", "line 2: a term before .i and .o"},
        {".i 2\n.o 1\n.ilb a\n.e\n", "line 3: .ilb names 1 inputs, .i says 2"},
        {".i 2\n.o 1\n.ob a b\n.e\n", "line 3: .ob names 2 outputs, .o says 1"},
        {".i 2\n.o 1\n.phase 2\n", "line 3: .phase needs one digit 0 or 1 per output, not \"2\""},
        {".i 2\n.o 1\n.phase 10\n11 1\n", "line 3: .phase has 2 characters, .o says 1", {"11 1"}},
        {".i 2\r\n.o 1\r\n\r\n.I 2\n", "line 4: unknown keyword .I"},
        {"", noOut},
        {".i 2\n.e\n", noOut},
        {".i 2\n.o 1\n11 1\n0- 1\n1x 1\n", "line 5: the input part " + badIn, {"11 1", "0- 1"}},
    };
    for (const auto& [file, why, terms] : cases) {
        PLA p;
        EXPECT_EQ(load(file, p), damaged(why)) << file;
        EXPECT_EQ(termTexts(p), terms) << file;
    }
}

TEST_F(PLAFileTest, FilesThatCannotBeOpenedOrCreated) {
    PLA p;
    for (const std::string& name : {dir.file("missing.pla"), dir.path()})
        EXPECT_EQ(messageOf([&] { p.LoadPLA(name); }), "I/O Exception: Cannot open file: " + name);
    p.Make_AND(2);
    const std::string nowhere = dir.file("no/such/dir.pla");
    EXPECT_EQ(messageOf([&] { p.SavePLA(nowhere); }),
              "I/O Exception: Cannot create a file: " + nowhere);
}
