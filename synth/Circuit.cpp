#include "synth/Circuit.h"

#include <algorithm>

uint32_t Circuit::FirstOutputOf(uint32_t signal) const {
    for (uint32_t o = 0; o < outputs.size(); ++o)
        if (outputs[o].driver == signal) return o;
    return static_cast<uint32_t>(outputs.size());
}

bool Circuit::ConstantUsed() const {
    for (const Node& nd : nodes)
        if (nd.source[0] == 0 || nd.source[1] == 0) return true;
    for (const Output& out : outputs)
        if (out.driver == 0) return true;
    return false;
}

uint32_t Circuit::Levels() const {
    std::vector<uint32_t> level(nodes.size(), 0);
    uint32_t deepest = 0;
    for (size_t x = 0; x < nodes.size(); ++x) {
        uint32_t below = 0;
        for (uint32_t s : nodes[x].source)
            if (s != kNone && s > k && s - k - 1 < x) below = std::max(below, level[s - k - 1]);
        level[x] = below + 1;
        deepest = std::max(deepest, level[x]);
    }
    return deepest;
}

uint32_t Circuit::PolyEdges() const {
    uint32_t count = 0;
    for (const Node& nd : nodes)
        count += (nd.polymorphic[0] ? 1u : 0u) + (nd.polymorphic[1] ? 1u : 0u);
    for (const Output& out : outputs)
        count += out.polymorphic ? 1u : 0u;
    return count;
}
