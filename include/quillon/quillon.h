// Quillon as a library: exact synthesis of Boolean functions over a library of two-input
// gates, with a proof of optimality.
//
// Usage:
//
//     #include <quillon/quillon.h>
//
//     quillon::Params params;
//     params.library = "86";   // AND and XOR, inputs and outputs invertible
//     params.timeLimit = 10;   // seconds
//     const quillon::Result r = quillon::synthesize(quillon::Target::FromHex("6996", 4), params);
//     if (r.status == quillon::Status::Optimum)
//         std::cout << r.circuits[0].gates.size() << " gates\n" << r.circuits[0].blif();
//
//     // Every optimum, one callback each (return false to stop early):
//     quillon::enumerate(target, params, [](const quillon::Circuit& c) { return true; });
//
// Link with Quillon::quillon (CMake: find_package(Quillon)) or `pkg-config --libs quillon`.
//
// A target has one or more outputs over the same inputs, each a truth table with an
// optional care mask: rows outside the mask are don't cares. Row r assigns input j the
// value of bit j of r; bit r of a table is word r / 64, bit r % 64.
//
// The node library names each two-input function by one hexadecimal digit, its table read
// as f(1,1) f(1,0) f(0,1) f(0,0) from the highest bit: 8 is AND, 6 XOR, E OR, 7 NAND. With
// inversions, any port and any output may be inverted at no cost. The search finds the
// fewest gates (with differing gate costs: the cheapest circuit) and proves that nothing
// smaller exists; results never depend on the thread count or on timing.
//
// The calls are reentrant: any number of threads may synthesise at once, each stopped by
// its own time limit and token. SIGINT and SIGTERM stop them only where the program
// installs a handler that calls quillon::requestStopAll().
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

using Words = std::vector<uint64_t>;

struct Target {
    uint32_t inputs = 0;
    std::vector<Words> tables; // one per output
    std::vector<Words> care;   // per output; empty (or missing): every row counts

    // The function number f over inputs (at most 6): bit r of f is row r.
    static Target FromNumber(uint64_t f, uint32_t inputs);
    // Hexadecimal digits, the highest row first (as -fh reads them); with inputs 0 the
    // count follows from the digits. std::invalid_argument for a malformed text.
    static Target FromHex(const std::string& hex, uint32_t inputs = 0);
    // Adds an output (the words must cover 2^inputs rows).
    Target& AddOutput(Words table, Words careMask = {});
};

// A cancellation token: copies share the flag; request() stops every call holding one.
class CancelToken {
public:
    CancelToken();
    void request() const noexcept;
    bool requested() const noexcept;

private:
    friend struct TokenAccess;
    std::shared_ptr<std::atomic<bool>> flag_;
};

struct Params {
    std::string library = "8";  // node functions, hexadecimal digits
    std::string costs;          // one digit 1-9/A-F per function; empty: 1 each
    bool inversions = true;     // ports and outputs may be inverted
    bool constants = true;      // ports and outputs may read the constant 0
    bool leastDepth = false;    // among the optima, those of least depth
    uint32_t threads = 1;       // threads of the lower-bound engine
    double timeLimit = 0;       // seconds; 0: none
    uint64_t conflictLimit = 0; // solver conflicts over the whole call; 0: none
    CancelToken cancel;         // a default token is never requested unless asked
    bool lowerBound = true;     // the in-process lower-bound engine (false: classic search)
    // Verbose lines of the search (none when empty).
    std::function<void(const std::string&)> log;
};

enum class Status {
    Optimum,       // proven optimal
    Timeout,       // the time limit passed first
    ConflictLimit, // the conflict limit was spent first
    Cancelled,     // the token was requested first
    Impossible,    // no circuit over the library realises the target
};

struct Gate {
    char function = '8';           // library digit
    uint32_t operands[2] = {0, 0}; // signals: 0 the constant, 1..inputs, then the gates
    bool inverted[2] = {false, false};
};
struct Output {
    uint32_t signal = 0;
    bool inverted = false;
};

namespace detail {
struct CircuitData;
}

class Circuit {
public:
    uint32_t inputs = 0;
    std::vector<Gate> gates; // gate i is signal inputs + 1 + i
    std::vector<Output> outputs;
    uint32_t cost = 0;
    uint32_t depth = 0;
    uint32_t xors = 0;
    bool proven = false; // optimal (false: a circuit a stopped search hands back)

    // The circuit's value at every row, per output (the layout of Target::tables).
    std::vector<Words> simulate() const;
    // Files, as the command writes them.
    std::string blif() const;
    std::string dot() const;
    std::string verilog() const;
    std::string json() const;
    std::string aigerAscii() const;
    std::string aiger() const; // binary AIGER, AND-inverter form

private:
    friend struct CircuitAccess;
    std::shared_ptr<const detail::CircuitData> data_;
};

struct Stats {
    double seconds = 0; // wall clock
    uint32_t solutions = 0;
    std::string boundNote; // why the lower-bound engine was not used ("" when it was)
};

struct Result {
    Status status = Status::Optimum;
    // Optimum: the optimum (enumerate: empty; the callback had them). Timeout,
    // ConflictLimit or Cancelled: the best circuit at hand (not proven), when there is one.
    std::vector<Circuit> circuits;
    // Every gate count below this one is proven impossible.
    uint32_t lowerBound = 0;
    std::string reason; // Impossible: why
    Stats stats;
};

// The optimum circuit of target. std::invalid_argument for a malformed target or
// parameters; std::runtime_error for what the engine refuses (too large an instance).
Result synthesize(const Target& target, const Params& params = Params());

// Every optimum circuit, each handed to onCircuit as it is found (false ends the
// enumeration). With leastDepth, every optimum of least depth.
Result enumerate(const Target& target, const Params& params,
                 const std::function<bool(const Circuit&)>& onCircuit);

// Stops every running call (async-signal-safe: for a program's own signal handler).
void requestStopAll() noexcept;
// Lets calls run again after requestStopAll().
void clearStopAll() noexcept;

// The version, "1.4".
std::string version();

} // namespace quillon
