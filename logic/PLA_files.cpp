// Berkeley PLA text format: reader and writer of PLA.

#include "logic/PLA.h"

#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>

namespace {

// Largest number of inputs or outputs a file may declare. Every term line must hold that
// many characters anyway; the limit keeps a damaged header from describing absurd shapes.
constexpr uint64_t kMaxWidth = uint64_t(1) << 20;

// A .phase that complements outputs is applied to the listed table of every input point.
constexpr uint32_t kMaxPhaseInputs = 20;

// A decimal count: digits only, no sign, no trailing characters, at most limit.
bool parseCount(const std::string& s, uint64_t limit, uint64_t& value) {
    if (s.empty()) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<uint64_t>(c - '0');
        if (v > (limit - digit) / 10) return false;
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

// A character as a message shows it: itself when printable, else as \xNN.
std::string shown(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7f) return std::string("'") + c + "'";
    const char* hex = "0123456789abcdef";
    return std::string("'\\x") + hex[u >> 4] + hex[u & 15] + "'";
}

std::string characters(size_t n) {
    return int2string(n) + (n == 1 ? " character" : " characters");
}

// Input part of a term line: '2' and '?' are other spellings of '-'. Returns the position
// of the first character that is no input value (npos when there is none).
size_t mapInputs(const std::string& in, std::string& cube) {
    cube = in;
    for (size_t p = 0; p < cube.size(); ++p) {
        char& c = cube[p];
        if (c == '2' || c == '?')
            c = '-';
        else if (c != '0' && c != '1' && c != '-')
            return p;
    }
    return std::string::npos;
}

// Output part of a term line: '2', '3', '4' stand for '-', '~', '1'; a value the type does
// not list says nothing about its output ('~'). Returns the position of the first
// character that is no output value (npos when there is none).
size_t mapOutputs(const std::string& in, const PLA_type& type, std::string& om) {
    om = in;
    for (size_t p = 0; p < om.size(); ++p) {
        char& c = om[p];
        switch (c) {
        case '2':
            c = '-';
            break;
        case '3':
            c = '~';
            break;
        case '4':
            c = '1';
            break;
        case '0':
        case '1':
        case '-':
        case '~':
            break;
        default:
            return p;
        }
        if ((c == '1' && !type.f) || (c == '0' && !type.r) || (c == '-' && !type.d)) c = '~';
    }
    return std::string::npos;
}

void readNames(const std::string& line, size_t pos, std::vector<std::string>& names) {
    names.clear();
    for (std::string tok = GetToken(line, pos); !tok.empty(); tok = GetToken(line, pos))
        names.push_back(tok);
}

// The logical lines of a file as GetLine reads them (blank lines and leading blanks
// skipped, a backslash joining a line with the next), each with the number of the physical
// line it starts on. CR LF, LF and a lone CR each end one physical line.
class LineReader {
public:
    explicit LineReader(std::istream& in) : in_(in) {}

    bool next(std::string& line) {
        line.clear();
        int c = in_.get();
        while (c != EOF && (isLineBlank(c) || c == '\\'))
            c = advance(c);
        if (c == EOF) return false;
        start_ = physical_;
        while (c != EOF && c != '\n' && c != '\r') {
            if (c == '\\') {
                c = in_.get();
                while (c == '\n' || c == '\r')
                    c = advance(c);
                continue;
            }
            line.push_back(static_cast<char>(c));
            c = in_.get();
        }
        if (c != EOF) countEnd(c);
        return true;
    }
    // The physical line the last logical line started on (1 for the first line).
    size_t line() const { return start_; }

private:
    static bool isLineBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    // Counts c (already read) when it ends a physical line.
    void countEnd(int c) {
        if (c == '\n' || (c == '\r' && in_.peek() != '\n')) ++physical_;
    }
    // Counts c and reads the next character.
    int advance(int c) {
        countEnd(c);
        return in_.get();
    }

    std::istream& in_;
    size_t physical_ = 1;
    size_t start_ = 1;
};

} // namespace

void PLA::LoadPLA(const std::string& file) {
    clear();
    // The file alone decides the type.
    type_ = PLA_type();
    std::ifstream in(file, std::ios::in | std::ios::binary);
    // A directory opens as a stream that fails on the first read.
    if (!in || (in.peek(), in.bad())) throw IOException("Cannot open file: " + file);
    LineReader lines(in);
    const auto damagedAt = [&file](size_t lineNo, const std::string& why) {
        return IOException("Bad or damaged PLA file: " + file + ": line " + int2string(lineNo) +
                           ": " + why);
    };
    const auto damaged = [&](const std::string& why) { return damagedAt(lines.line(), why); };

    bool typeSeen = false;
    uint64_t declaredTerms = 0;
    size_t declaredTermsLine = 0;
    uint64_t termsRead = 0;
    std::vector<std::string> inames;
    std::vector<std::string> onames;
    size_t inamesLine = 0;
    size_t onamesLine = 0;
    std::string phase; // .phase: '1' keeps an output, '0' complements it
    size_t phaseLine = 0;
    std::vector<size_t> termLines; // the line each term starts on
    std::string line;
    std::string cube;
    std::string om;

    for (size_t read = 1; lines.next(line); ++read) {
        // A large target file takes a while: a stop request ends the reading.
        if (read % 1024 == 0) StopRequest::ThrowIfPending();
        if (line[0] == '#') continue;
        size_t pos = 0;

        if (line[0] == '.') {
            const std::string keyword = GetToken(line, pos);
            if (keyword == ".i" || keyword == ".o") {
                const char* what = keyword == ".i" ? "inputs" : "outputs";
                uint64_t n = 0;
                const std::string arg = GetToken(line, pos);
                if (!parseCount(arg, kMaxWidth, n) || n == 0)
                    throw damaged(keyword + " needs a number of " + what + " from 1 to " +
                                  int2string(kMaxWidth) + ", not \"" + arg + "\"");
                uint32_t& field = keyword == ".i" ? inputs_ : outputs_;
                // A second declaration may repeat the count but not change it.
                if (field != 0 && field != n)
                    throw damaged(keyword + " changes the number of " + what + " from " +
                                  int2string(field) + " to " + int2string(n));
                field = static_cast<uint32_t>(n);
            } else if (keyword == ".p") {
                const std::string arg = GetToken(line, pos);
                if (!parseCount(arg, std::numeric_limits<uint64_t>::max(), declaredTerms))
                    throw damaged(".p needs a number of terms, not \"" + arg + "\"");
                declaredTermsLine = lines.line();
            } else if (keyword == ".ilb") {
                readNames(line, pos, inames);
                inamesLine = lines.line();
            } else if (keyword == ".ob") {
                readNames(line, pos, onames);
                onamesLine = lines.line();
            } else if (keyword == ".type") {
                const std::string word = GetToken(line, pos);
                if (word == "esop") {
                    type_.esop = true;
                } else {
                    for (char c : word)
                        if (c != 'f' && c != 'd' && c != 'r')
                            throw damaged(".type " + word + " has " + shown(c) +
                                          "; the letters are f, d and r (or the word esop)");
                    type_ += PLA_type(word);
                }
                typeSeen = true;
            } else if (keyword == ".phase") {
                phase = GetToken(line, pos);
                phaseLine = lines.line();
                if (phase.find_first_not_of("01") != std::string::npos || phase.empty())
                    throw damaged(".phase needs one digit 0 or 1 per output, not \"" + phase +
                                  "\"");
            } else if (keyword == ".e" || keyword == ".end") {
                break;
            } else {
                throw damaged("unknown keyword " + keyword);
            }
            continue;
        }

        // Term line: input part, then the output part on this line or a following one.
        if (inputs_ == 0 || outputs_ == 0) throw damaged("a term before .i and .o");
        if (!type_.f && !type_.d && !type_.r) {
            type_.f = true;
            type_.d = true;
        }
        // The row's characters: its input part, then its output part. Blanks, tabs and '|'
        // between characters carry no meaning, and a row may go on over following lines
        // until it has .i + .o characters.
        const size_t width = size_t{inputs_} + outputs_;
        const size_t rowLine = lines.line();
        const auto wrongWidth = [&](size_t have) {
            return damagedAt(rowLine, "the row has " + characters(have) + " where .i + .o = " +
                                          int2string(inputs_) + " + " + int2string(outputs_) +
                                          " = " + int2string(width) + " are needed");
        };
        std::string row;
        for (;;) {
            for (std::string tok = GetToken(line, pos); !tok.empty(); tok = GetToken(line, pos)) {
                row += tok;
                if (row.size() > width) throw wrongWidth(row.size());
            }
            if (row.size() == width) break;
            // A keyword or a comment ends the row before its characters are complete.
            if (!lines.next(line) || line[0] == '.' || line[0] == '#') throw wrongWidth(row.size());
            pos = 0;
        }
        const std::string inPart = row.substr(0, inputs_);
        const std::string outPart = row.substr(inputs_);
        if (const size_t bad = mapInputs(inPart, cube); bad != std::string::npos)
            throw damagedAt(rowLine, "the input part has " + shown(inPart[bad]) +
                                         "; inputs are 0, 1, -, 2 or ?");
        if (const size_t bad = mapOutputs(outPart, type_, om); bad != std::string::npos)
            throw damagedAt(rowLine, "the output part has " + shown(outPart[bad]) +
                                         "; outputs are 0, 1, -, ~, 2, 3 or 4");
        termLines.push_back(rowLine);

        Term t;
        t.setCube(cube);
        t.setCubeType(CUBE_PRODUCT);
        t.setOM(om);
        AppendTerm(t);
        ++termsRead;
    }

    if (!typeSeen) type_ = PLA_type("fd");
    if (declaredTerms != 0 && declaredTerms != termsRead)
        throw damagedAt(declaredTermsLine, ".p says " + int2string(declaredTerms) +
                                               " terms, the file has " + int2string(termsRead));
    if (!inames.empty() && inames.size() != inputs_)
        throw damagedAt(inamesLine, ".ilb names " + int2string(inames.size()) +
                                        " inputs, .i says " + int2string(inputs_));
    if (!onames.empty() && onames.size() != outputs_)
        throw damagedAt(onamesLine, ".ob names " + int2string(onames.size()) +
                                        " outputs, .o says " + int2string(outputs_));
    if (outputs_ == 0)
        throw IOException("Bad or damaged PLA file: " + file +
                          ": no .o line, so the function has no output");
    if (!phase.empty() && phase.size() != outputs_)
        throw damagedAt(phaseLine, ".phase has " + characters(phase.size()) + ", .o says " +
                                       int2string(outputs_));
    inames_ = std::move(inames);
    onames_ = std::move(onames);
    if (const std::string clash = findOnOffClash(termLines); !clash.empty())
        throw IOException("Bad or damaged PLA file: " + file + ": " + clash);
    if (phase.find('0') != std::string::npos) {
        if (inputs_ > kMaxPhaseInputs)
            throw damagedAt(phaseLine, ".phase complements outputs only of functions of at most " +
                                           int2string(kMaxPhaseInputs) + " inputs");
        applyPhase(phase);
    }
}

std::string PLA::findOnOffClash(const std::vector<size_t>& termLines) const {
    // Only a type that lists both sets can contradict itself, and a point that a don't-care
    // term covers is a don't care whatever the other terms say.
    if (!type_.f || !type_.r || terms_.empty()) return "";
    if (inputs_ > 24 || (uint64_t{1} << inputs_) * outputs_ > (uint64_t{1} << 26)) return "";
    const size_t rows = size_t{1} << inputs_;
    std::vector<int32_t> on(rows * outputs_, -1), off(rows * outputs_, -1);
    std::vector<bool> dc(rows * outputs_, false);
    for (size_t t = 0; t < terms_.size(); ++t) {
        const std::string& cube = terms_[t].denseLits();
        uint64_t base = 0, free = 0;
        for (uint32_t j = 0; j < inputs_; ++j) {
            if (cube[j] == '1') base |= uint64_t{1} << j;
            if (cube[j] == '-') free |= uint64_t{1} << j;
        }
        const std::string& om = terms_[t].getOM();
        uint64_t sub = 0;
        do {
            const size_t at = (base | sub) * outputs_;
            for (uint32_t o = 0; o < outputs_; ++o) {
                if (om[o] == '1' && on[at + o] < 0) on[at + o] = static_cast<int32_t>(t);
                if (om[o] == '0' && off[at + o] < 0) off[at + o] = static_cast<int32_t>(t);
                if (om[o] == '-') dc[at + o] = true;
            }
            sub = (sub - free) & free;
        } while (sub != 0);
    }
    for (size_t x = 0; x < on.size(); ++x) {
        if (on[x] < 0 || off[x] < 0 || dc[x]) continue;
        const size_t minterm = x / outputs_;
        const auto o = static_cast<uint32_t>(x % outputs_);
        std::string input(inputs_, '0');
        for (uint32_t j = 0; j < inputs_; ++j)
            if ((minterm >> j) & 1u) input[j] = '1';
        const size_t first = termLines[static_cast<size_t>(std::min(on[x], off[x]))];
        const size_t second = termLines[static_cast<size_t>(std::max(on[x], off[x]))];
        return "lines " + int2string(first) + " and " + int2string(second) +
               ": the ON-set and the OFF-set overlap: output " + int2string(o + 1) +
               (onames_.empty() ? "" : " (" + onames_[o] + ")") + " is both 1 and 0 at the input " +
               input;
    }
    return "";
}

void PLA::applyPhase(const std::string& phase) {
    // Every point listed with the values the phase selects: a complemented output swaps its
    // ON- and OFF-sets, its don't cares stay.
    const std::vector<uint8_t> values = SimulateAll();
    const size_t rows = size_t{1} << inputs_;
    std::vector<Term> terms;
    terms.reserve(rows);
    Term term(inputs_, outputs_);
    term.setCubeType(CUBE_PRODUCT);
    std::string cubeText(inputs_, '0');
    std::string om(outputs_, '-');
    for (size_t m = 0; m < rows; ++m) {
        for (uint32_t j = 0; j < inputs_; ++j)
            cubeText[j] = (m >> j) & 1u ? '1' : '0';
        for (uint32_t o = 0; o < outputs_; ++o) {
            const uint8_t v = values[m * outputs_ + o];
            om[o] = v == 2 ? '-' : ((v == 1) != (phase[o] == '0') ? '1' : '0');
        }
        term.setCube(cubeText);
        term.setOM(om);
        terms.push_back(term);
    }
    terms_.clear();
    type_ = PLA_type("fdr");
    for (const Term& t : terms)
        AppendTerm(t);
}

void PLA::SavePLA(const std::string& file) const {
    std::ofstream out(file, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out) throw IOException("Cannot create a file: " + file);
    SavePLAtoStringStream(out);
}

void PLA::SavePLAtoStringStream(std::ostream& out) const {
    out << ".i " << inputs_ << '\n';
    out << ".o " << outputs_ << '\n';
    out << ".p " << terms_.size() << '\n';
    if (type_ != PLA_type("fd"))
        out << ".type " << type_.toString() << '\n';
    else
        out << '\n';
    if (!inames_.empty()) {
        out << ".ilb";
        for (const std::string& n : inames_)
            out << ' ' << n;
        out << '\n';
    }
    if (!onames_.empty()) {
        out << ".ob";
        for (const std::string& n : onames_)
            out << ' ' << n;
        out << '\n';
    }
    for (const Term& t : terms_) {
        if (t.isSparse())
            out << t.getCube();
        else
            out << t.denseLits();
        out << ' ' << t.getOM() << '\n';
    }
    out << ".e\n";
}
