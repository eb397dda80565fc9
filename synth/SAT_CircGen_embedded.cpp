// What the embedded solver holds beyond the clause set of the instance: the colex order of
// consecutive nodes, the exclusion of redundant nodes at a proven optimum, and the counter
// that bounds the total gate cost. None of it is part of the clause set, so none of it is
// written to constr.cnf; it is added again whenever the instance is rebuilt or loaded.
#include "synth/SAT_CircGen.h"

#include "solver/CostCounter.h"
#include "solver/SearchSolver.h"
#include "synth/VarMap.h"

#include <memory>
#include <vector>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

// DIMACS literal of a position.
int lit(uint32_t pos) {
    return static_cast<int>(pos) + 1;
}

} // namespace

std::vector<int> SAT_CircGen::PrepareEmbeddedSolve(uint32_t costBound) {
    if (!extras.ordered) {
        OrderNodes();
        extras.ordered = true;
    }
    if (optimumProven && !extras.pruned) {
        ForbidRedundantNodes();
        extras.pruned = true;
    }
    if (costBound == kNone) return {};
    return CostBoundAssumption(costBound);
}

// Consecutive nodes that may trade places take their source pairs in colexicographic
// order. Every class of solutions that differ only in the numbering of their nodes keeps a
// member (the one whose sequence of source pairs is least), and the blocking clauses of a
// solution exclude its whole class, so enumeration counts the same classes as without the
// order; the solver just sees fewer copies of each. Used where a class is exactly the node
// renumberings of a solution: one source per port, ports of symmetric functions in source
// order, no polymorphic edges. (Ordering every later node that could take a node's place
// was measured: it costs the solver more than it saves.)
void SAT_CircGen::OrderNodes() {
    if (!library().AllSymmetric() || polyEdges || n < 2) return;
    const VarMap& vm = Vars();
    SearchSolver& s = Solver();
    const uint32_t first = vm.firstSource();
    const auto C = [&](uint32_t j, uint32_t i, uint32_t b) { return lit(vm.C(j, i, b)); };
    // With one output the last node drives it and never moves.
    const uint32_t lastMovable = m == 1 ? k + n - 1 : k + n;
    for (uint32_t i = k + 1; i < lastMovable; ++i) {
        // Port 1 holds the larger source: node i's may not exceed node i+1's.
        for (uint32_t a = first + 1; a < i; ++a)
            for (uint32_t b = first; b < a; ++b)
                s.AddClause({-C(a, i, 1), -C(b, i + 1, 1)});
        // Equal larger sources: the smaller ones in order.
        for (uint32_t h = first; h < i; ++h)
            for (uint32_t a = first + 1; a <= h; ++a)
                for (uint32_t b = first; b < a; ++b)
                    s.AddClause({-C(h, i, 1), -C(h, i + 1, 1), -C(a, i, 0), -C(b, i + 1, 0)});
    }
}

// At a proven optimum no node's value equals another signal's, or the complement of one
// where inversions are free, or a constant that readers could take instead. Such a node
// could be removed (docs/fast-bound.md, redundancy), giving a smaller or cheaper circuit,
// so no optimum solution has one: the clauses only help the solver and change no count.
void SAT_CircGen::ForbidRedundantNodes() {
    if (polyEdges) return; // the argument is not made for polymorphic edges
    const VarMap& vm = Vars();
    SearchSolver& s = Solver();
    const auto Y = [&](uint32_t r, uint32_t sig) { return lit(vm.Y(r, sig)); };
    std::vector<int> clause;
    for (uint32_t i = k + 1; i <= k + n; ++i) {
        // With inversions free, a node reading the constant, or one signal on both ports,
        // computes a constant, that signal or its complement: it reads neither.
        if (allowInv) {
            if (allowConst)
                for (uint32_t b = 0; b < 2; ++b)
                    s.AddClause({-lit(vm.C(0, i, b))});
            for (uint32_t src = vm.firstSource(); src < i; ++src)
                s.AddClause({-lit(vm.C(src, i, 0)), -lit(vm.C(src, i, 1))});
        }
        // The constants: 0 where readers may take it (or invert), 1 where they may invert.
        for (uint32_t value = 0; value < 2; ++value) {
            if (value == 0 ? !(allowInv || allowConst) : !allowInv) continue;
            clause.clear();
            for (uint32_t r = 0; r < vm.rows(); ++r)
                clause.push_back(value ? -Y(r, i) : Y(r, i));
            s.AddClause(clause);
        }
        for (uint32_t other = 1; other < i; ++other)
            for (uint32_t complement = 0; complement < (allowInv ? 2u : 1u); ++complement) {
                clause.clear();
                for (uint32_t r = 0; r < vm.rows(); ++r) {
                    // Differ at row r (agree, for the complement).
                    const int d = s.NewVar(clauses);
                    const int y = complement ? -Y(r, other) : Y(r, other);
                    s.AddClause({-d, Y(r, i), y});
                    s.AddClause({-d, -Y(r, i), -y});
                    clause.push_back(d);
                }
                s.AddClause(clause);
            }
    }
}

// The assumption that bounds the total gate cost of the instance's circuit at bound, over
// the function-select variables FH<i>_<t>; the counter is built on first use for the
// instance. Empty when the instance has no function-select variables.
std::vector<int> SAT_CircGen::CostBoundAssumption(uint32_t bound) {
    if (!extras.counter || extras.counter->limit() < bound) {
        SearchSolver& s = Solver();
        const VarMap& vm = Vars();
        if (clauses.getInputs() != vm.countWithFH()) return {};
        std::vector<std::vector<int>> ladders;
        for (uint32_t i = k + 1; i <= k + n; ++i) {
            std::vector<int> ladder;
            for (uint32_t t = 0; t < library().size(); ++t) {
                const uint32_t cost = library().Cost(t);
                while (ladder.size() < cost) {
                    ladder.push_back(s.NewVar(clauses));
                    if (ladder.size() > 1) s.AddClause({-ladder.back(), ladder[ladder.size() - 2]});
                    // Every node costs at least the cheapest gate.
                    if (ladder.size() <= library().MinCost()) s.AddClause({ladder.back()});
                }
                s.AddClause({-lit(vm.FH(i, t)), ladder[cost - 1]});
            }
            ladders.push_back(std::move(ladder));
        }
        extras.counter = std::make_unique<CostCounter>(
            ladders, bound, [&] { return s.NewVar(clauses); },
            [&](const std::vector<int>& c) { s.AddClause(c); });
    }
    const int assumption = extras.counter->AtMost(bound);
    return assumption ? std::vector<int>{assumption} : std::vector<int>{};
}
