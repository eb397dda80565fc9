// Construction, configuration, gate costs and release of the models held by the engine.
#include "synth/SAT_CircGen.h"

#include "solver/CostCounter.h"
#include "solver/SearchSolver.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <cstdio>

SAT_CircGen::SAT_CircGen(Problem problem, SolverRoute solverRoute)
    : problem_(std::move(problem)), target(problem_.target.get()), k(problem_.Inputs()),
      m(problem_.Outputs()), polyEdges(problem_.polyEdges), allowConst(problem_.constants),
      allowInv(problem_.inversions), diffTopology(problem_.diffTopology),
      fixedN(problem_.presetNodes != 0), route(solverRoute), n(problem_.presetNodes) {
    if (target == nullptr) throw InternalError("an engine without a target function");
    if (problem_.library.empty()) throw InternalError("an engine without a node library");
}

SAT_CircGen::~SAT_CircGen() {
    clean();
}

void SAT_CircGen::clean() {
    clauses.clear();
    if (solver) solver->Reset();
    extras = SolverExtras();
    // Models are shared between SAT_res, bestRes and the solution list; dropping every
    // reference releases each of them exactly once.
    solutions.clear();
    SAT_res.reset();
    bestRes.reset();
}

void SAT_CircGen::set_n(uint32_t value) {
    clean();
    n = value;
}

std::string SAT_CircGen::ProblemFingerprint() const {
    // FNV-1a over the target's value (0, 1, don't care) at every row of every output.
    uint64_t hash = 0xcbf29ce484222325ull;
    const uint32_t width = polyEdges ? k + 1 : k;
    if (target != nullptr && width < 31)
        for (uint8_t v : target->SimulateAll()) {
            hash ^= v > 2 ? 0 : v;
            hash *= 0x100000001b3ull;
        }
    char target[17];
    std::snprintf(target, sizeof target, "%016llx", static_cast<unsigned long long>(hash));
    std::string costs;
    for (uint32_t c : library().Costs())
        costs += (costs.empty() ? "" : ",") + int2string(c);
    return "k=" + int2string(k) + " outputs=" + int2string(m) +
           " nodes=" + int2string(fixedN ? n : 0) + " nodefuncts=" + library().Text() +
           " gatecosts=" + costs + " inversions=" + (allowInv ? "1" : "0") +
           " constants=" + (allowConst ? "1" : "0") + " polyedges=" + (polyEdges ? "1" : "0") +
           " difftopology=" + (diffTopology ? "1" : "0") + " target=" + target;
}
