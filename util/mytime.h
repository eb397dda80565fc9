// Process CPU time.
#pragma once

// User plus system CPU time of this process, in seconds.
float GetMyCPUTime();
