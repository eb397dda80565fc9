#include "synth/TwoLevelMinimizer.h"

#include "logic/PLA.h"
#include "solver/ExternalTools.h"
#include "util/ExchangeFiles.h"
#include "util/myExcept.h"

#include <algorithm>
#include <fstream>
#include <limits>

TwoLevelMinimizer TwoLevelMinimizer::Locate() {
    const ExternalTools::Location loc = ExternalTools::Find("espresso");
    if (!loc.found) return TwoLevelMinimizer(Kind::BuiltIn);
    return TwoLevelMinimizer(loc.local ? Kind::LocalProgram : Kind::PathProgram);
}

std::string TwoLevelMinimizer::name() const {
    switch (kind_) {
    case Kind::LocalProgram:
        return "./espresso";
    case Kind::PathProgram:
        return "espresso";
    case Kind::BuiltIn:
        break;
    }
    return "built-in minimizer";
}

void TwoLevelMinimizer::Run() const {
    if (kind_ == Kind::BuiltIn) {
        MinimizeFile(ExchangeFiles::MinimizerInput, ExchangeFiles::Onset);
        OffsetFile(ExchangeFiles::Onset, ExchangeFiles::Offset);
        return;
    }
    const std::string program = name();
    ExternalTools::Run(program + " " + ExchangeFiles::MinimizerInput + " > " +
                       ExchangeFiles::Onset);
    ExternalTools::Run(program + " -or " + ExchangeFiles::Onset + " > " + ExchangeFiles::Offset);
}

namespace {

// Calls f(x) for every minterm x covered by the cube text over `inputs` variables (the
// first character is the most significant bit of x).
template <typename F> void forEachMinterm(const std::string& cube, F f) {
    const uint32_t inputs = static_cast<uint32_t>(cube.size());
    uint32_t base = 0;
    uint32_t free = 0;
    for (uint32_t p = 0; p < inputs; ++p) {
        const uint32_t bit = 1u << (inputs - 1 - p);
        if (cube[p] == '1')
            base |= bit;
        else if (cube[p] == '-')
            free |= bit;
    }
    uint32_t sub = 0;
    do {
        f(base | sub);
        sub = (sub - free) & free; // next subset of the free bits
    } while (sub != 0);
}

// Reads a single-output PLA into one value per minterm (0 off, 1 on, 2 don't care).
// The sets the type does not list are completed as espresso does: without r the off-set
// is what the on-set and the don't-care set leave; without f the on-set is the rest.
bool readFunction(const std::string& file, uint32_t& inputs, std::vector<uint8_t>& values) {
    PLA pla;
    try {
        pla.LoadPLA(file);
    } catch (const InternalError&) {
        throw;
    } catch (const CException&) {
        return false;
    }
    if (pla.empty() || pla.getOutputs() != 1 || pla.getInputs() == 0 ||
        pla.getInputs() > TwoLevelMinimizer::kMaxInputs)
        return false;
    inputs = pla.getInputs();
    const uint32_t size = 1u << inputs;
    std::vector<uint8_t> on(size, 0), dc(size, 0), off(size, 0);
    for (const Term& t : pla.getTerms()) {
        std::vector<uint8_t>* set = nullptr;
        switch (t.getOM()[0]) {
        case '1':
            set = &on;
            break;
        case '0':
            set = &off;
            break;
        case '-':
            set = &dc;
            break;
        default:
            continue;
        }
        forEachMinterm(t.getCube(), [set](uint32_t x) { (*set)[x] = 1; });
    }
    const PLA_type& type = pla.getType();
    values.assign(size, 0);
    for (uint32_t x = 0; x < size; ++x) {
        if (!type.r)
            off[x] = !on[x] && !dc[x];
        else if (!type.f)
            on[x] = !off[x] && !dc[x];
        else if (!on[x] && !off[x])
            dc[x] = 1;
        if (on[x] && off[x]) return false; // contradictory description
        values[x] = dc[x] ? 2 : (on[x] ? 1 : 0);
    }
    return true;
}

void writeCover(std::ofstream& out, uint32_t inputs, const std::vector<std::string>& cubes,
                bool offset) {
    if (offset) out << ".type r\n";
    out << ".i " << inputs << "\n.o 1\n.p " << cubes.size() << "\n";
    for (const std::string& c : cubes)
        out << c << (offset ? " 0\n" : " 1\n");
    out << (offset ? ".end\n" : ".e\n");
}

bool minimizeInto(const std::string& in, const std::string& out, bool offset) {
    // Like the shell redirection of the external program, the output exists and is empty
    // before anything is read.
    std::ofstream os(out, std::ios::trunc);
    uint32_t inputs = 0;
    std::vector<uint8_t> values;
    if (!os || !readFunction(in, inputs, values)) return false;
    if (offset)
        for (uint8_t& v : values)
            if (v != 2) v = static_cast<uint8_t>(1 - v);
    std::vector<std::string> cubes = TwoLevelMinimizer::MinimumCover(inputs, values);
    if (offset)
        TwoLevelMinimizer::SortOffsetCubes(cubes);
    else
        TwoLevelMinimizer::SortOnsetCubes(cubes);
    writeCover(os, inputs, cubes, offset);
    return static_cast<bool>(os);
}

// Exact cover search over the prime implicants: iterative deepening on the number of cubes,
// and at the smallest number that works, the cover with the fewest literals.
class CoverSearch {
public:
    CoverSearch(const std::vector<std::vector<uint64_t>>& covers,
                const std::vector<uint32_t>& literals, uint32_t onCount)
        : covers_(covers), literals_(literals), onCount_(onCount), words_((onCount + 63) / 64) {
        // Primes covering each on-minterm, in prime order.
        byMinterm_.resize(onCount);
        for (uint32_t p = 0; p < covers_.size(); ++p)
            for (uint32_t x = 0; x < onCount; ++x)
                if ((covers_[p][x / 64] >> (x % 64)) & 1u) byMinterm_[x].push_back(p);
    }

    std::vector<uint32_t> Solve() {
        for (uint32_t limit = 1; limit <= onCount_; ++limit) {
            limit_ = limit;
            bestLiterals_ = std::numeric_limits<uint32_t>::max();
            best_.clear();
            std::vector<uint64_t> covered(words_, 0);
            chosen_.clear();
            dfs(covered, 0);
            if (!best_.empty()) return best_;
        }
        return {};
    }

private:
    void dfs(std::vector<uint64_t>& covered, uint32_t literals) {
        if (literals >= bestLiterals_) return;
        // The uncovered on-minterm with the fewest covering primes.
        uint32_t pick = onCount_;
        size_t fewest = std::numeric_limits<size_t>::max();
        for (uint32_t x = 0; x < onCount_; ++x)
            if (!((covered[x / 64] >> (x % 64)) & 1u) && byMinterm_[x].size() < fewest) {
                fewest = byMinterm_[x].size();
                pick = x;
            }
        if (pick == onCount_) {
            bestLiterals_ = literals;
            best_ = chosen_;
            return;
        }
        if (chosen_.size() == limit_) return;
        for (uint32_t p : byMinterm_[pick]) {
            std::vector<uint64_t> next(covered);
            for (uint32_t w = 0; w < words_; ++w)
                next[w] |= covers_[p][w];
            chosen_.push_back(p);
            dfs(next, literals + literals_[p]);
            chosen_.pop_back();
        }
    }

    const std::vector<std::vector<uint64_t>>& covers_;
    const std::vector<uint32_t>& literals_;
    uint32_t onCount_;
    uint32_t words_;
    std::vector<std::vector<uint32_t>> byMinterm_;
    uint32_t limit_ = 0;
    uint32_t bestLiterals_ = 0;
    std::vector<uint32_t> chosen_;
    std::vector<uint32_t> best_;
};

uint32_t popcount(uint32_t v) {
    uint32_t c = 0;
    for (; v != 0; v &= v - 1)
        ++c;
    return c;
}

} // namespace

void TwoLevelMinimizer::Covers(uint32_t inputs, const std::vector<uint8_t>& values, PLA& onset,
                               PLA& offset) {
    std::vector<std::string> on = MinimumCover(inputs, values);
    SortOnsetCubes(on);
    std::vector<uint8_t> complement(values);
    for (uint8_t& v : complement)
        if (v != 2) v = static_cast<uint8_t>(1 - v);
    std::vector<std::string> off = MinimumCover(inputs, complement);
    SortOffsetCubes(off);
    const auto fill = [inputs](PLA& pla, const std::vector<std::string>& cubes, const char* type,
                               const char* out) {
        pla = PLA(inputs, 1, PLA_type(type));
        for (const std::string& c : cubes) {
            Term t;
            t.setCube(c);
            t.setCubeType(CUBE_PRODUCT);
            t.setOM(out);
            pla.AppendTerm(t);
        }
    };
    fill(onset, on, "fd", "1");
    fill(offset, off, "r", "0");
}

bool TwoLevelMinimizer::MinimizeFile(const std::string& in, const std::string& out) {
    return minimizeInto(in, out, false);
}

bool TwoLevelMinimizer::OffsetFile(const std::string& in, const std::string& out) {
    return minimizeInto(in, out, true);
}

std::vector<std::string> TwoLevelMinimizer::MinimumCover(uint32_t inputs,
                                                         const std::vector<uint8_t>& values) {
    if (inputs > kMaxInputs)
        throw RuntimeException("TwoLevelMinimizer::MinimumCover: too many inputs");
    const uint32_t size = 1u << inputs;
    if (values.size() != size)
        throw RuntimeException("TwoLevelMinimizer::MinimumCover: wrong truth-table size");
    const uint32_t full = size - 1;

    // Implicants: a cube is a care mask c and a value v inside c; it covers x when
    // (x & c) == v. implicant[c * size + v] tells that it covers no off-minterm.
    std::vector<uint8_t> implicant(static_cast<size_t>(size) * size, 0);
    for (uint32_t c = 0; c < size; ++c) {
        const uint32_t free = full & ~c;
        for (uint32_t v = c;; v = (v - 1) & c) {
            bool ok = true;
            uint32_t sub = 0;
            do {
                if (values[v | sub] == 0) {
                    ok = false;
                    break;
                }
                sub = (sub - free) & free;
            } while (sub != 0);
            implicant[static_cast<size_t>(c) * size + v] = ok ? 1 : 0;
            if (v == 0) break;
        }
    }

    std::vector<uint32_t> onIndex(size, 0);
    uint32_t onCount = 0;
    for (uint32_t x = 0; x < size; ++x)
        if (values[x] == 1) onIndex[x] = onCount++;
    if (onCount == 0) return {};

    struct Prime {
        uint32_t care, value, literals;
    };
    std::vector<Prime> primes;
    for (uint32_t c = 0; c < size; ++c) {
        for (uint32_t v = c;; v = (v - 1) & c) {
            if (implicant[static_cast<size_t>(c) * size + v]) {
                bool prime = true;
                for (uint32_t bits = c; bits != 0 && prime; bits &= bits - 1) {
                    const uint32_t b = bits & (~bits + 1);
                    if (implicant[static_cast<size_t>(c & ~b) * size + (v & ~b)]) prime = false;
                }
                bool coversOn = false;
                const uint32_t free = full & ~c;
                uint32_t sub = 0;
                do {
                    if (values[v | sub] == 1) coversOn = true;
                    sub = (sub - free) & free;
                } while (sub != 0 && !coversOn);
                if (prime && coversOn) primes.push_back({c, v, popcount(c)});
            }
            if (v == 0) break;
        }
    }
    std::stable_sort(primes.begin(), primes.end(),
                     [](const Prime& a, const Prime& b) { return a.literals < b.literals; });

    const uint32_t words = (onCount + 63) / 64;
    std::vector<std::vector<uint64_t>> covers(primes.size(), std::vector<uint64_t>(words, 0));
    std::vector<uint32_t> literals(primes.size(), 0);
    for (size_t p = 0; p < primes.size(); ++p) {
        literals[p] = primes[p].literals;
        const uint32_t free = full & ~primes[p].care;
        uint32_t sub = 0;
        do {
            const uint32_t x = primes[p].value | sub;
            if (values[x] == 1) covers[p][onIndex[x] / 64] |= uint64_t(1) << (onIndex[x] % 64);
            sub = (sub - free) & free;
        } while (sub != 0);
    }

    CoverSearch search(covers, literals, onCount);
    std::vector<std::string> cubes;
    for (uint32_t p : search.Solve()) {
        std::string text(inputs, '-');
        for (uint32_t pos = 0; pos < inputs; ++pos) {
            const uint32_t bit = 1u << (inputs - 1 - pos);
            if (primes[p].care & bit) text[pos] = (primes[p].value & bit) ? '1' : '0';
        }
        cubes.push_back(text);
    }
    return cubes;
}

namespace {

int onsetRank(char c) {
    return c == '0' ? 0 : (c == '-' ? 1 : 2);
}
int offsetRank(char c) {
    return c == '0' ? 0 : (c == '1' ? 1 : 2);
}

} // namespace

void TwoLevelMinimizer::SortOnsetCubes(std::vector<std::string>& cubes) {
    std::stable_sort(cubes.begin(), cubes.end(), [](const std::string& a, const std::string& b) {
        for (size_t p = a.size(); p-- > 0;)
            if (a[p] != b[p]) return onsetRank(a[p]) < onsetRank(b[p]);
        return false;
    });
}

void TwoLevelMinimizer::SortOffsetCubes(std::vector<std::string>& cubes) {
    std::stable_sort(cubes.begin(), cubes.end(), [](const std::string& a, const std::string& b) {
        for (size_t p = 0; p < a.size(); ++p)
            if (a[p] != b[p]) return offsetRank(a[p]) < offsetRank(b[p]);
        return false;
    });
}
