// A circuit for a single-output target put together from exact circuits of its cofactors:
// a tighter upper bound than the construction rules alone give, where the cofactors are
// small enough to be solved exactly in milliseconds (three inputs).
//
// For an input x with cofactors f0 (x = 0) and f1 (x = 1):
//   multiplexer   f = (x & s1) | (~x & s0), s0 and s1 one exact two-output circuit of
//                 {f0, f1} (each on its own cofactor's cared-for rows): 3 nodes on top;
//   exclusive-or  f = s0 ^ (x & g) with {f0, g = f0 ^ f1}, or f = s1 ^ (~x & g) with
//                 {f1, g}: 2 nodes on top with exclusive-or nodes, 4 with ANDs alone (an
//                 exclusive-or of two signals takes three ANDs); fully specified targets
//                 only (with don't cares g would depend on the value s0 takes).
// The two outputs share their nodes, which is where these beat the construction rules:
// on the hardest 4-input AND-inverter functions the joint circuit of both cofactors plus a
// multiplexer reaches the optimum where the rules stay one or two ANDs above it.
//
// Every sub-problem is solved by the lower-bound engine on one thread under a conflict
// budget, so the result does not depend on timing or threads; a stop request, or a budget
// spent, leaves a sub-problem unsolved. The circuit returned is simulated against the
// target (a mismatch is an internal error).
#pragma once

#include "bound/BoundCircuit.h"
#include "bound/BoundProblem.h"

#include <cstdint>
#include <optional>

// Largest input count the cofactor construction is tried at (the cofactors then have at
// most three inputs).
constexpr uint32_t kMaxCofactorConstructionInputs = 4;

// The smallest circuit of the forms above with fewer than `below` nodes; nullopt when
// there is none (or the target is not a single output of 2..kMaxCofactorConstructionInputs
// inputs, or inversions are not allowed). xorNodes: the library computes exclusive-or.
std::optional<BoundCircuit> CofactorCircuit(const BoundProblem::Spec& spec, bool xorNodes,
                                            uint32_t below);
