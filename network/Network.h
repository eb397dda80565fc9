// Multi-level logic network: named primary inputs and outputs, a list of nodes (each a
// two-level cover whose names are the signals it reads and drives) and a table of signals
// that connects them by name.
#pragma once

#include "network/Node.h"
#include "network/Signal.h"
#include "network/hashtable.h"

#include <cstdint>
#include <list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class Network {
public:
    using NodeList = std::list<Node>;
    using node_iterator = NodeList::iterator;
    using const_node_iterator = NodeList::const_iterator;
    using SignalList = std::list<Signal>;
    using signal_iterator = SignalList::iterator;

    Network() = default;
    // Signals point back at their network and at its nodes: a network is not copied.
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    // --- name and primary names ---
    void setName(const std::string& name) { name_ = name; }
    const std::string& getName() const { return name_; }
    void setINames(const std::vector<std::string>& names) { inputNames_ = names; }
    void setONames(const std::vector<std::string>& names) { outputNames_ = names; }
    void AppendIName(const std::string& name) { inputNames_.push_back(name); }
    void AppendOName(const std::string& name) { outputNames_.push_back(name); }
    const std::vector<std::string>& getINames() const { return inputNames_; }
    const std::vector<std::string>& getONames() const { return outputNames_; }
    // The name, or the empty string when there are no names at all.
    std::string getIName(uint32_t i) const;
    std::string getOName(uint32_t i) const;

    // --- nodes ---
    node_iterator AddNode(const Node& node);
    node_iterator AddNode(Node&& node);
    const NodeList& getNodes() const { return nodes_; }
    size_t getNodeCount() const { return nodes_.size(); }
    // The node at a list position, through the node index (built on first use).
    node_iterator getNode(uint32_t index);

    // --- signals ---
    const SignalList& getSignals() const { return signals_; }
    void GenerateSignals();
    // Builds the signal table first when it is empty.
    std::pair<bool, signal_iterator> FindSignal(const std::string& name);
    signal_iterator FindOrCreateSignal(const std::string& name);
    void AddNodeSignals(node_iterator node);
    bool isPI(const std::string& name) const;
    bool isPO(const std::string& name) const;

    // --- levels ---
    uint32_t GetLevels();
    uint32_t GetNodeLevel(node_iterator node);
    void ComputeLevels();

    // --- BLIF ---
    void SaveBlif(const std::string& fileName) const;
    void WriteBlif(std::ostream& out) const;
    void SaveBlifHeader(std::ostream& out) const;
    void SaveBlifNodes(std::ostream& out) const;

    // --- Verilog ---
    // One module of assign statements, its ports named as in BLIF (names that are no
    // Verilog identifiers escaped); the name "-" writes to the standard output.
    void SaveVerilog(const std::string& fileName) const;
    void WriteVerilog(std::ostream& out) const;

private:
    node_iterator registerNode(node_iterator it);
    const Signal* lookup(const std::string& name) const;

    std::string name_;
    NodeList nodes_;
    std::vector<std::string> inputNames_;
    std::vector<std::string> outputNames_;
    SignalList signals_;
    hashtable<signal_iterator> signalIndex_;
    std::vector<node_iterator> nodeIndex_;
    bool levelsValid_ = false;
    uint32_t levels_ = 0;
};
