// libFuzzer target: any file content given to the truth-table reader must give a table or
// the reader's own exception, for several numbers of inputs. A table that reads is written
// back, read again and compared.

#include "app/TargetFunction.h"
#include "app/TruthTable.h"
#include "util/myExcept.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string scratchFile(const char* tag) {
    return "/tmp/fuzz_readtruth_" + std::to_string(static_cast<long>(getpid())) + tag;
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_readtruth: %s\n", what.c_str());
    std::abort();
}

void checkOne(uint32_t k, const std::string& file, const std::string& copy) {
    TruthTable table;
    try {
        table = ReadTruthTable(k, file);
    } catch (const CException& e) {
        // The message names the file and the reason.
        const std::string refusal = "Runtime Exception: " + file + ": ";
        if (e.GetMsg().rfind(refusal, 0) != 0) fail("unexpected exception: " + e.GetMsg());
        return;
    }
    if (table.size() != (1u << k)) fail("table of the wrong size");
    if (Read_truth(k, file) != table.low32()) fail("Read_truth differs from the table");
    Write_Truth(table, k, copy);
    if (ReadTruthTable(k, copy) != table) fail("table changed by writing and reading");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = scratchFile(".txt");
    static const std::string copy = scratchFile(".copy.txt");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    for (uint32_t k = 0; k <= 8; ++k)
        checkOne(k, file, copy);
    return 0;
}
