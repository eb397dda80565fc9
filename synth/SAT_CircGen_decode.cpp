// Reading circuits out of solver models: node functions, the decoded network with named
// signals, the structure-only network, levels, node counts by gate name and polymorphic
// edge counts.
//
// A port may hold several true C variables when the library is not all symmetric (only the
// row clauses tie the sources together, forcing equal values). Every reader here takes the
// first (smallest) true source of a port and ignores the others.
#include "synth/SAT_CircGen.h"

#include "network/Network.h"
#include "util/utils.h"

#include <vector>

namespace {

std::string num(uint32_t v) {
    return int2string(v);
}

} // namespace

bool SAT_CircGen::isTrue(const SoPLA* model, const std::string& name) const {
    return model->getLitByName(model->begin(), name) == Lit_1;
}

uint32_t SAT_CircGen::WhatFunction(const SoPLA* model, SoPLA::const_iterator term,
                                   uint32_t node) const {
    std::string code(codeBits, '0');
    for (uint32_t f = 0; f < codeBits; ++f)
        if (model->getLitByName(term, "F" + num(node) + "_" + num(f)) == Lit_1) code[f] = '1';
    return bin2int(code);
}

uint32_t SAT_CircGen::firstOutputOf(const SoPLA* model, uint32_t signal) const {
    for (uint32_t o = 0; o < m; ++o)
        if (isTrue(model, "O" + num(o) + "_" + num(signal))) return o;
    return m;
}

uint32_t SAT_CircGen::firstDriverOf(const SoPLA* model, uint32_t output, uint32_t nodes) const {
    for (uint32_t s = 0; s <= k + nodes; ++s)
        if (isTrue(model, "O" + num(output) + "_" + num(s))) return s;
    return k + nodes + 1;
}

uint32_t SAT_CircGen::firstSourceOf(const SoPLA* model, uint32_t node, uint32_t port) const {
    for (uint32_t s = allowConst ? 0 : 1; s < node; ++s)
        if (isTrue(model, "C" + num(s) + "_" + num(node) + "_" + num(port))) return s;
    return node;
}

std::unique_ptr<Network> SAT_CircGen::Graph2Network(const SoPLA* model, uint32_t nodes) const {
    auto net = std::make_unique<Network>();
    net->setName("fnct");
    net->setINames(target->getINames());
    net->setONames(target->getONames());

    const bool poly = polyEdges;
    auto isOutPoly = [&](uint32_t o) { return poly && isTrue(model, "OP" + num(o)); };
    auto isOutInv = [&](uint32_t o) { return isTrue(model, "ON" + num(o)); };

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
    bool constUsed = false;
    if (allowConst)
        for (uint32_t i = k + 1; i <= k + nodes && !constUsed; ++i)
            for (uint32_t b = 0; b < 2 && !constUsed; ++b)
                constUsed = isTrue(model, "C0_" + num(i) + "_" + num(b));
    for (uint32_t o = 0; o < m && !constUsed; ++o)
        constUsed = isTrue(model, "O" + num(o) + "_0");
    if (constUsed) {
        PLA zero;
        zero.Make_ZERO();
        zero.setOName(0, "const_0");
        net->AddNode(Node(zero));
    }

    // Outputs taken straight from the constant or a primary input.
    for (uint32_t o = 0; o < m; ++o)
        for (uint32_t s = 0; s <= k; ++s) {
            if (!isTrue(model, "O" + num(o) + "_" + num(s))) continue;
            const std::string src = s == 0 ? std::string("const_0") : target->getIName(s - 1);
            if (isOutPoly(o))
                addStage(src, target->getOName(o), isOutInv(o));
            else
                addCopy(src, target->getOName(o), isOutInv(o));
        }

    // The name a node's output carries in the network and whether it is inverted there.
    auto nodeSignal = [&](uint32_t s, bool& inverted) {
        const uint32_t o = firstOutputOf(model, s);
        inverted = false;
        if (o == m) return "n" + num(s - k);
        inverted = isOutInv(o);
        if (isOutPoly(o)) return "out_tmp" + num(o);
        return target->getOName(o);
    };

    for (uint32_t i = k + 1; i <= k + nodes; ++i) {
        const uint32_t t = WhatFunction(model, model->begin(), i);
        PLA cover(nodeFunctionCovers[t]);
        for (uint32_t b = 0; b < 2; ++b)
            if (isTrue(model, "N" + num(i) + "_" + num(b))) cover.NegateInput(b);

        const uint32_t o1 = firstOutputOf(model, i);
        if (o1 == m) {
            cover.setOName(0, "n" + num(i - k));
        } else {
            cover.setOName(0, target->getOName(o1));
            if (isOutInv(o1)) cover.NegateOutput(0);
            if (isOutPoly(o1)) {
                cover.setOName(0, "out_tmp" + num(o1));
                addStage("out_tmp" + num(o1), target->getOName(o1), false);
            }
        }
        const std::string own = cover.getOName(0);

        // Fan-ins, in (source, port) order; only the first source of a port counts.
        const uint32_t first[2] = {firstSourceOf(model, i, 0), firstSourceOf(model, i, 1)};
        for (uint32_t s = allowConst ? 0 : 1; s < i; ++s)
            for (uint32_t b = 0; b < 2; ++b) {
                if (first[b] != s) continue;
                std::string name;
                if (s == 0) {
                    name = "const_0";
                } else if (s <= k) {
                    name = target->getIName(s - 1);
                } else {
                    bool inverted = false;
                    name = nodeSignal(s, inverted);
                    if (inverted) cover.NegateInput(b);
                }
                cover.setIName(b, name);
                if (poly && isTrue(model, "P" + num(i) + "_" + num(b))) {
                    const std::string polyName = name + "_P";
                    cover.setIName(b, polyName);
                    if (!net->FindSignal(polyName).first) addStage(name, polyName, false);
                }
            }
        net->AddNode(Node(cover));

        // Further outputs driven by the same node.
        if (o1 == m) continue;
        for (uint32_t o = o1 + 1; o < m; ++o) {
            if (!isTrue(model, "O" + num(o) + "_" + num(i))) continue;
            std::string out = target->getOName(o);
            if (isOutPoly(o)) {
                out = "out_tmp" + num(o);
                addStage(out, target->getOName(o), false);
            }
            addCopy(own, out, isOutInv(o1) != isOutInv(o));
        }
    }
    return net;
}

std::unique_ptr<Network> SAT_CircGen::Graph2Struct_Network(const SoPLA* model,
                                                           uint32_t nodes) const {
    auto net = std::make_unique<Network>();
    net->setName("fnct_struct");
    for (uint32_t q = 0; q < k; ++q)
        net->AppendIName(target->getIName(q));
    if (polyEdges) net->AppendIName("P");
    for (uint32_t o = 0; o < m; ++o)
        net->AppendOName(target->getOName(o));

    PLA tmpl;
    tmpl.AppendTerm("11", "1");
    auto nodeName = [&](uint32_t s) {
        const uint32_t o = firstOutputOf(model, s);
        return o == m ? "n" + num(s - k) : target->getOName(o);
    };
    for (uint32_t i = k + 1; i <= k + nodes; ++i) {
        tmpl.setOName(0, nodeName(i));
        for (uint32_t b = 0; b < 2; ++b) {
            const uint32_t s = firstSourceOf(model, i, b);
            if (s == i) continue;
            if (s == 0)
                tmpl.setIName(b, "const_0");
            else if (s <= k)
                tmpl.setIName(b, "i" + num(s - 1));
            else
                tmpl.setIName(b, nodeName(s));
        }
        net->AddNode(Node(tmpl));
    }
    return net;
}

uint32_t SAT_CircGen::getLevels(const SoPLA* model, uint32_t nodes) const {
    return Graph2Struct_Network(model, nodes)->GetLevels();
}

uint32_t SAT_CircGen::getNodesOfType(const SoPLA* model, uint32_t nodes, std::string type) {
    uint32_t count = 0;
    for (uint32_t i = k + 1; i <= k + nodes; ++i) {
        const uint32_t t = WhatFunction(model, model->begin(), i);
        if (nodeFunctionCovers[t].getGateName() == type) ++count;
    }
    return count;
}

uint32_t SAT_CircGen::CountPolyEdges(const SoPLA* model, uint32_t nodes) const {
    uint32_t count = 0;
    for (uint32_t i = k + 1; i <= k + nodes; ++i)
        for (uint32_t b = 0; b < 2; ++b)
            if (isTrue(model, "P" + num(i) + "_" + num(b))) ++count;
    for (uint32_t o = 0; o < m; ++o)
        if (isTrue(model, "OP" + num(o))) ++count;
    return count;
}
