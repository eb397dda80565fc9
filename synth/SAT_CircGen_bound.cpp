// The engine's problem as the lower-bound engine sees it.
#include "synth/SAT_CircGen.h"

#include "bound/BoundCircuit.h"
#include "logic/Cube.h"
#include "synth/VarMap.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <string>

BoundProblem::Spec SAT_CircGen::BoundSpec() const {
    BoundProblem::Spec spec;
    spec.target = target;
    spec.k = k;
    spec.m = m;
    spec.allowInv = allowInv;
    spec.allowConst = allowConst;
    spec.polyEdges = polyEdges;
    spec.library = library().Tables();
    spec.negSymmetric = library().NegSymmetries();
    spec.costs = library().Costs();
    return spec;
}

namespace {

uint32_t tableAt(uint32_t table, uint32_t a, uint32_t b) {
    return (table >> (2 * a + b)) & 1u;
}

} // namespace

std::vector<SAT_CircGen::NodeRealisation>
SAT_CircGen::realiseNodes(const BoundCircuit& circuit) const {
    const BoundProblem::Spec spec = BoundSpec();
    const auto nodes = static_cast<uint32_t>(circuit.nodes.size());
    // Library functions by increasing cost, then index: the cheapest realisation wins.
    std::vector<uint32_t> order(library().size());
    for (uint32_t t = 0; t < library().size(); ++t)
        order[t] = t;
    std::stable_sort(order.begin(), order.end(), [this](uint32_t x, uint32_t y) {
        const uint32_t cx = library().Cost(x);
        const uint32_t cy = library().Cost(y);
        return cx < cy;
    });

    // Classic polarity of every signal (inputs and the constant carry none).
    std::vector<uint32_t> polarity(k + nodes + 1, 0);
    std::vector<NodeRealisation> choice(nodes);
    for (uint32_t t = 0; t < nodes; ++t) {
        const BoundCircuit::Node& nd = circuit.nodes[t];
        const uint32_t i = k + 1 + t;
        NodeRealisation& ch = choice[t];
        bool found = false;
        for (uint32_t f : order) {
            const uint32_t table = spec.library[f];
            const bool inv = allowInv && !library().NegSymmetric(f);
            for (uint32_t swapped = 0; swapped < 2 && !found; ++swapped) {
                // Symmetric functions take the smaller source on port 0.
                if (swapped && library().Symmetric(f)) continue;
                for (uint32_t nv = 0; nv < (inv ? 4u : 1u) && !found; ++nv) {
                    const uint32_t n0 = nv & 1u, n1 = nv >> 1;
                    bool ok = true;
                    uint32_t pol = 2;
                    for (uint32_t xa = 0; xa < 2 && ok; ++xa)
                        for (uint32_t xb = 0; xb < 2 && ok; ++xb) {
                            if ((nd.a == 0 && xa) || (nd.b == 0 && xb)) continue;
                            if (nd.a == nd.b && xa != xb) continue;
                            const uint32_t va = xa ^ polarity[nd.a], vb = xb ^ polarity[nd.b];
                            const uint32_t p0 = (swapped ? vb : va) ^ n0;
                            const uint32_t p1 = (swapped ? va : vb) ^ n1;
                            const uint32_t diff =
                                tableAt(table, p0, p1) ^ tableAt(nd.table, xa, xb);
                            if (pol == 2) pol = diff;
                            ok = pol == diff;
                        }
                    // Without inversions a node has no polarity to hide a difference in.
                    if (!ok || (pol == 1 && !allowInv)) continue;
                    found = true;
                    ch.function = f;
                    ch.source[0] = swapped ? nd.b : nd.a;
                    ch.source[1] = swapped ? nd.a : nd.b;
                    ch.inverted[0] = n0;
                    ch.inverted[1] = n1;
                    ch.polarity = pol == 2 ? 0 : pol;
                }
            }
            if (found) break;
        }
        if (!found || ch.source[0] >= i || ch.source[1] >= i ||
            (!allowConst && (ch.source[0] == 0 || ch.source[1] == 0)))
            throw InternalError("no library node realises node " + std::to_string(t + 1) +
                                " of the lower-bound engine's circuit");
        polarity[i] = ch.polarity;
    }
    return choice;
}

Circuit SAT_CircGen::CircuitOf(const BoundCircuit& circuit) const {
    if (circuit.k != k || circuit.outputs.size() != m)
        throw InternalError("a circuit of another shape than the target");
    const std::vector<NodeRealisation> choice = realiseNodes(circuit);
    Circuit c;
    c.k = k;
    for (const NodeRealisation& ch : choice) {
        Circuit::Node nd;
        nd.function = ch.function;
        for (uint32_t b = 0; b < 2; ++b) {
            nd.source[b] = ch.source[b];
            nd.inverted[b] = ch.inverted[b];
        }
        c.nodes.push_back(nd);
    }
    for (const BoundCircuit::Output& out : circuit.outputs) {
        Circuit::Output o;
        o.driver = out.driver;
        const bool flip = out.driver > k && choice[out.driver - k - 1].polarity != 0;
        o.inverted = out.inverted != flip;
        c.outputs.push_back(o);
    }
    return c;
}

void SAT_CircGen::CheckRealises(const Circuit& c) const {
    if (polyEdges || c.k != k || c.outputs.size() != m)
        throw InternalError("a circuit of another shape than the target");
    const std::vector<uint8_t> values = target->SimulateAll(); // row r, output o: r * m + o
    const std::vector<std::vector<uint64_t>> got = c.Simulate(library().Tables());
    const uint64_t rows = uint64_t(1) << k;
    for (uint32_t o = 0; o < m; ++o)
        for (uint64_t r = 0; r < rows; ++r) {
            const uint8_t want = values[r * m + o];
            if (want <= 1 && ((got[o][r / 64] >> (r % 64)) & 1u) != want)
                throw InternalError("the circuit found differs from the target at output " +
                                    int2string(o) + ", row " + int2string(r));
        }
}

Model SAT_CircGen::ModelOfCircuit(const BoundCircuit& circuit) const {
    if (circuit.nodes.size() != n || circuit.k != k || circuit.outputs.size() != m)
        throw InternalError("the lower-bound engine's circuit has " +
                            std::to_string(circuit.nodes.size()) + " nodes, the instance " +
                            std::to_string(n));
    const BoundProblem::Spec spec = BoundSpec();
    const VarMap vm(k, m, n, library().size(), library().CodeBits(), allowConst, polyEdges);
    const uint32_t width = clauses.getInputs();
    if (width != vm.count() && width != vm.countWithFH())
        throw InternalError("the instance does not have the shape of " + std::to_string(n) +
                            " nodes");
    const std::vector<NodeRealisation> choice = realiseNodes(circuit);
    std::vector<uint32_t> polarity(k + n + 1, 0);
    for (uint32_t t = 0; t < n; ++t)
        polarity[k + 1 + t] = choice[t].polarity;

    std::vector<uint8_t> value(width, 0);
    for (uint32_t t = 0; t < n; ++t) {
        const uint32_t i = k + 1 + t;
        const NodeRealisation& ch = choice[t];
        for (uint32_t b = 0; b < 2; ++b) {
            value[vm.C(ch.source[b], i, b)] = 1;
            value[vm.N(i, b)] = ch.inverted[b];
        }
        for (uint32_t f = 0; f < library().CodeBits(); ++f)
            value[vm.F(i, f)] = (ch.function >> (library().CodeBits() - 1 - f)) & 1u;
        if (width == vm.countWithFH()) value[vm.FH(i, ch.function)] = 1;
    }
    for (uint32_t o = 0; o < m; ++o) {
        const BoundCircuit::Output& out = circuit.outputs[o];
        value[vm.O(o, out.driver)] = 1;
        value[vm.ON(o)] = (out.inverted ? 1u : 0u) ^ polarity[out.driver];
    }
    const uint32_t rowWidth = polyEdges ? k + 1 : k;
    std::vector<uint8_t> y(k + n + 1);
    for (uint32_t r = 0; r < vm.rows(); ++r) {
        const std::string row = int2bin(r, rowWidth);
        y[0] = 0;
        for (uint32_t j = 1; j <= k; ++j)
            y[j] = row[j - 1] == '1';
        for (uint32_t t = 0; t < n; ++t) {
            const uint32_t i = k + 1 + t;
            const NodeRealisation& ch = choice[t];
            uint32_t port[2];
            for (uint32_t b = 0; b < 2; ++b) {
                const uint32_t x = y[ch.source[b]];
                value[vm.X(r, i, b)] = x;
                value[vm.XP(r, i, b)] = x;
                port[b] = x ^ (ch.inverted[b] ? 1u : 0u);
                value[vm.XN(r, i, b)] = port[b];
            }
            y[i] = tableAt(spec.library[ch.function], port[0], port[1]);
        }
        for (uint32_t s = 0; s <= k + n; ++s)
            value[vm.Y(r, s)] = y[s];
        for (uint32_t o = 0; o < m; ++o) {
            const uint32_t ov = y[circuit.outputs[o].driver];
            value[vm.OV(r, o)] = ov;
            value[vm.ONr(r, o)] = ov ^ value[vm.ON(o)];
            value[vm.ONP(r, o)] = ov ^ value[vm.ON(o)];
        }
    }

    Model model = std::make_shared<SoPLA>(&clauses);
    Cube term;
    term.init_sparse(width);
    for (uint32_t v = 0; v < width; ++v)
        term.setLit(v, value[v] ? Lit_1 : Lit_0);
    model->AppendTerm(term);
    // The circuit must satisfy the instance clause by clause: a wrong model here would be a
    // wrong circuit later.
    uint64_t index = 0;
    for (const Cube& clause : clauses) {
        bool satisfied = false;
        for (const auto& [pos, lit] : clause.specified())
            if ((lit == Lit_1) == (value[pos] != 0)) {
                satisfied = true;
                break;
            }
        if (!satisfied)
            throw InternalError("the lower-bound engine's circuit violates "
                                "clause " +
                                std::to_string(index + 1) +
                                " of the instance for n = " + std::to_string(n));
        ++index;
    }
    return model;
}
