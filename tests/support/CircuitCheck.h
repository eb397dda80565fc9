// Independent readers of the circuits the program writes (DOT drawings and AIGER ASCII
// files), a simulator for them and for BLIF netlists, and the comparison with the function
// a circuit should realise. Used by the end-to-end tests; it knows nothing of the
// project's own classes.
//
// Rows: row r assigns bit j of r to primary input j (x0 is bit 0); with polymorphic edges
// bit k is the control input P. This is the minterm numbering of function numbers.
#pragma once

#include "tests/support/BlifEval.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// The function a circuit must realise: per output and row 1, 0 or DontCare.
struct Expected {
    static constexpr int DontCare = -1;
    uint32_t inputs = 0; // primary inputs, the control input not counted
    bool poly = false;
    std::vector<std::vector<int>> values; // [output][row]

    uint32_t rows() const { return 1u << (inputs + (poly ? 1 : 0)); }
    // Function number f: row i takes bit i of f (rows from 32 on are 0).
    static Expected FromNumber(uint32_t f, uint32_t inputs, bool poly = false);
    // One callable per output, giving 1, 0 or DontCare for a row.
    static Expected FromFunctions(uint32_t inputs, bool poly,
                                  const std::vector<std::function<int(uint32_t)>>& outputs);
};

// A circuit of two-input gates: signal 0 is the constant 0, 1..k the inputs, k+1.. the
// gates in order.
class GateCircuit {
public:
    struct Port {
        uint32_t source = 0;
        bool inverted = false;
        bool poly = false; // exclusive-or with the control input
        bool set = false;
    };
    struct Gate {
        uint32_t function = 0; // truth table: bit 2a + b is f(a, b), a on port 0
        Port port[2];
        bool symmetric() const { return ((function >> 1) & 1u) == ((function >> 2) & 1u); }
    };
    struct Output {
        uint32_t source = 0;
        bool inverted = false;
        bool poly = false;
    };

    // A DOT drawing; the library (hexadecimal digits) tells which function a node shape
    // stands for, and must hold exactly one function of each shape used.
    static GateCircuit FromDot(const std::string& text, const std::string& library);
    // An AIGER ASCII file as the program writes it ("aag", with "p" for polymorphic edges
    // and "x" for exclusive-or gates, whose fan-ins are listed larger source first).
    static GateCircuit FromAag(const std::string& text);

    uint32_t inputs() const { return k_; }
    size_t gateCount() const { return gates_.size(); }
    const std::vector<Gate>& gates() const { return gates_; }
    const std::vector<Output>& outputs() const { return outputs_; }
    bool usesConstant() const;
    // Output values at a row (see the top of this file).
    std::vector<int> Evaluate(uint32_t row) const;
    // Levels: a gate fed only by inputs and constants has level 1.
    uint32_t Depth() const;
    // The same text for two circuits exactly when they are the same up to the numbering
    // of the gates and the order of the ports of symmetric gates. topologyOnly leaves out
    // inversions and polymorphic edges.
    std::string Canonical(bool topologyOnly) const;

private:
    uint32_t k_ = 0;
    std::vector<Gate> gates_; // gate i is signal k_ + 1 + i
    std::vector<Output> outputs_;
};

// "" when the circuit agrees with the expected function on every cared-for row, else a
// description of the first disagreement.
std::string Mismatch(const GateCircuit& circuit, const Expected& expected);
// The same for a BLIF netlist whose inputs are the primary inputs in order, then P.
std::string Mismatch(const BlifCircuit& circuit, const Expected& expected);

} // namespace testsupport
