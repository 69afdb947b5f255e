// qmr with production records, against the simulated unit (the gang box in
// the gang build): numbers drawn from a series go into the devices and into
// the records, failed sockets void theirs, records that cannot be written
// stop a cycle before any device is programmed, and a run killed at any
// point of its cycle never lets a number be drawn twice.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "cli/clirun.h"
#include "protocol/commands.h"
#include "support/pgserver.h"

extern char** environ;

namespace {

using namespace qmrtest;
using qmrtest::qmr;

class Records : public Cli {
protected:
    std::string db() const { return t.at("records.db"); }
    // qmr with the records of this test and a station name.
    QmrRun q(std::vector<std::string> args, const std::string& where = {})
    {
        args.insert(args.begin(), {"--records", where.empty() ? db() : where, "--station", "line-1"});
        return qmr(args);
    }
    static size_t serialEpvFrames()
    {
        size_t n = 0;
        with([&](qmr::sim::Device& d) {
            for (const auto& f : d.frames()) n += f.command == qmr::protocol::cmd::kExpEpv;
        });
        return n;
    }
    // The serial-number rows of an export, by number.
    std::map<std::string, Json> serialRows(const std::string& where = {})
    {
        QmrRun r = q({"records", "export", "--json"}, where);
        EXPECT_EQ(r.exit, 0) << r.err;
        std::map<std::string, Json> rows;
        for (const Json& row : r.events())
            if (!row["serial"].is_null()) rows[row["serial"]] = row;
        return rows;
    }
    // The sockets that hold a unit.
    static std::vector<int> sockets() { return kGang ? std::vector<int>{1, 2, 3, 5, 6, 8} : std::vector<int>{1}; }
};

TEST_F(Records, NumbersComeFromASeriesIntoTheDevicesAndEveryResultIsKept)
{
    ASSERT_EQ(q({"records", "init", "lot", "--address", "20", "--size", "2", "--first", "100"}).exit, 0);
    QmrRun r = q({"--json", "serial", "epv", "--series", "lot"});
    ASSERT_EQ(r.exit, 0) << r.err;
    auto units = r.all("unit");
    ASSERT_EQ(units.size(), sockets().size());
    // Each socket holding a unit takes the next number; no number is spent on an empty one.
    for (size_t i = 0; i < units.size(); ++i) {
        char want[24];
        std::snprintf(want, sizeof want, "%04zx", 0x100 + i);
        EXPECT_EQ(units[i]["serial"], want);
        auto m = target(sockets()[i]);
        EXPECT_EQ(m[0x20], 0x01) << i;
        EXPECT_EQ(m[0x21], 0x00 + i) << i;
    }
    char next[24];
    std::snprintf(next, sizeof next, "%04zx", 0x100 + units.size());
    EXPECT_EQ(r.last("result")["next"], next);
    // A device operation without numbers is kept too.
    ASSERT_EQ(q({"device-checksum"}).exit, 0);
    QmrRun all = q({"records", "export", "--json"});
    ASSERT_EQ(all.exit, 0);
    auto rows = all.events();
    ASSERT_EQ(rows.size(), 2 * units.size());
    EXPECT_EQ(rows[0]["command"], "serial epv");
    EXPECT_EQ(rows[0]["state"], "programmed");
    EXPECT_EQ(rows[0]["serial"], "0100");
    EXPECT_EQ(rows[0]["series"], "lot");
    EXPECT_EQ(rows[0]["station"], "line-1");
    EXPECT_EQ(rows[0]["result"], "OK");
    EXPECT_EQ(rows[0]["image_name"], "blinky.hex");
    EXPECT_EQ(rows[0]["setting"], "DEMO NM78F0511 EPV");
    EXPECT_FALSE(rows[0]["unit_serial"].get<std::string>().empty());
    EXPECT_EQ(rows.back()["command"], "device-checksum");
    EXPECT_TRUE(rows.back()["serial"].is_null());
    // CSV into a file, --since, the summary.
    ASSERT_EQ(q({"records", "export", "--csv", "-o", t.at("out.csv")}).exit, 0);
    std::ifstream f(t.at("out.csv"));
    std::string header, first;
    std::getline(f, header);
    std::getline(f, first);
    EXPECT_EQ(header.rfind("time,station,unit_serial,socket,command,result", 0), 0u) << header;
    EXPECT_NE(first.find(",serial epv,OK,0,,"), std::string::npos) << first;
    EXPECT_NE(first.find(",lot,0100,programmed"), std::string::npos) << first;
    EXPECT_EQ(q({"records", "export", "--json", "--since", "2999-01-01"}).out, "");
    EXPECT_EQ(q({"records", "export", "--json", "--since", "last week"}).exit, 2);
    QmrRun sum = q({"--json", "records", "summary"});
    ASSERT_EQ(sum.exit, 0) << sum.err;
    EXPECT_EQ(sum.last("result")["sockets"].size(), units.size());
    EXPECT_EQ(sum.last("result")["sockets"][0]["ok"], 2);
    EXPECT_EQ(sum.last("result")["series"][0]["programmed"], int(units.size()));
    // --series needs records; it takes no numbers of its own.
    EXPECT_EQ(qmr({"serial", "epv", "--series", "lot"}).exit, 2);
    EXPECT_EQ(q({"serial", "epv", "--series", "lot", "--address", "20", "--start", "1"}).exit, 2);
}

#ifdef QMR_GANG
TEST_F(Records, FailedSocketsVoidTheirNumbersAndTheNextCycleGoesOnAfterTheLastOneDrawn)
{
    ASSERT_EQ(q({"records", "init", "lot", "--address", "20", "--size", "4", "--first", "0x1000"}).exit, 0);
    with([](qmr::sim::Device& d) {
        d.injectTargetError(3, 40);
        d.injectTargetError(6, 15);
    });
    QmrRun r = q({"--json", "serial", "epv", "--series", "lot"});
    EXPECT_EQ(r.exit, 1) << r.err;
    auto rows = serialRows();
    ASSERT_EQ(rows.size(), 6u);
    // Sockets 1, 2, 3, 5, 6, 8 took 1000..1005.
    EXPECT_EQ(rows["00001002"]["socket"], 3);
    EXPECT_EQ(rows["00001002"]["state"], "void");
    EXPECT_EQ(rows["00001002"]["code"], 40);
    EXPECT_EQ(rows["00001004"]["socket"], 6);
    EXPECT_EQ(rows["00001004"]["state"], "void");
    EXPECT_EQ(rows["00001004"]["code"], 15);
    for (const char* ok : {"00001000", "00001001", "00001003", "00001005"}) EXPECT_EQ(rows[ok]["state"], "programmed") << ok;
    // The production loop draws on from the series.
    ASSERT_EQ(q({"info"}).exit, 0);
    with([](qmr::sim::Device& d) { d.pressStartButton(); });
    QmrRun loop = q({"--json", "run", "--on-button", "--cycles", "1", "--poll-ms", "10", "--series", "lot"});
    ASSERT_EQ(loop.exit, 0) << loop.err;
    EXPECT_EQ(loop.all("unit").front()["serial"], "00001006");
    EXPECT_EQ(serialRows().size(), 12u);
    QmrRun sum = q({"--json", "records", "summary"});
    const Json yields = sum.last("result")["sockets"];
    for (const Json& y : yields)
        if (y["socket"] == 3) {
            EXPECT_EQ(y["ng"], 1);
            EXPECT_EQ(y["failures"][0]["code"], 40);
        }
}
#endif

// A tmpfs of its own (root only): a full disk, a read-only one.
class Tmpfs {
public:
    explicit Tmpfs(const std::string& dir, const char* size) : dir_(dir)
    {
        mkdir(dir.c_str(), 0700);
        mounted_ = mount("tmpfs", dir.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
    }
    ~Tmpfs()
    {
        if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool readOnly() { return mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }
    // Fills the file system to its last byte.
    void fill()
    {
        int fd = open((dir_ + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
        std::vector<char> block(4096, 'x');
        while (write(fd, block.data(), block.size()) > 0) {
        }
        close(fd);
    }

private:
    std::string dir_;
    bool mounted_ = false;
};

TEST_F(Records, RecordsThatCannotBeWrittenStopTheCycleBeforeAnyDeviceIsProgrammed)
{
    // Two numbers: the single unit uses them up, the gang box needs six at once.
    ASSERT_EQ(q({"records", "init", "lot", "--address", "20", "--size", "1", "--first", "fe"}).exit, 0);
    if (!kGang) {
        for (int i = 0; i < 2; ++i) ASSERT_EQ(q({"serial", "epv", "--series", "lot"}).exit, 0);
    }
    with([](qmr::sim::Device& d) { d.clearFrames(); });
    const std::vector<uint8_t> before = target(1);
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string where;
        const char* says;
    } cases[] = {
        {"missing records", {"serial", "epv", "--series", "lot"}, t.at("none.db"), "no production records"},
        {"unknown series", {"serial", "epv", "--series", "other"}, "", "no series named other"},
        {"used-up series", {"serial", "epv", "--series", "lot"}, "",
         kGang ? "2 numbers left and 6 are needed" : "0 numbers left and 1 are needed"},
        {"plain EPV, missing records", {"epv"}, t.at("none.db"), "no production records"},
    };
    for (const Case& c : cases) {
        QmrRun r = q(c.args, c.where);
        EXPECT_EQ(r.exit, 6) << c.what << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << "\n" << r.err;
    }
    // The disk is full, or read-only: an error that says so.
    Tmpfs fs(t.at("fs"), "512k");
    if (!fs.mounted()) {
        std::fprintf(stderr, "note: no tmpfs can be mounted here (root only): the full and read-only disks are left out\n");
    } else {
        const std::string full = t.at("fs/records.db");
        ASSERT_EQ(q({"records", "init", "big", "--address", "20", "--size", "4", "--first", "0"}, full).exit, 0);
        fs.fill();
        QmrRun r = q({"serial", "epv", "--series", "big"}, full);
        EXPECT_EQ(r.exit, 6) << r.err;
        EXPECT_NE(r.err.find("No device was programmed"), std::string::npos) << r.err;
        ASSERT_EQ(unlink(t.at("fs/filler").c_str()), 0);
        ASSERT_TRUE(fs.readOnly()) << std::strerror(errno);
        QmrRun ro = q({"serial", "epv", "--series", "big"}, full);
        EXPECT_EQ(ro.exit, 6) << ro.err;
        EXPECT_NE(ro.err.find("read-only"), std::string::npos) << ro.err;
        // Reading them still works.
        EXPECT_EQ(q({"records", "summary"}, full).exit, 0);
    }
    EXPECT_EQ(serialEpvFrames(), 0u);
    size_t epvs = 0;
    with([&](qmr::sim::Device& d) {
        for (const auto& f : d.frames()) epvs += f.command == qmr::protocol::cmd::kEpv;
    });
    EXPECT_EQ(epvs, 0u);
    EXPECT_EQ(target(1), before);
}

// A server connection lost during the EPV: the records are written on a new
// connection; a server out of reach leaves the numbers reserved and listed.
std::string g_pgWhere;
bool g_pgGone = false;
void dropAtProgramming(const char* point)
{
    if (std::string(point) != "programming") return;
    if (g_pgGone) PgServer::shared().allowConnections(g_pgWhere, false);
    PgServer::shared().dropConnections(g_pgWhere);
}

TEST_F(Records, OnAServerALostConnectionNeverLosesTrackOfANumber)
{
    auto& server = PgServer::shared();
    ASSERT_TRUE(server.running()) << server.why();
    g_pgWhere = server.createDatabase();
    ASSERT_EQ(q({"records", "init", "lot", "--address", "20", "--size", "2", "--first", "1"}, g_pgWhere).exit, 0);
    qmr::cli::setCycleHook(dropAtProgramming);
    g_pgGone = false;
    QmrRun r = q({"serial", "epv", "--series", "lot"}, g_pgWhere);
    EXPECT_EQ(r.exit, 0) << r.err;
    g_pgGone = true;
    QmrRun lost = q({"serial", "epv", "--series", "lot"}, g_pgWhere);
    qmr::cli::setCycleHook(nullptr);
    server.allowConnections(g_pgWhere, true);
    EXPECT_EQ(lost.exit, 6);
    EXPECT_NE(lost.err.find("stay reserved"), std::string::npos) << lost.err;
    // The next run lists them and draws after them.
    QmrRun next = q({"--json", "serial", "epv", "--series", "lot"}, g_pgWhere);
    ASSERT_EQ(next.exit, 0) << next.err;
    ASSERT_FALSE(next.all("warning").empty());
    const size_t n = sockets().size();
    EXPECT_EQ(next.last("warning")["unresolved"].size(), n);
    char want[24];
    std::snprintf(want, sizeof want, "%04zx", 1 + 2 * n);
    EXPECT_EQ(next.all("unit").front()["serial"], want);
}

#ifndef QMR_GANG
struct Process {
    int exit = -1, signal = 0;
    std::string out, err;
};

// Runs a program with extra environment; its output through files.
Process runProcess(const std::vector<std::string>& args, const std::vector<std::string>& env, const Scratch& t)
{
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) {
        std::string kv = *e;
        bool replaced = false;
        for (const auto& o : env) replaced |= kv.substr(0, kv.find('=')) == o.substr(0, o.find('='));
        if (!replaced) envs.push_back(kv);
    }
    envs.insert(envs.end(), env.begin(), env.end());
    std::vector<std::string> a = args;
    std::vector<char*> argv, envp;
    for (auto& s : a) argv.push_back(s.data());
    argv.push_back(nullptr);
    for (auto& s : envs) envp.push_back(s.data());
    envp.push_back(nullptr);
    const std::string out = t.at("proc.out"), err = t.at("proc.err");
    pid_t pid = fork();
    if (pid == 0) {
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(o, 1);
        dup2(e, 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    Process p;
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) p.exit = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) p.signal = WTERMSIG(status);
    std::ifstream fo(out), fe(err);
    p.out.assign(std::istreambuf_iterator<char>(fo), {});
    p.err.assign(std::istreambuf_iterator<char>(fe), {});
    return p;
}

TEST_F(Records, ARunKilledAtAnyPointOfItsCycleNeverLetsANumberBeDrawnAgain)
{
    // A unit of its own in a folder, for the programs this test starts.
    const std::vector<std::string> env = {"QMR_LINK=sim", "QMR_SIM_DIR=" + t.at("sim"), "QMR_READ_TIMEOUT_MS=3000"};
    auto run = [&](std::vector<std::string> args, const std::string& crashAt = {}) {
        args.insert(args.begin(), {QMR_CRASH_HELPER, "--records", db()});
        auto e = env;
        e.push_back("QMRTEST_CRASH_AT=" + crashAt);
        return runProcess(args, e, t);
    };
    ASSERT_EQ(run({"prm", "send", example("class1.prs")}).exit, 0);
    ASSERT_EQ(run({"set", "send", example("demo.set"), "--slot", "0"}).exit, 0);
    ASSERT_EQ(run({"image", "download", example("blinky.hex")}).exit, 0);
    ASSERT_EQ(q({"records", "init", "lot", "--address", "20", "--size", "2", "--first", "100"}).exit, 0);
    for (const char* point : {"reserved", "programming", "recording"}) {
        Process p = run({"serial", "epv", "--series", "lot"}, point);
        EXPECT_EQ(p.signal, SIGKILL) << point << ": exit " << p.exit << "\n" << p.err;
    }
    // The next run says which numbers wait for a verdict and draws a new one.
    Process next = run({"serial", "epv", "--series", "lot"});
    ASSERT_EQ(next.exit, 0) << next.err;
    EXPECT_NE(next.err.find("3 numbers were left reserved"), std::string::npos) << next.err;
    EXPECT_NE(next.out.find("serial=0103"), std::string::npos) << next.out;
    QmrRun list = q({"--json", "records", "resolve"});
    ASSERT_EQ(list.exit, 0);
    auto left = list.last("result")["unresolved"];
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0]["serial"], "0100");
    EXPECT_EQ(left[2]["serial"], "0102");
    // A person checks the devices: the last one was programmed before the kill.
    EXPECT_EQ(q({"records", "resolve", "0102", "--series", "lot", "--programmed", "--note", "read back"}).exit, 0);
    EXPECT_EQ(q({"records", "resolve", "0100", "0101", "--series", "lot", "--void"}).exit, 0);
    EXPECT_EQ(q({"records", "resolve", "0101", "--series", "lot", "--programmed"}).exit, 6);  // decided already
    EXPECT_EQ(q({"records", "resolve", "0101", "--series", "lot"}).exit, 2);
    auto rows = serialRows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows["0100"]["state"], "void");
    EXPECT_EQ(rows["0102"]["state"], "programmed");
    EXPECT_NE(rows["0102"]["text"].get<std::string>().find("read back"), std::string::npos);
    EXPECT_EQ(rows["0103"]["state"], "programmed");
}
#endif

}  // namespace
