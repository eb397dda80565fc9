#include "util/mytime.h"

#include <sys/resource.h>

float GetMyCPUTime() {
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    const long sec = ru.ru_utime.tv_sec + ru.ru_stime.tv_sec;
    const long usec = ru.ru_utime.tv_usec + ru.ru_stime.tv_usec;
    return static_cast<float>(sec) + static_cast<float>(usec) * 1e-6f;
}
