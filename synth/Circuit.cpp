#include "synth/Circuit.h"

#include "util/myExcept.h"

#include <algorithm>
#include <string>

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

std::vector<std::vector<uint64_t>> Circuit::Simulate(const std::vector<uint32_t>& tables) const {
    using Words = std::vector<uint64_t>;
    const uint64_t rows = uint64_t(1) << k;
    const size_t words = static_cast<size_t>((rows + 63) / 64);
    std::vector<Words> signal(lastSignal() + 1, Words(words, 0));
    for (uint32_t q = 0; q < k; ++q)
        for (uint64_t r = 0; r < rows; ++r)
            if ((r >> q) & 1u) signal[q + 1][r / 64] |= uint64_t(1) << (r % 64);
    for (uint32_t i = k + 1; i <= lastSignal(); ++i) {
        const Node& nd = node(i);
        if (nd.source[0] >= i || nd.source[1] >= i || nd.function >= tables.size())
            throw InternalError("node " + std::to_string(i) +
                                " of a circuit reads no earlier signal or has no function");
        const uint32_t table = tables[nd.function];
        for (size_t w = 0; w < words; ++w) {
            const uint64_t a = signal[nd.source[0]][w] ^ (nd.inverted[0] ? ~uint64_t(0) : 0);
            const uint64_t b = signal[nd.source[1]][w] ^ (nd.inverted[1] ? ~uint64_t(0) : 0);
            uint64_t v = 0;
            if (table & 1u) v |= ~a & ~b;
            if (table & 2u) v |= ~a & b;
            if (table & 4u) v |= a & ~b;
            if (table & 8u) v |= a & b;
            signal[i][w] = v;
        }
    }
    const uint64_t last = rows % 64 == 0 ? ~uint64_t(0) : (uint64_t(1) << (rows % 64)) - 1;
    std::vector<Words> out;
    for (size_t o = 0; o < outputs.size(); ++o) {
        const Output& output = outputs[o];
        if (output.driver > lastSignal())
            throw InternalError("output " + std::to_string(o) + " of a circuit has no driver");
        Words v = signal[output.driver];
        if (output.inverted || output.inversionOpen)
            for (uint64_t& w : v)
                w = ~w;
        v.back() &= last;
        out.push_back(std::move(v));
    }
    return out;
}
