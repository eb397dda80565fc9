// The node-function library: the built-in two-level minimizer against espresso's files and
// against an exhaustive search for smaller covers, the external minimizer's discovery and
// command lines, and the covers DeriveFunctions keeps.
#include "synth/SAT_CircGen.h"
#include "synth/TwoLevelMinimizer.h"
#include "tests/support/CoverText.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <sys/stat.h>

namespace {

using namespace testsupport;
using Cubes = std::vector<std::string>;

// The covers espresso gives for each two-input function (index: library digit): the
// on-set cubes, then after "/" the off-set cubes.
const char* const kCovers[16] = {"/",        "00/1- -1",    "01/1- -0",    "0-/1-",
                                 "10/0- -1", "-0/-1",       "10 01/00 11", "-0 0-/11",
                                 "11/0- -0", "00 11/01 10", "-1/-0",       "0- -1/10",
                                 "1-/0-",    "-0 1-/01",    "1- -1/00",    "--/"};

Cubes covers(uint32_t digit, bool on) {
    const std::string text = kCovers[digit];
    std::istringstream in(on ? text.substr(0, text.find('/')) : text.substr(text.find('/') + 1));
    Cubes cubes;
    for (std::string c; in >> c;)
        cubes.push_back(c);
    return cubes;
}

// The files espresso leaves with those covers: onset.pla, and offset.pla (empty for 0).
std::string espressoFile(uint32_t digit, bool on) {
    const Cubes cubes = covers(digit, on);
    if (!on && digit == 0) return "";
    std::string text = std::string(on ? "" : ".type r\n") + ".i 2\n.o 1\n.p " +
                       std::to_string(cubes.size()) + "\n";
    for (const std::string& c : cubes)
        text += c + (on ? " 1\n" : " 0\n");
    return text + (on ? ".e\n" : ".end\n");
}

// to_min.pla of a library digit: rows 00, 01, 10, 11 with f(a,b) = bit 2a+b of the digit.
std::string toMinText(uint32_t v) {
    std::string text = ".i 2\n.o 1\n.p 4\n.type fr\n";
    const char* rows[] = {"00", "01", "10", "11"};
    for (int row = 0; row < 4; ++row)
        text += std::string(rows[row]) + ((v >> row) & 1 ? " 1\n" : " 0\n");
    return text + ".e\n";
}

// Cube texts of the terms of a PLA whose output 0 is `out`.
Cubes cubesWithOutput(const PLA& pla, char out) {
    Cubes cubes;
    for (const Term& t : pla.getTerms())
        if (t.getOM()[0] == out) cubes.push_back(t.getCube());
    return cubes;
}

// --- an independent check of minimum covers ---------------------------------------------

// The minterms a cube text covers: bit x for minterm x, the first character being its most
// significant bit.
uint32_t minterms(const std::string& cube) {
    uint32_t set = 0;
    for (uint32_t x = 0; x < (1u << cube.size()); ++x) {
        bool in = true;
        for (size_t p = 0; p < cube.size(); ++p)
            in = in && (cube[p] == '-' || static_cast<uint32_t>(cube[p] - '0') ==
                                              ((x >> (cube.size() - 1 - p)) & 1u));
        set |= static_cast<uint32_t>(in) << x;
    }
    return set;
}

// Do at most `size` of the sets (from index `from` on) together hold every element of need?
bool unionExists(const std::vector<uint32_t>& sets, size_t size, uint32_t need, size_t from = 0) {
    if (need == 0 || size == 0) return need == 0;
    for (size_t i = from; i < sets.size(); ++i)
        if (unionExists(sets, size - 1, need & ~sets[i], i + 1)) return true;
    return false;
}

// The cover covers the on-set (value 1) and nothing of the off-set (value 0), is made of
// primes (implicants none of whose literals can be dropped), and no cover of fewer primes
// exists (any cover can be turned into one of no more primes).
void expectMinimumCover(uint32_t n, const std::vector<uint8_t>& values, const std::string& what) {
    uint32_t on = 0, off = 0;
    for (uint32_t x = 0; x < values.size(); ++x) {
        on |= static_cast<uint32_t>(values[x] == 1) << x;
        off |= static_cast<uint32_t>(values[x] == 0) << x;
    }
    const auto implicant = [off](const std::string& c) { return (minterms(c) & off) == 0; };
    Cubes all{""}, primes;
    for (uint32_t p = 0; p < n; ++p) {
        Cubes next;
        for (const std::string& c : all)
            for (char ch : {'0', '1', '-'})
                next.push_back(c + ch);
        all.swap(next);
    }
    std::vector<uint32_t> primeSets;
    for (const std::string& c : all) {
        bool prime = implicant(c);
        for (uint32_t p = 0; p < n && prime; ++p)
            prime = c[p] == '-' || !implicant(c.substr(0, p) + '-' + c.substr(p + 1));
        if (prime) primes.push_back(c), primeSets.push_back(minterms(c));
    }
    const Cubes cubes = TwoLevelMinimizer::MinimumCover(n, values);
    uint32_t covered = 0;
    for (const std::string& c : cubes) {
        covered |= minterms(c);
        EXPECT_NE(std::find(primes.begin(), primes.end(), c), primes.end()) << what << ": " << c;
    }
    EXPECT_EQ(covered & (on | off), on) << what;
    EXPECT_TRUE(cubes.empty() || !unionExists(primeSets, cubes.size() - 1, on)) << what;
}

// --- the built-in minimizer ------------------------------------------------------------

// Every function of two inputs with don't cares, every function of three, and random ones
// of three and four with don't cares.
TEST(BuiltInMinimizer, MinimumCovers) {
    std::mt19937 rng(12345);
    for (uint32_t round = 0; round < 81 + 256 + 40; ++round) {
        const uint32_t n = round < 81 ? 2 : round < 81 + 256 + 20 ? 3 : 4;
        std::vector<uint8_t> values(1u << n);
        for (uint32_t x = 0, code = round; x < values.size(); ++x, code /= 3)
            values[x] = static_cast<uint8_t>(round < 81    ? code % 3
                                             : round < 337 ? ((round - 81) >> x) & 1u
                                                           : rng() % 3);
        expectMinimumCover(n, values, "round " + std::to_string(round));
    }
    EXPECT_EQ(messageOf([] {
                  TwoLevelMinimizer::MinimumCover(2, {1, 1});
              }),
              rt("TwoLevelMinimizer::MinimumCover: wrong truth-table size"));
    EXPECT_EQ(messageOf([] { TwoLevelMinimizer::MinimumCover(9, std::vector<uint8_t>(512, 1)); }),
              rt("TwoLevelMinimizer::MinimumCover: too many inputs"));
}

// The file calls on other shapes and types, and inputs they cannot read (the output is
// left empty, as espresso leaves it).
TEST(BuiltInMinimizer, FileCalls) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    // Type fd: the off-set is what the on-set and the don't cares leave; the off-set of the
    // cover keeps 001 a don't care: two cubes for {010, 1--}.
    writeFile("in.pla", ".i 3\n.o 1\n.p 3\n000 1\n011 1\n001 -\n.e\n");
    ASSERT_TRUE(TwoLevelMinimizer::MinimizeFile("in.pla", "out.pla"));
    EXPECT_EQ(readFile("out.pla").substr(0, 15), ".i 3\n.o 1\n.p 2\n");
    ASSERT_TRUE(TwoLevelMinimizer::OffsetFile("in.pla", "off.pla"));
    PLA off;
    off.LoadPLA("off.pla");
    EXPECT_TRUE(off.getType().r);
    const Cubes offCubes = cubesWithOutput(off, '0');
    ASSERT_EQ(offCubes.size(), 2u);
    EXPECT_EQ((minterms(offCubes[0]) | minterms(offCubes[1])) & ~0x2u, 0xF4u); // 001 open
    // Only the type letter r: the on-set is the rest.
    writeFile("r.pla", ".i 2\n.o 1\n.type r\n00 0\n.e\n");
    ASSERT_TRUE(TwoLevelMinimizer::MinimizeFile("r.pla", "r_on.pla"));
    EXPECT_EQ(readFile("r_on.pla"), ".i 2\n.o 1\n.p 2\n1- 1\n-1 1\n.e\n");

    const std::pair<const char*, const char*> unreadable[] = {
        {"empty.pla", ".i 2\n.o 1\n.p 0\n.e\n"},               // no cubes at all
        {"bad.pla", ".i 2\n.o 1\n1x 1\n.e\n"},                 // damaged
        {"two.pla", ".i 2\n.o 2\n11 11\n.e\n"},                // two outputs
        {"clash.pla", ".i 1\n.o 1\n.type fr\n1 1\n- 0\n.e\n"}, // on and off at once
        {"missing.pla", nullptr},
    };
    for (const auto& [file, text] : unreadable) {
        if (text) writeFile(file, text);
        writeFile("out.pla", "stale\n");
        EXPECT_FALSE(TwoLevelMinimizer::OffsetFile(file, "out.pla")) << file;
        EXPECT_EQ(readFile("out.pla"), "") << file;
    }
}

// --- the external minimizer -------------------------------------------------------------

// A stand-in for espresso that logs its arguments and the file it was given, then prints
// the reference covers of the AND function.
void writeLoggingEspresso(const std::string& path) {
    writeFile("and_on.txt", espressoFile(8, true));
    writeFile("and_off.txt", espressoFile(8, false));
    writeScript(path, "echo \"$@\" >> calls.log\n"
                      "if [ \"$1\" = \"-or\" ]; then cat and_off.txt; "
                      "else cat \"$1\" >> inputs.log; cat and_on.txt; fi\n");
}

// ./espresso first (before one on the PATH), then espresso on the PATH (a file that is not
// executable does not count), else the built-in one; both programs get the fixed command lines and
// leave no exchange file.
TEST(ExternalMinimizer, FoundAndRunWithTheFixedCommandLines) {
    for (bool local : {true, false}) {
        TempDir dir;
        ScopedCwd cwd(dir.path());
        PathGuard path(dir.file("bin") + ":" + std::getenv("PATH"));
        mkdir("bin", 0755);
        writeLoggingEspresso(local ? "espresso" : "bin/espresso");
        if (local) writeScript("bin/espresso", "exit 1\n"); // never run
        if (!local) writeFile("espresso", "not executable\n");
        const TwoLevelMinimizer m = TwoLevelMinimizer::Locate();
        EXPECT_EQ(m.kind(), local ? TwoLevelMinimizer::Kind::LocalProgram
                                  : TwoLevelMinimizer::Kind::PathProgram);
        EXPECT_EQ(m.name(), local ? "./espresso" : "espresso");
        const Library library("8", "", TwoLevelMinimizer::Locate());
        EXPECT_EQ(readFile("calls.log"), "to_min.pla\n-or onset.pla\n") << local;
        EXPECT_EQ(readFile("inputs.log"), toMinText(8)) << local;
        EXPECT_EQ(termTexts(library.Function(0)), (Cubes{"11 1", "0- 0", "-0 0"}));
        for (const char* f : {"to_min.pla", "onset.pla", "offset.pla"})
            EXPECT_FALSE(fileExists(f)) << f;
    }
    TempDir dir;
    ScopedCwd cwd(dir.path());
    PathGuard path(dir.file("nowhere"));
    EXPECT_EQ(TwoLevelMinimizer::Locate().name(), "built-in minimizer");
}

// A minimizer that fails, prints garbage or a wrong cover never yields a library. Constants
// are refused whatever the minimizer does (in either case, also after a good digit), and so
// is what is no hexadecimal digit, or a library of another length than the gate costs set.
TEST(ExternalMinimizer, AFailingProgramIsReportedByName) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    const std::string msg = rt("the two-level minimizer ./espresso gave no valid cover of "
                               "function ");
    const auto trivial = [](const std::string& library, char constant) {
        return rt("the node library " + library + " holds the constant function " + constant +
                  "; a node function must depend on its inputs");
    };
    const auto refusal = [](const char* library) {
        return messageOf([library] { Library(library, "", TwoLevelMinimizer::Locate()); });
    };
    writeScript("espresso", "exit 1\n");
    EXPECT_EQ(refusal("8"), msg + "8");
    EXPECT_EQ(refusal("F"), trivial("F", 'F'));
    for (const char* f : {"to_min.pla", "onset.pla", "offset.pla"})
        EXPECT_FALSE(fileExists(f)) << f;
    writeScript("espresso", "echo garbage here\n");
    EXPECT_EQ(refusal("6"), msg + "6");
    EXPECT_EQ(refusal("0"), trivial("0", '0'));
    // The AND covers whatever it is asked: right for 8, wrong for E; then a wrong off-set.
    writeLoggingEspresso("espresso");
    EXPECT_EQ(refusal("8e"), msg + "E");
    EXPECT_EQ(refusal("f"), trivial("f", 'F'));
    EXPECT_EQ(refusal("80"), trivial("80", '0'));
    EXPECT_EQ(refusal("8G"),
              rt("the node library 8G has a character that is no hexadecimal digit"));
    writeFile("and_off.txt", ".type r\n.i 2\n.o 1\n.p 1\n0- 0\n.end\n");
    EXPECT_EQ(refusal("8"), msg + "8");
    EXPECT_EQ(messageOf([&] { Library("8", "12", TwoLevelMinimizer::Locate()); }),
              rt("-gatecosts and -nodefuncts must be of equal size"));
}

// --- the library -------------------------------------------------------------------------

// Every two-input function gets espresso's files from the built-in minimizer, and every
// non-constant one its covers in the library: the on-set cubes, then the off-set cubes;
// the single-output cover is the on-set; the symmetries follow the truth table.
TEST(Library, EveryFunctionGetsEspressosCovers) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    for (uint32_t digit = 0; digit < 16; ++digit) {
        writeFile("to_min.pla", toMinText(digit));
        TwoLevelMinimizer(TwoLevelMinimizer::Kind::BuiltIn).Run();
        EXPECT_EQ(readFile("onset.pla"), espressoFile(digit, true)) << digit;
        EXPECT_EQ(readFile("offset.pla"), espressoFile(digit, false)) << digit;
    }
    const std::string digits = "123456789ABCDE";
    const Library e(digits);
    ASSERT_EQ(e.size(), digits.size());
    EXPECT_EQ(e.CodeBits(), 4u);
    EXPECT_EQ(e.Text(), digits);
    const char* const rows[] = {"00", "01", "10", "11"};
    for (uint32_t t = 0; t < digits.size(); ++t) {
        const PLA& f = e.Function(t);
        EXPECT_EQ(f.getType(), PLA_type("fr")) << t;
        Cubes expected;
        for (bool on : {true, false})
            for (const std::string& c : covers(t + 1, on))
                expected.push_back(c + (on ? " 1" : " 0"));
        EXPECT_EQ(termTexts(f), expected) << t;
        EXPECT_TRUE(e.Cover(t).getPhase()) << t;
        EXPECT_EQ(cubeTexts(e.Cover(t)), covers(t + 1, true)) << t;
        const std::string s = hex2bin(digits[t]);
        EXPECT_EQ(e.Symmetric(t), s[1] == s[2]) << t;
        EXPECT_EQ(e.NegSymmetric(t), s[0] == s[3] && s[1] == s[2]) << t;
        // The table the lower-bound engine and the AIGER writers read: f(a, b) at bit
        // 2a + b, as the covers simulate.
        for (uint32_t r = 0; r < 4; ++r)
            EXPECT_EQ((e.Table(t) >> r) & 1u, f.Simulate(Cube(rows[r])).at(0)) << t << r;
    }
    EXPECT_FALSE(e.AllSymmetric());
    EXPECT_EQ(e.GateName(7), "and");
    EXPECT_EQ(e.GateName(5), "xor");
    EXPECT_EQ(e.GateName(13), "or");
}

} // namespace
