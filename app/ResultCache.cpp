#include "app/ResultCache.h"

#include <sqlite3.h>

#include <algorithm>

// Statements are prepared per call: the cache is read and written once per class.
class ResultCache::Statement {
public:
    Statement(sqlite3* db, const std::string& sql) {
        code_ = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    int code() const { return code_; }
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int code_ = SQLITE_OK;
};

namespace {

const char* const kSchema = "CREATE TABLE optimum ("
                            " inputs INTEGER NOT NULL,"
                            " truth_table TEXT NOT NULL,"
                            " options TEXT NOT NULL,"
                            " nodes INTEGER NOT NULL,"
                            " cost INTEGER NOT NULL,"
                            " circuit TEXT NOT NULL,"
                            " PRIMARY KEY (inputs, truth_table, options)) WITHOUT ROWID";

// The bounds of searches stopped before their end; added to files of the first layout when
// they are opened (the optimum table is unchanged, so the format version stays).
const char* const kBoundSchema = "CREATE TABLE IF NOT EXISTS lower_bound ("
                                 " inputs INTEGER NOT NULL,"
                                 " truth_table TEXT NOT NULL,"
                                 " options TEXT NOT NULL,"
                                 " below INTEGER NOT NULL,"
                                 " PRIMARY KEY (inputs, truth_table, options)) WITHOUT ROWID";

// Binds the key columns (inputs, table, options) to ?1, ?2, ?3 of a prepared statement.
void bindKey(const ResultCache::Statement& st, uint32_t inputs, const std::string& table,
             const std::string& options) {
    sqlite3_bind_int64(st.get(), 1, inputs);
    sqlite3_bind_text(st.get(), 2, table.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st.get(), 3, options.c_str(), -1, SQLITE_TRANSIENT);
}

// The entry in columns first, first + 1, first + 2 (nodes, cost, circuit) of the current
// row. Out-of-range numbers become values no circuit has; the reader's check refuses them.
ResultCache::Entry entryAt(const ResultCache::Statement& st, int first) {
    const auto count = [&](int column) {
        const sqlite3_int64 v = sqlite3_column_int64(st.get(), column);
        return v < 0 || v > 0xFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
    };
    const unsigned char* text = sqlite3_column_text(st.get(), first + 2);
    return {count(first), count(first + 1), text ? reinterpret_cast<const char*>(text) : ""};
}

} // namespace

ResultCache::ResultCache(const std::string& file) : file_(file) {
    try {
        open();
    } catch (...) {
        sqlite3_close_v2(db_);
        throw;
    }
}

void ResultCache::open() {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    const int code = sqlite3_open_v2(file_.c_str(), &db_, flags, nullptr);
    if (code != SQLITE_OK) fail("cannot be opened", code);
    sqlite3_busy_timeout(db_, 60000);
    int32_t id = std::stoi(scalar("PRAGMA application_id"));
    if (id == 0) {
        // A new or empty file becomes a cache; any other database is not one. The check
        // and the creation are one transaction, so two processes cannot both create it.
        scalar("BEGIN IMMEDIATE");
        id = std::stoi(scalar("PRAGMA application_id"));
        if (id == 0) {
            if (scalar("SELECT count(*) FROM sqlite_master") != "0") {
                scalar("ROLLBACK");
                throw Unusable("Cache file " + file_ +
                               " is another application's SQLite database, not a Quillon cache");
            }
            scalar(kSchema);
            scalar("PRAGMA application_id = " + std::to_string(kApplicationId));
            scalar("PRAGMA user_version = " + std::to_string(kVersion));
            id = kApplicationId;
        }
        scalar("COMMIT");
    }
    if (id != kApplicationId)
        throw Unusable("Cache file " + file_ +
                       " is another application's SQLite database, not a Quillon cache");
    const std::string version = scalar("PRAGMA user_version");
    if (version != std::to_string(kVersion))
        throw Unusable("Cache file " + file_ + " has format version " + version +
                       "; this Quillon reads version " + std::to_string(kVersion));
    const std::string check = scalar("PRAGMA quick_check");
    if (check != "ok") throw Unusable("Cache file " + file_ + " is damaged: " + check);
    if (scalar("SELECT count(*) FROM sqlite_master WHERE name = 'lower_bound'") == "0")
        scalar(kBoundSchema);
    scalar("PRAGMA journal_mode = WAL");
    scalar("PRAGMA synchronous = NORMAL");
}

ResultCache::~ResultCache() {
    sqlite3_close_v2(db_);
}

void ResultCache::fail(const std::string& what, int code) const {
    std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    const int primary = code & 0xFF;
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
        throw Unusable("Cache file " + file_ + " is damaged or not an SQLite database (" + reason +
                       ")");
    throw Unusable("Cache file " + file_ + " " + what + ": " + reason);
}

std::string ResultCache::scalar(const std::string& sql) {
    Statement st(db_, sql);
    if (st.code() != SQLITE_OK) fail("cannot be read", st.code());
    std::string value;
    const int code = sqlite3_step(st.get());
    if (code == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(st.get(), 0);
        value = text ? reinterpret_cast<const char*>(text) : "";
    } else if (code != SQLITE_DONE) {
        fail("cannot be read", code);
    }
    return value;
}

bool ResultCache::readRow(const Statement& st, uint32_t inputs, const std::string& table,
                          const std::string& options) const {
    if (st.code() != SQLITE_OK) fail("cannot be read", st.code());
    bindKey(st, inputs, table, options);
    const int code = sqlite3_step(st.get());
    if (code != SQLITE_ROW && code != SQLITE_DONE) fail("cannot be read", code);
    return code == SQLITE_ROW;
}

std::optional<ResultCache::Entry> ResultCache::Lookup(uint32_t inputs, const std::string& table,
                                                      const std::string& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement st(db_, "SELECT nodes, cost, circuit FROM optimum"
                      " WHERE inputs = ?1 AND truth_table = ?2 AND options = ?3");
    if (!readRow(st, inputs, table, options)) return std::nullopt;
    return entryAt(st, 0);
}

std::vector<ResultCache::Keyed> ResultCache::Entries(const std::string& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement st(db_, "SELECT inputs, truth_table, nodes, cost, circuit FROM optimum"
                      " WHERE options = ?1 ORDER BY inputs, truth_table");
    if (st.code() != SQLITE_OK) fail("cannot be read", st.code());
    sqlite3_bind_text(st.get(), 1, options.c_str(), -1, SQLITE_TRANSIENT);
    std::vector<Keyed> out;
    for (;;) {
        const int code = sqlite3_step(st.get());
        if (code == SQLITE_DONE) break;
        if (code != SQLITE_ROW) fail("cannot be read", code);
        Keyed k;
        k.inputs = static_cast<uint32_t>(std::min<sqlite3_int64>(
            std::max<sqlite3_int64>(sqlite3_column_int64(st.get(), 0), 0), 0xFFFFFFFF));
        const unsigned char* table = sqlite3_column_text(st.get(), 1);
        k.table = table ? reinterpret_cast<const char*>(table) : "";
        k.entry = entryAt(st, 2);
        out.push_back(std::move(k));
    }
    return out;
}

void ResultCache::Store(uint32_t inputs, const std::string& table, const std::string& options,
                        const Entry& entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement st(db_, "INSERT OR REPLACE INTO optimum"
                      " (inputs, truth_table, options, nodes, cost, circuit)"
                      " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (st.code() != SQLITE_OK) fail("cannot be written", st.code());
    bindKey(st, inputs, table, options);
    sqlite3_bind_int64(st.get(), 4, entry.nodes);
    sqlite3_bind_int64(st.get(), 5, entry.cost);
    sqlite3_bind_text(st.get(), 6, entry.circuit.c_str(), -1, SQLITE_TRANSIENT);
    const int code = sqlite3_step(st.get());
    if (code != SQLITE_DONE) fail("cannot be written", code);
}

std::optional<uint32_t> ResultCache::LowerBound(uint32_t inputs, const std::string& table,
                                                const std::string& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement st(db_, "SELECT below FROM lower_bound"
                      " WHERE inputs = ?1 AND truth_table = ?2 AND options = ?3");
    if (!readRow(st, inputs, table, options)) return std::nullopt;
    const sqlite3_int64 v = sqlite3_column_int64(st.get(), 0);
    if (v <= 0 || v > 0xFFFFFF) return std::nullopt;
    return static_cast<uint32_t>(v);
}

void ResultCache::StoreLowerBound(uint32_t inputs, const std::string& table,
                                  const std::string& options, uint32_t below) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement st(db_, "INSERT INTO lower_bound (inputs, truth_table, options, below)"
                      " VALUES (?1, ?2, ?3, ?4) ON CONFLICT (inputs, truth_table, options)"
                      " DO UPDATE SET below = max(below, excluded.below)");
    if (st.code() != SQLITE_OK) fail("cannot be written", st.code());
    bindKey(st, inputs, table, options);
    sqlite3_bind_int64(st.get(), 4, below);
    const int code = sqlite3_step(st.get());
    if (code != SQLITE_DONE) fail("cannot be written", code);
}
