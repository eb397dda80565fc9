#include "app/BatchRun.h"

#include "app/DatabaseExport.h"
#include "app/OptimumSolver.h"
#include "app/ProgressLine.h"
#include "app/ResultCache.h"
#include "app/RunMonitor.h"
#include "app/SignalGuard.h"
#include "app/TargetFunction.h"
#include "logic/NpnCanon.h"
#include "synth/SearchProgress.h"
#include "util/Step.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/mytime.h"
#include "util/utils.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <sstream>
#include <thread>
#include <vector>

namespace {

// The largest number of inputs a batch or a cached run takes (the lower-bound engine's).
constexpr uint32_t kMaxInputs = 16;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TableWords wordsOf(const TruthTable& t) {
    TableWords w(t.size() <= 64 ? 1 : t.size() / 64, 0);
    for (uint32_t r = 0; r < t.size(); ++r)
        if (t.get(r)) w[r >> 6] |= uint64_t{1} << (r & 63);
    return w;
}

// A field of a CSV row, quoted when it holds a comma, a quote or a line end.
std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

// The canonical form of a table and the way back: NPN classes up to six inputs, the table
// itself above.
struct Canonical {
    TableWords table;
    NpnTransform fromCanonical;
};

class Canonicaliser {
public:
    Canonicaliser(uint32_t k, bool negations) {
        if (k <= NpnCanon::kMaxInputs) npn_.emplace(k, negations);
    }
    Canonical operator()(const TableWords& t) {
        if (!npn_) return {t, NpnTransform{}};
        const NpnCanon::Result r = npn_->Canonical(t[0]);
        return {{r.canonical}, r.fromCanonical};
    }

private:
    std::optional<NpnCanon> npn_;
};

// The answer for one class.
// Bounded: stopped by its time limit with the circuit built before the search.
struct ClassResult {
    enum Status { Optimum, Bounded, Impossible, Timeout, Error } status = Error;
    BoundCircuit circuit;    // Optimum, Bounded
    CircuitStats stats;      // Optimum, Bounded
    uint32_t lowerBound = 0; // every node count below it is ruled out
    std::string message;
    double seconds = 0;
};

// A stop of the whole run: a signal, or an unusable cache.
struct Abort {
    std::mutex mutex;
    std::atomic<bool> set{false};
    int signo = 0;
    std::string message;
    void raise(int sig, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        if (set) return;
        signo = sig;
        message = text;
        set = true;
    }
};

// The message of the exception being handled, for an error row: the batch goes on with
// the next row (the data of this one is released by now, so memory that ran out is there
// again).
std::string currentError() {
    std::string message;
    try {
        throw;
    } catch (const CException& e) {
        message = e.GetMsg();
    } catch (const std::bad_alloc&) {
        message = Step::OutOfMemoryMessage();
    } catch (const std::exception& e) {
        message = InternalError(e.what()).GetMsg();
    } catch (...) {
        message = InternalError("an unknown exception").GetMsg();
    }
    Step::Forget();
    return message;
}

// The optimum of a canonical table: from the cache when it holds a correct entry, else
// solved (and stored). Throws what the solver throws, and ResultCache::Unusable.
// The cache key of a table: its hexadecimal digits, and "/<care>" when rows outside care are
// don't cares.
std::string cacheKey(const TableWords& table, const TableWords& care, uint32_t k) {
    return TableHex(table, k) + (care.empty() ? "" : "/" + TableHex(care, k));
}

// Stores what a stopped search proved, so that the next run starts above it.
void storeLowerBound(ResultCache* cache, const OptimumSolver& solver, const TableWords& table,
                     const TableWords& care, uint32_t below) {
    if (cache != nullptr && below > 0)
        cache->StoreLowerBound(solver.inputs(), cacheKey(table, care, solver.inputs()),
                               solver.OptionsKey(), below);
}

// Rows outside care are don't cares (an empty care: every row counts); such a target is
// cached under "<table>/<care>".
OptimumSolver::Outcome obtain(const OptimumSolver& solver, ResultCache* cache,
                              const TableWords& table, const TableWords& care, std::mutex& errMutex,
                              SearchProgress* progress = nullptr,
                              std::optional<BoundCircuit>* constructed = nullptr) {
    const uint32_t k = solver.inputs();
    const std::string hex = cacheKey(table, care, k);
    const std::string options = solver.OptionsKey();
    if (cache) {
        if (const std::optional<ResultCache::Entry> e = cache->Lookup(k, hex, options)) {
            try {
                const std::optional<BoundCircuit> c = ParseCircuitText(e->circuit, k);
                if (!c) throw RuntimeException("the circuit text is malformed");
                const auto realised = solver.Realise(table, *c, care);
                if (realised->stats().nodes != e->nodes || realised->stats().cost != e->cost)
                    throw RuntimeException("its node count or cost is not the circuit's");
                OptimumSolver::Outcome out;
                out.circuit = *c;
                out.stats = realised->stats();
                return out;
            } catch (const StopRequested&) {
                throw;
            } catch (const ResourceError&) {
                throw;
            } catch (const CException& wrong) { // a wrong table, or no model of the instance
                std::lock_guard<std::mutex> lock(errMutex);
                std::cerr << "Quillon: the cache entry of " << hex << " (" << k
                          << " inputs) is wrong: " << wrong.GetMsg() << "; recomputed" << std::endl;
            }
        }
    }
    // A bound proven by an earlier run that stopped: the search starts there.
    const uint32_t provenBelow = cache ? cache->LowerBound(k, hex, options).value_or(0) : 0;
    OptimumSolver::Outcome out = solver.Solve(table, care, progress, constructed, provenBelow);
    if (cache && out.status == OptimumSolver::Outcome::Optimum)
        cache->Store(k, hex, options, {out.stats.nodes, out.stats.cost, CircuitText(out.circuit)});
    return out;
}

// Solves one class with its own time limit; a stop of the whole run or an unusable cache
// is recorded in abort.
ClassResult solveClass(const OptimumSolver& solver, ResultCache* cache, const TableWords& table,
                       const TableWords& care, double timeLimit, Abort& abort,
                       std::mutex& errMutex) {
    const auto start = std::chrono::steady_clock::now();
    ClassResult r;
    SearchProgress progress;
    std::optional<BoundCircuit> constructed;
    try {
        std::optional<StopRequest::ThreadDeadline> deadline;
        if (timeLimit > 0) deadline.emplace(timeLimit);
        const OptimumSolver::Outcome out =
            obtain(solver, cache, table, care, errMutex, &progress, &constructed);
        if (out.status == OptimumSolver::Outcome::Impossible) {
            r.status = ClassResult::Impossible;
            r.message = out.reason;
        } else {
            r.status = ClassResult::Optimum;
            r.circuit = out.circuit;
            r.stats = out.stats;
            r.lowerBound = out.stats.nodes;
        }
    } catch (const StopRequested& stop) {
        // The deadline is gone here: only a request of the whole run is left.
        if (StopRequest::Pending()) abort.raise(StopRequest::Signal(), "");
        r.status = ClassResult::Timeout;
        r.lowerBound = progress.impossibleBelow.load();
        if (!abort.set) {
            try {
                storeLowerBound(cache, solver, table, care, r.lowerBound);
            } catch (const ResultCache::Unusable& e) {
                abort.raise(0, e.GetMsg());
            }
        }
        if (constructed && !abort.set) {
            try {
                r.stats = solver.Realise(table, *constructed, care)->stats();
                r.circuit = *constructed;
                r.status = ClassResult::Bounded;
            } catch (...) {
                r.status = ClassResult::Error;
                r.message = currentError();
            }
        }
    } catch (const ResultCache::Unusable& e) {
        abort.raise(0, e.GetMsg());
    } catch (...) {
        r.status = ClassResult::Error;
        r.message = currentError();
    }
    r.seconds = secondsSince(start);
    return r;
}

// The circuit of a target made from its class's circuit, simulated against the target.
BoundCircuit circuitFor(const ClassResult& cls, const NpnTransform& t, const TableWords& table,
                        const TableWords& care = {}) {
    BoundCircuit c = TransformCircuit(cls.circuit, t);
    if (!OptimumSolver::Realises(c, table, care))
        throw InternalError("the transformed circuit does not realise the target");
    return c;
}

// --- the batch ---

struct Target {
    uint32_t line = 0; // 1-based line number in the file
    std::string text;  // the name, or the table as written
    std::string error; // a line that is no target of k inputs
    TableWords table;
    TableWords care; // empty: every row counts
    NpnTransform fromCanonical;
    size_t cls = 0;
    double seconds = 0;
};

// The fields of a CSV line: separated by commas, a field in double quotes may hold commas
// and doubled quotes. nullopt when a quote is not closed or is followed by more text.
std::optional<std::vector<std::string>> csvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ',') {
            fields.emplace_back();
            ++i;
        } else if (c == '"' && fields.back().find_first_not_of(" \t") == std::string::npos) {
            std::string quoted;
            for (++i;; ++i) {
                if (i == line.size()) return std::nullopt;
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        quoted += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                quoted += line[i];
            }
            const size_t next = line.find_first_not_of(" \t", i);
            if (next != std::string::npos && line[next] != ',') return std::nullopt;
            fields.back() = quoted;
            i = next == std::string::npos ? line.size() : next;
        } else {
            fields.back() += c;
            ++i;
        }
    }
    for (std::string& f : fields) {
        const size_t a = f.find_first_not_of(" \t");
        const size_t b = f.find_last_not_of(" \t");
        f = a == std::string::npos ? "" : f.substr(a, b - a + 1);
    }
    return fields;
}

// A hexadecimal table of the batch's k inputs, with an optional 0x prefix.
TableWords tableOf(const Settings& s, std::string hex, const char* what) {
    if (hex.size() > 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex = hex.substr(2);
    if (hex.empty() || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw RuntimeException(std::string("the ") + what + " " + hex +
                               " is no hexadecimal number");
    TruthTable table(MintermCount(s.k));
    if (!table.setHex(hex))
        throw RuntimeException(
            std::string("the ") + what + " " + hex + " does not fit a truth table of " +
            std::to_string(s.k) + " inputs (-k " + std::to_string(s.k) + " gives " +
            (s.k >= 2 ? std::to_string(table.size() / 4) + " hexadecimal digits)"
                      : "1 hexadecimal digit below " + std::to_string(1u << table.size()) + ")"));
    return wordsOf(table);
}

// A line of the batch file: "[name,]table[/care]", the tables hexadecimal as -fh reads
// them (an optional 0x prefix), the care mask's zeros the don't-care rows.
void parseTarget(const Settings& s, const std::string& text, Target& t) {
    const std::optional<std::vector<std::string>> fields = csvFields(text);
    if (!fields || fields->size() > 2)
        throw RuntimeException("a line holds a table, or a name and a table separated by a "
                               "comma (CSV)");
    std::string spec = fields->back();
    if (fields->size() == 2) {
        if ((*fields)[0].empty()) throw RuntimeException("the name before the comma is empty");
        t.text = (*fields)[0];
    }
    const size_t slash = spec.find('/');
    t.table = tableOf(s, spec.substr(0, slash), "table");
    if (slash != std::string::npos) {
        t.care = tableOf(s, spec.substr(slash + 1), "care mask");
        for (size_t w = 0; w < t.table.size(); ++w)
            t.table[w] &= t.care[w];
    }
}

std::vector<Target> readTargets(const Settings& s) {
    std::ifstream in(*s.batchFile);
    if (!in) throw RuntimeException("-batch: cannot open file: " + *s.batchFile);
    std::vector<Target> targets;
    std::string line;
    uint32_t number = 0;
    uint64_t index = 0;
    while (std::getline(in, line)) {
        ++number;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        const size_t last = line.find_last_not_of(" \t\r");
        if (index++ % s.shardCount != s.shardIndex) continue;
        Target t;
        t.line = number;
        t.text = line.substr(first, last - first + 1);
        try {
            parseTarget(s, t.text, t);
        } catch (const CException& e) {
            t.error = e.GetMsg();
        }
        targets.push_back(std::move(t));
    }
    return targets;
}

// The reason a batch or cached run cannot take these settings ("" when it can).
std::string refusal(const Settings& s, const std::string& option) {
    const auto no = [&](bool given, const std::string& other, const std::string& why) {
        return given ? option + " cannot be combined with " + other + ": " + why : "";
    };
    for (const std::string& r :
         {no(s.enumerate, "-enum", "it gives one optimum circuit per target"),
          no(s.continueRun, "-continue", "it keeps no enumeration to continue"),
          no(s.diffTopology, "-difftopology", "it gives one optimum circuit per target"),
          no(s.enumStats, "-enumstats", "it enumerates nothing"),
          no(s.n != 0, "-n", "it gives optimum circuits only"),
          no(s.polyedges, "-polyedges", "its circuits have no polymorphic edges"),
          no(s.plaFile.has_value(), "-pla", "its targets are single-output truth tables"),
          no(s.externalSolver, "-solver minisat",
             "it runs on the embedded route (the external route shares fixed file names)")})
        if (!r.empty()) return r;
    if (option == "-batch") {
        if (!s.stdoutFile().empty())
            return "-batch writes its rows on the standard output: " + s.stdoutFile() +
                   " - cannot go there too";
        if (s.truthFile || s.functionGiven)
            return "-batch cannot be combined with -f, -fh or -truth: the targets are the lines "
                   "of the batch file";
    }
    if (s.k > kMaxInputs)
        return option + " takes targets of at most " + std::to_string(kMaxInputs) + " inputs";
    return "";
}

} // namespace

int RunBatch(const Settings& s) {
    const std::string refused = refusal(s, "-batch");
    if (!refused.empty()) {
        std::cerr << refused << std::endl;
        return 1;
    }
    // -threads workers solve classes at once, each class on one engine thread.
    const OptimumSolver solver(s, s.k, 1);
    std::vector<Target> targets = readTargets(s);
    std::unique_ptr<ResultCache> cache;
    if (s.cacheFile) cache = std::make_unique<ResultCache>(*s.cacheFile);

    // Classes in the order of their first target. A target with don't cares is a class of
    // its own, keyed by its table and its care mask.
    Canonicaliser canon(s.k, s.invertedEdges);
    std::vector<TableWords> classTables;
    std::vector<TableWords> classCares;
    std::vector<std::vector<size_t>> members;
    std::map<std::pair<TableWords, TableWords>, size_t> classOf;
    for (size_t i = 0; i < targets.size(); ++i) {
        Target& t = targets[i];
        if (!t.error.empty()) continue;
        Canonical c = t.care.empty() ? canon(t.table) : Canonical{t.table, NpnTransform{}};
        t.fromCanonical = c.fromCanonical;
        const auto [it, added] =
            classOf.emplace(std::make_pair(c.table, t.care), classTables.size());
        if (added) {
            classTables.push_back(c.table);
            classCares.push_back(t.care);
            members.emplace_back();
        }
        t.cls = it->second;
        members[t.cls].push_back(i);
    }

    std::vector<std::string> rows(targets.size());
    std::vector<char> ready(targets.size(), 0);
    std::vector<ClassResult> solved(classTables.size()); // for -export
    std::mutex rowMutex;
    std::condition_variable rowReady;
    std::mutex errMutex;
    Abort abort;
    std::atomic<size_t> errorRows{0};
    const auto row = [&](const Target& t, const std::string& nodes, const std::string& xors,
                         const std::string& levels, const std::string& cost,
                         const std::string& status, const std::string& lower = "") {
        if (status.rfind("error: ", 0) == 0) ++errorRows;
        char secs[32];
        std::snprintf(secs, sizeof secs, "%.3f", t.seconds);
        return std::to_string(t.line) + "," + csvField(t.text) + "," + nodes + "," + xors + "," +
               levels + "," + cost + "," + secs + "," + csvField(status) + "," + lower;
    };
    const bool files =
        s.dotFile || s.aagFile || s.aigFile || s.blifFile || s.verilogFile || s.jsonFile;
    // The row of a target whose class is solved.
    const auto targetRow = [&](Target& t, const ClassResult& cls) {
        const auto start = std::chrono::steady_clock::now();
        std::string text;
        const std::string lower = std::to_string(cls.lowerBound);
        switch (cls.status) {
        case ClassResult::Optimum:
        case ClassResult::Bounded:
            try {
                const BoundCircuit c = circuitFor(cls, t.fromCanonical, t.table, t.care);
                CircuitStats st = cls.stats;
                if (files) {
                    const auto realised = solver.Realise(t.table, c, t.care);
                    realised->Write(s, "." + std::to_string(t.line),
                                    cls.status == ClassResult::Optimum ? "optimum" : "bounded");
                    st = realised->stats();
                }
                t.seconds += secondsSince(start);
                text = row(t, std::to_string(st.nodes), std::to_string(st.xors),
                           std::to_string(st.levels), std::to_string(st.cost),
                           cls.status == ClassResult::Optimum ? "optimum" : "bounded", lower);
            } catch (...) {
                t.seconds += secondsSince(start);
                text = row(t, "", "", "", "", "error: " + currentError());
            }
            break;
        case ClassResult::Impossible:
            text = row(t, "", "", "", "", "impossible");
            break;
        case ClassResult::Timeout:
            text = row(t, "", "", "", "", "timeout", lower);
            break;
        case ClassResult::Error:
            text = row(t, "", "", "", "", "error: " + cls.message);
            break;
        }
        return text;
    };
    for (size_t i = 0; i < targets.size(); ++i)
        if (!targets[i].error.empty()) {
            rows[i] = row(targets[i], "", "", "", "", "error: " + targets[i].error);
            ready[i] = 1;
        }

    SignalGuard signals;
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (;;) {
            const size_t c = next++;
            if (c >= classTables.size() || abort.set) return;
            const ClassResult cls = solveClass(solver, cache.get(), classTables[c], classCares[c],
                                               s.timeLimit, abort, errMutex);
            if (abort.set) return;
            if (s.exportFormat) solved[c] = cls;
            bool first = true;
            for (size_t i : members[c]) {
                Target& t = targets[i];
                if (first) t.seconds = cls.seconds;
                first = false;
                std::string text = targetRow(t, cls);
                std::lock_guard<std::mutex> lock(rowMutex);
                rows[i] = std::move(text);
                ready[i] = 1;
            }
            rowReady.notify_all();
        }
    };
    uint32_t workers = s.threadCount();
    workers =
        static_cast<uint32_t>(std::min<size_t>(workers, std::max<size_t>(1, classTables.size())));
    std::vector<std::thread> pool;
    for (uint32_t w = 0; w < workers; ++w)
        pool.emplace_back(work);

    // Rows in input order, as soon as each is ready.
    std::cout << "line,function,nodes,xors,levels,cost,seconds,status,lower_bound\n";
    for (size_t i = 0; i < targets.size(); ++i) {
        std::unique_lock<std::mutex> lock(rowMutex);
        if (!ready[i]) {
            std::cout.flush();
            while (!ready[i] && !abort.set && !StopRequest::Pending())
                rowReady.wait_for(lock, std::chrono::milliseconds(50));
            if (!ready[i]) break;
        }
        std::cout << rows[i] << '\n';
    }
    std::cout.flush();
    if (StopRequest::Pending()) abort.raise(StopRequest::Signal(), "");
    for (std::thread& t : pool)
        t.join();
    if (abort.set) {
        if (abort.signo != 0) {
            std::cerr << "Quillon: interrupted by " << StopRequested::SignalName(abort.signo)
                      << "; the batch stopped before its end." << std::endl;
            return 128 + abort.signo;
        }
        std::cerr << abort.message << std::endl;
        return 1;
    }
    if (s.exportFormat) {
        // Only proven optima go into a database; the others are named.
        std::vector<ExportClass> proven;
        for (size_t c = 0; c < classTables.size(); ++c) {
            const ClassResult& cls = solved[c];
            if (cls.status == ClassResult::Optimum && classCares[c].empty()) {
                proven.push_back({s.k, classTables[c], cls.circuit});
                continue;
            }
            static const char* const why[] = {"", "not proven optimal (stopped at its time limit)",
                                              "impossible", "timeout", "error"};
            std::cerr << "Quillon: -export: class " << TableHex(classTables[c], s.k) << " (line "
                      << targets[members[c].front()].line << ") left out: "
                      << (classCares[c].empty() ? why[cls.status] : "it has don't cares")
                      << std::endl;
        }
        WriteDatabase(s, proven);
    }
    // A batch of nothing but errors did nothing the user asked for.
    if (!targets.empty() && errorRows.load() == targets.size()) {
        std::cerr << "Quillon: every row of " << *s.batchFile << " is an error" << std::endl;
        return 1;
    }
    return 0;
}

std::vector<TableAnswer> SolveTables(const Settings& s, const std::vector<TableWords>& tables) {
    const OptimumSolver solver(s, s.k, 1);
    std::unique_ptr<ResultCache> cache;
    if (s.cacheFile) cache = std::make_unique<ResultCache>(*s.cacheFile);
    const uint64_t rows = uint64_t(1) << s.k;
    Canonicaliser canon(s.k, s.invertedEdges);
    std::vector<Canonical> forms;
    std::vector<TableWords> classTables;
    std::vector<size_t> classOfTable;
    std::map<TableWords, size_t> classOf;
    for (const TableWords& t : tables) {
        if (s.k > kMaxInputs || t.size() != (rows <= 64 ? 1 : rows / 64))
            throw RuntimeException("a table of " + std::to_string(t.size()) +
                                   " words is no table of " + std::to_string(s.k) + " inputs");
        forms.push_back(canon(t));
        const auto [it, added] = classOf.emplace(forms.back().table, classTables.size());
        if (added) classTables.push_back(forms.back().table);
        classOfTable.push_back(it->second);
    }
    std::vector<ClassResult> solved(classTables.size());
    Abort abort;
    std::mutex errMutex;
    std::atomic<size_t> next{0};
    const StopRequest::ThreadState caller = StopRequest::Current();
    const auto work = [&] {
        const StopRequest::Adopt adopt(caller);
        for (size_t c; (c = next++) < classTables.size() && !abort.set;)
            solved[c] =
                solveClass(solver, cache.get(), classTables[c], {}, s.timeLimit, abort, errMutex);
    };
    std::vector<std::thread> pool;
    const uint32_t workers = std::max<uint32_t>(
        1, static_cast<uint32_t>(std::min<size_t>(s.threadCount(), classTables.size())));
    for (uint32_t w = 1; w < workers; ++w)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
    if (abort.set) {
        if (abort.signo != 0) throw StopRequested(abort.signo);
        throw ResultCache::Unusable(abort.message);
    }
    std::vector<TableAnswer> answers(tables.size());
    for (size_t i = 0; i < tables.size(); ++i) {
        const ClassResult& cls = solved[classOfTable[i]];
        TableAnswer& a = answers[i];
        a.status = static_cast<TableAnswer::Status>(cls.status);
        a.lowerBound = cls.lowerBound;
        a.message = cls.message;
        if (cls.status == ClassResult::Optimum || cls.status == ClassResult::Bounded)
            a.circuit = circuitFor(cls, forms[i].fromCanonical, tables[i]);
    }
    return answers;
}

int RunCached(const Settings& s, float t0) {
    const std::string refused = refusal(s, "-cache");
    if (!refused.empty()) {
        std::cerr << refused << std::endl;
        return 1;
    }
    // The target as a run without the cache builds it.
    TruthTable table;
    uint32_t k = s.k;
    if (s.truthFile && !s.functionGiven) {
        std::vector<TruthTable> tables =
            ReadTruthTables(s.kGiven ? std::optional<uint32_t>(s.k) : std::nullopt, *s.truthFile);
        if (tables.size() != 1)
            throw RuntimeException("-cache takes single-output targets: " + *s.truthFile +
                                   " holds " + std::to_string(tables.size()) +
                                   " tables, one per output");
        table = std::move(tables.front());
        k = 0;
        while (MintermCount(k) < table.size())
            ++k;
        if (k > kMaxInputs)
            throw RuntimeException("-cache takes targets of at most " + std::to_string(kMaxInputs) +
                                   " inputs");
    } else {
        table = TargetTable(s);
        if (s.truthFile) Write_Truth(table, s.k, *s.truthFile);
    }
    const TableWords words = wordsOf(table);
    const OptimumSolver solver(s, k, s.threadCount());
    ResultCache cache(*s.cacheFile);

    SignalGuard signals;
    SearchProgress progress;
    ProgressLine line;
    RunMonitor monitor(s, progress, line);
    std::mutex errMutex;
    Canonicaliser canon(k, s.invertedEdges);
    const Canonical c = canon(words);
    std::optional<BoundCircuit> constructed;
    try {
        const OptimumSolver::Outcome out =
            obtain(solver, &cache, c.table, {}, errMutex, &progress, &constructed);
        monitor.Stop();
        if (out.status == OptimumSolver::Outcome::Impossible) {
            std::cerr << out.reason << std::endl;
            return 1;
        }
        ClassResult cls;
        cls.circuit = out.circuit;
        const auto realised = solver.Realise(words, circuitFor(cls, c.fromCanonical, words));
        realised->Write(s, "");
        std::cout.flush();
        (s.stdoutFile().empty() ? std::cout : std::cerr) << "Solutions: 1" << std::endl;
        const float t1 = GetMyCPUTime();
        if (s.stats) {
            const CircuitStats& st = realised->stats();
            std::cerr << s.functionText << ";" << st.nodes << ";" << st.xors << ";" << st.levels
                      << ";" << static_cast<double>(t1 - t0) << std::endl;
        }
        return 0;
    } catch (const StopRequested& stop) {
        monitor.Stop();
        line.Erase();
        // Stopped before the search ended: what it proved is kept for the next run, and the
        // circuit built before it is handed back.
        storeLowerBound(&cache, solver, c.table, {}, progress.impossibleBelow.load());
        std::string stats;
        if (constructed) {
            // The request is answered by this stop; the circuit is made and written
            // without polling it again.
            StopRequest::Clear();
            ClassResult cls;
            cls.circuit = *constructed;
            const auto realised = solver.Realise(words, circuitFor(cls, c.fromCanonical, words));
            realised->Write(s, "", "bounded");
            const CircuitStats& st = realised->stats();
            if (s.stats) {
                // As a run without the cache prints it: the classic fields, then the bound.
                std::ostringstream line;
                line << s.functionText << ";" << st.nodes << ";" << st.xors << ";" << st.levels
                     << ";" << static_cast<double>(GetMyCPUTime() - t0) << ";bounded;"
                     << progress.impossibleBelow.load() << "\n";
                stats = line.str();
            }
        }
        std::cout.flush();
        std::cerr << RunMonitor::StopMessage(s, progress, stop.signo()) << stats << std::flush;
        return RunMonitor::StopStatus(stop.signo());
    }
}
