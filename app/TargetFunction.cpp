#include "app/TargetFunction.h"

#include "logic/Term.h"
#include "util/Step.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <fstream>
#include <istream>

namespace {

bool isBlankChar(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// First blank-delimited word of the stream, at most maxLen characters of it.
std::string readWord(std::istream& in, uint64_t maxLen) {
    std::streambuf* buf = in.rdbuf();
    int c = buf->sgetc();
    while (c != EOF && isBlankChar(c))
        c = buf->snextc();
    std::string word;
    while (c != EOF && !isBlankChar(c) && word.size() < maxLen) {
        word.push_back(static_cast<char>(c));
        c = buf->snextc();
    }
    return word;
}

} // namespace

uint32_t MintermCount(uint32_t n) {
    return 1u << (n % 32);
}

TruthTable TargetTable(const Settings& settings) {
    const uint32_t inputs = settings.k + (settings.polyedges ? 1 : 0);
    const uint32_t size = MintermCount(inputs);
    if (!settings.functionHex) return TruthTable::FromNumber(settings.function, size);

    const std::string& hex = *settings.functionHex;
    for (char c : hex)
        if (!isHexDigit(c)) throw RuntimeException("TargetTable: Not a hexadecimal number: " + hex);
    if (hex.size() <= 8) return TruthTable::FromNumber(hex2int(hex), size);
    TruthTable table(size);
    if (!table.setHex(hex))
        throw RuntimeException(
            "TargetTable: Hexadecimal function number does not fit a truth table of " +
            int2string(size) + " minterms: " + hex);
    return table;
}

std::unique_ptr<PLA> DeriveFnctPLA(uint32_t f, uint32_t k, bool polyedges) {
    const uint32_t inputs = k + (polyedges ? 1 : 0);
    return DeriveFnctPLA(TruthTable::FromNumber(f, MintermCount(inputs)), k, polyedges);
}

std::unique_ptr<PLA> DeriveFnctPLA(const TruthTable& table, uint32_t k, bool polyedges) {
    const uint32_t inputs = k + (polyedges ? 1 : 0);
    const uint32_t m = MintermCount(inputs);
    const Step step("building the target for " + int2string(inputs) + " inputs: " + withCommas(m) +
                    " truth-table rows");
    auto pla = std::make_unique<PLA>(inputs, 1);
    pla->setType(PLA_type("fr"));
    Term term(inputs, 1);
    term.setCubeType(CUBE_PRODUCT);
    for (uint32_t i = 0; i < m; ++i) {
        term.setCube(int2bin_rev(i, inputs));
        term.setOM(0, table.get(i) ? Lit_1 : Lit_0);
        pla->AppendTerm(term);
    }
    return pla;
}

void Write_Truth(uint32_t f, uint32_t k, const std::string& file) {
    Write_Truth(TruthTable::FromNumber(f, MintermCount(k)), k, file);
}

void Write_Truth(const TruthTable& table, uint32_t k, const std::string& file) {
    std::ofstream out(file, std::ios::out | std::ios::trunc);
    if (!out) throw RuntimeException("WriteTruth: cannot open file");
    const uint32_t m = MintermCount(k);
    std::string text(m, '0');
    for (uint32_t i = 0; i < m; ++i)
        if (table.get(i)) text[m - 1 - i] = '1';
    text.push_back('\n');
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

TruthTable ReadTruthTable(uint32_t k, const std::string& file) {
    std::ifstream in(file, std::ios::in | std::ios::binary);
    if (!in) throw RuntimeException("ReadTruth: cannot open file");
    const uint32_t m = MintermCount(k);
    const std::string word = readWord(in, uint64_t{m} + 1);
    TruthTable table(m);
    bool ok = false;
    if (word.size() == m)
        ok = table.setBinary(word);
    else if (!word.empty() && word.size() == m / 4)
        ok = table.setHex(word);
    if (!ok) throw RuntimeException("ReadTruth: Does not look like a truth table");
    return table;
}

uint32_t Read_truth(uint32_t k, const std::string& file) {
    return ReadTruthTable(k, file).low32();
}
