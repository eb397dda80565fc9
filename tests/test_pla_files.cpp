// PLA text files: reading every keyword, type rules, line conventions and damaged files;
// the written form.

#include "logic/PLA.h"
#include "tests/support/CoverText.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::termTexts;
using testsupport::writeFile;

namespace {

class PLAFileTest : public ::testing::Test {
protected:
    TempDir dir;

    // Writes content to a file and loads it.
    PLA load(const std::string& content, const std::string& name = "in.pla") {
        writeFile(dir.file(name), content);
        PLA p;
        p.LoadPLA(dir.file(name));
        return p;
    }

    // Message raised when loading content into p ("" when it loads).
    std::string loadError(const std::string& content, PLA& p) {
        writeFile(dir.file("bad.pla"), content);
        return testsupport::messageOf([&] { p.LoadPLA(dir.file("bad.pla")); });
    }
    std::string loadError(const std::string& content) {
        PLA p;
        return loadError(content, p);
    }
    std::string damaged() const {
        return "I/O Exception: Bad or damaged PLA file: " + dir.file("bad.pla");
    }
};

std::string written(const PLA& p) {
    std::ostringstream s;
    p.SavePLAtoStringStream(s);
    return s.str();
}

} // namespace

TEST_F(PLAFileTest, ExampleIsWrittenByteExact) {
    PLA p(0, 0, PLA_type("fd"));
    p.AppendTerm("1-", "1");
    p.AppendTerm("-1", "1");
    p.setIName(0, "a");
    p.setIName(1, "b");
    p.setOName(0, "f");
    const std::string expected = ".i 2\n.o 1\n.p 2\n\n.ilb a b\n.ob f\n1- 1\n-1 1\n.e\n";
    EXPECT_EQ(written(p), expected);
    p.SavePLA(dir.file("out.pla"));
    EXPECT_EQ(readFile(dir.file("out.pla")), expected);

    // Saving truncates what was there.
    writeFile(dir.file("long.pla"), std::string(500, 'x'));
    p.SavePLA(dir.file("long.pla"));
    EXPECT_EQ(readFile(dir.file("long.pla")), expected);

    // Reading it gives the same PLA back.
    const PLA q = load(expected);
    EXPECT_EQ(q.getType(), PLA_type("fd"));
    EXPECT_EQ(q.getINames(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(q.getONames(), (std::vector<std::string>{"f"}));
    EXPECT_EQ(termTexts(q), termTexts(p));
}

TEST_F(PLAFileTest, TypeLineOfTheWrittenForm) {
    PLA p(0, 0, PLA_type("rf"));
    p.AppendTerm("1", "0");
    EXPECT_EQ(written(p), ".i 1\n.o 1\n.p 1\n.type fr\n1 0\n.e\n");
    p.setType("d");
    EXPECT_EQ(written(p), ".i 1\n.o 1\n.p 1\n.type d\n1 0\n.e\n");
    PLA_type esop("fd");
    esop.esop = true; // takes part in the comparison with "fd", is never written
    p.setType(esop);
    EXPECT_EQ(written(p), ".i 1\n.o 1\n.p 1\n.type fd\n1 0\n.e\n");
    p.setType(PLA_type());
    EXPECT_EQ(written(p), ".i 1\n.o 1\n.p 1\n.type \n1 0\n.e\n");
}

TEST_F(PLAFileTest, DefaultTypeIsFd) {
    const PLA p = load(".i 2\n.o 1\n10 1\n01 1\n.e\n");
    EXPECT_EQ(p.getType(), PLA_type("fd"));
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"10 1", "01 1"}));
    EXPECT_EQ(testsupport::splitLines(written(p))[3], "");

    // Without terms too.
    EXPECT_EQ(load(".i 2\n.o 1\n.e\n").getType(), PLA_type("fd"));

    // The type of the PLA before loading does not leak into the reading.
    PLA q(0, 0, PLA_type("r"));
    q.AppendTerm("1", "0");
    writeFile(dir.file("again.pla"), ".i 1\n.o 1\n0 1\n");
    q.LoadPLA(dir.file("again.pla"));
    EXPECT_EQ(q.getType(), PLA_type("fd"));
    EXPECT_EQ(termTexts(q), (std::vector<std::string>{"0 1"}));
}

TEST_F(PLAFileTest, TypeWordsAndOutputMapping) {
    EXPECT_EQ(termTexts(load(".i 2\n.o 1\n.type fr\n11 0\n")), (std::vector<std::string>{"11 0"}));
    EXPECT_EQ(termTexts(load(".i 2\n.o 1\n.type f\n11 0\n")), (std::vector<std::string>{"11 ~"}));

    // '2' '3' '4' are other spellings of '-' '~' '1'; values outside the type become '~'.
    EXPECT_EQ(termTexts(load(".i 1\n.o 8\n.type fd\n1 01-~2341\n")),
              (std::vector<std::string>{"1 ~1-~-~11"}));
    EXPECT_EQ(termTexts(load(".i 1\n.o 5\n.type r\n1 01-24\n")),
              (std::vector<std::string>{"1 0~~~~"}));
    EXPECT_EQ(termTexts(load(".i 1\n.o 4\n.type d\n1 01-2\n")),
              (std::vector<std::string>{"1 ~~--"}));
    // Input '2' is a don't care.
    EXPECT_EQ(termTexts(load(".i 3\n.o 1\n120 1\n")), (std::vector<std::string>{"1-0 1"}));

    const PLA esop = load(".i 2\n.o 1\n.type esop\n11 1\n");
    EXPECT_TRUE(esop.getType().f);
    EXPECT_TRUE(esop.getType().d);
    EXPECT_FALSE(esop.getType().r);
    EXPECT_TRUE(esop.getType().esop);

    // Several type lines add up; a type line keeps the type from becoming "fd".
    EXPECT_EQ(load(".i 1\n.o 1\n.type f\n.type r\n1 0\n").getType(), PLA_type("fr"));
    EXPECT_EQ(load(".i 1\n.o 1\n.type r\n.e\n").getType(), PLA_type("r"));
}

TEST_F(PLAFileTest, LineConventions) {
    const std::vector<std::string> expected{"1-0 1", "011 0"};
    const std::string plain = ".i 3\n.o 1\n.type fr\n1-0 1\n011 0\n.e\n";
    EXPECT_EQ(termTexts(load(plain)), expected);
    EXPECT_EQ(termTexts(load(".i 3\r\n.o 1\r\n.type fr\r\n1-0 1\r\n011 0\r\n.e\r\n")), expected);
    EXPECT_EQ(termTexts(load(".i 3\r.o 1\r.type fr\r1-0 1\r011 0\r.e\r")), expected);
    // '|' separates like a blank; the output part may stand on a following line.
    EXPECT_EQ(termTexts(load(".i 3\n.o 1\n.type fr\n1-0|1\n011\n\n  0 extra tokens\n")), expected);
    EXPECT_EQ(termTexts(load(".i 3\n.o 1\n.type fr\n1-0\n|\n1\n011 |0\n")), expected);
    // Backslash joins lines; comments, blank lines and leading blanks are skipped.
    EXPECT_EQ(termTexts(load("# head\n\n   .i 3\n.o 1\n\t.type \\\nfr\n  # x\n1-0 \\\r\n 1\n"
                             "\\011 0\n")),
              expected);
    // Nothing after ".e" or ".end" is read.
    EXPECT_EQ(termTexts(load(plain + "garbage 11\n")), expected);
    EXPECT_EQ(termTexts(load(".i 3\n.o 1\n.type fr\n1-0 1\n011 0\n.end\n.bogus\n")), expected);
    // ".p" and the names may come in any order before the end.
    const PLA named = load(".ob z\n.ilb a b c\n.p 2\n.i 3\n.o 1\n.type fr\n1-0 1\n011 0\n");
    EXPECT_EQ(named.getINames(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(named.getONames(), (std::vector<std::string>{"z"}));
    // ".p 0" checks nothing.
    EXPECT_EQ(load(".i 1\n.o 1\n.p 0\n1 1\n1 1\n").getTermCount(), 2u);
}

TEST_F(PLAFileTest, LoadedTermsCanBeSimulated) {
    const PLA p = load(".i 2\n.o 2\n1- 1-\n11 -1\n");
    EXPECT_EQ(p.getTerm(0).getCubeType(), static_cast<uint32_t>(CUBE_PRODUCT));
    EXPECT_EQ(p.Simulate(Cube("10")), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(p.Simulate(Cube("11")), (std::vector<uint32_t>{2, 2})); // don't care wins
    EXPECT_EQ(p.Simulate(Cube("01")), (std::vector<uint32_t>{0, 0}));
}

TEST_F(PLAFileTest, LoadReplacesContentAndKeepsUniqueFlag) {
    PLA p;
    p.setUnique();
    p.AppendTerm("1111", "11");
    p.NameVars();
    writeFile(dir.file("u.pla"), ".i 2\n.o 2\n.p 3\n10 10\n01 01\n10 01\n");
    p.LoadPLA(dir.file("u.pla"));
    EXPECT_TRUE(p.isUnique());
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"10 11", "01 ~1"}));
    EXPECT_TRUE(p.getINames().empty());
}

TEST_F(PLAFileTest, DamagedFiles) {
    const std::vector<std::string> files = {
        ".i 2\n.o 1\n.p 3\n10 1\n01 1\n.e\n",        // wrong .p
        ".i 0\n.o 1\n.e\n",                          // zero inputs
        ".i\n.o 1\n.e\n",                            // no number
        ".i 2\n.o 0\n.e\n",                          // zero outputs
        ".i 2\n.o\n.e\n",                            // no number
        ".i 2x\n.o 1\n.e\n",                         // not a number
        ".i -2\n.o 1\n.e\n",                         // negative
        ".i 4294967298\n.o 1\n11 1\n",               // would wrap to 2
        ".i 4000000000\n.o 1\n.e\n",                 // far too many inputs
        ".i 2\n.o 4000000000\n.e\n",                 // far too many outputs
        ".i 1048577\n.o 1\n.e\n",                    // just above the limit
        ".i 2\n.o 1\n.p 99999999999999999999\n.e\n", // .p overflows
        ".i 2\n.o 1\n.p x\n.e\n",
        ".i 2\n.i 3\n.o 1\n.e\n", // inputs changed
        ".i 2\n.o 1\n.type x\n11 1\n",
        ".i 2\n.o 1\n.type fx\n11 1\n",
        ".i 3\n.o 1\n1x0 1\n",
        ".i 2\n.o 1\n110 1\n", // input part too long
        ".i 2\n.o 1\n1 1\n",   // too short
        ".i 2\n.o 2\n11 1\n",  // output part too short
        ".i 2\n.o 1\n11 10\n", // too long
        ".i 2\n.o 1\n11 x\n",
        ".i 2\n.o 1\n11 5\n",
        ".i 2\n.o 1\n11\n",           // output part missing at the end
        "11 1\n",                     // term before .i
        ".o 1\n11 1\n",               // term without .i
        ".i 2\n11 1\n",               // term without .o
        ".i 2\n.o 1\n.ilb a\n.e\n",   // too few input names
        ".i 2\n.o 1\n.ob a b\n.e\n",  // too many output names
        ".i 2\n.o 1\n.phase 1\n.e\n", // keyword not known
        ".i 2\n.o 1\n.\n.e\n",
        ".i 2\n.o 1\n.I 2\n.e\n",
        ".i 2\n.o 1\n|||\n11 1\n", // empty input part
        std::string(".i 2\n.o 1\n1\0 1\n", 15),
    };
    for (const std::string& f : files)
        EXPECT_EQ(loadError(f), damaged()) << f;
    // The files that differ from those above in one detail do load.
    EXPECT_EQ(loadError(".i 2\n.o 1\n.p 2\n10 1\n01 1\n.e\n"), "");
    EXPECT_EQ(loadError(".i 1048576\n.o 1\n.e\n"), "");
    EXPECT_EQ(loadError(".i 2\n.i 2\n.o 1\n.ilb a b\n.ob f\n.type fdr\n11 1\n"), "");
}

TEST_F(PLAFileTest, TermsBeforeTheErrorStay) {
    PLA p;
    EXPECT_EQ(loadError(".i 2\n.o 1\n.ilb a b\n11 1\n0- 1\n1x 1\n01 1\n", p), damaged());
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"11 1", "0- 1"}));
    EXPECT_EQ(loadError(".i 2\n.o 1\n.p 5\n11 1\n", p), damaged());
    EXPECT_EQ(termTexts(p), (std::vector<std::string>{"11 1"}));
}

TEST_F(PLAFileTest, FilesThatCannotBeOpenedOrCreated) {
    using testsupport::messageOf;
    PLA p;
    const std::string missing = dir.file("missing.pla");
    EXPECT_EQ(messageOf([&] { p.LoadPLA(missing); }),
              "I/O Exception: Cannot open file: " + missing);
    EXPECT_EQ(messageOf([&] { p.LoadPLA(dir.path()); }),
              "I/O Exception: Cannot open file: " + dir.path());
    p.Make_AND(2);
    const std::string nowhere = dir.file("no/such/dir.pla");
    EXPECT_EQ(messageOf([&] { p.SavePLA(nowhere); }),
              "I/O Exception: Cannot create a file: " + nowhere);
}
