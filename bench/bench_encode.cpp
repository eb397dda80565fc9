// Building the CNF instance of an n-node circuit and writing it as DIMACS CNF.
#include "synth/SAT_CircGen.h"
#include "util/utils.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

std::unique_ptr<PLA> functionPLA(uint32_t f, uint32_t inputs) {
    auto pla = std::make_unique<PLA>(inputs, 1, PLA_type("fr"));
    for (uint32_t i = 0; i < (1u << inputs); ++i)
        pla->AppendTerm(int2bin_rev(i, inputs), ((f >> i) & 1u) ? "1" : "0");
    return pla;
}

// An engine of a function of k inputs and its instance file in a scratch directory.
struct Setup {
    SAT_CircGen engine;
    std::string cnfFile;

    Setup(uint32_t k, uint32_t n, const std::string& library) : engine(problemOf(k, library)) {
        const auto dir = std::filesystem::temp_directory_path() / "quillon-bench-encode";
        std::filesystem::create_directories(dir);
        engine.set_n(n);
        cnfFile = (dir / "inst.cnf").string();
    }
    static Problem problemOf(uint32_t k, const std::string& library) {
        Problem p;
        p.target = functionPLA(0x6996A55Au, k);
        p.library = Library(library);
        return p;
    }
};

void BM_GenerateAndSave(benchmark::State& state) {
    Setup s(static_cast<uint32_t>(state.range(0)), static_cast<uint32_t>(state.range(1)), "86");
    for (auto _ : state) {
        s.engine.Generate_SAT();
        s.engine.Clauses().SaveCNF(s.cnfFile);
    }
    state.counters["variables"] = s.engine.Clauses().getInputs();
    state.counters["clauses"] = static_cast<double>(s.engine.Clauses().getTermCount());
    std::remove(s.cnfFile.c_str());
}

void BM_GenerateOnly(benchmark::State& state) {
    Setup s(static_cast<uint32_t>(state.range(0)), static_cast<uint32_t>(state.range(1)), "86");
    for (auto _ : state) {
        s.engine.Generate_SAT();
        benchmark::DoNotOptimize(s.engine.Clauses().getTermCount());
    }
}

void BM_SaveOnly(benchmark::State& state) {
    Setup s(static_cast<uint32_t>(state.range(0)), static_cast<uint32_t>(state.range(1)), "86");
    s.engine.Generate_SAT();
    for (auto _ : state)
        s.engine.Clauses().SaveCNF(s.cnfFile);
    std::remove(s.cnfFile.c_str());
}

// Targets: k = 5, n = 12 under 100 ms; k = 6, n = 14 under 400 ms (generate plus save).
BENCHMARK(BM_GenerateAndSave)->Args({5, 12})->Args({6, 14})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateOnly)->Args({5, 12})->Args({6, 14})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOnly)->Args({5, 12})->Args({6, 14})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
