// Simulation of a circuit found by the lower-bound engine.
#include "bound/BoundCircuit.h"

std::vector<BoundProblem::Table> BoundCircuit::Simulate(const BoundProblem& problem) const {
    const uint32_t words = problem.words();
    std::vector<BoundProblem::Table> sig;
    sig.reserve(1 + k + nodes.size());
    sig.emplace_back(words, 0);
    for (uint32_t j = 1; j <= k; ++j)
        sig.push_back(problem.inputTable(j));
    const BoundProblem::Table& all = problem.allRows();
    for (const Node& nd : nodes) {
        BoundProblem::Table t(words, 0);
        const BoundProblem::Table& x = sig[nd.a];
        const BoundProblem::Table& y = sig[nd.b];
        for (uint32_t w = 0; w < words; ++w) {
            uint64_t v = 0;
            const uint64_t xa = x[w], yb = y[w];
            if (nd.table & 1u) v |= ~xa & ~yb;
            if (nd.table & 2u) v |= ~xa & yb;
            if (nd.table & 4u) v |= xa & ~yb;
            if (nd.table & 8u) v |= xa & yb;
            t[w] = v & all[w];
        }
        sig.push_back(std::move(t));
    }
    return sig;
}

BoundProblem::Table BoundCircuit::OutputTable(const BoundProblem& problem,
                                              const std::vector<BoundProblem::Table>& signals,
                                              uint32_t o) const {
    BoundProblem::Table t = signals[outputs[o].driver];
    if (outputs[o].inverted)
        for (uint32_t w = 0; w < problem.words(); ++w)
            t[w] = ~t[w] & problem.allRows()[w];
    return t;
}

uint32_t BoundCircuit::FirstMismatch(const BoundProblem& problem, uint32_t from) const {
    const std::vector<BoundProblem::Table> sig = Simulate(problem);
    const uint32_t words = problem.words();
    std::vector<uint64_t> bad(words, 0);
    for (uint32_t o = 0; o < problem.outputs(); ++o) {
        const BoundProblem::Table t = OutputTable(problem, sig, o);
        for (uint32_t w = 0; w < words; ++w)
            bad[w] |= (t[w] ^ problem.value(o)[w]) & problem.care(o)[w];
    }
    const uint32_t rows = problem.rows();
    for (uint32_t step = 0; step < rows; ++step) {
        const uint32_t r = (from + step) % rows;
        if ((bad[r >> 6] >> (r & 63)) & 1u) return r;
    }
    return rows;
}

uint32_t BoundCircuit::Cost(const BoundProblem& problem) const {
    uint32_t total = 0;
    for (const Node& nd : nodes) {
        const uint32_t h = nd.table;
        uint32_t cost;
        if (nd.a == nd.b)
            cost = nd.a == 0 ? problem.constOneCost()
                             : problem.unaryCost(((h >> 3) & 1u) * 2 + (h & 1u));
        else if (nd.a == 0)
            cost = problem.constCost(((h >> 1) & 1u) * 2 + (h & 1u));
        else
            cost = problem.distinctCost(h);
        total += cost;
    }
    return total;
}
