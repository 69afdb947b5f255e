#include "support/pgserver.h"

#include <fcntl.h>
#include <glob.h>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace qmrtest {

namespace {

constexpr const char* kPort = "5432";

// The newest server Debian installed.
std::string serverBin()
{
    if (const char* b = std::getenv("QMR_PG_BIN"); b && *b) return b;
    glob_t g{};
    std::string best;
    if (glob("/usr/lib/postgresql/*/bin/postgres", 0, nullptr, &g) == 0) {
        int bestVersion = -1;
        for (size_t i = 0; i < g.gl_pathc; ++i) {
            std::string p = g.gl_pathv[i];
            int v = std::atoi(p.c_str() + std::strlen("/usr/lib/postgresql/"));
            if (v > bestVersion) {
                bestVersion = v;
                best = p.substr(0, p.size() - std::strlen("/postgres"));
            }
        }
    }
    globfree(&g);
    return best;
}

struct Account {
    bool drop = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

// Run by root, the server runs as postgres.
bool serverAccount(Account& a, std::string& why)
{
    if (geteuid() != 0) return true;
    struct passwd* pw = getpwnam("postgres");
    if (!pw) {
        why = "no postgres user (the postgresql package makes it)";
        return false;
    }
    a.drop = true;
    a.uid = pw->pw_uid;
    a.gid = pw->pw_gid;
    return true;
}

// In the child: become the server's account.
void become(const Account& a)
{
    if (!a.drop) return;
    if (setgroups(0, nullptr) != 0 || setgid(a.gid) != 0 || setuid(a.uid) != 0) _exit(126);
}

std::string slurp(const std::string& path)
{
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace

PgServer& PgServer::shared()
{
    static PgServer server(false);
    return server;
}

PgServer::PgServer(bool durable)
{
    bin_ = serverBin();
    if (bin_.empty()) {
        why_ = "no PostgreSQL server is installed (apt-get install postgresql)";
        return;
    }
    Account account;
    if (!serverAccount(account, why_)) return;
    char tmpl[] = "/tmp/qmr-pg-XXXXXX";
    if (!mkdtemp(tmpl)) {
        why_ = std::string("no temporary folder: ") + std::strerror(errno);
        return;
    }
    dir_ = tmpl;
    if (account.drop && chown(dir_.c_str(), account.uid, account.gid) != 0) {
        why_ = "the temporary folder cannot be given to postgres";
        return;
    }
    std::string out;
    if (!run(bin_ + "/initdb", {"-D", dir_ + "/data", "-A", "trust", "-U", "postgres", "-E", "UTF8", "--no-sync"}, out)) {
        why_ = "initdb failed: " + out;
        return;
    }
    const pid_t parent = getpid();
    const std::string log = dir_ + "/server.log";
    // Everything the child needs is made before the fork: it only calls the system.
    std::vector<std::string> args = {bin_ + "/postgres", "-D", dir_ + "/data", "-k", dir_, "-p", kPort,
                                     "-c", "listen_addresses=", "-c", "max_connections=60"};
    if (!durable) args.insert(args.end(), {"-c", "fsync=off", "-c", "synchronous_commit=off", "-c", "full_page_writes=off"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        become(account);
        // The server quits (at once) when the process that started it dies.
        prctl(PR_SET_PDEATHSIG, SIGQUIT);
        if (getppid() != parent) _exit(0);
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0) {
        why_ = "fork failed";
        return;
    }
    pid_ = pid;
    const std::string conninfo = "host=" + dir_ + " port=" + kPort + " user=postgres dbname=postgres";
    for (int i = 0; i < 600; ++i) {
        if (PQping(conninfo.c_str()) == PQPING_OK) return;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = 0;
            why_ = "the server did not start: " + slurp(log);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    why_ = "the server did not answer within 30 s: " + slurp(log);
    stop();
}

bool PgServer::run(const std::string& program, const std::vector<std::string>& args, std::string& output)
{
    Account account;
    std::string why;
    serverAccount(account, why);
    const std::string log = dir_ + "/" + std::filesystem::path(program).filename().string() + ".log";
    std::vector<std::string> all = args;
    all.insert(all.begin(), program);
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        become(account);
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return false;
    output = slurp(log);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string PgServer::uri(const std::string& database) const
{
    return "postgresql:///" + database + "?host=" + dir_ + "&port=" + kPort + "&user=postgres";
}

namespace {
bool exec(const std::string& conninfo, const std::string& sql, std::string& why)
{
    PGconn* c = PQconnectdb(conninfo.c_str());
    bool ok = PQstatus(c) == CONNECTION_OK;
    if (ok) {
        PGresult* r = PQexec(c, sql.c_str());
        ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        if (!ok) why = PQresultErrorMessage(r);
        PQclear(r);
    } else {
        why = PQerrorMessage(c);
    }
    PQfinish(c);
    return ok;
}
}  // namespace

std::string PgServer::createDatabase()
{
    if (!running()) return {};
    std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(++databases_);
    std::string why;
    if (!exec(uri("postgres"), "CREATE DATABASE " + name, why)) {
        why_ = "CREATE DATABASE failed: " + why;
        return {};
    }
    return uri(name);
}

namespace {
std::string databaseOf(const std::string& uri)
{
    const std::string head = "postgresql:///";
    return uri.substr(head.size(), uri.find('?') - head.size());
}
}  // namespace

void PgServer::allowConnections(const std::string& uri, bool allow)
{
    std::string why;
    exec(this->uri("postgres"), "ALTER DATABASE " + databaseOf(uri) + " ALLOW_CONNECTIONS " + (allow ? "true" : "false"), why);
}

void PgServer::dropConnections(const std::string& uri)
{
    const std::string database = databaseOf(uri);
    std::string why;
    exec(this->uri("postgres"),
         "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + database + "'", why);
}

void PgServer::stop()
{
    if (pid_ > 0) {
        kill(pid_, SIGINT);  // a fast shutdown
        int status = 0;
        for (int i = 0; i < 600; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = 0;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = 0;
        }
    }
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        dir_.clear();
    }
}

PgServer::~PgServer() { stop(); }

}  // namespace qmrtest
