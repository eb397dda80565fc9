#include "app/RunDriver.h"

#include <iostream>

// This build carries the command-line front end only: the synthesis engine is not linked
// in yet, so a run that gets past the command line is refused.
int RunDriver(const Settings& /*settings*/, float /*t0*/) {
    std::cerr << "Quillon: synthesis is not available in this build" << std::endl;
    return 1;
}
