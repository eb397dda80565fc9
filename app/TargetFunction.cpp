#include "app/TargetFunction.h"

#include "logic/Term.h"
#include "util/Step.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <fstream>
#include <istream>
#include <vector>

namespace {

bool isBlankChar(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
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
            throw RuntimeException("Option -f: the function number " + settings.functionText +
                                   " does not fit a truth table of " + digits(size, "minterm") +
                                   " (" + digits(settings.k, "input") +
                                   (settings.polyedges ? " and the control input" : "") + ")");
        return TruthTable::FromNumber(settings.function, size);
    }
    const std::string& hex = *settings.functionHex;
    if (!std::all_of(hex.begin(), hex.end(), isHexDigit))
        throw RuntimeException("not a hexadecimal number: " + hex);
    TruthTable table(size);
    if (!table.setHex(hex))
        throw RuntimeException("Option -fh: the hexadecimal function number " + hex +
                               " does not fit a truth table of " + digits(size, "minterm") +
                               " (" + digits(settings.k, "input") +
                               (settings.polyedges ? " and the control input" : "") +
                               "), which has " +
                               (size >= 4 ? digits(size / 4, "hexadecimal digit")
                                          : std::string("1 hexadecimal digit of value below ") +
                                                int2string(1u << size)));
    return table;
}

std::unique_ptr<PLA> DeriveFnctPLA(uint32_t f, uint32_t k, bool polyedges) {
    const uint32_t inputs = k + (polyedges ? 1 : 0);
    return DeriveFnctPLA(TruthTable::FromNumber(f, MintermCount(inputs)), k, polyedges);
}

std::unique_ptr<PLA> DeriveFnctPLA(const TruthTable& table, uint32_t k, bool polyedges) {
    return DeriveFnctPLA(std::vector<TruthTable>{table}, k, polyedges);
}

std::unique_ptr<PLA> DeriveFnctPLA(const std::vector<TruthTable>& tables, uint32_t k,
                                   bool polyedges) {
    const uint32_t inputs = k + (polyedges ? 1 : 0);
    const uint32_t m = MintermCount(inputs);
    const auto outputs = static_cast<uint32_t>(tables.size());
    const Step step("building the target for " + int2string(inputs) + " inputs: " + withCommas(m) +
                    " truth-table rows");
    auto pla = std::make_unique<PLA>(inputs, outputs);
    pla->setType(PLA_type("fr"));
    Term term(inputs, outputs);
    term.setCubeType(CUBE_PRODUCT);
    for (uint32_t i = 0; i < m; ++i) {
        if (i % 4096 == 0) StopRequest::ThrowIfPending();
        term.setCube(int2bin_rev(i, inputs));
        for (uint32_t o = 0; o < outputs; ++o)
            term.setOM(o, tables[o].get(i) ? Lit_1 : Lit_0);
        pla->AppendTerm(term);
    }
    return pla;
}

void Write_Truth(uint32_t f, uint32_t k, const std::string& file) {
    Write_Truth(TruthTable::FromNumber(f, MintermCount(k)), k, file);
}

void Write_Truth(const TruthTable& table, uint32_t k, const std::string& file) {
    std::ofstream out(file, std::ios::out | std::ios::trunc);
    if (!out) throw RuntimeException(file + ": cannot create the truth-table file");
    const uint32_t m = MintermCount(k);
    std::string text(m, '0');
    for (uint32_t i = 0; i < m; ++i)
        if (table.get(i)) text[m - 1 - i] = '1';
    text.push_back('\n');
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

namespace {

// The first blank-delimited word of every line that holds one, at most maxLen + 1
// characters of it (a longer word is too long whatever it is), with its line number. LF,
// CR LF and a lone CR end a line.
struct LineWord {
    uint64_t line;
    std::string word;
};
std::vector<LineWord> readLineWords(std::istream& in, uint64_t maxLen) {
    std::vector<LineWord> words;
    std::streambuf* buf = in.rdbuf();
    uint64_t line = 1;
    int c = buf->sgetc();
    while (c != EOF) {
        while (c == ' ' || c == '\t' || c == '\v' || c == '\f')
            c = buf->snextc();
        std::string word;
        while (c != EOF && !isBlankChar(c) && word.size() <= maxLen) {
            word.push_back(static_cast<char>(c));
            c = buf->snextc();
        }
        if (!word.empty()) words.push_back({line, std::move(word)});
        while (c != EOF && c != '\n' && c != '\r')
            c = buf->snextc();
        if (c == '\r') {
            c = buf->snextc();
            if (c == '\n') c = buf->snextc();
        } else if (c == '\n') {
            c = buf->snextc();
        }
        ++line;
        if (line % 4096 == 0) StopRequest::ThrowIfPending();
    }
    return words;
}

// The number of inputs of a table of len binary digits (hex: len hexadecimal digits).
std::optional<uint32_t> inputsOfLength(uint64_t len, bool hex) {
    const uint64_t rows = hex ? len * 4 : len;
    uint32_t e = 0;
    while ((uint64_t{1} << e) < rows && e <= kMaxTableInputs)
        ++e;
    if (e > kMaxTableInputs || (uint64_t{1} << e) != rows) return std::nullopt;
    return e;
}

} // namespace

std::vector<TruthTable> ReadTruthTables(std::optional<uint32_t> k, const std::string& file) {
    std::ifstream in(file, std::ios::in | std::ios::binary);
    if (!in || (in.peek(), in.bad()))
        throw RuntimeException(file + ": cannot open the truth-table file");
    const uint64_t longest = k ? uint64_t{MintermCount(*k)} : uint64_t{1} << kMaxTableInputs;
    const std::vector<LineWord> words = readLineWords(in, longest);
    if (words.empty())
        throw RuntimeException(file + ": does not look like a truth table: the file holds no table");
    const auto refuse = [&file](uint64_t line, const std::string& why) {
        return RuntimeException(file + ": line " + int2string(line) +
                                ": does not look like a truth table: " + why);
    };
    const auto aWord = [&](const std::string& w) {
        return w.size() > longest ? "a word of more than " + digits(longest, "character")
                                  : "a word of " + digits(w.size(), "character");
    };
    // Every line is one output, and all of them have the same inputs. Each word may be read
    // as binary or as hexadecimal digits; the inputs are those that every line allows, and
    // a word of only 0 and 1 that could be either is binary.
    std::optional<uint32_t> binaryK, hexK; // the inputs every line so far allows
    for (size_t w = 0; w < words.size(); ++w) {
        const std::string& word = words[w].word;
        std::optional<uint32_t> b = inputsOfLength(word.size(), false);
        std::optional<uint32_t> h = inputsOfLength(word.size(), true);
        if (k) {
            if (b != k) b.reset();
            if (h != k) h.reset();
            if (!b && !h) {
                const uint32_t m = MintermCount(*k);
                throw refuse(words[w].line, aWord(word) + "; a table of " + digits(*k, "input") +
                                                " has " + digits(m, "binary digit") +
                                                (m >= 4 ? " or " + digits(m / 4, "hexadecimal digit")
                                                        : ""));
            }
        } else if (!b && !h) {
            throw refuse(words[w].line,
                         aWord(word) + "; a table of k inputs has 2^k binary or 2^k/4 "
                                       "hexadecimal digits (1, 2, 4, 8, 16, ... characters) for "
                                       "k up to " +
                             int2string(kMaxTableInputs));
        }
        if (w == 0) {
            binaryK = b ? b : h;
            hexK = h ? h : b;
            continue;
        }
        // The inputs this line allows among those the lines before it allow.
        const auto allowed = [&](std::optional<uint32_t> x) { return x && (x == b || x == h); };
        if (!allowed(binaryK) && !allowed(hexK)) {
            const uint32_t before = *binaryK;
            throw refuse(words[w].line, aWord(word) + ", which is no table of the " +
                                            digits(before, "input") +
                                            (hexK != binaryK ? " or " + int2string(*hexK) : "") +
                                            " of line " + int2string(words[0].line));
        }
        if (!allowed(binaryK)) binaryK = hexK;
        if (!allowed(hexK)) hexK = binaryK;
    }
    // Binary when every word of binary length holds only 0 and 1; the hexadecimal reading
    // of the same inputs otherwise.
    uint32_t inputs = *binaryK;
    if (binaryK != hexK) {
        bool allBinary = true;
        for (const LineWord& lw : words)
            if (inputsOfLength(lw.word.size(), false) == binaryK &&
                lw.word.find_first_not_of("01") != std::string::npos)
                allBinary = false;
        if (!allBinary) inputs = *hexK;
    }
    std::vector<TruthTable> tables;
    for (const LineWord& lw : words) {
        TruthTable table(MintermCount(inputs));
        const uint64_t len = lw.word.size();
        if (inputsOfLength(len, false) == inputs) {
            if (!table.setBinary(lw.word))
                throw refuse(lw.line,
                             digits(len, "binary digit") + " expected, another character found");
        } else if (!table.setHex(lw.word)) {
            throw refuse(lw.line,
                         digits(len, "hexadecimal digit") + " expected, another character found");
        }
        tables.push_back(std::move(table));
    }
    return tables;
}

TruthTable ReadTruthTable(std::optional<uint32_t> k, const std::string& file) {
    std::vector<TruthTable> tables = ReadTruthTables(k, file);
    if (tables.size() != 1)
        throw RuntimeException(file + ": holds " + int2string(tables.size()) +
                               " tables (one per output line); a single-output table is needed "
                               "here");
    return std::move(tables.front());
}

uint32_t Read_truth(uint32_t k, const std::string& file) {
    return ReadTruthTable(k, file).low32();
}
