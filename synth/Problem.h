// What a synthesis problem is, as one value built once: the target (with its named inputs
// and outputs), the node library with its gate costs, and the options that shape the
// circuits admitted. The engine is configured from it, so no order of set-up calls can
// give another instance.
#pragma once

#include "logic/PLA.h"
#include "synth/Library.h"

#include <cstdint>
#include <memory>

// Which solver decides the instances: CaDiCaL in-process, or minisat and minisat+ through
// exchange files in the current directory.
enum class SolverRoute { Embedded, Minisat };

struct Problem {
    // The target: one output per function, don't cares where it holds none. With
    // polymorphic edges its last input is the control input.
    std::shared_ptr<const PLA> target;
    Library library;
    bool inversions = true;    // edges may be inverted
    bool constants = true;     // a port or an output may read the constant 0
    bool polyEdges = false;    // polymorphic edges, switched by the control input
    bool diffTopology = false; // an enumeration lists circuits of different structure only
    uint32_t presetNodes = 0;  // a node count to solve at (0: the least one is searched)

    // The circuit inputs: the target's, without the control input.
    uint32_t Inputs() const {
        const uint32_t w = target ? target->getInputs() : 0;
        return polyEdges && w > 0 ? w - 1 : w;
    }
    uint32_t Outputs() const { return target ? target->getOutputs() : 0; }
};
