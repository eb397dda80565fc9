// The exact-synthesis engine of one problem (synth/Problem.h): builds the CNF instance for
// n nodes, blocks found solutions, adds cost constraints, drives the solvers, searches
// over n, and decodes solutions into circuits. Its state is private; a search is asked for
// by a GenerateOptions value and answers with a SearchResult value.
//
// The members are defined in one source file per concern:
//   SAT_CircGen_state.cpp     construction, the fingerprint, release of models
//   SAT_CircGen_encode.cpp    CNF encoding of an n-node circuit (Generate_SAT)
//   SAT_CircGen_blocking.cpp  node permutations, solution blocking, function-select variables
//   SAT_CircGen_costs.cpp     cost bounds and the pseudo-Boolean objective
//   SAT_CircGen_solver.cpp    external solver runs and their result files
//   SAT_CircGen_search.cpp    the search loop, enumeration, continuation, best delay
//   SAT_CircGen_decode.cpp    reading a model once into a Circuit; networks, levels, counts
//   SAT_CircGen_writers.cpp   the writers of synth/CircuitWriters.h to named files
//   SAT_CircGen_bound.cpp     the problem as the lower-bound engine sees it
//   SAT_CircGen_embedded.cpp  what the embedded solver holds beyond the instance
//   SAT_CircGen_construct.cpp a circuit of the target built without search
#pragma once

#include "bound/BoundCircuit.h"
#include "bound/BoundProblem.h"
#include "logic/PLA.h"
#include "logic/SoPLA.h"
#include "synth/Circuit.h"
#include "synth/CircuitWriters.h"
#include "synth/Problem.h"
#include "synth/VarMap.h"
#include "util/StopToken.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Network;
class SearchSolver;
class CostCounter;
class PhaseTimings;
struct SearchProgress;

// A solver model: a clause-set-shaped SoPLA whose first term holds the variable values.
// Models can be held by several owners at once (the current and the best solution are
// often the same object), hence shared ownership.
using Model = std::shared_ptr<SoPLA>;

// What one call of SAT_CircGen::Generate is asked to do. The front end passes enumerate,
// continue, best, best && enumerate, and verbosity 0.
struct GenerateOptions {
    bool enumerate = false; // further calls return the next solution of an enumeration
    bool cont = false;      // save constr.cnf after every blocked solution; resume from it
    bool best = false;      // the solutions of least depth
    bool bulk = false;      // with best: every solution of least depth, in `solutions`
    unsigned verbosity = 0; // 1: lines before every solver run; 2: also log/SAT*.txt
    // A circuit known to realise the target (of equal gate costs): on the embedded route the
    // first search ends with it once every smaller node count is ruled out.
    const BoundCircuit* upper = nullptr;
    // Every node count below this one is known to be impossible (a proof of an earlier
    // run): the embedded route's first search starts there. Used without gate costs only.
    uint32_t provenBelow = 0;
    // Below the first solution, node counts that the in-process lower-bound engine proves
    // impossible are skipped without running a solver on the instance.
    bool lowerBound = true;
    // Threads the search may use (the results never depend on it).
    uint32_t threads = 1;
    // The call stops, throwing StopRequested, once the token is requested or the time limit
    // (seconds; 0: none) has passed, besides on the process's own stop request.
    StopToken stop;
    double timeLimit = 0;
    // Optional observers (not owned; null: none): a live account of the search, where its
    // time goes, and the verbose lines (written to the standard output without one).
    SearchProgress* progress = nullptr;
    PhaseTimings* timings = nullptr;
    std::function<void(const std::string&)> log;
};

// What a call of Generate found.
struct SearchResult {
    // The solution of this call: the optimum, the next one of an enumeration, or the one of
    // least depth. None when an enumeration is exhausted or a preset count has none.
    std::optional<Circuit> circuit;
    // best && bulk: every solution of least depth, in the order found.
    std::vector<Circuit> solutions;
    uint32_t nodes = 0;         // of the solution(s)
    uint32_t cost = 0;          // total gate cost of the solution (nodes without costs)
    uint32_t solutionCount = 0; // solutions counted so far (the "Solutions:" figure)
    bool proven = false;        // the search proved that no smaller (cheaper) circuit exists
    // Why the search ran without the lower-bound engine ("" when it used it).
    std::string boundNote;
};

class SAT_CircGen {
public:
    // The engine of a problem. The node library's covers came from the minimizer of the
    // route (the caller's choice); the route also picks the solver. InternalError without a
    // target.
    explicit SAT_CircGen(Problem problem, SolverRoute route = SolverRoute::Embedded);
    ~SAT_CircGen();
    SAT_CircGen(const SAT_CircGen&) = delete;
    SAT_CircGen& operator=(const SAT_CircGen&) = delete;

    // --- the problem ---
    const Problem& problem() const { return problem_; }
    const Library& library() const { return problem_.library; }
    uint32_t Inputs() const { return k; }
    uint32_t Outputs() const { return m; }
    bool CostsDiffer() const { return problem_.library.CostsDiffer(); }
    // The settings that shape the instance and its enumeration, as "key=value" words: the
    // target's shape and truth table (a hash), the library, the gate costs and the options.
    // The continuation file records it, so that a run never resumes another problem.
    std::string ProblemFingerprint() const;

    // --- state ---
    // Drops the instance, the solver's clauses and every model.
    void clean();
    // The node count of the instance Generate_SAT builds next (the instance is dropped).
    void set_n(uint32_t value);
    uint32_t Nodes() const { return n; }
    // The current instance and the current solution (null: none).
    const SoPLA& Clauses() const { return clauses; }
    const SoPLA* Solution() const { return SAT_res.get(); }
    // A model of the current instance becomes the current solution (the next enumeration
    // step blocks it).
    void AdoptSolution(Model model) { SAT_res = std::move(model); }

    // --- encoding ---
    void Generate_SAT();
    // The variable map of the current instance (built by Generate_SAT, or checked against
    // a loaded continuation file by AdoptLoadedInstance). No instance: an internal error.
    const VarMap& Vars() const;
    // The variable map of an instance of this problem with the given node count.
    VarMap MapFor(uint32_t nodes) const;
    // A clause set loaded from a file (constr.cnf) for n nodes becomes the instance: its
    // variables must carry the names the map gives their positions.
    void AdoptLoadedInstance();

    // --- blocking and function-select variables ---
    std::unique_ptr<std::list<std::vector<uint32_t>>> Gen_Permutations() const;
    uint32_t perm_it(uint32_t s, std::list<std::vector<uint32_t>>::const_iterator perm) const;
    void ShowPerms(const std::list<std::vector<uint32_t>>* perms, std::ostream& out) const;
    void Constrain();
    void Add_FH();

    // --- costs ---
    void ConstrainCost(uint32_t bound);
    std::string PBO_OptCrit();
    uint32_t ComputeCost(const SoPLA* solution, uint32_t nodes) const;
    uint32_t ComputeCost(const Circuit& circuit) const;

    // --- solver driver ---
    // One solver run on the instance (the optimizer when pbo is set); the current solution
    // is dropped first and holds the model afterwards, or stays null when there is none.
    void RunSAT(bool pbo);
    // A SAT run under assumptions (DIMACS literals; the embedded route only).
    void SolveWith(const std::vector<int>& assumptions);
    // The solver of the configured route, made on first use.
    SearchSolver& Solver();
    void ReadSATResult(const std::string& file);
    void ReadPBOResult(const std::string& file);
    void SaveSATRes(const SoPLA* model, const std::string& file) const;

    // --- search ---
    SearchResult Generate(const GenerateOptions& options);
    void SaveConstraints();

    // --- a circuit by construction ---
    struct Constructed {
        BoundCircuit circuit; // in the lower-bound engine's form: an upper bound of the search
        Circuit decoded;      // as the writers and the statistics take it
    };
    // A circuit of the target built without search (synth/CircuitConstruction.h), realised
    // by the library (CircuitOf; no instance is built). nullopt where no construction
    // applies: polymorphic edges, no inversions, a preset node count, too many inputs, or
    // a library without an AND-like function.
    std::optional<Constructed> Construct() const;

    // --- the lower-bound engine's view ---
    BoundProblem::Spec BoundSpec() const;
    // The complete model of the current instance (built for n nodes) that realises a
    // circuit of the lower-bound engine, each node by its cheapest library function. Every
    // clause of the instance is checked; a violated one is an internal error.
    Model ModelOfCircuit(const BoundCircuit& circuit) const;
    // The same circuit as decoding that model gives it, without an instance: each node by
    // its cheapest library function and inversions, a node that realises the complement of
    // its table absorbed by its readers' and outputs' inversions.
    Circuit CircuitOf(const BoundCircuit& circuit) const;
    // Simulates the circuit on every row of the target: InternalError naming the first row
    // where an output differs from a value the target holds. Not for polymorphic circuits.
    void CheckRealises(const Circuit& circuit) const;

    // --- decoding ---
    // A model (of an instance with at least `nodes` nodes) read once into a circuit of
    // `nodes` nodes. Everything below reads such a circuit; the operations that take a
    // model decode it first.
    Circuit Decode(const SoPLA* model, uint32_t nodes) const;
    uint32_t WhatFunction(const SoPLA* model, SoPLA::const_iterator term, uint32_t node) const;
    // The names the writers give the circuit's signals (the target's).
    CircuitNames Names() const;
    std::unique_ptr<Network> Graph2Network(const SoPLA* model, uint32_t nodes) const;
    std::unique_ptr<Network> Graph2Network(const Circuit& circuit) const;
    std::unique_ptr<Network> Graph2Struct_Network(const SoPLA* model, uint32_t nodes) const;
    std::unique_ptr<Network> Graph2Struct_Network(const Circuit& circuit) const;
    uint32_t getLevels(const SoPLA* model, uint32_t nodes) const;
    uint32_t getLevels(const Circuit& circuit) const { return circuit.Levels(); }
    uint32_t getNodesOfType(const SoPLA* model, uint32_t nodes, const std::string& type) const;
    uint32_t getNodesOfType(const Circuit& circuit, const std::string& type) const;
    uint32_t CountPolyEdges(const SoPLA* model, uint32_t nodes) const;
    uint32_t CountPolyEdges(const Circuit& circuit) const { return circuit.PolyEdges(); }

    // --- writers (the free functions of synth/CircuitWriters.h, to named files) ---
    void SaveDOT(const SoPLA* model, uint32_t nodes, const std::string& file) const;
    void SaveDOT(const Circuit& circuit, const std::string& file) const;
    void SaveAAG(const SoPLA* model, uint32_t nodes, const std::string& file) const;
    void SaveAAG(const Circuit& circuit, const std::string& file) const;
    void SaveAIG(const SoPLA* model, uint32_t nodes, const std::string& file) const;
    void SaveAIG(const Circuit& circuit, const std::string& file) const;
    void SaveJSON(const Circuit& circuit, const std::string& file, const std::string& status) const;

    // The gate name of library function t ("and", "xor", ...; "" when it has none).
    const std::string& GateName(uint32_t t) const { return problem_.library.GateName(t); }

private:
    class Search;                       // one call of Generate (SAT_CircGen_search.cpp)
    class InstanceBuilder;              // the clauses of one instance (SAT_CircGen_encode.cpp)
    friend class SAT_CircGenTestAccess; // unit tests plant instances and models

    // How a classic node realises one node of the lower-bound engine's circuit.
    struct NodeRealisation {
        uint32_t function = 0;
        uint32_t source[2] = {0, 0};
        bool inverted[2] = {false, false};
        uint32_t polarity = 0; // the classic node carries the engine's value xor this
    };
    std::vector<NodeRealisation> realiseNodes(const BoundCircuit& circuit) const;

    // The embedded route's extras (SAT_CircGen_embedded.cpp).
    // Before a solve: adds what the solver lacks of the extras, and returns the assumptions
    // for a total gate cost of at most costBound (0xFFFFFFFF: none).
    std::vector<int> PrepareEmbeddedSolve(uint32_t costBound);
    void OrderNodes();
    void ForbidRedundantNodes();
    std::vector<int> CostBoundAssumption(uint32_t bound);
    // The library index that the function code of a node holds in a model's values.
    uint32_t FunctionAt(const Cube& values, const VarMap& vm, uint32_t node) const;
    // The map of the instance a model of `width` variables belongs to, with at least
    // `nodes` nodes (the map for `nodes` itself when it fits).
    VarMap MapOfModel(uint32_t width, uint32_t nodes) const;

    // --- the problem, fixed at construction ---
    Problem problem_;
    const PLA* target; // problem_.target
    uint32_t k = 0;    // circuit inputs
    uint32_t m = 1;    // outputs
    bool polyEdges = false;
    bool allowConst = true;
    bool allowInv = true;
    bool diffTopology = false;
    bool fixedN = false; // a preset node count
    SolverRoute route;

    // --- the search's state ---
    uint32_t n = 0; // nodes of the current instance
    bool pboMode = false;
    SoPLA clauses;
    Model SAT_res;
    Model bestRes;
    uint32_t best_cost = 0xFFFFFFFFu;
    uint32_t best_n = 0xFFFFFFFFu;
    std::list<Model> solutions;
    uint32_t sol_no = 0;
    std::unique_ptr<SearchSolver> solver;
    std::string boundNote;
    // Embedded route: what the solver holds beyond the clause set for the current instance
    // (reset whenever the instance is rebuilt, loaded or dropped), and whether the search
    // has proven the optimum it enumerates (node count, or the least cost of all).
    struct SolverExtras {
        bool ordered = false; // consecutive nodes in colex order
        bool pruned = false;  // no redundant node
        std::unique_ptr<CostCounter> counter;
    };
    SolverExtras extras;
    bool optimumProven = false;
    // The observers of the current call of Generate (null outside one).
    PhaseTimings* timings = nullptr;
    SearchProgress* progress = nullptr;
    uint32_t threads = 1;

    std::optional<VarMap> vars_; // the current instance's map
};
