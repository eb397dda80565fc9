#include "app/OptimumSolver.h"

#include "app/TargetFunction.h"
#include "logic/PLA.h"
#include "logic/Term.h"
#include "network/Network.h"
#include "synth/Circuit.h"
#include "synth/Realizability.h"
#include "synth/SAT_CircGen.h"
#include "synth/SearchProgress.h"
#include "util/OutputFile.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

bool bitOf(const TableWords& t, uint32_t r) {
    return (t[r >> 6] >> (r & 63)) & 1u;
}

// The target PLA of table: one full minterm term per row that counts (type "fr", so the
// rows outside care are don't cares).
std::unique_ptr<PLA> targetOf(const TableWords& table, const TableWords& care, uint32_t k) {
    if (care.empty()) {
        TruthTable t(MintermCount(k));
        for (uint32_t r = 0; r < t.size(); ++r)
            t.set(r, bitOf(table, r));
        return DeriveFnctPLA(t, k, false);
    }
    auto pla = std::make_unique<PLA>(k, 1);
    pla->setType(PLA_type("fr"));
    Term term(k, 1);
    term.setCubeType(CUBE_PRODUCT);
    for (uint32_t r = 0; r < MintermCount(k); ++r) {
        if (!bitOf(care, r)) continue;
        term.setCube(int2bin_rev(r, k));
        term.setOM(0, bitOf(table, r) ? Lit_1 : Lit_0);
        pla->AppendTerm(term);
    }
    return pla;
}

// A decoded solution in the lower-bound engine's form. A node's value is its library
// function of its sources' values, each complemented where its port is inverted; the
// output takes its driver's value, complemented where inverted.
BoundCircuit boundCircuitOf(const Circuit& decoded, const std::vector<uint32_t>& library) {
    BoundCircuit c;
    c.k = decoded.k;
    for (const Circuit::Node& node : decoded.nodes) {
        if (node.source[0] == Circuit::kNone || node.source[1] == Circuit::kNone ||
            node.function >= library.size() || library[node.function] > 15)
            throw InternalError("the decoded circuit has a node without a source or a table");
        BoundCircuit::Node nd;
        nd.a = node.source[0];
        nd.b = node.source[1];
        for (uint32_t r = 0; r < 4; ++r) {
            const uint32_t xa = r >> 1, xb = r & 1u;
            const uint32_t p = 2 * (xa ^ node.inverted[0]) + (xb ^ node.inverted[1]);
            if ((library[node.function] >> p) & 1u) nd.table |= 1u << r;
        }
        if (nd.a > nd.b) { // operands in order: exchange the rows 01 and 10
            std::swap(nd.a, nd.b);
            nd.table = (nd.table & 9u) | ((nd.table & 2u) << 1) | ((nd.table & 4u) >> 1);
        }
        c.nodes.push_back(nd);
    }
    if (decoded.outputs.size() != 1 || decoded.outputs[0].driver == Circuit::kNone)
        throw InternalError("the decoded circuit has no output");
    c.outputs.push_back({decoded.outputs[0].driver, decoded.outputs[0].inverted});
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

bool OptimumSolver::Realises(const BoundCircuit& circuit, const TableWords& table,
                             const TableWords& care) {
    const TableWords values = SimulateCircuit(circuit);
    if (values.size() != table.size()) return false;
    for (size_t w = 0; w < values.size(); ++w)
        if ((values[w] ^ table[w]) & (care.empty() ? ~uint64_t{0} : care[w])) return false;
    return true;
}

std::unique_ptr<SAT_CircGen> OptimumSolver::engineFor(const TableWords& table,
                                                      const TableWords& care) const {
    std::shared_ptr<PLA> target = targetOf(table, care, k_);
    target->NameVars();
    Problem problem;
    problem.target = target;
    problem.library = Library(library_, costs_);
    problem.inversions = inv_;
    problem.constants = const_;
    return std::make_unique<SAT_CircGen>(std::move(problem));
}

void OptimumSolver::model(const SAT_CircGen& engine, const BoundCircuit& circuit,
                          Realised& into) const {
    // The circuit as decoding its model gives it (each node by its cheapest library
    // function), without building the instance.
    into.circuit_ = engine.CircuitOf(circuit);
    into.stats_.nodes = static_cast<uint32_t>(circuit.nodes.size());
    into.stats_.xors = engine.getNodesOfType(into.circuit_, "xor");
    into.stats_.levels = engine.getLevels(into.circuit_);
    into.stats_.cost = engine.ComputeCost(into.circuit_);
}

OptimumSolver::Outcome OptimumSolver::Solve(const TableWords& table, const TableWords& care,
                                            SearchProgress* progress,
                                            std::optional<BoundCircuit>* constructed,
                                            uint32_t provenBelow) const {
    Outcome out;
    std::unique_ptr<SAT_CircGen> engine = engineFor(table, care);
    const Realizability check(library_, inv_, const_, false);
    out.reason = check.ProveImpossible(*engine->problem().target);
    if (!out.reason.empty()) {
        out.status = Outcome::Impossible;
        return out;
    }
    GenerateOptions options;
    options.best = best_;
    options.lowerBound = !noBound_;
    options.threads = threads_;
    options.progress = progress;
    // A circuit built first is what a search stopped by its time limit hands back; without
    // gate costs or least depth it also ends the search at its size.
    std::optional<SAT_CircGen::Constructed> built;
    if (constructed != nullptr && !noBound_) {
        built = engine->Construct();
        if (built) {
            *constructed = built->circuit;
            if (progress != nullptr) {
                const auto nodes = static_cast<uint32_t>(built->circuit.nodes.size());
                progress->bestNodes.store(nodes);
                progress->bestCost.store(nodes);
            }
            if (!engine->CostsDiffer() && !best_) options.upper = &built->circuit;
            if (built->circuit.nodes.size() < provenBelow) provenBelow = 0;
        }
    }
    options.provenBelow = engine->CostsDiffer() ? 0 : provenBelow;
    const SearchResult result = engine->Generate(options);
    if (!result.circuit) throw InternalError("the search found no circuit");
    out.circuit = boundCircuitOf(*result.circuit, engine->library().Tables());
    if (!Realises(out.circuit, table, care))
        throw InternalError("the decoded circuit does not realise the target");
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

const Library& OptimumSolver::Realised::library() const {
    return engine_->library();
}

std::unique_ptr<OptimumSolver::Realised> OptimumSolver::Realise(const TableWords& table,
                                                                const BoundCircuit& circuit,
                                                                const TableWords& care) const {
    if (circuit.k != k_ || circuit.outputs.size() != 1)
        throw RuntimeException("the circuit does not have the target's shape");
    if (!Realises(circuit, table, care))
        throw RuntimeException("the circuit does not realise the target");
    std::unique_ptr<Realised> r(new Realised());
    r->engine_ = engineFor(table, care);
    model(*r->engine_, circuit, *r);
    return r;
}

void OptimumSolver::Realised::Write(const Settings& s, const std::string& suffix,
                                    const std::string& status) const {
    const SAT_CircGen& e = *engine_;
    const auto name = [&](const std::string& file) {
        return suffix.empty() || OutputFile::IsStdout(file) ? file : AppendToFilename(file, suffix);
    };
    if (s.dotFile) e.SaveDOT(circuit_, name(*s.dotFile));
    if (s.aagFile) e.SaveAAG(circuit_, name(*s.aagFile));
    if (s.aigFile) e.SaveAIG(circuit_, name(*s.aigFile));
    if (s.blifFile) e.Graph2Network(circuit_)->SaveBlif(name(*s.blifFile));
    if (s.verilogFile) e.Graph2Network(circuit_)->SaveVerilog(name(*s.verilogFile));
    if (s.jsonFile) e.SaveJSON(circuit_, name(*s.jsonFile), status);
}
