// A throw-away PostgreSQL server for the tests and the benchmarks: Debian's
// own server (the postgresql package), made with initdb in a temporary folder
// and listening on a socket in that folder only.  The server refuses to run
// as root: run by root, it runs as the postgres user the package makes.  It
// stops when stop() is called or when this process ends (it is told to quit
// when its parent dies), and its folder is removed.
#pragma once

#include <string>
#include <vector>

namespace qmrtest {

class PgServer {
public:
    // The server of this process, started on first use; empty why() when it runs.
    static PgServer& shared();
    bool running() const { return pid_ > 0; }
    const std::string& why() const { return why_; }
    // A new, empty database and its URI.
    std::string createDatabase();
    // The URI of a database of this server.
    std::string uri(const std::string& database) const;
    // Makes the server drop every connection to a database of createDatabase (a lost connection).
    void dropConnections(const std::string& uri);
    // Lets a database take connections, or not (a server that cannot be reached).
    void allowConnections(const std::string& uri, bool allow);
    void stop();
    ~PgServer();

    // durable = false turns fsync off (the tests); the benchmark keeps it on.
    explicit PgServer(bool durable);
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

private:
    bool run(const std::string& program, const std::vector<std::string>& args, std::string& output);
    std::string bin_, dir_, why_;
    int pid_ = 0;
    int databases_ = 0;
};

}  // namespace qmrtest
