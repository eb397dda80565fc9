// The exact-synthesis engine: holds the problem and the options, derives the node library,
// builds the CNF instance for n nodes, blocks found solutions, adds cost constraints,
// drives the external solvers, searches over n, and decodes and writes solutions.
//
// The members are defined in one source file per concern:
//   SAT_CircGen_state.cpp     construction, configuration, gate costs, release of models
//   SAT_CircGen_library.cpp   node-function library (DeriveFunctions)
//   SAT_CircGen_encode.cpp    CNF encoding of an n-node circuit (Generate_SAT)
//   SAT_CircGen_blocking.cpp  node permutations, solution blocking, function-select variables
//   SAT_CircGen_costs.cpp     cost bounds and the pseudo-Boolean objective
//   SAT_CircGen_solver.cpp    external solver runs and their result files
//   SAT_CircGen_search.cpp    the search loop, enumeration, continuation, best delay
//   SAT_CircGen_decode.cpp    reading a model once into a Circuit; networks, levels, counts
//   SAT_CircGen_writers.cpp   DOT, AIGER ASCII and binary AIGER writers (of a Circuit)
//   SAT_CircGen_bound.cpp     the problem as the lower-bound engine sees it
//   SAT_CircGen_embedded.cpp  what the embedded solver holds beyond the instance
//   SAT_CircGen_construct.cpp a circuit of the target built without search
#pragma once

#include "bound/BoundCircuit.h"
#include "bound/BoundProblem.h"
#include "logic/PLA.h"
#include "logic/SoPLA.h"
#include "synth/Circuit.h"
#include "synth/VarMap.h"

#include <cstdint>
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
// Models can be held by several fields at once (the current and the best solution are
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
};

class SAT_CircGen {
public:
    SAT_CircGen();
    ~SAT_CircGen();
    SAT_CircGen(const SAT_CircGen&) = delete;
    SAT_CircGen& operator=(const SAT_CircGen&) = delete;

    // --- state and configuration ---
    void clean();
    void set_k(uint32_t value);
    void set_n(uint32_t value);
    void set_polyedges(bool value) { polyEdges = value; }
    void set_inv(bool value) { allowInv = value; }
    void set_const(bool value) { allowConst = value; }
    void set_difftopology(bool value) { diffTopology = value; }
    void set_PLA(PLA* pla);
    void set_GateCosts(std::string costs);
    bool is_symmetric(const std::string& tt) const;
    bool is_neg_symmetric(const std::string& tt) const;

    // --- node library ---
    void DeriveFunctions(const std::string& functions);

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
    void ShowPerms(const std::list<std::vector<uint32_t>>* perms) const;
    void Constrain();
    void Add_FH();

    // --- costs ---
    void ConstrainCost(uint32_t bound);
    std::string PBO_OptCrit();
    uint32_t ComputeCost(const SoPLA* solution, uint32_t nodes) const;
    uint32_t ComputeCost(const Circuit& circuit) const;

    // --- solver driver ---
    // One solver run on the instance (the optimizer when pbo is set); SAT_res must be null
    // and holds the model afterwards, or stays null when there is none.
    void RunSAT(bool pbo);
    // A SAT run under assumptions (DIMACS literals; the embedded route only).
    void SolveWith(const std::vector<int>& assumptions);
    // The solver of the configured route, made on first use.
    SearchSolver& Solver();
    void ReadSATResult(const std::string& file);
    void ReadPBOResult(const std::string& file);
    void SaveSATRes(const SoPLA* model, const std::string& file) const;

    // --- search ---
    void Generate(const GenerateOptions& options);
    void SaveConstraints();
    // The settings that shape the instance and its enumeration, as "key=value" words: the
    // target's shape and truth table (a hash), the library, the gate costs and the options.
    // The continuation file records it, so that a run never resumes another problem.
    std::string ProblemFingerprint() const;

    // --- a circuit by construction ---
    struct Constructed {
        BoundCircuit circuit; // in the lower-bound engine's form: an upper bound of the search
        Circuit decoded;      // as the writers and the statistics take it
    };
    // A circuit of the target built without search (synth/CircuitConstruction.h), realised
    // by the library (CircuitOf; no instance is built). nullopt where no construction
    // applies: polymorphic edges, no inversions, a preset node count, too many inputs, or
    // a library without an AND-like function. When it is the search's result, it becomes a
    // model of the instance whose every clause is checked.
    std::optional<Constructed> Construct();

    // --- the lower-bound engine's view ---
    BoundProblem::Spec BoundSpec() const;
    // The complete model of the current instance (built for n nodes) that realises a
    // circuit of the lower-bound engine, each node by its cheapest library function. Every
    // clause of the instance is checked; a violated one is an internal error.
    Model ModelOfCircuit(const BoundCircuit& circuit) const;
    // The same circuit as decoding gives it, without an instance: each node by its cheapest
    // library function and inversions, a node that realises the complement of its table
    // absorbed by its readers' and outputs' inversions.
    Circuit CircuitOf(const BoundCircuit& circuit) const;

    // --- decoding ---
    // A model (of an instance with at least `nodes` nodes) read once into a circuit of
    // `nodes` nodes. Everything below reads such a circuit; the operations that take a
    // model decode it first.
    Circuit Decode(const SoPLA* model, uint32_t nodes) const;
    uint32_t WhatFunction(const SoPLA* model, SoPLA::const_iterator term, uint32_t node) const;
    std::unique_ptr<Network> Graph2Network(const SoPLA* model, uint32_t nodes) const;
    std::unique_ptr<Network> Graph2Network(const Circuit& circuit) const;
    std::unique_ptr<Network> Graph2Struct_Network(const SoPLA* model, uint32_t nodes) const;
    std::unique_ptr<Network> Graph2Struct_Network(const Circuit& circuit) const;
    uint32_t getLevels(const SoPLA* model, uint32_t nodes) const;
    uint32_t getLevels(const Circuit& circuit) const { return circuit.Levels(); }
    uint32_t getNodesOfType(const SoPLA* model, uint32_t nodes, std::string type);
    uint32_t getNodesOfType(const Circuit& circuit, const std::string& type) const;
    uint32_t CountPolyEdges(const SoPLA* model, uint32_t nodes) const;
    uint32_t CountPolyEdges(const Circuit& circuit) const { return circuit.PolyEdges(); }

    // --- writers ---
    void SaveDOT(const SoPLA* model, uint32_t nodes, std::string file);
    void SaveDOT(const Circuit& circuit, const std::string& file) const;
    void SaveAAG(const SoPLA* model, uint32_t nodes, std::string file);
    void SaveAAG(const Circuit& circuit, const std::string& file) const;
    // Binary AIGER in AND-inverter form: every node function becomes ANDs with inversions.
    void SaveAIG(const SoPLA* model, uint32_t nodes, std::string file);
    void SaveAIG(const Circuit& circuit, const std::string& file) const;
    // One JSON record of the circuit: the target's tables and care masks (hexadecimal, the
    // highest row first, as -fh reads them), the library and gate costs, the gates
    // (library digit, operands with their inversions), the outputs, and the node count,
    // cost, depth, XOR count and status ("optimum" or "bounded": not proven optimal).
    void SaveJSON(const Circuit& circuit, const std::string& file,
                  const std::string& status) const;

    // --- fields (declaration order of the engine's state) ---
    uint32_t k = 0;
    uint32_t m = 1;
    uint32_t n = 0;
    bool polyEdges = false;
    bool allowConst = true;
    bool allowInv = true;
    bool diffTopology = false;
    PLA* target = nullptr; // not owned
    std::vector<PLA> nodeFunctions;
    std::vector<SoPLA> nodeFunctionCovers;
    std::vector<uint32_t> gateCosts;
    uint32_t maxGateCost = 1;
    uint32_t minGateCost = 1;
    bool costsDiffer = false;
    std::vector<bool> symmetric;
    bool allSymmetric = true;
    std::vector<bool> negSymmetric;
    uint32_t functionCount = 0;
    // The library as given to DeriveFunctions (hexadecimal digits, upper case).
    std::string libraryText;
    uint32_t codeBits = 0;
    bool fixedN = false;
    bool pboMode = false;
    SoPLA clauses;
    Model SAT_res;
    Model bestRes;
    uint32_t best_cost = 0xFFFFFFFFu;
    uint32_t best_n = 0xFFFFFFFFu;
    std::list<Model> solutions;
    uint32_t sol_no = 0;
    // Optional account of where the run's time goes (not owned; null keeps no account).
    PhaseTimings* timings = nullptr;
    // Optional live account of what the search is doing (not owned; null keeps none).
    SearchProgress* progress = nullptr;
    // Before the first solution, node counts that the in-process lower-bound engine proves
    // impossible are skipped without running a solver on the instance.
    bool useFastBound = true;
    // Which solver decides the instances: CaDiCaL in-process, or minisat and minisat+
    // through exchange files in the current directory. A change takes effect with the
    // next search (the solver is made on first use).
    enum class SolverRoute { Embedded, Minisat };
    SolverRoute route = SolverRoute::Minisat;
    std::unique_ptr<SearchSolver> solver;
    // Why the last search ran without the lower-bound engine ("" when it used it).
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
    // Embedded route, before a solve: adds what the solver lacks of the extras above, and
    // returns the assumptions for a total gate cost of at most costBound (0xFFFFFFFF: none).
    std::vector<int> PrepareEmbeddedSolve(uint32_t costBound);
    // Threads the search may use.
    uint32_t threads = 1;

    // The gate name of library function t ("and", "xor", ...; "" when it has none).
    std::string GateName(uint32_t t) const;

private:
    // How a classic node realises one node of the lower-bound engine's circuit.
    struct NodeRealisation {
        uint32_t function = 0;
        uint32_t source[2] = {0, 0};
        bool inverted[2] = {false, false};
        uint32_t polarity = 0; // the classic node carries the engine's value xor this
    };
    std::vector<NodeRealisation> realiseNodes(const BoundCircuit& circuit) const;

    // The embedded route's extras (SAT_CircGen_embedded.cpp).
    void OrderNodes();
    void ForbidRedundantNodes();
    std::vector<int> CostBoundAssumption(uint32_t bound);
    // The library index that the function code of a node holds in a model's values.
    uint32_t FunctionAt(const Cube& values, const VarMap& vm, uint32_t node) const;
    // The map of the instance a model of `width` variables belongs to, with at least
    // `nodes` nodes (the map for `nodes` itself when it fits).
    VarMap MapOfModel(uint32_t width, uint32_t nodes) const;

    std::optional<VarMap> vars_; // the current instance's map
};
