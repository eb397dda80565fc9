// The external route of the search: the SAT solver minisat and the pseudo-Boolean optimizer
// minisat+ (with the line-end converter fromdos), run once per call on the whole instance
// through exchange files in the current directory:
//   SAT: the instance as inst.cnf; "minisat inst.cnf SAT_result.cnf"; the answer read back
//   PB:  the instance and objective as inst.opb; "fromdos inst.opb";
//        "minisat+ -v0 inst.opb > PBO_result.pbo"; the answer read back
// Each program is taken from the current directory when an executable of that name is
// there (./minisat ...), otherwise from the PATH (see ExternalTools).
#pragma once

#include "solver/SearchSolver.h"
#include "util/ExchangeFiles.h"

#include <string>

class MinisatSolver : public SearchSolver {
public:
    static constexpr const char* kCnfFile = ExchangeFiles::Cnf;
    static constexpr const char* kSatResultFile = ExchangeFiles::SatResult;
    static constexpr const char* kOpbFile = ExchangeFiles::Opb;
    static constexpr const char* kPboResultFile = ExchangeFiles::PboResult;

    bool Incremental() const override { return false; }
    void Reset() override {}
    std::optional<Assignment> Solve(const SoPLA& cnf, const std::vector<int>& assumptions) override;
    std::optional<Assignment> Optimize(const SoPLA& cnf, const std::string& objective) override;
    int NewVar(const SoPLA& cnf) override;
    void AddClause(const std::vector<int>& lits) override;

    // The answer of a SAT solver: "UNSAT", or "SAT" and the values ("1 -2 3 0"; a word that
    // reads as 0 ends them). RuntimeException "ReadSATResult: result file not found." /
    // "ReadSATResult: wrong file format.".
    static std::optional<Assignment> ReadSatAnswer(const std::string& file);
    // The answer of the optimizer: "s" lines ("s UNSATISFIABLE": none) and the first "v"
    // line ("v x1 -x2 ..."). An answer that is neither a solution nor unsatisfiable is an
    // error naming the optimizer's complaint. variables: the instance's variable count (a
    // solution without values stands only for an instance without variables).
    static std::optional<Assignment> ReadPboAnswer(const std::string& file, uint32_t variables);
};
