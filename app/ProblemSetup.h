// The one place where a run's settings become the engine's problem: the node library with
// its gate costs (covers from the minimizer of the run's route), inversions, constants,
// polymorphic edges, the topology option and a preset node count.
#pragma once

#include "app/Settings.h"
#include "synth/Problem.h"

#include <memory>

// The route the settings choose.
SolverRoute RouteOf(const Settings& settings);

// The problem of target under settings. RuntimeException for a library or gate costs that
// the engine cannot take.
Problem ProblemOf(const Settings& settings, std::shared_ptr<const PLA> target);
