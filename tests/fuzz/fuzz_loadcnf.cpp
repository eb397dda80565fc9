// libFuzzer target: any byte sequence given to SoPLA::LoadCNF must give a clause set or one
// of the reader's own exceptions. A clause set that loads is checked for shape, written
// with SaveCNF, read back and compared; the other writers must run on it too.

#include "logic/SoPLA.h"
#include "util/myExcept.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string scratch(const char* ext) {
    return "/tmp/fuzz_loadcnf_" + std::to_string(static_cast<long>(getpid())) + ext;
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_loadcnf: %s\n", what.c_str());
    std::abort();
}

bool expectedError(const std::string& msg, const std::string& file) {
    return msg == "I/O Exception: Bad or damaged CNF file: " + file ||
           msg == "I/O Exception: Bad or damaged CNF file (invalid number of terms): " + file ||
           msg.rfind("I/O Exception: Bad or damaged CNF file: " + file + ": a clause names variable ",
                     0) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string in = scratch(".cnf");
    static const std::string out = scratch("_out.cnf");
    static const std::string aux = scratch("_aux.txt");
    {
        std::ofstream f(in, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    SoPLA cnf;
    try {
        cnf.LoadCNF(in);
    } catch (const CException& e) {
        if (!expectedError(e.GetMsg(), in)) fail("LoadCNF raised " + e.GetMsg());
        return 0;
    }

    if (!cnf.isCNF() || cnf.getInputs() == 0) fail("loaded set has no variables or no cnf flag");
    if (cnf.getINames().size() != cnf.getInputs()) fail("name vector of the wrong size");
    // Every variable gets the name its first name comment gives.
    for (uint32_t v = 1; v <= cnf.getInputs() && v <= 64; ++v)
        if (cnf.getIName(v - 1) != cnf.ExtractCNFComment("c " + std::to_string(v) + " "))
            fail("name of variable " + std::to_string(v) + " differs from its comment");

    bool uniform = true;
    for (const Cube& c : cnf) {
        if (c.is_empty()) fail("an empty clause was stored");
        if (c.size() != cnf.getInputs()) uniform = false;
    }

    // Huge declared variable counts load, but writing a name line for each of them would
    // only slow the fuzzing down.
    if (cnf.getInputs() > 4096) return 0;
    cnf.SavePBO(aux, " +1*x1");
    cnf.SaveCNF_text(aux);
    cnf.SaveCNF(out);
    // A later problem line changes the width of the clauses read after it only; such sets
    // do not survive a round trip unchanged.
    if (!uniform) return 0;

    SoPLA again;
    try {
        again.LoadCNF(out);
    } catch (const CException& e) {
        fail("written CNF does not read back: " + e.GetMsg());
    }
    if (again.getInputs() != cnf.getInputs() || again.getTermCount() != cnf.getTermCount() ||
        again.getINames() != cnf.getINames())
        fail("written CNF reads back with another shape or other names");
    auto a = cnf.begin();
    for (auto b = again.begin(); b != again.end(); ++a, ++b)
        if (a->getCube() != b->getCube()) fail("a clause reads back differently");
    return 0;
}
