// A circuit of the target built without search: the first answer of a run and the upper
// bound of its search.
#include "synth/CircuitConstruction.h"
#include "synth/CofactorConstruction.h"
#include "synth/SAT_CircGen.h"

std::optional<SAT_CircGen::Constructed> SAT_CircGen::Construct() const {
    if (target == nullptr || polyEdges || !allowInv || fixedN || k > kMaxConstructionInputs)
        return std::nullopt;
    // An AND node needs a library function that is 1 (or 0) at exactly one point; an
    // exclusive-or node one that is the exclusive-or or its complement.
    bool andLike = false, xorLike = false;
    for (uint32_t table : library().Tables()) {
        const int ones = __builtin_popcount(table & 15u);
        andLike = andLike || ones == 1 || ones == 3;
        xorLike = xorLike || table == 6 || table == 9;
    }
    if (!andLike) return std::nullopt;
    ConstructionTarget shape;
    shape.k = k;
    shape.outputs = m;
    shape.values = target->SimulateAll();
    std::optional<BoundCircuit> circuit = ConstructCircuit(shape, xorLike, allowConst);
    if (!circuit) return std::nullopt;
    // Small single-output targets: exact circuits of the cofactors often share more.
    if (m == 1 && k <= kMaxCofactorConstructionInputs) {
        std::optional<BoundCircuit> joint =
            CofactorCircuit(BoundSpec(), xorLike, static_cast<uint32_t>(circuit->nodes.size()));
        if (joint) circuit = std::move(joint);
    }

    return Constructed{*circuit, CircuitOf(*circuit)};
}
