#include "network/Network.h"

#include "util/myExcept.h"

#include <algorithm>

std::string Network::getIName(uint32_t i) const {
    if (inputNames_.empty()) return "";
    if (i >= inputNames_.size()) throw RuntimeException("Network::getIName: Wrong variable index");
    return inputNames_[i];
}

std::string Network::getOName(uint32_t i) const {
    if (outputNames_.empty()) return "";
    if (i >= outputNames_.size()) throw RuntimeException("Network::getOName: Wrong variable index");
    return outputNames_[i];
}

Network::node_iterator Network::AddNode(const Node& node) {
    nodes_.push_back(node);
    return registerNode(std::prev(nodes_.end()));
}

Network::node_iterator Network::AddNode(Node&& node) {
    nodes_.push_back(std::move(node));
    return registerNode(std::prev(nodes_.end()));
}

Network::node_iterator Network::registerNode(node_iterator it) {
    it->setIndex(static_cast<uint32_t>(nodes_.size() - 1));
    if (!nodeIndex_.empty()) nodeIndex_.push_back(it);
    levelsValid_ = false;
    if (!signals_.empty()) AddNodeSignals(it);
    return it;
}

Network::node_iterator Network::getNode(uint32_t index) {
    if (nodeIndex_.empty())
        for (auto it = nodes_.begin(); it != nodes_.end(); ++it)
            nodeIndex_.push_back(it);
    return nodeIndex_.at(index);
}

void Network::GenerateSignals() {
    if (!signals_.empty()) return;
    for (const auto& name : inputNames_)
        FindOrCreateSignal(name)->setInput(true);
    for (const auto& name : outputNames_)
        FindOrCreateSignal(name)->setOutput(true);
    for (auto it = nodes_.begin(); it != nodes_.end(); ++it)
        AddNodeSignals(it);
}

std::pair<bool, Network::signal_iterator> Network::FindSignal(const std::string& name) {
    if (signals_.empty()) GenerateSignals();
    if (signal_iterator* found = signalIndex_.find(name)) return {true, *found};
    return {false, signals_.end()};
}

Network::signal_iterator Network::FindOrCreateSignal(const std::string& name) {
    if (!signals_.empty()) {
        auto found = FindSignal(name);
        if (found.first) return found.second;
    }
    signals_.emplace_back(this, name);
    auto it = std::prev(signals_.end());
    signalIndex_.insert(name, it);
    return it;
}

void Network::AddNodeSignals(node_iterator node) {
    for (uint32_t u = 0; u < node->getOutputs(); ++u) {
        signal_iterator s = FindOrCreateSignal(node->getOName(u));
        if (!s->isUndriven())
            throw RuntimeException("Network::GenerateSignals: Multiple net drivers");
        s->setDriver(node, u);
    }
    for (uint32_t u = 0; u < node->getInputs(); ++u)
        FindOrCreateSignal(node->getIName(u))->addFanout(node, u);
}

const Signal* Network::lookup(const std::string& name) const {
    const signal_iterator* found = signalIndex_.find(name);
    return found ? &**found : nullptr;
}

bool Network::isPI(const std::string& name) const {
    if (!signals_.empty()) {
        const Signal* s = lookup(name);
        return s != nullptr && s->isInput();
    }
    if (!inputNames_.empty())
        return std::find(inputNames_.begin(), inputNames_.end(), name) != inputNames_.end();
    for (const Node& node : nodes_)
        for (uint32_t u = 0; u < node.getOutputs(); ++u)
            if (node.getOName(u) == name) return false;
    return true;
}

bool Network::isPO(const std::string& name) const {
    if (!signals_.empty()) {
        const Signal* s = lookup(name);
        return s != nullptr && s->isOutput();
    }
    if (!outputNames_.empty())
        return std::find(outputNames_.begin(), outputNames_.end(), name) != outputNames_.end();
    for (const Node& node : nodes_)
        for (uint32_t u = 0; u < node.getInputs(); ++u)
            if (node.getIName(u) == name) return false;
    return true;
}

uint32_t Network::GetLevels() {
    if (!levelsValid_) ComputeLevels();
    return levels_;
}

uint32_t Network::GetNodeLevel(node_iterator node) {
    if (!levelsValid_) ComputeLevels();
    return node->getLevel();
}

// Repeated passes in list order: a node gets its level once every node driving one of its
// inputs has one. Inputs from primary inputs, constants and flip-flops add no level. Nodes
// on (or fed through) a combinational loop keep level 0.
void Network::ComputeLevels() {
    if (levelsValid_) return;
    if (signals_.empty()) GenerateSignals();
    levels_ = 0;
    for (Node& node : nodes_)
        node.setLevel(0);

    bool changed = true;
    while (changed) {
        changed = false;
        for (Node& node : nodes_) {
            if (node.getLevel() != 0) continue;
            uint32_t level = 0;
            bool ready = true;
            for (uint32_t u = 0; u < node.getInputs() && ready; ++u) {
                const std::string name = node.getIName(u);
                if (isPI(name)) continue;
                const Signal* s = lookup(name);
                if (s == nullptr)
                    throw RuntimeException("Network::ComputeLevels: Undefined signal");
                if (!s->isInput() && (s->isConstant() || s->isDFF())) continue;
                // An output that nothing drives adds no level either.
                if (s->isUndriven()) continue;
                const uint32_t driverLevel = s->getDriver()->getLevel();
                if (driverLevel == 0)
                    ready = false;
                else
                    level = std::max(level, driverLevel);
            }
            if (!ready) continue;
            node.setLevel(level + 1);
            levels_ = std::max(levels_, level + 1);
            changed = true;
        }
    }
    levelsValid_ = true;
}
