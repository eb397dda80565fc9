// The settings of one run, filled from the command line word by word.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <utility>

struct Settings {
    // Number of inputs of a target given by a function number or a truth table (0..31).
    uint32_t k = 4;
    // Set by -k. Without it a truth table that is read gives k by its length.
    bool kGiven = false;
    // Node count; 0 searches for the minimum.
    uint32_t n = 0;
    // Function number: the 32-bit reading of the last -f (decimal) or -fh (hexadecimal).
    uint32_t function = 1;
    // The -fh text when the last of -f and -fh was -fh. A hexadecimal number may be longer
    // than 32 bits; it is turned into the target's truth table once k is known
    // (TargetTable in TargetFunction.h).
    std::optional<std::string> functionHex;
    // First field of the statistics lines: the argument of the last of -f, -fh and -pla, or
    // the name of the truth-table file that is read.
    std::string functionText = "1";
    // Set by -f and -fh.
    bool functionGiven = false;

    std::optional<std::string> plaFile;
    std::optional<std::string> truthFile;

    // Library of node functions: one hexadecimal truth table per function.
    std::string nodeFuncts = "8";
    // One cost digit per node function; without -gatecosts every node function costs 1.
    std::optional<std::string> gateCosts;

    // Solution files; the name "-" writes to the standard output.
    std::optional<std::string> dotFile;
    std::optional<std::string> aagFile;
    std::optional<std::string> aigFile;
    std::optional<std::string> blifFile;
    std::optional<std::string> verilogFile;
    std::optional<std::string> jsonFile;
    // The option of a solution file written to the standard output ("" when none is): the
    // "Solutions:" line then goes to the standard error stream, so that the standard output
    // holds the file alone.
    std::string stdoutFile() const {
        const std::pair<const char*, const std::optional<std::string>*> files[] = {
            {"-save_dot", &dotFile}, {"-save_aag", &aagFile}, {"-save_aig", &aigFile},
            {"-save_blif", &blifFile}, {"-save_verilog", &verilogFile}, {"-save_json", &jsonFile}};
        for (const auto& [option, name] : files)
            if (*name && **name == "-") return option;
        return "";
    }

    bool invertedEdges = true;
    bool constants = true;
    bool polyedges = false;

    bool enumerate = false;
    bool diffTopology = false;
    bool continueRun = false;
    bool bestDelay = false;

    bool stats = false;
    bool enumStats = false;

    // -timings (not in the usage text): at the end of a run, one line on the standard error
    // stream telling where the wall-clock time went (library, instance building, exchange
    // files, solver, decoding and writing solutions).
    bool timings = false;
    // -nobound (not in the usage text): search without the in-process lower-bound engine,
    // running the solver on the instance at every node count.
    bool noBound = false;
    // -solver embedded|minisat (not in the usage text): CaDiCaL in-process (the default), or
    // the external minisat and minisat+ through exchange files.
    bool externalSolver = false;
    // -timeout (not in the usage text): wall-clock limit of the whole run in seconds (0:
    // none), and the argument as given, for the message when the limit is reached.
    double timeLimit = 0;
    std::string timeLimitText;

    // -threads: a single target's lower-bound engine may use this many threads; a batch
    // solves this many classes at once, each on one thread. 0: one per core.
    uint32_t threads = 0;
    uint32_t threadCount() const {
        return threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    }

    // -batch: a file of targets, one hexadecimal truth table per line (k from -k); the
    // results go to the standard output as CSV, one row per target.
    std::optional<std::string> batchFile;
    // -cache: an SQLite file of proven optimum circuits, shared by runs and processes.
    std::optional<std::string> cacheFile;
    // -export FORMAT FILE: the proven optima of the batch's classes (or, with -cache and no
    // target, of every class the cache holds) as a database for rewriters: "mockturtle",
    // "aiger" or "blif".
    std::optional<std::string> exportFormat;
    std::optional<std::string> exportFile;
    // -shard I/N: only the targets of the batch whose index is I modulo N.
    uint32_t shardIndex = 0;
    uint32_t shardCount = 1;
};
