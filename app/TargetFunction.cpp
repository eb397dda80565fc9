#include "app/TargetFunction.h"

#include "logic/Term.h"
#include "util/Step.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
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

// "1 input", "3 inputs".
std::string digits(uint64_t count, const std::string& what) {
    return int2string(count) + " " + what + (count == 1 ? "" : "s");
}

} // namespace

uint32_t MintermCount(uint32_t n) {
    return 1u << (n % 32);
}

TruthTable TargetTable(const Settings& settings) {
    const uint32_t inputs = settings.k + (settings.polyedges ? 1 : 0);
    const uint32_t size = MintermCount(inputs);
    if (!settings.functionHex) {
        if (size < 32 && (settings.function >> size) != 0)
            throw RuntimeException("TargetTable: Function number does not fit a truth table of " +
                                   digits(size, "minterm") + ": " + settings.functionText);
        return TruthTable::FromNumber(settings.function, size);
    }
    const std::string& hex = *settings.functionHex;
    if (!std::all_of(hex.begin(), hex.end(), isHexDigit))
        throw RuntimeException("TargetTable: Not a hexadecimal number: " + hex);
    TruthTable table(size);
    if (!table.setHex(hex))
        throw RuntimeException(
            "TargetTable: Hexadecimal function number does not fit a truth table of " +
            digits(size, "minterm") + ": " + hex);
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
        if (i % 4096 == 0) StopRequest::ThrowIfPending();
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
    if (!out) throw RuntimeException("WriteTruth: cannot open file: " + file);
    const uint32_t m = MintermCount(k);
    std::string text(m, '0');
    for (uint32_t i = 0; i < m; ++i)
        if (table.get(i)) text[m - 1 - i] = '1';
    text.push_back('\n');
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

TruthTable ReadTruthTable(std::optional<uint32_t> k, const std::string& file) {
    std::ifstream in(file, std::ios::in | std::ios::binary);
    if (!in) throw RuntimeException("ReadTruth: cannot open file: " + file);
    const uint64_t longest = k ? uint64_t{MintermCount(*k)} : uint64_t{1} << kMaxTableInputs;
    const std::string word = readWord(in, longest + 1);
    const auto refuse = [&file](const std::string& why) {
        return RuntimeException("ReadTruth: Does not look like a truth table: " + file + ": " +
                                why);
    };
    const size_t len = word.size();
    if (len == 0) throw refuse("the file holds no table");
    const std::string aWord = (len > longest ? "a word of more than " + digits(longest, "character")
                                             : "a word of " + digits(len, "character"));
    // The inputs of a binary and of a hexadecimal table of this length.
    const auto log2Exact = [](uint64_t v) {
        uint32_t e = 0;
        while ((uint64_t{1} << e) < v)
            ++e;
        return (uint64_t{1} << e) == v ? std::optional<uint32_t>(e) : std::nullopt;
    };
    std::optional<uint32_t> binaryK = log2Exact(len);
    std::optional<uint32_t> hexK = log2Exact(uint64_t{len} * 4);
    if (k) {
        if (binaryK != k) binaryK.reset();
        if (hexK != k) hexK.reset();
        if (!binaryK && !hexK) {
            const uint32_t m = MintermCount(*k);
            throw refuse(aWord + "; a table of " + digits(*k, "input") + " has " +
                         digits(m, "binary digit") +
                         (m >= 4 ? " or " + digits(m / 4, "hexadecimal digit") : ""));
        }
    } else {
        if (binaryK > kMaxTableInputs) binaryK.reset();
        if (hexK > kMaxTableInputs) hexK.reset();
        if (!binaryK && !hexK)
            throw refuse(aWord +
                         "; a table of k inputs has 2^k binary or 2^k/4 "
                         "hexadecimal digits (1, 2, 4, 8, 16, ... characters) for k up to " +
                         int2string(kMaxTableInputs));
    }
    // Without -k a word of only 0 and 1 is binary.
    const bool binary = binaryK && word.find_first_not_of("01") == std::string::npos;
    TruthTable table(MintermCount(binary || !hexK ? *binaryK : *hexK));
    if (binary || !hexK) {
        if (!table.setBinary(word))
            throw refuse(digits(len, "binary digit") + " expected, another character found");
    } else if (!table.setHex(word)) {
        throw refuse(digits(len, "hexadecimal digit") + " expected, another character found");
    }
    return table;
}

uint32_t Read_truth(uint32_t k, const std::string& file) {
    return ReadTruthTable(k, file).low32();
}
