#include "synth/VarMap.h"

#include "util/myExcept.h"

#include <string>

#include <algorithm>

VarMap::VarMap(uint32_t k, uint32_t m, uint32_t n, uint32_t functionCount, uint32_t codeBits,
               bool allowConst, bool polyEdges)
    : k_(k), m_(m), n_(n), functionCount_(functionCount), codeBits_(codeBits),
      first_(allowConst ? 0u : 1u), last_(k + n) {
    const uint32_t width = polyEdges ? k + 1 : k;
    if (width >= 32) throw RuntimeException("a target of 32 or more inputs has no truth table the engine can hold");
    rows_ = 1u << width;
    baseN_ = m * (last_ + 1);
    baseP_ = baseN_ + 2 * n;
    baseC_ = baseP_ + 2 * n;
    cOffset_.assign(last_ + 1, 0);
    uint32_t c = 0;
    for (uint32_t j = first_; j < last_; ++j) {
        cOffset_[j] = c;
        c += 2 * (last_ - std::max(k + 1, j) + 1);
    }
    baseF_ = baseC_ + c;
    baseOut_ = baseF_ + n * codeBits;
    structural_ = baseOut_ + 2 * m;
    offX_ = last_ + 1;
    offXN_ = offX_ + 2 * n;
    offON_ = offXN_ + 2 * n;
    offOV_ = offON_ + m;
    offXP_ = offOV_ + m;
    offONP_ = offXP_ + 2 * n;
    offP_ = offONP_ + m;
    rowSize_ = offP_ + 1;
    const uint64_t total = uint64_t(structural_) + uint64_t(rows_) * rowSize_;
    if (total + uint64_t(n) * functionCount >= 0x7FFFFFFFu)
        throw ResourceError("the instance for n = " + std::to_string(n) +
                            " would have more variables than the CNF numbering allows");
    total_ = static_cast<uint32_t>(total);
}

uint32_t VarMap::C(uint32_t j, uint32_t i, uint32_t b) const {
    return baseC_ + cOffset_[j] + 2 * (i - std::max(k_ + 1, j)) + b;
}

uint64_t VarMap::connectionPairs() const {
    uint64_t pairs = 0;
    for (uint32_t j = first_; j < last_; ++j)
        pairs += last_ - std::max(k_ + 1, j + 1) + 1;
    return pairs;
}

std::string VarMap::Name(uint32_t pos) const {
    const auto num = [](uint32_t v) { return std::to_string(v); };
    const auto node = [this](uint32_t q) { return k_ + 1 + q; };
    if (pos >= total_) {
        if (pos >= countWithFH() || functionCount_ == 0)
            throw InternalError("VarMap: no variable at position " + num(pos));
        const uint32_t q = pos - total_;
        return "FH" + num(node(q / functionCount_)) + "_" + num(q % functionCount_);
    }
    if (pos < structural_) {
        if (pos < baseN_) return "O" + num(pos / (last_ + 1)) + "_" + num(pos % (last_ + 1));
        if (pos < baseP_)
            return "N" + num(node((pos - baseN_) / 2)) + "_" + num((pos - baseN_) % 2);
        if (pos < baseC_)
            return "P" + num(node((pos - baseP_) / 2)) + "_" + num((pos - baseP_) % 2);
        if (pos < baseF_) {
            // The source j is the last one whose block starts at or before the position.
            const uint32_t q = pos - baseC_;
            const auto from = cOffset_.begin() + first_;
            const uint32_t j =
                first_ +
                static_cast<uint32_t>(std::upper_bound(from, cOffset_.begin() + last_, q) - from) -
                1;
            const uint32_t inBlock = q - cOffset_[j];
            return "C" + num(j) + "_" + num(std::max(k_ + 1, j) + inBlock / 2) + "_" +
                   num(inBlock % 2);
        }
        if (pos < baseOut_)
            return "F" + num(node((pos - baseF_) / codeBits_)) + "_" +
                   num((pos - baseF_) % codeBits_);
        const uint32_t q = pos - baseOut_;
        return (q % 2 == 0 ? "OP" : "ON") + num(q / 2);
    }
    const uint32_t r = (pos - structural_) / rowSize_;
    const uint32_t q = (pos - structural_) % rowSize_;
    const std::string row = "_#" + num(r);
    const auto portName = [&](const char* family, uint32_t p) {
        return family + num(node(p / 2)) + "_" + num(p % 2) + row;
    };
    if (q < offX_) return "Y" + num(q) + row;
    if (q < offXN_) return portName("X", q - offX_);
    if (q < offON_) return portName("XN", q - offXN_);
    if (q < offOV_) return "ON" + num(q - offON_) + row;
    if (q < offXP_) return "OV" + num(q - offOV_) + row;
    if (q < offONP_) return portName("XP", q - offXP_);
    if (q < offP_) return "ONP" + num(q - offONP_) + row;
    return "P" + row;
}
