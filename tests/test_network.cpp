// Network model: the name hash table, adding nodes, the signal table and levels.
#include "network/Network.h"
#include "network/hashtable.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A node of one output with the given input names; the cover is the AND of its inputs.
Node andNode(const std::vector<std::string>& inputs, const std::string& output) {
    PLA cover;
    cover.Make_AND(static_cast<uint32_t>(inputs.size()));
    for (uint32_t u = 0; u < inputs.size(); ++u)
        cover.setIName(u, inputs[u]);
    cover.setOName(0, output);
    return Node(cover);
}

using testsupport::messageOf;

TEST(HashTable, HashIsWeightedCharacterSumAndBucketIsModulo) {
    EXPECT_EQ(hashtable<int>::hash("a"), 9700u);
    EXPECT_EQ(hashtable<int>::hash("ab"), 19598u);
    EXPECT_EQ(hashtable<int>::hash(""), 0u);
    hashtable<int> table;
    EXPECT_EQ(table.bucketCount(), 1000u);
    EXPECT_EQ(table.bucketOf("a"), 700u);
    EXPECT_EQ(table.bucketOf("ab"), 598u);
    EXPECT_EQ(table.bucketOf(""), 0u);
    // Characters count as signed bytes: 0xFF is -1, so -1 * 100 wraps around.
    EXPECT_EQ(hashtable<int>::hash(std::string(1, '\xff')), 4294967196u);
    EXPECT_EQ(table.bucketOf(std::string(1, '\xff')), 196u);
}

TEST(HashTable, CollidingNamesShareABucketAndStayApart) {
    hashtable<int> table;
    // "kb": 107 * 100 + 98 * 101 = 20598, the bucket of "ab".
    ASSERT_EQ(table.bucketOf("kb"), table.bucketOf("ab"));
    table.insert("ab", 1);
    table.insert("kb", 2);
    EXPECT_EQ(table.bucketSize(598), 2u);
    ASSERT_NE(table.find("ab"), nullptr);
    ASSERT_NE(table.find("kb"), nullptr);
    EXPECT_EQ(*table.find("ab"), 1);
    EXPECT_EQ(*table.find("kb"), 2);
    EXPECT_EQ(table.find("ub"), nullptr); // same bucket, never inserted
    EXPECT_EQ(table.find("a"), nullptr);
    EXPECT_EQ(table.size(), 2u);
}

TEST(HashTable, FirstEntryOfANameWinsAndEmptyNameWorks) {
    hashtable<int> table;
    table.insert("x", 1);
    table.insert("x", 2);
    table.insert("", 7);
    EXPECT_EQ(*table.find("x"), 1);
    EXPECT_EQ(*table.find(""), 7);
    EXPECT_EQ(table.size(), 3u);
    table.clear();
    EXPECT_EQ(table.size(), 0u);
    EXPECT_EQ(table.find("x"), nullptr);
}

TEST(Network, NamesAndIndexChecks) {
    Network net;
    EXPECT_EQ(net.getIName(0), "");
    EXPECT_EQ(net.getOName(3), "");
    net.setINames({"a", "b"});
    net.AppendOName("y");
    EXPECT_EQ(net.getIName(1), "b");
    EXPECT_EQ(net.getOName(0), "y");
    EXPECT_EQ(messageOf([&] { net.getIName(2); }),
              "Runtime Exception: Network::getIName: Wrong variable index");
    EXPECT_EQ(messageOf([&] { net.getOName(1); }),
              "Runtime Exception: Network::getOName: Wrong variable index");
}

TEST(Network, AddNodeCopiesTheCoverAndNumbersNodes) {
    Network net;
    auto first = net.AddNode(andNode({"a", "b"}, "t"));
    Node second = andNode({"t"}, "y");
    auto it = net.AddNode(second);
    second.setOName(0, "changed"); // the network holds its own copy
    EXPECT_EQ(first->getIndex(), 0u);
    EXPECT_EQ(it->getIndex(), 1u);
    EXPECT_EQ(it->getOName(0), "y");
    EXPECT_EQ(it->getGateName(), "and");
    EXPECT_EQ(net.getNodeCount(), 2u);
    EXPECT_EQ(net.getNode(1), it);
    auto third = net.AddNode(andNode({"y"}, "z"));
    EXPECT_EQ(net.getNode(2), third);   // index kept up to date once built
    EXPECT_EQ(first->getOName(0), "t"); // earlier iterators stay valid
}

TEST(Network, SignalTableConnectsDriversAndFanouts) {
    Network net;
    net.setINames({"a", "b"});
    net.setONames({"y"});
    auto n1 = net.AddNode(andNode({"a", "b"}, "t"));
    auto n2 = net.AddNode(andNode({"t", "a"}, "y"));
    EXPECT_TRUE(net.getSignals().empty()); // built on demand

    auto t = net.FindSignal("t");
    ASSERT_TRUE(t.first);
    EXPECT_FALSE(t.second->isUndriven());
    EXPECT_EQ(t.second->getDriver(), n1);
    EXPECT_EQ(t.second->getDriverOutput(), 0u);
    ASSERT_EQ(t.second->getFanouts().size(), 1u);
    EXPECT_EQ(t.second->getFanouts().front().node, n2);
    EXPECT_EQ(t.second->getFanouts().front().input, 0u);
    EXPECT_EQ(t.second->getNetwork(), &net);

    auto a = net.FindSignal("a");
    ASSERT_TRUE(a.first);
    EXPECT_TRUE(a.second->isInput());
    EXPECT_TRUE(a.second->isUndriven());
    ASSERT_EQ(a.second->getFanouts().size(), 2u);
    EXPECT_EQ(a.second->getFanouts().back().node, n2);
    EXPECT_EQ(a.second->getFanouts().back().input, 1u);

    EXPECT_TRUE(net.FindSignal("y").second->isOutput());
    EXPECT_EQ(net.getSignals().size(), 4u); // a, b, y, t
    auto missing = net.FindSignal("nothing");
    EXPECT_FALSE(missing.first);

    // Created once, found afterwards.
    auto created = net.FindOrCreateSignal("fresh");
    EXPECT_EQ(net.FindOrCreateSignal("fresh"), created);
    EXPECT_EQ(net.getSignals().size(), 5u);

    // Nodes added after the table exists are entered at once.
    auto n3 = net.AddNode(andNode({"fresh", "t"}, "u"));
    EXPECT_EQ(net.FindSignal("u").second->getDriver(), n3);
    EXPECT_EQ(net.FindSignal("fresh").second->getFanouts().size(), 1u);
    EXPECT_EQ(net.FindSignal("t").second->getFanouts().size(), 2u);
}

TEST(Network, SecondDriverOfANameIsRejected) {
    Network net;
    net.AddNode(andNode({"a", "b"}, "t"));
    net.GenerateSignals();
    EXPECT_EQ(messageOf([&] { net.AddNode(andNode({"a"}, "t")); }),
              "Runtime Exception: Network::GenerateSignals: Multiple net drivers");
    EXPECT_EQ(net.getNodeCount(), 2u); // the node stays in the list

    Network late; // the same conflict found while the table is built
    late.AddNode(andNode({"a"}, "t"));
    late.AddNode(andNode({"b"}, "t"));
    EXPECT_EQ(messageOf([&] { late.GenerateSignals(); }),
              "Runtime Exception: Network::GenerateSignals: Multiple net drivers");
}

TEST(Network, PrimaryNameTestsWithAndWithoutTable) {
    Network net;
    net.setINames({"a"});
    net.setONames({"y"});
    net.AddNode(andNode({"a", "c"}, "y"));
    // Without a table: the name lists decide.
    EXPECT_TRUE(net.isPI("a"));
    EXPECT_FALSE(net.isPI("c"));
    EXPECT_TRUE(net.isPO("y"));
    EXPECT_FALSE(net.isPO("a"));
    net.GenerateSignals();
    EXPECT_TRUE(net.isPI("a"));
    EXPECT_FALSE(net.isPI("c"));
    EXPECT_FALSE(net.isPI("unknown"));
    EXPECT_TRUE(net.isPO("y"));
    EXPECT_FALSE(net.isPO("unknown"));

    // Without name lists: an input is what no node drives, an output what no node reads.
    Network bare;
    bare.AddNode(andNode({"a", "b"}, "t"));
    bare.AddNode(andNode({"t"}, "y"));
    EXPECT_TRUE(bare.isPI("a"));
    EXPECT_FALSE(bare.isPI("t"));
    EXPECT_TRUE(bare.isPO("y"));
    EXPECT_FALSE(bare.isPO("t"));
}

TEST(Network, SignalConstantAndFlipFlopTests) {
    Network net;
    net.setINames({"a"});
    net.setONames({"y"});
    PLA one;
    one.Make_ONE();
    one.setGateName(""); // a bare constant cover: no gate name
    one.setOName(0, "k1");
    net.AddNode(Node(one));
    PLA zero;
    zero.Make_ZERO(); // keeps its gate name "zero"
    zero.setOName(0, "k0");
    net.AddNode(Node(zero));
    PLA noInputs(0, 1, PLA_type("f"));
    noInputs.setOName(0, "k2");
    net.AddNode(Node(noInputs)); // no inputs and no terms
    PLA latch;
    latch.Make_Buff();
    latch.setDFF(true);
    latch.setIName(0, "a");
    latch.setOName(0, "q");
    net.AddNode(Node(latch));
    net.AddNode(andNode({"a", "floating"}, "y"));

    EXPECT_TRUE(net.FindSignal("k1").second->isConstant());
    EXPECT_FALSE(net.FindSignal("k0").second->isConstant());
    EXPECT_TRUE(net.FindSignal("k2").second->isConstant());
    EXPECT_TRUE(net.FindSignal("floating").second->isConstant()); // undriven internal
    EXPECT_FALSE(net.FindSignal("a").second->isConstant());
    EXPECT_FALSE(net.FindSignal("y").second->isConstant());
    EXPECT_FALSE(net.FindSignal("q").second->isConstant());
    EXPECT_TRUE(net.FindSignal("q").second->isDFF());
    EXPECT_FALSE(net.FindSignal("k1").second->isDFF());
    EXPECT_FALSE(net.FindSignal("floating").second->isDFF());
    EXPECT_FALSE(net.FindSignal("a").second->isDFF());
}

TEST(NetworkLevels, EmptyNetworkHasNoLevels) {
    Network net;
    EXPECT_EQ(net.GetLevels(), 0u);
    net.setINames({"a"});
    EXPECT_EQ(net.GetLevels(), 0u);
}

TEST(NetworkLevels, ChainResolvedWhateverTheAddingOrder) {
    for (bool reversed : {false, true}) {
        Network net;
        net.setINames({"a", "b"});
        net.setONames({"y"});
        const Node first = andNode({"a", "b"}, "t");
        const Node second = andNode({"t", "a"}, "y");
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
}

TEST(NetworkLevels, ConstantsFlipFlopsAndUndrivenNamesAddNoLevel) {
    Network net;
    net.setINames({"a"});
    net.setONames({"y", "z"});
    PLA one;
    one.Make_ONE();
    one.setGateName("");
    one.setIName(0, "");
    one.setOName(0, "k1");
    auto k = net.AddNode(Node(one)); // no input: level 1 itself
    PLA latch;
    latch.Make_Buff();
    latch.setDFF(true);
    latch.setIName(0, "z");
    latch.setOName(0, "q");
    auto dff = net.AddNode(Node(latch));
    auto y = net.AddNode(andNode({"a", "k1", "floating", "q"}, "y"));
    auto z = net.AddNode(andNode({"y", "q"}, "z"));
    EXPECT_EQ(net.GetNodeLevel(y), 1u);
    EXPECT_EQ(net.GetNodeLevel(z), 2u);
    EXPECT_EQ(net.GetNodeLevel(k), 1u);
    EXPECT_EQ(net.GetNodeLevel(dff), 3u); // the latch input comes from z
    EXPECT_EQ(net.GetLevels(), 3u);
}

TEST(NetworkLevels, LoopsKeepLevelZeroAndAddingInvalidates) {
    Network net;
    net.setINames({"a"});
    net.setONames({"y"});
    auto p = net.AddNode(andNode({"a", "q"}, "p"));
    auto q = net.AddNode(andNode({"p"}, "q"));
    auto y = net.AddNode(andNode({"a"}, "y"));
    EXPECT_EQ(net.GetLevels(), 1u);
    EXPECT_EQ(net.GetNodeLevel(p), 0u);
    EXPECT_EQ(net.GetNodeLevel(q), 0u);
    EXPECT_EQ(net.GetNodeLevel(y), 1u);

    auto w = net.AddNode(andNode({"y"}, "w"));
    auto v = net.AddNode(andNode({"w", "y"}, "v"));
    EXPECT_EQ(net.GetNodeLevel(w), 2u);
    EXPECT_EQ(net.GetNodeLevel(v), 3u);
    EXPECT_EQ(net.GetLevels(), 3u);
}

TEST(NetworkLevels, NodeWithoutInputsHasLevelOne) {
    Network net;
    net.setONames({"y"});
    PLA noInputs(0, 1, PLA_type("f"));
    noInputs.setOName(0, "c");
    auto c = net.AddNode(Node(noInputs));
    auto y = net.AddNode(andNode({"c"}, "y"));
    // "c" is driven by a constant cover, so it adds no level to y.
    EXPECT_EQ(net.GetNodeLevel(c), 1u);
    EXPECT_EQ(net.GetNodeLevel(y), 1u);
}

} // namespace
