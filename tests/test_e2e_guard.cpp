// End-to-end guards of a run: the directory lock that keeps a second run out, the refusal
// of targets that no circuit of the available gates can realise, stop requests and the
// time limit in every phase, the progress line on a terminal, and runs that would exhaust
// the memory.
#include "tests/support/E2eRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <regex>
#include <string>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace testsupport;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Starts the binary in dir, stdout and stderr to fd (to dir/out.txt when -1).
pid_t start(const std::vector<std::string>& args, const std::string& dir, int fd = -1) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (fd < 0) fd = open((dir + "/out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || chdir(dir.c_str()) != 0) _exit(127);
    dup2(fd, 1);
    dup2(fd, 2);
    std::vector<char*> argv{const_cast<char*>(QUILLON_BIN)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(QUILLON_BIN, argv.data());
    _exit(127);
}

// The exit status of pid, or -1 when it does not exit by itself within limit seconds (it is
// killed then).
int exitStatus(pid_t pid, double limit = 600) {
    const Clock::time_point t0 = Clock::now();
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (since(t0) > limit) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

// A run on the external route, or with -continue, holds the directory: a second such run
// there is refused and writes nothing, an embedded run without -continue (no shared file)
// goes ahead, the first completes correctly, and the directory is free again after a run
// that failed.
TEST(E2eGuard, OneRunPerDirectory) {
    TempDir dir;
    // A stand-in solver that announces itself and waits for a go-ahead on its first call.
    writeScript(dir.file("minisat"), "if [ ! -e started ]; then\n  touch started\n"
                                     "  i=0; while [ ! -e release ] && [ $i -lt 600 ]; do\n"
                                     "    sleep 0.05; i=$((i+1)); done\nfi\nexec " +
                                         findOnPath("minisat") + " \"$@\"\n");
    RunResult first;
    std::thread runner([&] {
        first = runQuillon({"-k", "3", "-f", "232", "-save_dot", "m.dot", "-solver", "minisat"},
                           dir.path());
    });
    for (int i = 0; i < 600 && !fileExists(dir.file("started")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::vector<RunResult> refused;
    for (const char* option : {"-solver", "-continue"}) {
        std::vector<std::string> args = {"-k", "2", "-f", "6", "-save_dot", "s.dot", option};
        if (std::string(option) == "-solver") args.push_back("minisat");
        refused.push_back(runQuillon(args, dir.path()));
    }
    const RunResult free = runQuillon({"-k", "2", "-f", "6", "-save_dot", "e.dot"}, dir.path());
    writeFile(dir.file("release"), "");
    runner.join();
    for (const RunResult& second : refused) {
        EXPECT_EQ(second.status, 1);
        EXPECT_TRUE(std::regex_search(
            second.err, std::regex("^Quillon: another run \\(process [0-9]+\\) is using "
                                   "this directory \\(it holds \\.quillon\\.lock\\)")))
            << second.err;
        EXPECT_EQ(second.out, "");
    }
    EXPECT_FALSE(fileExists(dir.file("s.dot")));
    EXPECT_EQ(free.status, 0) << free.err;
    EXPECT_EQ(Mismatch(GateCircuit::FromDot(readFile(dir.file("e.dot")), "8"),
                       Expected::FromNumber(6, 2)),
              "");
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(lastLine(first.out), "Solutions: 1");
    EXPECT_EQ(Mismatch(GateCircuit::FromDot(readFile(dir.file("m.dot")), "8"),
                       Expected::FromNumber(232, 3)),
              "");
    EXPECT_EQ(
        runQuillon({"-k", "2", "-truth", "missing.txt", "-solver", "minisat"}, dir.path()).status,
        1);
    EXPECT_EQ(runQuillon({"-k", "2", "-f", "6", "-solver", "minisat"}, dir.path()).status, 0);
}

// Targets outside a clone that holds all available gates are refused at once; the library,
// -noinv, -noconst and -polyedges all reach the proof.
TEST(E2eGuard, ImpossibleTargetsAreRefused) {
    for (const auto& [args, proof] : std::vector<std::pair<std::string, std::string>>{
             // and / xor keep the all-zero row at 0; 8001 is 1 there.
             {"-k 4 -fh 8001 -nodefuncts 86 -gatecosts 11 -noinv",
              "every gate .* is 0-preserving,"},
             // and without inversions or constants keeps the all-one row at 1.
             {"-k 2 -f 2 -nodefuncts 8E -noinv -noconst", "every gate .* is 1-preserving,"},
             // with P = 0 polymorphic edges vanish: that half (or) needs an ordinary circuit.
             {"-k 2 -f 14 -polyedges -noinv",
              "with P = 0 every gate .* is a conjunction of inputs,"},
             // Row 00 of the second output is 1: and-nodes do not reach it; it is named.
             {"-pla two.pla -noinv", "every gate .* is 0-preserving, .* output bad"},
         }) {
        TempDir dir;
        writeFile(dir.file("two.pla"), ".i 2\n.o 2\n.ob fine bad\n.type fd\n11 11\n00 01\n.e\n");
        const RunResult r = runQuillon(splitFields(args, ' '), dir.path());
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_TRUE(std::regex_match(
            r.err, std::regex("No circuit exists: " + proof + ".* is neither\\.\n")))
            << r.err;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_FALSE(fileExists(dir.file("inst.cnf"))) << args; // no search was started
    }
}

// SIGTERM ends the run within a second whatever it is doing: deriving a large target,
// the impossibility check, the lower-bound problem, building a large instance.
TEST(E2eGuard, StopRequestEndsEveryPhaseWithinASecond) {
    for (const auto& [command, delay] : std::vector<std::pair<std::string, double>>{
             {"-k 14", 0.3}, {"-k 14", 1.5}, {"-k 21 -f 1", 0.5}, {"-k 18 -f 1", 2.0}}) {
        TempDir dir;
        const pid_t pid = start(splitFields(command, ' '), dir.path());
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        const Clock::time_point sent = Clock::now();
        kill(pid, SIGTERM);
        EXPECT_EQ(exitStatus(pid, 5), 143) << command << " after " << delay << " s";
        EXPECT_LT(since(sent), 1.0) << command << " after " << delay << " s";
        // The message says how far the run got.
        const std::string said = readFile(dir.file("out.txt"));
        EXPECT_EQ(said.rfind("Quillon: interrupted by SIGTERM; the run stopped before its end. ", 0),
                  0u)
            << said;
        EXPECT_NE(said.find(" No circuit found yet.\n"), std::string::npos) << said;
    }
}

// -timeout stops a run that would take minutes within a second of the limit, says how far
// it got and exits with 124; solutions written stay, and constr.cnf is a complete save.
TEST(E2eGuard, TimeLimit) {
    for (const bool enumerate : {false, true}) {
        TempDir dir;
        std::vector<std::string> args = splitFields(
            "-k 4 -fh 0117 -nodefuncts 86 -timeout 1.5 -save_blif x.blif -continue", ' ');
        args.push_back(enumerate ? "-enum" : "-nobound");
        const Clock::time_point t0 = Clock::now();
        const RunResult r = runQuillon(args, dir.path());
        const double took = since(t0);
        EXPECT_EQ(r.status, 124) << r.err;
        EXPECT_GE(took, 1.5);
        EXPECT_LT(took, 2.5);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(
            r.err, m,
            std::regex("Quillon: time limit of 1\\.5 s reached; the run stopped before its end\\. "
                       "Proven impossible: 0 to ([0-9]) nodes\\. (No circuit found yet\\.|Best "
                       "circuit found so far: 7 nodes\\. Solutions so far: ([0-9]+)\\.)(.*)\n")))
            << r.err;
        EXPECT_EQ(r.out, "");
        if (!enumerate) {
            EXPECT_EQ(m[2], "No circuit found yet.");
            continue;
        }
        // Solution files of the 7-gate optimum; the last save is of the last or the one
        // before, and the count reported may include one not yet written.
        EXPECT_EQ(m[1], "6");
        size_t files = 0;
        while (fileExists(dir.file("x." + std::to_string(files + 1) + ".blif"))) {
            const BlifCircuit c =
                BlifCircuit::parse(readFile(dir.file("x." + std::to_string(++files) + ".blif")));
            EXPECT_EQ(Mismatch(c, Expected::FromNumber(0x0117, 4)), "");
        }
        ASSERT_GE(files, 1u);
        const std::string saved = stateLines(readFile(dir.file("constr.cnf"))).back();
        EXPECT_TRUE(saved == "c sol_no=" + std::to_string(files) ||
                    saved == "c sol_no=" + std::to_string(files - 1))
            << saved << " with " << files << " files";
        const size_t reported = std::stoul(m[3]);
        EXPECT_TRUE(reported == files || reported == files + 1) << reported;
        EXPECT_EQ(m[4], " constr.cnf holds the constraints of the last completed save; run "
                        "again with -continue to resume.");
    }
}

// On a terminal a status line is drawn at most ten times a second and erased before every
// other output and at the end; what remains is what the run prints without a terminal.
TEST(E2eGuard, ProgressLineOnATerminal) {
    TempDir dir;
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const Clock::time_point t0 = Clock::now();
    const pid_t pid =
        start({"-k", "4", "-fh", "0117", "-nodefuncts", "86", "-gatecosts", "11", "-stats"},
              dir.path(), slave);
    close(slave);
    std::string screen;
    char buf[4096];
    for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) // EIO once the run has ended
        screen.append(buf, static_cast<size_t>(n));
    close(master);
    const double took = since(t0);
    EXPECT_EQ(exitStatus(pid), 0);

    // A drawing is "\r", the text and an erase to the end of the line; it is followed by
    // another drawing or an erase ("\r\x1b[K"), never by other text or the end.
    const std::string text = "quillon: (preparing|writing|[0-9]+ nodes?: (ruling out|solving|"
                             "lowering the cost|enumerating)) \\| ([0-9]+\\.[0-9]) s \\| [0-9]+ "
                             "solutions?";
    const std::regex drawing("\r" + text + "\x1b\\[K");
    double last = -1;
    size_t drawings = 0;
    for (std::sregex_iterator m(screen.begin(), screen.end(), drawing), end; m != end; ++m) {
        ++drawings;
        EXPECT_GT(std::stod((*m)[3]), last) << m->str();
        last = std::stod((*m)[3]);
        EXPECT_EQ(screen.compare(static_cast<size_t>(m->position() + m->length()), 1, "\r"), 0)
            << "text over the progress line: " << screen;
    }
    EXPECT_GE(drawings, 1u) << screen;
    EXPECT_LE(drawings, took * 10 + 1);
    const std::string rest =
        std::regex_replace(screen, std::regex("\r(" + text + ")?\x1b\\[K"), "");
    EXPECT_TRUE(
        std::regex_match(rest, std::regex("Solutions: 1\r\n0117;7;[0-9]+;[0-9]+;[0-9.e-]+\r\n")))
        << rest;
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
