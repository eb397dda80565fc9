// A persistent cache of proven optimum circuits in an SQLite file, keyed by the number of
// inputs, the canonical truth table and the options that change the answer. Several
// threads and processes may use one file at once: the file is in write-ahead-log mode,
// a writer waits for another (busy timeout) and every store is one transaction.
//
// The cache only remembers; it is never believed. Whoever reads an entry checks the
// circuit against its target before using it (OptimumSolver::Realise) and replaces a wrong
// one.
#pragma once

#include "util/myExcept.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

class ResultCache {
public:
    // A file that cannot be used as a cache: not an SQLite database, damaged, another
    // application's database, or another format version of this one.
    class Unusable : public RuntimeException {
    public:
        explicit Unusable(const std::string& what) : RuntimeException(what) {}
    };

    // Opens the file, creating it (and the cache's table) when it does not exist or is
    // empty. Throws Unusable with a message naming the file and the reason.
    explicit ResultCache(const std::string& file);
    ~ResultCache();
    ResultCache(const ResultCache&) = delete;
    ResultCache& operator=(const ResultCache&) = delete;

    struct Entry {
        uint32_t nodes = 0;
        uint32_t cost = 0;
        std::string circuit; // CircuitText
    };
    // The entry of (inputs, table, options), if any. Thread-safe; throws Unusable.
    std::optional<Entry> Lookup(uint32_t inputs, const std::string& table,
                                const std::string& options);
    // Every entry stored under options, by inputs and then table. Thread-safe; throws
    // Unusable.
    struct Keyed {
        uint32_t inputs = 0;
        std::string table;
        Entry entry;
    };
    std::vector<Keyed> Entries(const std::string& options);
    // Stores the entry, replacing one of the same key. Thread-safe; throws Unusable.
    void Store(uint32_t inputs, const std::string& table, const std::string& options,
               const Entry& entry);

    // What a search stopped before its end proved: every node count below the bound is
    // impossible for (inputs, table, options). Unlike a circuit, a bound cannot be checked
    // when it is read: only proofs of this program are stored, under a key that names
    // everything that shapes the instance. Thread-safe; throw Unusable.
    std::optional<uint32_t> LowerBound(uint32_t inputs, const std::string& table,
                                       const std::string& options);
    // Keeps the larger of the stored bound and below.
    void StoreLowerBound(uint32_t inputs, const std::string& table, const std::string& options,
                         uint32_t below);

    // The SQLite application id that marks a file as a Quillon cache ("QLNC"), and the
    // format version.
    static constexpr int32_t kApplicationId = 0x514C4E43;
    static constexpr int32_t kVersion = 1;

    class Statement;

private:
    void open();
    // Binds the key to a prepared statement and steps it: true when it gave a row.
    bool readRow(const Statement& st, uint32_t inputs, const std::string& table,
                 const std::string& options) const;
    // Runs sql, returning the first column of the first row ("" when none).
    std::string scalar(const std::string& sql);
    [[noreturn]] void fail(const std::string& what, int code) const;

    std::string file_;
    sqlite3* db_ = nullptr;
    std::mutex mutex_;
};
