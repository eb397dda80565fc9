// Node permutations, blocking clauses for found solutions, and the function-select
// variables FH<i>_<t>.
#include "synth/SAT_CircGen.h"

#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <iostream>
#include <utility>
#include <vector>

namespace {

// The literal on a variable that is false under a model value: positive unless the model
// sets the variable true.
Literal opposite(Literal modelValue) {
    return modelValue == Lit_1 ? Lit_0 : Lit_1;
}

} // namespace

std::unique_ptr<std::list<std::vector<uint32_t>>> SAT_CircGen::Gen_Permutations() const {
    auto perms = std::make_unique<std::list<std::vector<uint32_t>>>();
    // No nodes: the only relabelling is the empty one, which leaves the solution as it is.
    if (n == 0) {
        perms->emplace_back();
        return perms;
    }
    // One node driving the single output: it never moves, and the entry is never read.
    if (n == 1 && m == 1) {
        perms->emplace_back(1, 0xFFFFFFFFu);
        return perms;
    }
    const uint32_t L = (m == 1) ? n - 1 : n;
    if (L == 0) return perms;

    for (uint32_t x = 0; x < L; ++x) {
        perms->emplace_back(L, 0u);
        perms->back()[x] = 1;
    }
    // Each level places value v in every free entry of every vector of the previous level;
    // the copies go to the front and are not visited again in this level.
    for (uint32_t v = 2; v <= L; ++v) {
        const size_t present = perms->size();
        auto it = perms->begin();
        for (size_t done = 0; done < present; ++done) {
            const std::vector<uint32_t>& base = *it;
            for (uint32_t x = 0; x < L; ++x) {
                if (base[x] != 0) continue;
                std::vector<uint32_t> copy = base;
                copy[x] = v;
                perms->push_front(std::move(copy));
            }
            it = perms->erase(it);
        }
    }
    return perms;
}

uint32_t SAT_CircGen::perm_it(uint32_t s,
                              std::list<std::vector<uint32_t>>::const_iterator perm) const {
    if (s <= k) return s;
    if (s == k + n + (m != 1 ? 1u : 0u)) return s;
    return k + perm->at(s - k - 1);
}

void SAT_CircGen::ShowPerms(const std::list<std::vector<uint32_t>>* perms,
                            std::ostream& out) const {
    if (perms == nullptr) return;
    for (const auto& perm : *perms) {
        for (uint32_t value : perm)
            out << value;
        out << '\n';
    }
    out << '\n';
}

void SAT_CircGen::Constrain() {
    if (!SAT_res || SAT_res->empty())
        throw InternalError("SAT_CircGen::Constrain: no solution to exclude");
    const VarMap& vm = Vars();
    const SoPLA* model = SAT_res.get();
    const Cube& values = *model->begin();
    const uint32_t width = clauses.getInputs();
    const uint32_t S = k + n; // highest signal number
    const uint32_t nb = library().CodeBits();
    const uint32_t first = vm.firstSource();
    // The clauses cover structural variables only; one work literal per position.
    const uint32_t span = vm.structuralCount();
    const auto modelValue = [&values](uint32_t pos) { return values.getLit2(pos); };

    // Used connections (every true C, not only the first source of a port), as (j, i, b).
    struct Edge {
        uint32_t j, i, b;
    };
    std::vector<Edge> used;
    for (uint32_t j = first; j <= S; ++j)
        for (uint32_t i = std::max(k + 1, j + 1); i <= S; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                if (modelValue(vm.C(j, i, b)) == Lit_1) used.push_back({j, i, b});

    // Which nodes carry a function symmetric in its two inputs.
    std::vector<bool> nodeSymmetric(n, false);
    for (uint32_t i = k + 1; i <= S; ++i) {
        const uint32_t f = FunctionAt(values, vm, i);
        nodeSymmetric[i - k - 1] = f < library().size() && library().Symmetric(f);
    }

    const auto perms = Gen_Permutations();
    std::vector<Literal> work(span);
    std::vector<bool> portsSwapped(n);
    std::vector<uint32_t> pi(S + 1);
    for (auto perm = perms->cbegin(); perm != perms->cend(); ++perm) {
        for (uint32_t s = 0; s <= S; ++s)
            pi[s] = perm_it(s, perm);
        std::fill(work.begin(), work.end(), Lit_dc);

        // Connections: every connection variable appears, positive unless it is the image
        // of a used connection.
        for (uint32_t j = first; j <= S; ++j)
            for (uint32_t i = std::max(k + 1, j + 1); i <= S; ++i)
                for (uint32_t b = 0; b < 2; ++b)
                    work[vm.C(j, i, b)] = Lit_1;
        bool feedsBackwards = false;
        for (const Edge& e : used) {
            if (pi[e.i] < pi[e.j]) {
                feedsBackwards = true;
                break;
            }
            work[vm.C(pi[e.j], pi[e.i], e.b)] = Lit_0;
        }
        if (feedsBackwards) continue;

        if (!diffTopology)
            for (uint32_t i = k + 1; i <= S; ++i)
                for (uint32_t b = 0; b < 2; ++b)
                    work[vm.N(pi[i], b)] = opposite(modelValue(vm.N(i, b)));

        // Symmetric nodes: keep the smaller source on port 0, as the instance demands. The
        // port properties (inversion, polymorphic edge) go with their ports.
        std::fill(portsSwapped.begin(), portsSwapped.end(), false);
        for (uint32_t i = k + 1; i <= S; ++i) {
            if (!nodeSymmetric[i - k - 1]) continue;
            const uint32_t pii = pi[i];
            for (uint32_t j1 = 0; j1 + 1 < i; ++j1)
                for (uint32_t j2 = j1 + 1; j2 < i; ++j2) {
                    if (!(pi[j1] < pii && pi[j2] < pii && pi[j2] < pi[j1])) continue;
                    const uint32_t c10 = vm.C(pi[j1], pii, 0), c11 = vm.C(pi[j1], pii, 1);
                    const uint32_t c20 = vm.C(pi[j2], pii, 0), c21 = vm.C(pi[j2], pii, 1);
                    if (work[c10] != Lit_0 || work[c21] != Lit_0) continue;
                    work[c10] = Lit_1;
                    work[c11] = Lit_0;
                    work[c21] = Lit_1;
                    work[c20] = Lit_0;
                    portsSwapped[pii - k - 1] = !portsSwapped[pii - k - 1];
                    if (!diffTopology) std::swap(work[vm.N(pii, 0)], work[vm.N(pii, 1)]);
                }
        }

        for (uint32_t o = 0; o < m; ++o)
            for (uint32_t s = 0; s <= S; ++s)
                work[vm.O(o, pi[s])] = opposite(modelValue(vm.O(o, s)));

        if (!diffTopology)
            for (uint32_t o = 0; o < m; ++o)
                work[vm.ON(o)] = opposite(modelValue(vm.ON(o)));

        for (uint32_t i = k + 1; i <= S; ++i)
            for (uint32_t f = 0; f < nb; ++f)
                work[vm.F(pi[i], f)] = opposite(modelValue(vm.F(i, f)));

        if (!diffTopology) {
            for (uint32_t i = k + 1; i <= S; ++i)
                for (uint32_t b = 0; b < 2; ++b) {
                    const uint32_t port = portsSwapped[pi[i] - k - 1] ? 1 - b : b;
                    work[vm.P(pi[i], port)] = opposite(modelValue(vm.P(i, b)));
                }
            for (uint32_t o = 0; o < m; ++o)
                work[vm.OP(o)] = opposite(modelValue(vm.OP(o)));
        }

        // A symmetric node that reads one source on both ports is the same node with its
        // port properties exchanged: block those copies too, or they would be found again.
        std::vector<uint32_t> twins; // such nodes whose two ports differ, as node signals
        if (!diffTopology)
            for (uint32_t i = k + 1; i <= S; ++i) {
                if (!nodeSymmetric[i - k - 1]) continue;
                const uint32_t pii = pi[i];
                bool sameSource = false;
                for (uint32_t j = first; j < pii && !sameSource; ++j)
                    sameSource = work[vm.C(j, pii, 0)] == Lit_0 && work[vm.C(j, pii, 1)] == Lit_0;
                if (sameSource && (work[vm.N(pii, 0)] != work[vm.N(pii, 1)] ||
                                   work[vm.P(pii, 0)] != work[vm.P(pii, 1)]))
                    twins.push_back(pii);
            }
        for (uint32_t variant = 0; variant < (1u << twins.size()); ++variant) {
            std::vector<Literal> copy = work;
            for (size_t t = 0; t < twins.size(); ++t)
                if ((variant >> t) & 1u) {
                    std::swap(copy[vm.N(twins[t], 0)], copy[vm.N(twins[t], 1)]);
                    std::swap(copy[vm.P(twins[t], 0)], copy[vm.P(twins[t], 1)]);
                }
            Cube clause;
            clause.init_sparse(width);
            for (uint32_t pos = 0; pos < span; ++pos)
                if (copy[pos] != Lit_dc) clause.setLit(pos, copy[pos]);
            clauses.AppendTerm(clause);
        }
    }
}

void SAT_CircGen::Add_FH() {
    const VarMap& vm = Vars();
    if (clauses.getInputs() != vm.count())
        throw InternalError("SAT_CircGen::Add_FH: the instance has its function-select "
                            "variables already");
    for (uint32_t pos = vm.count(); pos < vm.countWithFH(); ++pos)
        clauses.AppendInput(vm.Name(pos));
    const uint32_t width = clauses.getInputs();
    for (uint32_t i = k + 1; i <= k + n; ++i)
        for (uint32_t t = 0; t < library().size(); ++t) {
            const std::string code = int2bin(t, library().CodeBits());
            for (uint32_t t2 = 0; t2 < library().size(); ++t2) {
                // False exactly when node i carries code t, then the select variable:
                // the code variables come before the select variables.
                Cube clause;
                clause.init_sparse(width);
                for (uint32_t f = 0; f < library().CodeBits(); ++f)
                    clause.setLit(vm.F(i, f), code[f] == '0' ? Lit_1 : Lit_0);
                clause.setLit(vm.FH(i, t2), t2 == t ? Lit_1 : Lit_0);
                clauses.AppendTerm(clause);
            }
        }
}
