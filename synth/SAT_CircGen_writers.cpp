// Solution writers that read the model's variables directly: the Graphviz drawing, the
// AIGER ASCII file and the binary AIGER file.
//
// Signal numbering: 0 the constant, 1..k the primary inputs, k+1..k+n the nodes. In both
// AIGER files input q is variable q+1 and node i is variable i; a literal is twice the
// variable, plus one for an inverted use. Like the decoders, the writers take the first
// (smallest) true source of every port.
#include "synth/SAT_CircGen.h"

#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

namespace {

std::string num(uint32_t v) {
    return int2string(v);
}

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

// Seven bits per byte, least significant group first, high bit set on all but the last.
void putDelta(std::ostream& out, uint32_t x) {
    while (x & ~0x7Fu) {
        out.put(static_cast<char>((x & 0x7Fu) | 0x80u));
        x >>= 7;
    }
    out.put(static_cast<char>(x));
}

} // namespace

void SAT_CircGen::SaveDOT(const SoPLA* model, uint32_t nodes, std::string file) {
    std::ofstream out(file, std::ios::out | std::ios::trunc);
    if (!out) throw RuntimeException("SaveDOT: cannot open file.");

    const uint32_t last = k + nodes;
    bool constUsed = false;
    if (allowConst)
        for (uint32_t i = k + 1; i <= last && !constUsed; ++i)
            for (uint32_t b = 0; b < 2 && !constUsed; ++b)
                constUsed = isTrue(model, "C0_" + num(i) + "_" + num(b));
    for (uint32_t o = 0; o < m && !constUsed; ++o)
        constUsed = isTrue(model, "O" + num(o) + "_0");

    out << "digraph Network {" << std::endl;
    out << "edge[dir = back];" << std::endl;
    out << "{" << std::endl;
    out << "     rank = same;" << std::endl;
    for (uint32_t q = 0; q < k; ++q)
        out << "     N_" << q + 1 << " [label=\"" << target->getIName(q)
            << "\", shape = triangle, color = coral, fillcolor = coral];" << std::endl;
    if (constUsed)
        out << "     N_0 [label=\"0\", shape = triangle, color = coral, fillcolor = coral];"
            << std::endl;
    out << "}" << std::endl;
    out << "{" << std::endl;
    out << "     rank = same;" << std::endl;
    for (uint32_t o = 0; o < m; ++o)
        out << "     O_" << o << " [label=\"" << target->getOName(o)
            << "\", shape = invtriangle, color = coral, fillcolor = coral];" << std::endl;
    out << "}" << std::endl;

    std::vector<uint32_t> function(nodes);
    for (uint32_t i = k + 1; i <= last; ++i) {
        const uint32_t t = WhatFunction(model, model->begin(), i);
        function[i - k - 1] = t;
        out << "     N_" << i << " [label=\"" << i - k << "\""
            << dotShape(nodeFunctionCovers[t].getGateName()) << "];" << std::endl;
    }
    out << std::endl;

    std::vector<std::array<uint32_t, 2>> first(nodes);
    for (uint32_t i = k + 1; i <= last; ++i)
        for (uint32_t b = 0; b < 2; ++b)
            first[i - k - 1][b] = firstSourceOf(model, i, b);

    for (uint32_t s = allowConst ? 0 : 1; s < last; ++s)
        for (uint32_t i = std::max(k + 1, s + 1); i <= last; ++i)
            for (uint32_t b = 0; b < 2; ++b) {
                if (first[i - k - 1][b] != s) continue;
                const bool inv = isTrue(model, "N" + num(i) + "_" + num(b));
                const bool poly = isTrue(model, "P" + num(i) + "_" + num(b));
                std::string attr = edgeStyle(inv, poly);
                if (!symmetric[function[i - k - 1]]) {
                    attr += attr.empty() ? " [" : ", ";
                    attr += b == 0 ? "tailport=\"sw\"" : "tailport=\"se\"";
                    attr += "]";
                } else if (!attr.empty()) {
                    attr += "]";
                }
                out << "     N_" << i << " -> N_" << s << attr << ";" << std::endl;
            }

    for (uint32_t o = 0; o < m; ++o) {
        const uint32_t s = firstDriverOf(model, o, nodes);
        if (s > last) continue; // an output without a driver has no edge
        const bool inv = isTrue(model, "ON" + num(o));
        const bool poly = polyEdges && isTrue(model, "OP" + num(o));
        std::string attr = edgeStyle(inv, poly);
        if (!attr.empty()) attr += "]";
        out << "     O_" << o << " -> N_" << s << attr << ";" << std::endl;
    }
    out << "}" << std::endl;
}

void SAT_CircGen::SaveAAG(const SoPLA* model, uint32_t nodes, std::string file) {
    std::ofstream out(file, std::ios::out | std::ios::trunc);
    if (!out) throw RuntimeException("SaveAAG: cannot open file.");

    const uint32_t last = k + nodes;
    std::vector<bool> isXor(nodes, false);
    bool anyXor = false;
    for (uint32_t i = k + 1; i <= last; ++i) {
        const std::string gate =
            nodeFunctionCovers[WhatFunction(model, model->begin(), i)].getGateName();
        if (gate != "and" && gate != "xor")
            throw RuntimeException("SaveAAG: node function not supported.");
        isXor[i - k - 1] = gate == "xor";
        anyXor = anyXor || gate == "xor";
    }

    out << (polyEdges ? "p" : "") << (anyXor ? "x" : "") << "aag " << n + k << " " << k << " 0 "
        << m << " " << n << std::endl;
    for (uint32_t q = 0; q < k; ++q)
        out << 2 * (q + 1) << std::endl;

    for (uint32_t o = 0; o < m; ++o) {
        if (polyEdges && isTrue(model, "OP" + num(o))) out << "-";
        // Only an ON variable holding 0 counts as a plain output here.
        const bool inverted = model->getLitByName(model->begin(), "ON" + num(o)) != Lit_0;
        for (uint32_t s = 0; s <= last; ++s)
            if (isTrue(model, "O" + num(o) + "_" + num(s))) out << 2 * s + (inverted ? 1 : 0);
        out << std::endl;
    }

    for (uint32_t i = k + 1; i <= last; ++i) {
        std::string port[2];
        for (uint32_t b = 0; b < 2; ++b) {
            const uint32_t s = firstSourceOf(model, i, b);
            if (s == i) throw RuntimeException("SaveAAG: port without source.");
            const bool inv = isTrue(model, "N" + num(i) + "_" + num(b));
            const bool poly = polyEdges && isTrue(model, "P" + num(i) + "_" + num(b));
            port[b] = (poly ? "-" : "") + num(2 * s + (inv ? 1 : 0));
        }
        if (isXor[i - k - 1])
            out << 2 * i << " " << port[1] << " " << port[0] << std::endl;
        else
            out << 2 * i << " " << port[0] << " " << port[1] << std::endl;
    }
}

void SAT_CircGen::SaveAIG(const SoPLA* model, uint32_t nodes, std::string file) {
    const uint32_t last = k + nodes;

    // Everything is checked and computed before the file is created.
    for (uint32_t i = k + 1; i <= last; ++i)
        if (nodeFunctionCovers[WhatFunction(model, model->begin(), i)].getGateName() != "and")
            throw RuntimeException("SaveAIG: node function not supported.");
    bool poly = false;
    for (uint32_t i = k + 1; i <= last; ++i)
        for (uint32_t b = 0; b < 2; ++b)
            poly = poly || isTrue(model, "P" + num(i) + "_" + num(b));
    for (uint32_t o = 0; o < m; ++o)
        poly = poly || isTrue(model, "OP" + num(o));
    if (poly) throw RuntimeException("SaveAIG: polymorphic edges not supported.");

    std::vector<uint32_t> outputs(m);
    for (uint32_t o = 0; o < m; ++o) {
        const uint32_t s = firstDriverOf(model, o, nodes);
        if (s > last) throw RuntimeException("SaveAIG: output without driver.");
        const bool inverted = model->getLitByName(model->begin(), "ON" + num(o)) != Lit_0;
        outputs[o] = 2 * s + (inverted ? 1 : 0);
    }
    // Each gate: lhs > rhs0 >= rhs1, since a node only reads lower-numbered signals.
    std::vector<std::array<uint32_t, 2>> gates(nodes);
    for (uint32_t i = k + 1; i <= last; ++i) {
        uint32_t lit[2];
        for (uint32_t b = 0; b < 2; ++b) {
            const uint32_t s = firstSourceOf(model, i, b);
            if (s == i) throw RuntimeException("SaveAIG: port without source.");
            lit[b] = 2 * s + (isTrue(model, "N" + num(i) + "_" + num(b)) ? 1 : 0);
        }
        gates[i - k - 1] = {std::max(lit[0], lit[1]), std::min(lit[0], lit[1])};
    }

    std::ofstream out(file, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out) throw RuntimeException("SaveAIG: cannot open file.");
    out << "aig " << last << " " << k << " 0 " << m << " " << nodes << "\n";
    for (uint32_t lit : outputs)
        out << lit << "\n";
    for (uint32_t i = k + 1; i <= last; ++i) {
        const auto& g = gates[i - k - 1];
        putDelta(out, 2 * i - g[0]);
        putDelta(out, g[0] - g[1]);
    }
    out.flush();
    if (!out) throw RuntimeException("SaveAIG: cannot write file.");
}
