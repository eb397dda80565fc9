#include "app/CircuitTransform.h"

#include <sstream>

namespace {

// h'(x, y) = h(y, x).
uint32_t transpose(uint32_t h) {
    return (h & 9u) | ((h & 2u) << 1) | ((h & 4u) >> 1);
}

// h'(x, y) = h(x xor na, y xor nb).
uint32_t negateOperands(uint32_t h, uint32_t na, uint32_t nb) {
    uint32_t out = 0;
    for (uint32_t x = 0; x < 2; ++x)
        for (uint32_t y = 0; y < 2; ++y)
            out |= ((h >> (2 * (x ^ na) + (y ^ nb))) & 1u) << (2 * x + y);
    return out;
}

// Input j's (1-based) table, word w.
uint64_t inputWord(uint32_t j, uint32_t w) {
    static const uint64_t pattern[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull,
                                        0xF0F0F0F0F0F0F0F0ull, 0xFF00FF00FF00FF00ull,
                                        0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};
    if (j <= 6) return pattern[j - 1];
    return ((w >> (j - 7)) & 1u) ? ~uint64_t{0} : 0;
}

} // namespace

BoundCircuit TransformCircuit(const BoundCircuit& circuit, const NpnTransform& t) {
    BoundCircuit out = circuit;
    const auto signal = [&](uint32_t s, uint32_t& negated) {
        negated = 0;
        // Inputs beyond the transformation's six stay where they are.
        if (s == 0 || s > circuit.k || s > t.perm.size()) return s;
        negated = (t.negInputs >> (s - 1)) & 1u;
        return uint32_t{t.perm[s - 1]} + 1;
    };
    for (BoundCircuit::Node& nd : out.nodes) {
        uint32_t na = 0, nb = 0;
        const uint32_t a = signal(nd.a, na), b = signal(nd.b, nb);
        nd.table = negateOperands(nd.table, na, nb);
        nd.a = a;
        nd.b = b;
        if (a > b) {
            std::swap(nd.a, nd.b);
            nd.table = transpose(nd.table);
        }
    }
    for (BoundCircuit::Output& o : out.outputs) {
        uint32_t negated = 0;
        o.driver = signal(o.driver, negated);
        o.inverted = (o.inverted != (negated != 0)) != t.negOutput;
    }
    return out;
}

TableWords SimulateCircuit(const BoundCircuit& circuit) {
    const uint32_t k = circuit.k;
    const uint32_t words = k <= 6 ? 1 : 1u << (k - 6);
    const uint64_t mask = NpnCanon::Mask(k);
    std::vector<TableWords> sig;
    sig.reserve(k + 1 + circuit.nodes.size());
    sig.emplace_back(words, 0);
    for (uint32_t j = 1; j <= k; ++j) {
        TableWords t(words);
        for (uint32_t w = 0; w < words; ++w)
            t[w] = inputWord(j, w) & mask;
        sig.push_back(std::move(t));
    }
    for (const BoundCircuit::Node& nd : circuit.nodes) {
        TableWords t(words);
        for (uint32_t w = 0; w < words; ++w) {
            const uint64_t x = sig[nd.a][w], y = sig[nd.b][w];
            uint64_t v = 0;
            if (nd.table & 1u) v |= ~x & ~y;
            if (nd.table & 2u) v |= ~x & y;
            if (nd.table & 4u) v |= x & ~y;
            if (nd.table & 8u) v |= x & y;
            t[w] = v & mask;
        }
        sig.push_back(std::move(t));
    }
    TableWords result = sig.at(circuit.outputs.at(0).driver);
    if (circuit.outputs[0].inverted)
        for (uint64_t& w : result)
            w = ~w & mask;
    return result;
}

std::string CircuitText(const BoundCircuit& circuit) {
    std::string text;
    for (const BoundCircuit::Node& nd : circuit.nodes) {
        if (!text.empty()) text += ' ';
        text += std::to_string(nd.a) + ',' + std::to_string(nd.b) + ',' + std::to_string(nd.table);
    }
    const BoundCircuit::Output& o = circuit.outputs.at(0);
    return text + '|' + std::to_string(o.driver) + ',' + (o.inverted ? '1' : '0');
}

std::optional<BoundCircuit> ParseCircuitText(const std::string& text, uint32_t k) {
    const size_t bar = text.find('|');
    if (bar == std::string::npos) return std::nullopt;
    BoundCircuit c;
    c.k = k;
    // Unsigned decimal numbers separated by commas, nothing else.
    const auto numbers = [](const std::string& s, size_t count) {
        std::vector<uint32_t> v;
        std::istringstream in(s);
        std::string part;
        while (std::getline(in, part, ',')) {
            if (part.empty() || part.size() > 9 ||
                part.find_first_not_of("0123456789") != std::string::npos)
                return std::vector<uint32_t>{};
            v.push_back(static_cast<uint32_t>(std::stoul(part)));
        }
        return v.size() == count ? v : std::vector<uint32_t>{};
    };
    std::istringstream nodes(text.substr(0, bar));
    std::string word;
    while (nodes >> word) {
        const std::vector<uint32_t> v = numbers(word, 3);
        const uint32_t self = k + 1 + static_cast<uint32_t>(c.nodes.size());
        if (v.empty() || v[0] > v[1] || v[1] >= self || v[2] > 15) return std::nullopt;
        c.nodes.push_back({v[0], v[1], v[2]});
    }
    const std::vector<uint32_t> o = numbers(text.substr(bar + 1), 2);
    if (o.empty() || o[0] > k + c.nodes.size() || o[1] > 1) return std::nullopt;
    c.outputs.push_back({o[0], o[1] == 1});
    return c;
}

std::string TableHex(const TableWords& t, uint32_t k) {
    const uint64_t rows = uint64_t(1) << k;
    const uint64_t digits = rows < 4 ? 1 : rows / 4;
    std::string s(digits, '0');
    for (uint64_t d = 0; d < digits; ++d) {
        const uint64_t row = 4 * d;
        const uint32_t v = static_cast<uint32_t>((t[row >> 6] >> (row & 63)) & 0xF);
        s[digits - 1 - d] = "0123456789ABCDEF"[v];
    }
    return s;
}

std::optional<TableWords> TableOfHex(const std::string& hex, uint32_t k) {
    const uint64_t rows = uint64_t(1) << k;
    if (hex.size() != (rows < 4 ? 1 : rows / 4)) return std::nullopt;
    TableWords t(rows <= 64 ? 1 : rows / 64, 0);
    for (size_t d = 0; d < hex.size(); ++d) {
        const char c = hex[hex.size() - 1 - d];
        const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0) return std::nullopt;
        for (uint32_t b = 0; b < 4; ++b)
            if ((v >> b) & 1) {
                const uint64_t r = 4 * d + b;
                if (r >= rows) return std::nullopt;
                t[r / 64] |= uint64_t(1) << (r % 64);
            }
    }
    return t;
}
