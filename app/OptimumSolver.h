// The optimum circuit of one single-output truth table under a run's options (library,
// gate costs, inversions, constants, -best), found by the synthesis engine on the
// embedded route, and the engine's view of any circuit claimed for a table: its
// statistics and its complete model, from which the solution files are written.
#pragma once

#include "app/CircuitTransform.h"
#include "app/Settings.h"
#include "synth/Circuit.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class Library;
class SAT_CircGen;
struct SearchProgress;
class PLA;

// What the statistics line and the batch rows report of a circuit.
struct CircuitStats {
    uint32_t nodes = 0;
    uint32_t xors = 0;
    uint32_t levels = 0;
    uint32_t cost = 0;
};

class OptimumSolver {
public:
    // The options of settings that shape the answer; the gate costs default to 1 each.
    // RuntimeException when -gatecosts and -nodefuncts differ in length.
    OptimumSolver(const Settings& settings, uint32_t k, uint32_t threads);

    uint32_t inputs() const { return k_; }

    // What everything that changes the answer is: library, gate costs, inversions,
    // constants, least depth (a cache key part; k and the table are not included).
    std::string OptionsKey() const;

    struct Outcome {
        enum Status { Optimum, Impossible } status = Optimum;
        BoundCircuit circuit; // Optimum
        CircuitStats stats;   // Optimum
        std::string reason;   // Impossible: why no circuit realises the table
    };
    // Searches the optimum circuit of table (the cheapest with differing costs, of least
    // depth among them with -best). Rows outside care are don't cares (an empty care: every
    // row counts). The search reports how far it got to progress, when given. With
    // constructed, a circuit built without search is left there before the search starts
    // (when a construction applies), for the caller to fall back on when the search is
    // stopped. Every count below provenBelow is taken as impossible (an earlier run's
    // proof; ignored with differing gate costs, and when the constructed circuit is smaller,
    // which refutes it). Throws StopRequested when stopped, and what the engine throws
    // (ResourceError, InternalError).
    Outcome Solve(const TableWords& table, const TableWords& care = {},
                  SearchProgress* progress = nullptr,
                  std::optional<BoundCircuit>* constructed = nullptr,
                  uint32_t provenBelow = 0) const;

    // A circuit for table, checked: simulated against the table, then realised by the
    // library as decoding its model would give it. Throws RuntimeException when the
    // circuit does not realise the table. Keep the object to write the files.
    class Realised {
    public:
        ~Realised();
        const CircuitStats& stats() const { return stats_; }
        // The circuit as the writers take it, and its library.
        const Circuit& circuit() const { return circuit_; }
        const Library& library() const;
        // Writes the requested files of settings (-save_dot, -save_aag, -save_aig,
        // -save_blif, -save_verilog, -save_json), each name with suffix before its
        // extension when suffix is given; status goes into the JSON record ("optimum", or
        // "bounded" for a circuit not proven optimal).
        void Write(const Settings& settings, const std::string& suffix,
                   const std::string& status = "optimum") const;

    private:
        friend class OptimumSolver;
        Realised();
        std::unique_ptr<SAT_CircGen> engine_;
        Circuit circuit_; // decoded from the instance's model, as every writer reads it
        CircuitStats stats_;
    };
    std::unique_ptr<Realised> Realise(const TableWords& table, const BoundCircuit& circuit,
                                      const TableWords& care = {}) const;

    // True when circuit realises table on the rows of care (every row when care is empty).
    static bool Realises(const BoundCircuit& circuit, const TableWords& table,
                         const TableWords& care);

private:
    // The engine of table (target named, library derived).
    std::unique_ptr<SAT_CircGen> engineFor(const TableWords& table, const TableWords& care) const;
    // The circuit as the writers take it, and its statistics.
    void model(const SAT_CircGen& engine, const BoundCircuit& circuit, Realised& into) const;

    uint32_t k_;
    uint32_t threads_;
    std::string library_;
    std::string costs_;
    bool inv_;
    bool const_;
    bool best_;
    bool noBound_;
};
