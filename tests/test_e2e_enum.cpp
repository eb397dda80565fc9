// End-to-end enumeration with the real solvers: numbered files, distinct solutions,
// different topologies, best delay, and continuation of an enumeration stopped by a signal
// or by a solver that died. Enumeration under gate costs is compared between the routes
// (test_e2e_routes).
#include "tests/support/E2eRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

// The and of x0, x1, x2 and not x3 (minterm 7 of four inputs). Three and-nodes realise
// it: as a balanced tree (three ways to pair the four literals, 2 levels) or as a chain
// (4!/2 = 12 orders, 3 levels): 15 solutions.
const std::vector<std::string> kAnd4 = {"-k", "4", "-fh", "80"};
const Expected kAnd4Function = Expected::FromNumber(0x80, 4);
constexpr unsigned kAnd4Solutions = 15;
constexpr unsigned kAnd4Balanced = 3;

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Reads the solutions base.<first>.dot .. base.<last>.dot (and the .aag and .blif files of
// the same numbers when asked), checks each against the expected function and returns the
// DOT circuits.
std::vector<GateCircuit> readSolutions(const TempDir& dir, unsigned first, unsigned last,
                                       const std::string& library, const Expected& expected,
                                       bool aagAndBlif = false) {
    std::vector<GateCircuit> circuits;
    for (unsigned i = first; i <= last; ++i) {
        const std::string n = std::to_string(i);
        const GateCircuit dot =
            GateCircuit::FromDot(readFile(dir.file("s." + n + ".dot")), library);
        EXPECT_EQ(Mismatch(dot, expected), "") << "solution " << i;
        if (aagAndBlif) {
            const GateCircuit aag = GateCircuit::FromAag(readFile(dir.file("s." + n + ".aag")));
            EXPECT_EQ(Mismatch(aag, expected), "") << "solution " << i;
            EXPECT_EQ(aag.Canonical(false), dot.Canonical(false)) << "solution " << i;
            EXPECT_EQ(
                Mismatch(BlifCircuit::parse(readFile(dir.file("s." + n + ".blif"))), expected), "")
                << "solution " << i;
        }
        circuits.push_back(dot);
    }
    return circuits;
}

std::set<std::string> canonicalSet(const std::vector<GateCircuit>& circuits, bool topology) {
    std::set<std::string> set;
    for (const GateCircuit& c : circuits)
        set.insert(c.Canonical(topology));
    return set;
}

unsigned solutionsOf(const RunResult& r) {
    const std::string line = lastLine(r.out);
    const std::string key = "Solutions: ";
    const size_t at = line.find(key);
    EXPECT_NE(at, std::string::npos) << r.out;
    return at == std::string::npos
               ? 0
               : static_cast<unsigned>(std::stoul(line.substr(at + key.size())));
}

// A complete enumeration of the four-input and, as the reference of the other tests.
std::vector<GateCircuit> referenceAnd4() {
    TempDir dir;
    const RunResult r = runQuillon(with(kAnd4, {"-enum", "-save_dot", "s.dot"}), dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(solutionsOf(r), kAnd4Solutions);
    return readSolutions(dir, 1, kAnd4Solutions, "8", kAnd4Function);
}

const std::vector<std::string> kStateAfterTwo = {"c n=3", "c best_cost=3", "c best_n=3",
                                                 "c sol_no=2"};

} // namespace

// Every solution is written under its number, is correct, and no two are alike.
TEST(E2eEnum, EverySolutionNumberedCorrectAndDistinct) {
    TempDir dir;
    const RunResult r = runQuillon(with(kAnd4, {"-enum", "-save_dot", "s.dot", "-save_aag", "s.aag",
                                                "-save_blif", "s.blif", "-enumstats", "-stats"}),
                                   dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(solutionsOf(r), kAnd4Solutions);
    EXPECT_EQ(lastLine(r.out), "Solutions: 15");
    const std::vector<GateCircuit> solutions =
        readSolutions(dir, 1, kAnd4Solutions, "8", kAnd4Function, true);
    EXPECT_EQ(canonicalSet(solutions, false).size(), kAnd4Solutions);
    for (const char* name : {"s.dot", "s.0.dot", "s.16.dot", "s.16.aag", "s.16.blif"})
        EXPECT_FALSE(fileExists(dir.file(name))) << name;

    // One enumeration statistics line per solution, and no statistics line with -enum:
    // function_number;inputs - 1;nodes;xor nodes;levels.
    const std::vector<std::string> lines = splitLines(r.err);
    ASSERT_EQ(lines.size(), kAnd4Solutions) << r.err;
    unsigned balanced = 0;
    for (unsigned i = 0; i < kAnd4Solutions; ++i) {
        const std::string depth = std::to_string(solutions[i].Depth());
        EXPECT_EQ(lines[i], "80_" + std::to_string(i + 1) + ";3;3;0;" + depth);
        if (depth == "2") ++balanced;
    }
    EXPECT_EQ(balanced, kAnd4Balanced);
}

// -difftopology keeps one solution per topology: the topologies of a full enumeration. An
// enumeration with continuation that runs to its end removes its continuation file.
TEST(E2eEnum, DifferentTopologiesOnly) {
    const std::vector<std::string> majority = {"-k", "3", "-f", "232"};
    const Expected expected = Expected::FromNumber(232, 3);
    TempDir all;
    const RunResult full =
        runQuillon(with(majority, {"-enum", "-continue", "-save_dot", "s.dot"}), all.path());
    ASSERT_EQ(full.status, 0) << full.err;
    EXPECT_EQ(lastLine(full.out), "Solutions: 6");
    EXPECT_FALSE(fileExists(all.file("constr.cnf")));
    EXPECT_FALSE(fileExists(all.file("constr.cnf.tmp")));
    const std::vector<GateCircuit> every = readSolutions(all, 1, solutionsOf(full), "8", expected);
    EXPECT_EQ(canonicalSet(every, false).size(), every.size());

    TempDir diff;
    const RunResult r =
        runQuillon(with(majority, {"-enum", "-difftopology", "-save_dot", "s.dot"}), diff.path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<GateCircuit> distinct = readSolutions(diff, 1, solutionsOf(r), "8", expected);
    EXPECT_EQ(canonicalSet(distinct, true).size(), distinct.size()); // pairwise different
    EXPECT_EQ(canonicalSet(distinct, true), canonicalSet(every, true));
    EXPECT_LT(distinct.size(), every.size()); // majority: inversions tell some apart
}

// Best delay picks a solution of the least depth among all optimum solutions; with
// -enum it writes all of them, numbered from 0.
TEST(E2eEnum, BestDelay) {
    const std::vector<GateCircuit> reference = referenceAnd4();
    std::set<std::string> shallowest;
    for (const GateCircuit& c : reference)
        if (c.Depth() == 2) shallowest.insert(c.Canonical(false));
    ASSERT_EQ(shallowest.size(), kAnd4Balanced);

    {
        TempDir dir;
        const RunResult r =
            runQuillon(with(kAnd4, {"-best", "-save_dot", "b.dot", "-stats"}), dir.path());
        ASSERT_EQ(r.status, 0) << r.err;
        const GateCircuit best = GateCircuit::FromDot(readFile(dir.file("b.dot")), "8");
        EXPECT_EQ(Mismatch(best, kAnd4Function), "");
        EXPECT_EQ(best.Depth(), 2u);
        EXPECT_EQ(shallowest.count(best.Canonical(false)), 1u);
        const std::vector<std::string> stats = splitFields(lastLine(r.err), ';');
        ASSERT_EQ(stats.size(), 5u);
        EXPECT_EQ(stats[1], "3");
        EXPECT_EQ(stats[3], "2");
    }
    {
        TempDir dir;
        const RunResult r = runQuillon(
            with(kAnd4, {"-best", "-enum", "-save_dot", "b.dot", "-save_blif", "b.blif", "-stats"}),
            dir.path());
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(lastLine(r.out), "Solutions: 3");
        EXPECT_EQ(r.err.find("80;"), std::string::npos); // no statistics line with -enum
        std::set<std::string> written;
        for (unsigned i = 0; i < kAnd4Balanced; ++i) {
            const std::string n = std::to_string(i);
            const GateCircuit c = GateCircuit::FromDot(readFile(dir.file("b." + n + ".dot")), "8");
            EXPECT_EQ(Mismatch(c, kAnd4Function), "");
            EXPECT_EQ(
                Mismatch(BlifCircuit::parse(readFile(dir.file("b." + n + ".blif"))), kAnd4Function),
                "");
            written.insert(c.Canonical(false));
        }
        EXPECT_EQ(written, shallowest);
        EXPECT_FALSE(fileExists(dir.file("b.3.dot")));
        EXPECT_FALSE(fileExists(dir.file("b.dot")));
    }
}

// SIGTERM during the solver run that looks for the third solution: the run stops, keeps
// the continuation file of the second solution, and a new run resumes from it, counting
// its first solution as the third.
TEST(E2eEnum, ContinuationAfterSigterm) {
    const std::vector<GateCircuit> reference = referenceAnd4();
    TempDir dir;
    installStoppingSolver(dir.path(), 2, SolverStop::Signal);
    const RunResult stopped = runQuillon(with(kAnd4, {"-enum", "-continue", "-save_dot", "s.dot",
                                                      "-enumstats", "-solver", "minisat"}),
                                         dir.path());
    EXPECT_EQ(stopped.status, 128 + 15) << stopped.err;
    EXPECT_NE(
        stopped.err.find(
            "Quillon: interrupted by SIGTERM; the run stopped before its end. Proven impossible: "
            "0 to 2 nodes. Best circuit found so far: 3 nodes. Solutions so far: 2. constr.cnf "
            "holds"),
        std::string::npos)
        << stopped.err;
    EXPECT_EQ(stopped.out.find("Solutions:"), std::string::npos);
    EXPECT_TRUE(fileExists(dir.file("s.2.dot")));
    EXPECT_FALSE(fileExists(dir.file("s.3.dot")));
    EXPECT_FALSE(fileExists(dir.file("constr.cnf.tmp")));
    ASSERT_TRUE(fileExists(dir.file("constr.cnf")));
    EXPECT_EQ(stateLines(readFile(dir.file("constr.cnf"))), kStateAfterTwo);
    const std::string first = readFile(dir.file("s.1.dot"));
    const std::string second = readFile(dir.file("s.2.dot"));

    std::remove(dir.file("minisat").c_str());
    // The file records its problem: another target, library, cost or option is refused
    // with the setting that differs, and nothing is written.
    const std::string saved = readFile(dir.file("constr.cnf"));
    const std::vector<std::pair<std::vector<std::string>, std::string>> foreign = {
        {{"-k", "4", "-fh", "81"}, "target="},
        {{"-k", "3", "-fh", "80"}, "k=4 there, k=3 here"},
        {with(kAnd4, {"-nodefuncts", "86", "-gatecosts", "11"}), "nodefuncts=8 there"},
        {with(kAnd4, {"-noconst"}), "constants=1 there, constants=0 here"},
        {with(kAnd4, {"-difftopology"}), "difftopology=0 there"},
    };
    for (const auto& [args, setting] : foreign) {
        const RunResult r =
            runQuillon(with(args, {"-enum", "-continue", "-save_dot", "t.dot"}), dir.path());
        EXPECT_EQ(r.status, 1) << setting;
        EXPECT_NE(r.err.find("constr.cnf was saved for another problem (" + setting),
                  std::string::npos)
            << r.err;
        EXPECT_FALSE(fileExists(dir.file("t.1.dot")));
        EXPECT_EQ(readFile(dir.file("constr.cnf")), saved);
    }
    // A file without the problem line (written before it was recorded) is resumed.
    std::string old;
    for (const std::string& line : splitLines(saved))
        if (line.rfind("c problem ", 0) != 0) old += line + "\n";
    ASSERT_NE(old, saved);
    writeFile(dir.file("constr.cnf"), old);
    // The embedded route resumes what the external one saved.
    const RunResult resumed = runQuillon(
        with(kAnd4, {"-enum", "-continue", "-save_dot", "s.dot", "-enumstats"}), dir.path());
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(lastLine(resumed.out), "Solutions: 15");
    EXPECT_EQ(splitFields(splitLines(resumed.err).front(), ';')[0], "80_3");
    EXPECT_EQ(splitLines(resumed.err).size(), kAnd4Solutions - 2);
    EXPECT_FALSE(fileExists(dir.file("constr.cnf")));
    EXPECT_EQ(readFile(dir.file("s.1.dot")), first); // not written again
    EXPECT_EQ(readFile(dir.file("s.2.dot")), second);
    const std::vector<GateCircuit> all = readSolutions(dir, 1, kAnd4Solutions, "8", kAnd4Function);
    EXPECT_EQ(canonicalSet(all, false), canonicalSet(reference, false));
}

// A solver interrupted by SIGINT (it answers "INDET") stops the run as the signal does; a
// solver that dies without answering must not let the previous answer pass for a new one:
// the run fails. Either way the continuation file holds the second solution's state, which
// is complete: a resumed run finds the remaining 13 solutions.
TEST(E2eEnum, StoppedOrVanishedSolverLeavesTheLastSave) {
    for (const SolverStop how : {SolverStop::Interrupted, SolverStop::Vanished}) {
        const bool vanished = how == SolverStop::Vanished;
        TempDir dir;
        installStoppingSolver(dir.path(), 2, how);
        const RunResult r = runQuillon(
            with(kAnd4, {"-enum", "-continue", "-save_dot", "s.dot", "-solver", "minisat"}),
            dir.path());
        EXPECT_EQ(r.status, vanished ? 1 : 128 + 2) << r.err;
        const std::string message =
            vanished ? "Runtime Exception: the solver left no result file SAT_result.cnf\n"
                     : "Quillon: interrupted by SIGINT; the run stopped before its end. "
                       "Proven impossible: 0 to 2 nodes. Best circuit found so far: 3 nodes. "
                       "Solutions so far: 2. constr.cnf holds";
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(stateLines(readFile(dir.file("constr.cnf"))), kStateAfterTwo);
        EXPECT_FALSE(fileExists(dir.file("s.3.dot")));
        if (!vanished) continue;
        std::remove(dir.file("minisat").c_str());
        const RunResult resumed =
            runQuillon(with(kAnd4, {"-enum", "-continue", "-save_dot", "s.dot"}), dir.path());
        ASSERT_EQ(resumed.status, 0) << resumed.err;
        EXPECT_EQ(lastLine(resumed.out), "Solutions: 15");
        const std::vector<GateCircuit> all =
            readSolutions(dir, 1, kAnd4Solutions, "8", kAnd4Function);
        EXPECT_EQ(canonicalSet(all, false).size(), kAnd4Solutions);
    }
}
