#include "app/OptimumSolver.h"

#include "app/TargetFunction.h"
#include "logic/PLA.h"
#include "logic/Term.h"
#include "network/Network.h"
#include "synth/Realizability.h"
#include "synth/SAT_CircGen.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <cctype>
#include <map>
#include <optional>

namespace {

TruthTable truthTable(const TableWords& table, uint32_t k) {
    TruthTable t(MintermCount(k));
    for (uint32_t r = 0; r < t.size(); ++r)
        t.set(r, (table[r >> 6] >> (r & 63)) & 1u);
    return t;
}

// The engine's decoded network as a circuit: every network node computes the true value
// of the signal it names, so its table is its cover simulated on its two fan-ins.
BoundCircuit circuitOfNetwork(const Network& net, uint32_t k) {
    BoundCircuit c;
    c.k = k;
    std::map<std::string, uint32_t> signal{{"const_0", 0}};
    for (uint32_t j = 0; j < k; ++j)
        signal[net.getINames().at(j)] = j + 1;
    const auto source = [&](const std::string& name) {
        const auto it = signal.find(name);
        if (it == signal.end())
            throw RuntimeException("internal error: the decoded circuit reads an unknown signal " +
                                   name);
        return it->second;
    };
    // A cover's value on one row as the BLIF netlist states it: the rows it lists take
    // their value, the others its complement.
    const auto value = [](const Node& node, const std::string& row) {
        const auto& terms = node.getTerms();
        for (const Term& t : terms) {
            const std::string cube = t.getCube();
            bool match = cube.size() == row.size();
            for (size_t j = 0; j < cube.size() && match; ++j)
                match = cube[j] == '-' || cube[j] == row[j];
            if (match) return t.getOM() == "1" ? 1u : 0u;
        }
        return !terms.empty() && terms.front().getOM() == "0" ? 1u : 0u;
    };
    const std::string outName = net.getONames().at(0);
    std::optional<BoundCircuit::Output> out;
    for (const Node& node : net.getNodes()) {
        const std::string name = node.getOName(0);
        if (name == "const_0") continue; // the constant
        if (node.getInputs() == 1) {     // the output taken from an input or the constant
            out = BoundCircuit::Output{source(node.getIName(0)), value(node, "0") == 1};
            continue;
        }
        BoundCircuit::Node nd;
        nd.a = source(node.getIName(0));
        nd.b = source(node.getIName(1));
        const char* const rows[] = {"00", "01", "10", "11"};
        for (uint32_t r = 0; r < 4; ++r)
            if (value(node, rows[r]) == 1) nd.table |= 1u << r;
        if (nd.a > nd.b) {
            std::swap(nd.a, nd.b);
            nd.table = (nd.table & 9u) | ((nd.table & 2u) << 1) | ((nd.table & 4u) >> 1);
        }
        c.nodes.push_back(nd);
        signal[name] = k + static_cast<uint32_t>(c.nodes.size());
        if (name == outName) out = BoundCircuit::Output{signal[name], false};
    }
    if (!out) throw RuntimeException("internal error: the decoded circuit has no output");
    c.outputs.push_back(*out);
    return c;
}

} // namespace

OptimumSolver::OptimumSolver(const Settings& s, uint32_t k, uint32_t threads)
    : k_(k), threads_(threads), library_(s.nodeFuncts),
      costs_(s.gateCosts.value_or(std::string(s.nodeFuncts.size(), '1'))), inv_(s.invertedEdges),
      const_(s.constants), best_(s.bestDelay), noBound_(s.noBound) {
    if (library_.size() != costs_.size())
        throw RuntimeException("-gatecosts and -nodefuncts must be of equal size");
    for (std::string* text : {&library_, &costs_})
        for (char& ch : *text)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
}

std::string OptimumSolver::OptionsKey() const {
    return "library=" + library_ + " costs=" + costs_ + " inv=" + (inv_ ? "1" : "0") +
           " const=" + (const_ ? "1" : "0") + " best=" + (best_ ? "1" : "0");
}

std::unique_ptr<SAT_CircGen> OptimumSolver::engineFor(const TableWords& table,
                                                      std::unique_ptr<PLA>& target) const {
    target = DeriveFnctPLA(truthTable(table, k_), k_, false);
    auto engine = std::make_unique<SAT_CircGen>();
    engine->route = SAT_CircGen::SolverRoute::Embedded;
    engine->set_polyedges(false);
    engine->set_PLA(target.get());
    target->NameVars();
    engine->set_inv(inv_);
    engine->set_const(const_);
    engine->DeriveFunctions(library_);
    engine->set_GateCosts(costs_);
    engine->set_difftopology(false);
    engine->useFastBound = !noBound_;
    engine->threads = threads_;
    return engine;
}

void OptimumSolver::model(SAT_CircGen& engine, const BoundCircuit& circuit, Realised& into) const {
    engine.n = static_cast<uint32_t>(circuit.nodes.size());
    engine.Generate_SAT();
    if (engine.costsDiffer) engine.Add_FH();
    into.model_ = engine.ModelOfCircuit(circuit);
    const SoPLA* m = into.model_.get();
    into.stats_.nodes = engine.n;
    into.stats_.xors = engine.getNodesOfType(m, engine.n, "xor");
    into.stats_.levels = engine.getLevels(m, engine.n);
    into.stats_.cost = engine.ComputeCost(m, engine.n);
}

OptimumSolver::Outcome OptimumSolver::Solve(const TableWords& table) const {
    Outcome out;
    std::unique_ptr<PLA> target;
    std::unique_ptr<SAT_CircGen> engine = engineFor(table, target);
    const Realizability check(library_, inv_, const_, false);
    out.reason = check.ProveImpossible(*target);
    if (!out.reason.empty()) {
        out.status = Outcome::Impossible;
        return out;
    }
    GenerateOptions options;
    options.best = best_;
    engine->Generate(options);
    if (!engine->SAT_res) throw RuntimeException("internal error: the search found no circuit");
    out.circuit = circuitOfNetwork(*engine->Graph2Network(engine->SAT_res.get(), engine->n), k_);
    if (SimulateCircuit(out.circuit) != table)
        throw RuntimeException("internal error: the decoded circuit does not realise the target");
    // The circuit as every later target of its class will see it: each node realised by
    // its cheapest library function (the engine's own rule), so the statistics are those
    // of the circuits written for the class.
    Realised realised;
    model(*engine, out.circuit, realised);
    out.stats = realised.stats_;
    return out;
}

OptimumSolver::Realised::Realised() = default;
OptimumSolver::Realised::~Realised() = default;

std::unique_ptr<OptimumSolver::Realised> OptimumSolver::Realise(const TableWords& table,
                                                                const BoundCircuit& circuit) const {
    if (circuit.k != k_ || circuit.outputs.size() != 1)
        throw RuntimeException("the circuit does not have the target's shape");
    if (SimulateCircuit(circuit) != table)
        throw RuntimeException("the circuit does not realise the target");
    std::unique_ptr<Realised> r(new Realised());
    r->engine_ = engineFor(table, r->target_);
    model(*r->engine_, circuit, *r);
    return r;
}

void OptimumSolver::Realised::Write(const Settings& s, const std::string& suffix) const {
    SAT_CircGen& e = *engine_;
    const SoPLA* m = model_.get();
    const auto name = [&](const std::string& file) {
        return suffix.empty() ? file : AppendToFilename(file, suffix);
    };
    if (s.dotFile) e.SaveDOT(m, e.n, name(*s.dotFile));
    if (s.aagFile) e.SaveAAG(m, e.n, name(*s.aagFile));
    if (s.aigFile) e.SaveAIG(m, e.n, name(*s.aigFile));
    if (s.blifFile) e.Graph2Network(m, e.n)->SaveBlif(name(*s.blifFile));
}
