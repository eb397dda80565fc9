#include "solver/MinisatSolver.h"

#include "logic/SoPLA.h"
#include "solver/ExternalTools.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

bool hasEmptyClause(const SoPLA& set) {
    for (const Cube& clause : set)
        if (clause.isSparse() ? clause.sparseLits().empty() : clause.is_empty()) return true;
    return false;
}

std::string readWhole(const char* file) {
    std::ifstream in(file, std::ios::binary);
    std::string text;
    if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return text;
}

// The signal that stopped the external program, as its answer tells it: minisat writes
// "INDET" when interrupted, minisat+ reports "*** INTERRUPTED ***" (SIGINT) or
// "*** TERMINATED ***" (SIGTERM). 0 when the answer shows no interruption.
int stopSignalOf(bool pbo) {
    if (!pbo) {
        std::ifstream in(MinisatSolver::kSatResultFile);
        std::string word;
        return (in >> word) && word == "INDET" ? SIGINT : 0;
    }
    const std::string text = readWhole(MinisatSolver::kPboResultFile);
    if (text.find("*** INTERRUPTED ***") != std::string::npos) return SIGINT;
    if (text.find("*** TERMINATED ***") != std::string::npos) return SIGTERM;
    return 0;
}

// The optimizer's status line ("s ..."), or "" when it wrote none.
std::string pboStatusLine() {
    std::ifstream in(MinisatSolver::kPboResultFile);
    std::string line;
    while (std::getline(in, line))
        if (line.size() >= 2 && line[0] == 's' && line[1] == ' ') {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
                line.pop_back();
            return line;
        }
    return "";
}

// Runs a program's answer reader; a failure caused by a stop request (the program was
// terminated before it wrote a complete answer) becomes the stop.
template <typename Read> auto readAnswer(bool pbo, Read read) {
    try {
        auto answer = read();
        StopRequest::ThrowIfPending();
        return answer;
    } catch (const StopRequested&) {
        throw;
    } catch (const CException&) {
        StopRequest::ThrowIfPending();
        if (const int signo = stopSignalOf(pbo)) throw StopRequested(signo);
        throw;
    }
}

} // namespace

std::optional<SearchSolver::Assignment> MinisatSolver::Solve(const SoPLA& cnf,
                                                             const std::vector<int>& assumptions) {
    if (!assumptions.empty()) throw InternalError("the external solver takes no assumptions");
    StopRequest::ThrowIfPending();
    const ExternalTools::Location solver =
        ExternalTools::Require("minisat", "minisat", "-solver minisat");
    cnf.SaveCNF(kCnfFile);
    // A solver that fails to run must not leave the previous answer to be read.
    std::remove(kSatResultFile);
    // The solver's progress report is not part of the tool's output: the answer is in the
    // result file, and the standard output carries only the tool's own lines.
    ExternalTools::Run(solver.command + " " + kCnfFile + " " + kSatResultFile +
                       " > /dev/null 2>&1");
    return readAnswer(false, [] { return ReadSatAnswer(kSatResultFile); });
}

std::optional<SearchSolver::Assignment> MinisatSolver::Optimize(const SoPLA& cnf,
                                                                const std::string& objective) {
    StopRequest::ThrowIfPending();
    const ExternalTools::Location optimizer =
        ExternalTools::Require("minisat+", "minisat+", "-solver minisat");
    cnf.SavePBO(kOpbFile, objective);
    std::remove(kPboResultFile);
    // The optimizer cannot parse a constraint without terms (" >= 1;"), which an empty
    // clause becomes; such an instance has no solution.
    if (hasEmptyClause(cnf)) return std::nullopt;
    const ExternalTools::Location converter = ExternalTools::Find("fromdos");
    if (converter.found) ExternalTools::Run(converter.command + " " + kOpbFile + " 2> /dev/null");
    // The minisat+ 1.0 found on the PATH reads products written as "+1*x5" only in its old
    // input format (-of); a copy in the current directory gets the plain command line.
    const std::string options = optimizer.local ? " -v0 " : " -v0 -of ";
    ExternalTools::Run(optimizer.command + options + kOpbFile + " > " + kPboResultFile);
    const uint32_t width = cnf.getInputs();
    std::optional<Assignment> answer =
        readAnswer(true, [width] { return ReadPboAnswer(kPboResultFile, width); });
    if (answer) {
        // Only a proven optimum is an answer; anything else (a stopped optimizer reports
        // "s UNKNOWN" or its best model so far) must not be taken for one.
        const std::string status = pboStatusLine();
        if (status != "s OPTIMUM FOUND") {
            if (const int signo = stopSignalOf(true)) throw StopRequested(signo);
            throw RuntimeException("the optimizer gave no proven "
                                   "optimum: \"" +
                                   status + "\"");
        }
    }
    return answer;
}

int MinisatSolver::NewVar(const SoPLA&) {
    throw InternalError("the external solver reads only the instance file");
}

void MinisatSolver::AddClause(const std::vector<int>&) {
    throw InternalError("the external solver reads only the instance file");
}

std::optional<SearchSolver::Assignment> MinisatSolver::ReadSatAnswer(const std::string& file) {
    std::ifstream in(file);
    if (!in) throw RuntimeException("the solver left no result file SAT_result.cnf");
    std::string word;
    in >> word;
    if (word == "UNSAT") return std::nullopt;
    if (word != "SAT") throw RuntimeException("the solver's result file SAT_result.cnf is damaged");
    Assignment values;
    while (in >> word) {
        const bool negative = word[0] == '-';
        const uint32_t var = str2uint(negative ? word.substr(1) : word);
        if (var == 0) break;
        values.emplace_back(var, negative ? Lit_0 : Lit_1);
    }
    return values;
}

std::optional<SearchSolver::Assignment> MinisatSolver::ReadPboAnswer(const std::string& file,
                                                                     uint32_t variables) {
    std::ifstream in(file);
    if (!in) throw RuntimeException("the optimizer left no result file PBO_result.pbo");
    std::string line;
    std::string status;    // second word of the last "s" line
    std::string complaint; // the optimizer's own error line, if any
    bool sawStatus = false;
    bool sawValues = false;
    while (GetLine(in, line)) {
        if (line.empty()) continue;
        if (line[0] == 'v') {
            sawValues = true;
            break;
        }
        if (line[0] == 's') {
            size_t pos = 0;
            GetToken(line, pos);
            status = GetToken(line, pos);
            sawStatus = true;
            if (status == "UNSATISFIABLE") return std::nullopt;
        } else if (line[0] == 'c' && complaint.empty() && line.find("ERROR") != std::string::npos) {
            complaint = line;
        }
    }
    if (!sawValues) {
        if (!sawStatus) throw RuntimeException("the optimizer's result file PBO_result.pbo is damaged");
        const bool solved = status == "OPTIMUM" || status == "SATISFIABLE";
        if (!solved)
            throw RuntimeException("the optimizer gave no solution (s " + status +
                                   (complaint.empty() ? "" : "; " + complaint) + ").");
        // A solution without values stands only for an instance without variables.
        if (variables != 0)
            throw RuntimeException("the optimizer's result file PBO_result.pbo is damaged: a solution without values");
        return Assignment{};
    }
    Assignment values;
    size_t pos = 0;
    GetToken(line, pos); // the "v"
    for (std::string token = GetToken(line, pos); !token.empty(); token = GetToken(line, pos)) {
        const bool negative = token[0] == '-';
        // "-x12" and "x12"; a lone "-" or "x" has no number and ends the values.
        const size_t skip = negative ? 2 : 1;
        const uint32_t var = token.size() > skip ? str2uint(token.substr(skip)) : 0;
        if (var == 0) break;
        if (var > variables)
            throw RuntimeException("the optimizer's result file PBO_result.pbo is damaged: it "
                                   "gives variable " +
                                   std::to_string(var) + " of an instance of " +
                                   std::to_string(variables));
        values.emplace_back(var, negative ? Lit_0 : Lit_1);
    }
    return values;
}
