// Reading circuits out of solver models: a model is read once into a Circuit (node
// functions, sources, inversions, polymorphic edges, output drivers), and the decoded
// network with named signals, the structure-only network, the levels, the node counts by
// gate name and the polymorphic edge counts are all made from that value.
//
// A port may hold several true C variables when the library is not all symmetric (only the
// row clauses tie the sources together, forcing equal values). The circuit keeps the first
// (smallest) true source of a port, and an output its first driver.
#include "synth/SAT_CircGen.h"

#include "network/Network.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <vector>

VarMap SAT_CircGen::MapOfModel(uint32_t width, uint32_t nodes) const {
    const auto fits = [width](const VarMap& vm) {
        return width == vm.count() || width == vm.countWithFH();
    };
    VarMap vm = MapFor(nodes);
    if (fits(vm)) return vm;
    // A model of a larger instance, read in part (its first `nodes` nodes).
    for (uint32_t more = nodes + 1; vm.count() <= width; ++more) {
        vm = MapFor(more);
        if (fits(vm)) return vm;
    }
    throw InternalError("SAT_CircGen: a model of " + int2string(width) +
                        " variables is no model of an instance with " + int2string(nodes) +
                        " nodes");
}

uint32_t SAT_CircGen::WhatFunction(const SoPLA* model, SoPLA::const_iterator term,
                                   uint32_t node) const {
    if (library().CodeBits() == 0) return 0; // one function: nothing to read
    return FunctionAt(*term, MapOfModel(model->getInputs(), node - k), node);
}

uint32_t SAT_CircGen::FunctionAt(const Cube& values, const VarMap& vm, uint32_t node) const {
    uint32_t index = 0;
    for (uint32_t f = 0; f < library().CodeBits(); ++f)
        index = 2 * index + (values.getLit2(vm.F(node, f)) == Lit_1 ? 1u : 0u);
    return index;
}

Circuit SAT_CircGen::Decode(const SoPLA* model, uint32_t nodes) const {
    if (model == nullptr || model->empty())
        throw InternalError("SAT_CircGen::Decode: the solution holds no model");
    const VarMap vm = MapOfModel(model->getInputs(), nodes);
    const Cube& values = *model->begin();
    const auto isTrue = [&values](uint32_t pos) { return values.getLit2(pos) == Lit_1; };

    Circuit c;
    c.k = k;
    const uint32_t last = k + nodes;
    c.nodes.resize(nodes);
    for (uint32_t i = k + 1; i <= last; ++i) {
        Circuit::Node& nd = c.nodes[i - k - 1];
        nd.function = FunctionAt(values, vm, i);
        if (nd.function >= library().size() && !library().empty())
            throw InternalError("SAT_CircGen::Decode: node " + int2string(i) +
                                " carries function code " + int2string(nd.function) +
                                " beyond the library");
        for (uint32_t b = 0; b < 2; ++b) {
            for (uint32_t s = vm.firstSource(); s < i && nd.source[b] == Circuit::kNone; ++s)
                if (isTrue(vm.C(s, i, b))) nd.source[b] = s;
            nd.inverted[b] = isTrue(vm.N(i, b));
            nd.polymorphic[b] = isTrue(vm.P(i, b));
        }
    }
    c.outputs.resize(m);
    for (uint32_t o = 0; o < m; ++o) {
        Circuit::Output& out = c.outputs[o];
        for (uint32_t s = 0; s <= last && out.driver == Circuit::kNone; ++s)
            if (isTrue(vm.O(o, s))) out.driver = s;
        const Literal inv = values.getLit2(vm.ON(o));
        out.inverted = inv == Lit_1;
        out.inversionOpen = inv == Lit_dc;
        out.polymorphic = isTrue(vm.OP(o));
    }
    return c;
}

std::unique_ptr<Network> SAT_CircGen::Graph2Network(const SoPLA* model, uint32_t nodes) const {
    return Graph2Network(Decode(model, nodes));
}

std::unique_ptr<Network> SAT_CircGen::Graph2Network(const Circuit& c) const {
    return CircuitNetwork(c, library(), Names());
}

std::unique_ptr<Network> SAT_CircGen::Graph2Struct_Network(const SoPLA* model,
                                                           uint32_t nodes) const {
    return Graph2Struct_Network(Decode(model, nodes));
}

std::unique_ptr<Network> SAT_CircGen::Graph2Struct_Network(const Circuit& c) const {
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
        const uint32_t o = c.FirstOutputOf(s);
        return o == m ? "n" + int2string(s - k) : target->getOName(o);
    };
    for (uint32_t i = k + 1; i <= c.lastSignal(); ++i) {
        tmpl.setOName(0, nodeName(i));
        for (uint32_t b = 0; b < 2; ++b) {
            const uint32_t s = c.node(i).source[b];
            if (s == Circuit::kNone) continue;
            if (s == 0)
                tmpl.setIName(b, "const_0");
            else if (s <= k)
                tmpl.setIName(b, "i" + int2string(s - 1));
            else
                tmpl.setIName(b, nodeName(s));
        }
        net->AddNode(Node(tmpl));
    }
    return net;
}

uint32_t SAT_CircGen::getLevels(const SoPLA* model, uint32_t nodes) const {
    return Decode(model, nodes).Levels();
}

uint32_t SAT_CircGen::getNodesOfType(const SoPLA* model, uint32_t nodes,
                                     const std::string& type) const {
    return getNodesOfType(Decode(model, nodes), type);
}

uint32_t SAT_CircGen::getNodesOfType(const Circuit& c, const std::string& type) const {
    return GatesNamed(c, library(), type);
}

uint32_t SAT_CircGen::CountPolyEdges(const SoPLA* model, uint32_t nodes) const {
    return Decode(model, nodes).PolyEdges();
}
