// The public library interface (include/quillon/quillon.h) over the engine: a target
// becomes the engine's problem, a search its result, and the engine's circuits the
// public circuit values, each keeping what its writers need.
#include "quillon/quillon.h"

#include "api/QuillonInternal.h"

#include "logic/PLA.h"
#include "synth/CircuitWriters.h"
#include "synth/Realizability.h"
#include "synth/SAT_CircGen.h"
#include "synth/SearchProgress.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <chrono>
#include <csignal>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace quillon {

namespace detail {
// What the writers of a circuit read: the engine's form, its library and signal names, and
// the target (the JSON record lists it).
struct CircuitData {
    ::Circuit circuit;
    Library library;
    CircuitNames names;
    std::shared_ptr<const PLA> target;
    std::string status;
};
} // namespace detail

struct TokenAccess {
    static StopToken of(const CancelToken& t) { return StopToken::Of(t.flag_); }
};

struct CircuitAccess {
    static Circuit make(const ::Circuit& c, const Library& library, const CircuitNames& names,
                        std::shared_ptr<const PLA> target, bool proven) {
        Circuit out;
        out.inputs = c.k;
        for (const ::Circuit::Node& nd : c.nodes) {
            Gate g;
            g.function = library.Digit(nd.function);
            for (uint32_t b = 0; b < 2; ++b) {
                g.operands[b] = nd.source[b];
                g.inverted[b] = nd.inverted[b];
            }
            out.gates.push_back(g);
        }
        for (const ::Circuit::Output& o : c.outputs)
            out.outputs.push_back({o.driver, o.inverted || o.inversionOpen});
        out.cost = CircuitCost(c, library);
        out.depth = c.Levels();
        out.xors = GatesNamed(c, library, "xor");
        out.proven = proven;
        out.data_ = std::make_shared<detail::CircuitData>(detail::CircuitData{
            c, library, names, std::move(target), proven ? "optimum" : "bounded"});
        return out;
    }
    static const detail::CircuitData& data(const Circuit& c) {
        if (!c.data_) throw std::logic_error("quillon: a circuit that no search made");
        return *c.data_;
    }
};

namespace {

uint64_t rowsOf(uint32_t inputs) {
    return uint64_t(1) << inputs;
}

bool bit(const Words& w, uint64_t r) {
    return (w[r / 64] >> (r % 64)) & 1u;
}

constexpr uint32_t kMaxInputs = 16;

// The target as the engine reads it: one row per input assignment, '-' where the output
// does not care. std::invalid_argument for a malformed target.
std::shared_ptr<PLA> targetPLA(const Target& t) {
    if (t.inputs > kMaxInputs)
        throw std::invalid_argument("quillon: a target of " + std::to_string(t.inputs) +
                                    " inputs; at most " + std::to_string(kMaxInputs));
    if (t.tables.empty()) throw std::invalid_argument("quillon: a target without outputs");
    if (t.care.size() > t.tables.size())
        throw std::invalid_argument("quillon: more care masks than outputs");
    const uint64_t rows = rowsOf(t.inputs);
    const size_t words = static_cast<size_t>((rows + 63) / 64);
    for (size_t o = 0; o < t.tables.size(); ++o) {
        if (t.tables[o].size() < words)
            throw std::invalid_argument("quillon: the table of output " + std::to_string(o) +
                                        " has " + std::to_string(t.tables[o].size()) + " words; " +
                                        std::to_string(t.inputs) + " inputs need " +
                                        std::to_string(words));
        if (o < t.care.size() && !t.care[o].empty() && t.care[o].size() < words)
            throw std::invalid_argument("quillon: the care mask of output " + std::to_string(o) +
                                        " is too short");
    }
    const auto m = static_cast<uint32_t>(t.tables.size());
    auto pla = std::make_shared<PLA>(t.inputs, m, PLA_type("fd"));
    std::string out(m, '0');
    for (uint64_t r = 0; r < rows; ++r) {
        for (uint32_t o = 0; o < m; ++o) {
            const bool cares = o >= t.care.size() || t.care[o].empty() || bit(t.care[o], r);
            out[o] = !cares ? '-' : bit(t.tables[o], r) ? '1' : '0';
        }
        pla->AppendTerm(int2bin_rev(static_cast<uint32_t>(r), t.inputs), out);
    }
    pla->NameVars();
    return pla;
}

// The search of target under params: the optimum, or every optimum through onCircuit.
Result run(const Target& target, const Params& params,
           const std::function<bool(const Circuit&)>* onCircuit) {
    const auto start = std::chrono::steady_clock::now();
    const StopRequest::TokenScope token(TokenAccess::of(params.cancel));
    std::optional<StopRequest::ThreadDeadline> deadline;
    if (params.timeLimit > 0) deadline.emplace(params.timeLimit);
    std::optional<StopRequest::ConflictBudget> budget;
    if (params.conflictLimit > 0) budget.emplace(params.conflictLimit);

    Result result;
    const auto finish = [&] {
        result.stats.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return result;
    };
    std::shared_ptr<PLA> pla = targetPLA(target);
    Problem problem;
    problem.target = pla;
    try {
        problem.library = Library(params.library, params.costs);
    } catch (const CException& e) {
        throw std::invalid_argument("quillon: " + e.GetMsg());
    }
    problem.inversions = params.inversions;
    problem.constants = params.constants;

    SearchProgress progress;
    std::optional<SAT_CircGen::Constructed> constructed;
    try {
        const Realizability check(params.library, params.inversions, params.constants, false);
        result.reason = check.ProveImpossible(*pla);
        if (!result.reason.empty()) {
            result.status = Status::Impossible;
            return finish();
        }
        SAT_CircGen engine(problem);
        const CircuitNames names = engine.Names();
        const auto make = [&](const ::Circuit& c, bool proven) {
            return CircuitAccess::make(c, engine.library(), names, pla, proven);
        };
        GenerateOptions options;
        options.best = params.leastDepth;
        options.lowerBound = params.lowerBound;
        options.threads = params.threads;
        options.progress = &progress;
        options.log = params.log;
        options.verbosity = params.log ? 1 : 0;
        if (onCircuit == nullptr) {
            // A circuit at hand first: what a stopped search hands back, and (without
            // gate costs or least depth) the size at which the search may end.
            if (params.lowerBound) constructed = engine.Construct();
            if (constructed && !engine.CostsDiffer() && !params.leastDepth)
                options.upper = &constructed->circuit;
            const SearchResult found = engine.Generate(options);
            if (!found.circuit) throw InternalError("the search found no circuit");
            result.circuits.push_back(make(*found.circuit, true));
            result.lowerBound = found.nodes;
            result.stats.solutions = found.solutionCount;
            result.stats.boundNote = found.boundNote;
            return finish();
        }
        options.enumerate = true;
        options.bulk = params.leastDepth;
        for (;;) {
            const SearchResult found = engine.Generate(options);
            result.stats.boundNote = found.boundNote;
            result.stats.solutions = found.solutionCount;
            if (found.solutionCount > 0) result.lowerBound = found.nodes;
            if (options.bulk) {
                for (const ::Circuit& c : found.solutions)
                    if (!(*onCircuit)(make(c, true))) break;
                break;
            }
            if (!found.circuit || !(*onCircuit)(make(*found.circuit, true))) break;
        }
        return finish();
    } catch (const StopRequested& stop) {
        result.status = stop.signo() == SIGALRM                       ? Status::Timeout
                        : stop.signo() == StopRequest::kConflictLimit ? Status::ConflictLimit
                                                                      : Status::Cancelled;
        result.lowerBound = progress.impossibleBelow.load();
        if (constructed)
            result.circuits.push_back(CircuitAccess::make(
                constructed->decoded, problem.library,
                CircuitNames{pla->getINames(), pla->getONames(), false}, pla, false));
        return finish();
    } catch (const InternalError& e) {
        throw std::logic_error("quillon: " + e.GetMsg());
    } catch (const CException& e) {
        throw std::runtime_error("quillon: " + e.GetMsg());
    }
}

template <typename Write> std::string written(const Circuit& c, Write write) {
    const detail::CircuitData& d = CircuitAccess::data(c);
    std::ostringstream out;
    try {
        write(out, d);
    } catch (const CException& e) {
        throw std::runtime_error("quillon: " + e.GetMsg());
    }
    return out.str();
}

} // namespace

namespace detail {

Circuit CircuitOfBound(const BoundCircuit& circuit, const Words& table, uint32_t inputs,
                       const Params& params, bool proven) {
    Target t;
    t.inputs = inputs;
    t.AddOutput(table);
    std::shared_ptr<PLA> pla = targetPLA(t);
    Problem problem;
    problem.target = pla;
    problem.library = Library(params.library, params.costs);
    problem.inversions = params.inversions;
    problem.constants = params.constants;
    const SAT_CircGen engine(problem);
    const ::Circuit c = engine.CircuitOf(circuit);
    try {
        engine.CheckRealises(c);
    } catch (const CException& e) {
        throw std::logic_error("quillon: " + e.GetMsg());
    }
    return CircuitAccess::make(c, engine.library(), engine.Names(), pla, proven);
}

} // namespace detail

Target Target::FromNumber(uint64_t f, uint32_t inputs) {
    if (inputs > 6) throw std::invalid_argument("quillon: a function number has at most 6 inputs");
    Target t;
    t.inputs = inputs;
    const uint64_t mask = inputs == 6 ? ~uint64_t(0) : (uint64_t(1) << rowsOf(inputs)) - 1;
    if (f & ~mask)
        throw std::invalid_argument("quillon: function number " + std::to_string(f) +
                                    " has bits beyond " + std::to_string(rowsOf(inputs)) + " rows");
    return t.AddOutput({f});
}

Target Target::FromHex(const std::string& hex, uint32_t inputs) {
    std::string digits = hex;
    if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0) digits = digits.substr(2);
    if (digits.empty()) throw std::invalid_argument("quillon: an empty hexadecimal table");
    if (inputs == 0) {
        // The least count of at least two inputs whose rows the digits fill.
        inputs = 2;
        while (rowsOf(inputs) / 4 < digits.size() && inputs < kMaxInputs)
            ++inputs;
    }
    if (inputs > kMaxInputs) throw std::invalid_argument("quillon: too many inputs");
    const uint64_t rows = rowsOf(inputs);
    const uint64_t need = rows < 4 ? 1 : rows / 4;
    if (digits.size() != need)
        throw std::invalid_argument("quillon: " + std::to_string(inputs) + " inputs take " +
                                    std::to_string(need) + " hexadecimal digits, not " +
                                    std::to_string(digits.size()));
    Words table(static_cast<size_t>((rows + 63) / 64), 0);
    for (size_t d = 0; d < digits.size(); ++d) {
        const char ch = digits[digits.size() - 1 - d];
        int v = -1;
        if (ch >= '0' && ch <= '9') v = ch - '0';
        if (ch >= 'a' && ch <= 'f') v = ch - 'a' + 10;
        if (ch >= 'A' && ch <= 'F') v = ch - 'A' + 10;
        if (v < 0)
            throw std::invalid_argument("quillon: '" + std::string(1, ch) +
                                        "' is no hexadecimal digit");
        for (uint32_t b = 0; b < 4; ++b) {
            const uint64_t r = 4 * d + b;
            if (((v >> b) & 1) == 0) continue;
            if (r >= rows)
                throw std::invalid_argument("quillon: the digit " + std::string(1, ch) +
                                            " sets rows beyond " + std::to_string(rows));
            table[r / 64] |= uint64_t(1) << (r % 64);
        }
    }
    Target t;
    t.inputs = inputs;
    return t.AddOutput(std::move(table));
}

Target& Target::AddOutput(Words table, Words careMask) {
    while (care.size() < tables.size())
        care.emplace_back();
    tables.push_back(std::move(table));
    care.push_back(std::move(careMask));
    return *this;
}

CancelToken::CancelToken() : flag_(std::make_shared<std::atomic<bool>>(false)) {}

void CancelToken::request() const noexcept {
    flag_->store(true);
}

bool CancelToken::requested() const noexcept {
    return flag_->load();
}

std::vector<Words> Circuit::simulate() const {
    // These values as the engine's circuit, each gate's function index its digit (the
    // digit is its table).
    ::Circuit c;
    c.k = inputs;
    for (const Gate& g : gates) {
        const char d = g.function;
        const bool hex = (d >= '0' && d <= '9') || (d >= 'A' && d <= 'F');
        if (!hex) throw std::logic_error("quillon: a gate function that is no digit");
        ::Circuit::Node nd;
        nd.function = static_cast<uint32_t>(d >= 'A' ? d - 'A' + 10 : d - '0');
        for (uint32_t b = 0; b < 2; ++b) {
            nd.source[b] = g.operands[b];
            nd.inverted[b] = g.inverted[b];
        }
        c.nodes.push_back(nd);
    }
    for (const Output& o : outputs) {
        ::Circuit::Output out;
        out.driver = o.signal;
        out.inverted = o.inverted;
        c.outputs.push_back(out);
    }
    static const std::vector<uint32_t> digitTables = {0, 1, 2,  3,  4,  5,  6,  7,
                                                      8, 9, 10, 11, 12, 13, 14, 15};
    try {
        return c.Simulate(digitTables);
    } catch (const CException& e) {
        throw std::logic_error("quillon: " + e.GetMsg());
    }
}

std::string Circuit::blif() const {
    return written(*this, [](std::ostream& out, const detail::CircuitData& d) {
        WriteBLIF(out, d.circuit, d.library, d.names);
    });
}

std::string Circuit::dot() const {
    return written(*this, [](std::ostream& out, const detail::CircuitData& d) {
        WriteDOT(out, d.circuit, d.library, d.names);
    });
}

std::string Circuit::verilog() const {
    return written(*this, [](std::ostream& out, const detail::CircuitData& d) {
        WriteVerilog(out, d.circuit, d.library, d.names);
    });
}

std::string Circuit::json() const {
    return written(*this, [](std::ostream& out, const detail::CircuitData& d) {
        WriteJSON(out, d.circuit, d.library, d.names, *d.target, d.status);
    });
}

std::string Circuit::aigerAscii() const {
    return written(*this, [](std::ostream& out, const detail::CircuitData& d) {
        WriteAAG(out, d.circuit, d.library, d.names);
    });
}

std::string Circuit::aiger() const {
    return written(*this, [](std::ostream& out, const detail::CircuitData& d) {
        WriteAIG(out, d.circuit, d.library);
    });
}

Result synthesize(const Target& target, const Params& params) {
    return run(target, params, nullptr);
}

Result enumerate(const Target& target, const Params& params,
                 const std::function<bool(const Circuit&)>& onCircuit) {
    return run(target, params, &onCircuit);
}

void requestStopAll() noexcept {
    StopRequest::Raise(SIGTERM);
}

void clearStopAll() noexcept {
    StopRequest::Clear();
}

std::string version() {
    return QUILLON_VERSION_TEXT;
}

} // namespace quillon
