// Solver runs on the instance and the models they give: the embedded route (CaDiCaL
// in-process) or the external route (minisat and minisat+ through exchange files), the
// external answer files, and the readable listing of a model.
#include "synth/SAT_CircGen.h"

#include "solver/EmbeddedSolver.h"
#include "solver/MinisatSolver.h"
#include "util/Step.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <fstream>

namespace {

// One term holding the assigned values, built in increasing position order. A solver that
// names a variable beyond the instance gave a damaged answer.
Model buildModel(const SoPLA& shape, SearchSolver::Assignment& values) {
    std::stable_sort(values.begin(), values.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Cube term;
    term.init_sparse(shape.getInputs());
    for (const auto& [var, value] : values) {
        if (var > shape.getInputs())
            throw RuntimeException("the solver's answer gives variable " + int2string(var) +
                                   " of an instance of " + int2string(shape.getInputs()));
        term.setLit(var - 1, value);
    }
    auto model = std::make_shared<SoPLA>(&shape);
    model->AppendTerm(term);
    return model;
}

// The step of a solver run, for the message when memory runs out.
std::string solvingStep(const SoPLA& cnf, uint32_t n) {
    return "solving the instance for n = " + int2string(n) + ": " + withCommas(cnf.getInputs()) +
           " variables, " + withCommas(cnf.getTermCount()) + " clauses";
}

} // namespace

SearchSolver& SAT_CircGen::Solver() {
    if (!solver) {
        if (route == SolverRoute::Embedded)
            solver = std::make_unique<EmbeddedSolver>();
        else
            solver = std::make_unique<MinisatSolver>();
    }
    return *solver;
}

// The message names are the classic ones: RunSAT reports a held model under the name of
// ReadSATResult, and so does ReadPBOResult (kept, as every quoted message is).
void SAT_CircGen::RunSAT(bool pbo) {
    if (SAT_res)
        throw InternalError("a solver answer was read while the previous one was still held");
    if (!pbo) {
        SolveWith({});
        return;
    }
    const Step step(solvingStep(clauses, n));
    std::optional<SearchSolver::Assignment> answer = Solver().Optimize(clauses, PBO_OptCrit());
    if (answer) SAT_res = buildModel(clauses, *answer);
}

void SAT_CircGen::SolveWith(const std::vector<int>& assumptions) {
    if (SAT_res)
        throw InternalError("a solver answer was read while the previous one was still held");
    const Step step(solvingStep(clauses, n));
    std::optional<SearchSolver::Assignment> answer = Solver().Solve(clauses, assumptions);
    if (answer) SAT_res = buildModel(clauses, *answer);
}

void SAT_CircGen::ReadSATResult(const std::string& file) {
    if (SAT_res)
        throw InternalError("a solver answer was read while the previous one was still held");
    std::optional<SearchSolver::Assignment> answer = MinisatSolver::ReadSatAnswer(file);
    if (answer) SAT_res = buildModel(clauses, *answer);
}

void SAT_CircGen::ReadPBOResult(const std::string& file) {
    if (!std::ifstream(file))
        throw RuntimeException("the optimizer left no result file PBO_result.pbo");
    if (SAT_res)
        throw InternalError("a solver answer was read while the previous one was still held");
    std::optional<SearchSolver::Assignment> answer =
        MinisatSolver::ReadPboAnswer(file, clauses.getInputs());
    if (answer) SAT_res = buildModel(clauses, *answer);
}

void SAT_CircGen::SaveSATRes(const SoPLA* model, const std::string& file) const {
    std::ofstream out(file, std::ios::trunc);
    if (!out) throw RuntimeException("cannot create the model log " + file);
    if (model == nullptr || model->empty()) return;
    for (const auto& [pos, lit] : model->begin()->specified())
        out << model->getIName(pos) << " = " << (lit == Lit_1 ? "1" : "0") << '\n';
}
