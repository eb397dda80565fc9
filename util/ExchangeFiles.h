// The fixed-name files of a run, all in the current directory, in one place: those
// exchanged with the external programs (the minisat route and an external espresso), the
// continuation file a later run resumes from, and the verbose logs.
#pragma once

namespace ExchangeFiles {

// minisat and minisat+ (the minisat route).
inline constexpr const char* Cnf = "inst.cnf";
inline constexpr const char* SatResult = "SAT_result.cnf";
inline constexpr const char* Opb = "inst.opb";
inline constexpr const char* PboResult = "PBO_result.pbo";
// The two-level minimizer espresso, when one is installed (the minisat route).
inline constexpr const char* MinimizerInput = "to_min.pla";
inline constexpr const char* Onset = "onset.pla";
inline constexpr const char* Offset = "offset.pla";
// -continue: the saved constraints, written to the temporary name and renamed over.
inline constexpr const char* Continuation = "constr.cnf";
inline constexpr const char* ContinuationTemp = "constr.cnf.tmp";
// Verbosity above 1: the instance and the model of each solver run.
inline constexpr const char* InstanceLog = "log/SAT.txt";
inline constexpr const char* ModelLog = "log/SAT_sol.txt";

} // namespace ExchangeFiles
