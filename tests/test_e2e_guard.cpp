// End-to-end guards of a run: the directory lock that keeps a second run out, the refusal
// of targets that no circuit of the available gates can realise, and runs that would
// exhaust the memory.
#include "tests/support/E2eRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace testsupport;

namespace {

// Holds the lock file of a directory the way a run does.
class HeldLock {
public:
    HeldLock(const std::string& dir, const std::string& pid) {
        fd_ = open((dir + "/.quillon.lock").c_str(), O_RDWR | O_CREAT, 0644);
        locked_ = fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0;
        if (locked_ && ftruncate(fd_, 0) == 0)
            locked_ = write(fd_, pid.data(), pid.size()) == static_cast<ssize_t>(pid.size());
    }
    ~HeldLock() {
        if (fd_ >= 0) close(fd_);
    }
    bool locked() const { return locked_; }

private:
    int fd_ = -1;
    bool locked_ = false;
};

bool waitForFile(const std::string& path) {
    for (int i = 0; i < 600; ++i) {
        if (fileExists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

const std::string kLockRefusal = "is using this directory (it holds .quillon.lock)";

} // namespace

TEST(E2eGuard, LockedDirectoryRefusesTheRun) {
    TempDir dir;
    {
        HeldLock lock(dir.path(), "4242\n");
        ASSERT_TRUE(lock.locked());
        // The external route and continuation use fixed file names: refused.
        for (const char* option : {"-solver", "-continue"}) {
            std::vector<std::string> args = {"-k", "2", "-f", "6", "-save_dot", "s.dot", option};
            if (std::string(option) == "-solver") args.push_back("minisat");
            const RunResult r = runQuillon(args, dir.path());
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.err.find("Quillon: another run (process 4242) " + kLockRefusal),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(r.out, "");
            EXPECT_FALSE(fileExists(dir.file("inst.cnf")));
            EXPECT_FALSE(fileExists(dir.file("s.dot")));
        }
        // The embedded route writes no shared file and takes no lock.
        const RunResult free = runQuillon({"-k", "2", "-f", "6"}, dir.path());
        EXPECT_EQ(free.status, 0) << free.err;
    }
    // Released: the directory is free again, also after a run that ended in an error.
    const RunResult failed = runQuillon({"-k", "2", "-truth", "missing.txt"}, dir.path());
    EXPECT_EQ(failed.status, 1);
    const RunResult r =
        runQuillon({"-k", "2", "-f", "6", "-save_dot", "s.dot", "-solver", "minisat"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lastLine(r.out), "Solutions: 1");
    EXPECT_TRUE(fileExists(dir.file(".quillon.lock")));
}

// Two real runs in one directory: the second is refused while the first is in its solver,
// and the first still completes correctly.
TEST(E2eGuard, ConcurrentRunsInOneDirectory) {
    TempDir dir;
    // A stand-in solver that announces itself and waits for a go-ahead on its first call.
    writeFile(dir.file("minisat"), "#!/bin/sh\n"
                                   "if [ ! -e started ]; then\n"
                                   "  touch started\n"
                                   "  i=0\n"
                                   "  while [ ! -e release ] && [ $i -lt 600 ]; do\n"
                                   "    sleep 0.05; i=$((i+1))\n"
                                   "  done\n"
                                   "fi\n"
                                   "exec " +
                                       findOnPath("minisat") + " \"$@\"\n");
    chmod(dir.file("minisat").c_str(), 0755);

    RunResult first;
    std::thread runner([&] {
        first = runQuillon({"-k", "3", "-f", "232", "-save_dot", "m.dot", "-solver", "minisat"},
                           dir.path());
    });
    const bool started = waitForFile(dir.file("started"));
    const RunResult second = runQuillon({"-k", "2", "-f", "6", "-solver", "minisat"}, dir.path());
    writeFile(dir.file("release"), "");
    runner.join();
    ASSERT_TRUE(started);

    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find(kLockRefusal), std::string::npos) << second.err;
    EXPECT_NE(second.err.find("(process "), std::string::npos) << second.err;
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(lastLine(first.out), "Solutions: 1");
    EXPECT_EQ(Mismatch(GateCircuit::FromDot(readFile(dir.file("m.dot")), "8"),
                       Expected::FromNumber(232, 3)),
              "");
}

// Targets outside every clone that holds all available gates are refused at once.
TEST(E2eGuard, ImpossibleTargetsAreRefused) {
    struct Case {
        std::vector<std::string> args;
        std::string property;
        std::string output;
        bool halfWithP0 = false; // the proof is about the half of the target with P = 0
    };
    const std::vector<Case> cases = {
        // and / xor keep the all-zero row at 0; 8001 is 1 there.
        {{"-k", "4", "-fh", "8001", "-nodefuncts", "86", "-gatecosts", "11", "-noinv"},
         "0-preserving",
         "y0"},
        // and without inversions or constants keeps the all-one row at 1.
        {{"-k", "2", "-f", "2", "-nodefuncts", "8E", "-gatecosts", "11", "-noinv", "-noconst"},
         "1-preserving",
         "y0"},
        // and / or with the constant 0 are monotone; x0 and not x1 is not.
        {{"-k", "2", "-f", "2", "-nodefuncts", "8E", "-gatecosts", "11", "-noinv"},
         "monotone",
         "y0"},
        // a projection and its inversion are self-dual; and is not, nor is nand.
        {{"-k", "2", "-f", "8", "-nodefuncts", "C", "-noconst"}, "self-dual", "y0"},
        // exclusive-or alone builds only exclusive-ors of inputs.
        {{"-k", "2", "-f", "8", "-nodefuncts", "6", "-noinv", "-noconst"}, "affine", "y0"},
        // and alone builds only conjunctions: no or.
        {{"-k", "2", "-f", "14", "-noinv"}, "a conjunction of inputs", "y0"},
        // or alone builds only disjunctions: no and.
        {{"-k", "2", "-f", "8", "-nodefuncts", "E", "-noinv"}, "a disjunction of inputs", "y0"},
        // polymorphic edges add the exclusive-or with P, still 0-preserving: the row with
        // x0 = P = 0 cannot be 1.
        {{"-k", "1", "-f", "1", "-polyedges", "-noinv"}, "0-preserving", "y0"},
        // a and not b alone: every signal is 1 only where some input is 1; or is not.
        {{"-k", "2", "-f", "14", "-nodefuncts", "4", "-noinv"},
         "1 only where a certain input is 1",
         "y0"},
        // with P = 0 polymorphic edges vanish: that half (or) needs an ordinary circuit.
        {{"-k", "2", "-f", "14", "-polyedges", "-noinv"}, "a conjunction of inputs", "y0", true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const RunResult r = runQuillon(c.args, dir.path());
        const std::string what = c.args[3] + " " + c.property;
        EXPECT_EQ(r.status, 1) << what;
        const std::string line = lastLine(r.err);
        EXPECT_EQ(line.rfind("No circuit exists: ", 0), 0u) << what << ": " << r.err;
        EXPECT_EQ(line.rfind("No circuit exists: with P = 0 every gate", 0) == 0, c.halfWithP0)
            << line;
        EXPECT_NE(line.find(" is " + c.property + ","), std::string::npos) << what << ": " << line;
        EXPECT_NE(line.find("output " + c.output + " is neither."), std::string::npos) << line;
        EXPECT_EQ(r.out.find("Solutions:"), std::string::npos) << what;
        EXPECT_FALSE(fileExists(dir.file("inst.cnf"))) << what; // no search was started
    }
}

// Don't cares count for the target: a completion within reach is no reason to refuse.
TEST(E2eGuard, DontCaresAndPresetCountsAreNotRefused) {
    TempDir dir;
    // Only and-nodes, no inversions. Row 00 undecided: and of both inputs fits.
    writeFile(dir.file("dc.pla"), ".i 2\n.o 1\n.type fd\n11 1\n00 -\n.e\n");
    const RunResult r = runQuillon({"-pla", "dc.pla", "-noinv", "-save_dot", "d.dot"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lastLine(r.out), "Solutions: 1");
    const GateCircuit c = GateCircuit::FromDot(readFile(dir.file("d.dot")), "8");
    EXPECT_EQ(c.gateCount(), 1u);
    EXPECT_EQ(Mismatch(c, Expected::FromFunctions(2, false, {[](uint32_t row) {
                                                      return row == 0 ? Expected::DontCare
                                                                      : (row == 3 ? 1 : 0);
                                                  }})),
              "");

    // Row 00 set to 1: nothing of and-nodes reaches it; the second output is named.
    writeFile(dir.file("two.pla"), ".i 2\n.o 2\n.ob fine bad\n.type fd\n11 11\n00 01\n.e\n");
    const RunResult refused = runQuillon({"-pla", "two.pla", "-noinv"}, dir.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(lastLine(refused.err).find("output bad is neither."), std::string::npos)
        << refused.err;

    // A preset node count ends by itself: such runs are left alone.
    const RunResult preset = runQuillon({"-k", "4", "-fh", "8001", "-nodefuncts", "86",
                                         "-gatecosts", "11", "-noinv", "-n", "2", "-stats"},
                                        dir.path());
    EXPECT_EQ(preset.status, 0) << preset.err;
    EXPECT_EQ(lastLine(preset.out), "Solutions: 0");
    EXPECT_EQ(lastLine(preset.err).rfind("8001;;;;", 0), 0u) << preset.err;
}

// Under a 300 MB address-space limit (set for the run by the shell): an instance whose
// estimate does not fit is refused before it is built, with the estimate; a target that
// does not fit runs out of memory while it is built. Either way a message that names the
// step, status 1, and no output file.
TEST(E2eGuard, ExhaustionNamesTheStep) {
    struct Case {
        std::string args;
        std::string message;
    };
    const Case cases[] = {
        {"-k 12 -fh 6996 -n 40", "out of memory building the instance for n = 40: 4,096 rows × 40 "
                                 "nodes, about "},
        {"-k 24 -f 5", "out of memory building the target for 24 inputs: 16,777,216 truth-table "
                       "rows"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string cmd = "cd '" + dir.path() + "' && ulimit -v 300000 && exec '" +
                                QUILLON_BIN + "' " + c.args +
                                " -save_blif s.blif > out.txt 2> err.txt";
        const int status = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << c.args;
        EXPECT_EQ(WEXITSTATUS(status), 1) << c.args;
        const std::string err = readFile(dir.file("err.txt"));
        EXPECT_EQ(err.rfind(c.message, 0), 0u) << err;
        EXPECT_EQ(err.find("terminate called"), std::string::npos) << err;
        EXPECT_FALSE(fileExists(dir.file("s.blif"))) << c.args;
    }
}
