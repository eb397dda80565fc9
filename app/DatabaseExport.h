// Databases of optimum circuits for rewriting engines (-export FORMAT FILE): the proven
// optima of a batch's classes, or of every class a result cache holds for the run's
// library and options, in one of three formats:
//   mockturtle  the JSON file of mockturtle's cached resynthesis: an object "cache" with
//               "db" (the Verilog text of one module whose outputs are the classes, each
//               gate one two-operand assign), "num_pis" and "output_functions" (per output
//               its truth table as "_bits" words and "_num_vars"), then "blacklist_cache"
//               (empty) and "initial_size" (the inputs);
//   aiger       one binary AIGER file, an AND-inverter graph with one output per class in
//               class order, over as many inputs as the widest class;
//   blif        one BLIF model per class, named f<inputs>_<table>.
// Every circuit is realised by the library and simulated against its class before it is
// written; classes not proven optimal are named on stderr and left out.
#pragma once

#include "app/CircuitTransform.h"
#include "app/Settings.h"
#include "bound/BoundCircuit.h"

#include <cstdint>
#include <string>
#include <vector>

struct ExportClass {
    uint32_t inputs = 0;
    TableWords table;
    BoundCircuit circuit;
};

// Writes the classes to settings.exportFile in settings.exportFormat. RuntimeException
// when a circuit does not realise its class or the file cannot be written.
void WriteDatabase(const Settings& settings, const std::vector<ExportClass>& classes);

// -export with -cache and no target: every fully specified class the cache holds under
// the options of settings. Returns the exit status.
int RunExport(const Settings& settings);
