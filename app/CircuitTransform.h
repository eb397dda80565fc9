// Single-output circuits in the lower-bound engine's form (BoundCircuit: signal 0 the
// constant 0, 1..k the inputs, then the nodes, each a 4-bit table of its two operands)
// moved between the targets of one class: transformation, simulation and a text form.
#pragma once

#include "bound/BoundCircuit.h"
#include "logic/NpnCanon.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A truth table of k inputs as 64-bit words: bit r of word w is the value on row 64w + r,
// and row r gives input j the value of bit j of r. One word for k <= 6 (rows above 2^k
// clear).
using TableWords = std::vector<uint64_t>;

// The circuit for T(c) made from a circuit for c (docs/npn.md): input j becomes input
// perm[j]; a negated input is folded into the tables of the nodes that read it and into
// the output's inversion; the output negation into the output's inversion. Node operands
// stay ordered (a <= b); the table is transposed when a permutation exchanges them.
BoundCircuit TransformCircuit(const BoundCircuit& circuit, const NpnTransform& t);

// The output's table over all 2^k rows (k <= 16).
TableWords SimulateCircuit(const BoundCircuit& circuit);

// A table over 2^k rows in hexadecimal, the value on the highest row first (as -fh reads
// it; one digit for fewer than four rows), and back (nullopt for a text that is no table
// of k inputs: another length, or a character that is no upper-case hexadecimal digit).
std::string TableHex(const TableWords& table, uint32_t k);
std::optional<TableWords> TableOfHex(const std::string& hex, uint32_t k);

// "a,b,table a,b,table ...|driver,inverted" (decimal numbers; no nodes: "|driver,inverted").
std::string CircuitText(const BoundCircuit& circuit);
// The circuit of such a text, with k inputs and one output; nullopt when the text is not
// of that form or names a signal that does not precede its reader.
std::optional<BoundCircuit> ParseCircuitText(const std::string& text, uint32_t k);
