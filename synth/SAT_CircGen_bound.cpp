// The engine's problem as the lower-bound engine sees it.
#include "synth/SAT_CircGen.h"

#include "logic/Cube.h"

BoundProblem::Spec SAT_CircGen::BoundSpec() const {
    BoundProblem::Spec spec;
    spec.target = target;
    spec.k = k;
    spec.m = m;
    spec.allowInv = allowInv;
    spec.allowConst = allowConst;
    spec.polyEdges = polyEdges;
    const char* const rows[] = {"00", "01", "10", "11"};
    for (uint32_t t = 0; t < functionCount && t < nodeFunctions.size(); ++t) {
        uint32_t table = 0;
        for (uint32_t r = 0; r < 4; ++r) {
            const std::vector<uint32_t> v = nodeFunctions[t].Simulate(Cube(rows[r]));
            if (v.empty() || v[0] > 1) {
                table = 16; // not a complete table
                break;
            }
            if (v[0] == 1) table |= 1u << r;
        }
        spec.library.push_back(table);
    }
    if (spec.library.size() == functionCount && negSymmetric.size() == functionCount)
        spec.negSymmetric = negSymmetric;
    return spec;
}
