#include "tests/support/CircuitCheck.h"

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace testsupport {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

// The shape class a DOT drawing gives a two-input function.
std::string shapeOf(uint32_t tt) {
    switch (tt) {
    case 0x8:
        return "and";
    case 0x7:
        return "nand";
    case 0xE:
        return "or";
    case 0x1:
        return "nor";
    case 0x6:
        return "xor";
    case 0x9:
        return "xnor";
    case 0xB:
        return "imply";
    default:
        return "other";
    }
}

std::string shapeFromAttributes(const std::string& rest) {
    if (rest.empty()) return "and";
    if (rest == ", shape = oval, peripheries = 2") return "nand";
    if (rest == ", shape = box") return "or";
    if (rest == ", shape = box, peripheries = 2") return "nor";
    if (rest == ", shape = hexagon") return "xor";
    if (rest == ", shape = hexagon, peripheries = 2") return "xnor";
    if (rest == ", shape = rarrow") return "imply";
    if (rest == ", shape = cylinder") return "other";
    fail("DOT: unknown node shape \"" + rest + "\"");
}

uint32_t hexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
    fail(std::string("bad library digit ") + c);
}

} // namespace

Expected Expected::FromNumber(uint32_t f, uint32_t inputs, bool poly) {
    Expected e;
    e.inputs = inputs;
    e.poly = poly;
    e.values.assign(1, std::vector<int>(e.rows()));
    for (uint32_t r = 0; r < e.rows(); ++r)
        e.values[0][r] = r < 32 ? static_cast<int>((f >> r) & 1u) : 0;
    return e;
}

Expected Expected::FromFunctions(uint32_t inputs, bool poly,
                                 const std::vector<std::function<int(uint32_t)>>& outputs) {
    Expected e;
    e.inputs = inputs;
    e.poly = poly;
    for (const auto& fn : outputs) {
        std::vector<int> column(e.rows());
        for (uint32_t r = 0; r < e.rows(); ++r)
            column[r] = fn(r);
        e.values.push_back(column);
    }
    return e;
}

GateCircuit GateCircuit::FromDot(const std::string& text, const std::string& library) {
    std::map<std::string, uint32_t> functionOfShape;
    std::map<std::string, int> shapeCount;
    for (char c : library) {
        const uint32_t tt = hexDigit(c);
        functionOfShape[shapeOf(tt)] = tt;
        ++shapeCount[shapeOf(tt)];
    }

    static const std::regex vertex(R"re(^\s*(N|O)_(\d+) \[label="([^"]*)"(.*)\];$)re");
    static const std::regex edge(R"re(^\s*(N|O)_(\d+) -> N_(\d+)(?: \[(.*)\])?;$)re");
    struct RawEdge {
        bool output;
        uint32_t from;
        uint32_t to;
        std::string attributes;
    };
    std::vector<RawEdge> edges;
    std::map<uint32_t, std::string> nodeShape; // vertex number -> shape class
    std::map<uint32_t, std::string> inputLabel;
    uint32_t outputCount = 0;
    bool opened = false;
    bool closed = false;
    std::istringstream in(text);
    std::string line;
    int depth = 0;
    while (std::getline(in, line)) {
        if (closed) fail("DOT: text after the closing brace");
        std::smatch m;
        if (line == "digraph Network {") {
            opened = true;
            ++depth;
        } else if (line == "{") {
            ++depth;
        } else if (line == "}") {
            if (--depth == 0) closed = true;
        } else if (line == "edge[dir = back];" || line == "     rank = same;" || line.empty()) {
        } else if (std::regex_match(line, m, vertex)) {
            const uint32_t number = static_cast<uint32_t>(std::stoul(m[2]));
            const std::string rest = m[4];
            if (m[1] == "O") {
                if (rest.find("shape = invtriangle") == std::string::npos)
                    fail("DOT: output vertex without its shape");
                outputCount = std::max(outputCount, number + 1);
            } else if (rest.find("shape = triangle") != std::string::npos) {
                inputLabel[number] = m[3];
            } else {
                nodeShape[number] = shapeFromAttributes(rest);
            }
        } else if (std::regex_match(line, m, edge)) {
            edges.push_back({m[1] == "O", static_cast<uint32_t>(std::stoul(m[2])),
                             static_cast<uint32_t>(std::stoul(m[3])), m[4]});
        } else {
            fail("DOT: unexpected line \"" + line + "\"");
        }
    }
    if (!opened || !closed) fail("DOT: not a complete digraph");

    GateCircuit c;
    for (const auto& [number, label] : inputLabel)
        if (number != 0) ++c.k_;
    for (uint32_t q = 1; q <= c.k_; ++q)
        if (!inputLabel.count(q)) fail("DOT: input vertices are not N_1..N_k");
    if (inputLabel.count(0) && inputLabel[0] != "0") fail("DOT: constant vertex mislabelled");
    const uint32_t n = static_cast<uint32_t>(nodeShape.size());
    c.gates_.resize(n);
    for (const auto& [number, shape] : nodeShape) {
        if (number <= c.k_ || number > c.k_ + n) fail("DOT: node vertices are not numbered on");
        if (shapeCount[shape] != 1)
            fail("DOT: the library does not tell which function a '" + shape + "' node is");
        c.gates_[number - c.k_ - 1].function = functionOfShape[shape];
    }
    c.outputs_.resize(outputCount);
    std::vector<bool> outputSeen(outputCount, false);
    for (const RawEdge& e : edges) {
        const bool inverted = e.attributes.find("dashed") != std::string::npos;
        const bool poly = e.attributes.find("bold\", color=\"blue") != std::string::npos;
        if (e.output) {
            if (e.from >= outputCount || outputSeen[e.from]) fail("DOT: bad output edge");
            outputSeen[e.from] = true;
            c.outputs_[e.from] = {e.to, inverted, poly};
            continue;
        }
        if (e.from <= c.k_ || e.from > c.k_ + n) fail("DOT: an edge leaves no node");
        if (e.to >= e.from) fail("DOT: an edge runs against the node order");
        Gate& g = c.gates_[e.from - c.k_ - 1];
        int port;
        if (e.attributes.find("tailport=\"sw\"") != std::string::npos)
            port = 0;
        else if (e.attributes.find("tailport=\"se\"") != std::string::npos)
            port = 1;
        else
            port = g.port[0].set ? 1 : 0;
        if (g.port[port].set) fail("DOT: a port with two sources");
        g.port[port] = {e.to, inverted, poly, true};
    }
    for (const Gate& g : c.gates_)
        if (!g.port[0].set || !g.port[1].set) fail("DOT: a node with a free port");
    for (bool seen : outputSeen)
        if (!seen) fail("DOT: an output without an edge");
    // The constant vertex is drawn exactly when an edge leaves it.
    if (inputLabel.count(0) != (c.usesConstant() ? 1u : 0u))
        fail("DOT: constant vertex drawn but unused, or used but not drawn");
    return c;
}

GateCircuit GateCircuit::FromAag(const std::string& text) {
    std::istringstream in(text);
    std::string format;
    uint32_t M = 0, I = 0, L = 0, O = 0, A = 0;
    if (!(in >> format >> M >> I >> L >> O >> A)) fail("AAG: bad header");
    bool poly = false;
    bool xorGates = false;
    std::string rest = format;
    if (!rest.empty() && rest[0] == 'p') {
        poly = true;
        rest.erase(0, 1);
    }
    if (!rest.empty() && rest[0] == 'x') {
        xorGates = true;
        rest.erase(0, 1);
    }
    if (rest != "aag") fail("AAG: bad format word " + format);
    if (L != 0 || M != I + A) fail("AAG: bad header counts");

    // A literal, optionally preceded by "-" for a polymorphic edge.
    auto literal = [&](bool& isPoly) {
        std::string word;
        if (!(in >> word)) fail("AAG: file ends early");
        isPoly = false;
        if (word[0] == '-') {
            if (!poly) fail("AAG: polymorphic edge in a file without 'p'");
            isPoly = true;
            word.erase(0, 1);
        }
        if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos)
            fail("AAG: bad literal " + word);
        return static_cast<uint32_t>(std::stoul(word));
    };

    GateCircuit c;
    c.k_ = I;
    for (uint32_t q = 0; q < I; ++q) {
        bool p;
        if (literal(p) != 2 * (q + 1) || p) fail("AAG: inputs are not 2, 4, ..., 2k");
    }
    for (uint32_t o = 0; o < O; ++o) {
        bool p;
        const uint32_t lit = literal(p);
        if (lit / 2 > M) fail("AAG: output literal out of range");
        c.outputs_.push_back({lit / 2, (lit & 1u) != 0, p});
    }
    c.gates_.resize(A);
    for (uint32_t a = 0; a < A; ++a) {
        bool p0, p1, plhs;
        const uint32_t lhs = literal(plhs);
        if (plhs || lhs != 2 * (I + 1 + a)) fail("AAG: gates are not in order");
        const uint32_t r0 = literal(p0);
        const uint32_t r1 = literal(p1);
        if (r0 / 2 >= lhs / 2 || r1 / 2 >= lhs / 2) fail("AAG: a gate reads a later signal");
        Gate& g = c.gates_[a];
        bool isXor = false;
        if (xorGates) {
            // And gates list port 0 (the smaller source) first, xor gates port 1 first.
            if (r0 / 2 == r1 / 2) fail("AAG: cannot tell an and from an xor gate");
            isXor = r0 / 2 > r1 / 2;
        }
        g.function = isXor ? 0x6 : 0x8;
        g.port[0] = {r0 / 2, (r0 & 1u) != 0, p0, true};
        g.port[1] = {r1 / 2, (r1 & 1u) != 0, p1, true};
    }
    std::string extra;
    if (in >> extra) fail("AAG: unexpected text " + extra);
    return c;
}

bool GateCircuit::usesConstant() const {
    for (const Gate& g : gates_)
        if (g.port[0].source == 0 || g.port[1].source == 0) return true;
    for (const Output& o : outputs_)
        if (o.source == 0) return true;
    return false;
}

std::vector<int> GateCircuit::Evaluate(uint32_t row) const {
    const int P = static_cast<int>((row >> k_) & 1u);
    std::vector<int> value(k_ + 1 + gates_.size(), 0);
    for (uint32_t q = 0; q < k_; ++q)
        value[q + 1] = static_cast<int>((row >> q) & 1u);
    auto portValue = [&](const Port& p) {
        return value[p.source] ^ (p.inverted ? 1 : 0) ^ (p.poly ? P : 0);
    };
    for (size_t i = 0; i < gates_.size(); ++i) {
        const Gate& g = gates_[i];
        const int a = portValue(g.port[0]);
        const int b = portValue(g.port[1]);
        value[k_ + 1 + i] = static_cast<int>((g.function >> (2 * a + b)) & 1u);
    }
    std::vector<int> out;
    for (const Output& o : outputs_)
        out.push_back(value[o.source] ^ (o.inverted ? 1 : 0) ^ (o.poly ? P : 0));
    return out;
}

uint32_t GateCircuit::Depth() const {
    std::vector<uint32_t> level(k_ + 1 + gates_.size(), 0);
    uint32_t depth = 0;
    for (size_t i = 0; i < gates_.size(); ++i) {
        const Gate& g = gates_[i];
        const uint32_t l = 1 + std::max(level[g.port[0].source], level[g.port[1].source]);
        level[k_ + 1 + i] = l;
        depth = std::max(depth, l);
    }
    return depth;
}

std::string GateCircuit::Canonical(bool topologyOnly) const {
    std::vector<std::string> canon(k_ + 1 + gates_.size());
    canon[0] = "0";
    for (uint32_t q = 0; q < k_; ++q)
        canon[q + 1] = "x" + std::to_string(q);
    auto mark = [&](bool inverted, bool poly) {
        if (topologyOnly) return std::string();
        return std::string(inverted ? "!" : "") + (poly ? "~" : "");
    };
    std::vector<std::string> gateTexts;
    for (size_t i = 0; i < gates_.size(); ++i) {
        const Gate& g = gates_[i];
        std::string a = mark(g.port[0].inverted, g.port[0].poly) + canon[g.port[0].source];
        std::string b = mark(g.port[1].inverted, g.port[1].poly) + canon[g.port[1].source];
        if (g.symmetric() && b < a) std::swap(a, b);
        canon[k_ + 1 + i] = "g" + std::to_string(g.function) + "(" + a + "," + b + ")";
        gateTexts.push_back(canon[k_ + 1 + i]);
    }
    std::sort(gateTexts.begin(), gateTexts.end());
    std::string text;
    for (const Output& o : outputs_)
        text += mark(o.inverted, o.poly) + canon[o.source] + ";";
    text += "|";
    for (const std::string& g : gateTexts)
        text += g + ";";
    return text;
}

namespace {

std::string describeRow(uint32_t row, size_t output, int got, int want) {
    return "output " + std::to_string(output) + " at row " + std::to_string(row) + " is " +
           std::to_string(got) + ", expected " + std::to_string(want);
}

} // namespace

std::string Mismatch(const GateCircuit& circuit, const Expected& expected) {
    if (circuit.inputs() != expected.inputs) return "circuit has the wrong number of inputs";
    if (circuit.outputs().size() != expected.values.size())
        return "circuit has the wrong number of outputs";
    for (uint32_t r = 0; r < expected.rows(); ++r) {
        const std::vector<int> got = circuit.Evaluate(r);
        for (size_t o = 0; o < got.size(); ++o) {
            const int want = expected.values[o][r];
            if (want != Expected::DontCare && got[o] != want)
                return describeRow(r, o, got[o], want);
        }
    }
    return "";
}

std::string Mismatch(const BlifCircuit& circuit, const Expected& expected) {
    const uint32_t width = expected.inputs + (expected.poly ? 1 : 0);
    if (circuit.inputs().size() != width) return "netlist has the wrong number of inputs";
    if (circuit.outputs().size() != expected.values.size())
        return "netlist has the wrong number of outputs";
    for (uint32_t r = 0; r < expected.rows(); ++r) {
        std::vector<int> in(width);
        for (uint32_t q = 0; q < width; ++q)
            in[q] = static_cast<int>((r >> q) & 1u);
        const std::vector<int> got = circuit.evaluate(in);
        for (size_t o = 0; o < got.size(); ++o) {
            const int want = expected.values[o][r];
            if (want != Expected::DontCare && got[o] != want)
                return describeRow(r, o, got[o], want);
        }
    }
    return "";
}

} // namespace testsupport
