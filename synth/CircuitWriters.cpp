// The writers of a circuit (synth/CircuitWriters.h), each from the circuit, its library and
// the signal names.
#include "synth/CircuitWriters.h"

#include "logic/PLA.h"
#include "network/Network.h"
#include "synth/Library.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

// The attribute text of an edge drawn dashed when inverted and bold blue when polymorphic;
// empty when it is neither.
std::string edgeStyle(bool inv, bool poly) {
    if (!inv && !poly) return "";
    std::string s = " [style=\"";
    if (inv) s += "dashed";
    if (inv && poly) s += ", ";
    if (poly) s += "bold\", color=\"blue";
    return s + "\"";
}

std::string dotShape(const std::string& gate) {
    if (gate == "and") return "";
    if (gate == "nand") return ", shape = oval, peripheries = 2";
    if (gate == "or") return ", shape = box";
    if (gate == "nor") return ", shape = box, peripheries = 2";
    if (gate == "imply") return ", shape = rarrow";
    if (gate == "xor") return ", shape = hexagon";
    if (gate == "xnor") return ", shape = hexagon, peripheries = 2";
    return ", shape = cylinder";
}

// AND gates of a binary AIGER file in the making: variables after the k inputs.
class AndGraph {
public:
    explicit AndGraph(uint32_t inputs) : next_(inputs + 1) {}
    // The literal of a new AND of two literals.
    uint32_t And(uint32_t x, uint32_t y) {
        const uint32_t lhs = 2 * next_++;
        gates_.push_back({lhs, std::max(x, y), std::min(x, y)});
        return lhs;
    }
    // The literal of f(x, y) for a 4-bit table f (f(a, b) at bit 2a + b): one AND with
    // inversions when f is 1 (or 0) at exactly one point, three ANDs for the exclusive-or
    // and its complement, none for a projection or a constant.
    uint32_t Gate(uint32_t table, uint32_t x, uint32_t y) {
        uint32_t ones = 0, one = 0, zero = 0;
        for (uint32_t p = 0; p < 4; ++p) {
            if ((table >> p) & 1u) {
                ++ones;
                one = p;
            } else {
                zero = p;
            }
        }
        // The literal that is 1 exactly at the point (a, b).
        const auto at = [&](uint32_t p) { return And(x ^ ((p >> 1) ^ 1u), y ^ ((p & 1u) ^ 1u)); };
        switch (ones) {
        case 0:
            return 0;
        case 4:
            return 1;
        case 1:
            return at(one);
        case 3:
            return at(zero) ^ 1u;
        default:
            break;
        }
        if (table == 0xC) return x; // a
        if (table == 0x3) return x ^ 1u;
        if (table == 0xA) return y; // b
        if (table == 0x5) return y ^ 1u;
        // 6: a xor b = not(a and b) and not(not a and not b); 9 its complement.
        const uint32_t both = And(x, y);
        const uint32_t neither = And(x ^ 1u, y ^ 1u);
        const uint32_t exor = And(both ^ 1u, neither ^ 1u);
        return table == 0x6 ? exor : exor ^ 1u;
    }
    uint32_t count() const { return static_cast<uint32_t>(gates_.size()); }
    const std::vector<std::array<uint32_t, 3>>& gates() const { return gates_; }

private:
    uint32_t next_;
    std::vector<std::array<uint32_t, 3>> gates_; // lhs > rhs0 >= rhs1
};

// Seven bits per byte, least significant group first, high bit set on all but the last.
void putDelta(std::ostream& out, uint32_t x) {
    while (x & ~0x7Fu) {
        out.put(static_cast<char>((x & 0x7Fu) | 0x80u));
        x >>= 7;
    }
    out.put(static_cast<char>(x));
}

// A circuit as an AND-inverter graph: its ANDs and the literal of every output.
struct AndInverterForm {
    AndGraph graph;
    std::vector<uint32_t> outputs;
};
AndInverterForm andInverterForm(const Circuit& c, const Library& library) {
    const std::vector<uint32_t>& table = library.Tables();
    const uint32_t k = c.k;
    const auto m = static_cast<uint32_t>(c.outputs.size());

    // The literal of every signal: the constant, the inputs, then each node as ANDs.
    AndInverterForm form{AndGraph(k), {}};
    std::vector<uint32_t> literal(c.lastSignal() + 1);
    for (uint32_t q = 0; q <= k; ++q)
        literal[q] = 2 * q;
    for (uint32_t i = k + 1; i <= c.lastSignal(); ++i) {
        const Circuit::Node& nd = c.node(i);
        uint32_t in[2];
        for (uint32_t b = 0; b < 2; ++b) {
            if (nd.source[b] == Circuit::kNone)
                throw InternalError("the AIGER writer met a gate input without a source");
            in[b] = literal[nd.source[b]] ^ (nd.inverted[b] ? 1u : 0u);
        }
        if (nd.function >= table.size())
            throw InternalError("the AIGER writer met node " + int2string(i) +
                                " without a library function");
        literal[i] = form.graph.Gate(table[nd.function], in[0], in[1]);
    }
    form.outputs.resize(m);
    for (uint32_t o = 0; o < m; ++o) {
        const Circuit::Output& output = c.outputs[o];
        if (output.driver == Circuit::kNone)
            throw InternalError("the AIGER writer met an output without a driver");
        // As in the classic ASCII file, an output inversion left open counts as an inversion.
        const bool inverted = output.inverted || output.inversionOpen;
        form.outputs[o] = literal[output.driver] ^ (inverted ? 1u : 0u);
    }
    return form;
}

// A JSON string literal.
std::string jsonString(const std::string& text) {
    std::string q = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            q += '\\';
            q += c;
        } else if (u < 0x20) {
            const char* hex = "0123456789abcdef";
            q += "\\u00";
            q += hex[u >> 4];
            q += hex[u & 15];
        } else {
            q += c;
        }
    }
    return q + "\"";
}

// Hexadecimal digits of the bits, the highest first (one digit for fewer than four).
std::string hexDigits(const std::vector<bool>& bits) {
    const size_t digits = bits.size() < 4 ? 1 : bits.size() / 4;
    std::string s(digits, '0');
    for (size_t d = 0; d < digits; ++d) {
        uint32_t v = 0;
        for (size_t b = 0; b < 4 && 4 * d + b < bits.size(); ++b)
            if (bits[4 * d + b]) v |= 1u << b;
        s[digits - 1 - d] = "0123456789ABCDEF"[v];
    }
    return s;
}

} // namespace

CircuitNames CircuitNames::Default(uint32_t inputs, uint32_t outputs, bool polyEdges) {
    CircuitNames names;
    for (uint32_t q = 0; q < inputs; ++q)
        names.inputs.push_back("x" + int2string(q));
    if (polyEdges) names.inputs.push_back("P");
    for (uint32_t o = 0; o < outputs; ++o)
        names.outputs.push_back("y" + int2string(o));
    names.polyEdges = polyEdges;
    return names;
}

uint32_t CircuitCost(const Circuit& c, const Library& library) {
    uint32_t cost = 0;
    for (const Circuit::Node& node : c.nodes) {
        if (node.function >= library.size())
            throw InternalError("no gate cost for node function " + int2string(node.function));
        cost += library.Cost(node.function);
    }
    return cost;
}

uint32_t GatesNamed(const Circuit& c, const Library& library, const std::string& gate) {
    uint32_t count = 0;
    for (const Circuit::Node& nd : c.nodes)
        if (library.GateName(nd.function) == gate) ++count;
    return count;
}

void WriteDOT(std::ostream& out, const Circuit& c, const Library& library,
              const CircuitNames& names) {
    const uint32_t k = c.k;
    const auto m = static_cast<uint32_t>(c.outputs.size());

    const uint32_t last = c.lastSignal();
    out << "digraph Network {" << std::endl;
    out << "edge[dir = back];" << std::endl;
    out << "{" << std::endl;
    out << "     rank = same;" << std::endl;
    for (uint32_t q = 0; q < k; ++q)
        out << "     N_" << q + 1 << " [label=\"" << names.inputs.at(q)
            << "\", shape = triangle, color = coral, fillcolor = coral];" << std::endl;
    if (c.ConstantUsed())
        out << "     N_0 [label=\"0\", shape = triangle, color = coral, fillcolor = coral];"
            << std::endl;
    out << "}" << std::endl;
    out << "{" << std::endl;
    out << "     rank = same;" << std::endl;
    for (uint32_t o = 0; o < m; ++o)
        out << "     O_" << o << " [label=\"" << names.outputs.at(o)
            << "\", shape = invtriangle, color = coral, fillcolor = coral];" << std::endl;
    out << "}" << std::endl;

    for (uint32_t i = k + 1; i <= last; ++i)
        out << "     N_" << i << " [label=\"" << i - k << "\""
            << dotShape(library.GateName(c.node(i).function)) << "];" << std::endl;
    out << std::endl;

    for (uint32_t s = 0; s < last; ++s)
        for (uint32_t i = std::max(k + 1, s + 1); i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b) {
                const Circuit::Node& nd = c.node(i);
                if (nd.source[b] != s) continue;
                std::string attr = edgeStyle(nd.inverted[b], nd.polymorphic[b]);
                if (!library.Symmetric(nd.function)) {
                    attr += attr.empty() ? " [" : ", ";
                    attr += b == 0 ? "tailport=\"sw\"" : "tailport=\"se\"";
                    attr += "]";
                } else if (!attr.empty()) {
                    attr += "]";
                }
                out << "     N_" << i << " -> N_" << s << attr << ";" << std::endl;
            }

    for (uint32_t o = 0; o < m; ++o) {
        const Circuit::Output& output = c.outputs[o];
        if (output.driver == Circuit::kNone) continue; // an output without a driver has no edge
        std::string attr = edgeStyle(output.inverted, names.polyEdges && output.polymorphic);
        if (!attr.empty()) attr += "]";
        out << "     O_" << o << " -> N_" << output.driver << attr << ";" << std::endl;
    }
    out << "}" << std::endl;
}

void WriteAAG(std::ostream& out, const Circuit& c, const Library& library,
              const CircuitNames& names) {
    const uint32_t k = c.k;
    const auto m = static_cast<uint32_t>(c.outputs.size());

    // A circuit of AND gates keeps the classic file: one AIGER variable per node. Any other
    // circuit without polymorphic edges is written in AND-inverter form, as the binary
    // file is; a polymorphic one keeps the classic notation for its edges.
    bool allAnd = true, anyXor = false, andOrXor = true;
    for (const Circuit::Node& nd : c.nodes) {
        const std::string gate = library.GateName(nd.function);
        allAnd = allAnd && gate == "and";
        anyXor = anyXor || gate == "xor";
        andOrXor = andOrXor && (gate == "and" || gate == "xor");
    }
    if (!allAnd && c.PolyEdges() == 0) {
        const AndInverterForm aig = andInverterForm(c, library);
        out << "aag " << k + aig.graph.count() << " " << k << " 0 " << m << " " << aig.graph.count()
            << "\n";
        for (uint32_t q = 0; q < k; ++q)
            out << 2 * (q + 1) << "\n";
        for (uint32_t lit : aig.outputs)
            out << lit << "\n";
        for (const auto& g : aig.graph.gates())
            out << g[0] << " " << g[1] << " " << g[2] << "\n";
        return;
    }
    if (!andOrXor)
        throw RuntimeException(
            "the AIGER file of a circuit with polymorphic edges takes AND and XOR gates only");

    const auto nodes = static_cast<uint32_t>(c.nodes.size());
    out << (names.polyEdges ? "p" : "") << (anyXor ? "x" : "") << "aag " << nodes + k << " " << k
        << " 0 " << m << " " << nodes << std::endl;
    for (uint32_t q = 0; q < k; ++q)
        out << 2 * (q + 1) << std::endl;

    for (const Circuit::Output& output : c.outputs) {
        if (names.polyEdges && output.polymorphic) out << "-";
        // Only an output inversion that the solver set to 0 counts as a plain output here.
        const bool inverted = output.inverted || output.inversionOpen;
        if (output.driver != Circuit::kNone) out << 2 * output.driver + (inverted ? 1 : 0);
        out << std::endl;
    }

    for (uint32_t i = k + 1; i <= c.lastSignal(); ++i) {
        const Circuit::Node& nd = c.node(i);
        std::string port[2];
        for (uint32_t b = 0; b < 2; ++b) {
            if (nd.source[b] == Circuit::kNone)
                throw InternalError("the AIGER writer met a gate input without a source");
            const bool poly = names.polyEdges && nd.polymorphic[b];
            port[b] = (poly ? "-" : "") + int2string(2 * nd.source[b] + (nd.inverted[b] ? 1 : 0));
        }
        if (library.GateName(nd.function) == "xor")
            out << 2 * i << " " << port[1] << " " << port[0] << std::endl;
        else
            out << 2 * i << " " << port[0] << " " << port[1] << std::endl;
    }
}

void WriteAIG(std::ostream& out, const Circuit& c, const Library& library) {
    const uint32_t k = c.k;
    const auto m = static_cast<uint32_t>(c.outputs.size());

    if (c.PolyEdges() != 0)
        throw RuntimeException("an AIGER file has no form for polymorphic edges");
    const AndInverterForm aig = andInverterForm(c, library);
    out << "aig " << k + aig.graph.count() << " " << k << " 0 " << m << " " << aig.graph.count()
        << "\n";
    for (uint32_t lit : aig.outputs)
        out << lit << "\n";
    for (const auto& g : aig.graph.gates()) {
        putDelta(out, g[0] - g[1]);
        putDelta(out, g[1] - g[2]);
    }
}

std::unique_ptr<Network> CircuitNetwork(const Circuit& c, const Library& library,
                                        const CircuitNames& names) {
    auto net = std::make_unique<Network>();
    net->setName("fnct");
    net->setINames(names.inputs);
    net->setONames(names.outputs);

    const bool poly = names.polyEdges;
    const uint32_t k = c.k;
    const auto m = static_cast<uint32_t>(c.outputs.size());
    auto isOutPoly = [&](uint32_t o) { return poly && c.outputs[o].polymorphic; };
    auto isOutInv = [&](uint32_t o) { return c.outputs[o].inverted; };

    // Polymorphic stage: input 0 is the control input, input 1 the signal.
    PLA xorStage;
    xorStage.Make_XOR();
    xorStage.setIName(0, "P");
    auto addStage = [&](const std::string& in, const std::string& out, bool inverted) {
        PLA stage(xorStage);
        stage.setIName(1, in);
        stage.setOName(0, out);
        if (inverted) stage.NegateOutput(0);
        net->AddNode(Node(stage));
    };
    auto addCopy = [&](const std::string& in, const std::string& out, bool inverted) {
        PLA copy;
        if (inverted)
            copy.Make_Inv();
        else
            copy.Make_Buff();
        copy.setIName(0, in);
        copy.setOName(0, out);
        net->AddNode(Node(copy));
    };

    // The constant node, when a port or an output uses signal 0.
    if (c.ConstantUsed()) {
        PLA zero;
        zero.Make_ZERO();
        zero.setOName(0, "const_0");
        net->AddNode(Node(zero));
    }

    // Outputs taken straight from the constant or a primary input.
    for (uint32_t o = 0; o < m; ++o) {
        const uint32_t s = c.outputs[o].driver;
        if (s > k) continue;
        const std::string src = s == 0 ? std::string("const_0") : names.inputs.at(s - 1);
        if (isOutPoly(o))
            addStage(src, names.outputs.at(o), isOutInv(o));
        else
            addCopy(src, names.outputs.at(o), isOutInv(o));
    }

    // The name a node's output carries in the network and whether it is inverted there.
    auto nodeSignal = [&](uint32_t s, bool& inverted) {
        const uint32_t o = c.FirstOutputOf(s);
        inverted = false;
        if (o == m) return "n" + int2string(s - k);
        inverted = isOutInv(o);
        if (isOutPoly(o)) return "out_tmp" + int2string(o);
        return names.outputs.at(o);
    };

    for (uint32_t i = k + 1; i <= c.lastSignal(); ++i) {
        const Circuit::Node& nd = c.node(i);
        PLA cover(library.Cover(nd.function));
        for (uint32_t b = 0; b < 2; ++b)
            if (nd.inverted[b]) cover.NegateInput(b);

        const uint32_t o1 = c.FirstOutputOf(i);
        if (o1 == m) {
            cover.setOName(0, "n" + int2string(i - k));
        } else {
            cover.setOName(0, names.outputs.at(o1));
            if (isOutInv(o1)) cover.NegateOutput(0);
            if (isOutPoly(o1)) {
                cover.setOName(0, "out_tmp" + int2string(o1));
                addStage("out_tmp" + int2string(o1), names.outputs.at(o1), false);
            }
        }
        const std::string own = cover.getOName(0);

        // Fan-ins, in (source, port) order.
        const uint32_t order[2] = {nd.source[1] < nd.source[0] ? 1u : 0u,
                                   nd.source[1] < nd.source[0] ? 0u : 1u};
        for (uint32_t b : order) {
            const uint32_t s = nd.source[b];
            if (s == Circuit::kNone) continue;
            std::string name;
            if (s == 0) {
                name = "const_0";
            } else if (s <= k) {
                name = names.inputs.at(s - 1);
            } else {
                bool inverted = false;
                name = nodeSignal(s, inverted);
                if (inverted) cover.NegateInput(b);
            }
            cover.setIName(b, name);
            if (poly && nd.polymorphic[b]) {
                const std::string polyName = name + "_P";
                cover.setIName(b, polyName);
                if (!net->FindSignal(polyName).first) addStage(name, polyName, false);
            }
        }
        net->AddNode(Node(cover));

        // Further outputs driven by the same node.
        if (o1 == m) continue;
        for (uint32_t o = o1 + 1; o < m; ++o) {
            if (c.outputs[o].driver != i) continue;
            std::string out = names.outputs.at(o);
            if (isOutPoly(o)) {
                out = "out_tmp" + int2string(o);
                addStage(out, names.outputs.at(o), false);
            }
            addCopy(own, out, isOutInv(o1) != isOutInv(o));
        }
    }
    return net;
}

void WriteBLIF(std::ostream& out, const Circuit& c, const Library& library,
               const CircuitNames& names) {
    CircuitNetwork(c, library, names)->WriteBlif(out);
}

void WriteVerilog(std::ostream& out, const Circuit& c, const Library& library,
                  const CircuitNames& names) {
    CircuitNetwork(c, library, names)->WriteVerilog(out);
}

void WriteJSON(std::ostream& out, const Circuit& c, const Library& library,
               const CircuitNames& names, const PLA& target, const std::string& status) {
    const uint32_t k = c.k;
    const auto m = static_cast<uint32_t>(c.outputs.size());
    // The target's tables over its rows (input j is bit j of the row).
    const std::vector<uint8_t> values = target.SimulateAll();
    const size_t rows = values.size() / (m == 0 ? 1 : m);
    out << "{\"inputs\": [";
    for (uint32_t q = 0; q < names.inputs.size(); ++q)
        out << (q ? ", " : "") << jsonString(names.inputs.at(q));
    out << "],\n \"targets\": [";
    for (uint32_t o = 0; o < m; ++o) {
        std::vector<bool> on(rows), care(rows);
        for (size_t r = 0; r < rows; ++r) {
            on[r] = values[r * m + o] == 1;
            care[r] = values[r * m + o] != 2;
        }
        out << (o ? ",\n   " : "") << "{\"name\": " << jsonString(names.outputs.at(o))
            << ", \"table\": \"" << hexDigits(on) << "\", \"care\": \"" << hexDigits(care) << "\"}";
    }
    out << "],\n \"library\": " << jsonString(library.Text()) << ", \"costs\": \""
        << library.CostText() << "\",\n \"gates\": [";
    for (uint32_t i = k + 1; i <= c.lastSignal(); ++i) {
        const Circuit::Node& nd = c.node(i);
        if (nd.source[0] == Circuit::kNone || nd.source[1] == Circuit::kNone)
            throw InternalError("the JSON writer met a gate input without a source");
        out << (i > k + 1 ? ",\n   " : "") << "{\"signal\": " << i << ", \"function\": \""
            << library.Text().at(nd.function) << "\", \"operands\": [";
        for (uint32_t b = 0; b < 2; ++b)
            out << (b ? ", " : "") << "{\"signal\": " << nd.source[b]
                << ", \"inverted\": " << (nd.inverted[b] ? "true" : "false")
                << ", \"polymorphic\": "
                << (names.polyEdges && nd.polymorphic[b] ? "true" : "false") << "}";
        out << "]}";
    }
    out << "],\n \"outputs\": [";
    for (uint32_t o = 0; o < m; ++o) {
        const Circuit::Output& output = c.outputs[o];
        if (output.driver == Circuit::kNone)
            throw InternalError("the JSON writer met an output without a driver");
        out << (o ? ", " : "") << "{\"signal\": " << output.driver
            << ", \"inverted\": " << (output.inverted || output.inversionOpen ? "true" : "false")
            << ", \"polymorphic\": " << (names.polyEdges && output.polymorphic ? "true" : "false")
            << "}";
    }
    out << "],\n \"nodes\": " << c.nodes.size() << ", \"cost\": " << CircuitCost(c, library)
        << ", \"depth\": " << c.Levels() << ", \"xors\": " << GatesNamed(c, library, "xor")
        << ", \"status\": " << jsonString(status) << "}\n";
}
