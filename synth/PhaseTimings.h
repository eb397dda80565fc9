// Opt-in account of where the wall-clock time of a run goes: deriving the node library,
// building the instance, writing and reading the exchange files, the external solver, and
// decoding and writing solutions.
#pragma once

#include <array>
#include <string>

class PhaseTimings {
public:
    enum Phase { Library, Build, Bound, Files, Solver, Decode, PhaseCount };

    void Add(Phase phase, double seconds) { seconds_[phase] += seconds; }
    double Get(Phase phase) const { return seconds_[phase]; }
    // One external solver run: its wall time is split into the engine's own CPU time
    // (writing the instance, reading the answer: Files) and the rest (Solver).
    void AddSolverRun(double wall, double ownCpu, double childCpu);
    // One run of the embedded solver: all of it is solver time.
    void AddInProcessRun(double wall);
    unsigned SolverRuns() const { return solverRuns_; }
    double SolverCpu() const { return solverCpu_; }

    // "timings: total=... library=... build=... bound=... files=... solver=... decode=...
    // other=...
    // solver_runs=... solver_cpu=...", seconds with three decimals; other is the part of
    // total that no phase accounts for.
    std::string Report(double total) const;

    static double WallNow();
    static double OwnCpuNow();   // user + system time of this process
    static double ChildCpuNow(); // user + system time of the children waited for

    // Adds the wall time of its lifetime to a phase; does nothing without a timings object.
    class Scope {
    public:
        Scope(PhaseTimings* timings, Phase phase);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        PhaseTimings* timings_;
        Phase phase_;
        double start_;
    };

private:
    std::array<double, PhaseCount> seconds_{};
    unsigned solverRuns_ = 0;
    double solverCpu_ = 0.0;
};
