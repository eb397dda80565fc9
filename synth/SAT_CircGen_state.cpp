// Construction, configuration, gate costs and release of the models held by the engine.
#include "synth/SAT_CircGen.h"

#include "solver/CostCounter.h"
#include "solver/SearchSolver.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <cstdio>

SAT_CircGen::SAT_CircGen() = default;

SAT_CircGen::~SAT_CircGen() {
    clean();
}

void SAT_CircGen::clean() {
    clauses.clear();
    if (solver) solver->Reset();
    extras = SolverExtras();
    // Models are shared between SAT_res, bestRes and the solution list; dropping every
    // reference releases each of them exactly once.
    solutions.clear();
    SAT_res.reset();
    bestRes.reset();
}

void SAT_CircGen::set_k(uint32_t value) {
    clean();
    k = value;
}

void SAT_CircGen::set_n(uint32_t value) {
    clean();
    n = value;
}

void SAT_CircGen::set_PLA(PLA* pla) {
    clean();
    target = pla;
    if (pla == nullptr) return;
    k = pla->getInputs();
    m = pla->getOutputs();
    // With polymorphic edges the last input of the target is the control input.
    if (polyEdges && k > 0) k -= 1;
}

namespace {

// Value of a gate-cost digit: '0'-'9', 'A'-'F' and 'a'-'f' (hexadecimal); -1 otherwise.
int costDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

void SAT_CircGen::set_GateCosts(std::string costs) {
    minGateCost = 0xFFFFFFFFu;
    if (!nodeFunctions.empty() && nodeFunctions.size() != costs.size())
        throw RuntimeException("-gatecosts and -nodefuncts must be of equal size");
    gateCosts.assign(costs.size(), 0);
    for (size_t x = 0; x < costs.size(); ++x) {
        const int value = costDigit(costs[x]);
        if (value < 0) throw RuntimeException("the gate costs " + costs + " have a character that is no cost digit (1-9, A-F)");
        gateCosts[x] = static_cast<uint32_t>(value);
        if (value == 0) throw RuntimeException("the gate costs " + costs + " hold a zero cost; every gate costs at least 1");
        if (gateCosts[x] > maxGateCost) maxGateCost = gateCosts[x];
        if (gateCosts[x] < minGateCost) minGateCost = gateCosts[x];
    }
    costsDiffer = maxGateCost != minGateCost;
}

std::string SAT_CircGen::ProblemFingerprint() const {
    // FNV-1a over the target's value (0, 1, don't care) at every row of every output.
    uint64_t hash = 0xcbf29ce484222325ull;
    const uint32_t width = polyEdges ? k + 1 : k;
    if (target != nullptr && width < 31)
        for (uint8_t v : target->SimulateAll()) {
            hash ^= v > 2 ? 0 : v;
            hash *= 0x100000001b3ull;
        }
    char target[17];
    std::snprintf(target, sizeof target, "%016llx", static_cast<unsigned long long>(hash));
    std::string costs;
    for (uint32_t c : gateCosts)
        costs += (costs.empty() ? "" : ",") + int2string(c);
    return "k=" + int2string(k) + " outputs=" + int2string(m) +
           " nodes=" + int2string(fixedN ? n : 0) + " nodefuncts=" + libraryText +
           " gatecosts=" + costs + " inversions=" + (allowInv ? "1" : "0") +
           " constants=" + (allowConst ? "1" : "0") + " polyedges=" + (polyEdges ? "1" : "0") +
           " difftopology=" + (diffTopology ? "1" : "0") + " target=" + target;
}

bool SAT_CircGen::is_symmetric(const std::string& tt) const {
    return tt.size() >= 3 && tt[1] == tt[2];
}

bool SAT_CircGen::is_neg_symmetric(const std::string& tt) const {
    return tt.size() >= 4 && tt[0] == tt[3] && tt[1] == tt[2];
}
