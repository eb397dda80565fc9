// The body of a run: builds the target, configures the engine, searches, writes every
// solution under its file name, and prints the result and statistics lines.
#include "app/RunDriver.h"

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
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/mytime.h"
#include "util/utils.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

// The name of an output file, numbered when suffix is given: sol.dot, sol.3.dot.
std::string outputName(const std::string& name, const std::string& suffix) {
    return suffix.empty() ? name : AppendToFilename(name, suffix);
}

// Writes every requested drawing and netlist of one solution. A stop request is honoured
// between files, never inside one.
void writeOutputs(const Settings& s, SAT_CircGen& engine, RunMonitor& monitor,
                  const SoPLA* solution, uint32_t nodes, const std::string& suffix) {
    PhaseTimings::Scope scope(engine.timings, PhaseTimings::Decode);
    const auto write = [&](const std::optional<std::string>& name, const auto& writer) {
        if (!name) return;
        StopRequest::ThrowIfPending();
        const RunMonitor::Writing writing(monitor);
        writer(outputName(*name, suffix));
    };
    write(s.dotFile, [&](const std::string& f) { engine.SaveDOT(solution, nodes, f); });
    write(s.aagFile, [&](const std::string& f) { engine.SaveAAG(solution, nodes, f); });
    write(s.aigFile, [&](const std::string& f) { engine.SaveAIG(solution, nodes, f); });
    write(s.blifFile,
          [&](const std::string& f) { engine.Graph2Network(solution, nodes)->SaveBlif(f); });
}

// The target of the run, named, with the control input called P.
std::unique_ptr<PLA> buildTarget(const Settings& s) {
    std::unique_ptr<PLA> target;
    if (!s.truthFile && s.plaFile) {
        target = std::make_unique<PLA>();
        target->LoadPLA(*s.plaFile);
    } else if (!s.truthFile) {
        target = DeriveFnctPLA(TargetTable(s), s.k, s.polyedges);
    } else if (s.plaFile) {
        throw RuntimeException("Truth table cannot be written when PLA is specified");
    } else if (s.functionGiven) {
        const TruthTable table = TargetTable(s);
        Write_Truth(table, s.k, *s.truthFile);
        target = DeriveFnctPLA(table, s.k, s.polyedges);
    } else {
        const TruthTable table =
            ReadTruthTable(s.kGiven ? std::optional<uint32_t>(s.k) : std::nullopt, *s.truthFile);
        uint32_t k = 0;
        while (MintermCount(k) < table.size())
            ++k;
        target = DeriveFnctPLA(table, k, s.polyedges);
    }
    return target;
}

int runSynthesis(const Settings& s, float t0, SearchProgress& progress, RunMonitor& monitor) {
    const double wall0 = PhaseTimings::WallNow();
    PhaseTimings timings;
    SAT_CircGen engine;
    if (s.timings) engine.timings = &timings;
    engine.progress = &progress;

    engine.route =
        s.externalSolver ? SAT_CircGen::SolverRoute::Minisat : SAT_CircGen::SolverRoute::Embedded;
    engine.set_polyedges(s.polyedges);
    const std::unique_ptr<PLA> target = buildTarget(s);
    engine.set_PLA(target.get());
    // The circuit inputs of the enumeration statistics.
    const uint32_t X = target->getInputs() - (s.polyedges ? 0u : 1u);
    target->NameVars();
    if (s.polyedges && X > 0) target->setIName(X - 1, "P");

    // Without -gatecosts every node function costs 1.
    const std::string costs = s.gateCosts.value_or(std::string(s.nodeFuncts.size(), '1'));
    if (s.nodeFuncts.size() != costs.size())
        throw RuntimeException("-gatecosts and -nodefuncts must be of equal size");
    if (s.n != 0) {
        engine.n = s.n;
        engine.fixedN = true;
    }
    engine.set_inv(s.invertedEdges);
    engine.set_const(s.constants);
    {
        PhaseTimings::Scope scope(engine.timings, PhaseTimings::Library);
        engine.DeriveFunctions(s.nodeFuncts);
    }
    engine.set_GateCosts(costs);
    engine.set_difftopology(s.diffTopology);
    engine.useFastBound = !s.noBound;

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
    for (;;) {
        engine.Generate(E, s.continueRun, B, B && E, 0);
        if (B && E) {
            uint32_t i = 0;
            for (Model& solution : engine.solutions) {
                progress.set(SearchProgress::Writing, engine.n);
                writeOutputs(s, engine, monitor, solution.get(), engine.n, "." + int2string(i++));
                solution.reset();
                engine.SAT_res.reset();
                engine.bestRes.reset();
            }
            break;
        }
        if (engine.SAT_res) {
            progress.set(SearchProgress::Writing, engine.n);
            writeOutputs(s, engine, monitor, engine.SAT_res.get(), engine.n,
                         E ? "." + int2string(engine.sol_no) : "");
            if (E && s.enumStats) {
                const SoPLA* sol = engine.SAT_res.get();
                std::cerr << s.functionText << "_" << engine.sol_no << ";" << X << ";" << engine.n
                          << ";" << engine.getNodesOfType(sol, engine.n, "xor") << ";";
                if (s.polyedges) std::cerr << engine.CountPolyEdges(sol, engine.n) << ";";
                std::cerr << engine.getLevels(sol, engine.n) << std::endl;
            }
        }
        if (!(E && engine.SAT_res)) break;
    }

    std::cout << "Solutions: " << engine.sol_no << std::endl;
    const float t1 = GetMyCPUTime();
    if (!E && s.stats) {
        // Without a solution (a preset n too small) the fields that describe it stay empty.
        std::cerr << s.functionText << ";";
        if (const SoPLA* sol = engine.SAT_res.get()) {
            std::cerr << engine.n << ";" << engine.getNodesOfType(sol, engine.n, "xor") << ";";
            if (s.polyedges) std::cerr << engine.CountPolyEdges(sol, engine.n) << ";";
            std::cerr << engine.getLevels(sol, engine.n) << ";";
        } else {
            std::cerr << (s.polyedges ? ";;;;" : ";;;");
        }
        std::cerr << static_cast<double>(t1 - t0) << std::endl;
    }
    if (s.timings) std::cerr << timings.Report(PhaseTimings::WallNow() - wall0) << std::endl;
    return 0;
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
    try {
        const int status = runSynthesis(settings, t0, progress, monitor);
        monitor.Stop();
        return status;
    } catch (const StopRequested& stop) {
        monitor.Stop();
        line.Erase();
        std::cout.flush();
        std::cerr << RunMonitor::StopMessage(settings, progress, stop.signo()) << std::flush;
        return RunMonitor::StopStatus(stop.signo());
    }
}
