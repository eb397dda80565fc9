// DOT, AIGER ASCII and binary AIGER writers over hand-made models of real instances. The
// binary files are read back by an independent reader and simulated; when yosys-abc is
// installed one is also proven equivalent to the BLIF of the same solution.
#include "network/Network.h"
#include "synth/SAT_CircGen.h"
#include "tests/support/BlifEval.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testsupport::BlifCircuit;
using testsupport::fileExists;
using testsupport::Hand;
using testsupport::messageOf;
using testsupport::readFile;
using testsupport::splitLines;
using testsupport::TempDir;

using Lines = std::vector<std::string>;

Lines dot(Hand& h, uint32_t nodes) {
    const SoPLA* model = h.model();
    TempDir dir;
    h.e.SaveDOT(model, nodes, dir.file("s.dot"));
    return splitLines(readFile(dir.file("s.dot")));
}

Lines aag(Hand& h, uint32_t nodes) {
    const SoPLA* model = h.model();
    TempDir dir;
    h.e.SaveAAG(model, nodes, dir.file("s.aag"));
    return splitLines(readFile(dir.file("s.aag")));
}

// An independent reader of binary AIGER files without latches.
struct Aig {
    uint32_t M = 0, I = 0, L = 0, O = 0, A = 0;
    std::vector<uint32_t> outputs;
    std::vector<std::array<uint32_t, 3>> ands; // lhs, rhs0, rhs1

    static Aig parse(const std::string& bytes) {
        Aig a;
        size_t pos = bytes.find('\n');
        if (pos == std::string::npos) throw std::runtime_error("AIG: no header");
        std::istringstream header(bytes.substr(0, pos));
        std::string magic;
        header >> magic >> a.M >> a.I >> a.L >> a.O >> a.A;
        if (magic != "aig" || !header) throw std::runtime_error("AIG: bad header");
        if (a.L != 0 || a.M != a.I + a.L + a.A) throw std::runtime_error("AIG: bad counts");
        ++pos;
        for (uint32_t o = 0; o < a.O; ++o) {
            const size_t end = bytes.find('\n', pos);
            if (end == std::string::npos) throw std::runtime_error("AIG: missing output");
            const std::string text = bytes.substr(pos, end - pos);
            if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
                throw std::runtime_error("AIG: bad output line");
            a.outputs.push_back(static_cast<uint32_t>(std::stoul(text)));
            pos = end + 1;
        }
        auto delta = [&]() {
            uint32_t x = 0;
            for (uint32_t shift = 0;; shift += 7) {
                if (pos >= bytes.size()) throw std::runtime_error("AIG: truncated gate");
                const auto ch = static_cast<unsigned char>(bytes[pos++]);
                x |= static_cast<uint32_t>(ch & 0x7Fu) << shift;
                if (!(ch & 0x80u)) return x;
            }
        };
        for (uint32_t j = 0; j < a.A; ++j) {
            const uint32_t lhs = 2 * (a.I + a.L + j + 1);
            const uint32_t d0 = delta();
            const uint32_t d1 = delta();
            if (d0 == 0 || d0 > lhs || d1 > lhs - d0) throw std::runtime_error("AIG: bad delta");
            a.ands.push_back({lhs, lhs - d0, lhs - d0 - d1});
        }
        if (pos != bytes.size()) throw std::runtime_error("AIG: trailing bytes");
        for (uint32_t lit : a.outputs)
            if (lit > 2 * a.M + 1) throw std::runtime_error("AIG: output literal out of range");
        return a;
    }

    // Output values with input q (variable q + 1) set to bit q of values.
    std::vector<int> evaluate(const std::vector<int>& values) const {
        std::vector<int> var(M + 1, 0);
        for (uint32_t q = 0; q < I; ++q)
            var[q + 1] = values.at(q);
        auto lit = [&](uint32_t l) { return var[l / 2] ^ static_cast<int>(l & 1u); };
        for (const auto& g : ands)
            var[g[0] / 2] = lit(g[1]) & lit(g[2]);
        std::vector<int> out;
        for (uint32_t l : outputs)
            out.push_back(lit(l));
        return out;
    }
};

// Writes the binary AIGER file, reads it back and compares every row with the expected
// function (first input most significant).
std::string checkAig(Hand& h, const std::function<std::vector<int>(uint32_t)>& expected,
                     const std::string& file, uint32_t ands) {
    h.e.SaveAIG(h.model(), h.e.n, file);
    const std::string bytes = readFile(file);
    const Aig aig = Aig::parse(bytes);
    EXPECT_EQ(aig.I, h.e.k);
    EXPECT_EQ(aig.O, h.e.m);
    EXPECT_EQ(aig.A, ands);
    for (uint32_t r = 0; r < h.rows(); ++r) {
        std::vector<int> in(h.e.k);
        for (uint32_t q = 0; q < h.e.k; ++q)
            in[q] = (r >> (h.e.k - 1 - q)) & 1u;
        EXPECT_EQ(aig.evaluate(in), expected(r)) << "row " << r;
    }
    return bytes;
}

int bit(uint32_t r, uint32_t k, uint32_t q) {
    return static_cast<int>((r >> (k - 1 - q)) & 1u);
}

// ---------------------------------------------------------------- DOT

TEST(SaveDOT, AndOfTwoInputsAsInTheExample) {
    Hand h(2, {0x8}, "8", 1, false, false);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    EXPECT_EQ(dot(h, 1),
              (Lines{"digraph Network {", "edge[dir = back];", "{", "     rank = same;",
                     "     N_1 [label=\"x0\", shape = triangle, color = coral, fillcolor = coral];",
                     "     N_2 [label=\"x1\", shape = triangle, color = coral, fillcolor = coral];",
                     "}", "{", "     rank = same;",
                     "     O_0 [label=\"y0\", shape = invtriangle, color = coral, fillcolor = "
                     "coral];",
                     "}", "     N_3 [label=\"1\"];", "", "     N_3 -> N_1;", "     N_3 -> N_2;",
                     "     O_0 -> N_3;", "}"}));
}

TEST(SaveDOT, ConstantVertexOnlyWhenTheConstantIsUsed) {
    const std::string vertex =
        "     N_0 [label=\"0\", shape = triangle, color = coral, fillcolor = coral];";
    auto has = [](const Lines& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    {
        Hand h(2, {0x8}, "8", 1, true, false); // allowed but unused
        h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
        const Lines lines = dot(h, 1);
        EXPECT_FALSE(has(lines, vertex));
        for (const auto& l : lines)
            EXPECT_EQ(l.find("-> N_0"), std::string::npos) << l;
    }
    {
        Hand h(2, {0x8}, "8", 1, true, false); // used at a port
        h.conn(0, 3, 0).set("N3_0").conn(2, 3, 1).out(0, 3);
        const Lines lines = dot(h, 1);
        EXPECT_TRUE(has(lines, vertex));
        EXPECT_TRUE(has(lines, "     N_3 -> N_0 [style=\"dashed\"];"));
        EXPECT_LT(std::find(lines.begin(), lines.end(), "     N_3 -> N_0 [style=\"dashed\"];"),
                  std::find(lines.begin(), lines.end(), "     N_3 -> N_2;"));
    }
    {
        Hand h(2, {0xF}, "8", 0, false, false); // an output taken from the constant
        h.out(0, 0).set("ON0");
        const Lines lines = dot(h, 0);
        EXPECT_TRUE(has(lines, vertex));
        EXPECT_EQ(lines[lines.size() - 2], "     O_0 -> N_0 [style=\"dashed\"];");
    }
}

TEST(SaveDOT, ShapesStylesAndTailports) {
    // One node per gate name: and, nand, or, nor, imply, xor, xnor and an unnamed one.
    Hand h(2, {0x0}, "87E1B692", 8, false, true);
    for (uint32_t i = 3; i <= 10; ++i)
        h.func(i, i - 3).conn(1, i, 0).conn(2, i, 1);
    h.set("N3_0").set("P4_1").set("N5_0").set("P5_0").set("N7_0").set("P10_1");
    h.out(0, 10).set("ON0").set("OP0");
    const Lines lines = dot(h, 8);
    const Lines tail(lines.begin() + 11, lines.end());
    EXPECT_EQ(tail, (Lines{"     N_3 [label=\"1\"];",
                           "     N_4 [label=\"2\", shape = oval, peripheries = 2];",
                           "     N_5 [label=\"3\", shape = box];",
                           "     N_6 [label=\"4\", shape = box, peripheries = 2];",
                           "     N_7 [label=\"5\", shape = rarrow];",
                           "     N_8 [label=\"6\", shape = hexagon];",
                           "     N_9 [label=\"7\", shape = hexagon, peripheries = 2];",
                           "     N_10 [label=\"8\", shape = cylinder];",
                           "",
                           "     N_3 -> N_1 [style=\"dashed\"];",
                           "     N_4 -> N_1;",
                           "     N_5 -> N_1 [style=\"dashed, bold\", color=\"blue\"];",
                           "     N_6 -> N_1;",
                           "     N_7 -> N_1 [style=\"dashed\", tailport=\"sw\"];",
                           "     N_8 -> N_1;",
                           "     N_9 -> N_1;",
                           "     N_10 -> N_1 [tailport=\"sw\"];",
                           "     N_3 -> N_2;",
                           "     N_4 -> N_2 [style=\"bold\", color=\"blue\"];",
                           "     N_5 -> N_2;",
                           "     N_6 -> N_2;",
                           "     N_7 -> N_2 [tailport=\"se\"];",
                           "     N_8 -> N_2;",
                           "     N_9 -> N_2;",
                           "     N_10 -> N_2 [style=\"bold\", color=\"blue\", tailport=\"se\"];",
                           "     O_0 -> N_10 [style=\"dashed, bold\", color=\"blue\"];",
                           "}"}));
    // The control input is not drawn.
    EXPECT_EQ(lines[4].substr(0, 9), "     N_1 ");
    EXPECT_EQ(lines[6], "}");
}

TEST(SaveDOT, OutputPolymorphismOnlyReadWithPolymorphicEdges) {
    Hand h(2, {0x8}, "8", 1, false, false);
    h.conn(1, 3, 0).set("P3_0").conn(2, 3, 1).out(0, 3).set("OP0");
    const Lines lines = dot(h, 1);
    EXPECT_EQ(lines[13], "     N_3 -> N_1 [style=\"bold\", color=\"blue\"];");
    EXPECT_EQ(lines[15], "     O_0 -> N_3;");
}

TEST(SaveDOT, OneEdgePerPortWhenAPortHasSeveralSources) {
    Hand h(2, {0x5, 0x4}, "82", 3, false, false);
    h.func(3, 0).conn(1, 3, 0).conn(1, 3, 1).out(0, 3).set("ON0");
    h.func(4, 0).conn(1, 4, 0).conn(3, 4, 0).conn(1, 4, 1);
    h.func(5, 1).conn(3, 5, 0).conn(4, 5, 0).conn(2, 5, 1).out(1, 5);
    const Lines lines = dot(h, 3);
    const Lines edges(lines.begin() + 16, lines.end());
    EXPECT_EQ(edges,
              (Lines{"     N_3 -> N_1;", "     N_3 -> N_1;", "     N_4 -> N_1;", "     N_4 -> N_1;",
                     "     N_5 -> N_2 [tailport=\"se\"];", "     N_5 -> N_3 [tailport=\"sw\"];",
                     "     O_0 -> N_3 [style=\"dashed\"];", "     O_1 -> N_5;", "}"}));
}

TEST(SaveDOT, UnopenableFile) {
    Hand h(2, {0x8}, "8", 1, false, false);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    const SoPLA* model = h.model();
    TempDir dir;
    EXPECT_EQ(messageOf([&] { h.e.SaveDOT(model, 1, dir.file("no/such.dot")); }),
              "Runtime Exception: SaveDOT: cannot open file.");
    EXPECT_EQ(messageOf([&] { h.e.SaveAAG(model, 1, dir.file("no/such.aag")); }),
              "Runtime Exception: SaveAAG: cannot open file.");
    EXPECT_EQ(messageOf([&] { h.e.SaveAIG(model, 1, dir.file("no/such.aig")); }),
              "Runtime Exception: SaveAIG: cannot open file.");
}

// ---------------------------------------------------------------- AAG

TEST(SaveAAG, AndOfTwoInputsAsInTheExample) {
    Hand h(2, {0x8}, "8", 1, false, false);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    EXPECT_EQ(aag(h, 1), (Lines{"aag 3 2 0 1 1", "2", "4", "6", "6 2 4"}));
}

TEST(SaveAAG, InvertedOutputsFromAnInputAndTheConstant) {
    Hand h(2, {0x3, 0xF, 0x0}, "8", 0, false, false);
    h.out(0, 1).set("ON0").out(1, 0).set("ON1").out(2, 0);
    EXPECT_EQ(aag(h, 0), (Lines{"aag 2 2 0 3 0", "2", "4", "3", "1", "0"}));
}

TEST(SaveAAG, UndecidedOutputInversionCountsAsInverted) {
    Hand h(2, {0x8}, "8", 1, false, false);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3).dc("ON0");
    EXPECT_EQ(aag(h, 1), (Lines{"aag 3 2 0 1 1", "2", "4", "7", "6 2 4"}));
}

TEST(SaveAAG, XorNodesListPortOneFirst) {
    Hand h(2, {0x8, 0x6}, "86", 2, true, false);
    h.func(3, 1).conn(1, 3, 0).conn(2, 3, 1).out(1, 3);
    h.func(4, 0).conn(1, 4, 0).set("N4_1").conn(0, 4, 1).out(0, 4);
    EXPECT_EQ(aag(h, 2), (Lines{"xaag 4 2 0 2 2", "2", "4", "8", "6", "6 4 2", "8 2 1"}));
}

TEST(SaveAAG, PolymorphicEdgesAndOutputs) {
    Hand h(2, {0x0}, "8", 1, false, true);
    h.conn(1, 3, 0).set("P3_0").conn(2, 3, 1).set("N3_1").out(0, 3).set("OP0").set("ON0");
    EXPECT_EQ(aag(h, 1), (Lines{"paag 3 2 0 1 1", "2", "4", "-7", "6 -2 5"}));
}

TEST(SaveAAG, FirstSourceOfAPortWithSeveralSources) {
    Hand h(2, {0x0, 0x0}, "82", 3, false, false);
    h.func(3, 0).conn(1, 3, 0).conn(1, 3, 1).out(0, 3).set("ON0");
    h.func(4, 0).conn(1, 4, 0).conn(3, 4, 0).conn(1, 4, 1);
    h.func(5, 0).conn(3, 5, 0).conn(4, 5, 0).conn(2, 5, 1).out(1, 5);
    EXPECT_EQ(aag(h, 3), (Lines{"aag 5 2 0 2 3", "2", "4", "7", "10", "6 2 2", "8 2 2", "10 6 4"}));
}

TEST(SaveAAG, UnsupportedNodeFunctionLeavesAnEmptyFile) {
    Hand h(2, {0xE}, "8E", 2, false, false);
    h.func(3, 0).conn(1, 3, 0).conn(2, 3, 1);
    h.func(4, 1).conn(3, 4, 0).conn(2, 4, 1).out(0, 4);
    const SoPLA* model = h.model();
    TempDir dir;
    EXPECT_EQ(messageOf([&] { h.e.SaveAAG(model, 2, dir.file("o.aag")); }),
              "Runtime Exception: SaveAAG: node function not supported.");
    EXPECT_TRUE(fileExists(dir.file("o.aag")));
    EXPECT_EQ(readFile(dir.file("o.aag")), "");
}

// ---------------------------------------------------------------- binary AIGER

TEST(SaveAIG, AndOfTwoInputs) {
    Hand h(2, {0x8}, "8", 1, false, false);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    TempDir dir;
    const std::string bytes = checkAig(
        h, [](uint32_t r) { return std::vector<int>{r == 3 ? 1 : 0}; }, dir.file("a.aig"), 1);
    EXPECT_EQ(bytes, std::string("aig 3 2 0 1 1\n6\n\x02\x02", 18));
}

TEST(SaveAIG, InversionsConstantsAndSeveralOutputs) {
    // Node 4 = (not x0) & (not 0); node 5 = x1 & not node 4; node 6 = node 5 & not x2.
    // Outputs: y0 = not node 6, y1 = node 4, y2 = not 0, y3 = x2.
    Hand h(3, {0, 0, 0, 0}, "8", 3, true, false);
    h.conn(1, 4, 0).set("N4_0").conn(0, 4, 1).set("N4_1");
    h.conn(2, 5, 0).conn(4, 5, 1).set("N5_1");
    h.conn(5, 6, 0).conn(3, 6, 1).set("N6_1");
    h.out(0, 6).set("ON0").out(1, 4).out(2, 0).set("ON2").out(3, 3);
    TempDir dir;
    checkAig(
        h,
        [](uint32_t r) {
            const int x0 = bit(r, 3, 0), x1 = bit(r, 3, 1), x2 = bit(r, 3, 2);
            const int n4 = 1 - x0, n5 = x1 & x0, n6 = n5 & (1 - x2);
            return std::vector<int>{1 - n6, n4, 1, x2};
        },
        dir.file("b.aig"), 3);
}

TEST(SaveAIG, PortWithSeveralSources) {
    Hand h(2, {0x0, 0x0}, "82", 3, false, false);
    h.func(3, 0).conn(1, 3, 0).conn(1, 3, 1).out(0, 3).set("ON0");
    h.func(4, 0).conn(1, 4, 0).conn(3, 4, 0).conn(1, 4, 1);
    h.func(5, 0).conn(3, 5, 0).conn(4, 5, 0).set("N5_0").conn(2, 5, 1).out(1, 5);
    TempDir dir;
    checkAig(
        h,
        [](uint32_t r) {
            const int x0 = bit(r, 2, 0), x1 = bit(r, 2, 1);
            return std::vector<int>{1 - x0, (1 - x0) & x1};
        },
        dir.file("c.aig"), 3);
}

TEST(SaveAIG, WideDeltasUseSeveralBytes) {
    // A chain of 64 nodes, each the AND of its predecessor and x0: the last gate (literal
    // 132) reads literals 130 and 2, so its second delta is 128, written in two bytes.
    const uint32_t n = 64;
    Hand h(2, {0x8}, "8", n, false, false);
    h.conn(1, 3, 0).conn(2, 3, 1);
    for (uint32_t i = 4; i <= 2 + n; ++i)
        h.conn(i - 1, i, 0).conn(1, i, 1);
    h.out(0, 2 + n);
    TempDir dir;
    const std::string bytes = checkAig(
        h, [](uint32_t r) { return std::vector<int>{r == 3 ? 1 : 0}; }, dir.file("w.aig"), n);
    EXPECT_EQ(bytes.substr(bytes.size() - 3), std::string("\x02\x80\x01", 3));
}

// Every library function in AND-inverter form: one AND with inversions, three for the
// exclusive-or and its complement, none for a projection. Node i computes library
// function i - 3 of x0 (port 0) and x1 (port 1) and drives output i - 3.
TEST(SaveAIG, EveryLibraryFunctionAsAndsWithInversions) {
    const std::string lib = "123456789ABCDE";
    const std::vector<uint64_t> none(lib.size(), 0);
    Hand h(2, none, lib, static_cast<uint32_t>(lib.size()), false);
    for (uint32_t t = 0; t < lib.size(); ++t)
        h.func(3 + t, t).conn(1, 3 + t, 0).conn(2, 3 + t, 1).out(t, 3 + t);
    TempDir dir;
    // Eight functions of one AND, two of three ANDs, four projections of none.
    checkAig(
        h,
        [&](uint32_t r) {
            std::vector<int> v;
            for (char d : lib)
                v.push_back(((std::stoi(std::string(1, d), nullptr, 16) >> r) & 1));
            return v;
        },
        dir.file("l.aig"), 8 + 2 * 3);
}

TEST(SaveAIG, RefusesPolymorphicEdgesWithoutCreatingTheFile) {
    TempDir dir;
    const std::string file = dir.file("r.aig");
    {
        Hand h(2, {0x0}, "8", 1, false, true);
        h.conn(1, 3, 0).set("P3_1").conn(2, 3, 1).out(0, 3);
        EXPECT_EQ(messageOf([&] { h.e.SaveAIG(h.model(), 1, file); }),
                  "Runtime Exception: SaveAIG: polymorphic edges not supported.");
    }
    {
        Hand h(2, {0x0}, "8", 0, false, true);
        h.out(0, 1).set("OP0");
        EXPECT_EQ(messageOf([&] { h.e.SaveAIG(h.model(), 0, file); }),
                  "Runtime Exception: SaveAIG: polymorphic edges not supported.");
    }
    EXPECT_FALSE(fileExists(file));
}

// ---------------------------------------------------------------- equivalence with ABC

const char* const kAbc = "/usr/bin/yosys-abc";

std::string runAbc(const std::string& dir, const std::string& script) {
    const std::string out = dir + "/abc.out";
    const std::string cmd =
        std::string("cd '") + dir + "' && " + kAbc + " -c \"" + script + "\" > abc.out 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return readFile(out);
}

TEST(SaveAIGWithAbc, EquivalentToTheBlifOfTheSameSolution) {
    if (!fileExists(kAbc)) GTEST_SKIP() << "yosys-abc not installed";
    // Inversions, the constant, several outputs, and or, exclusive-or and its complement.
    Hand h(3, {0, 0, 0, 0}, "8E69", 4, true, false);
    h.func(4, 1).conn(1, 4, 0).set("N4_0").conn(0, 4, 1).set("N4_1");
    h.func(5, 2).conn(2, 5, 0).conn(4, 5, 1).set("N5_1");
    h.func(6, 3).conn(5, 6, 0).conn(3, 6, 1).set("N6_1");
    h.func(7, 0).conn(6, 7, 0).conn(1, 7, 1);
    h.out(0, 6).set("ON0").out(1, 4).out(2, 0).set("ON2").out(3, 7);
    TempDir dir;
    h.e.SaveAIG(h.model(), 4, dir.file("f.aig"));
    h.e.Graph2Network(h.model(), 4)->SaveBlif(dir.file("s.blif"));
    const std::string same = runAbc(dir.path(), "read_blif s.blif; strash; cec -n f.aig");
    EXPECT_NE(same.find("Networks are equivalent"), std::string::npos) << same;
    // A wrong file is told apart: the solution with another function at node 7.
    h.func(7, 2);
    h.e.SaveAIG(h.model(), 4, dir.file("g.aig"));
    const std::string other = runAbc(dir.path(), "read_blif s.blif; strash; cec -n g.aig");
    EXPECT_NE(other.find("NOT EQUIVALENT"), std::string::npos) << other;
}

} // namespace
