// What unit tests of the engine's inner steps reach past its interface: they plant clause
// sets and models, and read the search's bookkeeping.
#pragma once

#include "synth/SAT_CircGen.h"

#include <list>

class SAT_CircGenTestAccess {
public:
    static SoPLA& clauses(SAT_CircGen& e) { return e.clauses; }
    static Model& model(SAT_CircGen& e) { return e.SAT_res; }
    static Model& best(SAT_CircGen& e) { return e.bestRes; }
    static std::list<Model>& solutions(SAT_CircGen& e) { return e.solutions; }
    static uint32_t bestNodes(const SAT_CircGen& e) { return e.best_n; }
    static uint32_t bestCost(const SAT_CircGen& e) { return e.best_cost; }
    static uint32_t solutionCount(const SAT_CircGen& e) { return e.sol_no; }
};
using EngineAccess = SAT_CircGenTestAccess;
