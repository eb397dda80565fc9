// Decoding solver models into networks. The models are made by hand over the variables of
// a real instance; every decoded network is written as BLIF, read back by an independent
// reader and simulated against the function the model stands for.
#include "network/Network.h"
#include "synth/SAT_CircGen.h"
#include "tests/support/BlifEval.h"
#include "tests/support/ModelFixture.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using testsupport::BlifCircuit;
using testsupport::Hand;
using testsupport::messageOf;
using testsupport::TempDir;

// One truth-table row: inputs x(0).. with x(0) the most significant bit, then the control
// input P (the least significant bit) when polymorphic edges are on.
struct Row {
    uint32_t r;
    uint32_t w;
    int x(uint32_t q) const { return static_cast<int>((r >> (w - 1 - q)) & 1u); }
    int P() const { return static_cast<int>(r & 1u); }
};
using Expected = std::function<std::vector<int>(const Row&)>;

// Decodes and writes: the written BLIF must agree with the expected function on every row.
std::unique_ptr<Network> decodeAndCheck(Hand& h, const Expected& expected,
                                        std::string* blifText = nullptr) {
    auto net = h.e.Graph2Network(h.model(), h.e.n);
    TempDir dir;
    net->SaveBlif(dir.file("s.blif"));
    const std::string text = testsupport::readFile(dir.file("s.blif"));
    if (blifText) *blifText = text;
    const BlifCircuit circuit = BlifCircuit::parse(text);
    EXPECT_EQ(circuit.inputs(), h.target->getINames());
    EXPECT_EQ(circuit.outputs(), h.target->getONames());
    const uint32_t w = h.target->getInputs();
    for (uint32_t r = 0; r < h.rows(); ++r)
        EXPECT_EQ(circuit.evaluateRow(r), expected(Row{r, w})) << "BLIF, row " << r << "\n" << text;
    return net;
}

std::vector<std::string> outputNames(const Network& net) {
    std::vector<std::string> names;
    for (const Node& node : net.getNodes())
        names.push_back(node.getOName(0));
    return names;
}

std::vector<std::vector<std::string>> inputNames(const Network& net) {
    std::vector<std::vector<std::string>> names;
    for (const Node& node : net.getNodes()) {
        std::vector<std::string> in;
        for (uint32_t u = 0; u < node.getInputs(); ++u)
            in.push_back(node.getIName(u));
        names.push_back(in);
    }
    return names;
}

TEST(WhatFunction, ReadsTheCodeMostSignificantBitFirst) {
    Hand h(2, {0x8}, "86E79B", 1, false, false);
    ASSERT_EQ(h.e.codeBits, 3u);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3).func(3, 5); // code "101"
    const SoPLA* model = h.model();
    EXPECT_EQ(h.e.WhatFunction(model, model->begin(), 3), 5u);

    // The term to read is chosen by the caller.
    SoPLA two(*model);
    auto second = two.AppendTerm(*model->begin());
    two.setLitByName(second, "F3_0", Lit_0);
    two.setLitByName(second, "F3_1", Lit_1);
    two.setLitByName(second, "F3_2", Lit_1);
    EXPECT_EQ(h.e.WhatFunction(&two, second, 3), 3u);
    EXPECT_EQ(h.e.WhatFunction(&two, two.begin(), 3), 5u);
}

TEST(WhatFunction, SingleFunctionLibraryReadsNothing) {
    Hand h(2, {0x8}, "8", 1, false, false);
    ASSERT_EQ(h.e.codeBits, 0u);
    SoPLA noVariables;
    noVariables.AppendTerm(Cube());
    EXPECT_EQ(h.e.WhatFunction(&noVariables, noVariables.begin(), 7), 0u);
}

TEST(Graph2Network, OutputsStraightFromInputsAndTheConstant) {
    // y0 = not x1 (signal 2, inverted), y1 = not 0 = 1; constants are not allowed at ports,
    // yet outputs may take the constant.
    Hand h(2, {0x5, 0xF}, "8", 0, false, false);
    h.out(0, 2).set("ON0").out(1, 0).set("ON1");
    std::string text;
    auto net = decodeAndCheck(
        h,
        [](const Row& x) {
            return std::vector<int>{1 - x.x(1), 1};
        },
        &text);
    EXPECT_EQ(net->getName(), "fnct");
    EXPECT_EQ(outputNames(*net), (std::vector<std::string>{"const_0", "y0", "y1"}));
    EXPECT_EQ(text, ".model fnct\n.inputs x0 x1\n.outputs y0 y1\n.names const_0\n 0\n"
                    ".names x1 y0\n0 1\n.names const_0 y1\n0 1\n.end\n");
}

TEST(Graph2Network, OutputsStraightThroughPolymorphicStages) {
    // y0 = 0 xor P; y1 = (not x2) xor P.
    Hand h(3, {0xAAAA, 0x0000}, "8", 0, false, true);
    ASSERT_EQ(h.e.k, 3u);
    h.out(0, 0).set("OP0").out(1, 3).set("OP1").set("ON1");
    std::string text;
    auto net = decodeAndCheck(
        h,
        [](const Row& x) {
            return std::vector<int>{x.P(), (1 - x.x(2)) ^ x.P()};
        },
        &text);
    EXPECT_EQ(net->getINames(), (std::vector<std::string>{"x0", "x1", "x2", "P"}));
    EXPECT_EQ(outputNames(*net), (std::vector<std::string>{"const_0", "y0", "y1"}));
    EXPECT_EQ(inputNames(*net)[1], (std::vector<std::string>{"P", "const_0"}));
    EXPECT_EQ(inputNames(*net)[2], (std::vector<std::string>{"P", "x2"}));
    EXPECT_NE(text.find(".names P x2 y1\n01 0\n10 0\n"), std::string::npos) << text;
}

TEST(Graph2Network, NodeDrivingOutputsZeroAndTwoWithDifferentInversions) {
    Hand h(2, {0x8, 0x5, 0x7}, "8", 1, false, false);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3).out(2, 3).set("ON2").out(1, 2);
    auto net = decodeAndCheck(h, [](const Row& x) {
        const int a = x.x(0) & x.x(1);
        return std::vector<int>{a, x.x(1), 1 - a};
    });
    EXPECT_EQ(outputNames(*net), (std::vector<std::string>{"y1", "y0", "y2"}));
    EXPECT_EQ(inputNames(*net)[1], (std::vector<std::string>{"x0", "x1"}));
    EXPECT_EQ(inputNames(*net)[2], (std::vector<std::string>{"y0"}));
    EXPECT_TRUE(std::next(net->getNodes().begin(), 2)->isInverter());
}

TEST(Graph2Network, InvertedFirstOutputIsCompensatedAtEveryReader) {
    // Node 3 = x0 & x1 drives y0 and y2 inverted and y1 plain; node 4 = (not node 3) & x0.
    Hand h(2, {0x7, 0x8, 0x7, 0x2}, "8", 2, false, false);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3).set("ON0").out(1, 3).out(2, 3).set("ON2");
    h.conn(3, 4, 0).set("N4_0").conn(1, 4, 1).out(3, 4);
    auto net = decodeAndCheck(h, [](const Row& x) {
        const int a = x.x(0) & x.x(1);
        return std::vector<int>{1 - a, a, 1 - a, (1 - a) & x.x(0)};
    });
    EXPECT_EQ(outputNames(*net), (std::vector<std::string>{"y0", "y1", "y2", "y3"}));
    auto it = net->getNodes().begin();
    EXPECT_TRUE((++it)->isInverter()); // y0 -> y1: the inversions differ
    EXPECT_TRUE((++it)->isBuffer());   // y0 -> y2: both inverted
    EXPECT_EQ(inputNames(*net)[3], (std::vector<std::string>{"y0", "x0"}));
}

TEST(Graph2Network, PolymorphicTwoOutputNodeAndSharedStage) {
    // a = x0 xor P feeds node 3 and node 4 through one shared stage.
    // Node 3 = a & x1 drives y0 = not(n3) xor P and y1 = n3 xor P; node 4 = a & n3 drives y2.
    Hand h(2, {0, 0, 0}, "8", 2, false, true);
    h.conn(1, 3, 0).set("P3_0").conn(2, 3, 1);
    h.out(0, 3).set("OP0").set("ON0").out(1, 3).set("OP1");
    h.conn(1, 4, 0).set("P4_0").conn(3, 4, 1).out(2, 4);
    auto net = decodeAndCheck(h, [](const Row& x) {
        const int a = x.x(0) ^ x.P();
        const int n3 = a & x.x(1);
        return std::vector<int>{(1 - n3) ^ x.P(), n3 ^ x.P(), a & n3};
    });
    EXPECT_EQ(outputNames(*net),
              (std::vector<std::string>{"y0", "x0_P", "out_tmp0", "y1", "out_tmp1", "y2"}));
    const auto in = inputNames(*net);
    EXPECT_EQ(in[0], (std::vector<std::string>{"P", "out_tmp0"}));
    EXPECT_EQ(in[1], (std::vector<std::string>{"P", "x0"}));
    EXPECT_EQ(in[2], (std::vector<std::string>{"x0_P", "x1"}));
    EXPECT_EQ(in[4], (std::vector<std::string>{"out_tmp0"}));
    EXPECT_EQ(in[5], (std::vector<std::string>{"x0_P", "out_tmp0"}));
    EXPECT_EQ(h.e.CountPolyEdges(h.model(), 2), 4u);
}

TEST(Graph2Network, ConstantAtANodePort) {
    // Node 3 = (not 0) & x1.
    Hand h(2, {0x5}, "8", 1, true, false);
    h.conn(0, 3, 0).set("N3_0").conn(2, 3, 1).out(0, 3);
    auto net = decodeAndCheck(h, [](const Row& x) { return std::vector<int>{x.x(1)}; });
    EXPECT_EQ(outputNames(*net), (std::vector<std::string>{"const_0", "y0"}));
    EXPECT_EQ(inputNames(*net)[1], (std::vector<std::string>{"const_0", "x1"}));
}

TEST(Graph2Network, PortWithSeveralSourcesUsesTheFirst) {
    // Library "82" is not symmetric, so a port may select several sources carrying equal
    // values. Node 3 = x0 & x0 drives y0 inverted; node 4 = x0 & x0 reads x0 or node 3 on
    // port 0; node 5 = (not a) & b with a from node 3 or node 4, b = x1, drives y1.
    Hand h(2, {0, 0}, "82", 3, false, false);
    ASSERT_FALSE(h.e.allSymmetric);
    h.func(3, 0).conn(1, 3, 0).conn(1, 3, 1).out(0, 3).set("ON0");
    h.func(4, 0).conn(1, 4, 0).conn(3, 4, 0).conn(1, 4, 1);
    h.func(5, 1).conn(3, 5, 0).conn(4, 5, 0).conn(2, 5, 1).out(1, 5);
    auto net = decodeAndCheck(h, [](const Row& x) {
        return std::vector<int>{1 - x.x(0), (1 - x.x(0)) & x.x(1)};
    });
    const auto in = inputNames(*net);
    ASSERT_EQ(in.size(), 3u);
    EXPECT_EQ(in[1], (std::vector<std::string>{"x0", "x0"}));
    EXPECT_EQ(in[2], (std::vector<std::string>{"y0", "x1"}));

    auto structure = h.e.Graph2Struct_Network(h.model(), 3);
    const auto sin = inputNames(*structure);
    EXPECT_EQ(sin[1], (std::vector<std::string>{"i0", "i0"}));
    EXPECT_EQ(sin[2], (std::vector<std::string>{"y0", "i1"}));
    EXPECT_EQ(h.e.getLevels(h.model(), 3), 2u);
}

TEST(Graph2Network, ModelOfASmallerInstanceIsAnInternalError) {
    Hand h(2, {0x8}, "8", 1, false, false);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    const SoPLA* model = h.model();
    EXPECT_EQ(messageOf([&] { h.e.Graph2Network(model, 2); }).rfind("internal error: ", 0), 0u);
}

TEST(StructuralNetwork, NamesAndLevels) {
    // Node 3 reads x0 and x1 and drives y0; node 4 reads node 3 and x1 and drives no
    // output; node 5 reads the constant and node 4 and drives y1 and y2.
    Hand h(2, {0, 0, 0}, "8", 3, true, true);
    h.conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    h.conn(3, 4, 0).conn(2, 4, 1);
    h.conn(0, 5, 0).conn(4, 5, 1).out(1, 5).out(2, 5);
    const SoPLA* model = h.model();
    auto net = h.e.Graph2Struct_Network(model, 3);
    EXPECT_EQ(net->getName(), "fnct_struct");
    EXPECT_EQ(net->getINames(), (std::vector<std::string>{"x0", "x1", "P"}));
    EXPECT_EQ(net->getONames(), (std::vector<std::string>{"y0", "y1", "y2"}));
    EXPECT_EQ(outputNames(*net), (std::vector<std::string>{"y0", "n2", "y1"}));
    const auto in = inputNames(*net);
    EXPECT_EQ(in[0], (std::vector<std::string>{"i0", "i1"}));
    EXPECT_EQ(in[1], (std::vector<std::string>{"y0", "i1"}));
    EXPECT_EQ(in[2], (std::vector<std::string>{"const_0", "n2"}));
    for (const Node& node : net->getNodes()) {
        ASSERT_EQ(node.getTermCount(), 1u);
        EXPECT_EQ(node.getTerm(0).getText(), "11 1");
    }
    EXPECT_EQ(net->GetLevels(), 3u);
    EXPECT_EQ(h.e.getLevels(model, 3), 3u);
    EXPECT_EQ(h.e.getLevels(model, 1), 1u); // only node 3 considered
}

TEST(StructuralNetwork, NoNodesNoLevels) {
    Hand h(2, {0x2}, "8", 0, false, false);
    h.out(0, 1);
    EXPECT_EQ(h.e.getLevels(h.model(), 0), 0u);
    EXPECT_EQ(h.e.Graph2Struct_Network(h.model(), 0)->getNodeCount(), 0u);
}

TEST(NodeCounts, NodesOfTypeMatchTheWholeGateName) {
    Hand h(2, {0, 0, 0}, "69", 3, false, false);
    h.func(3, 0).conn(1, 3, 0).conn(2, 3, 1).out(0, 3);
    h.func(4, 1).conn(1, 4, 0).conn(2, 4, 1).out(1, 4);
    h.func(5, 0).conn(3, 5, 0).conn(4, 5, 1).out(2, 5);
    const SoPLA* model = h.model();
    EXPECT_EQ(h.e.getNodesOfType(model, 3, "xor"), 2u);
    EXPECT_EQ(h.e.getNodesOfType(model, 3, "xnor"), 1u);
    EXPECT_EQ(h.e.getNodesOfType(model, 3, "XOR"), 0u);
    EXPECT_EQ(h.e.getNodesOfType(model, 3, "and"), 0u);
    EXPECT_EQ(h.e.getNodesOfType(model, 2, "xor"), 1u);
    EXPECT_EQ(h.e.CountPolyEdges(model, 3), 0u);
    decodeAndCheck(h, [](const Row& x) {
        const int a = x.x(0) ^ x.x(1);
        return std::vector<int>{a, 1 - a, 1}; // node 5 = a xor (not a)
    });
}

} // namespace
