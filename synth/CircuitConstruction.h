// A correct circuit for a target built without search: the answer a run hands back when it
// is stopped before the exact search ends, and an upper bound that ends the search as soon
// as every smaller node count is ruled out.
//
// The circuit is an AND-inverter graph (with exclusive-or nodes where the library has
// them), every node a 4-bit table of two operands, so that any library holding one
// function of each kind realises it under input and output inversions. Nodes are shared
// through structural hashing, and a subfunction that an existing signal (or its
// complement) already computes on the cared-for rows is taken from it. Each output is built
// by these constructions, and the one that adds the fewest nodes is kept:
//   - an irredundant sum of products of the output (Minato-Morreale over the don't cares),
//     factored by its most frequent literals;
//   - the same for the complement, inverted at the output;
//   - a cofactor decomposition, f = x ? f1 : f0 (one AND when a cofactor is constant)
//     and, with exclusive-or nodes, f = x XOR g when the cofactors are complements: near
//     the root every input and both covers are tried at each step (in copies of the
//     graph, the one adding the fewest nodes kept), deeper down the input whose cofactors
//     have the fewest cubes is taken; the purely greedy decomposition is tried too.
// Each candidate is then shrunk by resubstitution: a node whose function, on the rows where
// some output observes it and cares, equals another signal that does not depend on it, or
// an AND (exclusive-or) of two such signals, is replaced, and the nodes only it used go
// with it. Trees of ANDs and of exclusive-ors are balanced at the end (least depth, no more
// nodes). Don't cares are used throughout: a construction only has to agree with the
// target on the rows the target cares for.
#pragma once

#include "bound/BoundCircuit.h"

#include <cstdint>
#include <optional>
#include <vector>

struct ConstructionTarget {
    uint32_t k = 0;
    uint32_t outputs = 0;
    // Row-major values: entry r * outputs + o is output o at row r (input j is bit j of r):
    // 0, 1, or 2 for a don't care.
    std::vector<uint8_t> values;
};

// The largest number of inputs a construction takes.
constexpr uint32_t kMaxConstructionInputs = 12;

// A circuit realising target on its cared-for rows, of AND nodes (and exclusive-or nodes
// when xorNodes); nullopt for more than kMaxConstructionInputs inputs, and when an output
// is constant but constants may not drive outputs (constants false).
std::optional<BoundCircuit> ConstructCircuit(const ConstructionTarget& target, bool xorNodes,
                                             bool constants);
