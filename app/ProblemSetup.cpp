#include "app/ProblemSetup.h"

#include "synth/TwoLevelMinimizer.h"

SolverRoute RouteOf(const Settings& s) {
    return s.externalSolver ? SolverRoute::Minisat : SolverRoute::Embedded;
}

Problem ProblemOf(const Settings& s, std::shared_ptr<const PLA> target) {
    Problem p;
    p.target = std::move(target);
    // The built-in minimizer works in memory and writes no file; an external espresso is
    // used only on the external route.
    const TwoLevelMinimizer minimizer = RouteOf(s) == SolverRoute::Embedded
                                            ? TwoLevelMinimizer(TwoLevelMinimizer::Kind::BuiltIn)
                                            : TwoLevelMinimizer::Locate();
    p.library = Library(s.nodeFuncts, s.gateCosts.value_or(""), minimizer);
    p.inversions = s.invertedEdges;
    p.constants = s.constants;
    p.polyEdges = s.polyedges;
    p.diffTopology = s.diffTopology;
    p.presetNodes = s.n;
    return p;
}
