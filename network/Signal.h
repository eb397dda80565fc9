// A net of a multi-level network: its name, the node output that drives it and every node
// input that reads it.
#pragma once

#include "network/Node.h"

#include <cstdint>
#include <list>
#include <string>

class Network;

class Signal {
public:
    using node_iterator = std::list<Node>::iterator;
    struct Fanout {
        node_iterator node;
        uint32_t input; // input position of the reading node
    };

    Signal(Network* owner, std::string name) : network_(owner), name_(std::move(name)) {}

    Network* getNetwork() const { return network_; }
    const std::string& getName() const { return name_; }

    bool isUndriven() const { return undriven_; }
    node_iterator getDriver() const { return driver_; }
    uint32_t getDriverOutput() const { return driverOutput_; }
    void setDriver(node_iterator node, uint32_t output) {
        driver_ = node;
        driverOutput_ = output;
        undriven_ = false;
    }

    const std::list<Fanout>& getFanouts() const { return fanouts_; }
    void addFanout(node_iterator node, uint32_t input) { fanouts_.push_back({node, input}); }

    bool isInput() const { return isInput_; }
    bool isOutput() const { return isOutput_; }
    void setInput(bool v) { isInput_ = v; }
    void setOutput(bool v) { isOutput_ = v; }

    // Undriven internal nets and nets driven by a constant cover (no gate name, at most one
    // term that cares about no input) are constants; primary inputs and outputs are not.
    bool isConstant() const;
    // Driven by a D flip-flop node.
    bool isDFF() const;

private:
    Network* network_;
    std::string name_;
    node_iterator driver_{};
    uint32_t driverOutput_ = 0;
    bool undriven_ = true;
    std::list<Fanout> fanouts_;
    bool isInput_ = false;
    bool isOutput_ = false;
};
