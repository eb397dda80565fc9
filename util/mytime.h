// Process CPU time and wall-clock time.
#pragma once

// User plus system CPU time of this process, in seconds (every thread counted).
float GetMyCPUTime();

// Wall-clock seconds since the process started (measured from static initialisation,
// before main runs).
double WallSecondsSinceStart();
