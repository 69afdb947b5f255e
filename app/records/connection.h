// A connection to the database that keeps the production records: an SQLite
// file on one station, a PostgreSQL server for a line of stations.  The
// ledger speaks one dialect of SQL to both: parameters are written $1, $2 ...;
// every value comes back as text (or none for NULL).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace qmr::records {

// Why the records could not be read or written.
struct Error : std::runtime_error {
    enum Kind {
        Failed,    // any other failure of the database
        Missing,   // there are no records at that place
        ReadOnly,  // the records may be read but not written
        Full,      // the disk (or the server's) is full
        Lost,      // the connection to the server broke
        Refused,   // the records refuse what was asked (an unknown series, an exhausted one)
    };
    Error(Kind k, const std::string& what) : std::runtime_error(what), kind(k) {}
    Kind kind;
};

using Value = std::variant<std::nullptr_t, int64_t, std::string>;
using Row = std::vector<std::optional<std::string>>;

class Connection {
public:
    virtual ~Connection() = default;
    // Runs one statement; the rows it returns.  Throws Error.
    virtual std::vector<Row> query(const std::string& sql, const std::vector<Value>& params = {}) = 0;
    // A transaction that writes: it holds the write lock from its start on
    // SQLite; on PostgreSQL the rows it reads FOR UPDATE are locked.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    virtual bool postgres() const = 0;
    // Where the records are, for messages (no password).
    virtual const std::string& where() const = 0;
};

// The SQLite file at path; create makes it when it is missing.
std::unique_ptr<Connection> openSqlite(const std::string& path, bool create);
// A PostgreSQL server by its URI (postgresql://...).
std::unique_ptr<Connection> openPostgres(const std::string& uri);

// A write transaction that is rolled back unless it was committed.
class Transaction {
public:
    explicit Transaction(Connection& c) : c_(c) { c_.begin(); }
    ~Transaction()
    {
        if (!done_) c_.rollback();
    }
    void commit()
    {
        c_.commit();
        done_ = true;
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Connection& c_;
    bool done_ = false;
};

}  // namespace qmr::records
