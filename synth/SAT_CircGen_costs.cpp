// Gate-cost bounds on the node functions, the pseudo-Boolean objective (total gate cost)
// and the cost of a solution.
#include "synth/SAT_CircGen.h"

#include "util/myExcept.h"
#include "util/utils.h"

namespace {

uint32_t costOf(const std::vector<uint32_t>& costs, uint32_t t, const char* op) {
    if (t >= costs.size())
        throw RuntimeException(std::string(op) + ": no gate cost for node function " +
                               int2string(t));
    return costs[t];
}

} // namespace

void SAT_CircGen::ConstrainCost(uint32_t bound) {
    const uint32_t width = clauses.getInputs();
    Cube blank;
    blank.init_sparse(width);
    std::vector<uint32_t> codeColumns(codeBits);
    for (uint32_t i = k + 1; i <= k + n; ++i) {
        bool columnsKnown = false;
        for (uint32_t t = 0; t < functionCount; ++t) {
            if (costOf(gateCosts, t, "SAT_CircGen::ConstrainCost") <= bound) continue;
            if (!columnsKnown) {
                for (uint32_t b = 0; b < codeBits; ++b) {
                    const std::string name = "F" + int2string(i) + "_" + int2string(b);
                    codeColumns[b] = clauses.getNamePos(name);
                    if (codeColumns[b] >= width)
                        throw RuntimeException("SoPLA::setLitByName: Variable name not found");
                }
                columnsKnown = true;
            }
            // Satisfied exactly when node i does not carry code t; with no code bits the
            // clause is empty and the instance unsatisfiable.
            Cube clause = blank;
            const std::string code = int2bin(t, codeBits);
            for (uint32_t b = 0; b < codeBits; ++b)
                clause.setLit(codeColumns[b], code[b] == '0' ? Lit_1 : Lit_0);
            clauses.AppendTerm(clause);
        }
    }
}

std::string SAT_CircGen::PBO_OptCrit() {
    std::string objective;
    const uint32_t width = clauses.getInputs();
    for (uint32_t i = k + 1; i <= k + n; ++i)
        for (uint32_t t = 0; t < functionCount; ++t) {
            const uint32_t pos = clauses.getNamePos("FH" + int2string(i) + "_" + int2string(t));
            if (pos >= width) throw RuntimeException("PBO_OptCrit: variable not found");
            objective += " +" + int2string(costOf(gateCosts, t, "PBO_OptCrit")) + "*x" +
                         int2string(static_cast<uint64_t>(pos) + 1);
        }
    return objective;
}

uint32_t SAT_CircGen::ComputeCost(const SoPLA* solution, uint32_t nodes) const {
    if (solution == nullptr || solution->empty())
        throw RuntimeException("SAT_CircGen::ComputeCost: the solution holds no model");
    uint32_t cost = 0;
    for (uint32_t i = k + 1; i <= k + nodes; ++i)
        cost += costOf(gateCosts, WhatFunction(solution, solution->begin(), i),
                       "SAT_CircGen::ComputeCost");
    return cost;
}
