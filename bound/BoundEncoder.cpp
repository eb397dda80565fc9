// The fast CNF encoding of the lower-bound engine.
#include "bound/BoundEncoder.h"

#include "util/myExcept.h"

#include <algorithm>

namespace {

uint32_t bitOf(uint32_t h, uint32_t v) {
    return (h >> v) & 1u;
}

} // namespace

BoundEncoder::BoundEncoder(const BoundProblem& problem, uint32_t nodes, const Options& options)
    : p_(problem), opt_(options), k_(problem.inputs()), n_(nodes),
      minSource_(problem.constOperands() ? 0u : 1u), solver_(std::make_unique<CadicalSolver>()),
      rowSlot_(problem.rows(), 0) {
    BuildNodes();
    BuildOutputs();
    BuildUsage();
    if (opt_.colex) BuildColex();
    if (opt_.noReapply && p_.normal() && p_.noReapplication()) BuildNoReapplication();
    if (opt_.associativity && p_.normal() && opt_.noReapply && p_.noReapplication())
        BuildAssociativity();
    if (opt_.symmetricInputs) BuildSymmetricInputs();
    if (opt_.siblings && p_.normal()) BuildSiblings();
    if (opt_.knownOperand && p_.normal()) BuildKnownOperand();
    if (opt_.essentialInputs) BuildEssentialInputs();
}

BoundEncoder::~BoundEncoder() = default;

int BoundEncoder::NewVar() {
    return ++vars_;
}

void BoundEncoder::AddClause(std::initializer_list<int> lits) {
    AddClause(lits.begin(), lits.end());
}

void BoundEncoder::AddClause(const std::vector<int>& lits) {
    AddClause(lits.data(), lits.data() + lits.size());
}

void BoundEncoder::AddClause(const int* begin, const int* end) {
    for (const int* l = begin; l != end; ++l)
        if (*l == kTrue) return;
    bool empty = true;
    for (const int* l = begin; l != end; ++l)
        if (*l != kFalse) {
            solver_->Add(*l);
            empty = false;
        }
    if (empty) {
        // An empty clause: the instance is unsatisfiable whatever else is added.
        inconsistent_ = true;
        return;
    }
    solver_->Add(0);
    ++clauses_;
}

void BoundEncoder::AppendNotTable(std::vector<int>& clause, uint32_t t, uint32_t h) const {
    for (uint32_t v = 0; v < 4; ++v)
        clause.push_back(bitOf(h, v) ? -node_[t].g[v] : node_[t].g[v]);
}

bool BoundEncoder::ModelTrue(int lit) const {
    if (lit == kTrue) return true;
    if (lit == kFalse) return false;
    return solver_->Value(lit);
}

int BoundEncoder::SelOf(uint32_t t, uint32_t a, uint32_t b) const {
    const NodeVars& nv = node_[t];
    const uint32_t idx = nv.pairIndex[a * nv.signal + b];
    return idx == 0 ? 0 : nv.pairs[idx - 1].sel;
}

int BoundEncoder::ValueLit(uint32_t signal, uint32_t slot, uint32_t row) const {
    if (signal == 0) return kFalse;
    if (signal <= k_) return ((row >> (signal - 1)) & 1u) ? kTrue : kFalse;
    return node_[signal - k_ - 1].value[slot];
}

uint16_t BoundEncoder::PossibleTables() const {
    uint16_t tables = p_.distinctFunctions();
    for (uint32_t c = 0; c < 4; ++c) {
        // Canonical tables of the special pair kinds: unused table bits are 0.
        if ((p_.unaryCombos() >> c) & 1u) tables |= uint16_t(1u << ((c & 1u) | ((c >> 1) << 3)));
        if ((p_.constCombos() >> c) & 1u) tables |= uint16_t(1u << ((c & 1u) | ((c >> 1) << 1)));
    }
    if (p_.constOneNode()) tables |= 1u;
    return tables;
}

void BoundEncoder::BuildNodes() {
    node_.resize(n_);
    for (uint32_t t = 0; t < n_; ++t) {
        NodeVars& nv = node_[t];
        nv.signal = k_ + 1 + t;
        nv.pairIndex.assign(size_t(nv.signal) * nv.signal, 0);
        for (uint32_t b = minSource_; b < nv.signal; ++b)
            for (uint32_t a = minSource_; a <= b; ++a) {
                PairKind kind;
                if (a == b)
                    kind = a == 0 ? ConstBoth : Unary;
                else
                    kind = a == 0 ? ConstFirst : Distinct;
                if (p_.normal() && kind != Distinct) continue;
                if (kind == Distinct && p_.distinctFunctions() == 0) continue;
                if (kind == Unary && p_.unaryCombos() == 0) continue;
                if (kind == ConstFirst && p_.constCombos() == 0) continue;
                if (kind == ConstBoth && !p_.constOneNode()) continue;
                nv.pairs.push_back(Pair{a, b, kind, NewVar()});
                nv.pairIndex[a * nv.signal + b] = static_cast<uint32_t>(nv.pairs.size());
            }
        for (uint32_t v = 0; v < 4; ++v)
            nv.g[v] = (p_.normal() && v == 0) ? kFalse : NewVar();

        std::vector<int> alo;
        for (const Pair& pr : nv.pairs)
            alo.push_back(pr.sel);
        AddClause(alo);
        if (alo.empty()) continue;
        if (opt_.atMostOnePair)
            for (size_t x = 0; x < alo.size(); ++x)
                for (size_t y = x + 1; y < alo.size(); ++y)
                    AddClause({-alo[x], -alo[y]});

        if (p_.normal()) {
            for (uint32_t h = 0; h < 16; h += 2)
                if (!((p_.distinctFunctions() >> h) & 1u)) {
                    std::vector<int> c;
                    AppendNotTable(c, t, h);
                    AddClause(c);
                }
            continue;
        }
        // Plain model: the allowed tables depend on the kind of the selected pair.
        int* kindVar = nv.kind;
        for (const Pair& pr : nv.pairs) {
            if (kindVar[pr.kind] == 0) kindVar[pr.kind] = NewVar();
            AddClause({-pr.sel, kindVar[pr.kind]});
        }
        if (int d = kindVar[Distinct])
            for (uint32_t h = 0; h < 16; ++h)
                if (!((p_.distinctFunctions() >> h) & 1u)) {
                    std::vector<int> c{-d};
                    AppendNotTable(c, t, h);
                    AddClause(c);
                }
        if (int u = kindVar[Unary]) {
            AddClause({-u, -nv.g[1]});
            AddClause({-u, -nv.g[2]});
            for (uint32_t c = 0; c < 4; ++c)
                if (!((p_.unaryCombos() >> c) & 1u))
                    AddClause({-u, (c & 1u) ? -nv.g[0] : nv.g[0], (c & 2u) ? -nv.g[3] : nv.g[3]});
        }
        if (int cf = kindVar[ConstFirst]) {
            AddClause({-cf, -nv.g[2]});
            AddClause({-cf, -nv.g[3]});
            for (uint32_t c = 0; c < 4; ++c)
                if (!((p_.constCombos() >> c) & 1u))
                    AddClause({-cf, (c & 1u) ? -nv.g[0] : nv.g[0], (c & 2u) ? -nv.g[1] : nv.g[1]});
        }
        if (int cb = kindVar[ConstBoth]) {
            AddClause({-cb, nv.g[0]});
            AddClause({-cb, -nv.g[1]});
            AddClause({-cb, -nv.g[2]});
            AddClause({-cb, -nv.g[3]});
        }
    }
}

void BoundEncoder::BuildOutputs() {
    const uint32_t m = p_.outputs();
    const uint32_t signals = k_ + n_ + 1;
    driver_.assign(m, std::vector<int>(signals, 0));
    polarity_.assign(m, kFalse);
    for (uint32_t o = 0; o < m; ++o) {
        if (p_.normal()) {
            // Every signal is 0 on row 0, so a cared-for row 0 fixes the polarity.
            if (p_.caredAt(o, 0))
                polarity_[o] = p_.valueAt(o, 0) ? kTrue : kFalse;
            else
                polarity_[o] = NewVar();
        }
        // With one output and at least one node, the last node drives it (every node is
        // used, and the last one has no other reader).
        if (m == 1 && n_ >= 1) {
            driver_[o][k_ + n_] = NewVar();
            AddClause({driver_[o][k_ + n_]});
            continue;
        }
        std::vector<int> alo;
        // The constant and the inputs are checked on the whole table at once.
        for (uint32_t s = 0; s <= k_; ++s) {
            bool polOk[2] = {true, true};
            const BoundProblem::Table zero(p_.words(), 0);
            const BoundProblem::Table& x = s == 0 ? zero : p_.inputTable(s);
            for (uint32_t w = 0; w < p_.words(); ++w) {
                const uint64_t diff = (x[w] ^ p_.value(o)[w]) & p_.care(o)[w];
                const uint64_t diffInv = (~x[w] ^ p_.value(o)[w]) & p_.care(o)[w];
                if (diff) polOk[0] = false;
                if (diffInv) polOk[1] = false;
            }
            if (!p_.normal()) polOk[1] = false;
            if (polarity_[o] == kTrue) polOk[0] = false;
            if (polarity_[o] == kFalse) polOk[1] = false;
            if (!polOk[0] && !polOk[1]) continue;
            const int d = NewVar();
            driver_[o][s] = d;
            alo.push_back(d);
            if (polOk[0] != polOk[1]) AddClause({-d, polOk[1] ? polarity_[o] : -polarity_[o]});
        }
        for (uint32_t s = k_ + 1; s < signals; ++s) {
            driver_[o][s] = NewVar();
            alo.push_back(driver_[o][s]);
        }
        AddClause(alo);
    }
}

void BoundEncoder::BuildUsage() {
    // Every node feeds a later node or an output.
    std::vector<std::vector<int>> readers(n_);
    for (uint32_t t = 0; t < n_; ++t)
        for (const Pair& pr : node_[t].pairs) {
            if (pr.a > k_) readers[pr.a - k_ - 1].push_back(pr.sel);
            if (pr.b > k_ && pr.b != pr.a) readers[pr.b - k_ - 1].push_back(pr.sel);
        }
    for (uint32_t t = 0; t < n_; ++t) {
        std::vector<int>& c = readers[t];
        for (uint32_t o = 0; o < p_.outputs(); ++o)
            if (driver_[o][k_ + 1 + t]) c.push_back(driver_[o][k_ + 1 + t]);
        AddClause(c);
    }
}

const std::vector<int>& BoundEncoder::UpperAtLeast(uint32_t t) {
    std::vector<int>& atLeast = node_[t].upperAtLeast;
    if (!atLeast.empty()) return atLeast;
    const NodeVars& nv = node_[t];
    atLeast.assign(nv.signal + 1, kFalse);
    for (uint32_t v = nv.signal; v-- > minSource_;) {
        atLeast[v] = NewVar();
        if (atLeast[v + 1] != kFalse) AddClause({-atLeast[v + 1], atLeast[v]});
    }
    for (const Pair& pr : nv.pairs)
        AddClause({-pr.sel, atLeast[pr.b]});
    return atLeast;
}

void BoundEncoder::BuildColex() {
    const uint16_t tables = PossibleTables();
    for (uint32_t t = 0; t + 1 < n_; ++t) {
        const NodeVars& cur = node_[t];
        const std::vector<int>& atLeast = UpperAtLeast(t);
        // A later node whose operands all precede node t could take node t's place: its
        // pair (and, for an equal pair, its function) is not smaller.
        for (uint32_t t2 = t + 1; t2 < n_; ++t2) {
            const NodeVars& later = node_[t2];
            const int same = opt_.tieBreak ? NewVar() : 0;
            bool anySame = false;
            for (const Pair& q : later.pairs) {
                if (q.b >= cur.signal) continue;
                AddClause({-q.sel, -atLeast[q.b + 1]});
                for (uint32_t a = q.a + 1; a <= q.b; ++a)
                    if (int s = SelOf(t, a, q.b)) AddClause({-q.sel, -s});
                if (same)
                    if (int s = SelOf(t, q.a, q.b)) {
                        AddClause({-q.sel, -s, same});
                        anySame = true;
                    }
            }
            if (!anySame) continue;
            for (uint32_t u = 0; u < 16; ++u) {
                if (!((tables >> u) & 1u)) continue;
                for (uint32_t w = 0; w <= u; ++w) {
                    if (!((tables >> w) & 1u)) continue;
                    std::vector<int> c{-same};
                    AppendNotTable(c, t, u);
                    AppendNotTable(c, t2, w);
                    AddClause(c);
                }
            }
            if (!opt_.colexAll) break;
        }
    }
}

void BoundEncoder::BuildNoReapplication() {
    for (uint32_t t = 0; t < n_; ++t) {
        const uint32_t i = node_[t].signal;
        for (const Pair& pr : node_[t].pairs)
            for (uint32_t t2 = t + 1; t2 < n_; ++t2) {
                if (int s = SelOf(t2, pr.a, i)) AddClause({-pr.sel, -s});
                if (int s = SelOf(t2, pr.b, i)) AddClause({-pr.sel, -s});
            }
    }
}

void BoundEncoder::BuildAssociativity() {
    // Normal tables: 8 a&b, 4 a&~b, 2 ~a&b, 14 a|b, 6 a^b. Node i reads (x, y), x < y, and
    // y = u op v is read by nobody else: when i computes x op' (u op v) with op and op'
    // the same associative operation (conjunction of literals, disjunction, exclusive or),
    // the three leaves can be regrouped so that y takes the two smallest (a smaller pair at
    // y's position). So y's upper operand stays below x.
    constexpr uint16_t kAndClass = (1u << 2) | (1u << 4) | (1u << 8) | (1u << 14);
    const bool conj = (p_.distinctFunctions() & kAndClass) == kAndClass;
    const bool xors = (p_.distinctFunctions() >> 6) & 1u;
    // (table of y, table of i) with y as i's upper operand entering i's conjunction in the
    // polarity in which y itself is a conjunction.
    std::vector<std::pair<uint32_t, uint32_t>> combos;
    if (conj)
        for (uint32_t hy : {8u, 4u, 2u})
            for (uint32_t hi : {8u, 2u})
                combos.emplace_back(hy, hi);
    if (conj)
        for (uint32_t hi : {4u, 14u})
            combos.emplace_back(14u, hi);
    if (xors) combos.emplace_back(6u, 6u);
    if (combos.empty()) return;
    for (uint32_t ty = 0; ty + 1 < n_; ++ty) {
        const uint32_t y = node_[ty].signal;
        const std::vector<int>& atLeast = UpperAtLeast(ty);
        for (uint32_t ti = ty + 1; ti < n_; ++ti) {
            // other: y is read by another node or by an output.
            const int other = OtherReader(ty, ti);
            for (uint32_t x = minSource_; x < y; ++x) {
                const int s = SelOf(ti, x, y);
                if (!s || atLeast[x] == kFalse) continue;
                for (const auto& [hy, hi] : combos) {
                    std::vector<int> c{-s, -atLeast[x], other};
                    AppendNotTable(c, ty, hy);
                    AppendNotTable(c, ti, hi);
                    AddClause(c);
                }
            }
        }
    }
}

void BoundEncoder::BuildSymmetricInputs() {
    for (const auto& [j, j2] : p_.symmetricInputs()) {
        // used: input j is read by some node up to the previous one.
        int used = kFalse;
        for (uint32_t t = 0; t < n_; ++t) {
            std::vector<int> readsJ;
            for (const Pair& pr : node_[t].pairs) {
                const bool hasJ = pr.a == j || pr.b == j;
                const bool hasJ2 = pr.a == j2 || pr.b == j2;
                if (hasJ)
                    readsJ.push_back(pr.sel);
                else if (hasJ2)
                    AddClause({-pr.sel, used});
            }
            if (t + 1 == n_) break;
            const int next = NewVar();
            std::vector<int> c{-next, used};
            c.insert(c.end(), readsJ.begin(), readsJ.end());
            AddClause(c);
            used = next;
        }
    }
}

void BoundEncoder::BuildSiblings() {
    // Node r reads nodes p < q that read the same pair (a, b): r computes g(a, b) with
    // g(x, y) = hr(hp(x, y), hq(x, y)). Where g is trivial (r is redundant) or a library
    // node no dearer than r's, r may read (a, b) directly: a smaller pair.
    const uint16_t norm = p_.distinctFunctions();
    constexpr uint16_t kTrivial = (1u << 0) | (1u << 10) | (1u << 12);
    const auto at = [](uint32_t h, uint32_t x, uint32_t y) { return (h >> (2 * x + y)) & 1u; };
    // forbidden[hp][hq]: the tables hr for which the pattern is excluded.
    uint16_t forbidden[16][16] = {};
    bool all = true, any = false;
    for (uint32_t hp = 0; hp < 16; ++hp)
        for (uint32_t hq = 0; hq < 16; ++hq)
            for (uint32_t hr = 0; hr < 16; ++hr) {
                if (!((norm >> hp) & (norm >> hq) & (norm >> hr) & 1u)) continue;
                uint32_t g = 0;
                for (uint32_t x = 0; x < 2; ++x)
                    for (uint32_t y = 0; y < 2; ++y)
                        if (at(hr, at(hp, x, y), at(hq, x, y))) g |= 1u << (2 * x + y);
                const bool reducible =
                    ((kTrivial >> g) & 1u) ||
                    (((norm >> g) & 1u) && p_.distinctCost(g) <= p_.distinctCost(hr));
                if (reducible) {
                    forbidden[hp][hq] |= uint16_t(1u << hr);
                    any = true;
                } else {
                    all = false;
                }
            }
    if (!any) return;
    // same[tp][tq]: nodes tp < tq read the same pair.
    std::vector<std::vector<int>> same(n_, std::vector<int>(n_, 0));
    const auto sameVar = [&](uint32_t tp, uint32_t tq) {
        int& v = same[tp][tq];
        if (v) return v;
        v = NewVar();
        for (const Pair& pr : node_[tp].pairs)
            if (int s = SelOf(tq, pr.a, pr.b)) AddClause({-pr.sel, -s, v});
        return v;
    };
    for (uint32_t tr = 0; tr < n_; ++tr)
        for (const Pair& pr : node_[tr].pairs) {
            if (pr.a <= k_) continue;
            const uint32_t tp = pr.a - k_ - 1, tq = pr.b - k_ - 1;
            const int s = sameVar(tp, tq);
            if (all) {
                AddClause({-pr.sel, -s});
                continue;
            }
            for (uint32_t hp = 0; hp < 16; ++hp)
                for (uint32_t hq = 0; hq < 16; ++hq) {
                    const uint16_t hrs = forbidden[hp][hq];
                    if (!hrs) continue;
                    const bool every = (hrs & norm) == norm;
                    for (uint32_t hr = 0; hr < 16; ++hr) {
                        if (!((hrs >> hr) & 1u)) continue;
                        std::vector<int> c{-pr.sel, -s};
                        AppendNotTable(c, tp, hp);
                        AppendNotTable(c, tq, hq);
                        if (!every) AppendNotTable(c, tr, hr);
                        AddClause(c);
                        if (every) break;
                    }
                }
        }
}

int BoundEncoder::OtherReader(uint32_t t, uint32_t except) {
    if (otherReader_.empty()) otherReader_.assign(n_, std::vector<int>(n_ + 1, 0));
    int& v = otherReader_[t][except];
    if (v) return v;
    v = NewVar();
    const uint32_t signal = node_[t].signal;
    std::vector<int> c{-v};
    for (uint32_t t2 = t + 1; t2 < n_; ++t2) {
        if (t2 == except) continue;
        for (const Pair& pr : node_[t2].pairs)
            if (pr.a == signal || pr.b == signal) c.push_back(pr.sel);
    }
    for (uint32_t o = 0; o < p_.outputs(); ++o)
        if (driver_[o][signal]) c.push_back(driver_[o][signal]);
    AddClause(c);
    return v;
}

int BoundEncoder::Reads(uint32_t t, uint32_t s) {
    if (reads_.empty()) reads_.assign(n_, std::vector<int>(k_ + n_ + 1, 0));
    int& v = reads_[t][s];
    if (v) return v;
    v = NewVar();
    for (const Pair& pr : node_[t].pairs)
        if (pr.a == s || pr.b == s) AddClause({-pr.sel, v});
    return v;
}

void BoundEncoder::BuildKnownOperand() {
    // Node r computes a conjunction-class function of x and p, p is read only by r, and p's
    // operand q is read only by p: inside p's cone x may be fixed to the value on which r
    // depends on p, so q, were it to read x, would compute a function of one signal.
    constexpr uint16_t kAndClass = (1u << 2) | (1u << 4) | (1u << 8) | (1u << 14);
    const uint16_t norm = p_.distinctFunctions();
    if (!(norm & kAndClass) || (norm & ~(kAndClass | (1u << 6)))) return;
    const bool xors = (norm >> 6) & 1u;
    std::vector<int> isXor(n_, kFalse);
    if (xors)
        for (uint32_t t = 0; t < n_; ++t) {
            // True only when node t computes exclusive-or (table 6: bits 1 and 2).
            isXor[t] = NewVar();
            AddClause({-isXor[t], node_[t].g[1]});
            AddClause({-isXor[t], node_[t].g[2]});
            AddClause({-isXor[t], -node_[t].g[3]});
        }
    for (uint32_t tq = 0; tq < n_; ++tq)
        for (uint32_t tp = tq + 1; tp < n_; ++tp) {
            const int pReadsQ = Reads(tp, node_[tq].signal);
            for (uint32_t tr = tp + 1; tr < n_; ++tr) {
                int singleP = 0, singleQ = 0;
                for (uint32_t x = 1; x < node_[tq].signal; ++x) {
                    const int s = SelOf(tr, x, node_[tp].signal);
                    if (!s) continue;
                    if (!singleP) {
                        singleP = OtherReader(tp, tr);
                        singleQ = OtherReader(tq, tp);
                    }
                    AddClause({-s, isXor[tr], -Reads(tq, x), -pReadsQ, singleP, singleQ});
                }
            }
        }
}

void BoundEncoder::BuildEssentialInputs() {
    // An input the target depends on must be read by a node unless some output is that
    // input (or its complement) itself.
    for (uint32_t j = 1; j <= k_; ++j) {
        if (!p_.essential(j)) continue;
        std::vector<int> c;
        for (uint32_t o = 0; o < p_.outputs(); ++o)
            if (driver_[o][j]) c.push_back(driver_[o][j]);
        for (const NodeVars& nv : node_)
            for (const Pair& pr : nv.pairs)
                if (pr.a == j || pr.b == j) c.push_back(pr.sel);
        AddClause(c);
    }
}

void BoundEncoder::AddRow(uint32_t r) {
    if (rowSlot_[r] != 0) return;
    // Normal model: every signal is 0 on row 0 and the polarity already fits the target.
    if (p_.normal() && r == 0) {
        rowSlot_[r] = -1;
        return;
    }
    rowsAdded_.push_back(r);
    rowSlot_[r] = static_cast<int>(rowsAdded_.size());
    const uint32_t slot = static_cast<uint32_t>(rowsAdded_.size() - 1);
    for (NodeVars& nv : node_)
        nv.value.push_back(NewVar());
    for (uint32_t t = 0; t < n_; ++t) {
        const NodeVars& nv = node_[t];
        const int x = nv.value[slot];
        for (const Pair& pr : nv.pairs) {
            const int la = ValueLit(pr.a, slot, r);
            const int lb = ValueLit(pr.b, slot, r);
            for (uint32_t v = 0; v < 4; ++v) {
                const uint32_t va = v >> 1, vb = v & 1u;
                if (pr.kind == Unary && va != vb) continue;
                if ((pr.kind == ConstFirst || pr.kind == ConstBoth) && va) continue;
                if (pr.kind == ConstBoth && vb) continue;
                const int notA = va ? -la : la;
                const int notB = vb ? -lb : lb;
                AddClause({-pr.sel, notA, notB, -x, nv.g[v]});
                AddClause({-pr.sel, notA, notB, x, -nv.g[v]});
            }
        }
    }
    for (uint32_t o = 0; o < p_.outputs(); ++o) {
        if (!p_.caredAt(o, r)) continue;
        const bool want = p_.valueAt(o, r);
        const int pol = polarity_[o];
        for (uint32_t s = k_ + 1; s <= k_ + n_; ++s) {
            const int d = driver_[o][s];
            if (!d) continue;
            const int x = ValueLit(s, slot, r);
            if (!want) {
                AddClause({-d, -x, pol});
                AddClause({-d, x, -pol});
            } else {
                AddClause({-d, x, pol});
                AddClause({-d, -x, -pol});
            }
        }
    }
}

void BoundEncoder::WriteDimacs(const std::string& file) {
    solver_->WriteDimacs(file);
}

void BoundEncoder::AddCostCounter(uint32_t limit) {
    // Per node, the ladder "costs at least c": every (pair kind, table) the node may take
    // pushes it up to that table's cost.
    std::vector<std::vector<int>> ladders(n_);
    for (uint32_t t = 0; t < n_; ++t) {
        NodeVars& nv = node_[t];
        std::vector<int>& ladder = ladders[t];
        // Every node costs at least the cheapest gate: the counter knows it from the start.
        while (ladder.size() < p_.minCost())
            ladder.push_back(kTrue);
        const auto require = [&](int kindLit, uint32_t h, uint32_t cost) {
            if (cost == BoundProblem::kNoCost || cost == 0) return;
            while (ladder.size() < cost) {
                const int v = NewVar();
                if (!ladder.empty()) AddClause({-v, ladder.back()});
                ladder.push_back(v);
            }
            std::vector<int> c;
            if (kindLit) c.push_back(-kindLit);
            AppendNotTable(c, t, h);
            c.push_back(ladder[cost - 1]);
            AddClause(c);
        };
        const int distinct = p_.normal() ? 0 : nv.kind[Distinct];
        if (p_.normal() || distinct)
            for (uint32_t h = 0; h < 16; ++h)
                if ((p_.distinctFunctions() >> h) & 1u) require(distinct, h, p_.distinctCost(h));
        if (p_.normal()) continue;
        for (uint32_t c = 0; c < 4; ++c) {
            if (nv.kind[Unary] && ((p_.unaryCombos() >> c) & 1u))
                require(nv.kind[Unary], (c & 1u) | ((c >> 1) << 3), p_.unaryCost(c));
            if (nv.kind[ConstFirst] && ((p_.constCombos() >> c) & 1u))
                require(nv.kind[ConstFirst], (c & 1u) | ((c >> 1) << 1), p_.constCost(c));
        }
        if (nv.kind[ConstBoth]) require(nv.kind[ConstBoth], 1u, p_.constOneCost());
    }
    cost_ = std::make_unique<CostCounter>(
        ladders, limit, [this] { return NewVar(); },
        [this](const std::vector<int>& c) { AddClause(c); });
}

BoundEncoder::Result
BoundEncoder::Solve(std::optional<std::chrono::steady_clock::time_point> deadline,
                    std::optional<uint32_t> costBound) {
    if (inconsistent_) return Result::Unsatisfiable;
    std::vector<int> assumptions;
    if (costBound) {
        if (!cost_ || *costBound > cost_->limit())
            throw InternalError("BoundEncoder::Solve: cost bound " + std::to_string(*costBound) +
                                " without a counter for it");
        if (const int lit = cost_->AtMost(*costBound)) assumptions.push_back(lit);
    }
    return Of(solver_->Solve(assumptions, deadline));
}

BoundEncoder::Result BoundEncoder::Solve(const CadicalSolver::Limits& limits) {
    if (inconsistent_) return Result::Unsatisfiable;
    return Of(solver_->Solve({}, limits));
}

BoundEncoder::Result BoundEncoder::Of(CadicalSolver::Result r) {
    switch (r) {
    case CadicalSolver::Result::Satisfiable:
        return Result::Satisfiable;
    case CadicalSolver::Result::Unsatisfiable:
        return Result::Unsatisfiable;
    default:
        return Result::Unknown;
    }
}

void BoundEncoder::RestrictLastLower(uint32_t a) {
    std::vector<int> c;
    if (n_ > 0)
        for (const Pair& pr : node_[n_ - 1].pairs)
            if (pr.a == a) c.push_back(pr.sel);
    AddClause(c);
}

BoundCircuit BoundEncoder::Extract() const {
    BoundCircuit c;
    c.k = k_;
    for (const NodeVars& nv : node_) {
        BoundCircuit::Node nd;
        for (const Pair& pr : nv.pairs)
            if (ModelTrue(pr.sel)) {
                nd.a = pr.a;
                nd.b = pr.b;
                break;
            }
        for (uint32_t v = 0; v < 4; ++v)
            if (ModelTrue(nv.g[v])) nd.table |= 1u << v;
        c.nodes.push_back(nd);
    }
    for (uint32_t o = 0; o < p_.outputs(); ++o) {
        BoundCircuit::Output out;
        for (uint32_t s = 0; s < driver_[o].size(); ++s)
            if (driver_[o][s] && ModelTrue(driver_[o][s])) {
                out.driver = s;
                break;
            }
        out.inverted = ModelTrue(polarity_[o]);
        c.outputs.push_back(out);
    }
    return c;
}
