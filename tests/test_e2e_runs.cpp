// End-to-end runs of the program with the real solvers: single solutions, the files they
// are written to, the result and statistics lines, the target sources and the options that
// shape the circuit. Every file written is read back and simulated against the target.
#include "logic/PLA.h"
#include "tests/support/E2eRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <tuple>
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
        EXPECT_EQ(lastLine(r.err).rfind("150;6;0;", 0), 0u); // 6 and-nodes
        const BlifCircuit blif = blifOf(dir, "s.blif");
        EXPECT_EQ(Mismatch(blif, Expected::FromNumber(150, 3)), "");
        EXPECT_EQ(blif.model() + " " + blif.inputs().at(2) + " " + blif.outputs().at(0),
                  "fnct x2 y0");
        // No library file stays, and no continuation file is written without -continue.
        const std::set<std::string> left =
            external
                ? std::set<std::string>{".quillon.lock", "SAT_result.cnf", "inst.cnf", "s.blif"}
                : std::set<std::string>{"s.blif"};
        EXPECT_EQ(listDir(dir.path()), left);
    }
}

// One table of runs across the options and both routes. Every run writes its circuit as a
// drawing, AIGER ASCII and BLIF; all three are simulated against the target, the drawing and
// the AIGER file must describe one circuit, and the statistics line must describe it too:
// node count, exclusive-or count, polymorphic edges and depth. Rows give the known optimum
// node counts (the search starts at n = 0, so one node less has no solution); where
// inversions or constants are forbidden the circuit uses none.
TEST(E2eRuns, TableOfRunsAcrossOptions) {
    auto bit = [](uint32_t r, int j) { return static_cast<int>((r >> j) & 1u); };
    // s: a xor b, don't care when c = 1; t: a and b and c, don't care when exactly two inputs
    // are 1. s alone needs 3 and-nodes; the don't cares let t be a and b, which the
    // exclusive-or's circuit can share.
    const Expected pla = Expected::FromFunctions(
        3, false,
        {[&](uint32_t r) { return bit(r, 2) ? Expected::DontCare : bit(r, 0) ^ bit(r, 1); },
         [&](uint32_t r) {
             const int ones = bit(r, 0) + bit(r, 1) + bit(r, 2);
             return ones == 2 ? Expected::DontCare : (ones == 3 ? 1 : 0);
         }});
    auto table = [](const char* values) { // at rows 0..3 (x0 is bit 0); '-' don't care
        return Expected::FromFunctions(2, false, {[values](uint32_t r) {
                                           return values[r] == '-' ? Expected::DontCare
                                                                   : values[r] - '0';
                                       }});
    };
    struct Row {
        const char* args;
        const char* library;
        Expected target;
        unsigned nodes;
        int xors; // -1: any
        bool external = true, embedded = true;
        const char* pla = ".i 3\n.o 2\n.ilb a b c\n.ob s t\n.type fd\n100 10\n010 10\n--1 -0\n"
                          "111 01\n110 0-\n101 0-\n011 0-\n.e\n";
    };
    const Row rows[] = {
        {"-k 2 -f 6", "8", Expected::FromNumber(6, 2), 3, 0, true},
        // Without -gatecosts every node function costs 1: one exclusive-or gate.
        {"-k 2 -f +6 -nodefuncts 86", "86", Expected::FromNumber(6, 2), 1, 1, true},
        {"-k 3 -f 232", "8", Expected::FromNumber(232, 3), 4, 0, true}, // majority
        {"-k 4 -fh 6996 -nodefuncts 86", "86", Expected::FromNumber(0x6996, 4), 3, 3, true},
        {"-k 4 -fh 0117 -nodefuncts 86", "86", Expected::FromNumber(0x0117, 4), 7, -1, true},
        {"-k 2 -f 6 -nodefuncts 7 -noinv -noconst", "7", Expected::FromNumber(6, 2), 4, 0, true},
        {"-k 3 -f 128 -noinv", "8", Expected::FromNumber(128, 3), 2, 0, true},
        {"-k 3 -f 150 -nodefuncts 86 -noinv", "86", Expected::FromNumber(150, 3), 2, 2, true},
        {"-k 3 -f 150 -noconst", "8", Expected::FromNumber(150, 3), 6, 0, true},
        {"-k 3 -f 150 -n 7", "8", Expected::FromNumber(150, 3), 7, 0, false},
        {"-k 2 -f 232 -polyedges", "8", Expected::FromNumber(0xE8, 2, true), 1, 0, false},
        {"-k 2 -f 150 -polyedges", "8", Expected::FromNumber(0x96, 2, true), 3, 0, false},
        {"-pla f.pla", "8", pla, 3, 0, true},
        // Don't cares are no reason to refuse a target outside what the gates preserve: with
        // and-nodes alone, row 00 undecided, the and of both inputs fits. With type fr the
        // rows in neither set are don't cares: an inverted input, no gate.
        {"-pla f.pla -noinv", "8", table("-001"), 1, 0, true, true, ".i 2\n.o 1\n11 1\n00 -\n"},
        {"-pla f.pla", "8", table("1--0"), 0, 0, true, true, ".i 2\n.o 1\n.type fr\n00 1\n11 0\n"},
        // Exclusive-or gates of cost 2: two of them (cost 4) beat six and-nodes (cost 6).
        {"-k 3 -f 150 -nodefuncts 86 -gatecosts 12", "86", Expected::FromNumber(150, 3), 2, 2,
         true},
        // Exclusive-or gates of cost 9: six and-nodes (cost 6) are the cheapest circuit. The
        // external route stops earlier: two exclusive-ors cost 18; with three nodes the
        // optimizer finds nothing cheaper, with four one exclusive-or and three and-nodes
        // cost 12, and with five no circuit of and-nodes alone exists.
        {"-k 3 -f 150 -nodefuncts 86 -gatecosts 19", "86", Expected::FromNumber(150, 3), 6, 0,
         false},
        {"-k 3 -f 150 -nodefuncts 86 -gatecosts 19", "86", Expected::FromNumber(150, 3), 4, 1, true,
         false},
    };
    for (const Row& row : rows)
        for (const char* route : {"embedded", "minisat"}) {
            if (!(std::string(route) == "minisat" ? row.external : row.embedded)) continue;
            SCOPED_TRACE(std::string(row.args) + " " + route);
            TempDir dir;
            writeFile(dir.file("f.pla"), row.pla);
            std::vector<std::string> args = splitFields(row.args, ' ');
            args.insert(args.end(), {"-save_dot", "c.dot", "-save_blif", "c.blif", "-save_aag",
                                     "c.aag", "-stats", "-solver", route});
            const RunResult r = runOk(args, dir.path());
            const GateCircuit dot = dotOf(dir, "c.dot", row.library);
            EXPECT_EQ(Mismatch(dot, row.target), "");
            EXPECT_EQ(Mismatch(blifOf(dir, "c.blif"), row.target), "");
            // AIGER ASCII of every solution: a circuit of AND gates node for node, any other
            // one in AND-inverter form.
            const GateCircuit aag = aagOf(dir, "c.aag");
            EXPECT_EQ(Mismatch(aag, row.target), "");
            if (std::string(row.library) == "8")
                EXPECT_EQ(dot.Canonical(false), aag.Canonical(false));
            else
                EXPECT_EQ(readFile(dir.file("c.aag")).rfind("aag ", 0), 0u);
            EXPECT_EQ(dot.gateCount(), row.nodes);
            const std::string text(row.args);
            EXPECT_TRUE(row.xors < 0 || xorGates(dot) == static_cast<size_t>(row.xors));
            EXPECT_FALSE(text.find("-noinv") != std::string::npos && anyInversion(dot));
            EXPECT_FALSE(text.find("-noconst") != std::string::npos && dot.usesConstant());
            EXPECT_TRUE(!row.target.poly || polyEdges(dot) > 0);
            // Statistics: function, nodes, exclusive-ors, [polymorphic edges,] depth, time.
            std::vector<std::string> stats = statsOf(r);
            ASSERT_EQ(stats.size(), row.target.poly ? 6u : 5u) << r.err;
            EXPECT_EQ(stats[0], text.find("-pla") == 0 ? "f.pla" : splitFields(text, ' ')[3]);
            EXPECT_EQ(stats[1], std::to_string(row.nodes));
            EXPECT_EQ(stats[2], std::to_string(xorGates(dot)));
            if (row.target.poly) {
                EXPECT_EQ(stats[3], std::to_string(polyEdges(dot)));
                stats.erase(stats.begin() + 3);
            }
            EXPECT_EQ(stats[3], std::to_string(dot.Depth()));
            EXPECT_EQ(fileExists(dir.file("inst.opb")),
                      text.find("-gatecosts") != std::string::npos &&
                          std::string(route) == "minisat");
        }
}

// -truth with a function number writes the table; without one it reads it. A node count
// preset too small gives no solution and no file; the statistics fields stay empty.
TEST(E2eRuns, TruthTablesAndPresetCountsTooSmall) {
    TempDir dir;
    runOk({"-k", "3", "-f", "105", "-truth", "t.txt", "-save_dot", "a.dot"}, dir.path());
    EXPECT_EQ(readFile(dir.file("t.txt")), "01101001\n");
    EXPECT_EQ(Mismatch(dotOf(dir, "a.dot", "8"), Expected::FromNumber(105, 3)), "");
    // Without -k the length of the table gives k: hexadecimal digits, or binary ones.
    for (const auto& [table, k, f] : {std::make_tuple("e8\n", 3u, 0xe8u), {"1000\n", 2u, 8u}}) {
        writeFile(dir.file("t.txt"), table);
        const RunResult r = runOk({"-truth", "t.txt", "-save_dot", "b.dot", "-stats"}, dir.path());
        EXPECT_EQ(Mismatch(dotOf(dir, "b.dot", "8"), Expected::FromNumber(f, k)), "") << table;
        EXPECT_EQ(dotOf(dir, "b.dot", "8").inputs(), k);
        EXPECT_EQ(statsOf(r)[0], "t.txt"); // the table read names the function
        EXPECT_EQ(readFile(dir.file("t.txt")), table);
    }
    // A line per output, as the IWLS contest's files hold them; "-" writes the BLIF file to
    // the standard output, which then holds it alone ("Solutions:" goes to stderr).
    writeFile(dir.file("two.truth"), "6\r\n8\n");
    const RunResult two = runOk({"-truth", "two.truth", "-save_blif", "-", "-stats"}, dir.path());
    const Expected xorAnd = Expected::FromFunctions(
        2, false, {[](uint32_t r) { return int((r & 1) ^ (r >> 1)); },
                   [](uint32_t r) { return int(r == 3); }});
    EXPECT_EQ(Mismatch(BlifCircuit::parse(two.out), xorAnd), "") << two.out;
    EXPECT_EQ(two.out.find("Solutions"), std::string::npos);
    EXPECT_NE(two.err.find("Solutions: 1\n"), std::string::npos);
    EXPECT_EQ(statsOf(two)[1], "3"); // the AND of both inputs serves both outputs
    EXPECT_FALSE(fileExists(dir.file("-")));
    // (A preset count ends by itself, so a target no circuit realises is not refused then.)
    for (const char* args : {"-k 3 -f 150 -n 3", "-k 2 -f 6 -polyedges -n 1",
                             "-k 4 -fh 8001 -nodefuncts 86 -noinv -n 2"}) {
        TempDir empty;
        std::vector<std::string> words = splitFields(args, ' ');
        words.insert(words.end(), {"-save_dot", "s.dot", "-stats"});
        const RunResult none = runOk(words, empty.path());
        EXPECT_EQ(lastLine(none.out), "Solutions: 0") << args;
        const std::vector<std::string> stats = statsOf(none);
        ASSERT_EQ(stats.size(), std::string(args).find("poly") != std::string::npos ? 6u : 5u);
        for (size_t i = 1; i + 1 < stats.size(); ++i)
            EXPECT_EQ(stats[i], "") << args;
        EXPECT_GE(std::stod(stats.back()), 0.0);
        EXPECT_FALSE(fileExists(empty.file("s.dot")));
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
        {{"-k", "2", "-f", "6", "-gatecosts", "12"},
         "Runtime Exception: -gatecosts and -nodefuncts must be of equal size"},
        {{"-k", "2", "-truth", "missing.txt"},
         "Runtime Exception: missing.txt: cannot open the truth-table file"},
        // A table of two lines is a target of two outputs of the same inputs.
        {{"-truth", "two.txt"},
         "Runtime Exception: two.txt: line 2: does not look like a truth table: a word of 8 "
         "characters, which is no table of the 2 inputs or 4 of line 1"},
        // Sets that contradict each other are refused with their lines.
        {{"-pla", "fr.pla"},
         "I/O Exception: Bad or damaged PLA file: fr.pla: lines 5 and 7: the ON-set and the "
         "OFF-set overlap: output 1 (y) is both 1 and 0 at the input 11"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeFile(dir.file("f.pla"), ".i 2\n.o 1\n11 1\n.e\n");
        writeFile(dir.file("fr.pla"), ".i 2\n.o 1\n.ob y\n.type fr\n1- 1\n00 0\n-1 0\n");
        writeFile(dir.file("two.txt"), "0110\n01101001\n");
        const RunResult r = runQuillon(c.args, dir.path());
        EXPECT_NE(r.status, 0) << c.message;
        EXPECT_EQ(lastLine(r.err), c.message);
        EXPECT_FALSE(NamesCode(r.err)) << r.err;
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
    ASSERT_EQ(words.size(), 13u) << lines.back();
    EXPECT_EQ(words[0], "timings:");
    const std::vector<std::string> keys = {"total",  "library", "build",       "bound",
                                           "files",  "solver",  "decode",      "other",
                                           "solver_runs", "solver_cpu", "wall", "cpu"};
    double total = 0.0, parts = 0.0, wall = 0.0;
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::vector<std::string> kv = splitFields(words[i + 1], '=');
        ASSERT_EQ(kv.size(), 2u);
        EXPECT_EQ(kv[0], keys[i]);
        const double value = std::stod(kv[1]);
        EXPECT_GE(value, 0.0) << kv[0];
        if (i == 0) total = value;
        if (i >= 1 && i <= 7) parts += value;
        if (kv[0] == "wall") wall = value;
        // For the exclusive-or of three inputs the lower-bound engine rules out n = 0 .. 5
        // and hands over its circuit at 6: no solver runs on the instance.
        if (kv[0] == "solver_runs") {
            EXPECT_EQ(kv[1], "0");
        }
    }
    EXPECT_NEAR(parts, total, 0.01);
    // The process's wall-clock time includes the run's.
    EXPECT_GE(wall + 0.0005, total);
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
        EXPECT_NE(r.err.find("Quillon: no/such/x.aag was not written: I/O Exception: "
                             "cannot create the file: No such file or directory"),
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

namespace {

// The expected function of a PLA file as the reader takes it: 1, 0 or don't care per row.
Expected expectedOf(const std::string& file) {
    PLA pla;
    pla.LoadPLA(file);
    const std::vector<uint8_t> values = pla.SimulateAll();
    const uint32_t outputs = pla.getOutputs();
    std::vector<std::function<int(uint32_t)>> columns;
    for (uint32_t o = 0; o < outputs; ++o)
        columns.push_back([values, outputs, o](uint32_t r) {
            const uint8_t v = values[r * outputs + o];
            return v == 2 ? Expected::DontCare : int(v);
        });
    return Expected::FromFunctions(pla.getInputs(), false, columns);
}

} // namespace

// Real benchmark files (MCNC / espresso examples, reversible-logic lists, the IWLS contest),
// kept as they were published. Every one reads. Those the engine proves within seconds are
// solved; the others stop at a short time limit and still hand back the circuit built
// before the search, named as not proven optimal. Every circuit written is simulated
// against the file and, where yosys-abc is installed and the file has no don't cares (ABC
// reads them as zeros), proven equivalent to it; its Verilog and JSON files are checked
// against it too.
TEST(E2eRuns, BenchmarkFiles) {
    const std::string data = std::string(QUILLON_SOURCE_DIR) + "/tests/data/benchmarks/";
    const std::string abc = findOnPath("yosys-abc");
    const std::string yosys = findOnPath("yosys");
    struct Row {
        const char* file;
        const char* library;
        int nodes; // -1: stopped by the time limit
    };
    const Row rows[] = {
        {"2-4dec", "8", 6},  {"c17", "8", 6},     {"mod5", "8", 7},     {"mod5", "86", 3},
        {"xor5", "86", 4},   {"newcwp", "86", 8}, {"dekoder", "8", -1}, {"dc1", "86", -1},
        {"wim", "8", -1},    {"rd53", "86", -1},  {"squar5", "86", -1}, {"2of5", "8", -1},
        {"5mod5", "8", -1},  {"maj5", "86", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " " + row.library);
        TempDir dir;
        const std::string pla = data + row.file + ".pla";
        const RunResult r =
            runQuillon({"-pla", pla, "-nodefuncts", row.library, "-save_blif", "c.blif",
                        "-save_aag", "c.aag", "-save_verilog", "c.v", "-save_json", "c.json",
                        "-stats", "-timeout", row.nodes < 0 ? "1" : "60"},
                       dir.path());
        if (row.nodes < 0) {
            EXPECT_EQ(r.status, 124) << r.err;
            EXPECT_NE(r.err.find("time limit of 1 s reached"), std::string::npos) << r.err;
            EXPECT_NE(r.err.find(" nodes (not proven optimal)."), std::string::npos) << r.err;
        } else {
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(statsOf(r)[1], std::to_string(row.nodes));
        }
        const Expected expected = expectedOf(pla);
        EXPECT_EQ(Mismatch(blifOf(dir, "c.blif"), expected), "");
        EXPECT_EQ(Mismatch(aagOf(dir, "c.aag"), expected), "");
        // The JSON record's gates realise its targets; the Verilog module is proven
        // equivalent to the BLIF netlist by yosys (ports matched by name).
        const std::string json = readFile(dir.file("c.json"));
        EXPECT_NE(json.find(row.nodes < 0 ? "\"status\": \"bounded\"" : "\"status\": \"optimum\""),
                  std::string::npos);
        if (fileExists("/usr/bin/python3")) {
            EXPECT_EQ(std::system(("/usr/bin/python3 " + data + "../check_json.py '" +
                                   dir.file("c.json") + "' >/dev/null")
                                      .c_str()),
                      0);
        }
        if (!yosys.empty()) {
            EXPECT_EQ(std::system(("cd '" + dir.path() + "' && " + yosys +
                                   " -q -p 'read_verilog c.v; rename fnct gold; read_blif c.blif; "
                                   "rename fnct gate; miter -equiv -flatten -make_assert gold gate "
                                   "m; sat -verify -prove-asserts m' >yosys.out 2>&1")
                                      .c_str()),
                      0)
                << readFile(dir.file("yosys.out"));
        }
        bool dontCares = false;
        for (const auto& column : expected.values)
            for (int v : column)
                dontCares = dontCares || v == Expected::DontCare;
        if (abc.empty() || dontCares) continue;
        const std::string cmd = "cd '" + dir.path() + "' && " + abc + " -c \"cec -n c.blif " + pla +
                                "\" > abc.out 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        const std::string out = readFile(dir.file("abc.out"));
        EXPECT_NE(out.find("Networks are equivalent"), std::string::npos) << out;
    }
}
