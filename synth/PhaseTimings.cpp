#include "synth/PhaseTimings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuOf(int who) {
    struct rusage usage {};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

} // namespace

void PhaseTimings::AddSolverRun(double wall, double ownCpu, double childCpu) {
    const double own = std::clamp(ownCpu, 0.0, wall);
    seconds_[Files] += own;
    seconds_[Solver] += wall - own;
    solverCpu_ += childCpu;
    ++solverRuns_;
}

void PhaseTimings::AddInProcessRun(double wall) {
    seconds_[Solver] += wall;
    ++solverRuns_;
}

std::string PhaseTimings::Report(double total) const {
    double accounted = 0.0;
    for (double s : seconds_)
        accounted += s;
    char line[320];
    std::snprintf(line, sizeof line,
                  "timings: total=%.3f library=%.3f build=%.3f bound=%.3f files=%.3f "
                  "solver=%.3f decode=%.3f other=%.3f solver_runs=%u solver_cpu=%.3f",
                  total, seconds_[Library], seconds_[Build], seconds_[Bound], seconds_[Files],
                  seconds_[Solver], seconds_[Decode], std::max(0.0, total - accounted), solverRuns_,
                  solverCpu_);
    return line;
}

double PhaseTimings::WallNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double PhaseTimings::OwnCpuNow() {
    return cpuOf(RUSAGE_SELF);
}

double PhaseTimings::ChildCpuNow() {
    return cpuOf(RUSAGE_CHILDREN);
}

PhaseTimings::Scope::Scope(PhaseTimings* timings, Phase phase)
    : timings_(timings), phase_(phase), start_(timings ? WallNow() : 0.0) {}

PhaseTimings::Scope::~Scope() {
    if (timings_) timings_->Add(phase_, WallNow() - start_);
}
