#include "util/mytime.h"

#include <chrono>
#include <sys/resource.h>

namespace {

const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();

} // namespace

float GetMyCPUTime() {
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    const long sec = ru.ru_utime.tv_sec + ru.ru_stime.tv_sec;
    const long usec = ru.ru_utime.tv_usec + ru.ru_stime.tv_usec;
    return static_cast<float>(sec) + static_cast<float>(usec) * 1e-6f;
}

double WallSecondsSinceStart() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - kProcessStart).count();
}
