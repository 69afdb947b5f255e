// The records on a PostgreSQL server, through libpq.  The connection has
// time-outs (connecting, keep-alive probes, lock waits) so that a server that
// goes away ends a command with an error instead of hanging it; a connection
// found broken between transactions is opened again.
#include <libpq-fe.h>

#include <cstring>

#include "records/connection.h"

namespace qmr::records {

namespace {

// The URI without its password, for messages.
std::string withoutPassword(const std::string& uri)
{
    std::string s = uri;
    const auto scheme = s.find("://");
    if (scheme != std::string::npos) {
        const auto at = s.find('@', scheme + 3);
        const auto colon = s.find(':', scheme + 3);
        const auto slash = s.find('/', scheme + 3);
        if (at != std::string::npos && colon != std::string::npos && colon < at && (slash == std::string::npos || at < slash))
            s.replace(colon + 1, at - colon - 1, "***");
    }
    const auto pw = s.find("password=");
    if (pw != std::string::npos) {
        const auto end = s.find_first_of("& ", pw);
        s.replace(pw + 9, (end == std::string::npos ? s.size() : end) - pw - 9, "***");
    }
    return s;
}

std::string trimmed(const char* m)
{
    std::string s = m ? m : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

class Postgres : public Connection {
public:
    explicit Postgres(const std::string& uri) : uri_(uri), where_(withoutPassword(uri))
    {
        try {
            connect();
        } catch (...) {
            PQfinish(conn_);  // the destructor does not run for a connection that failed here
            throw;
        }
    }
    ~Postgres() override { PQfinish(conn_); }

    std::vector<Row> query(const std::string& sql, const std::vector<Value>& params) override
    {
        // Between transactions a broken connection is opened again.
        if (!inTransaction_ && PQstatus(conn_) != CONNECTION_OK) {
            PQreset(conn_);
            if (PQstatus(conn_) != CONNECTION_OK) throw lost();
        }
        std::vector<std::string> texts(params.size());
        std::vector<const char*> values(params.size());
        for (size_t i = 0; i < params.size(); ++i) {
            if (const auto* v = std::get_if<int64_t>(&params[i])) {
                texts[i] = std::to_string(*v);
                values[i] = texts[i].c_str();
            } else if (const auto* t = std::get_if<std::string>(&params[i])) {
                values[i] = t->c_str();
            } else {
                values[i] = nullptr;
            }
        }
        PGresult* r = PQexecParams(conn_, sql.c_str(), int(params.size()), nullptr, values.data(), nullptr, nullptr, 0);
        struct Clear {
            PGresult* r;
            ~Clear() { PQclear(r); }
        } c{r};
        const ExecStatusType st = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) throw failure(r);
        std::vector<Row> rows;
        const int n = PQntuples(r), m = PQnfields(r);
        rows.reserve(size_t(n));
        for (int i = 0; i < n; ++i) {
            Row row;
            for (int k = 0; k < m; ++k) {
                if (PQgetisnull(r, i, k)) row.emplace_back();
                else row.emplace_back(std::string(PQgetvalue(r, i, k), size_t(PQgetlength(r, i, k))));
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

    void begin() override
    {
        try {
            query("BEGIN", {});
        } catch (const Error& e) {
            // A connection the server dropped while it was idle shows only
            // now; nothing was sent yet, so the transaction starts again on a
            // new one (which fails in its turn when the server is gone).
            if (e.kind != Error::Lost) throw;
            query("BEGIN", {});
        }
        inTransaction_ = true;
    }
    void commit() override
    {
        inTransaction_ = false;
        query("COMMIT", {});
    }
    void rollback() noexcept override
    {
        inTransaction_ = false;
        if (PQstatus(conn_) == CONNECTION_OK) PQclear(PQexec(conn_, "ROLLBACK"));
    }
    bool postgres() const override { return true; }
    const std::string& where() const override { return where_; }

private:
    void connect()
    {
        // Defaults first: what the URI says wins.
        // A lock held by a station that stopped answering does not hold the others for ever.
        const char* keys[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval", "keepalives_count",
                              "tcp_user_timeout", "application_name", "options", "dbname", nullptr};
        const char* values[] = {"10", "1", "10", "5", "3", "30000", "qmr", "-c lock_timeout=30s -c statement_timeout=60s",
                                uri_.c_str(), nullptr};
        conn_ = PQconnectdbParams(keys, values, 1);
        if (!conn_) throw Error(Error::Failed, "no memory for a connection to the production records");
        if (PQstatus(conn_) != CONNECTION_OK)
            throw Error(Error::Lost, "the production records server at " + where_ + " cannot be reached: " +
                                         trimmed(PQerrorMessage(conn_)));
    }
    Error lost() const
    {
        return Error(Error::Lost, "the connection to the production records server at " + where_ + " was lost: " +
                                      trimmed(PQerrorMessage(conn_)));
    }
    Error failure(PGresult* r) const
    {
        if (PQstatus(conn_) != CONNECTION_OK) return lost();
        const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        const std::string s = state ? state : "";
        const std::string why = trimmed(r ? PQresultErrorMessage(r) : PQerrorMessage(conn_));
        Error::Kind k = Error::Failed;
        if (s == "53100") k = Error::Full;
        else if (s == "25006") k = Error::ReadOnly;
        else if (s.rfind("08", 0) == 0 || s.rfind("57P", 0) == 0) k = Error::Lost;
        return Error(k, "the production records at " + where_ + ": " + why);
    }

    std::string uri_, where_;
    PGconn* conn_ = nullptr;
    bool inTransaction_ = false;
};

}  // namespace

std::unique_ptr<Connection> openPostgres(const std::string& uri) { return std::make_unique<Postgres>(uri); }

}  // namespace qmr::records
