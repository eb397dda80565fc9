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
#include <sys/stat.h>

namespace {

using namespace testsupport;
using Cubes = std::vector<std::string>;

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

// to_min.pla of a library digit: rows 00, 01, 10, 11 with f(a,b) = bit 2a+b of the digit.
std::string toMinText(char digit) {
    const int v = digit <= '9' ? digit - '0' : digit - 'A' + 10;
    std::string text = ".i 2\n.o 1\n.p 4\n.type fr\n";
    const char* rows[] = {"00", "01", "10", "11"};
    for (int row = 0; row < 4; ++row)
        text += std::string(rows[row]) + ((v >> row) & 1 ? " 1\n" : " 0\n");
    return text + ".e\n";
}

// The cube lines of a PLA file text.
Cubes cubeLines(const std::string& text) {
    Cubes lines;
    for (const std::string& line : splitLines(text))
        if (!line.empty() && line[0] != '.') lines.push_back(line);
    return lines;
}

// Cube texts of the terms of a PLA whose output 0 is `out`.
Cubes cubesWithOutput(const PLA& pla, char out) {
    Cubes cubes;
    for (const Term& t : pla.getTerms())
        if (t.getOM()[0] == out) cubes.push_back(t.getCube());
    return cubes;
}

// --- an independent check of minimum covers ---------------------------------------------

// Does the cube text cover minterm x (first character = most significant bit)?
bool cubeCovers(const std::string& cube, uint32_t x) {
    for (size_t p = 0; p < cube.size(); ++p) {
        const char bit = ((x >> (cube.size() - 1 - p)) & 1u) ? '1' : '0';
        if (cube[p] != '-' && cube[p] != bit) return false;
    }
    return true;
}

// Every on-minterm (value 1) covered, no off-minterm (value 0) covered.
bool isCover(const Cubes& cubes, const std::vector<uint8_t>& values) {
    for (uint32_t x = 0; x < values.size(); ++x) {
        bool covered = false;
        for (const std::string& c : cubes)
            covered = covered || cubeCovers(c, x);
        if (values[x] != 2 && covered != (values[x] == 1)) return false;
    }
    return true;
}

// The primes: implicants none of whose literals can be dropped. Any cover can be turned
// into a cover of no more cubes made of these, so they suffice to search for smaller ones.
Cubes primeImplicants(uint32_t n, const std::vector<uint8_t>& values) {
    const auto implicant = [&](const std::string& cube) {
        for (uint32_t x = 0; x < values.size(); ++x)
            if (values[x] == 0 && cubeCovers(cube, x)) return false;
        return true;
    };
    Cubes all{""}, primes;
    for (uint32_t p = 0; p < n; ++p) {
        Cubes next;
        for (const std::string& c : all)
            for (char ch : {'0', '1', '-'})
                next.push_back(c + ch);
        all.swap(next);
    }
    for (const std::string& c : all) {
        bool prime = implicant(c);
        for (uint32_t p = 0; p < n && prime; ++p)
            if (c[p] != '-') prime = !implicant(c.substr(0, p) + '-' + c.substr(p + 1));
        if (prime) primes.push_back(c);
    }
    return primes;
}

// Is there a cover made of at most `size` cubes of the candidates?
bool coverExists(const Cubes& candidates, size_t size, const std::vector<uint8_t>& values,
                 Cubes& chosen, size_t from = 0) {
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

// The cover is correct, made of primes, and no cover of fewer cubes exists.
void expectMinimumCover(uint32_t n, const std::vector<uint8_t>& values, const std::string& what) {
    const Cubes cubes = TwoLevelMinimizer::MinimumCover(n, values);
    ASSERT_TRUE(isCover(cubes, values)) << what;
    const Cubes primes = primeImplicants(n, values);
    for (const std::string& c : cubes)
        EXPECT_NE(std::find(primes.begin(), primes.end(), c), primes.end()) << what << ": " << c;
    Cubes chosen;
    EXPECT_TRUE(cubes.empty() || !coverExists(primes, cubes.size() - 1, values, chosen)) << what;
}

// --- the built-in minimizer ------------------------------------------------------------

TEST(BuiltInMinimizer, WritesEspressosFilesForEveryTwoInputFunction) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    for (const Reference& ref : kReference) {
        writeFile("to_min.pla", toMinText(ref.digit));
        TwoLevelMinimizer(TwoLevelMinimizer::Kind::BuiltIn).Run();
        EXPECT_EQ(readFile("onset.pla"), ref.onset) << ref.digit;
        EXPECT_EQ(readFile("offset.pla"), ref.offset) << ref.digit;
    }
}

// Every function of three inputs, and random ones of three and four with don't cares.
TEST(BuiltInMinimizer, MinimumCovers) {
    for (uint32_t f = 0; f < 256; ++f) {
        std::vector<uint8_t> values(8);
        for (uint32_t x = 0; x < 8; ++x)
            values[x] = static_cast<uint8_t>((f >> x) & 1u);
        expectMinimumCover(3, values, "function " + std::to_string(f));
    }
    std::mt19937 rng(12345);
    for (int round = 0; round < 40; ++round) {
        const uint32_t n = round < 20 ? 3 : 4;
        std::vector<uint8_t> values(1u << n);
        for (uint8_t& v : values)
            v = static_cast<uint8_t>(rng() % 3);
        expectMinimumCover(n, values, "round " + std::to_string(round));
    }
    EXPECT_EQ(TwoLevelMinimizer::MinimumCover(3, {1, 2, 2, 1, 0, 0, 0, 0}), Cubes{"0--"});
    EXPECT_EQ(TwoLevelMinimizer::MinimumCover(2, {1, 2, 2, 2}), Cubes{"--"});
    EXPECT_TRUE(TwoLevelMinimizer::MinimumCover(2, {2, 0, 2, 0}).empty());
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
    EXPECT_EQ(offCubes.size(), 2u);
    EXPECT_TRUE(isCover(offCubes, {0, 2, 1, 0, 1, 1, 1, 1}));
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
    writeFile("and_on.txt", kReference[8].onset);
    writeFile("and_off.txt", kReference[8].offset);
    writeScript(path, "echo \"$@\" >> calls.log\n"
                      "if [ \"$1\" = \"-or\" ]; then cat and_off.txt; "
                      "else cat \"$1\" >> inputs.log; cat and_on.txt; fi\n");
}

// ./espresso first, then espresso on the PATH (a file that is not executable does not
// count), else the built-in one; both programs get the fixed command lines and leave no
// exchange file.
TEST(ExternalMinimizer, FoundAndRunWithTheFixedCommandLines) {
    for (bool local : {true, false}) {
        TempDir dir;
        ScopedCwd cwd(dir.path());
        PathGuard path(dir.file("bin") + ":" + std::getenv("PATH"));
        mkdir("bin", 0755);
        writeLoggingEspresso(local ? "espresso" : "bin/espresso");
        writeFile(local ? "bin/espresso" : "espresso", "not executable\n");
        const TwoLevelMinimizer m = TwoLevelMinimizer::Locate();
        EXPECT_EQ(m.kind(), local ? TwoLevelMinimizer::Kind::LocalProgram
                                  : TwoLevelMinimizer::Kind::PathProgram);
        EXPECT_EQ(m.name(), local ? "./espresso" : "espresso");
        SAT_CircGen e;
        e.DeriveFunctions("8");
        EXPECT_EQ(readFile("calls.log"), "to_min.pla\n-or onset.pla\n") << local;
        EXPECT_EQ(readFile("inputs.log"), toMinText('8')) << local;
        EXPECT_EQ(cubesWithOutput(e.nodeFunctions.at(0), '1'), Cubes{"11"});
        EXPECT_EQ(cubesWithOutput(e.nodeFunctions.at(0), '0'), (Cubes{"0-", "-0"}));
        for (const char* f : {"to_min.pla", "onset.pla", "offset.pla"})
            EXPECT_FALSE(fileExists(f)) << f;
    }
    TempDir dir;
    ScopedCwd cwd(dir.path());
    PathGuard path(dir.file("nowhere"));
    EXPECT_EQ(TwoLevelMinimizer::Locate().name(), "built-in minimizer");
}

// A minimizer that fails, prints garbage or a wrong cover never yields a library.
TEST(ExternalMinimizer, AFailingProgramIsReportedByName) {
    TempDir dir;
    ScopedCwd cwd(dir.path());
    const std::string msg = rt("SAT_CircGen::DeriveFunctions: the two-level minimizer "
                               "./espresso gave no valid cover of function ");
    const std::string trivial = rt("SAT_CircGen::DeriveFunctions: function must not be trivial "
                                   "(constant or buffer).");
    writeScript("espresso", "exit 1\n");
    EXPECT_EQ(messageOf([] { SAT_CircGen().DeriveFunctions("8"); }), msg + "8");
    EXPECT_EQ(messageOf([] { SAT_CircGen().DeriveFunctions("F"); }), trivial);
    for (const char* f : {"to_min.pla", "onset.pla", "offset.pla"})
        EXPECT_FALSE(fileExists(f)) << f;
    writeScript("espresso", "echo garbage here\n");
    EXPECT_EQ(messageOf([] { SAT_CircGen().DeriveFunctions("6"); }), msg + "6");
    EXPECT_EQ(messageOf([] { SAT_CircGen().DeriveFunctions("0"); }), trivial);
    // The AND covers whatever it is asked: right for 8, wrong for E; then a wrong off-set.
    writeLoggingEspresso("espresso");
    EXPECT_EQ(messageOf([] { SAT_CircGen().DeriveFunctions("8e"); }), msg + "E");
    writeFile("and_off.txt", ".type r\n.i 2\n.o 1\n.p 1\n0- 0\n.end\n");
    EXPECT_EQ(messageOf([] { SAT_CircGen().DeriveFunctions("8"); }), msg + "8");
}

// --- the library -------------------------------------------------------------------------

// Every non-constant function gets espresso's covers: the on-set cubes, then the off-set
// cubes; the single-output cover is the on-set; the symmetries follow the table.
TEST(Library, EveryFunctionGetsEspressosCovers) {
    const std::string digits = "123456789ABCDE";
    SAT_CircGen e;
    e.route = SAT_CircGen::SolverRoute::Embedded;
    e.DeriveFunctions(digits);
    ASSERT_EQ(e.nodeFunctions.size(), digits.size());
    EXPECT_EQ(e.codeBits, 4u);
    for (size_t t = 0; t < digits.size(); ++t) {
        const char d = digits[t];
        const PLA& f = e.nodeFunctions[t];
        EXPECT_EQ(f.getType(), PLA_type("fr")) << d;
        const Reference& ref = kReference[t + 1];
        Cubes expected = cubeLines(ref.onset);
        for (const std::string& line : cubeLines(ref.offset))
            expected.push_back(line);
        EXPECT_EQ(termTexts(f), expected) << d;
        EXPECT_TRUE(e.nodeFunctionCovers[t].getPhase()) << d;
        EXPECT_EQ(cubeTexts(e.nodeFunctionCovers[t]), cubesWithOutput(f, '1')) << d;
        const std::string s = hex2bin(d);
        EXPECT_EQ(e.symmetric[t], s[1] == s[2]) << d;
        EXPECT_EQ(e.negSymmetric[t], s[0] == s[3] && s[1] == s[2]) << d;
    }
    EXPECT_FALSE(e.allSymmetric);
}

// Constants are refused (also after a good digit), projections and lower-case digits
// accepted; a library of another length than the gate costs already set is refused.
TEST(Library, RefusedAndAcceptedLibraries) {
    const std::string trivial = rt("SAT_CircGen::DeriveFunctions: function must not be trivial "
                                   "(constant or buffer).");
    const std::pair<const char*, std::string> cases[] = {
        {"0", trivial},
        {"F", trivial},
        {"f", trivial},
        {"80", trivial},
        {"8G", rt("SAT_CircGen::DeriveFunctions: non-hex string.")},
        {"C", ""},
        {"5", ""},
        {"3", ""},
        {"A", ""},
        {"8e", ""},
    };
    for (const auto& [lib, message] : cases) {
        SAT_CircGen e;
        e.route = SAT_CircGen::SolverRoute::Embedded;
        EXPECT_EQ(messageOf([&e, &lib = lib] { e.DeriveFunctions(lib); }), message) << lib;
    }
    SAT_CircGen e;
    e.route = SAT_CircGen::SolverRoute::Embedded;
    e.DeriveFunctions("86");
    e.set_GateCosts("12");
    EXPECT_EQ(messageOf([&] { e.DeriveFunctions("8"); }),
              rt("SAT_CircGen::DeriveFunctions: the length of gates costs must be equal to the "
                 "number of node functions"));
}

} // namespace
