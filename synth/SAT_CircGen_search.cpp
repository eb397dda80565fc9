// The search: the smallest (and, with differing gate costs, the cheapest) circuit, the next
// solution of an enumeration, continuation from constr.cnf, and the choice of the
// solutions of least depth.
#include "synth/SAT_CircGen.h"

#include "bound/FastBound.h"
#include "solver/SearchSolver.h"
#include "synth/PhaseTimings.h"
#include "synth/SearchProgress.h"
#include "util/ExchangeFiles.h"
#include "util/StopRequest.h"
#include "util/myExcept.h"
#include "util/utils.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <list>
#include <memory>
#include <sstream>
#include <string>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

const char* const kContinuationFile = ExchangeFiles::Continuation;
// The continuation file is written here first and then renamed over constr.cnf, so that
// constr.cnf always holds a complete save.
const char* const kContinuationTemp = ExchangeFiles::ContinuationTemp;
// The comment line of the continuation file that records the problem it belongs to.
const std::string kProblemKey = "c problem ";

// ceil(log2(x)); 0 for x <= 1.
uint32_t ceilLog2(uint32_t x) {
    uint32_t bits = 0;
    while (bits < 32 && (uint64_t(1) << bits) < x)
        ++bits;
    return bits;
}

bool canOpen(const char* file) {
    std::ifstream in(file);
    return static_cast<bool>(in);
}

// The last bytes of a file (at most count).
std::string readTail(const char* file, std::streamoff count) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) return "";
    const std::streamoff size = in.tellg();
    const std::streamoff from = size > count ? size - count : 0;
    in.seekg(from);
    std::string tail(static_cast<size_t>(size - from), '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    return tail;
}

} // namespace

// One call of SAT_CircGen::Generate: the values that live only during the call.
class SAT_CircGen::Search {
public:
    // The first search's circuit when it was taken without building the instance (a search
    // for one optimum whose lower-bound engine answered).
    std::optional<Circuit> direct;

    Search(SAT_CircGen& engine, const GenerateOptions& options)
        : e_(engine), enumerate_(options.enumerate), cont_(options.cont), best_(options.best),
          bulk_(options.bulk), verbosity_(options.verbosity), upper_(options.upper),
          provenBelow_(options.provenBelow), lowerBound_(options.lowerBound), log_(options.log),
          embedded_(engine.route == SolverRoute::Embedded), maxCost_(engine.library().MaxCost()) {}

    void Run() {
        if (cont_ && e_.clauses.empty()) LoadContinuation();
        if (e_.clauses.empty()) {
            if (!FirstSearch()) return;
        } else {
            levels_ = kNone;
        }
        NextSolution();
    }

private:
    // --- the two phases ---

    // Returns true when the next-solution procedure continues in the same call.
    bool FirstSearch() {
        if (embedded_) {
            if (!FirstSearchEmbedded()) return false;
            return FirstSolutionFound();
        }
        e_.pboMode = e_.CostsDiffer();
        e_.bestRes.reset();
        e_.best_cost = kNone;
        e_.best_n = kNone;
        if (e_.fixedN) {
            nBest_ = e_.n;
        } else {
            e_.n = 0;
            nBest_ = 0;
        }
        // The lower-bound engine answers for node counts below the first solution; with a
        // preset count there is nothing to skip.
        std::unique_ptr<FastBound> bound;
        e_.boundNote = e_.fixedN ? "a preset node count" : "switched off";
        if (lowerBound_ && !e_.fixedN) {
            PhaseTimings::Scope scope(e_.timings, PhaseTimings::Bound);
            bound = std::make_unique<FastBound>(e_.BoundSpec());
            e_.boundNote = bound->reason();
            if (!bound->applicable()) bound.reset();
        }
        for (;;) {
            if (bound && !e_.bestRes && ProvenImpossible(*bound)) {
                ++e_.n;
                continue;
            }
            Rebuild();
            if (e_.pboMode) BoundFirstSearch();
            Verbose();
            e_.SAT_res.reset();
            Report(e_.bestRes ? SearchProgress::LoweringCost : SearchProgress::Solving);
            RunSolver();
            if (!e_.SAT_res) {
                if (!e_.bestRes && !e_.fixedN) ImpossibleBelow(e_.n + 1);
                if (e_.fixedN) {
                    if (!e_.bestRes) return false; // nothing at the preset n
                    break;
                }
                ++e_.n;
                if (!e_.bestRes) continue;
                break;
            }
            if (!e_.CostsDiffer()) {
                e_.bestRes = e_.SAT_res;
                e_.best_cost = e_.best_n = nBest_ = e_.n;
                ReportBest();
                break;
            }
            const uint32_t cost = CostOf(e_.SAT_res);
            const bool cheaper = cost < e_.best_cost;
            if (cheaper) {
                e_.best_cost = cost;
                e_.bestRes = e_.SAT_res;
                e_.best_n = nBest_ = e_.n;
                ReportBest();
            } else {
                e_.SAT_res.reset();
            }
            if (e_.fixedN) break;
            if ((e_.n + 1) * e_.library().MinCost() < e_.best_cost) {
                ++e_.n; // a larger circuit of cheaper gates may still be cheaper
                continue;
            }
            // The same n again, under the bound that the cheaper solution tightened. A
            // solution that was no cheaper leaves the bound as it was: the run would only
            // repeat itself, so the search ends.
            if (e_.n * e_.library().MinCost() < e_.best_cost && cheaper) continue;
            break;
        }

        // End of the cost search.
        e_.n = nBest_;
        const bool retighten = maxCost_ < e_.library().MaxCost() && (enumerate_ || best_);
        if (e_.SAT_res != e_.bestRes) {
            e_.SAT_res = e_.bestRes;
            // The instance is for another n: rebuild it for the solution's n (unless the
            // rebuild below replaces it anyway).
            if ((enumerate_ || best_) && !retighten) {
                Rebuild();
                if (e_.pboMode) AddFH();
            }
        }
        if (retighten) {
            // Later runs must find every solution of the optimum cost, not only cheaper ones.
            Rebuild();
            if (e_.CostsDiffer()) {
                AddFH();
                e_.pboMode = true;
            }
        }
        return FirstSolutionFound();
    }

    // The first search has its answer in SAT_res and bestRes (or none): count it, and tell
    // whether the next-solution procedure continues in the same call.
    bool FirstSolutionFound() {
        if (e_.bestRes || direct) e_.sol_no = 1;
        ReportSolutions();
        if (!best_ && !bulk_) return false;
        levels_ = LevelsOf(e_.bestRes);
        if (bulk_) e_.solutions.push_back(e_.SAT_res);
        return true;
    }

    // --- the embedded route's first search ---

    // The least node count, and with gate costs the least cost over every node count, on
    // the embedded route. False when a preset node count has no solution.
    bool FirstSearchEmbedded() {
        e_.pboMode = false; // gate costs are bounded by clauses, not optimised by a program
        e_.optimumProven = false;
        e_.bestRes.reset();
        e_.best_cost = kNone;
        e_.best_n = kNone;
        if (!e_.fixedN) e_.n = 0;
        e_.boundNote = e_.fixedN ? "a preset node count" : "switched off";
        if (lowerBound_ && !e_.fixedN) {
            std::unique_ptr<FastBound> bound;
            {
                PhaseTimings::Scope scope(e_.timings, PhaseTimings::Bound);
                bound = std::make_unique<FastBound>(e_.BoundSpec());
            }
            bound->setThreads(e_.threads);
            e_.boundNote = bound->reason();
            if (bound->applicable()) {
                FirstByBound(*bound);
                return true;
            }
        }
        return FirstByInstance();
    }

    // The lower-bound engine rules out every count below the optimum and hands over its
    // circuit there (with gate costs: the cheapest circuit of any count). A search that goes
    // on from it (enumeration, least depth, continuation) makes it a complete model of the
    // classic instance; otherwise it is the answer, simulated against the target.
    void FirstByBound(FastBound& bound) {
        // A known circuit of u nodes is optimal once every count below u is ruled out.
        const auto known = [this] {
            return upper_ != nullptr && !e_.CostsDiffer() && e_.n >= upper_->nodes.size();
        };
        if (!e_.CostsDiffer() && provenBelow_ > e_.n) {
            bound.assumeImpossibleBelow(provenBelow_);
            e_.n = provenBelow_;
            ImpossibleBelow(e_.n);
        }
        while (!known() && ProvenImpossible(bound))
            ++e_.n;
        const BoundCircuit* witness = known() ? upper_ : bound.witness();
        if (witness == nullptr)
            throw InternalError("the lower-bound engine left node count " + int2string(e_.n) +
                                " undecided");
        BoundCircuit circuit = *witness;
        uint32_t cost = kNone;
        if (e_.CostsDiffer()) {
            Report(SearchProgress::LoweringCost);
            std::optional<FastBound::Priced> cheapest;
            {
                PhaseTimings::Scope scope(e_.timings, PhaseTimings::Bound);
                cheapest = bound.Cheapest();
            }
            StopRequest::ThrowIfPending();
            if (!cheapest)
                throw InternalError("the lower-bound engine gave no cheapest "
                                    "circuit");
            circuit = std::move(cheapest->circuit);
            cost = cheapest->cost;
            e_.n = static_cast<uint32_t>(circuit.nodes.size());
        }
        e_.optimumProven = true;
        if (!enumerate_ && !best_ && !cont_) {
            // Nothing goes on from this circuit: it is the answer as it is, simulated
            // against the target, and the classic instance is never built.
            PhaseTimings::Scope scope(e_.timings, PhaseTimings::Decode);
            direct = e_.CircuitOf(circuit);
            e_.CheckRealises(*direct);
            e_.best_n = nBest_ = e_.n;
            e_.best_cost = e_.CostsDiffer() ? e_.ComputeCost(*direct) : e_.n;
            if (e_.CostsDiffer() && e_.best_cost != cost)
                throw InternalError("the lower-bound engine's circuit costs " + int2string(cost) +
                                    ", as realised " + int2string(e_.best_cost));
            ReportBest();
            return;
        }
        Rebuild();
        if (e_.CostsDiffer()) AddFH();
        {
            PhaseTimings::Scope scope(e_.timings, PhaseTimings::Decode);
            e_.SAT_res = e_.ModelOfCircuit(circuit);
        }
        e_.bestRes = e_.SAT_res;
        e_.best_n = nBest_ = e_.n;
        e_.best_cost = e_.CostsDiffer() ? CostOf(e_.SAT_res) : e_.n;
        if (e_.CostsDiffer() && e_.best_cost != cost)
            throw InternalError("the lower-bound engine's circuit costs " + int2string(cost) +
                                ", its model " + int2string(e_.best_cost));
        ReportBest();
    }

    // CaDiCaL on the classic instance at n = 0, 1, ... (or the preset n); with gate costs
    // the bound on the total cost is lowered at each count until no cheaper circuit is
    // left, and the counts go on while a circuit of that many nodes could still be cheaper.
    bool FirstByInstance() {
        for (;;) {
            Rebuild();
            if (e_.CostsDiffer()) AddFH();
            for (;;) {
                Verbose();
                e_.SAT_res.reset();
                Report(e_.bestRes ? SearchProgress::LoweringCost : SearchProgress::Solving);
                RunSolver(e_.bestRes ? e_.best_cost - 1 : kNone);
                if (!e_.SAT_res) break;
                e_.bestRes = e_.SAT_res;
                e_.best_n = nBest_ = e_.n;
                e_.best_cost = e_.CostsDiffer() ? CostOf(e_.SAT_res) : e_.n;
                ReportBest();
                if (!e_.CostsDiffer() || uint64_t(e_.n) * e_.library().MinCost() >= e_.best_cost)
                    break;
            }
            if (!e_.bestRes && !e_.fixedN) ImpossibleBelow(e_.n + 1);
            if (e_.fixedN) break;
            if (e_.bestRes &&
                (!e_.CostsDiffer() || uint64_t(e_.n + 1) * e_.library().MinCost() >= e_.best_cost))
                break;
            ++e_.n;
        }
        if (!e_.bestRes) return false;
        e_.SAT_res = e_.bestRes;
        e_.optimumProven = !e_.fixedN;
        if (e_.n != nBest_) {
            // The search went on to larger counts: the instance must be the solution's.
            e_.n = nBest_;
            Rebuild();
            if (e_.CostsDiffer()) AddFH();
        }
        return true;
    }

    void NextSolution() {
        if (best_ && !enumerate_ && levels_ == ceilLog2(e_.n + 1)) return;
        bestLevels_ = levels_;
        maxCost_ = e_.library().MaxCost();
        bool grown = false;
        for (;;) {
            if (!grown) {
                if (e_.SAT_res) {
                    Constrain();
                    if (cont_) Save();
                }
                Verbose();
                e_.SAT_res.reset(); // kept alive only by bestRes or the solution list
            }
            grown = false;
            Report(SearchProgress::Enumerating);
            RunSolver(e_.best_cost);
            if (e_.SAT_res) {
                if (e_.CostsDiffer() && CostOf(e_.SAT_res) > e_.best_cost) continue;
                ++e_.sol_no;
                ReportSolutions();
                if (!best_) {
                    if (!bulk_) return;
                    e_.solutions.push_back(e_.SAT_res);
                    continue;
                }
                if (AcceptByDepth()) {
                    End(false);
                    return;
                }
                continue;
            }
            // No further solution at this n.
            if ((e_.n + 1) * e_.library().MinCost() > e_.best_cost) break;
            const bool grow = !e_.fixedN && (!best_ || ceilLog2(e_.n) > bestLevels_);
            if (!grow) break;
            ++e_.n;
            Rebuild();
            if (e_.pboMode) BoundGrownInstance();
            if (embedded_ && e_.CostsDiffer()) AddFH();
            grown = true;
        }
        End(true);
    }

    // Best delay: weighs the new solution in SAT_res by its depth. Returns true when the
    // search can stop (no bulk mode and no circuit of n nodes can be shallower).
    bool AcceptByDepth() {
        levels_ = LevelsOf(e_.SAT_res);
        bool kept = false;
        if (levels_ < bestLevels_) {
            if (bulk_) {
                e_.solutions.clear();
                e_.sol_no = 1;
                e_.solutions.push_back(e_.SAT_res);
                kept = true;
            }
            e_.bestRes = e_.SAT_res;
            e_.best_n = e_.n;
            bestLevels_ = levels_;
        }
        if (bulk_) {
            if (!kept) {
                if (levels_ == bestLevels_)
                    e_.solutions.push_back(e_.SAT_res);
                else
                    --e_.sol_no;
            }
            return false;
        }
        return bestLevels_ <= ceilLog2(e_.n + 1);
    }

    // exhausted: the last solver run found nothing more (rather than the depth bound
    // ending the search).
    void End(bool exhausted) {
        if (best_ && !bulk_) {
            e_.SAT_res = e_.bestRes;
        } else if (bulk_) {
            e_.bestRes.reset();
            e_.SAT_res.reset();
        } else {
            e_.SAT_res.reset();
        }
        if (exhausted && cont_) {
            std::remove(kContinuationFile);
            std::remove(kContinuationTemp);
        }
    }

    // True when the lower-bound engine proves that no circuit of e_.n nodes exists.
    bool ProvenImpossible(FastBound& bound) {
        PhaseTimings::Scope scope(e_.timings, PhaseTimings::Bound);
        Report(SearchProgress::RulingOut);
        const bool impossible = bound.impossible(e_.n);
        StopRequest::ThrowIfPending();
        if (impossible) ImpossibleBelow(e_.n + 1);
        return impossible;
    }

    // --- progress ---

    void Report(SearchProgress::Activity activity) const {
        if (e_.progress) e_.progress->set(activity, e_.n);
    }
    void ImpossibleBelow(uint32_t count) const {
        if (e_.progress && count > e_.progress->impossibleBelow.load())
            e_.progress->impossibleBelow.store(count);
    }
    void ReportBest() const {
        if (!e_.progress) return;
        e_.progress->bestNodes.store(e_.best_n);
        e_.progress->bestCost.store(e_.CostsDiffer() ? e_.best_cost : e_.best_n);
    }
    void ReportSolutions() const {
        if (e_.progress) e_.progress->solutions.store(e_.sol_no);
    }

    // --- instance building ---

    void Rebuild() {
        PhaseTimings::Scope scope(e_.timings, PhaseTimings::Build);
        e_.Generate_SAT();
    }

    void AddFH() {
        PhaseTimings::Scope scope(e_.timings, PhaseTimings::Build);
        e_.Add_FH();
    }

    void ConstrainCost(uint32_t bound) {
        PhaseTimings::Scope scope(e_.timings, PhaseTimings::Build);
        e_.ConstrainCost(bound);
    }

    void Constrain() {
        PhaseTimings::Scope scope(e_.timings, PhaseTimings::Build);
        e_.Constrain();
    }

    // First search in PB mode: only strictly cheaper circuits than the best one stay open.
    void BoundFirstSearch() {
        const uint32_t others = (e_.n - 1) * e_.library().MinCost();
        if (maxCost_ + others < e_.best_cost) {
            AddFH();
            return;
        }
        const uint32_t bound = e_.best_cost - 1 - others;
        ConstrainCost(bound);
        maxCost_ = bound;
        if (e_.library().MinCost() < maxCost_)
            AddFH();
        else
            e_.pboMode = false; // every node must take a cheapest function: plain SAT
    }

    // Enumeration grown to more nodes: circuits of equal cost stay open.
    void BoundGrownInstance() {
        const uint32_t others = (e_.n - 1) * e_.library().MinCost();
        if (maxCost_ + others <= e_.best_cost) {
            AddFH();
            return;
        }
        const uint32_t bound = e_.best_cost - others;
        ConstrainCost(bound);
        maxCost_ = bound;
        if (e_.library().MinCost() < maxCost_)
            AddFH();
        else
            e_.pboMode = false;
    }

    // --- continuation ---

    void LoadContinuation() {
        if (!canOpen(kContinuationFile)) return; // a new search
        e_.boundNote = "resumed from " + std::string(kContinuationFile);
        {
            PhaseTimings::Scope scope(e_.timings, PhaseTimings::Files);
            e_.clauses.LoadCNF(kContinuationFile);
        }
        if (e_.solver) e_.solver->Reset();
        e_.extras = SAT_CircGen::SolverExtras();
        // With equal costs an enumeration runs at the least node count only.
        e_.optimumProven = !e_.CostsDiffer() && !e_.fixedN;
        const std::string n = e_.clauses.ExtractCNFComment("c n=");
        const std::string cost = e_.clauses.ExtractCNFComment("c best_cost=");
        const std::string bestN = e_.clauses.ExtractCNFComment("c best_n=");
        const std::string solNo = e_.clauses.ExtractCNFComment("c sol_no=");
        if (n.empty() || cost.empty() || bestN.empty() || solNo.empty())
            throw RuntimeException(std::string(kContinuationFile) +
                                   ": the continuation file is damaged");
        // A file without the problem line was written before it existed: resumed as it is.
        const std::string saved = e_.clauses.ExtractCNFComment(kProblemKey);
        if (!saved.empty()) RefuseOtherProblem(saved);
        e_.n = str2uint(n);
        e_.best_cost = str2uint(cost);
        e_.best_n = str2uint(bestN);
        e_.sol_no = str2uint(solNo);
        e_.AdoptLoadedInstance();
    }

    // The continuation file was saved for another problem: names the first setting that
    // differs.
    void RefuseOtherProblem(const std::string& saved) const {
        const std::string current = e_.ProblemFingerprint();
        if (saved == current) return;
        std::istringstream a(saved), b(current);
        std::string there, here;
        while (a >> there) {
            if (!(b >> here)) here.clear();
            if (there != here) break;
        }
        throw RuntimeException(std::string(kContinuationFile) + " was saved for another problem (" +
                               there + " there, " + (here.empty() ? "nothing" : here) +
                               " here); remove it or resume "
                               "with the settings it was saved with");
    }

    void Save() {
        StopRequest::ThrowIfPending();
        PhaseTimings::Scope scope(e_.timings, PhaseTimings::Files);
        e_.SaveConstraints();
    }

    // --- solver runs ---

    // One solver run on the instance. On the embedded route with gate costs, only circuits
    // of total cost at most costBound are admitted (kNone: no bound).
    void RunSolver(uint32_t costBound = kNone) {
        StopRequest::ThrowIfPending();
        const bool pbo = e_.pboMode;
        if (verbosity_ > 1) e_.clauses.SaveCNF_text(ExchangeFiles::InstanceLog);
        std::vector<int> assumptions;
        if (embedded_) {
            PhaseTimings::Scope scope(e_.timings, PhaseTimings::Build);
            assumptions = e_.PrepareEmbeddedSolve(e_.CostsDiffer() ? costBound : kNone);
        }

        const double wall0 = PhaseTimings::WallNow();
        const double own0 = e_.timings ? PhaseTimings::OwnCpuNow() : 0.0;
        const double child0 = e_.timings ? PhaseTimings::ChildCpuNow() : 0.0;
        auto account = [&] {
            if (!e_.timings) return;
            if (embedded_)
                e_.timings->AddInProcessRun(PhaseTimings::WallNow() - wall0);
            else
                e_.timings->AddSolverRun(PhaseTimings::WallNow() - wall0,
                                         PhaseTimings::OwnCpuNow() - own0,
                                         PhaseTimings::ChildCpuNow() - child0);
        };
        try {
            if (embedded_)
                e_.SolveWith(assumptions);
            else
                e_.RunSAT(pbo);
        } catch (...) {
            account();
            throw;
        }
        account();
        StopRequest::ThrowIfPending();
        if (verbosity_ > 1 && e_.SAT_res) e_.SaveSATRes(e_.SAT_res.get(), ExchangeFiles::ModelLog);
    }

    void Verbose() const {
        if (verbosity_ == 0) return;
        std::ostringstream text;
        text << "n = " << e_.n << '\n'
             << "Variables: " << e_.clauses.getInputs() << '\n'
             << "Clauses:   " << e_.clauses.getTermCount() << '\n'
             << "Max. cost: " << maxCost_ << '\n'
             << "PBO:       " << (e_.pboMode ? "YES" : "NO") << '\n';
        if (log_)
            log_(text.str());
        else
            std::cout << text.str() << std::flush;
    }

    // --- measures of a solution ---

    uint32_t CostOf(const Model& model) const {
        PhaseTimings::Scope scope(e_.timings, PhaseTimings::Decode);
        return e_.ComputeCost(model.get(), e_.n);
    }

    uint32_t LevelsOf(const Model& model) const {
        PhaseTimings::Scope scope(e_.timings, PhaseTimings::Decode);
        return e_.getLevels(model.get(), e_.n);
    }

    SAT_CircGen& e_;
    const bool enumerate_;
    const bool cont_;
    const bool best_;
    const bool bulk_;
    const unsigned verbosity_;
    const BoundCircuit* const upper_;
    const uint32_t provenBelow_;
    const bool lowerBound_;
    const std::function<void(const std::string&)>& log_;
    const bool embedded_;
    uint32_t maxCost_;
    uint32_t nBest_ = 0;
    uint32_t levels_ = kNone;
    uint32_t bestLevels_ = kNone;
};

SearchResult SAT_CircGen::Generate(const GenerateOptions& options) {
    if (options.best && options.enumerate && !options.bulk)
        throw RuntimeException("enumeration with least depth must be run in bulk mode");
    // The observers and the stop conditions hold for this call alone.
    struct Observe {
        SAT_CircGen& e;
        ~Observe() {
            e.timings = nullptr;
            e.progress = nullptr;
        }
    } observe{*this};
    timings = options.timings;
    progress = options.progress;
    threads = options.threads == 0 ? 1 : options.threads;
    const StopRequest::TokenScope token(options.stop);
    std::optional<StopRequest::ThreadDeadline> deadline;
    if (options.timeLimit > 0) deadline.emplace(options.timeLimit);

    Search search(*this, options);
    search.Run();

    SearchResult result;
    result.nodes = n;
    result.solutionCount = sol_no;
    result.proven = !fixedN && sol_no > 0;
    result.boundNote = boundNote;
    {
        PhaseTimings::Scope scope(timings, PhaseTimings::Decode);
        if (search.direct)
            result.circuit = std::move(search.direct);
        else if (SAT_res)
            result.circuit = Decode(SAT_res.get(), n);
        if (result.circuit) result.cost = ComputeCost(*result.circuit);
        for (const Model& solution : solutions)
            result.solutions.push_back(Decode(solution.get(), n));
    }
    // Every listed solution is in the result: the models go.
    solutions.clear();
    return result;
}

void SAT_CircGen::SaveConstraints() {
    std::list<std::string>& comments = clauses.getComments();
    comments.clear();
    comments.push_back("c n=" + int2string(n));
    comments.push_back("c best_cost=" + int2string(best_cost));
    comments.push_back("c best_n=" + int2string(best_n));
    comments.push_back("c sol_no=" + int2string(sol_no));
    comments.push_back(kProblemKey + ProblemFingerprint());
    try {
        clauses.SaveCNF(kContinuationTemp);
    } catch (...) {
        std::remove(kContinuationTemp);
        throw;
    }
    // A complete file ends with the line feed of a clause line ("... 0"); a write cut short
    // (a full disk) must not replace the previous save.
    const std::string tail = readTail(kContinuationTemp, 2);
    if (tail != "0\n") {
        std::remove(kContinuationTemp);
        throw IOException("incomplete write of " + std::string(kContinuationTemp));
    }
    if (std::rename(kContinuationTemp, kContinuationFile) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(kContinuationTemp);
        throw IOException("cannot replace " + std::string(kContinuationFile) + ": " + reason);
    }
}
