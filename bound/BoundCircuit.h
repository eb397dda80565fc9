// A circuit found by the lower-bound engine, in its own signal numbering: signal 0 is the
// constant 0, signals 1..k the inputs, signals k+1..k+n the nodes in topological order.
#pragma once

#include "bound/BoundProblem.h"

#include <cstdint>
#include <vector>

struct BoundCircuit {
    struct Node {
        uint32_t a = 0;     // lower-numbered operand
        uint32_t b = 0;     // higher-numbered operand (may equal a)
        uint32_t table = 0; // h(x_a, x_b) at bit 2*x_a + x_b
    };
    struct Output {
        uint32_t driver = 0;
        bool inverted = false;
    };
    uint32_t k = 0;
    std::vector<Node> nodes;
    std::vector<Output> outputs;

    // The table of every signal (constant, inputs, nodes) over the problem's rows.
    std::vector<BoundProblem::Table> Simulate(const BoundProblem& problem) const;
    // Output o's table.
    BoundProblem::Table OutputTable(const BoundProblem& problem,
                                    const std::vector<BoundProblem::Table>& signals,
                                    uint32_t o) const;
    // The first cared-for row at or after `from` (wrapping around) where some output
    // differs from the target; rows() when the circuit realises the target.
    uint32_t FirstMismatch(const BoundProblem& problem, uint32_t from = 0) const;
    // The total gate cost: each node at the least cost of a library function that
    // computes its table on its kind of operand pair.
    uint32_t Cost(const BoundProblem& problem) const;
};
