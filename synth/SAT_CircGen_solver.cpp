// Runs of the external SAT solver and pseudo-Boolean optimizer, their result files, and
// the readable listing of a model.
#include "synth/SAT_CircGen.h"

#include "solver/ExternalTools.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <utility>

namespace {

const char* const kCnfFile = "inst.cnf";
const char* const kSatResultFile = "SAT_result.cnf";
const char* const kOpbFile = "inst.opb";
const char* const kPboResultFile = "PBO_result.pbo";

using Assignment = std::vector<std::pair<uint32_t, Literal>>; // (variable number, value)

// One term holding the assigned values, built in increasing position order. A variable
// number beyond the width is the cube's own range error.
Model buildModel(const SoPLA& shape, Assignment& values) {
    std::stable_sort(values.begin(), values.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Cube term;
    term.init_sparse(shape.getInputs());
    for (const auto& [var, value] : values)
        term.setLit(var - 1, value);
    auto model = std::make_shared<SoPLA>(&shape);
    model->AppendTerm(term);
    return model;
}

bool hasEmptyClause(const SoPLA& set) {
    for (const Cube& clause : set)
        if (clause.isSparse() ? clause.sparseLits().empty() : clause.is_empty()) return true;
    return false;
}

} // namespace

void SAT_CircGen::RunSAT(bool pbo) {
    if (SAT_res) throw RuntimeException("SAT_CircGen::ReadSATResult: SAT_res must be NULL");
    if (!pbo) {
        const ExternalTools::Location solver =
            ExternalTools::Require("minisat", "minisat", "SAT_CircGen::RunSAT");
        clauses.SaveCNF(kCnfFile);
        // A solver that fails to run must not leave the previous answer to be read.
        std::remove(kSatResultFile);
        // The solver's progress report is not part of the tool's output: the answer is in
        // the result file, and the standard output carries only the tool's own lines.
        ExternalTools::Run(solver.command + " " + kCnfFile + " " + kSatResultFile +
                           " > /dev/null 2>&1");
        ReadSATResult(kSatResultFile);
        return;
    }

    const ExternalTools::Location optimizer =
        ExternalTools::Require("minisat+", "minisat+", "SAT_CircGen::RunSAT");
    const std::string objective = PBO_OptCrit();
    clauses.SavePBO(kOpbFile, objective);
    std::remove(kPboResultFile);
    // The optimizer cannot parse a constraint without terms (" >= 1;"), which an empty
    // clause becomes; such an instance has no solution.
    if (hasEmptyClause(clauses)) return;
    const ExternalTools::Location converter = ExternalTools::Find("fromdos");
    if (converter.found) ExternalTools::Run(converter.command + " " + kOpbFile + " 2> /dev/null");
    // The minisat+ 1.0 found on the PATH reads products written as "+1*x5" only in its
    // old input format (-of); a copy in the current directory gets the plain command line.
    const std::string options = optimizer.local ? " -v0 " : " -v0 -of ";
    ExternalTools::Run(optimizer.command + options + kOpbFile + " > " + kPboResultFile);
    ReadPBOResult(kPboResultFile);
}

void SAT_CircGen::ReadSATResult(const std::string& file) {
    std::ifstream in(file);
    if (SAT_res) throw RuntimeException("SAT_CircGen::ReadSATResult: SAT_res must be NULL");
    if (!in) throw RuntimeException("ReadSATResult: result file not found.");

    std::string word;
    in >> word;
    if (word == "UNSAT") return;
    if (word != "SAT") throw RuntimeException("ReadSATResult: wrong file format.");

    Assignment values;
    while (in >> word) {
        const bool negative = word[0] == '-';
        const uint32_t var = str2uint(negative ? word.substr(1) : word);
        if (var == 0) break;
        values.emplace_back(var, negative ? Lit_0 : Lit_1);
    }
    SAT_res = buildModel(clauses, values);
}

void SAT_CircGen::ReadPBOResult(const std::string& file) {
    std::ifstream in(file);
    if (!in) throw RuntimeException("ReadPBOResult: result file not found.");
    if (SAT_res) throw RuntimeException("SAT_CircGen::ReadSATResult: SAT_res must be NULL");

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
            if (status == "UNSATISFIABLE") return;
        } else if (line[0] == 'c' && complaint.empty() && line.find("ERROR") != std::string::npos) {
            complaint = line;
        }
    }

    if (!sawValues) {
        if (!sawStatus) throw RuntimeException("ReadPBOResult: wrong file format.");
        const bool solved = status == "OPTIMUM" || status == "SATISFIABLE";
        if (!solved)
            throw RuntimeException("ReadPBOResult: the optimizer gave no solution (s " + status +
                                   (complaint.empty() ? "" : "; " + complaint) + ").");
        // A solution without values stands only for an instance without variables.
        if (clauses.getInputs() != 0)
            throw RuntimeException("ReadPBOResult: wrong file format: solution without values.");
        Assignment none;
        SAT_res = buildModel(clauses, none);
        return;
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
        values.emplace_back(var, negative ? Lit_0 : Lit_1);
    }
    SAT_res = buildModel(clauses, values);
}

void SAT_CircGen::SaveSATRes(const SoPLA* model, const std::string& file) const {
    std::ofstream out(file, std::ios::trunc);
    if (!out) throw RuntimeException("SaveSATRes: cannot open file.");
    if (model == nullptr || model->empty()) return;
    for (const auto& [pos, lit] : model->begin()->specified())
        out << model->getIName(pos) << " = " << (lit == Lit_1 ? "1" : "0") << '\n';
}
