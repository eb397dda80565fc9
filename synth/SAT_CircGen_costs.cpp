// Gate-cost bounds on the node functions, the pseudo-Boolean objective (total gate cost)
// and the cost of a solution.
#include "synth/SAT_CircGen.h"

#include "util/myExcept.h"
#include "util/utils.h"

void SAT_CircGen::ConstrainCost(uint32_t bound) {
    const VarMap& vm = Vars();
    const uint32_t width = clauses.getInputs();
    for (uint32_t i = k + 1; i <= k + n; ++i)
        for (uint32_t t = 0; t < library().size(); ++t) {
            if (library().Cost(t) <= bound) continue;
            // Satisfied exactly when node i does not carry code t; with no code bits the
            // clause is empty and the instance unsatisfiable.
            Cube clause;
            clause.init_sparse(width);
            const std::string code = int2bin(t, library().CodeBits());
            for (uint32_t b = 0; b < library().CodeBits(); ++b)
                clause.setLit(vm.F(i, b), code[b] == '0' ? Lit_1 : Lit_0);
            clauses.AppendTerm(clause);
        }
}

std::string SAT_CircGen::PBO_OptCrit() {
    std::string objective;
    for (uint32_t i = k + 1; i <= k + n; ++i)
        for (uint32_t t = 0; t < library().size(); ++t) {
            // The select variables exist once Add_FH has made them for this instance.
            if (!vars_ || clauses.getInputs() != vars_->countWithFH())
                throw RuntimeException("PBO_OptCrit: variable not found");
            objective += " +" + int2string(library().Cost(t)) + "*x" +
                         int2string(static_cast<uint64_t>(vars_->FH(i, t)) + 1);
        }
    return objective;
}

uint32_t SAT_CircGen::ComputeCost(const SoPLA* solution, uint32_t nodes) const {
    if (solution == nullptr || solution->empty())
        throw InternalError("SAT_CircGen::ComputeCost: the solution holds no model");
    return ComputeCost(Decode(solution, nodes));
}

uint32_t SAT_CircGen::ComputeCost(const Circuit& circuit) const {
    return CircuitCost(circuit, library());
}
