// The fast CNF encoding of "a circuit of n nodes realises the target" for the lower-bound
// engine, held in an embedded CaDiCaL solver. Rows of the truth table are added one by one
// (the engine adds the rows that candidate circuits get wrong); the structure and the
// symmetry breaking are built once in the constructor.
//
// Per node: one selection variable per operand pair, pairs ordered colexicographically; the
// node's function as table bits (three in the normal model, where h(0,0) = 0, four in the
// plain model); one value variable per added row. Per output: one driver variable per
// candidate signal and a polarity (normal model). docs/fast-bound.md lists the symmetry
// breaking and why each rule keeps an optimum circuit.
#pragma once

#include "bound/BoundCircuit.h"
#include "bound/BoundProblem.h"
#include "solver/CadicalSolver.h"
#include "solver/CostCounter.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BoundEncoder {
public:
    // Switches for the symmetry breaking (all sound; see docs/fast-bound.md).
    struct Options {
        bool colex = true;           // consecutive nodes' operand pairs in colex order
        bool colexAll = true;        // ... and any later node that could take a node's place
        bool tieBreak = true;        // equal pairs of consecutive nodes: increasing functions
        bool associativity = true;   // regrouped chains of one associative operation
        bool noReapply = true;       // normal model, where the library allows it
        bool symmetricInputs = true; // ordered first use of exchangeable inputs
        // Tables of at most eagerRows rows are encoded whole from the start at counts of
        // at most eagerNodes nodes; otherwise rows are added as candidates fail. On small
        // instances nearly every row is needed anyway and one solve on all of them beats a
        // dozen refinement steps; on larger ones the proofs need fewer rows than the table
        // has (measured: docs/fast-bound.md).
        uint32_t eagerRows = 16;
        uint32_t eagerNodes = 6;
        bool atMostOnePair = true;   // a node selects exactly one pair
        bool essentialInputs = true; // every essential input is read by some node
        bool siblings = true;        // normal model: no node reads two nodes on one pair
        bool knownOperand = true;    // normal model: no operand of a conjunction read again
                                     // two single-reader levels down
    };

    BoundEncoder(const BoundProblem& problem, uint32_t nodes, const Options& options);
    ~BoundEncoder();
    BoundEncoder(const BoundEncoder&) = delete;
    BoundEncoder& operator=(const BoundEncoder&) = delete;

    // Adds the constraints of truth-table row r (once; later calls do nothing).
    void AddRow(uint32_t r);
    enum class Result { Satisfiable, Unsatisfiable, Unknown };
    // Decides the instance with the rows added so far; Unknown when the deadline passes.
    // With a cost bound (AddCostCounter first), only circuits of at most that total cost.
    Result Solve(std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt,
                 std::optional<uint32_t> costBound = std::nullopt);
    // The same under limits: Unknown when one of them ends the search.
    Result Solve(const CadicalSolver::Limits& limits);
    // Conflicts over all solves so far.
    uint64_t conflicts() const { return solver_->conflicts(); }
    // Restricts the instance to the circuits whose last node's lower operand is signal a
    // (one slice of a split of the search space; unsatisfiable when no pair has it).
    void RestrictLastLower(uint32_t a);
    // Makes the total gate cost (BoundCircuit::Cost) boundable up to limit.
    void AddCostCounter(uint32_t limit);
    // The circuit of the last satisfiable Solve.
    BoundCircuit Extract() const;

    // The clauses added so far as DIMACS CNF (for looking at an instance with other tools).
    void WriteDimacs(const std::string& file);

    uint32_t nodes() const { return n_; }
    size_t rowCount() const { return rowsAdded_.size(); }
    uint64_t clauseCount() const { return clauses_; }
    int variableCount() const { return vars_; }

private:
    enum PairKind : uint8_t { Distinct, Unary, ConstFirst, ConstBoth };
    struct Pair {
        uint32_t a;
        uint32_t b;
        PairKind kind;
        int sel;
    };
    struct NodeVars {
        uint32_t signal;
        std::vector<Pair> pairs;
        std::vector<int> pairIndex;    // (a, b) -> position in pairs + 1, 0 when absent
        int g[4];                      // function table bits (literals; kFalse when fixed 0)
        int kind[4] = {0, 0, 0, 0};    // plain model: a pair of this kind is selected
        std::vector<int> value;        // value variable per row slot
        std::vector<int> upperAtLeast; // see UpperAtLeast (built on demand)
    };

    static constexpr int kTrue = 0x7fffffff;
    static constexpr int kFalse = -kTrue;

    static Result Of(CadicalSolver::Result r);
    int NewVar();
    void AddClause(std::initializer_list<int> lits);
    void AddClause(const std::vector<int>& lits);
    // Adds the literals [begin, end): a clause with a true literal is dropped, false
    // literals are left out, and an empty clause makes the instance inconsistent.
    void AddClause(const int* begin, const int* end);
    // The literal "function bits of node t equal table h" as a clause that excludes it.
    void AppendNotTable(std::vector<int>& clause, uint32_t t, uint32_t h) const;
    bool ModelTrue(int lit) const;

    int SelOf(uint32_t t, uint32_t a, uint32_t b) const;
    int ValueLit(uint32_t signal, uint32_t slot, uint32_t row) const;

    void BuildNodes();
    void BuildOutputs();
    void BuildUsage();
    void BuildColex();
    void BuildNoReapplication();
    void BuildAssociativity();
    void BuildSymmetricInputs();
    void BuildSiblings();
    void BuildKnownOperand();
    // A literal that may be true only when node t is read by a node other than node
    // `except` or drives an output.
    int OtherReader(uint32_t t, uint32_t except);
    // A literal that is true when node t reads signal s.
    int Reads(uint32_t t, uint32_t s);
    // Ladder of node t: entry v is true when node t's upper operand is v or larger.
    const std::vector<int>& UpperAtLeast(uint32_t t);
    void BuildEssentialInputs();
    // Table codes node t may take.
    uint16_t PossibleTables() const;

    const BoundProblem& p_;
    const Options opt_;
    const uint32_t k_;
    const uint32_t n_;
    const uint32_t minSource_;
    std::unique_ptr<CadicalSolver> solver_;
    int vars_ = 0;
    bool inconsistent_ = false; // an empty clause was added
    uint64_t clauses_ = 0;
    std::vector<NodeVars> node_;
    // Per output: driver variable per signal (0 when the signal cannot drive it) and the
    // polarity literal.
    std::vector<std::vector<int>> driver_;
    std::vector<int> polarity_;
    std::unique_ptr<CostCounter> cost_;
    std::vector<std::vector<int>> otherReader_; // [t][except], 0 until built
    std::vector<std::vector<int>> reads_;       // [t][s], 0 until built
    std::vector<uint32_t> rowsAdded_;
    std::vector<int> rowSlot_; // row -> slot + 1, 0 when not added
};
