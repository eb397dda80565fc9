// The body of a run once the command line has been read: builds the target, configures
// and runs the synthesis engine, writes the solutions and the statistics.
#pragma once

#include "app/Settings.h"

// Runs the synthesis described by settings; t0 is the process CPU time taken at start-up
// (for the statistics line). Returns the process exit status.
int RunDriver(const Settings& settings, float t0);
