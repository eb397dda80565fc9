// The synthesis problem as the lower-bound engine sees it: the target's truth tables with
// their care sets, the node functions a circuit node can effectively compute under the
// run's options (library, port inversions, constants), and the symmetries of the target
// that the fast encoding may break.
//
// Two node models are used, chosen by the inversion option:
//   normal  (inversions allowed): every signal is kept in the polarity that is 0 when all
//           inputs are 0; a node computes a normal function (h(0,0) = 0) of two distinct
//           non-constant signals, and the polarity of every signal is absorbed by its
//           consumers (port inversions, or the output inversion of an exclusive-or pushed
//           on to the next consumer) and by the outputs;
//   plain   (no inversions): a node computes a library function, in either port order, of
//           two signals that may coincide and, with constants, may be the constant 0.
// docs/fast-bound.md explains why either model keeps an optimum circuit.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class PLA;

class BoundProblem {
public:
    // What the engine needs to know of a synthesis problem.
    struct Spec {
        // The target: k inputs (k + 1 with polymorphic edges, the last one the control
        // input) and m outputs. Not owned; read only while the problem is built.
        const PLA* target = nullptr;
        uint32_t k = 0;
        uint32_t m = 1;
        // The node library as 4-bit tables f(a, b) at bit 2a + b; a value above 15 marks a
        // function without a complete table.
        std::vector<uint32_t> library;
        // Per library function: unchanged when both inputs are complemented.
        std::vector<bool> negSymmetric;
        // Per library function: its gate cost (empty: every function costs 1).
        std::vector<uint32_t> costs;
        bool allowInv = true;
        bool allowConst = true;
        bool polyEdges = false;
    };

    static constexpr uint32_t kNoCost = 0xFFFFFFFFu;

    // A truth table over the problem's rows, 64 rows per word; row r sets input j
    // (1-based) to bit j-1 of r.
    using Table = std::vector<uint64_t>;

    // Largest input count the engine takes on.
    static constexpr uint32_t kMaxInputs = 16;

    explicit BoundProblem(const Spec& spec);

    bool applicable() const { return reason_.empty(); }
    // Why the engine cannot be used ("" when it can).
    const std::string& reason() const { return reason_; }

    uint32_t inputs() const { return k_; }
    uint32_t outputs() const { return m_; }
    uint32_t rows() const { return rows_; }
    uint32_t words() const { return words_; }
    bool normal() const { return normal_; }
    // Plain model: node ports may read the constant 0.
    bool constOperands() const { return constOperands_; }

    // Output o's value and care set.
    const Table& value(uint32_t o) const { return value_[o]; }
    const Table& care(uint32_t o) const { return care_[o]; }
    bool valueAt(uint32_t o, uint32_t row) const { return bit(value_[o], row); }
    bool caredAt(uint32_t o, uint32_t row) const { return bit(care_[o], row); }
    bool caredAnywhere(uint32_t row) const {
        for (uint32_t o = 0; o < m_; ++o)
            if (caredAt(o, row)) return true;
        return false;
    }
    // Input j's (1-based) table.
    const Table& inputTable(uint32_t j) const { return inputTables_[j - 1]; }
    // All rows set (the unused bits of the last word clear).
    const Table& allRows() const { return allRows_; }

    // Node functions as 4-bit tables: bit 2a+b is h(a, b), a the lower-numbered operand.
    // distinctFunctions: bit t set when table t may be used on two distinct non-constant
    // operands (normal model: the nontrivial normal functions only).
    uint16_t distinctFunctions() const { return distinct_; }
    // Plain model, a node reading one signal on both ports: bit 2*h(1,1) + h(0,0) set when
    // the pair (h(0,0), h(1,1)) is allowed.
    uint8_t unaryCombos() const { return unary_; }
    // Plain model with constants, a node reading the constant on its lower port and a
    // signal y on the other: bit 2*h(0,1) + h(0,0) set when the pair (h(0,0), h(0,1)) is
    // allowed (the node computes y -> h(0, y)).
    uint8_t constCombos() const { return constant_; }
    // Plain model with constants: a node may read the constant on both ports (it then
    // computes the constant 1).
    bool constOneNode() const { return constOne_; }

    // Normal model: a node never reads one of its fan-ins' operands besides the fan-in
    // itself (the composition is always a single library node or trivial).
    bool noReapplication() const { return noReapply_; }
    // ... and reading the two operands directly never makes the node dearer.
    bool reapplicationKeepsCost() const { return reapplyKeepsCost_; }

    // Gate costs: the least cost of a library function that makes a node compute a table,
    // by the kind of operand pair (kNoCost when the table is not available there). The
    // tables are those of distinctFunctions(); for a signal read twice the combo
    // 2*h(1,1) + h(0,0); for the constant and a signal the combo 2*h(0,1) + h(0,0).
    uint32_t distinctCost(uint32_t h) const { return distinctCost_[h]; }
    uint32_t unaryCost(uint32_t combo) const { return unaryCost_[combo]; }
    uint32_t constCost(uint32_t combo) const { return constCost_[combo]; }
    uint32_t constOneCost() const { return constOneCost_; }
    uint32_t minCost() const { return minCost_; }
    bool costsDiffer() const { return minCost_ != maxCost_; }

    // Pairs (j, j') of input signals, j < j', whose exchange maps the target to itself:
    // every output's care set is invariant and so are its values, or, where inversions are
    // allowed, they are after inverting j, j' or both and possibly the output.
    const std::vector<std::pair<uint32_t, uint32_t>>& symmetricInputs() const { return symPairs_; }

    // The largest essential-support size minus one over the outputs: no circuit has fewer
    // nodes.
    uint32_t supportBound() const { return supportBound_; }
    // Some output depends on input j (1-based) whatever its don't cares are.
    bool essential(uint32_t j) const { return essential_[j - 1]; }

    static bool bit(const Table& t, uint32_t row) { return (t[row >> 6] >> (row & 63)) & 1u; }

private:
    void readTarget(const PLA& target);
    void deriveNodeFunctions(const Spec& spec);
    void findSymmetries();
    void computeSupportBound();

    std::string reason_;
    uint32_t k_ = 0;
    uint32_t m_ = 0;
    uint32_t rows_ = 1;
    uint32_t words_ = 1;
    bool normal_ = true;
    bool constOperands_ = false;
    std::vector<Table> value_;
    std::vector<Table> care_;
    std::vector<Table> inputTables_;
    Table allRows_;
    uint16_t distinct_ = 0;
    uint8_t unary_ = 0;
    uint8_t constant_ = 0;
    bool constOne_ = false;
    bool noReapply_ = false;
    bool reapplyKeepsCost_ = true;
    std::array<uint32_t, 16> distinctCost_{};
    std::array<uint32_t, 4> unaryCost_{};
    std::array<uint32_t, 4> constCost_{};
    uint32_t constOneCost_ = kNoCost;
    uint32_t minCost_ = kNoCost;
    uint32_t maxCost_ = 0;
    std::vector<std::pair<uint32_t, uint32_t>> symPairs_;
    uint32_t supportBound_ = 0;
    std::vector<bool> essential_;
};
