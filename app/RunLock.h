// The advisory lock that keeps two runs out of one directory. Every exchange file of a run
// (inst.cnf, SAT_result.cnf, inst.opb, PBO_result.pbo, constr.cnf, the library files) has
// a fixed name in the current directory, so two runs there would read each other's
// answers. A run holds an exclusive flock(2) on the file ".quillon.lock" from start to end;
// the lock goes with the process (and with a solver it started, until that ends), and the
// file itself stays in place.
#pragma once

#include <string>

class RunLock {
public:
    static constexpr const char* kFileName = ".quillon.lock";

    RunLock() = default;
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the lock of the current directory without waiting. On failure returns false
    // and sets message: another run holds it, or the lock file cannot be created.
    bool TryAcquire(std::string& message);
    bool Held() const { return fd_ >= 0; }
    void Release();

private:
    int fd_ = -1;
};
