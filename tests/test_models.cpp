// Solver models read into circuits and written as BLIF, DOT, AIGER ASCII and binary AIGER.
// The models are made by hand over the variables of real instances, for what runs of the
// program rarely or never produce: outputs taken straight from inputs or the constant,
// nodes driving several outputs with different inversions, shared polymorphic stages, ports
// with several sources, every library function, wide binary deltas. BLIF and binary AIGER
// files are read back by independent readers and simulated; DOT and AIGER ASCII files are
// compared as written.
#include "network/Network.h"
#include "tests/support/BlifEval.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace testsupport;
using Lines = std::vector<std::string>;

// One truth-table row: inputs x(0).. with x(0) the most significant bit, then the control
// input P (the least significant bit) when polymorphic edges are on.
struct Row {
    uint32_t r, w;
    int x(uint32_t q) const { return static_cast<int>((r >> (w - 1 - q)) & 1u); }
    int P() const { return static_cast<int>(r & 1u); }
};
using Function = std::function<std::vector<int>(const Row&)>;

// An independent reader of binary AIGER files without latches, and its simulation.
struct Aig {
    uint32_t M = 0, I = 0, L = 0, O = 0, A = 0;
    std::vector<uint32_t> outputs;
    std::vector<std::array<uint32_t, 3>> ands; // lhs, rhs0, rhs1

    explicit Aig(const std::string& bytes) {
        std::istringstream in(bytes);
        const auto expect = [](bool ok, const char* what) {
            if (!ok) throw std::runtime_error(std::string("AIG: ") + what);
        };
        std::string magic;
        in >> magic >> M >> I >> L >> O >> A;
        expect(magic == "aig" && in && L == 0 && M == I + A && in.get() == '\n', "bad header");
        for (uint32_t o = 0, lit = 0; o < O; ++o) {
            expect(static_cast<bool>(in >> lit) && in.get() == '\n' && lit <= 2 * M + 1,
                   "bad output line");
            outputs.push_back(lit);
        }
        const auto delta = [&]() {
            uint32_t x = 0;
            for (uint32_t shift = 0;; shift += 7) {
                const int ch = in.get();
                expect(ch != EOF, "truncated gate");
                x |= static_cast<uint32_t>(ch & 0x7F) << shift;
                if (!(ch & 0x80)) return x;
            }
        };
        for (uint32_t j = 0; j < A; ++j) {
            const uint32_t lhs = 2 * (I + j + 1), d0 = delta(), d1 = delta();
            expect(d0 != 0 && d0 <= lhs && d1 <= lhs - d0, "bad delta");
            ands.push_back({lhs, lhs - d0, lhs - d0 - d1});
        }
        expect(in.get() == EOF, "trailing bytes");
    }

    // Output values at row r (input q, variable q + 1, is bit I - 1 - q of r).
    std::vector<int> evaluate(uint32_t r) const {
        std::vector<int> var(M + 1, 0);
        for (uint32_t q = 0; q < I; ++q)
            var[q + 1] = static_cast<int>((r >> (I - 1 - q)) & 1u);
        auto lit = [&](uint32_t l) { return var[l / 2] ^ static_cast<int>(l & 1u); };
        for (const auto& g : ands)
            var[g[0] / 2] = lit(g[1]) & lit(g[2]);
        std::vector<int> out;
        for (uint32_t l : outputs)
            out.push_back(lit(l));
        return out;
    }
};

// The binary AIGER file of a circuit, read back and simulated against f at every row.
Aig checkAig(Hand& h, const Circuit& c, const Function& f) {
    TempDir dir;
    h.e.SaveAIG(c, dir.file("s.aig"));
    const Aig aig(readFile(dir.file("s.aig")));
    EXPECT_EQ(aig.I, h.e.Inputs());
    EXPECT_EQ(aig.O, h.e.Outputs());
    for (uint32_t r = 0; r < h.rows(); ++r)
        EXPECT_EQ(aig.evaluate(r), f(Row{r, h.e.Inputs()})) << "AIG, row " << r;
    return aig;
}

// The model decoded and written as BLIF (and, without polymorphic edges, as binary AIGER):
// each read back must agree with f at every row. Returns the BLIF text.
std::string expectRealises(Hand& h, const Function& f) {
    TempDir dir;
    h.e.Graph2Network(h.model(), h.e.Nodes())->SaveBlif(dir.file("s.blif"));
    const std::string text = readFile(dir.file("s.blif"));
    const BlifCircuit blif = BlifCircuit::parse(text);
    EXPECT_EQ(blif.inputs(), h.target->getINames());
    EXPECT_EQ(blif.outputs(), h.target->getONames());
    for (uint32_t r = 0; r < h.rows(); ++r)
        EXPECT_EQ(blif.evaluateRow(r), f(Row{r, h.w})) << "BLIF, row " << r << "\n" << text;
    if (!h.e.problem().polyEdges) checkAig(h, h.e.Decode(h.model(), h.e.Nodes()), f);
    return text;
}

// The model drawn as DOT, or written as AIGER ASCII.
Lines written(Hand& h, bool drawing) {
    TempDir dir;
    if (drawing) h.e.SaveDOT(h.model(), h.e.Nodes(), dir.file("s"));
    if (!drawing) h.e.SaveAAG(h.model(), h.e.Nodes(), dir.file("s"));
    return splitLines(readFile(dir.file("s")));
}

// Outputs taken from an input, inverted or not, and from the constant, which then has a
// node of its own in the netlist although constants may not feed ports.
TEST(Decode, OutputsStraightFromInputsAndTheConstant) {
    Hand h(2, {0x5, 0xF, 0x3}, "8", 0);
    h.out(0, 2).set("ON0").out(1, 0).set("ON1").out(2, 1);
    EXPECT_EQ(expectRealises(h,
                             [](const Row& x) {
                                 return std::vector<int>{1 - x.x(1), 1, x.x(0)};
                             }),
              ".model fnct\n.inputs x0 x1\n.outputs y0 y1 y2\n.names const_0\n 0\n"
              ".names x1 y0\n0 1\n.names const_0 y1\n0 1\n.names x0 y2\n1 1\n.end\n");
    EXPECT_EQ(written(h, false), (Lines{"aag 2 2 0 3 0", "2", "4", "5", "1", "2"}));
}

// Node 3 = x0 & x1 drives y0 inverted, y1 plain and y2 inverted; node 4 = (not node 3) & x0
// reads it through y0's inversion. Node 5 reads the constant.
TEST(Decode, NodesDrivingSeveralOutputsAndTheConstant) {
    Hand h(2, {0x7, 0x8, 0x7, 0x2, 0x0}, "8", 3, kConst);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3).set("ON0").out(1, 3).out(2, 3).set("ON2");
    h.conn(3, 4, 0).set("N4_0").conn(1, 4, 1).out(3, 4);
    h.conn(0, 5, 0).set("N5_0").conn(4, 5, 1).set("N5_1").out(4, 5);
    expectRealises(h, [](const Row& x) {
        const int a = x.x(0) & x.x(1), b = (1 - a) & x.x(0);
        return std::vector<int>{1 - a, a, 1 - a, b, 1 - b};
    });
    EXPECT_EQ(h.e.getNodesOfType(h.model(), 3, "and"), 3u);
    EXPECT_EQ(h.e.getNodesOfType(h.model(), 3, "xor"), 0u);

    // Constants allowed but unused: no vertex for them in the drawing.
    Hand unused(2, {0x8}, "8", 1, kConst);
    unused.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    for (const std::string& line : written(unused, true))
        EXPECT_EQ(line.find("N_0"), std::string::npos) << line;
}

// Outputs straight from the constant and an input through polymorphic stages, and a node
// whose polymorphic port shares its stage with another node's.
TEST(Decode, PolymorphicStages) {
    Hand straight(3, {0xAAAA, 0x0000}, "8", 0, kPoly);
    straight.out(0, 0).set("OP0").out(1, 3).set("OP1").set("ON1");
    expectRealises(straight, [](const Row& x) {
        return std::vector<int>{x.P(), (1 - x.x(2)) ^ x.P()};
    });
    // a = x0 xor P feeds nodes 3 and 4; node 3 = a & x1 drives y0 = not(n3) xor P and
    // y1 = n3 xor P; node 4 = a & n3 drives y2.
    Hand h(2, {0, 0, 0}, "8", 2, kPoly);
    h.conn(1, 3, 0).set("P3_0").conn(2, 3, 1);
    h.out(0, 3).set("OP0").set("ON0").out(1, 3).set("OP1");
    h.conn(1, 4, 0).set("P4_0").conn(3, 4, 1).out(2, 4);
    const std::string text = expectRealises(h, [](const Row& x) {
        const int a = x.x(0) ^ x.P(), n3 = a & x.x(1);
        return std::vector<int>{(1 - n3) ^ x.P(), n3 ^ x.P(), a & n3};
    });
    ASSERT_NE(text.find(".names P x0 x0_P"), std::string::npos) << text;
    EXPECT_EQ(text.find(".names P x0 x0_P"), text.rfind(".names P x0 x0_P")) << text; // shared
    EXPECT_EQ(h.e.CountPolyEdges(h.model(), 2), 4u);
    // Binary AIGER has no form for polymorphic edges, of ports or of outputs.
    TempDir dir;
    EXPECT_EQ(messageOf([&] { h.e.SaveAIG(h.model(), 2, dir.file("p.aig")); }),
              rt("an AIGER file has no form for polymorphic edges"));
    EXPECT_EQ(messageOf([&] { straight.e.SaveAIG(straight.model(), 0, dir.file("p.aig")); }),
              rt("an AIGER file has no form for polymorphic edges"));
    EXPECT_FALSE(fileExists(dir.file("p.aig")));
}

// The library "82" is not symmetric, so a port may select several sources carrying equal
// values; every reader takes the first. Node 3 = x0 & x0 drives y0 inverted; node 4 = x0 &
// x0 reads x0 or node 3 on port 0; node 5 = f(a, x1) with a from node 3 or node 4 drives y1.
TEST(Decode, PortWithSeveralSourcesReadsTheFirst) {
    for (uint32_t f5 : {0u, 1u}) { // and, "b and not a"
        Hand h(2, {0, 0}, "82", 3);
        h.func(3, 0).conn(1, 3, 0).conn(1, 3, 1).out(0, 3).set("ON0");
        h.func(4, 0).conn(1, 4, 0).conn(3, 4, 0).conn(1, 4, 1);
        h.func(5, f5).conn(3, 5, 0).conn(4, 5, 0).conn(2, 5, 1).out(1, 5);
        expectRealises(h, [&](const Row& x) {
            const int n3 = x.x(0);
            return std::vector<int>{1 - n3, (f5 ? 1 - n3 : n3) & x.x(1)};
        });
        const SoPLA* model = h.model();
        EXPECT_EQ(h.e.WhatFunction(model, model->begin(), 5), f5);
        const Lines lines = written(h, true);
        ASSERT_EQ(lines.size(), 25u);
        if (f5 == 1)
            EXPECT_EQ(Lines(lines.begin() + 16, lines.end()),
                      (Lines{"     N_3 -> N_1;", "     N_3 -> N_1;", "     N_4 -> N_1;",
                             "     N_4 -> N_1;", "     N_5 -> N_2 [tailport=\"se\"];",
                             "     N_5 -> N_3 [tailport=\"sw\"];",
                             "     O_0 -> N_3 [style=\"dashed\"];", "     O_1 -> N_5;", "}"}));
        else
            EXPECT_EQ(written(h, false),
                      (Lines{"aag 5 2 0 2 3", "2", "4", "7", "10", "6 2 2", "8 2 2", "10 6 4"}));
    }
}

// The structure-only network: inputs i<q>, nodes named by their first output or n<x>.
TEST(Decode, StructureLevelsAndModelsOfOtherSizes) {
    // Node 3 reads x0 and x1 and drives y0; node 4 reads node 3 and x1; node 5 reads the
    // constant and node 4 and drives y1 and y2.
    Hand h(2, {0, 0, 0}, "8", 3, kConst | kPoly);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3).conn(3, 4, 0).conn(2, 4, 1);
    h.conn(0, 5, 0).conn(4, 5, 1).out(1, 5).out(2, 5);
    const SoPLA* model = h.model();
    const auto net = h.e.Graph2Struct_Network(model, 3);
    EXPECT_EQ(net->getName(), "fnct_struct");
    EXPECT_EQ(net->getINames(), (Lines{"x0", "x1", "P"}));
    std::string text;
    for (const Node& node : net->getNodes()) {
        for (uint32_t u = 0; u < node.getInputs(); ++u)
            text += node.getIName(u) + " ";
        text += "-> " + node.getOName(0) + "; ";
    }
    EXPECT_EQ(text, "i0 i1 -> y0; y0 i1 -> n2; const_0 n2 -> y1; ");
    EXPECT_EQ(net->GetLevels(), 3u);
    EXPECT_EQ(h.e.getLevels(model, 3), 3u);
    EXPECT_EQ(h.e.getLevels(model, 1), 1u); // a model of a larger instance, read in part
    Hand one(2, {0x8}, "8", 1);
    one.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    const SoPLA* small = one.model();
    EXPECT_EQ(messageOf([&] { one.e.Graph2Network(small, 2); }).rfind("internal error: ", 0), 0u);
}

// The drawing of every gate shape, inverted (dashed) and polymorphic (bold blue) edges,
// the tail ports of non-symmetric gates and the constant, byte for byte.
TEST(Writers, DrawingOfEveryGateShape) {
    // and, nand, or, nor, imply, xor, xnor and an unnamed function; node 3 reads the
    // constant, inverted; y1 is the inverted constant.
    Hand h(2, {0x0, 0xF}, "87E1B692", 8, kConst | kPoly);
    for (uint32_t i = 3; i <= 10; ++i)
        h.func(i, i - 3).conn(i == 3 ? 0 : 1, i, 0).conn(2, i, 1);
    h.set("N3_0").set("P4_1").set("N5_0").set("P5_0").set("N7_0").set("P10_1");
    h.out(0, 10).set("ON0").set("OP0").out(1, 0).set("ON1");
    TempDir dir;
    h.e.SaveDOT(h.model(), 8, dir.file("g.dot"));
    EXPECT_EQ(readFile(dir.file("g.dot")),
              readFile(std::string(QUILLON_SOURCE_DIR) + "/tests/data/writers/gates.dot"));
}

// AIGER ASCII lines: variable numbering, the gate types the header announces, exclusive-or
// fan-ins larger first, polymorphic edges, an output inversion the solver left open.
TEST(Writers, AigerAsciiLines) {
    Hand andGate(2, {0x8}, "8", 1);
    andGate.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    EXPECT_EQ(written(andGate, false), (Lines{"aag 3 2 0 1 1", "2", "4", "6", "6 2 4"}));
    andGate.set("ON0", true);
    EXPECT_EQ(written(andGate, false), (Lines{"aag 3 2 0 1 1", "2", "4", "7", "6 2 4"}));

    Hand xorGate(2, {0x8, 0x6}, "86", 2, kConst);
    xorGate.func(3, 1).conn(1, 3, 0).conn(2, 3, 1).out(1, 3);
    xorGate.func(4, 0).conn(1, 4, 0).set("N4_1").conn(0, 4, 1).out(0, 4);
    // Any other gate: the AND-inverter form, an exclusive-or as three ANDs.
    EXPECT_EQ(written(xorGate, false), (Lines{"aag 6 2 0 2 4", "2", "4", "12", "10", "6 4 2",
                                              "8 5 3", "10 9 7", "12 2 1"}));

    Hand poly(2, {0x0}, "8", 1, kPoly);
    poly.conn(1, 3, 0).set("P3_0").conn(2, 3, 1).set("N3_1").out(0, 3).set("OP0").set("ON0");
    EXPECT_EQ(written(poly, false), (Lines{"paag 3 2 0 1 1", "2", "4", "-7", "6 -2 5"}));

    // An or gate: one AND with its inputs and its output inverted.
    Hand orGate(2, {0xE}, "8E", 2);
    orGate.func(3, 0).conn(1, 3, 0).conn(2, 3, 1).func(4, 1).conn(3, 4, 0).conn(2, 4, 1).out(0, 4);
    TempDir dir;
    EXPECT_EQ(written(orGate, false),
              (Lines{"aag 4 2 0 1 2", "2", "4", "9", "6 4 2", "8 7 5"}));
    // Files that cannot be opened (AIGER ASCII: end to end, test_e2e_runs).
    EXPECT_EQ(messageOf([&] { andGate.e.SaveDOT(andGate.model(), 1, dir.file("no/a.dot")); }),
              "I/O Exception: cannot create the file: No such file or directory");
    EXPECT_EQ(messageOf([&] { andGate.e.SaveAIG(andGate.model(), 1, dir.file("no/a.aig")); }),
              "I/O Exception: cannot create the file: No such file or directory");
}

// Binary AIGER: the and of two inputs byte for byte; every library function as ANDs with
// inversions (one for eight functions, three for the exclusive-or and its complement, none
// for a projection), and a chain of 64 nodes whose last gate needs a delta of two bytes.
TEST(Writers, BinaryAigerOfEveryFunction) {
    Hand andGate(2, {0x8}, "8", 1);
    andGate.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    TempDir dir;
    andGate.e.SaveAIG(andGate.model(), 1, dir.file("a.aig"));
    EXPECT_EQ(readFile(dir.file("a.aig")), std::string("aig 3 2 0 1 1\n6\n\x02\x02", 18));

    // Node i computes library function i - 3 of x0 (port 0) and x1 and drives output i - 3.
    const std::string lib = "123456789ABCDE";
    Hand every(2, std::vector<uint64_t>(lib.size(), 0), lib, 14);
    for (uint32_t t = 0; t < lib.size(); ++t)
        every.func(3 + t, t).conn(1, 3 + t, 0).conn(2, 3 + t, 1).out(t, 3 + t);
    const Function f = [&](const Row& x) {
        std::vector<int> v;
        for (char d : lib)
            v.push_back((std::stoi(std::string(1, d), nullptr, 16) >> (2 * x.x(0) + x.x(1))) & 1);
        return v;
    };
    expectRealises(every, f);
    EXPECT_EQ(checkAig(every, every.e.Decode(every.model(), 14), f).A, 8u + 2 * 3);

    // Each node the and of its predecessor and x0: the last gate (literal 132) reads
    // literals 130 and 2, a delta of 128.
    Circuit chain;
    chain.k = 2;
    chain.nodes.resize(64);
    for (uint32_t x = 0; x < 64; ++x) {
        chain.nodes[x].source[0] = 2 + x;
        chain.nodes[x].source[1] = 1;
    }
    chain.outputs.resize(1);
    chain.outputs[0].driver = 66;
    checkAig(andGate, chain, [](const Row& x) { return std::vector<int>{x.x(0) & x.x(1)}; });
    andGate.e.SaveAIG(chain, dir.file("w.aig"));
    const std::string bytes = readFile(dir.file("w.aig"));
    EXPECT_EQ(bytes.substr(bytes.size() - 3), std::string("\x02\x80\x01", 3));
}

} // namespace
