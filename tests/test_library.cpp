// Node-function library: the built-in two-level minimizer (its covers and files), the
// minimizer's discovery, and DeriveFunctions.
#include "synth/SAT_CircGen.h"
#include "synth/TwoLevelMinimizer.h"
#include "tests/support/CoverText.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sys/stat.h>
#include <tuple>

using testsupport::fileExists;
using testsupport::messageOf;
using testsupport::PathGuard;
using testsupport::readFile;
using testsupport::ScopedCwd;
using testsupport::TempDir;
using testsupport::writeFile;
using testsupport::writeScript;

namespace {

// The files that espresso leaves for each two-input function (library digit).
struct Reference {
    char digit;
    const char* onset;
    const char* offset;
};

const Reference kReference[16] = {
    {'0', ".i 2\n.o 1\n.p 0\n.e\n", ""},
    {'1', ".i 2\n.o 1\n.p 1\n00 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 2\n1- 0\n-1 0\n.end\n"},
    {'2', ".i 2\n.o 1\n.p 1\n01 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 2\n1- 0\n-0 0\n.end\n"},
    {'3', ".i 2\n.o 1\n.p 1\n0- 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 1\n1- 0\n.end\n"},
    {'4', ".i 2\n.o 1\n.p 1\n10 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 2\n0- 0\n-1 0\n.end\n"},
    {'5', ".i 2\n.o 1\n.p 1\n-0 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 1\n-1 0\n.end\n"},
    {'6', ".i 2\n.o 1\n.p 2\n10 1\n01 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 2\n00 0\n11 0\n.end\n"},
    {'7', ".i 2\n.o 1\n.p 2\n-0 1\n0- 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 1\n11 0\n.end\n"},
    {'8', ".i 2\n.o 1\n.p 1\n11 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 2\n0- 0\n-0 0\n.end\n"},
    {'9', ".i 2\n.o 1\n.p 2\n00 1\n11 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 2\n01 0\n10 0\n.end\n"},
    {'A', ".i 2\n.o 1\n.p 1\n-1 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 1\n-0 0\n.end\n"},
    {'B', ".i 2\n.o 1\n.p 2\n0- 1\n-1 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 1\n10 0\n.end\n"},
    {'C', ".i 2\n.o 1\n.p 1\n1- 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 1\n0- 0\n.end\n"},
    {'D', ".i 2\n.o 1\n.p 2\n-0 1\n1- 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 1\n01 0\n.end\n"},
    {'E', ".i 2\n.o 1\n.p 2\n1- 1\n-1 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 1\n00 0\n.end\n"},
    {'F', ".i 2\n.o 1\n.p 1\n-- 1\n.e\n", ".type r\n.i 2\n.o 1\n.p 0\n.end\n"},
};

int digitValue(char d) {
    return d <= '9' ? d - '0' : d - 'A' + 10;
}

// to_min.pla of a library digit: rows 00, 01, 10, 11 with f(a,b) = bit 2a+b of the digit.
std::string toMinText(char digit) {
    const int v = digitValue(digit);
    std::string text = ".i 2\n.o 1\n.p 4\n.type fr\n";
    const char* rows[] = {"00", "01", "10", "11"};
    for (int row = 0; row < 4; ++row)
        text += std::string(rows[row]) + ((v >> row) & 1 ? " 1\n" : " 0\n");
    return text + ".e\n";
}

// The cube lines of a PLA file text.
std::vector<std::string> cubeLines(const std::string& text) {
    std::vector<std::string> lines;
    for (const std::string& line : testsupport::splitLines(text))
        if (!line.empty() && line[0] != '.') lines.push_back(line);
    return lines;
}

// PATH with dir in front.
std::string pathWith(const std::string& dir) {
    const char* old = std::getenv("PATH");
    return dir + ":" + (old ? old : "");
}

// --- independent checks of covers -------------------------------------------------------

// Does the cube text cover minterm x (first character = most significant bit)?
bool cubeCovers(const std::string& cube, uint32_t x) {
    const size_t n = cube.size();
    for (size_t p = 0; p < n; ++p) {
        const char bit = ((x >> (n - 1 - p)) & 1u) ? '1' : '0';
        if (cube[p] != '-' && cube[p] != bit) return false;
    }
    return true;
}

// Every on-minterm (value 1) covered, no off-minterm (value 0) covered.
bool isCover(const std::vector<std::string>& cubes, const std::vector<uint8_t>& values) {
    for (uint32_t x = 0; x < values.size(); ++x) {
        bool covered = false;
        for (const std::string& c : cubes)
            covered = covered || cubeCovers(c, x);
        if (values[x] == 1 && !covered) return false;
        if (values[x] == 0 && covered) return false;
    }
    return true;
}

std::vector<std::string> allCubes(uint32_t n) {
    std::vector<std::string> cubes{""};
    for (uint32_t p = 0; p < n; ++p) {
        std::vector<std::string> next;
        for (const std::string& c : cubes)
            for (char ch : {'0', '1', '-'})
                next.push_back(c + ch);
        cubes.swap(next);
    }
    return cubes;
}

bool isImplicant(const std::string& cube, const std::vector<uint8_t>& values) {
    for (uint32_t x = 0; x < values.size(); ++x)
        if (values[x] == 0 && cubeCovers(cube, x)) return false;
    return true;
}

// Implicants none of whose literals can be dropped. Any cover can be turned into a cover
// of no more cubes made of these, so they suffice to search for smaller covers.
std::vector<std::string> primeImplicants(uint32_t n, const std::vector<uint8_t>& values) {
    std::vector<std::string> primes;
    for (const std::string& c : allCubes(n)) {
        if (!isImplicant(c, values)) continue;
        bool prime = true;
        for (uint32_t p = 0; p < n && prime; ++p) {
            if (c[p] == '-') continue;
            std::string wider = c;
            wider[p] = '-';
            if (isImplicant(wider, values)) prime = false;
        }
        if (prime) primes.push_back(c);
    }
    return primes;
}

// Is there a cover made of at most `size` cubes of the candidate list?
bool coverExists(const std::vector<std::string>& candidates, size_t size,
                 const std::vector<uint8_t>& values, std::vector<std::string>& chosen,
                 size_t from = 0) {
    if (isCover(chosen, values)) return true;
    if (chosen.size() == size) return false;
    for (size_t i = from; i < candidates.size(); ++i) {
        chosen.push_back(candidates[i]);
        const bool found = coverExists(candidates, size, values, chosen, i + 1);
        chosen.pop_back();
        if (found) return true;
    }
    return false;
}

// The cover is correct, no cover of fewer cubes exists, and each cube is a prime.
void expectMinimumCover(const std::vector<std::string>& cubes, uint32_t n,
                        const std::vector<uint8_t>& values, const std::string& what) {
    ASSERT_TRUE(isCover(cubes, values)) << what;
    const std::vector<std::string> primes = primeImplicants(n, values);
    for (const std::string& c : cubes)
        EXPECT_NE(std::find(primes.begin(), primes.end(), c), primes.end())
            << what << ": cube " << c << " is not prime";
    if (!cubes.empty()) {
        std::vector<std::string> chosen;
        EXPECT_FALSE(coverExists(primes, cubes.size() - 1, values, chosen))
            << what << ": a cover of " << cubes.size() - 1 << " cubes exists";
    }
}

// Cube texts of the terms of a PLA whose output 0 is `out`.
std::vector<std::string> cubesWithOutput(const PLA& pla, char out) {
    std::vector<std::string> cubes;
    for (const Term& t : pla.getTerms())
        if (t.getOM()[0] == out) cubes.push_back(t.getCube());
    return cubes;
}

// --- the built-in minimizer ------------------------------------------------------------

TEST(BuiltInMinimizer, WritesTheReferenceFilesForEveryTwoInputFunction) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    for (const Reference& ref : kReference) {
        writeFile("to_min.pla", toMinText(ref.digit));
        TwoLevelMinimizer(TwoLevelMinimizer::Kind::BuiltIn).Run();
        EXPECT_EQ(readFile("onset.pla"), ref.onset) << ref.digit;
        EXPECT_EQ(readFile("offset.pla"), ref.offset) << ref.digit;
    }
}

TEST(BuiltInMinimizer, MinimumCoverOfEveryThreeInputFunction) {
    for (uint32_t f = 0; f < 256; ++f) {
        std::vector<uint8_t> values(8);
        for (uint32_t x = 0; x < 8; ++x)
            values[x] = static_cast<uint8_t>((f >> x) & 1u);
        expectMinimumCover(TwoLevelMinimizer::MinimumCover(3, values), 3, values,
                           "function " + std::to_string(f));
    }
}

TEST(BuiltInMinimizer, MinimumCoverWithDontCares) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 40; ++round) {
        const uint32_t n = round < 20 ? 3 : 4;
        std::vector<uint8_t> values(1u << n);
        for (uint8_t& v : values)
            v = static_cast<uint8_t>(rng() % 3);
        expectMinimumCover(TwoLevelMinimizer::MinimumCover(n, values), n, values,
                           "round " + std::to_string(round));
    }
    // On 000 and 011 with 001 don't care and 010 off: two cubes are needed; with 010 also
    // don't care the single cube 0-- does.
    std::vector<uint8_t> values = {1, 2, 0, 1, 0, 0, 0, 0};
    const auto cover = TwoLevelMinimizer::MinimumCover(3, values);
    EXPECT_EQ(cover.size(), 2u);
    values = {1, 2, 2, 1, 0, 0, 0, 0};
    EXPECT_EQ(TwoLevelMinimizer::MinimumCover(3, values), std::vector<std::string>{"0--"});
}

TEST(BuiltInMinimizer, ConstantAndEmptyFunctions) {
    EXPECT_TRUE(TwoLevelMinimizer::MinimumCover(2, {0, 0, 0, 0}).empty());
    EXPECT_TRUE(TwoLevelMinimizer::MinimumCover(2, {2, 0, 2, 0}).empty());
    EXPECT_EQ(TwoLevelMinimizer::MinimumCover(2, {1, 1, 1, 1}), std::vector<std::string>{"--"});
    EXPECT_EQ(TwoLevelMinimizer::MinimumCover(2, {1, 2, 2, 2}), std::vector<std::string>{"--"});
    EXPECT_THROW(TwoLevelMinimizer::MinimumCover(2, {1, 1}), RuntimeException);
    EXPECT_THROW(TwoLevelMinimizer::MinimumCover(9, std::vector<uint8_t>(512, 1)),
                 RuntimeException);
}

TEST(BuiltInMinimizer, CubeOrders) {
    std::vector<std::string> on = {"-1", "1-", "01", "10", "0-", "-0", "00", "11"};
    TwoLevelMinimizer::SortOnsetCubes(on);
    // Last position first, 0 before - before 1.
    EXPECT_EQ(on, (std::vector<std::string>{"00", "-0", "10", "0-", "1-", "01", "-1", "11"}));
    std::vector<std::string> off = {"-1", "1-", "01", "10", "0-", "-0", "00", "11"};
    TwoLevelMinimizer::SortOffsetCubes(off);
    // First position first, 0 before 1 before -.
    EXPECT_EQ(off, (std::vector<std::string>{"00", "01", "0-", "10", "11", "1-", "-0", "-1"}));
}

TEST(BuiltInMinimizer, FileCallsOnOtherShapesAndTypes) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    // Type fd: the off-set is what the on-set and the don't cares leave.
    writeFile("in.pla", ".i 3\n.o 1\n.p 3\n000 1\n011 1\n001 -\n.e\n");
    ASSERT_TRUE(TwoLevelMinimizer::MinimizeFile("in.pla", "out.pla"));
    const std::string on = readFile("out.pla");
    EXPECT_EQ(on.substr(0, 15), ".i 3\n.o 1\n.p 2\n");
    ASSERT_TRUE(TwoLevelMinimizer::OffsetFile("in.pla", "off.pla"));
    // The off-set is {010, 1--}; 001 stays don't care.
    PLA offPla;
    offPla.LoadPLA("off.pla");
    EXPECT_TRUE(offPla.getType().r);
    const std::vector<uint8_t> offValues = {0, 2, 1, 0, 1, 1, 1, 1};
    expectMinimumCover(cubesWithOutput(offPla, '0'), 3, offValues, "off-set of fd input");

    // Only the type letter r: the on-set is the rest.
    writeFile("r.pla", ".i 2\n.o 1\n.type r\n00 0\n.e\n");
    ASSERT_TRUE(TwoLevelMinimizer::MinimizeFile("r.pla", "r_on.pla"));
    EXPECT_EQ(readFile("r_on.pla"), ".i 2\n.o 1\n.p 2\n1- 1\n-1 1\n.e\n");
}

TEST(BuiltInMinimizer, UnreadableInputLeavesAnEmptyOutput) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    writeFile("out.pla", "stale\n");
    // No cubes at all (espresso: "Unable to find PLA").
    writeFile("empty.pla", ".i 2\n.o 1\n.p 0\n.e\n");
    EXPECT_FALSE(TwoLevelMinimizer::OffsetFile("empty.pla", "out.pla"));
    EXPECT_EQ(readFile("out.pla"), "");
    writeFile("out.pla", "stale\n");
    EXPECT_FALSE(TwoLevelMinimizer::MinimizeFile("missing.pla", "out.pla"));
    EXPECT_EQ(readFile("out.pla"), "");
    writeFile("bad.pla", ".i 2\n.o 1\n1x 1\n.e\n");
    EXPECT_FALSE(TwoLevelMinimizer::MinimizeFile("bad.pla", "out.pla"));
    writeFile("two.pla", ".i 2\n.o 2\n11 11\n.e\n");
    EXPECT_FALSE(TwoLevelMinimizer::MinimizeFile("two.pla", "out.pla"));
    writeFile("clash.pla", ".i 1\n.o 1\n.type fr\n1 1\n- 0\n.e\n");
    EXPECT_FALSE(TwoLevelMinimizer::MinimizeFile("clash.pla", "out.pla"));
    EXPECT_EQ(readFile("out.pla"), "");
}

// --- locating the minimizer -------------------------------------------------------------

// A stand-in for espresso that logs its arguments and the file it was given, then prints
// the reference covers of the AND function.
void writeLoggingEspresso(const std::string& path) {
    writeFile("and_on.txt", kReference[8].onset);
    writeFile("and_off.txt", kReference[8].offset);
    writeScript(path, "echo \"$@\" >> calls.log\n"
                      "if [ \"$1\" = \"-or\" ]; then cat and_off.txt; "
                      "else cat \"$1\" >> inputs.log; cat and_on.txt; fi\n");
}

TEST(MinimizerLocation, PrefersTheCurrentDirectoryThenThePath) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    PathGuard path(pathWith(dir.file("bin")));
    mkdir("bin", 0755);
    writeLoggingEspresso("bin/espresso");
    TwoLevelMinimizer onPath = TwoLevelMinimizer::Locate();
    EXPECT_EQ(onPath.kind(), TwoLevelMinimizer::Kind::PathProgram);
    EXPECT_EQ(onPath.name(), "espresso");

    writeLoggingEspresso("espresso");
    TwoLevelMinimizer local = TwoLevelMinimizer::Locate();
    EXPECT_EQ(local.kind(), TwoLevelMinimizer::Kind::LocalProgram);
    EXPECT_EQ(local.name(), "./espresso");

    // A file that is not executable does not count.
    chmod("espresso", 0644);
    EXPECT_EQ(TwoLevelMinimizer::Locate().kind(), TwoLevelMinimizer::Kind::PathProgram);
}

TEST(MinimizerLocation, BuiltInWhenNoProgramExists) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    PathGuard path(dir.file("nowhere"));
    const TwoLevelMinimizer m = TwoLevelMinimizer::Locate();
    EXPECT_EQ(m.kind(), TwoLevelMinimizer::Kind::BuiltIn);
    EXPECT_EQ(m.name(), "built-in minimizer");
}

TEST(MinimizerLocation, ExternalProgramsRunWithTheFixedCommandLines) {
    for (bool local : {true, false}) {
        TempDir dir;
        ScopedCwd cwd(dir.path());
        PathGuard path(pathWith(dir.file("bin")));
        mkdir("bin", 0755);
        writeLoggingEspresso(local ? "espresso" : "bin/espresso");
        SAT_CircGen e;
        e.DeriveFunctions("8");
        EXPECT_EQ(readFile("calls.log"), "to_min.pla\n-or onset.pla\n") << local;
        EXPECT_EQ(readFile("inputs.log"), toMinText('8')) << local;
        ASSERT_EQ(e.nodeFunctions.size(), 1u);
        EXPECT_EQ(cubesWithOutput(e.nodeFunctions[0], '1'), std::vector<std::string>{"11"});
        EXPECT_EQ(cubesWithOutput(e.nodeFunctions[0], '0'), (std::vector<std::string>{"0-", "-0"}));
        for (const char* f : {"to_min.pla", "onset.pla", "offset.pla"})
            EXPECT_FALSE(fileExists(f)) << f;
    }
}

TEST(MinimizerLocation, AFailingProgramIsReportedByName) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    const std::string msg = testsupport::rt("SAT_CircGen::DeriveFunctions: the two-level minimizer "
                                            "./espresso gave no valid cover of function ");
    // Prints nothing and fails.
    writeScript("espresso", "exit 1\n");
    SAT_CircGen silent;
    EXPECT_EQ(messageOf([&] { silent.DeriveFunctions("8"); }), msg + "8");
    for (const char* f : {"to_min.pla", "onset.pla", "offset.pla"})
        EXPECT_FALSE(fileExists(f)) << f;
    // Prints something that is no PLA.
    writeScript("espresso", "echo garbage here\n");
    SAT_CircGen garbage;
    EXPECT_EQ(messageOf([&] { garbage.DeriveFunctions("6"); }), msg + "6");
    // Prints the AND covers whatever it is asked: right for 8, wrong for E.
    writeLoggingEspresso("espresso");
    SAT_CircGen wrong;
    EXPECT_EQ(messageOf([&] { wrong.DeriveFunctions("8e"); }), msg + "E");
    EXPECT_EQ(wrong.nodeFunctions.size(), 1u); // AND was stored before the failure
    // The constants stay rejected as trivial whatever the program printed.
    for (const char* body : {"exit 1\n", "echo garbage\n"}) {
        writeScript("espresso", body);
        for (const char* lib : {"0", "F"}) {
            SAT_CircGen e;
            EXPECT_EQ(messageOf([&] { e.DeriveFunctions(lib); }),
                      testsupport::rt("SAT_CircGen::DeriveFunctions: function must not be trivial "
                                      "(constant or buffer)."))
                << lib;
        }
    }
}

// --- DeriveFunctions ---------------------------------------------------------------------

class Library : public ::testing::Test {
protected:
    TempDir dir;
    ScopedCwd cwd{dir.path()};
};

TEST_F(Library, CodeBitsAndANewDerivationFromScratch) {
    const uint32_t expected[] = {0, 1, 2, 2, 3, 3, 3, 3, 4, 4};
    for (uint32_t count = 1; count <= 10; ++count) {
        SAT_CircGen e;
        e.DeriveFunctions(std::string(count, '8'));
        EXPECT_EQ(std::make_tuple(e.functionCount, e.codeBits, e.nodeFunctions.size()),
                  std::make_tuple(count, expected[count - 1], size_t(count)));
    }
    SAT_CircGen e;
    e.DeriveFunctions("2");
    EXPECT_FALSE(e.allSymmetric);
    e.DeriveFunctions("89");
    EXPECT_EQ(e.symmetric, (std::vector<bool>{true, true}));
    EXPECT_EQ(e.negSymmetric, (std::vector<bool>{false, true}));
    EXPECT_TRUE(e.allSymmetric);
    EXPECT_EQ(e.nodeFunctionCovers.size(), 2u);
}

TEST_F(Library, EveryNonConstantFunctionGetsTheReferenceCovers) {
    const std::string digits = "123456789ABCDE";
    SAT_CircGen e;
    e.DeriveFunctions(digits);
    ASSERT_EQ(e.nodeFunctions.size(), digits.size());
    for (size_t t = 0; t < digits.size(); ++t) {
        const char d = digits[t];
        const std::string what(1, d);
        const PLA& f = e.nodeFunctions[t];
        EXPECT_EQ(f.getType(), PLA_type("fr")) << what;
        EXPECT_EQ(f.getInputs(), 2u) << what;
        EXPECT_EQ(f.getOutputs(), 1u) << what;
        // The reference covers (exact and minimum, see above): on-set cubes first, then the
        // off-set cubes, each in the minimizer's order.
        const Reference& ref = kReference[digitValue(d)];
        std::vector<std::string> expected = cubeLines(ref.onset);
        for (const std::string& line : cubeLines(ref.offset))
            expected.push_back(line);
        EXPECT_EQ(testsupport::termTexts(f), expected) << what;
        // The single-output cover is the on-set.
        const SoPLA& cover = e.nodeFunctionCovers[t];
        EXPECT_TRUE(cover.getPhase()) << what;
        EXPECT_EQ(testsupport::cubeTexts(cover), cubesWithOutput(f, '1')) << what;
        const std::string s = hex2bin(d);
        EXPECT_EQ(e.symmetric[t], s[1] == s[2]) << what;
        EXPECT_EQ(e.negSymmetric[t], s[0] == s[3] && s[1] == s[2]) << what;
    }
    EXPECT_FALSE(e.allSymmetric);
    for (const char* file : {"to_min.pla", "onset.pla", "offset.pla"})
        EXPECT_FALSE(fileExists(file)) << file;
}

TEST_F(Library, TrivialAndNonHexFunctionsAreRejected) {
    const std::string trivial =
        testsupport::rt("SAT_CircGen::DeriveFunctions: function must not be trivial (constant or "
                        "buffer).");
    for (const char* lib : {"0", "F", "f", "80"}) {
        SAT_CircGen e;
        EXPECT_EQ(messageOf([&] { e.DeriveFunctions(lib); }), trivial) << lib;
    }
    for (const char* lib : {"C", "5", "3", "A"}) {
        SAT_CircGen e;
        EXPECT_NO_THROW(e.DeriveFunctions(lib)) << lib;
        EXPECT_EQ(e.nodeFunctions.size(), 1u) << lib;
    }
    SAT_CircGen e;
    EXPECT_EQ(messageOf([&] { e.DeriveFunctions("8G"); }),
              testsupport::rt("SAT_CircGen::DeriveFunctions: non-hex string."));
    ASSERT_EQ(e.nodeFunctions.size(), 1u);
    EXPECT_EQ(e.nodeFunctions[0].getTerm(0).getText(), "11 1");
    for (const char* file : {"to_min.pla", "onset.pla", "offset.pla"})
        EXPECT_FALSE(fileExists(file)) << file;
}

TEST_F(Library, LowerCaseDigitsAndStaleExchangeFiles) {
    writeFile("onset.pla", "garbage\n");
    writeFile("offset.pla", ".i 2\n.o 1\n11 1\n.e\n");
    SAT_CircGen e;
    e.DeriveFunctions("8e");
    ASSERT_EQ(e.nodeFunctions.size(), 2u);
    EXPECT_EQ(cubesWithOutput(e.nodeFunctions[0], '1'), std::vector<std::string>{"11"});
    EXPECT_EQ(cubesWithOutput(e.nodeFunctions[1], '1'), (std::vector<std::string>{"1-", "-1"}));
    EXPECT_EQ(cubesWithOutput(e.nodeFunctions[1], '0'), std::vector<std::string>{"00"});
}

TEST_F(Library, GateCostsMustMatchANewLibrary) {
    SAT_CircGen e;
    e.DeriveFunctions("86");
    e.set_GateCosts("12");
    EXPECT_EQ(
        messageOf([&] { e.DeriveFunctions("8"); }),
        testsupport::rt("SAT_CircGen::DeriveFunctions: the length of gates costs must be equal "
                        "to the number of node functions"));
    EXPECT_EQ(e.nodeFunctions.size(), 2u); // nothing was touched
    e.DeriveFunctions("E6");
    EXPECT_TRUE(e.gateCosts.empty()); // the costs are set again after a derivation
    EXPECT_EQ(e.functionCount, 2u);
}

TEST_F(Library, DerivationDropsTheInstanceAndTheModels) {
    SAT_CircGen e;
    e.clauses.AppendInput("v");
    e.clauses.AppendTerm(std::string("1"));
    std::weak_ptr<SoPLA> watch;
    {
        Model model = std::make_shared<SoPLA>(1);
        watch = model;
        e.SAT_res = model;
    }
    e.DeriveFunctions("8");
    EXPECT_TRUE(e.clauses.empty());
    EXPECT_TRUE(watch.expired());
}

} // namespace
