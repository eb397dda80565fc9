// Solution writers: the Graphviz drawing, the AIGER ASCII file and the binary AIGER file,
// each written from the decoded circuit (the model-taking forms decode first).
//
// Signal numbering: 0 the constant, 1..k the primary inputs, k+1..k+n the nodes. In the
// AIGER ASCII file input q is variable q+1 and node i is variable i; a literal is twice the
// variable, plus one for an inverted use. The binary AIGER file is an AND-inverter graph:
// every node becomes ANDs (none, one or three) with variables of their own, numbered in
// node order after the inputs.
#include "synth/SAT_CircGen.h"

#include "util/OutputFile.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <array>
#include <fstream>
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

// The 4-bit table f(a, b) at bit 2a + b of a library function, a on port 0.
uint32_t tableOf(const PLA& function) {
    const char* const rows[] = {"00", "01", "10", "11"};
    uint32_t table = 0;
    for (uint32_t r = 0; r < 4; ++r) {
        const std::vector<uint32_t> v = function.Simulate(Cube(rows[r]));
        if (v.empty() || v[0] > 1)
            throw InternalError("a library function without a complete table");
        if (v[0] == 1) table |= 1u << r;
    }
    return table;
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
AndInverterForm andInverterForm(const Circuit& c, const std::vector<PLA>& nodeFunctions,
                                uint32_t k, uint32_t m) {
    std::vector<uint32_t> table(nodeFunctions.size());
    for (uint32_t t = 0; t < nodeFunctions.size(); ++t)
        table[t] = tableOf(nodeFunctions[t]);

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

} // namespace

void SAT_CircGen::SaveDOT(const SoPLA* model, uint32_t nodes, std::string file) {
    SaveDOT(Decode(model, nodes), file);
}

void SAT_CircGen::SaveDOT(const Circuit& c, const std::string& file) const {
    OutputFile outFile(file);
    std::ostream& out = outFile.stream();

    const uint32_t last = c.lastSignal();
    out << "digraph Network {" << std::endl;
    out << "edge[dir = back];" << std::endl;
    out << "{" << std::endl;
    out << "     rank = same;" << std::endl;
    for (uint32_t q = 0; q < k; ++q)
        out << "     N_" << q + 1 << " [label=\"" << target->getIName(q)
            << "\", shape = triangle, color = coral, fillcolor = coral];" << std::endl;
    if (c.ConstantUsed())
        out << "     N_0 [label=\"0\", shape = triangle, color = coral, fillcolor = coral];"
            << std::endl;
    out << "}" << std::endl;
    out << "{" << std::endl;
    out << "     rank = same;" << std::endl;
    for (uint32_t o = 0; o < m; ++o)
        out << "     O_" << o << " [label=\"" << target->getOName(o)
            << "\", shape = invtriangle, color = coral, fillcolor = coral];" << std::endl;
    out << "}" << std::endl;

    for (uint32_t i = k + 1; i <= last; ++i)
        out << "     N_" << i << " [label=\"" << i - k << "\""
            << dotShape(GateName(c.node(i).function)) << "];" << std::endl;
    out << std::endl;

    for (uint32_t s = allowConst ? 0 : 1; s < last; ++s)
        for (uint32_t i = std::max(k + 1, s + 1); i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b) {
                const Circuit::Node& nd = c.node(i);
                if (nd.source[b] != s) continue;
                std::string attr = edgeStyle(nd.inverted[b], nd.polymorphic[b]);
                if (!symmetric[nd.function]) {
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
        std::string attr = edgeStyle(output.inverted, polyEdges && output.polymorphic);
        if (!attr.empty()) attr += "]";
        out << "     O_" << o << " -> N_" << output.driver << attr << ";" << std::endl;
    }
    out << "}" << std::endl;
    outFile.Close();
}

void SAT_CircGen::SaveAAG(const SoPLA* model, uint32_t nodes, std::string file) {
    SaveAAG(Decode(model, nodes), file);
}

void SAT_CircGen::SaveAAG(const Circuit& c, const std::string& file) const {
    // A circuit of AND gates keeps the classic file: one AIGER variable per node. Any other
    // circuit without polymorphic edges is written in AND-inverter form, as the binary
    // file is; a polymorphic one keeps the classic notation for its edges.
    bool allAnd = true, anyXor = false, andOrXor = true;
    for (const Circuit::Node& nd : c.nodes) {
        const std::string gate = GateName(nd.function);
        allAnd = allAnd && gate == "and";
        anyXor = anyXor || gate == "xor";
        andOrXor = andOrXor && (gate == "and" || gate == "xor");
    }
    if (!allAnd && c.PolyEdges() == 0) {
        const AndInverterForm aig = andInverterForm(c, nodeFunctions, k, m);
        OutputFile outFile(file);
        std::ostream& out = outFile.stream();
        out << "aag " << k + aig.graph.count() << " " << k << " 0 " << m << " "
            << aig.graph.count() << "\n";
        for (uint32_t q = 0; q < k; ++q)
            out << 2 * (q + 1) << "\n";
        for (uint32_t lit : aig.outputs)
            out << lit << "\n";
        for (const auto& g : aig.graph.gates())
            out << g[0] << " " << g[1] << " " << g[2] << "\n";
        outFile.Close();
        return;
    }
    if (!andOrXor)
        throw RuntimeException(
            "the AIGER file of a circuit with polymorphic edges takes AND and XOR gates only");

    OutputFile outFile(file);
    std::ostream& out = outFile.stream();
    const auto nodes = static_cast<uint32_t>(c.nodes.size());
    out << (polyEdges ? "p" : "") << (anyXor ? "x" : "") << "aag " << nodes + k << " " << k
        << " 0 " << m << " " << nodes << std::endl;
    for (uint32_t q = 0; q < k; ++q)
        out << 2 * (q + 1) << std::endl;

    for (const Circuit::Output& output : c.outputs) {
        if (polyEdges && output.polymorphic) out << "-";
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
            const bool poly = polyEdges && nd.polymorphic[b];
            port[b] = (poly ? "-" : "") + int2string(2 * nd.source[b] + (nd.inverted[b] ? 1 : 0));
        }
        if (GateName(nd.function) == "xor")
            out << 2 * i << " " << port[1] << " " << port[0] << std::endl;
        else
            out << 2 * i << " " << port[0] << " " << port[1] << std::endl;
    }
    outFile.Close();
}

void SAT_CircGen::SaveAIG(const SoPLA* model, uint32_t nodes, std::string file) {
    SaveAIG(Decode(model, nodes), file);
}

void SAT_CircGen::SaveAIG(const Circuit& c, const std::string& file) const {
    // Everything is checked and computed before the file is created.
    if (c.PolyEdges() != 0)
        throw RuntimeException("an AIGER file has no form for polymorphic edges");
    const AndInverterForm aig = andInverterForm(c, nodeFunctions, k, m);
    OutputFile outFile(file, true);
    std::ostream& out = outFile.stream();
    out << "aig " << k + aig.graph.count() << " " << k << " 0 " << m << " " << aig.graph.count()
        << "\n";
    for (uint32_t lit : aig.outputs)
        out << lit << "\n";
    for (const auto& g : aig.graph.gates()) {
        putDelta(out, g[0] - g[1]);
        putDelta(out, g[1] - g[2]);
    }
    outFile.Close();
}

namespace {

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

void SAT_CircGen::SaveJSON(const Circuit& c, const std::string& file,
                           const std::string& status) const {
    // The target's tables over its rows (input j is bit j of the row).
    const std::vector<uint8_t> values = target->SimulateAll();
    const size_t rows = values.size() / (m == 0 ? 1 : m);
    OutputFile outFile(file);
    std::ostream& out = outFile.stream();
    out << "{\"inputs\": [";
    for (uint32_t q = 0; q < target->getInputs(); ++q)
        out << (q ? ", " : "") << jsonString(target->getIName(q));
    out << "],\n \"targets\": [";
    for (uint32_t o = 0; o < m; ++o) {
        std::vector<bool> on(rows), care(rows);
        for (size_t r = 0; r < rows; ++r) {
            on[r] = values[r * m + o] == 1;
            care[r] = values[r * m + o] != 2;
        }
        out << (o ? ",\n   " : "") << "{\"name\": " << jsonString(target->getOName(o))
            << ", \"table\": \"" << hexDigits(on) << "\", \"care\": \"" << hexDigits(care)
            << "\"}";
    }
    out << "],\n \"library\": " << jsonString(libraryText) << ", \"costs\": \"";
    for (uint32_t cost : gateCosts)
        out << "0123456789ABCDEF"[cost & 15u];
    out << "\",\n \"gates\": [";
    for (uint32_t i = k + 1; i <= c.lastSignal(); ++i) {
        const Circuit::Node& nd = c.node(i);
        if (nd.source[0] == Circuit::kNone || nd.source[1] == Circuit::kNone)
            throw InternalError("the JSON writer met a gate input without a source");
        out << (i > k + 1 ? ",\n   " : "") << "{\"signal\": " << i << ", \"function\": \""
            << libraryText.at(nd.function) << "\", \"operands\": [";
        for (uint32_t b = 0; b < 2; ++b)
            out << (b ? ", " : "") << "{\"signal\": " << nd.source[b]
                << ", \"inverted\": " << (nd.inverted[b] ? "true" : "false")
                << ", \"polymorphic\": " << (polyEdges && nd.polymorphic[b] ? "true" : "false")
                << "}";
        out << "]}";
    }
    out << "],\n \"outputs\": [";
    for (uint32_t o = 0; o < m; ++o) {
        const Circuit::Output& output = c.outputs[o];
        if (output.driver == Circuit::kNone)
            throw InternalError("the JSON writer met an output without a driver");
        out << (o ? ", " : "") << "{\"signal\": " << output.driver << ", \"inverted\": "
            << (output.inverted || output.inversionOpen ? "true" : "false")
            << ", \"polymorphic\": " << (polyEdges && output.polymorphic ? "true" : "false")
            << "}";
    }
    out << "],\n \"nodes\": " << c.nodes.size() << ", \"cost\": " << ComputeCost(c)
        << ", \"depth\": " << c.Levels() << ", \"xors\": " << getNodesOfType(c, "xor")
        << ", \"status\": " << jsonString(status) << "}\n";
    outFile.Close();
}

std::string SAT_CircGen::GateName(uint32_t t) const {
    if (t >= nodeFunctionCovers.size())
        throw InternalError("node function " + int2string(t) + " beyond the library");
    const SoPLA& cover = nodeFunctionCovers[t];
    if (!cover.peekGateName().empty()) return cover.peekGateName();
    SoPLA copy(cover); // recognised on a copy: the library stays as it is
    return copy.getGateName();
}
