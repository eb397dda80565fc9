// A solution as a value: the circuit a solver model describes, read out of the model once
// (SAT_CircGen::Decode). The writers, the networks, the level count, the node counts and
// the cost all read this value instead of the model.
//
// Signal numbering: 0 is the constant 0, 1..k the primary inputs, k+1..k+n the nodes in
// topological order. A port reads the smallest signal the model connects to it (a port of a
// node whose library is not all symmetric may hold several sources carrying equal values).
#pragma once

#include <cstdint>
#include <vector>

struct Circuit {
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    struct Node {
        uint32_t function = 0;                // library index
        uint32_t source[2] = {kNone, kNone};  // per port; kNone: the model gave none
        bool inverted[2] = {false, false};    // N<i>_<b>
        bool polymorphic[2] = {false, false}; // P<i>_<b>, whatever the option says
    };
    struct Output {
        uint32_t driver = kNone;    // the smallest signal driving it; kNone: none
        bool inverted = false;      // ON<o> true
        bool inversionOpen = false; // ON<o> left undecided by the solver
        bool polymorphic = false;   // OP<o>, whatever the option says
    };

    uint32_t k = 0;
    std::vector<Node> nodes; // node signal k+1+x at index x
    std::vector<Output> outputs;

    uint32_t lastSignal() const { return k + static_cast<uint32_t>(nodes.size()); }
    const Node& node(uint32_t signal) const { return nodes[signal - k - 1]; }
    // The smallest output the signal drives; outputs.size() when it drives none.
    uint32_t FirstOutputOf(uint32_t signal) const;
    // Some port reads the constant, or some output is driven by it.
    bool ConstantUsed() const;
    // The depth: a node fed only by inputs and the constant has level 1, any other node one
    // more than its deepest node fan-in; 0 without nodes.
    uint32_t Levels() const;
    // Polymorphic ports and outputs, as the model holds them.
    uint32_t PolyEdges() const;
    // The value of every output at every row (input q is bit q of the row; bit r of the
    // output's words is row r, bits beyond 2^k rows zero), node i computing
    // tables[function] (f(a, b) at bit 2a + b) of its operands with their inversions; an
    // output inversion left open counts as one. Polymorphic flags are not read.
    // InternalError for a node that reads no earlier signal, a function beyond tables or
    // an output without a driver.
    std::vector<std::vector<uint64_t>> Simulate(const std::vector<uint32_t>& tables) const;
};
