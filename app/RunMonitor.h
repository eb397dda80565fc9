// A thread that watches a run from the side: it enforces the time limit (-timeout), draws
// the progress line, and makes sure that a stop request (a signal or the time limit) ends
// the run promptly.
//
// The run itself polls the stop request at every solver run, row by row while building
// instances and reading targets, and between the files it writes; a running solver is
// stopped at once. Some steps (deriving the lower-bound problem, writing a large instance
// file) do not poll. When the run has not ended within kGrace of the request, the monitor
// ends the process itself, with the same message and status the run would have given,
// after any solution file being written is complete. Nothing is lost by that: constr.cnf
// is only ever replaced by a rename, and the exchange files are rewritten by every run.
#pragma once

#include "app/ProgressLine.h"
#include "app/Settings.h"
#include "synth/SearchProgress.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>

class RunMonitor {
public:
    // The signal number a stop on the time limit is recorded with.
    static constexpr int kTimeLimitSignal = SIGALRM;
    static constexpr std::chrono::milliseconds kGrace{300};

    RunMonitor(const Settings& settings, const SearchProgress& progress, ProgressLine& line);
    ~RunMonitor(); // Stop()
    RunMonitor(const RunMonitor&) = delete;
    RunMonitor& operator=(const RunMonitor&) = delete;

    // Ends the thread; the monitor then neither draws nor ends the process.
    void Stop();

    // The message (one line, with its line end) and the exit status of a run stopped
    // before its end by the signal signo (kTimeLimitSignal: the time limit):
    //   "Quillon: interrupted by SIGTERM; the run stopped before its end." (status 128 +
    //   signo), or "Quillon: time limit of <S> s reached; the run stopped before its end."
    //   (status 124), followed by how far the search got: the node counts proven
    //   impossible, the best circuit found and the solutions counted so far;
    // with -continue and a constr.cnf present, a last sentence says how to resume.
    static std::string StopMessage(const Settings& settings, const SearchProgress& progress,
                                   int signo);
    static int StopStatus(int signo) { return signo == kTimeLimitSignal ? 124 : 128 + signo; }

    // Marks the writing of a solution file: the progress line stays erased and a forced
    // end waits until the file is complete.
    class Writing {
    public:
        explicit Writing(RunMonitor& monitor);
        ~Writing();
        Writing(const Writing&) = delete;
        Writing& operator=(const Writing&) = delete;

    private:
        RunMonitor& monitor_;
    };

private:
    void run();

    const Settings& settings_;
    const SearchProgress& progress_;
    ProgressLine& line_;
    const std::chrono::steady_clock::time_point start_;
    std::atomic<int> writing_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
