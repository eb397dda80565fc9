// Building a clause set by variable name the way the engine does (3,000 variables, 30,000
// clauses of three or four literals), writing it as DIMACS CNF and reading it back.
#include "logic/SoPLA.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kVariables = 3000;
constexpr uint32_t kClauses = 30000;

struct Lit {
    uint32_t var;
    Literal value;
};

// Variable names and the literals of every clause, fixed by a seeded generator.
struct Workload {
    std::vector<std::string> names;
    std::vector<std::vector<Lit>> clauses;

    Workload() {
        names.reserve(kVariables);
        for (uint32_t i = 0; i < kVariables; ++i)
            names.push_back("Y" + std::to_string(i % 97) + "_#" + std::to_string(i));
        std::mt19937 rng(7);
        clauses.resize(kClauses);
        for (uint32_t c = 0; c < kClauses; ++c) {
            const uint32_t width = 3 + (rng() & 1u);
            for (uint32_t k = 0; k < width; ++k)
                clauses[c].push_back(
                    {static_cast<uint32_t>(rng() % kVariables), (rng() & 1u) ? Lit_1 : Lit_0});
        }
    }
};

const Workload& workload() {
    static const Workload w;
    return w;
}

// Variables created in `batches` rounds, each followed by its share of the clauses; a clause
// only uses variables that exist when it is made.
SoPLA build(uint32_t batches) {
    const Workload& w = workload();
    SoPLA s;
    s.setCNF(true);
    s.setSparse();
    uint32_t var = 0;
    for (uint32_t b = 1; b <= batches; ++b) {
        const uint32_t varEnd = kVariables * b / batches;
        for (; var < varEnd; ++var)
            s.AppendInput(w.names[var]);
        Cube prototype;
        prototype.init_sparse(s.getInputs());
        for (uint32_t c = kClauses * (b - 1) / batches; c < kClauses * b / batches; ++c) {
            auto it = s.AppendTerm(prototype);
            for (const Lit& l : w.clauses[c])
                s.setLitByName(it, w.names[l.var % varEnd], l.value);
        }
    }
    return s;
}

void BM_BuildClauseSetByName(benchmark::State& state) {
    const uint32_t batches = static_cast<uint32_t>(state.range(0));
    workload();
    for (auto _ : state) {
        SoPLA s = build(batches);
        benchmark::DoNotOptimize(s.getTermCount());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kClauses);
}
// 1: all variables first (as the engine's structural part); 10: interleaved batches, which
// appends columns to a clause set that already holds clauses.
BENCHMARK(BM_BuildClauseSetByName)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

std::string scratchFile(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void BM_SaveCNF(benchmark::State& state) {
    const SoPLA s = build(1);
    const std::string file = scratchFile("quillon-bench-sopla.cnf");
    for (auto _ : state)
        s.SaveCNF(file);
    state.SetBytesProcessed(int64_t(state.iterations()) *
                            int64_t(std::filesystem::file_size(file)));
    std::filesystem::remove(file);
}
BENCHMARK(BM_SaveCNF)->Unit(benchmark::kMillisecond);

void BM_LoadCNF(benchmark::State& state) {
    const std::string file = scratchFile("quillon-bench-sopla-load.cnf");
    build(1).SaveCNF(file);
    for (auto _ : state) {
        SoPLA s;
        s.setSparse();
        s.LoadCNF(file);
        benchmark::DoNotOptimize(s.getTermCount());
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_LoadCNF)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
