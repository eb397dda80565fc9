// End-to-end runs of the program with the real solvers: single solutions, the files they
// are written to, the result and statistics lines, the target sources and the options that
// shape the circuit. Every file written is read back and simulated against the target.
#include "tests/support/E2eRun.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

// Runs the program in dir and expects it to end normally with a solution count.
RunResult runOk(const std::vector<std::string>& args, const std::string& dir) {
    RunResult r = runQuillon(args, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    return r;
}

GateCircuit dotOf(const TempDir& dir, const std::string& name, const std::string& library) {
    return GateCircuit::FromDot(readFile(dir.file(name)), library);
}

GateCircuit aagOf(const TempDir& dir, const std::string& name) {
    return GateCircuit::FromAag(readFile(dir.file(name)));
}

BlifCircuit blifOf(const TempDir& dir, const std::string& name) {
    return BlifCircuit::parse(readFile(dir.file(name)));
}

// The statistics line: the last line of the standard error stream, as fields.
std::vector<std::string> statsOf(const RunResult& r) {
    return splitFields(lastLine(r.err), ';');
}

size_t xorGates(const GateCircuit& c) {
    size_t count = 0;
    for (const auto& g : c.gates())
        if (g.function == 0x6) ++count;
    return count;
}

size_t polyEdges(const GateCircuit& c) {
    size_t count = 0;
    for (const auto& g : c.gates())
        count += (g.port[0].poly ? 1 : 0) + (g.port[1].poly ? 1 : 0);
    for (const auto& o : c.outputs())
        count += o.poly ? 1 : 0;
    return count;
}

bool anyInversion(const GateCircuit& c) {
    for (const auto& g : c.gates())
        if (g.port[0].inverted || g.port[1].inverted) return true;
    for (const auto& o : c.outputs())
        if (o.inverted) return true;
    return false;
}

} // namespace

// The example run of the overview, and the files it leaves in its directory: the netlist
// alone on the embedded route; the solver's exchange files and the lock on the external one.
TEST(E2eRuns, ThreeInputXorToBlifWithStatistics) {
    for (const bool external : {false, true}) {
        TempDir dir;
        std::vector<std::string> args = {"-k", "3", "-f", "150", "-save_blif", "s.blif", "-stats"};
        if (external) args.insert(args.end(), {"-solver", "minisat"});
        const RunResult r = runOk(args, dir.path());
        EXPECT_EQ(lastLine(r.out), "Solutions: 1");
        const std::vector<std::string> stats = statsOf(r);
        ASSERT_EQ(stats.size(), 5u) << r.err;
        EXPECT_EQ(stats[0], "150");
        EXPECT_EQ(stats[1], "6"); // the exclusive-or of three inputs takes 6 and-nodes
        EXPECT_EQ(stats[2], "0");
        EXPECT_GE(std::stod(stats[4]), 0.0);

        const BlifCircuit blif = blifOf(dir, "s.blif");
        EXPECT_EQ(Mismatch(blif, Expected::FromNumber(150, 3)), "");
        EXPECT_EQ(blif.model(), "fnct");
        EXPECT_EQ(blif.inputs(), (std::vector<std::string>{"x0", "x1", "x2"}));
        EXPECT_EQ(blif.outputs(), (std::vector<std::string>{"y0"}));

        // No library file stays, and no continuation file is written without -continue.
        const std::set<std::string> left =
            external
                ? std::set<std::string>{".quillon.lock", "SAT_result.cnf", "inst.cnf", "s.blif"}
                : std::set<std::string>{"s.blif"};
        EXPECT_EQ(listDir(dir.path()), left);
    }
}

// Every writer describes the same circuit, and the statistics describe it too.
TEST(E2eRuns, AllWritersDescribeTheSameMajorityCircuit) {
    TempDir dir;
    const RunResult r = runOk({"-k", "3", "-f", "232", "-save_dot", "m.dot", "-save_aag", "m.aag",
                               "-save_aig", "m.aig", "-save_blif", "m.blif", "-stats"},
                              dir.path());
    const Expected majority = Expected::FromNumber(232, 3);
    const GateCircuit dot = dotOf(dir, "m.dot", "8");
    const GateCircuit aag = aagOf(dir, "m.aag");
    EXPECT_EQ(Mismatch(dot, majority), "");
    EXPECT_EQ(Mismatch(aag, majority), "");
    EXPECT_EQ(Mismatch(blifOf(dir, "m.blif"), majority), "");
    EXPECT_EQ(dot.gateCount(), 4u); // majority of three: 4 and-nodes
    EXPECT_EQ(dot.Canonical(false), aag.Canonical(false));
    // The binary AIGER file goes to the plain name too.
    EXPECT_EQ(readFile(dir.file("m.aig")).rfind("aig 7 3 0 1 4\n", 0), 0u);

    const std::vector<std::string> stats = statsOf(r);
    ASSERT_EQ(stats.size(), 5u);
    EXPECT_EQ(stats[1], std::to_string(dot.gateCount()));
    EXPECT_EQ(stats[2], "0");
    EXPECT_EQ(stats[3], std::to_string(dot.Depth()));
}

// Known optimum node counts and exclusive-or counts, on both routes; where inversions or
// constants are forbidden the circuit uses none. The search starts at n = 0, so one node
// less has no solution.
TEST(E2eRuns, KnownOptimumNodeCounts) {
    struct Case {
        const char* args;
        const char* library;
        uint32_t f, k;
        unsigned nodes;
        int xors; // -1: any
    };
    const Case cases[] = {
        {"-k 2 -f 6", "8", 6, 2, 3, 0},
        {"-k 4 -fh 6996 -nodefuncts 86", "86", 0x6996, 4, 3, 3},
        {"-k 4 -fh 0117 -nodefuncts 86", "86", 0x0117, 4, 7, -1},
        {"-k 2 -f 6 -nodefuncts 7 -noinv -noconst", "7", 6, 2, 4, 0}, // NAND alone
        {"-k 3 -f 128 -noinv", "8", 128, 3, 2, 0},
        {"-k 3 -f 150 -nodefuncts 86 -noinv", "86", 150, 3, 2, 2},
        {"-k 3 -f 150 -noconst", "8", 150, 3, 6, 0},
    };
    for (const Case& c : cases)
        for (const char* route : {"embedded", "minisat"}) {
            SCOPED_TRACE(std::string(c.args) + " " + route);
            TempDir dir;
            std::vector<std::string> args = splitFields(c.args, ' ');
            args.insert(args.end(), {"-save_dot", "c.dot", "-stats", "-solver", route});
            const RunResult r = runOk(args, dir.path());
            const GateCircuit circuit = dotOf(dir, "c.dot", c.library);
            EXPECT_EQ(Mismatch(circuit, Expected::FromNumber(c.f, c.k)), "");
            EXPECT_EQ(circuit.gateCount(), c.nodes);
            const std::string text(c.args);
            if (text.find("-noinv") != std::string::npos) {
                EXPECT_FALSE(anyInversion(circuit));
            }
            if (text.find("-noconst") != std::string::npos) {
                EXPECT_FALSE(circuit.usesConstant());
                EXPECT_EQ(readFile(dir.file("c.dot")).find("N_0 "), std::string::npos);
            }
            const std::vector<std::string> stats = statsOf(r);
            ASSERT_EQ(stats.size(), 5u);
            EXPECT_EQ(stats[1], std::to_string(c.nodes));
            if (c.xors >= 0) {
                EXPECT_EQ(stats[2], std::to_string(c.xors));
            }
            EXPECT_EQ(stats[2], std::to_string(xorGates(circuit)));
            EXPECT_EQ(stats[3], std::to_string(circuit.Depth()));
        }
}

// Differing gate costs: the cost search trades nodes for cheaper gates. The embedded route
// returns the cheapest circuit of any size; the external one stops at the first count with
// no cheaper circuit.
TEST(E2eRuns, GateCostsSteerTheSearch) {
    for (const bool external : {false, true}) {
        // Exclusive-or gates of cost 2: two of them (cost 4) beat six and-nodes (cost 6).
        TempDir dir;
        std::vector<std::string> args = {
            "-k", "3",         "-f",    "150",       "-nodefuncts", "86",    "-gatecosts",
            "12", "-save_dot", "c.dot", "-save_aag", "c.aag",       "-stats"};
        if (external) args.insert(args.end(), {"-solver", "minisat"});
        const RunResult r = runOk(args, dir.path());
        const GateCircuit dot = dotOf(dir, "c.dot", "86");
        EXPECT_EQ(Mismatch(dot, Expected::FromNumber(150, 3)), "");
        EXPECT_EQ(Mismatch(aagOf(dir, "c.aag"), Expected::FromNumber(150, 3)), "");
        EXPECT_EQ(dot.gateCount(), 2u);
        EXPECT_EQ(xorGates(dot), 2u);
        EXPECT_EQ(statsOf(r)[1], "2");
        EXPECT_EQ(fileExists(dir.file("inst.opb")), external); // the optimizer's instance
    }
    {
        // Exclusive-or gates of cost 9: six and-nodes (cost 6) are the cheapest circuit.
        TempDir dir;
        const RunResult r = runOk({"-k", "3", "-f", "150", "-nodefuncts", "86", "-gatecosts", "19",
                                   "-save_dot", "c.dot", "-stats"},
                                  dir.path());
        const GateCircuit dot = dotOf(dir, "c.dot", "86");
        EXPECT_EQ(Mismatch(dot, Expected::FromNumber(150, 3)), "");
        EXPECT_EQ(dot.gateCount(), 6u);
        EXPECT_EQ(xorGates(dot), 0u);
    }
    {
        // The external route: two exclusive-ors cost 18; with three nodes the optimizer finds
        // nothing cheaper (19), with four one exclusive-or and three and-nodes cost 12, and
        // with five no circuit of and-nodes alone exists, which ends the search.
        TempDir dir;
        const RunResult r = runOk({"-k", "3", "-f", "150", "-nodefuncts", "86", "-gatecosts", "19",
                                   "-save_dot", "c.dot", "-stats", "-solver", "minisat"},
                                  dir.path());
        const GateCircuit dot = dotOf(dir, "c.dot", "86");
        EXPECT_EQ(Mismatch(dot, Expected::FromNumber(150, 3)), "");
        EXPECT_EQ(dot.gateCount(), 4u);
        EXPECT_EQ(xorGates(dot), 1u);
        EXPECT_EQ(statsOf(r)[1], "4");
        EXPECT_EQ(statsOf(r)[2], "1");
    }
}

// -truth with a function number writes the table; without one it reads it.
TEST(E2eRuns, TruthTableWrittenThenRead) {
    TempDir dir;
    runOk({"-k", "3", "-f", "105", "-truth", "t.txt", "-save_dot", "a.dot"}, dir.path());
    EXPECT_EQ(readFile(dir.file("t.txt")), "01101001\n");
    EXPECT_EQ(Mismatch(dotOf(dir, "a.dot", "8"), Expected::FromNumber(105, 3)), "");

    // A table of another function, in hexadecimal, read back.
    writeFile(dir.file("t.txt"), "e8\n");
    const RunResult r =
        runOk({"-k", "3", "-truth", "t.txt", "-save_dot", "b.dot", "-stats"}, dir.path());
    EXPECT_EQ(Mismatch(dotOf(dir, "b.dot", "8"), Expected::FromNumber(0xe8, 3)), "");
    EXPECT_EQ(statsOf(r)[0], "t.txt"); // the table read names the function
    EXPECT_EQ(readFile(dir.file("t.txt")), "e8\n");
}

// A two-output PLA with don't cares: the outputs agree with it wherever it cares.
TEST(E2eRuns, MultiOutputPlaWithDontCares) {
    TempDir dir;
    // s: a xor b, don't care when c = 1; t: a and b and c, don't care when exactly two
    // inputs are 1.
    writeFile(dir.file("f.pla"), ".i 3\n.o 2\n.ilb a b c\n.ob s t\n.type fd\n"
                                 "100 10\n010 10\n--1 -0\n111 01\n110 0-\n101 0-\n011 0-\n.e\n");
    const RunResult r = runOk({"-pla", "f.pla", "-save_dot", "p.dot", "-save_blif", "p.blif",
                               "-save_aag", "p.aag", "-stats"},
                              dir.path());
    auto bit = [](uint32_t r, int j) { return static_cast<int>((r >> j) & 1u); };
    const Expected expected = Expected::FromFunctions(
        3, false,
        {[&](uint32_t r) { return bit(r, 2) ? Expected::DontCare : bit(r, 0) ^ bit(r, 1); },
         [&](uint32_t r) {
             const int ones = bit(r, 0) + bit(r, 1) + bit(r, 2);
             return ones == 2 ? Expected::DontCare : (ones == 3 ? 1 : 0);
         }});
    const GateCircuit dot = dotOf(dir, "p.dot", "8");
    EXPECT_EQ(Mismatch(dot, expected), "");
    EXPECT_EQ(Mismatch(aagOf(dir, "p.aag"), expected), "");
    const BlifCircuit blif = blifOf(dir, "p.blif");
    EXPECT_EQ(Mismatch(blif, expected), "");
    EXPECT_EQ(blif.inputs(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(blif.outputs(), (std::vector<std::string>{"s", "t"}));
    const std::vector<std::string> stats = statsOf(r);
    EXPECT_EQ(stats[0], "f.pla");
    EXPECT_EQ(stats[1], std::to_string(dot.gateCount()));
    // s alone needs 3 and-nodes (an exclusive-or); the don't cares let t be a and b,
    // which the exclusive-or's circuit can share: no more than 4 nodes in all.
    EXPECT_LE(dot.gateCount(), 4u);
    EXPECT_GE(dot.gateCount(), 3u);
}

// Polymorphic edges: one circuit realises one function with P = 0 and another with P = 1.
TEST(E2eRuns, PolymorphicEdgesRealiseBothFunctions) {
    struct Case {
        uint32_t f; // rows 0..3: P = 0, rows 4..7: P = 1
        const char* what;
    };
    for (const Case& c : {Case{0xE8, "and / or"}, Case{0x96, "xor / xnor"}}) {
        TempDir dir;
        const std::string f = std::to_string(c.f);
        const RunResult r = runOk({"-k", "2", "-f", f, "-polyedges", "-save_dot", "p.dot",
                                   "-save_aag", "p.aag", "-save_blif", "p.blif", "-stats"},
                                  dir.path());
        const Expected expected = Expected::FromNumber(c.f, 2, true);
        const GateCircuit dot = dotOf(dir, "p.dot", "8");
        EXPECT_EQ(Mismatch(dot, expected), "") << c.what;
        EXPECT_EQ(Mismatch(aagOf(dir, "p.aag"), expected), "") << c.what;
        const BlifCircuit blif = blifOf(dir, "p.blif");
        EXPECT_EQ(Mismatch(blif, expected), "") << c.what;
        EXPECT_EQ(blif.inputs(), (std::vector<std::string>{"x0", "x1", "P"}));
        EXPECT_GT(polyEdges(dot), 0u) << c.what;
        const std::vector<std::string> stats = statsOf(r);
        ASSERT_EQ(stats.size(), 6u) << r.err;
        EXPECT_EQ(stats[1], std::to_string(dot.gateCount()));
        EXPECT_EQ(stats[3], std::to_string(polyEdges(dot)));
        EXPECT_EQ(stats[4], std::to_string(dot.Depth()));
    }
}

// A preset node count: too small gives no solution, enough or more gives one of that size.
TEST(E2eRuns, PresetNodeCount) {
    {
        TempDir dir;
        const RunResult r =
            runOk({"-k", "3", "-f", "150", "-n", "3", "-save_dot", "s.dot", "-stats"}, dir.path());
        EXPECT_EQ(lastLine(r.out), "Solutions: 0");
        const std::vector<std::string> stats = statsOf(r);
        ASSERT_EQ(stats.size(), 5u) << r.err;
        EXPECT_EQ(stats[0], "150");
        EXPECT_EQ(stats[1], "");
        EXPECT_EQ(stats[2], "");
        EXPECT_EQ(stats[3], "");
        EXPECT_GE(std::stod(stats[4]), 0.0);
        EXPECT_FALSE(fileExists(dir.file("s.dot")));
    }
    {
        TempDir dir;
        const RunResult r =
            runOk({"-k", "2", "-f", "6", "-polyedges", "-n", "1", "-stats"}, dir.path());
        EXPECT_EQ(lastLine(r.out), "Solutions: 0");
        EXPECT_EQ(statsOf(r).size(), 6u); // the polymorphic-edge field stays empty too
    }
    for (const char* n : {"6", "7"}) {
        TempDir dir;
        const RunResult r =
            runOk({"-k", "3", "-f", "150", "-n", n, "-save_dot", "s.dot", "-stats"}, dir.path());
        EXPECT_EQ(lastLine(r.out), "Solutions: 1");
        const GateCircuit dot = dotOf(dir, "s.dot", "8");
        EXPECT_EQ(Mismatch(dot, Expected::FromNumber(150, 3)), "");
        EXPECT_EQ(std::to_string(dot.gateCount()), n);
        EXPECT_EQ(statsOf(r)[1], n);
    }
}

// The run driver's own errors, and errors of the parts it calls, end the run with the
// exception's message before any result line.
TEST(E2eRuns, ErrorsEndTheRun) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-truth", "t.txt", "-pla", "f.pla"},
         "Runtime Exception: Truth table cannot be written when PLA is specified"},
        {{"-pla", "f.pla", "-truth", "t.txt", "-f", "6"},
         "Runtime Exception: Truth table cannot be written when PLA is specified"},
        {{"-k", "2", "-f", "6", "-gatecosts", "12"},
         "Runtime Exception: -gatecosts and -nodefuncts must be of equal size"},
        {{"-k", "2", "-f", "6", "-nodefuncts", "8G", "-gatecosts", "11"},
         "Runtime Exception: SAT_CircGen::DeriveFunctions: non-hex string."},
        {{"-k", "2", "-f", "6", "-nodefuncts", "0", "-gatecosts", "1"},
         "Runtime Exception: SAT_CircGen::DeriveFunctions: function must not be trivial "
         "(constant or buffer)."},
        {{"-k", "2", "-f", "6", "-nodefuncts", "86", "-gatecosts", "10"},
         "Runtime Exception: SAT_CircGen::set_GateCosts: zero cost not allowed"},
        {{"-k", "2", "-truth", "missing.txt"},
         "Runtime Exception: ReadTruth: cannot open file: missing.txt"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeFile(dir.file("f.pla"), ".i 2\n.o 1\n11 1\n.e\n");
        const RunResult r = runQuillon(c.args, dir.path());
        EXPECT_NE(r.status, 0) << c.message;
        EXPECT_EQ(lastLine(r.err), c.message);
        EXPECT_EQ(r.out.find("Solutions:"), std::string::npos) << c.message;
    }
    // A truth-table error leaves no table written.
    TempDir dir;
    writeFile(dir.file("f.pla"), ".i 2\n.o 1\n11 1\n.e\n");
    runQuillon({"-f", "6", "-truth", "t.txt", "-pla", "f.pla"}, dir.path());
    EXPECT_FALSE(fileExists(dir.file("t.txt")));
    // -nodefuncts 86 with costs of the same length passes the check.
    const RunResult ok =
        runQuillon({"-k", "2", "-f", "6", "-nodefuncts", "86", "-gatecosts", "11"}, dir.path());
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(lastLine(ok.out), "Solutions: 1");
}

// -timings adds two lines at the end of the standard error stream; the statistics line
// keeps its place before them.
TEST(E2eRuns, TimingsReport) {
    TempDir dir;
    const RunResult r = runOk({"-k", "3", "-f", "150", "-stats", "-timings"}, dir.path());
    const std::vector<std::string> lines = splitLines(r.err);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(splitFields(lines[lines.size() - 3], ';')[0], "150");
    // The last line says whether the lower-bound engine was used, and why not.
    EXPECT_EQ(lines.back(), "bound: used");
    EXPECT_EQ(lastLine(runOk({"-k", "2", "-f", "6", "-polyedges", "-timings"}, dir.path()).err),
              "bound: not used: polymorphic edges");
    EXPECT_EQ(lastLine(runOk({"-k", "2", "-f", "6", "-nobound", "-timings"}, dir.path()).err),
              "bound: not used: switched off");
    const std::vector<std::string> words = splitFields(lines[lines.size() - 2], ' ');
    ASSERT_EQ(words.size(), 11u) << lines.back();
    EXPECT_EQ(words[0], "timings:");
    const std::vector<std::string> keys = {"total",       "library",   "build",  "bound",
                                           "files",       "solver",    "decode", "other",
                                           "solver_runs", "solver_cpu"};
    double total = 0.0, parts = 0.0;
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::vector<std::string> kv = splitFields(words[i + 1], '=');
        ASSERT_EQ(kv.size(), 2u);
        EXPECT_EQ(kv[0], keys[i]);
        const double value = std::stod(kv[1]);
        EXPECT_GE(value, 0.0) << kv[0];
        if (i == 0) total = value;
        if (i >= 1 && i <= 7) parts += value;
        // For the exclusive-or of three inputs the lower-bound engine rules out n = 0 .. 5
        // and hands over its circuit at 6: no solver runs on the instance.
        if (kv[0] == "solver_runs") {
            EXPECT_EQ(kv[1], "0");
        }
    }
    EXPECT_NEAR(parts, total, 0.01);
}

// AIGER is an AND-inverter format: a solution with exclusive-or, or and nand gates is written
// as ANDs with inversions, proven equivalent to the BLIF of the same solution by ABC. When
// one requested file cannot be written, the others still are, the failed one is named, and
// the run ends with status 1 after its "Solutions:" line.
TEST(E2eRuns, AigerOfEveryGateAndWritersThatFail) {
    const std::string abc = findOnPath("yosys-abc");
    for (const char* lib : {"86", "E7"}) {
        TempDir dir;
        const RunResult r =
            runQuillon({"-k", "3", "-f", "150", "-nodefuncts", lib, "-gatecosts", "11", "-save_aig",
                        "x.aig", "-save_blif", "x.blif", "-save_aag", "no/such/x.aag"},
                       dir.path());
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(lastLine(r.out), "Solutions: 1");
        EXPECT_NE(r.err.find("Quillon: no/such/x.aag was not written: Runtime Exception: "
                             "SaveAAG: cannot open file."),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(Mismatch(blifOf(dir, "x.blif"), Expected::FromNumber(150, 3)), "");
        ASSERT_TRUE(fileExists(dir.file("x.aig")));
        if (abc.empty()) continue;
        const std::string cmd = "cd '" + dir.path() + "' && " + abc +
                                " -c \"read_blif x.blif; strash; cec -n x.aig\" > abc.out 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        const std::string out = readFile(dir.file("abc.out"));
        EXPECT_NE(out.find("Networks are equivalent"), std::string::npos) << lib << "\n" << out;
    }
}
