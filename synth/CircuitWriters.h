// The writers of a circuit: the Graphviz drawing, the AIGER files (ASCII and binary), the
// network of named signals behind BLIF and Verilog, and the JSON record. Each is a free
// function of the circuit, the library its node functions index, and the signal names;
// none needs the engine that found the circuit.
//
// Signal numbering: 0 the constant, 1..k the primary inputs, k+1..k+n the nodes. In the
// AIGER ASCII file input q is variable q+1 and node i is variable i; a literal is twice the
// variable, plus one for an inverted use. The binary AIGER file is an AND-inverter graph:
// every node becomes ANDs (none, one or three) with variables of their own, numbered in
// node order after the inputs. A circuit of AND gates keeps one AIGER variable per node in
// the ASCII file; any other circuit without polymorphic edges is written there in
// AND-inverter form too.
#pragma once

#include "synth/Circuit.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

class Library;
class Network;
class PLA;

struct CircuitNames {
    // The target's inputs: the k circuit inputs, then the control input with polymorphic
    // edges.
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    // The circuit has polymorphic edges: only then do its polymorphic flags count.
    bool polyEdges = false;

    // x0, x1, ... and y0, y1, ... (and P for the control input).
    static CircuitNames Default(uint32_t inputs, uint32_t outputs, bool polyEdges = false);
};

void WriteDOT(std::ostream& out, const Circuit& c, const Library& library,
              const CircuitNames& names);
// RuntimeException for a polymorphic circuit with gates other than AND and XOR (checked
// before anything is written).
void WriteAAG(std::ostream& out, const Circuit& c, const Library& library,
              const CircuitNames& names);
// RuntimeException for a polymorphic circuit (checked before anything is written).
void WriteAIG(std::ostream& out, const Circuit& c, const Library& library);
// The network of named signals, model "fnct" (what BLIF and Verilog are written from).
std::unique_ptr<Network> CircuitNetwork(const Circuit& c, const Library& library,
                                        const CircuitNames& names);
void WriteBLIF(std::ostream& out, const Circuit& c, const Library& library,
               const CircuitNames& names);
void WriteVerilog(std::ostream& out, const Circuit& c, const Library& library,
                  const CircuitNames& names);
// One JSON record: the target's tables and care masks (hexadecimal, the highest row first,
// as -fh reads them), the library and gate costs, the gates (library digit, operands with
// their inversions), the outputs, and the node count, cost, depth, XOR count and status
// ("optimum", or "bounded": not proven optimal).
void WriteJSON(std::ostream& out, const Circuit& c, const Library& library,
               const CircuitNames& names, const PLA& target, const std::string& status);

// Measures of a circuit under its library.
uint32_t CircuitCost(const Circuit& c, const Library& library);
uint32_t GatesNamed(const Circuit& c, const Library& library, const std::string& gate);
