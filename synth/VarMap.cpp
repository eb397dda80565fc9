#include "synth/VarMap.h"

#include "util/myExcept.h"

#include <algorithm>

VarMap::VarMap(uint32_t k, uint32_t m, uint32_t n, uint32_t functionCount, uint32_t codeBits,
               bool allowConst, bool polyEdges)
    : k_(k), m_(m), n_(n), functionCount_(functionCount), codeBits_(codeBits),
      first_(allowConst ? 0u : 1u), last_(k + n) {
    const uint32_t width = polyEdges ? k + 1 : k;
    if (width >= 32) throw RuntimeException("VarMap: too many inputs for a truth table");
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
        throw RuntimeException("VarMap: the instance has too many variables");
    total_ = static_cast<uint32_t>(total);
}

uint32_t VarMap::C(uint32_t j, uint32_t i, uint32_t b) const {
    return baseC_ + cOffset_[j] + 2 * (i - std::max(k_ + 1, j)) + b;
}
