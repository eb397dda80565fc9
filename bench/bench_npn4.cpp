// The lower-bound engine alone on the 222 NPN classes of 4-input functions, for diagnosis
// (the benchmark of the whole command is bench/npn4.sh): the least node count, the engine's
// CPU and wall-clock time, solver calls and conflicts per class representative, optionally
// side by side with ABC's exact synthesis (`yosys-abc -c "exact <hex>"`, or `exact -a` for
// the AND library).
//
//   bench_npn4 [library] [--abc] [--only HEX] [--list "HEX ..."] [--limit SECONDS]
//              [--threads N] [--budget CONFLICTS] [--growth FACTOR] [--slice-from NODES]
//              [--no-RULE ...]
//
// library: "86" (default) or any node library; "8" compares with `exact -a`. --no-colex,
// --no-tie, --no-reapply, --no-sym, --no-assoc, --no-siblings, --no-known switch a rule off;
// --allrows adds every row at once, --lazyrows adds rows as candidates fail.
// ABC reports one node more than a circuit of normal gates needs when f(0) = 1 (it builds
// an output inverter) unless it builds an AIG, and it does not build the bare wire or
// constant for functions of fewer than two inputs: those are shown but not compared, nor
// are functions where ABC reaches its conflict limit (-1) or the engine its time limit.
#include "bound/FastBound.h"
#include "synth/SAT_CircGen.h"
#include "util/utils.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// CPU seconds used by this process (who) or by its finished children.
double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Row permutation of a 4-input table under an input permutation and input negation.
uint16_t transform(uint16_t f, const std::array<int, 4>& perm, uint32_t neg) {
    uint16_t g = 0;
    for (uint32_t r = 0; r < 16; ++r) {
        uint32_t r2 = 0;
        for (uint32_t j = 0; j < 4; ++j)
            if ((((r >> j) & 1u) ^ ((neg >> j) & 1u)) != 0) r2 |= 1u << perm[j];
        if ((f >> r) & 1u) g |= uint16_t(1u << r2);
    }
    return g;
}

// The least table of every NPN class (input permutation, input negation, output negation).
std::vector<uint16_t> npnRepresentatives() {
    std::vector<std::array<int, 4>> perms;
    std::array<int, 4> p{0, 1, 2, 3};
    do {
        perms.push_back(p);
    } while (std::next_permutation(p.begin(), p.end()));
    std::vector<bool> seen(65536, false);
    std::vector<uint16_t> reps;
    for (uint32_t f = 0; f < 65536; ++f) {
        if (seen[f]) continue;
        uint16_t best = 0xFFFF;
        for (const auto& perm : perms)
            for (uint32_t neg = 0; neg < 16; ++neg) {
                const uint16_t g = transform(static_cast<uint16_t>(f), perm, neg);
                for (uint16_t h : {g, static_cast<uint16_t>(~g)}) {
                    seen[h] = true;
                    best = std::min(best, h);
                }
            }
        reps.push_back(best);
    }
    std::sort(reps.begin(), reps.end());
    return reps;
}

uint32_t supportSize(uint16_t f) {
    uint32_t s = 0;
    for (uint32_t j = 0; j < 4; ++j) {
        bool dep = false;
        for (uint32_t r = 0; r < 16; ++r)
            if (!(r & (1u << j)) && (((f >> r) ^ (f >> (r | (1u << j)))) & 1u)) dep = true;
        if (dep) ++s;
    }
    return s;
}

std::unique_ptr<PLA> functionPLA(uint32_t f, uint32_t inputs) {
    auto pla = std::make_unique<PLA>(inputs, 1, PLA_type("fr"));
    for (uint32_t i = 0; i < (1u << inputs); ++i)
        pla->AppendTerm(int2bin_rev(i, inputs), ((f >> i) & 1u) ? "1" : "0");
    return pla;
}

std::string hex4(uint16_t f) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", f);
    return buf;
}

// Runs ABC's exact synthesis; returns the node (or AND) count, -1 when it gave none.
// seconds: its CPU time.
int runAbc(uint16_t f, bool aig, double& seconds) {
    const std::string cmd = aig ? "yosys-abc -c \"exact -a " + hex4(f) + "; &ps\" 2>&1"
                                : "yosys-abc -c \"exact " + hex4(f) + "; print_stats\" 2>&1";
    const double c0 = cpuSeconds(RUSAGE_CHILDREN);
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return -1;
    std::string out;
    char buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, got);
    pclose(pipe);
    seconds = cpuSeconds(RUSAGE_CHILDREN) - c0;
    const char* key = aig ? "and =" : "nd =";
    const size_t pos = out.rfind(key);
    if (pos == std::string::npos) return -1;
    size_t i = pos + std::strlen(key);
    while (i < out.size() && !std::isdigit(static_cast<unsigned char>(out[i])))
        ++i;
    return std::atoi(out.c_str() + i);
}

} // namespace

int main(int argc, char** argv) {
    std::string library = "86";
    bool abc = false;
    int only = -1;
    double limit = 0; // seconds per node count, 0 for none
    uint32_t threads = 1;
    std::string list;
    BoundEncoder::Options options;
    FastBound::Schedule schedule;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--abc")
            abc = true;
        else if (a == "--only" && i + 1 < argc)
            only = static_cast<int>(std::stoul(argv[++i], nullptr, 16));
        else if (a == "--no-colex")
            options.colex = false;
        else if (a == "--no-tie")
            options.tieBreak = false;
        else if (a == "--no-reapply")
            options.noReapply = false;
        else if (a == "--no-sym")
            options.symmetricInputs = false;
        else if (a == "--threads" && i + 1 < argc)
            threads = std::stoul(argv[++i]);
        else if (a == "--list" && i + 1 < argc)
            list = argv[++i];
        else if (a == "--limit" && i + 1 < argc)
            limit = std::stod(argv[++i]);
        else if (a == "--no-siblings")
            options.siblings = false;
        else if (a == "--no-known")
            options.knownOperand = false;
        else if (a == "--budget" && i + 1 < argc)
            schedule.firstBudget = std::stoull(argv[++i]);
        else if (a == "--growth" && i + 1 < argc)
            schedule.growth = static_cast<uint32_t>(std::stoul(argv[++i]));
        else if (a == "--slice-from" && i + 1 < argc)
            schedule.sliceFrom = static_cast<uint32_t>(std::stoul(argv[++i]));
        else if (a == "--no-assoc")
            options.associativity = false;
        else if (a == "--allrows")
            options.eagerRows = options.eagerNodes = UINT32_MAX;
        else if (a == "--lazyrows")
            options.eagerRows = 0;
        else if (a[0] != '-')
            library = a;
    }
    const bool aig = library == "8";

    // The library minimizer exchanges files in the current directory.
    const auto dir =
        std::filesystem::temp_directory_path() / ("quillon-bench-npn4-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);

    std::vector<uint16_t> reps = npnRepresentatives();
    if (only >= 0) reps.assign(1, static_cast<uint16_t>(only));
    if (!list.empty()) {
        reps.clear();
        size_t pos = 0;
        while (pos < list.size()) {
            size_t end = list.find(' ', pos);
            if (end == std::string::npos) end = list.size();
            if (end > pos)
                reps.push_back(
                    static_cast<uint16_t>(std::stoul(list.substr(pos, end - pos), nullptr, 16)));
            pos = end + 1;
        }
    }
    std::printf("library %s, %zu functions\n", library.c_str(), reps.size());
    std::printf("%-6s %3s %5s %10s %7s %9s %5s %7s\n", "func", "sup", "nodes", "engine_s", "solves",
                "abc_nodes", "abc_s", "agree");
    std::printf("(times are CPU seconds)\n");

    Problem problem;
    problem.library = Library(library);

    double total = 0, totalWall = 0, totalAbc = 0, worst = 0;
    uint64_t conflicts = 0;
    uint16_t worstF = 0;
    uint32_t disagree = 0, compared = 0, undecided = 0;
    for (uint16_t f : reps) {
        problem.target = functionPLA(f, 4);
        const SAT_CircGen engine(problem);
        const auto t0 = Clock::now();
        const double c0 = cpuSeconds(RUSAGE_SELF);
        FastBound bound(engine.BoundSpec(), options);
        if (limit > 0) bound.setTimeLimit(limit);
        bound.setThreads(threads);
        bound.setSchedule(schedule);
        const std::optional<uint32_t> nodes = bound.minimumNodes(30);
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        const double secs = cpuSeconds(RUSAGE_SELF) - c0;
        total += secs;
        totalWall += wall;
        conflicts += bound.stats().conflicts;
        if (secs > worst) {
            worst = secs;
            worstF = f;
        }
        const uint32_t sup = supportSize(f);
        if (bound.gaveUp()) ++undecided;
        std::printf("%-6s %3u %5d %10.4f %7u %8.4f", hex4(f).c_str(), sup, nodes ? int(*nodes) : -1,
                    secs, bound.stats().solves, wall);
        if (abc) {
            double as = 0;
            const int an = runAbc(f, aig, as);
            totalAbc += as;
            int expected = nodes ? int(*nodes) : -1;
            if (!aig && (f & 1u)) ++expected;
            // ABC gives no network when it reaches its conflict limit.
            const bool comparable = sup >= 2 && !bound.gaveUp() && an >= 0;
            const char* verdict = !comparable ? "n/a" : (an == expected ? "yes" : "NO");
            if (comparable) {
                ++compared;
                if (an != expected) ++disagree;
            }
            std::printf(" %9d %5.2f %7s", an, as, verdict);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("total engine %.3f s CPU (%.3f s wall), %llu conflicts, slowest %s %.3f s, %u left "
                "undecided\n",
                total, totalWall, static_cast<unsigned long long>(conflicts), hex4(worstF).c_str(),
                worst, undecided);
    if (abc)
        std::printf("total abc %.3f s CPU; %u of %u compared counts differ\n", totalAbc, disagree,
                    compared);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return disagree == 0 ? 0 : 1;
}
