// Node permutations, blocking clauses for found solutions, and the function-select
// variables FH<i>_<t>.
#include "synth/SAT_CircGen.h"

#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <iostream>
#include <utility>

namespace {

using LitList = std::vector<std::pair<uint32_t, Literal>>;

constexpr uint32_t kNoSlot = 0xFFFFFFFFu;

// Column of a variable of the clause set; a missing name is the by-name setter's error.
uint32_t columnOf(const SoPLA& set, const std::string& name) {
    const uint32_t pos = set.getNamePos(name);
    if (pos >= set.getInputs())
        throw RuntimeException("SoPLA::setLitByName: Variable name not found");
    return pos;
}

// The literal on a variable that is false under a model value: positive unless the model
// sets the variable true.
Literal opposite(Literal modelValue) {
    return modelValue == Lit_1 ? Lit_0 : Lit_1;
}

// Appends a clause of the given width holding the literals (any order; a later entry for
// the same column wins). The literals are written in increasing column order, which keeps
// building a sparse cube cheap.
void appendClause(SoPLA& set, uint32_t width, LitList& lits) {
    std::stable_sort(lits.begin(), lits.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Cube clause;
    clause.init_sparse(width);
    for (const auto& [pos, lit] : lits)
        clause.setLit(pos, lit);
    set.AppendTerm(clause);
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

void SAT_CircGen::ShowPerms(const std::list<std::vector<uint32_t>>* perms) const {
    if (perms == nullptr) return;
    for (const auto& perm : *perms) {
        for (uint32_t value : perm)
            std::cout << value;
        std::cout << '\n';
    }
    std::cout << '\n';
}

void SAT_CircGen::Constrain() {
    if (!SAT_res || SAT_res->empty())
        throw RuntimeException("SAT_CircGen::Constrain: no solution to exclude");
    const SoPLA* model = SAT_res.get();
    const SoPLA::const_iterator T = model->begin();
    const uint32_t width = clauses.getInputs();
    const uint32_t S = k + n; // highest signal number
    const uint32_t nb = codeBits;
    const std::string si = "_";

    // Every variable the clauses touch gets a slot: its column in the clause set and its
    // value in the model, both looked up once.
    std::vector<uint32_t> slotColumn;
    std::vector<Literal> slotModel;
    auto addSlot = [&](const std::string& name) {
        slotColumn.push_back(columnOf(clauses, name));
        slotModel.push_back(model->getLitByName(T, name));
        return static_cast<uint32_t>(slotColumn.size() - 1);
    };

    // C<j>_<i>_<b> for j = 0..S (j = 0 only with constants), i = max(k+1, j+1)..S.
    std::vector<uint32_t> cSlot(static_cast<size_t>(S + 1) * (S + 1) * 2, kNoSlot);
    auto cIdx = [S](uint32_t j, uint32_t i, uint32_t b) {
        return (static_cast<size_t>(j) * (S + 1) + i) * 2 + b;
    };
    std::vector<uint32_t> connections; // C slots in prefill order
    for (uint32_t j = allowConst ? 0 : 1; j <= S; ++j)
        for (uint32_t i = std::max(k + 1, j + 1); i <= S; ++i)
            for (uint32_t b = 0; b < 2; ++b) {
                const uint32_t slot =
                    addSlot("C" + int2string(j) + si + int2string(i) + si + int2string(b));
                cSlot[cIdx(j, i, b)] = slot;
                connections.push_back(slot);
            }
    // Used connections, as (j, i, b).
    struct Edge {
        uint32_t j, i, b;
    };
    std::vector<Edge> used;
    for (uint32_t j = allowConst ? 0 : 1; j <= S; ++j)
        for (uint32_t i = std::max(k + 1, j + 1); i <= S; ++i)
            for (uint32_t b = 0; b < 2; ++b)
                if (slotModel[cSlot[cIdx(j, i, b)]] == Lit_1) used.push_back({j, i, b});

    std::vector<uint32_t> nSlot(2 * n), pSlot(2 * n), fSlot(static_cast<size_t>(n) * nb);
    for (uint32_t i = k + 1; i <= S; ++i)
        for (uint32_t b = 0; b < 2; ++b)
            nSlot[2 * (i - k - 1) + b] = addSlot("N" + int2string(i) + si + int2string(b));
    for (uint32_t i = k + 1; i <= S; ++i)
        for (uint32_t b = 0; b < 2; ++b)
            pSlot[2 * (i - k - 1) + b] = addSlot("P" + int2string(i) + si + int2string(b));
    for (uint32_t i = k + 1; i <= S; ++i)
        for (uint32_t f = 0; f < nb; ++f)
            fSlot[static_cast<size_t>(i - k - 1) * nb + f] =
                addSlot("F" + int2string(i) + si + int2string(f));
    std::vector<uint32_t> oSlot(static_cast<size_t>(m) * (S + 1)), onSlot(m), opSlot(m);
    for (uint32_t o = 0; o < m; ++o)
        for (uint32_t s = 0; s <= S; ++s)
            oSlot[static_cast<size_t>(o) * (S + 1) + s] =
                addSlot("O" + int2string(o) + si + int2string(s));
    for (uint32_t o = 0; o < m; ++o) {
        onSlot[o] = addSlot("ON" + int2string(o));
        opSlot[o] = addSlot("OP" + int2string(o));
    }

    // Which nodes carry a function symmetric in its two inputs.
    std::vector<bool> nodeSymmetric(n, false);
    for (uint32_t i = k + 1; i <= S; ++i) {
        const uint32_t f = WhatFunction(model, T, i);
        nodeSymmetric[i - k - 1] = f < symmetric.size() && symmetric[f];
    }

    // Slots in increasing column order, for writing each clause.
    std::vector<uint32_t> byColumn(slotColumn.size());
    for (uint32_t x = 0; x < byColumn.size(); ++x)
        byColumn[x] = x;
    std::sort(byColumn.begin(), byColumn.end(),
              [&](uint32_t a, uint32_t b) { return slotColumn[a] < slotColumn[b]; });

    const auto perms = Gen_Permutations();
    std::vector<Literal> work(slotColumn.size());
    std::vector<bool> portsSwapped(n);
    std::vector<uint32_t> pi(S + 1);
    for (auto perm = perms->cbegin(); perm != perms->cend(); ++perm) {
        for (uint32_t s = 0; s <= S; ++s)
            pi[s] = perm_it(s, perm);
        std::fill(work.begin(), work.end(), Lit_dc);

        // Connections: every connection variable appears, positive unless it is the image
        // of a used connection.
        for (uint32_t slot : connections)
            work[slot] = Lit_1;
        bool feedsBackwards = false;
        for (const Edge& e : used) {
            if (pi[e.i] < pi[e.j]) {
                feedsBackwards = true;
                break;
            }
            work[cSlot[cIdx(pi[e.j], pi[e.i], e.b)]] = Lit_0;
        }
        if (feedsBackwards) continue;

        if (!diffTopology)
            for (uint32_t i = k + 1; i <= S; ++i)
                for (uint32_t b = 0; b < 2; ++b)
                    work[nSlot[2 * (pi[i] - k - 1) + b]] =
                        opposite(slotModel[nSlot[2 * (i - k - 1) + b]]);

        // Symmetric nodes: keep the smaller source on port 0, as the instance demands. The
        // port properties (inversion, polymorphic edge) go with their ports.
        std::fill(portsSwapped.begin(), portsSwapped.end(), false);
        for (uint32_t i = k + 1; i <= S; ++i) {
            if (!nodeSymmetric[i - k - 1]) continue;
            const uint32_t pii = pi[i];
            for (uint32_t j1 = 0; j1 + 1 < i; ++j1)
                for (uint32_t j2 = j1 + 1; j2 < i; ++j2) {
                    if (!(pi[j1] < pii && pi[j2] < pii && pi[j2] < pi[j1])) continue;
                    const uint32_t c10 = cSlot[cIdx(pi[j1], pii, 0)];
                    const uint32_t c11 = cSlot[cIdx(pi[j1], pii, 1)];
                    const uint32_t c20 = cSlot[cIdx(pi[j2], pii, 0)];
                    const uint32_t c21 = cSlot[cIdx(pi[j2], pii, 1)];
                    if (work[c10] != Lit_0 || work[c21] != Lit_0) continue;
                    work[c10] = Lit_1;
                    work[c11] = Lit_0;
                    work[c21] = Lit_1;
                    work[c20] = Lit_0;
                    portsSwapped[pii - k - 1] = !portsSwapped[pii - k - 1];
                    if (!diffTopology) {
                        const size_t base = 2 * static_cast<size_t>(pii - k - 1);
                        std::swap(work[nSlot[base]], work[nSlot[base + 1]]);
                    }
                }
        }

        for (uint32_t o = 0; o < m; ++o)
            for (uint32_t s = 0; s <= S; ++s)
                work[oSlot[static_cast<size_t>(o) * (S + 1) + pi[s]]] =
                    opposite(slotModel[oSlot[static_cast<size_t>(o) * (S + 1) + s]]);

        if (!diffTopology)
            for (uint32_t o = 0; o < m; ++o)
                work[onSlot[o]] = opposite(slotModel[onSlot[o]]);

        for (uint32_t i = k + 1; i <= S; ++i)
            for (uint32_t f = 0; f < nb; ++f)
                work[fSlot[static_cast<size_t>(pi[i] - k - 1) * nb + f]] =
                    opposite(slotModel[fSlot[static_cast<size_t>(i - k - 1) * nb + f]]);

        if (!diffTopology) {
            for (uint32_t i = k + 1; i <= S; ++i)
                for (uint32_t b = 0; b < 2; ++b) {
                    const uint32_t port = portsSwapped[pi[i] - k - 1] ? 1 - b : b;
                    work[pSlot[2 * (pi[i] - k - 1) + port]] =
                        opposite(slotModel[pSlot[2 * (i - k - 1) + b]]);
                }
            for (uint32_t o = 0; o < m; ++o)
                work[opSlot[o]] = opposite(slotModel[opSlot[o]]);
        }

        // A symmetric node that reads one source on both ports is the same node with its
        // port properties exchanged: block those copies too, or they would be found again.
        std::vector<uint32_t> twins; // such nodes whose two ports differ, as positions
        if (!diffTopology)
            for (uint32_t i = k + 1; i <= S; ++i) {
                if (!nodeSymmetric[i - k - 1]) continue;
                const uint32_t pii = pi[i];
                const size_t base = 2 * static_cast<size_t>(pii - k - 1);
                bool sameSource = false;
                for (uint32_t j = allowConst ? 0 : 1; j < pii && !sameSource; ++j)
                    sameSource = work[cSlot[cIdx(j, pii, 0)]] == Lit_0 &&
                                 work[cSlot[cIdx(j, pii, 1)]] == Lit_0;
                if (sameSource && (work[nSlot[base]] != work[nSlot[base + 1]] ||
                                   work[pSlot[base]] != work[pSlot[base + 1]]))
                    twins.push_back(pii - k - 1);
            }
        for (uint32_t variant = 0; variant < (1u << twins.size()); ++variant) {
            std::vector<Literal> copy = work;
            for (size_t t = 0; t < twins.size(); ++t)
                if ((variant >> t) & 1u) {
                    const size_t base = 2 * static_cast<size_t>(twins[t]);
                    std::swap(copy[nSlot[base]], copy[nSlot[base + 1]]);
                    std::swap(copy[pSlot[base]], copy[pSlot[base + 1]]);
                }
            Cube clause;
            clause.init_sparse(width);
            for (uint32_t slot : byColumn)
                if (copy[slot] != Lit_dc) clause.setLit(slotColumn[slot], copy[slot]);
            clauses.AppendTerm(clause);
        }
    }
}

void SAT_CircGen::Add_FH() {
    const uint32_t nf = functionCount;
    for (uint32_t i = k + 1; i <= k + n; ++i)
        for (uint32_t t = 0; t < nf; ++t)
            clauses.AppendInput("FH" + int2string(i) + "_" + int2string(t));
    const uint32_t width = clauses.getInputs();

    LitList lits;
    for (uint32_t i = k + 1; i <= k + n; ++i) {
        std::vector<uint32_t> codeColumns(codeBits);
        for (uint32_t f = 0; f < codeBits; ++f)
            codeColumns[f] = columnOf(clauses, "F" + int2string(i) + "_" + int2string(f));
        std::vector<uint32_t> selectColumns(nf);
        for (uint32_t t = 0; t < nf; ++t)
            selectColumns[t] = columnOf(clauses, "FH" + int2string(i) + "_" + int2string(t));
        for (uint32_t t = 0; t < nf; ++t) {
            const std::string code = int2bin(t, codeBits);
            for (uint32_t t2 = 0; t2 < nf; ++t2) {
                lits.clear();
                // False exactly when node i carries code t.
                for (uint32_t f = 0; f < codeBits; ++f)
                    lits.emplace_back(codeColumns[f], code[f] == '0' ? Lit_1 : Lit_0);
                lits.emplace_back(selectColumns[t2], t2 == t ? Lit_1 : Lit_0);
                appendClause(clauses, width, lits);
            }
        }
    }
}
