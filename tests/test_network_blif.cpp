// Network model: the name hash table, adding nodes, the signal table, primary names and
// levels; the BLIF writer, whose complete files are read back by an independent BLIF
// reader and simulated against the function the network should compute.

#include "network/Network.h"
#include "network/hashtable.h"
#include "tests/support/BlifEval.h"
#include "tests/support/CoverText.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace testsupport;

PLA named(PLA cover, const Texts& inputs, const std::string& output) {
    for (uint32_t u = 0; u < inputs.size(); ++u)
        cover.setIName(u, inputs[u]);
    cover.setOName(0, output);
    return cover;
}

// A node of one output; the cover is the AND of its inputs.
Node andNode(const Texts& inputs, const std::string& output) {
    PLA cover;
    cover.Make_AND(static_cast<uint32_t>(inputs.size()));
    return Node(named(cover, inputs, output));
}

Node gate(void (PLA::*make)(), const Texts& inputs, const std::string& output, bool dff = false) {
    PLA cover;
    (cover.*make)();
    cover.setDFF(dff);
    return Node(named(cover, inputs, output));
}

// A constant cover without a gate name (an input-less cover when no input is given).
Node bareConstant(const std::string& output, bool withInput) {
    PLA cover(withInput ? 1 : 0, 1, PLA_type("f"));
    if (withInput) cover.AppendTerm("-", "1");
    return Node(named(cover, {}, output));
}

// One bucket: every name collides. Names stay apart and the first entry of a name wins.
TEST(HashTable, CollidingNamesAndRepeatedNames) {
    hashtable<int> table(0);
    EXPECT_EQ(table.bucketCount(), 1u);
    for (const auto& [name, value] :
         {std::pair<const char*, int>{"ab", 1}, {"kb", 2}, {"ab", 3}, {"", 7}})
        table.insert(name, value);
    EXPECT_EQ(*table.find("ab"), 1);
    EXPECT_EQ(*table.find("kb"), 2);
    EXPECT_EQ(*static_cast<const hashtable<int>&>(table).find(""), 7);
    EXPECT_EQ(table.find("ub"), nullptr);
    EXPECT_EQ(table.size(), 4u);
    table.clear();
    EXPECT_EQ(table.find("ab"), nullptr);
    // Characters count as signed bytes: 0xFF is -1, so -1 * 100 wraps around.
    EXPECT_EQ(hashtable<int>::hash("ab") + hashtable<int>::hash("\xff"), 19598u - 100u);
}

TEST(Network, NodesSignalsAndPrimaryNames) {
    Network net;
    EXPECT_EQ(net.getIName(0) + net.getOName(3), ""); // no names at all
    net.setINames({"a"});
    net.AppendIName("b");
    net.AppendOName("y");
    EXPECT_EQ(net.getIName(1) + net.getOName(0), "by");
    EXPECT_MSG("Network::getIName: Wrong variable index", net.getIName(2));
    EXPECT_MSG("Network::getOName: Wrong variable index", net.getOName(1));
    // Without a table the name lists decide.
    EXPECT_TRUE(net.isPI("a") && !net.isPI("t"));
    EXPECT_TRUE(net.isPO("y") && !net.isPO("a"));

    Node second = andNode({"t", "a"}, "y");
    auto n1 = net.AddNode(andNode({"a", "b"}, "t"));
    auto n2 = net.AddNode(second);
    second.setOName(0, "changed"); // the network holds its own copy
    EXPECT_EQ(n2->getOName(0), "y");
    EXPECT_EQ(n2->getIndex(), 1u);
    EXPECT_EQ(net.getNode(1), n2);
    EXPECT_TRUE(net.getSignals().empty()); // built on demand

    auto t = net.FindSignal("t");
    ASSERT_TRUE(t.first);
    EXPECT_EQ(t.second->getDriver(), n1);
    EXPECT_EQ(t.second->getDriverOutput(), 0u);
    ASSERT_EQ(t.second->getFanouts().size(), 1u);
    EXPECT_EQ(t.second->getFanouts().front().node, n2);
    EXPECT_EQ(t.second->getFanouts().front().input, 0u);
    EXPECT_EQ(t.second->getNetwork(), &net);
    auto a = net.FindSignal("a").second;
    EXPECT_TRUE(a->isInput() && a->isUndriven());
    ASSERT_EQ(a->getFanouts().size(), 2u);
    EXPECT_EQ(a->getFanouts().back().input, 1u);
    EXPECT_TRUE(net.FindSignal("y").second->isOutput());
    EXPECT_EQ(net.getSignals().size(), 4u); // a, b, y, t
    EXPECT_FALSE(net.FindSignal("nothing").first);
    EXPECT_TRUE(net.isPI("a") && !net.isPI("t") && !net.isPI("unknown"));
    EXPECT_TRUE(net.isPO("y") && !net.isPO("t") && !net.isPO("unknown"));
    auto created = net.FindOrCreateSignal("fresh");
    EXPECT_EQ(net.FindOrCreateSignal("fresh"), created);

    // Nodes added after the table exists are entered at once, also in the node index.
    auto n3 = net.AddNode(andNode({"fresh", "t"}, "u"));
    EXPECT_EQ(net.getNode(2), n3);
    EXPECT_EQ(net.FindSignal("u").second->getDriver(), n3);
    EXPECT_EQ(net.FindSignal("t").second->getFanouts().size(), 2u);
    EXPECT_MSG("Network::GenerateSignals: Multiple net drivers", net.AddNode(andNode({"a"}, "t")));
    Network late; // the same conflict found while the table is built
    late.AddNode(andNode({"a"}, "t"));
    late.AddNode(andNode({"b"}, "t"));
    EXPECT_MSG("Network::GenerateSignals: Multiple net drivers", late.GenerateSignals());

    // Without name lists: an input is what no node drives, an output what no node reads.
    Network bare;
    bare.AddNode(andNode({"a", "b"}, "t"));
    bare.AddNode(andNode({"t"}, "y"));
    EXPECT_TRUE(bare.isPI("a") && !bare.isPI("t"));
    EXPECT_TRUE(bare.isPO("y") && !bare.isPO("t"));
}

// Levels: repeated passes in list order; primary inputs, constants, flip-flops and
// undriven names add no level; nodes on a loop keep level 0. Constant signals: undriven
// internal ones and those driven by a constant cover without a gate name.
TEST(Network, LevelsConstantsAndFlipFlops) {
    Network empty;
    EXPECT_EQ(empty.GetLevels(), 0u);
    for (bool reversed : {false, true}) {
        Network net;
        net.setINames({"a", "b"});
        const Node first = andNode({"a", "b"}, "t"), second = andNode({"t", "a"}, "y");
        Network::node_iterator n1, n2; // n1 drives t, n2 reads it
        if (reversed) {
            n2 = net.AddNode(second);
            n1 = net.AddNode(first);
        } else {
            n1 = net.AddNode(first);
            n2 = net.AddNode(second);
        }
        EXPECT_EQ(net.GetNodeLevel(n1), 1u) << reversed;
        EXPECT_EQ(net.GetNodeLevel(n2), 2u) << reversed;
        EXPECT_EQ(net.GetLevels(), 2u) << reversed;
    }

    Network net;
    net.setINames({"a"});
    net.setONames({"y", "z", "o"}); // nothing drives o
    auto k = net.AddNode(bareConstant("k1", true));
    auto c = net.AddNode(bareConstant("k2", false));
    auto dff = net.AddNode(gate(&PLA::Make_Buff, {"z"}, "q", true));
    auto y = net.AddNode(andNode({"a", "k1", "k2", "floating", "o", "q"}, "y"));
    auto z = net.AddNode(andNode({"y", "q"}, "z"));
    auto p = net.AddNode(andNode({"a", "r"}, "p")); // p and r form a loop
    auto r = net.AddNode(andNode({"p"}, "r"));
    PLA zero;
    zero.Make_ZERO(); // keeps its gate name
    net.AddNode(Node(named(zero, {}, "k0")));
    PLA twoTerms;
    twoTerms.Make_XOR();
    twoTerms.setGateName(""); // no gate name, but two terms
    net.AddNode(Node(named(twoTerms, {"a", "a"}, "m")));
    const std::pair<const char*, int> kinds[] = {{"k1", 1}, {"k2", 1}, {"floating", 1},
                                                 {"k0", 0}, {"m", 0},  {"a", 0},
                                                 {"o", 0},  {"y", 0},  {"q", 2}};
    for (const auto& [name, kind] : kinds) { // 1: constant, 2: flip-flop
        EXPECT_EQ(net.FindSignal(name).second->isConstant(), kind == 1) << name;
        EXPECT_EQ(net.FindSignal(name).second->isDFF(), kind == 2) << name;
    }
    EXPECT_EQ(net.GetLevels(), 3u);
    const std::pair<Network::node_iterator, uint32_t> levels[] = {{k, 1},   {c, 1}, {y, 1}, {z, 2},
                                                                  {dff, 3}, {p, 0}, {r, 0}};
    for (const auto& [node, level] : levels)
        EXPECT_EQ(net.GetNodeLevel(node), level) << node->getOName(0);
    auto w = net.AddNode(andNode({"z"}, "w")); // adding invalidates the levels
    EXPECT_EQ(net.GetNodeLevel(w), 3u);
    EXPECT_EQ(net.GetLevels(), 3u);
    auto v = net.AddNode(andNode({"w", "q"}, "v"));
    EXPECT_EQ(net.GetLevels(), 4u);
    EXPECT_EQ(net.GetNodeLevel(v), 4u);
}

// ---------------------------------------------------------------- BLIF

TEST(BlifEvaluator, RejectsBrokenNetlists) {
    // What it computes is checked against hand-derived values in BlifWriter.NodesOfEveryKind.
    for (const char* broken : {
             ".inputs a\n.outputs y\n.names b y\n1 1\n.end\n",                  // undefined input
             ".inputs a\n.outputs y\n.names a y\n1 1\n",                        // no .end
             ".inputs a\n.outputs y\n.names a y\n1 1\n0 0\n.end\n",             // mixed phases
             ".inputs a\n.outputs y\n.names a y\n1 1\n.names a y\n0 1\n.end\n", // two drivers
             ".inputs a\n.outputs y\n.end\n",                                   // undriven output
         })
        EXPECT_THROW(BlifCircuit::parse(broken), std::runtime_error) << broken;
}

TEST(BlifWriter, NodesOfEveryKind) {
    TempDir dir;
    const std::string file = dir.file("net.blif");
    testsupport::writeFile(file, std::string(500, 'x')); // an existing file is truncated
    Network net;
    net.setName("c");
    net.setINames({"x0", "x1"});
    net.setONames({"and", "one", "zero", "y1", "y2", "nand", "or", "free"});
    net.AddNode(andNode({"x0", "x1"}, "and"));
    PLA one;
    one.Make_ONE();
    net.AddNode(Node(named(one, {"ignored"}, "one"))); // the placeholder input is not written
    net.AddNode(gate(&PLA::Make_ZERO, {}, "zero"));
    net.AddNode(gate(&PLA::Make_Buff, {"x0"}, "y1"));
    net.AddNode(gate(&PLA::Make_Inv, {"x0"}, "y2"));
    PLA nand;
    nand.Make_AND(2);
    nand.NegateOutput(0); // rows with output 0: the complement
    net.AddNode(Node(named(nand, {"x0", "x1"}, "nand")));
    PLA orGate;
    orGate.Make_OR(2);
    net.AddNode(Node(named(orGate, {"and", "x1"}, "or")));
    PLA noInputs(0, 1, PLA_type("f"));
    noInputs.AppendTerm("", "1");
    noInputs.AppendTerm("", "1");
    net.AddNode(Node(named(noInputs, {}, "free")));
    net.SaveBlif(file);
    const std::string text = readFile(file);
    EXPECT_EQ(text, ".model c\n.inputs x0 x1\n.outputs and one zero y1 y2 nand or free\n"
                    ".names x0 x1 and\n11 1\n.names one\n 1\n.names zero\n 0\n"
                    ".names x0 y1\n1 1\n.names x0 y2\n0 1\n.names x0 x1 nand\n11 0\n"
                    ".names and x1 or\n00 0\n.names free\n 1\n 1\n.end\n");
    const BlifCircuit circuit = BlifCircuit::parse(text);
    EXPECT_EQ(circuit.inputs(), net.getINames());
    EXPECT_EQ(circuit.outputs(), net.getONames());
    for (uint32_t row = 0; row < 4; ++row) {
        const int x0 = (row >> 1) & 1, x1 = row & 1;
        EXPECT_EQ(circuit.evaluateRow(row),
                  (std::vector<int>{x0 & x1, 1, 0, x0, 1 - x0, 1 - (x0 & x1), (x0 & x1) | x1, 1}))
            << row;
    }

    Network empty;
    empty.SaveBlif(file);
    EXPECT_EQ(readFile(file), ".model N/A\n.inputs\n.outputs\n.end\n");
    EXPECT_NO_THROW(BlifCircuit::parse(readFile(file)));
}

TEST(BlifWriter, LatchesAndRefusedNodes) {
    TempDir dir;
    Network net;
    net.setINames({"d", "e"});
    net.setONames({"q"});
    net.AddNode(gate(&PLA::Make_Buff, {"d"}, "q", true));
    PLA twoInputs;
    twoInputs.Make_AND(2);
    twoInputs.setDFF(true);
    net.AddNode(Node(named(twoInputs, {"d", "e"}, "r"))); // the second input is not written
    net.SaveBlif(dir.file("l.blif"));
    EXPECT_EQ(readFile(dir.file("l.blif")),
              ".model N/A\n.inputs d e\n.outputs q\n.latch d q\n.latch d r\n.end\n");
    Node strange = andNode({"d", "e", "q"}, "s");
    strange.setDFF(true);
    net.AddNode(strange);
    EXPECT_EQ(messageOf([&] { net.SaveBlif(dir.file("s.blif")); }),
              "internal error: a latch with neither one nor two inputs");

    // A refused node stops the file after the nodes before it.
    Network multi;
    multi.setINames({"a"});
    multi.setONames({"y", "z"});
    multi.AddNode(gate(&PLA::Make_Inv, {"a"}, "y"));
    PLA two(1, 2, PLA_type("f"));
    two.AppendTerm("1", "11");
    multi.AddNode(Node(named(two, {"a"}, "z")));
    EXPECT_EQ(messageOf([&] { multi.SaveBlif(dir.file("m.blif")); }),
              "internal error: a BLIF node with several outputs");
    EXPECT_EQ(readFile(dir.file("m.blif")),
              ".model N/A\n.inputs a\n.outputs y z\n.names a y\n0 1\n");

    Network unnamed;
    PLA cover;
    cover.Make_AND(2);
    unnamed.AddNode(Node(named(cover, {"a"}, "y"))); // input 1 stays unnamed
    EXPECT_EQ(messageOf([&] { unnamed.SaveBlif(dir.file("n.blif")); }),
              "internal error: a BLIF node input without a name");
    EXPECT_EQ(readFile(dir.file("n.blif")), ".model N/A\n.inputs\n.outputs\n.names a");

    const std::string bad = dir.file("missing/dir.blif");
    EXPECT_EQ(messageOf([&] { unnamed.SaveBlif(bad); }),
              std::string("I/O Exception: cannot create the file: No such file or directory"));
}

} // namespace
