// The body of a run: builds the target, configures the engine, searches, writes every
// solution under its file name, and prints the result and statistics lines.
#include "app/RunDriver.h"

#include "app/ProblemSetup.h"
#include "app/ProgressLine.h"
#include "app/RunLock.h"
#include "app/RunMonitor.h"
#include "app/SignalGuard.h"
#include "app/TargetFunction.h"
#include "logic/PLA.h"
#include "network/Network.h"
#include "synth/PhaseTimings.h"
#include "synth/Realizability.h"
#include "synth/SAT_CircGen.h"
#include "synth/SearchProgress.h"
#include "util/ExchangeFiles.h"
#include "util/OutputFile.h"
#include "util/Step.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/mytime.h"
#include "util/utils.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>

namespace {

// The name of an output file, numbered when suffix is given: sol.dot, sol.3.dot. The
// standard output ("-") takes every solution in turn.
std::string outputName(const std::string& name, const std::string& suffix) {
    return suffix.empty() || OutputFile::IsStdout(name) ? name : AppendToFilename(name, suffix);
}

// Removes a partly written file (never the standard output).
void removePartial(const std::string& file) {
    if (!OutputFile::IsStdout(file)) std::remove(file.c_str());
}

// Writes one requested file. A file that cannot be written is named on stderr and the run
// goes on with the others (false); a stop request, an internal error and exhaustion end the
// run, and exhaustion leaves no partial file. A stop request is honoured between files,
// never inside one.
template <typename Write>
bool writeFile(RunMonitor& monitor, const std::string& file, Write write, bool honourStop) {
    if (honourStop) StopRequest::ThrowIfPending();
    const RunMonitor::Writing writing(monitor);
    try {
        const Step step("writing " + file);
        write(file);
        return true;
    } catch (const StopRequested&) {
        throw;
    } catch (const InternalError&) {
        throw;
    } catch (const ResourceError&) {
        removePartial(file);
        throw;
    } catch (const std::bad_alloc&) {
        removePartial(file);
        throw;
    } catch (const CException& e) {
        Step::Forget();
        std::cerr << "Quillon: " << file << " was not written: " << e.GetMsg() << std::endl;
        return false;
    }
}

// Which of the requested files a call writes: the standard output takes a circuit once, so
// a circuit that the search may still replace goes to the named files only.
enum class Which { All, NamedFiles, StandardOutput };

// Writes every requested drawing and netlist of one solution; false when one of them could
// not be written. A stop request is honoured before each file unless the files are written
// because of one.
// status: "optimum", or "bounded" for a circuit not proven optimal (JSON).
bool writeOutputs(const Settings& s, const SAT_CircGen& engine, PhaseTimings* timings,
                  RunMonitor& monitor, const Circuit& circuit, const std::string& suffix,
                  Which which = Which::All, bool honourStop = true,
                  const std::string& status = "optimum") {
    PhaseTimings::Scope scope(timings, PhaseTimings::Decode);
    bool ok = true;
    using Writer = std::function<void(const std::string&)>;
    const std::pair<const std::optional<std::string>*, Writer> files[] = {
        {&s.dotFile, [&](const std::string& f) { engine.SaveDOT(circuit, f); }},
        {&s.aagFile, [&](const std::string& f) { engine.SaveAAG(circuit, f); }},
        {&s.aigFile, [&](const std::string& f) { engine.SaveAIG(circuit, f); }},
        {&s.blifFile, [&](const std::string& f) { engine.Graph2Network(circuit)->SaveBlif(f); }},
        {&s.verilogFile,
         [&](const std::string& f) { engine.Graph2Network(circuit)->SaveVerilog(f); }},
        {&s.jsonFile, [&](const std::string& f) { engine.SaveJSON(circuit, f, status); }},
    };
    for (const auto& [name, write] : files) {
        if (!*name) continue;
        const bool out = OutputFile::IsStdout(**name);
        if (which != Which::All && (which == Which::StandardOutput) != out) continue;
        ok &= writeFile(monitor, outputName(**name, suffix), write, honourStop);
    }
    return ok;
}

// The target of the run, named, with the control input called P.
std::unique_ptr<PLA> buildTarget(const Settings& s) {
    std::unique_ptr<PLA> target;
    if (!s.truthFile && s.plaFile) {
        target = std::make_unique<PLA>();
        target->LoadPLA(*s.plaFile);
        // -k describes function numbers and tables; given with a file, it must agree.
        const uint32_t inputs = target->getInputs() - (s.polyedges ? 1u : 0u);
        if (s.kGiven && s.k != inputs)
            throw RuntimeException("-k " + int2string(s.k) + " does not agree with " + *s.plaFile +
                                   ", whose .i is " + int2string(target->getInputs()) +
                                   (s.polyedges ? " (the control input included)" : ""));
    } else if (!s.truthFile) {
        target = DeriveFnctPLA(TargetTable(s), s.k, s.polyedges);
    } else if (s.plaFile) {
        throw RuntimeException("Truth table cannot be written when PLA is specified");
    } else if (s.functionGiven) {
        const TruthTable table = TargetTable(s);
        Write_Truth(table, s.k, *s.truthFile);
        target = DeriveFnctPLA(table, s.k, s.polyedges);
    } else {
        // One output per line of the file.
        const std::vector<TruthTable> tables =
            ReadTruthTables(s.kGiven ? std::optional<uint32_t>(s.k) : std::nullopt, *s.truthFile);
        uint32_t k = 0;
        while (MintermCount(k) < tables.front().size())
            ++k;
        target = DeriveFnctPLA(tables, k, s.polyedges);
    }
    return target;
}

// The statistics line of the circuit a stopped run handed back: the classic fields, then
// "bounded" and the proven lower bound (the least node count not ruled out).
std::string boundedStats(const Settings& s, const SAT_CircGen& engine, const Circuit& circuit,
                         const SearchProgress& progress, float t0) {
    std::ostringstream line;
    line << s.functionText << ";" << circuit.nodes.size() << ";"
         << engine.getNodesOfType(circuit, "xor") << ";" << engine.getLevels(circuit) << ";"
         << static_cast<double>(GetMyCPUTime() - t0) << ";bounded;"
         << progress.impossibleBelow.load() << "\n";
    return line.str();
}

// stoppedStats: with -stats, the statistics line a stop prints after its message.
int runSynthesis(const Settings& s, float t0, SearchProgress& progress, RunMonitor& monitor,
                 std::string& stoppedStats) {
    const double wall0 = PhaseTimings::WallNow();
    PhaseTimings timings;
    PhaseTimings* const account = s.timings ? &timings : nullptr;

    std::shared_ptr<PLA> target = buildTarget(s);
    // The circuit inputs of the enumeration statistics. The classic count, kept: one less
    // than the target's inputs without polymorphic edges (where nothing is the control
    // input), all of them with (where the last one is).
    const uint32_t X = target->getInputs() - (s.polyedges ? 0u : 1u);
    target->NameVars();
    if (s.polyedges && X > 0) target->setIName(X - 1, "P");

    std::unique_ptr<SAT_CircGen> made;
    {
        PhaseTimings::Scope scope(account, PhaseTimings::Library);
        made = std::make_unique<SAT_CircGen>(ProblemOf(s, target), RouteOf(s));
    }
    SAT_CircGen& engine = *made;

    // Without a preset n the search would grow n for ever on a target that no circuit
    // realises; a preset n ends by itself.
    if (s.n == 0) {
        const Realizability check(s.nodeFuncts, s.invertedEdges, s.constants, s.polyedges);
        const std::string impossible = check.ProveImpossible(*target);
        if (!impossible.empty()) {
            std::cerr << impossible << std::endl;
            return 1;
        }
    }

    const bool E = s.enumerate;
    const bool B = s.bestDelay;
    GenerateOptions options;
    options.enumerate = E;
    options.cont = s.continueRun;
    options.best = B;
    options.bulk = B && E;
    options.lowerBound = !s.noBound;
    options.threads = s.threadCount();
    options.progress = &progress;
    options.timings = account;
    bool written = true; // every requested file of every solution was written
    const auto write = [&](const Circuit& circuit, const std::string& suffix,
                           Which which = Which::All, bool honourStop = true,
                           const std::string& status = "optimum") {
        return writeOutputs(s, engine, account, monitor, circuit, suffix, which, honourStop,
                            status);
    };

    // A run for one optimum circuit first builds one by construction and writes it, so
    // that a run stopped before the search ends still hands back a circuit; the search then
    // replaces it with the optimum, and ends at its size once every smaller count is ruled
    // out. (Enumerations, least depth, gate costs and the external route search as they
    // always did.)
    std::optional<SAT_CircGen::Constructed> constructed;
    if (!E && !B && s.n == 0 && !s.externalSolver && !s.continueRun && !s.noBound &&
        !engine.CostsDiffer()) {
        constructed = engine.Construct();
        if (constructed) {
            const uint32_t nodes = static_cast<uint32_t>(constructed->circuit.nodes.size());
            progress.set(SearchProgress::Writing, nodes);
            written &= write(constructed->decoded, "", Which::NamedFiles, true, "bounded");
            progress.bestNodes.store(nodes);
            progress.bestCost.store(nodes);
            options.upper = &constructed->circuit;
        }
    }
    SearchResult result;
    for (;;) {
        try {
            result = engine.Generate(options);
        } catch (const StopRequested&) {
            // Stopped before the search found better: the standard output gets the circuit
            // the named files already hold.
            if (constructed && !s.stdoutFile().empty())
                write(constructed->decoded, "", Which::StandardOutput, false, "bounded");
            if (constructed && s.stats)
                stoppedStats = boundedStats(s, engine, constructed->decoded, progress, t0);
            throw;
        }
        if (B && E) {
            uint32_t i = 0;
            for (const Circuit& solution : result.solutions) {
                progress.set(SearchProgress::Writing, result.nodes);
                written &= write(solution, "." + int2string(i++));
            }
            break;
        }
        if (result.circuit) {
            progress.set(SearchProgress::Writing, result.nodes);
            const Circuit& circuit = *result.circuit;
            written &= write(circuit, E ? "." + int2string(result.solutionCount) : "");
            if (E && s.enumStats) {
                std::cerr << s.functionText << "_" << result.solutionCount << ";" << X << ";"
                          << result.nodes << ";" << engine.getNodesOfType(circuit, "xor") << ";";
                if (s.polyedges) std::cerr << engine.CountPolyEdges(circuit) << ";";
                std::cerr << engine.getLevels(circuit) << std::endl;
            }
        }
        if (!(E && result.circuit)) break;
    }

    (s.stdoutFile().empty() ? std::cout : std::cerr)
        << "Solutions: " << result.solutionCount << std::endl;
    const float t1 = GetMyCPUTime();
    if (!E && s.stats) {
        // Without a solution (a preset n too small) the fields that describe it stay empty.
        std::cerr << s.functionText << ";";
        if (result.circuit) {
            const Circuit& circuit = *result.circuit;
            std::cerr << result.nodes << ";" << engine.getNodesOfType(circuit, "xor") << ";";
            if (s.polyedges) std::cerr << engine.CountPolyEdges(circuit) << ";";
            std::cerr << engine.getLevels(circuit) << ";";
        } else {
            std::cerr << (s.polyedges ? ";;;;" : ";;;");
        }
        std::cerr << static_cast<double>(t1 - t0) << std::endl;
    }
    if (s.timings) {
        // The process's whole wall-clock and CPU time after the phases of the run.
        char whole[64];
        std::snprintf(whole, sizeof whole, " wall=%.3f cpu=%.3f", WallSecondsSinceStart(),
                      static_cast<double>(GetMyCPUTime()));
        std::cerr << timings.Report(PhaseTimings::WallNow() - wall0) << whole << std::endl;
        std::cerr << "bound: "
                  << (result.boundNote.empty() ? "used" : "not used: " + result.boundNote)
                  << std::endl;
    }
    return written ? 0 : 1;
}

} // namespace

int RunDriver(const Settings& settings, float t0) {
    // Only the external route and the continuation file use fixed file names in the current
    // directory; without them any number of runs may share a directory.
    RunLock lock;
    std::string refusal;
    if ((settings.externalSolver || settings.continueRun) && !lock.TryAcquire(refusal)) {
        std::cerr << refusal << std::endl;
        return 1;
    }
    SignalGuard signals;
    SearchProgress progress;
    ProgressLine line;
    RunMonitor monitor(settings, progress, line);
    std::string stoppedStats;
    try {
        const int status = runSynthesis(settings, t0, progress, monitor, stoppedStats);
        monitor.Stop();
        return status;
    } catch (const StopRequested& stop) {
        monitor.Stop();
        line.Erase();
        std::cout.flush();
        std::cerr << RunMonitor::StopMessage(settings, progress, stop.signo()) << stoppedStats
                  << std::flush;
        return RunMonitor::StopStatus(stop.signo());
    }
}
