// libFuzzer target: any byte sequence given to PLA::LoadPLA must give a PLA or one of the
// reader's own exceptions. A PLA that loads is simulated on a few points, written out,
// read back and compared.

#include "logic/PLA.h"
#include "util/myExcept.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// The file every input is written to; removed when the process ends.
struct ScratchFile {
    std::string name = "/tmp/fuzz_loadpla_" + std::to_string(static_cast<long>(getpid())) + ".pla";
    ~ScratchFile() { std::remove(name.c_str()); }
};

const std::string& scratchFile() {
    static const ScratchFile file;
    return file.name;
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_loadpla: %s\n", what.c_str());
    std::abort();
}

// Points to simulate: all 0, all 1, all don't care and an alternating one.
void simulateSome(const PLA& pla) {
    const uint32_t n = pla.getInputs();
    std::string alt(n, '0');
    for (uint32_t i = 0; i < n; i += 2)
        alt[i] = '1';
    for (const std::string& text :
         {std::string(n, '0'), std::string(n, '1'), std::string(n, '-'), alt}) {
        try {
            const std::vector<uint32_t> v = pla.Simulate(Cube(text));
            if (v.size() != pla.getOutputs()) fail("Simulate gave a wrong number of values");
            for (uint32_t x : v)
                if (x > 3) fail("Simulate gave a value above 3");
        } catch (const CException& e) {
            if (e.GetMsg() != "Runtime Exception: the ON-set and the OFF-set of the target overlap")
                fail("Simulate raised " + e.GetMsg());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& file = scratchFile();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    PLA pla;
    try {
        pla.LoadPLA(file);
    } catch (const CException& e) {
        // The message names the file, then the line and the reason.
        if (e.GetMsg().rfind("I/O Exception: Bad or damaged PLA file: " + file + ": ", 0) != 0)
            fail("LoadPLA raised " + e.GetMsg());
        return 0;
    }

    for (const Term& t : pla.getTerms())
        if (t.size() != pla.getInputs() || t.getOutputs() != pla.getOutputs())
            fail("term of the wrong shape");
    simulateSome(pla);

    // With the unique flag the same file gives one term per distinct cube.
    PLA merged;
    merged.setUnique();
    merged.LoadPLA(file);
    std::set<std::string> cubes;
    for (const Term& t : pla.getTerms())
        cubes.insert(t.getCube());
    if (merged.getTermCount() != cubes.size()) fail("unique loading kept duplicate cubes");

    // What was written must read back to the same terms, names and type letters.
    std::ostringstream text;
    pla.SavePLAtoStringStream(text);
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text.str();
    }
    PLA again;
    try {
        again.LoadPLA(file);
    } catch (const CException& e) {
        if (pla.getInputs() != 0 && pla.getOutputs() != 0)
            fail("written PLA does not read back: " + e.GetMsg() + "\n" + text.str());
        return 0; // a PLA without a shape writes ".i 0", which the reader refuses
    }
    if (again.getTermCount() != pla.getTermCount() || again.getINames() != pla.getINames() ||
        again.getONames() != pla.getONames() ||
        again.getType().toString() != pla.getType().toString())
        fail("written PLA reads back differently:\n" + text.str());
    for (size_t i = 0; i < pla.getTermCount(); ++i)
        if (again.getTerm(i).getText() != pla.getTerm(i).getText())
            fail("term " + std::to_string(i) + " reads back differently");
    return 0;
}
