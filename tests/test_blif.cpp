// BLIF writer of a network. Every complete file written here is also read back by an
// independent BLIF reader and simulated against the function the network should compute.
#include "network/Network.h"
#include "tests/support/BlifEval.h"
#include "tests/support/TestSupport.h"
#include "util/myExcept.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using testsupport::BlifCircuit;
using testsupport::messageOf;
using testsupport::readFile;
using testsupport::splitLines;
using testsupport::TempDir;

PLA named(PLA cover, const std::vector<std::string>& inputs, const std::string& output) {
    for (uint32_t u = 0; u < inputs.size(); ++u)
        cover.setIName(u, inputs[u]);
    cover.setOName(0, output);
    return cover;
}

PLA gate(void (PLA::*make)(), const std::vector<std::string>& inputs, const std::string& out) {
    PLA cover;
    (cover.*make)();
    return named(cover, inputs, out);
}

PLA andGate(const std::vector<std::string>& inputs, const std::string& out) {
    PLA cover;
    cover.Make_AND(static_cast<uint32_t>(inputs.size()));
    return named(cover, inputs, out);
}

// Writes the network, reads the file back and compares every input row with the expected
// output values (input 0 is the most significant bit of the row number).
std::string saveAndSimulate(const Network& net,
                            const std::function<std::vector<int>(uint32_t)>& expected) {
    TempDir dir;
    const std::string file = dir.file("net.blif");
    net.SaveBlif(file);
    const std::string text = readFile(file);
    const BlifCircuit circuit = BlifCircuit::parse(text);
    EXPECT_EQ(circuit.inputs(), net.getINames());
    EXPECT_EQ(circuit.outputs(), net.getONames());
    for (uint32_t r = 0; r < (1u << circuit.inputs().size()); ++r)
        EXPECT_EQ(circuit.evaluateRow(r), expected(r)) << "row " << r << "\n" << text;
    return text;
}

TEST(BlifEvaluator, ReadsCoversOfBothPhasesAndRejectsBrokenNetlists) {
    const BlifCircuit c = BlifCircuit::parse(".model m\n.inputs a b\n.outputs y z w\n"
                                             ".names a b t\n1- 1\n-1 1\n"
                                             ".names t y\n0 1\n"
                                             ".names a b z\n11 0\n"
                                             ".names w\n.end\n");
    EXPECT_EQ(c.evaluateRow(0), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(c.evaluateRow(2), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(c.evaluateRow(3), (std::vector<int>{0, 0, 0}));
    EXPECT_THROW(BlifCircuit::parse(".inputs a\n.outputs y\n.names b y\n1 1\n.end\n"),
                 std::runtime_error);
    EXPECT_THROW(BlifCircuit::parse(".inputs a\n.outputs y\n.names a y\n1 1\n"),
                 std::runtime_error);
    EXPECT_THROW(BlifCircuit::parse(".inputs a\n.outputs y\n.names a y\n1 1\n0 0\n.end\n"),
                 std::runtime_error);
    EXPECT_THROW(BlifCircuit::parse(".inputs a\n.outputs y\n.names a y\n1 1\n"
                                    ".names a y\n0 1\n.end\n"),
                 std::runtime_error);
    EXPECT_THROW(BlifCircuit::parse(".inputs a\n.outputs y\n.end\n"), std::runtime_error);
}

TEST(BlifWriter, DecodedAndGateAsInTheExample) {
    Network net;
    net.setName("fnct");
    net.setINames({"x0", "x1"});
    net.setONames({"y0"});
    net.AddNode(Node(andGate({"x0", "x1"}, "y0")));
    const std::string text =
        saveAndSimulate(net, [](uint32_t r) { return std::vector<int>{r == 3 ? 1 : 0}; });
    EXPECT_EQ(text, ".model fnct\n.inputs x0 x1\n.outputs y0\n.names x0 x1 y0\n11 1\n.end\n");
}

TEST(BlifWriter, HeaderWithoutNameInputsOrOutputs) {
    Network net;
    TempDir dir;
    net.SaveBlif(dir.file("e.blif"));
    EXPECT_EQ(readFile(dir.file("e.blif")), ".model N/A\n.inputs\n.outputs\n.end\n");
    EXPECT_NO_THROW(BlifCircuit::parse(readFile(dir.file("e.blif"))));
}

TEST(BlifWriter, ConstantsBuffersInvertersAndComplementedRows) {
    Network net;
    net.setName("c");
    net.setINames({"x0", "x1"});
    net.setONames({"one", "zero", "y1", "y2", "nand", "free"});
    PLA one;
    one.Make_ONE();
    net.AddNode(Node(named(one, {"ignored"}, "one"))); // the placeholder input is not written
    PLA zero;
    zero.Make_ZERO();
    net.AddNode(Node(named(zero, {}, "zero")));
    net.AddNode(Node(gate(&PLA::Make_Buff, {"x0"}, "y1")));
    net.AddNode(Node(gate(&PLA::Make_Inv, {"x0"}, "y2")));
    PLA nand = andGate({"x0", "x1"}, "nand");
    nand.NegateOutput(0); // rows with output 0: the complement
    net.AddNode(Node(nand));
    PLA noInputs(0, 1, PLA_type("f"));
    noInputs.AppendTerm("", "1");
    noInputs.AppendTerm("", "1");
    net.AddNode(Node(named(noInputs, {}, "free")));

    const std::string text = saveAndSimulate(net, [](uint32_t r) {
        const int x0 = (r >> 1) & 1, x1 = r & 1;
        return std::vector<int>{1, 0, x0, 1 - x0, 1 - (x0 & x1), 1};
    });
    EXPECT_EQ(splitLines(text),
              (std::vector<std::string>{
                  ".model c", ".inputs x0 x1", ".outputs one zero y1 y2 nand free", ".names one",
                  " 1", ".names zero", " 0", ".names x0 y1", "1 1", ".names x0 y2", "0 1",
                  ".names x0 x1 nand", "11 0", ".names free", " 1", " 1", ".end"}));
}

TEST(BlifWriter, LatchLines) {
    Network net;
    net.setINames({"d", "e"});
    net.setONames({"q"});
    PLA latch = gate(&PLA::Make_Buff, {"d"}, "q");
    latch.setDFF(true);
    net.AddNode(Node(latch));
    PLA twoInputs = andGate({"d", "e"}, "r");
    twoInputs.setDFF(true);
    net.AddNode(Node(twoInputs)); // the second input is not written
    TempDir dir;
    net.SaveBlif(dir.file("l.blif"));
    EXPECT_EQ(readFile(dir.file("l.blif")),
              ".model N/A\n.inputs d e\n.outputs q\n.latch d q\n.latch d r\n.end\n");

    PLA strange = andGate({"d", "e", "q"}, "s");
    strange.setDFF(true);
    net.AddNode(Node(strange));
    EXPECT_EQ(messageOf([&] { net.SaveBlif(dir.file("s.blif")); }),
              "I/O Exception: Network::SaveBlif: Strange DFF");
}

TEST(BlifWriter, MultioutputNodeStopsAfterEarlierNodes) {
    Network net;
    net.setINames({"a"});
    net.setONames({"y", "z"});
    net.AddNode(Node(gate(&PLA::Make_Inv, {"a"}, "y")));
    PLA two(1, 2, PLA_type("f"));
    two.AppendTerm("1", "11");
    two.setIName(0, "a");
    two.setOName(0, "z");
    two.setOName(1, "w");
    net.AddNode(Node(two));
    TempDir dir;
    EXPECT_EQ(messageOf([&] { net.SaveBlif(dir.file("m.blif")); }),
              "I/O Exception: Network::SaveBlif: Multioutput node");
    const std::string text = readFile(dir.file("m.blif"));
    EXPECT_EQ(text, ".model N/A\n.inputs a\n.outputs y z\n.names a y\n0 1\n");
    EXPECT_THROW(BlifCircuit::parse(text), std::runtime_error); // unfinished netlist
}

TEST(BlifWriter, EmptyInputNameIsRejected) {
    Network net;
    net.setINames({"a"});
    net.setONames({"y"});
    PLA cover = andGate({"a"}, "y");
    cover.Make_AND(2);
    cover.setIName(0, "a"); // input 1 stays unnamed
    cover.setOName(0, "y");
    net.AddNode(Node(cover));
    TempDir dir;
    EXPECT_EQ(messageOf([&] { net.SaveBlif(dir.file("n.blif")); }),
              "Runtime Exception: Network::SaveBlif: Empty node input name");
    EXPECT_EQ(readFile(dir.file("n.blif")), ".model N/A\n.inputs a\n.outputs y\n.names a");
}

TEST(BlifWriter, UnopenableFile) {
    Network net;
    TempDir dir;
    const std::string bad = dir.file("missing/dir.blif");
    EXPECT_EQ(messageOf([&] { net.SaveBlif(bad); }),
              "I/O Exception: Network::SaveBlif: Cannot open file: " + bad);
}

TEST(BlifWriter, TruncatesAnExistingFile) {
    TempDir dir;
    testsupport::writeFile(dir.file("t.blif"), std::string(500, 'x'));
    Network net;
    net.setINames({"a", "b", "c"});
    net.setONames({"y"});
    net.AddNode(Node(andGate({"a", "b"}, "t")));
    PLA orGate;
    orGate.Make_OR(2); // off-set cover: "00" -> 0
    net.AddNode(Node(named(orGate, {"t", "c"}, "y")));
    net.SaveBlif(dir.file("t.blif"));
    const std::string text = readFile(dir.file("t.blif"));
    EXPECT_EQ(text.find('x'), std::string::npos);
    const BlifCircuit c = BlifCircuit::parse(text);
    for (uint32_t r = 0; r < 8; ++r) {
        const int a = (r >> 2) & 1, b = (r >> 1) & 1, cc = r & 1;
        EXPECT_EQ(c.evaluateRow(r), std::vector<int>{(a & b) | cc}) << r;
    }
}

} // namespace
