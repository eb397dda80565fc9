#include "synth/CofactorConstruction.h"

#include "bound/FastBound.h"
#include "logic/PLA.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <string>
#include <vector>

namespace {

// Conflicts one sub-problem may spend: three-input problems take a few thousand at most.
constexpr uint64_t kSubProblemConflicts = 200000;

struct Lit {
    uint32_t signal = 0;
    bool inverted = false;
};

// Appends a node computing op(value of p, value of q) and returns its literal: the node
// keeps the normal table (0 where both operands are 0) and the literal the polarity.
template <typename Op> Lit addNode(BoundCircuit& c, Lit p, Lit q, Op op) {
    const uint32_t a = p.signal < q.signal ? p.signal : q.signal;
    const uint32_t b = p.signal < q.signal ? q.signal : p.signal;
    uint32_t table = 0;
    for (uint32_t xa = 0; xa < 2; ++xa)
        for (uint32_t xb = 0; xb < 2; ++xb) {
            const bool vp = ((p.signal == a ? xa : xb) != 0) != p.inverted;
            const bool vq = ((q.signal == a ? xa : xb) != 0) != q.inverted;
            if (op(vp, vq)) table |= 1u << (2 * xa + xb);
        }
    const bool inverted = (table & 1u) != 0;
    if (inverted) table ^= 15u;
    c.nodes.push_back({a, b, table});
    return Lit{c.k + static_cast<uint32_t>(c.nodes.size()), inverted};
}

Lit andOf(BoundCircuit& c, Lit p, Lit q) {
    return addNode(c, p, q, [](bool x, bool y) { return x && y; });
}

Lit xorOf(BoundCircuit& c, Lit p, Lit q, bool xorNodes) {
    if (xorNodes) return addNode(c, p, q, [](bool x, bool y) { return x != y; });
    const Lit u = addNode(c, p, q, [](bool x, bool y) { return x && !y; });
    const Lit w = addNode(c, p, q, [](bool x, bool y) { return !x && y; });
    return addNode(c, u, w, [](bool x, bool y) { return x || y; });
}

enum class Form { Mux, XorLow, XorHigh };

// The parent row of sub-problem row s with input x (0-based) set to v.
uint32_t parentRow(uint32_t s, uint32_t x, uint32_t v) {
    const uint32_t low = s & ((1u << x) - 1u);
    return ((s >> x) << (x + 1)) | (v << x) | low;
}

} // namespace

std::optional<BoundCircuit> CofactorCircuit(const BoundProblem::Spec& spec, bool xorNodes,
                                            uint32_t below) {
    if (spec.target == nullptr || spec.m != 1 || spec.k < 2 ||
        spec.k > kMaxCofactorConstructionInputs || !spec.allowInv || spec.polyEdges)
        return std::nullopt;
    const BoundProblem parent(spec);
    if (!parent.applicable() || !parent.normal()) return std::nullopt;
    const uint32_t k = spec.k;
    const uint32_t subRows = 1u << (k - 1);
    bool fullySpecified = true;
    for (uint32_t r = 0; r < parent.rows(); ++r)
        fullySpecified = fullySpecified && parent.caredAt(0, r);

    std::optional<BoundCircuit> best;
    for (uint32_t x = 0; x < k; ++x) {
        for (Form form : {Form::Mux, Form::XorLow, Form::XorHigh}) {
            if (form != Form::Mux && !fullySpecified) continue;
            const uint32_t top = form == Form::Mux ? 3u : xorNodes ? 2u : 4u;
            if (below <= top + 1) continue; // the sub-circuit needs a node at least
            const uint32_t limit = below - 1 - top;
            // The sub-problem: output 0 the cofactor kept, output 1 the other one (Mux) or
            // the exclusive-or of both.
            const uint32_t kept = form == Form::XorHigh ? 1u : 0u;
            auto pla = std::make_shared<PLA>(k - 1, 2, PLA_type("fd"));
            for (uint32_t s = 0; s < subRows; ++s) {
                const uint32_t r0 = parentRow(s, x, 0), r1 = parentRow(s, x, 1);
                const uint32_t rk = kept ? r1 : r0;
                std::string out(2, '-');
                if (parent.caredAt(0, rk)) out[0] = parent.valueAt(0, rk) ? '1' : '0';
                if (form == Form::Mux) {
                    if (parent.caredAt(0, r1)) out[1] = parent.valueAt(0, r1) ? '1' : '0';
                } else {
                    out[1] = parent.valueAt(0, r0) != parent.valueAt(0, r1) ? '1' : '0';
                }
                pla->AppendTerm(int2bin_rev(s, k - 1), out);
            }
            pla->NameVars();
            BoundProblem::Spec sub = spec;
            sub.target = pla.get();
            sub.k = k - 1;
            sub.m = 2;
            FastBound engine(sub);
            if (!engine.applicable()) continue;
            engine.setThreads(1);
            std::optional<uint32_t> nodes;
            {
                StopRequest::ConflictBudget budget(kSubProblemConflicts);
                nodes = engine.minimumNodes(limit);
            }
            if (!nodes || engine.witness() == nullptr) continue;
            const BoundCircuit& s = *engine.witness();
            if (s.outputs.size() != 2 || s.outputs[0].driver == 0 || s.outputs[1].driver == 0 ||
                s.outputs[0].driver == s.outputs[1].driver)
                continue; // a constant or repeated cofactor: the construction rules cover it

            BoundCircuit c;
            c.k = k;
            const auto map = [&](uint32_t signal) {
                if (signal == 0) return 0u;
                if (signal <= k - 1) return signal <= x ? signal : signal + 1;
                return signal + 1; // sub-circuit nodes follow all k inputs
            };
            for (const BoundCircuit::Node& n : s.nodes)
                c.nodes.push_back({map(n.a), map(n.b), n.table});
            const Lit in{x + 1, false};
            const Lit s0{map(s.outputs[0].driver), s.outputs[0].inverted};
            const Lit s1{map(s.outputs[1].driver), s.outputs[1].inverted};
            Lit out;
            if (form == Form::Mux) {
                const Lit t1 = andOf(c, in, s1);
                const Lit t0 = andOf(c, Lit{in.signal, true}, s0);
                out = addNode(c, t1, t0, [](bool p, bool q) { return p || q; });
            } else {
                const Lit t = andOf(c, Lit{in.signal, form == Form::XorHigh}, s1);
                out = xorOf(c, s0, t, xorNodes);
            }
            c.outputs.push_back({out.signal, out.inverted});
            if (c.FirstMismatch(parent) != parent.rows())
                throw InternalError("the cofactor construction built a wrong circuit");
            if (c.nodes.size() < below) {
                below = static_cast<uint32_t>(c.nodes.size());
                best = std::move(c);
            }
        }
    }
    return best;
}
