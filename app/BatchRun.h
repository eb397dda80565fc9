// Runs over the optimum circuits of classes of targets: a batch of targets (-batch) and a
// single run through the result cache (-cache without -batch).
//
// Every target is reduced to the canonical form of its class (logic/NpnCanon: input
// permutations, and input and output negations where inverted edges are allowed; see
// docs/npn.md), each class is solved once (or read from the cache and checked), and its
// circuit is transformed for every target of the class and simulated against it before
// it is written or reported.
#pragma once

#include "app/CircuitTransform.h"
#include "app/Settings.h"
#include "bound/BoundCircuit.h"

#include <string>
#include <vector>

// -batch FILE: one hexadecimal truth table per line (k from -k; empty lines and lines
// starting with # skipped); CSV on the standard output, one row per target of the shard,
// in input order:
//   line,function,nodes,xors,levels,cost,seconds,status,lower_bound
// status: optimum, bounded (stopped by -timeout, which is per target, with the circuit
// built before the search), impossible, timeout (stopped without a circuit), or
// "error: <message>"; lower_bound: every smaller node count is ruled out.
// The targets' classes are solved on -threads workers (0: every core). Returns the exit
// status: 0 when every row was printed, 1 when the run was refused or the cache is
// unusable, 128 + signal when stopped by a signal.
int RunBatch(const Settings& settings);

// A single run (-f, -fh or -truth) with -cache: prints "Solutions: 1" and, with -stats,
// the statistics line, as a run without the cache does.
int RunCached(const Settings& settings, float t0);

// What a batch found for one table.
struct TableAnswer {
    enum Status { Optimum, Bounded, Impossible, Timeout, Error } status = Error;
    BoundCircuit circuit; // Optimum, Bounded: realises the table
    uint32_t lowerBound = 0;
    std::string message; // Impossible, Error
};
// The answers of fully specified tables of settings.k inputs, found as a batch finds them:
// each class solved once (through the cache of settings.cacheFile when one is given) by
// settings.threadCount() workers, settings.timeLimit per class, and its circuit
// transformed for every table of the class. The workers honour the calling thread's stop
// requests; a stop of the process throws StopRequested, an unusable cache
// ResultCache::Unusable.
std::vector<TableAnswer> SolveTables(const Settings& settings,
                                     const std::vector<TableWords>& tables);
