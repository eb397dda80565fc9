// What the Python module reaches below the public interface: a public circuit made from a
// circuit in the lower-bound engine's form (the form the batches and the result cache
// keep), realised by the library as a search realises its circuits.
#pragma once

#include "bound/BoundCircuit.h"
#include "quillon/quillon.h"

namespace quillon::detail {

// The circuit of the single-output table over inputs under params (library, costs,
// inversions, constants). std::logic_error when it does not realise the table.
Circuit CircuitOfBound(const BoundCircuit& circuit, const Words& table, uint32_t inputs,
                       const Params& params, bool proven);

} // namespace quillon::detail
