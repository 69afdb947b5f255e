// The records in an SQLite file: write-ahead log with full synchronous
// commits, so that a commit is on the disk when it returns and a second
// process may read and write the same file at the same time; writers wait
// for each other (a busy time-out) instead of failing.
#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "records/connection.h"

namespace qmr::records {

namespace {

constexpr int kBusyTimeoutMs = 15000;

class Sqlite : public Connection {
public:
    Sqlite(const std::string& path, bool create) : where_(path)
    {
        struct stat st {};
        if (!create && stat(path.c_str(), &st) != 0)
            throw Error(Error::Missing, "there are no production records at " + path);
        int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0), nullptr);
        if (rc != SQLITE_OK) {
            std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close(db_);
            db_ = nullptr;
            throw Error(rc == SQLITE_CANTOPEN ? Error::Missing : Error::Failed,
                        "the production records at " + path + " cannot be opened: " + why);
        }
        try {
            setUp();
        } catch (...) {
            // The destructor does not run for a connection that failed here.
            sqlite3_close_v2(db_);
            throw;
        }
    }
    ~Sqlite() override { sqlite3_close_v2(db_); }

    std::vector<Row> query(const std::string& sql, const std::vector<Value>& params) override
    {
        // $N is ?N here: the same numbered parameter.
        std::string s = sql;
        for (size_t i = 0; i < s.size(); ++i)
            if (s[i] == '$' && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9') s[i] = '?';
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(db_, s.c_str(), int(s.size()), &st, nullptr);
        if (rc != SQLITE_OK) fail(rc);
        struct Finalize {
            sqlite3_stmt* s;
            ~Finalize() { sqlite3_finalize(s); }
        } f{st};
        for (size_t i = 0; i < params.size(); ++i) {
            const int k = int(i) + 1;
            if (const auto* v = std::get_if<int64_t>(&params[i])) rc = sqlite3_bind_int64(st, k, *v);
            else if (const auto* t = std::get_if<std::string>(&params[i]))
                rc = sqlite3_bind_text(st, k, t->data(), int(t->size()), SQLITE_TRANSIENT);
            else rc = sqlite3_bind_null(st, k);
            if (rc != SQLITE_OK) fail(rc);
        }
        std::vector<Row> rows;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            Row r;
            const int n = sqlite3_column_count(st);
            for (int c = 0; c < n; ++c) {
                if (sqlite3_column_type(st, c) == SQLITE_NULL) {
                    r.emplace_back();
                } else {
                    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                    r.emplace_back(std::string(t ? t : "", size_t(sqlite3_column_bytes(st, c))));
                }
            }
            rows.push_back(std::move(r));
        }
        if (rc != SQLITE_DONE) fail(rc);
        return rows;
    }

    void begin() override
    {
        if (readOnly_) throw Error(Error::ReadOnly, "the production records at " + where_ + " are read-only");
        query("BEGIN IMMEDIATE", {});
    }
    void commit() override { query("COMMIT", {}); }
    void rollback() noexcept override
    {
        if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    bool postgres() const override { return false; }
    const std::string& where() const override { return where_; }

private:
    void setUp()
    {
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        // A file the program may not write is opened for reading only.
        readOnly_ = sqlite3_db_readonly(db_, "main") == 1;
        if (!readOnly_) {
            auto mode = query("PRAGMA journal_mode=WAL", {});
            if (mode.empty() || !mode[0][0] || *mode[0][0] != "wal")
                throw Error(Error::Failed, "the production records at " + where_ + " cannot keep a write-ahead log");
        }
        query("PRAGMA synchronous=FULL", {});
        query("PRAGMA foreign_keys=ON", {});
    }
    Error::Kind kindOf(int rc) const
    {
        // A write the disk had no room for may come back as an I/O error.
        if (db_ && sqlite3_system_errno(db_) == ENOSPC) return Error::Full;
        switch (rc & 0xFF) {
        case SQLITE_READONLY: return Error::ReadOnly;
        case SQLITE_FULL: return Error::Full;
        case SQLITE_CANTOPEN: return Error::Missing;
        default: return Error::Failed;
        }
    }
    [[noreturn]] void fail(int rc)
    {
        const Error::Kind k = kindOf(rc);
        std::string why = sqlite3_errmsg(db_);
        if (k == Error::Full) why += " (is the disk full?)";
        throw Error(k, "the production records at " + where_ + ": " + why);
    }

    std::string where_;
    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
};

}  // namespace

std::unique_ptr<Connection> openSqlite(const std::string& path, bool create)
{
    return std::make_unique<Sqlite>(path, create);
}

}  // namespace qmr::records
