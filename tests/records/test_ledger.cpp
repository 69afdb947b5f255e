// The production records on both databases: a real SQLite file and a real
// PostgreSQL server started for these tests.  Numbers are never drawn twice
// (also by two processes or two connections at once), a series ends at its
// last number instead of wrapping round, numbers left reserved stay listed
// until a person resolves them, and the results come back out.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <thread>

#include "records/ledger.h"
#include "scratch.h"
#include "support/pgserver.h"

using namespace qmr::records;

namespace {

enum class Db { Sqlite, Postgres };

class LedgerTest : public ::testing::TestWithParam<Db> {
protected:
    void SetUp() override
    {
        if (GetParam() == Db::Postgres) {
            auto& server = qmrtest::PgServer::shared();
            ASSERT_TRUE(server.running()) << server.why();
            where_ = server.createDatabase();
            ASSERT_FALSE(where_.empty()) << server.why();
        } else {
            where_ = t_.at("records.db");
        }
    }
    std::unique_ptr<Ledger> open() { return Ledger::open(where_, true); }
    // Numbers drawn one by one until the series refuses (at most limit).
    static std::vector<uint64_t> drawAll(Ledger& l, const std::string& series, int limit)
    {
        std::vector<uint64_t> out;
        for (int i = 0; i < limit; ++i) {
            try {
                out.push_back(l.reserve(series, {1}, who).at(0).number);
            } catch (const Error& e) {
                EXPECT_EQ(e.kind, Error::Refused) << e.what();
                break;
            }
        }
        return out;
    }
    static inline const Station who{"station-a", "QMSIM0001"};
    qmrtest::Scratch t_;
    std::string where_;
};

TEST_P(LedgerTest, ASeriesIsCheckedWhenItIsMade)
{
    auto l = open();
    struct Case {
        SeriesTerms terms;
        const char* why;
    } cases[] = {
        {{"", 0x20, 2, 1}, "name"},
        {{"s3", 0x20, 3, 1}, "1, 2, 4 or 8"},
        {{"big", 0x20, 1, 0x100}, "first number"},
        {{"late", 0x20, 2, 0x10, false, 0x10000}, "last number does not fit"},
        {{"up", 0x20, 2, 0x10, false, 0x0F}, "before the first"},
        {{"dn", 0x20, 2, 0x10, true, 0x11}, "before the first"},
    };
    for (const Case& c : cases) {
        try {
            l->createSeries(c.terms);
            ADD_FAILURE() << c.why;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind, Error::Refused);
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
        }
    }
    l->createSeries({"lot-7", 0x20, 2, 0x100});
    EXPECT_THROW(l->createSeries({"lot-7", 0x40, 4, 1}), Error);
    auto s = l->series("lot-7");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->terms.address, 0x20u);
    EXPECT_EQ(s->last, 0xFFFFu);
    EXPECT_FALSE(l->series("lot-8"));
}

TEST_P(LedgerTest, ASeriesEndsAtItsLastNumberInsteadOfWrappingRound)
{
    auto l = open();
    struct Case {
        SeriesTerms terms;
        std::vector<uint64_t> numbers;
    } cases[] = {
        {{"b1", 0, 1, 0xFE}, {0xFE, 0xFF}},
        {{"b1down", 0, 1, 0x01, true}, {0x01, 0x00}},
        {{"b2", 0, 2, 0xFFFE}, {0xFFFE, 0xFFFF}},
        {{"b4", 0, 4, 0xFFFFFFFE}, {0xFFFFFFFE, 0xFFFFFFFF}},
        {{"b8", 0, 8, 0xFFFFFFFFFFFFFFFE}, {0xFFFFFFFFFFFFFFFE, 0xFFFFFFFFFFFFFFFF}},
        {{"b8down", 0, 8, 1, true}, {1, 0}},
        {{"last", 0, 2, 0x10, false, 0x12}, {0x10, 0x11, 0x12}},
        {{"lastdown", 0, 4, 0x10, true, 0x0E}, {0x10, 0x0F, 0x0E}},
    };
    for (const Case& c : cases) {
        l->createSeries(c.terms);
        EXPECT_EQ(drawAll(*l, c.terms.name, 10), c.numbers) << c.terms.name;
        EXPECT_EQ(l->series(c.terms.name)->available(), 0u) << c.terms.name;
    }
    // A gang cycle needs a number per socket: all or none are drawn.
    l->createSeries({"gang", 0, 1, 0xFC});
    EXPECT_THROW(l->reserve("gang", {1, 2, 3, 4, 5}, who), Error);
    auto four = l->reserve("gang", {1, 2, 3, 5}, who);
    ASSERT_EQ(four.size(), 4u);
    EXPECT_EQ(four[3].number, 0xFFu);
    EXPECT_EQ(four[3].socket, 5);
    EXPECT_THROW(l->reserve("nowhere", {1}, who), Error);
}

TEST_P(LedgerTest, NumbersBecomeProgrammedOrVoidAndThoseLeftReservedAreListedUntilResolved)
{
    auto l = open();
    l->createSeries({"lot", 0x20, 2, 0x1000});
    auto d = l->reserve("lot", {1, 2, 3}, who);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[2].number, 0x1002u);
    // Socket 1 passed, socket 2 failed; the cycle of socket 3 never finished.
    l->record({{1, "serial epv", true, 0, "", "1234ABCD", "blinky.hex", "DEMO", d[0].id},
               {2, "serial epv", false, 40, "verify error", "1234ABCD", "blinky.hex", "DEMO", d[1].id}},
              who);
    auto left = l->unresolved();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].number, 0x1002u);
    EXPECT_EQ(left[0].socket, 3);
    EXPECT_EQ(left[0].station, "station-a");
    // The next draw never hands it out again.
    EXPECT_EQ(l->reserve("lot", {1}, who).at(0).number, 0x1003u);
    // A person checked the device: it holds no number.
    l->resolve("lot", 0x1002, false, "socket 3 empty", who);
    EXPECT_EQ(l->unresolved("lot").size(), 1u);  // 0x1003 is still reserved
    try {
        l->resolve("lot", 0x1002, true, "", who);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("void already"), std::string::npos) << e.what();
    }
    EXPECT_THROW(l->resolve("lot", 0x2000, true, "", who), Error);  // never drawn
    auto rows = l->exportRows("");
    ASSERT_EQ(rows.size(), 4u);
    std::map<uint64_t, ExportRow> byNumber;
    for (auto& r : rows) byNumber[*r.serial] = r;
    EXPECT_EQ(byNumber[0x1000].serialState, "programmed");
    EXPECT_EQ(byNumber[0x1000].result, "OK");
    EXPECT_EQ(byNumber[0x1001].serialState, "void");
    EXPECT_EQ(byNumber[0x1001].code, 40);
    EXPECT_EQ(byNumber[0x1002].serialState, "void");
    EXPECT_EQ(byNumber[0x1002].result, "");
    EXPECT_NE(byNumber[0x1002].text.find("socket 3 empty"), std::string::npos);
    EXPECT_EQ(byNumber[0x1003].serialState, "reserved");
    auto counts = l->seriesCounts();
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_EQ(counts[0].programmed, 1);
    EXPECT_EQ(counts[0].voided, 2);
    EXPECT_EQ(counts[0].reserved, 1);
    // --since: a later time leaves them out.
    EXPECT_TRUE(l->exportRows("2999-01-01T00:00:00.000Z").empty());
}

TEST_P(LedgerTest, YieldsArePerSocketWithTheMostFrequentFailures)
{
    auto l = open();
    std::vector<Result> rows;
    for (int i = 0; i < 5; ++i) rows.push_back({1, "epv", true});
    for (int code : {40, 40, 15, 40, 15, 8, 34}) rows.push_back({2, "epv", false, code, "code " + std::to_string(code)});
    rows.push_back({2, "epv", true});
    l->record(rows, who);
    auto y = l->yields("");
    ASSERT_EQ(y.size(), 2u);
    EXPECT_EQ(y[0].ok, 5);
    EXPECT_EQ(y[0].ng, 0);
    EXPECT_EQ(y[1].ok, 1);
    EXPECT_EQ(y[1].ng, 7);
    ASSERT_EQ(y[1].failures.size(), 3u);
    EXPECT_EQ(y[1].failures[0].code, 40);
    EXPECT_EQ(y[1].failures[0].count, 3);
    EXPECT_EQ(y[1].failures[1].code, 15);
    EXPECT_EQ(y[1].failures[2].code, 8);
}

TEST_P(LedgerTest, TheSchemaIsMadeOnceAndANewerOneIsRefused)
{
    if (GetParam() == Db::Sqlite) {
        try {
            Ledger::open(where_, false);
            ADD_FAILURE();
        } catch (const Error& e) {
            EXPECT_EQ(e.kind, Error::Missing);
        }
    }
    {
        auto l = open();
        l->createSeries({"kept", 0, 1, 1});
    }
    auto again = Ledger::open(where_, false);
    EXPECT_TRUE(again->series("kept"));
    // A newer program wrote these records: this one does not touch them.
    std::unique_ptr<Connection> raw = GetParam() == Db::Postgres ? openPostgres(where_) : openSqlite(where_, false);
    raw->query("UPDATE qmr_schema SET version = $1", {int64_t(kSchemaVersion + 1)});
    try {
        Ledger::open(where_, false);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("newer"), std::string::npos) << e.what();
    }
}

// Draws n numbers one at a time; every seventh is void (a failed device).
std::vector<uint64_t> drawMany(Ledger& l, int n, const std::string& station)
{
    std::vector<uint64_t> seqs;
    for (int i = 0; i < n; ++i) {
        Draw d = l.reserve("line", {1}, {station, "QMSIM"}).at(0);
        const bool ok = i % 7 != 3;
        l.record({{1, "serial epv", ok, ok ? 0 : 40, ok ? "" : "verify error", "", "", "", d.id}}, {station, "QMSIM"});
        seqs.push_back(d.seq);
    }
    return seqs;
}

// Every number of the series from the first on was drawn once, and is programmed or a recorded void.
void expectNoNumberTwiceAndNoGap(Ledger& l, std::vector<uint64_t> seqs, size_t total)
{
    ASSERT_EQ(seqs.size(), total);
    std::sort(seqs.begin(), seqs.end());
    for (size_t i = 0; i < seqs.size(); ++i) ASSERT_EQ(seqs[i], i);
    EXPECT_EQ(l.series("line")->drawn, total);
    EXPECT_TRUE(l.unresolved().empty());
    size_t programmed = 0, voided = 0;
    std::set<uint64_t> numbers;
    for (const ExportRow& r : l.exportRows("")) {
        ASSERT_TRUE(r.serial);
        EXPECT_TRUE(numbers.insert(*r.serial).second) << *r.serial;
        programmed += r.serialState == "programmed";
        voided += r.serialState == "void" && r.code == 40;
    }
    EXPECT_EQ(programmed + voided, total);
}

TEST_P(LedgerTest, TwoStationsDrawingAtOnceNeverGetTheSameNumber)
{
    open()->createSeries({"line", 0x20, 4, 0x5000});
    constexpr int kEach = 300;
    std::vector<uint64_t> all;
    if (GetParam() == Db::Sqlite) {
        // Two processes, each with its own connection to the file.
        int fds[2][2];
        pid_t pids[2];
        for (int k = 0; k < 2; ++k) {
            ASSERT_EQ(pipe(fds[k]), 0);
            pids[k] = fork();
            if (pids[k] == 0) {
                close(fds[k][0]);
                int rc = 0;
                try {
                    auto l = Ledger::open(where_, false);
                    for (uint64_t s : drawMany(*l, kEach, "station-" + std::to_string(k)))
                        if (write(fds[k][1], &s, sizeof s) != sizeof s) rc = 2;
                } catch (const std::exception& e) {
                    std::fprintf(stderr, "child %d: %s\n", k, e.what());
                    rc = 1;
                }
                _exit(rc);
            }
            close(fds[k][1]);
        }
        for (int k = 0; k < 2; ++k) {
            uint64_t s;
            while (read(fds[k][0], &s, sizeof s) == sizeof s) all.push_back(s);
            close(fds[k][0]);
            int status = 0;
            waitpid(pids[k], &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "process " << k;
        }
    } else {
        // Two connections (two stations) at once.
        std::vector<uint64_t> got[2];
        std::string failed[2];
        std::thread threads[2];
        for (int k = 0; k < 2; ++k)
            threads[k] = std::thread([&, k] {
                try {
                    auto l = Ledger::open(where_, false);
                    got[k] = drawMany(*l, kEach, "station-" + std::to_string(k));
                } catch (const std::exception& e) {
                    failed[k] = e.what();
                }
            });
        for (auto& th : threads) th.join();
        EXPECT_EQ(failed[0], "");
        EXPECT_EQ(failed[1], "");
        for (auto& g : got) all.insert(all.end(), g.begin(), g.end());
    }
    auto l = open();
    expectNoNumberTwiceAndNoGap(*l, all, 2 * kEach);
}

TEST(Ledger, AConnectionTheServerDroppedIsMadeAgainAndAServerOutOfReachDrawsNothing)
{
    auto& server = qmrtest::PgServer::shared();
    ASSERT_TRUE(server.running()) << server.why();
    const std::string where = server.createDatabase();
    auto l = Ledger::open(where, true);
    l->createSeries({"line", 0x20, 2, 0x10});
    EXPECT_EQ(l->reserve("line", {1}, {"a", "u"}).at(0).number, 0x10u);
    // Dropped while idle: the next draw opens a new connection.
    server.dropConnections(where);
    EXPECT_EQ(l->reserve("line", {1}, {"a", "u"}).at(0).number, 0x11u);
    // Out of reach: an error, and no number is taken.
    server.allowConnections(where, false);
    server.dropConnections(where);
    try {
        l->reserve("line", {1}, {"a", "u"});
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(e.kind, Error::Lost) << e.what();
    }
    server.allowConnections(where, true);
    EXPECT_EQ(l->reserve("line", {1}, {"a", "u"}).at(0).number, 0x12u);
}

TEST(Ledger, SinceTakesLocalAndUtcTimes)
{
    setenv("TZ", "UTC-9", 1);  // nine hours east of UTC
    tzset();
    EXPECT_EQ(sinceTime("2026-12-11"), "2026-12-10T15:00:00.000Z");
    EXPECT_EQ(sinceTime("2026-12-11 10:30"), "2026-12-11T01:30:00.000Z");
    EXPECT_EQ(sinceTime("2026-12-11T10:30:15Z"), "2026-12-11T10:30:15.000Z");
    for (const char* bad : {"", "yesterday", "2026-13-01", "2026-12-11T25:00", "2026-12-11x"})
        EXPECT_EQ(sinceTime(bad), "") << bad;
    unsetenv("TZ");
    tzset();
}

INSTANTIATE_TEST_SUITE_P(Both, LedgerTest, ::testing::Values(Db::Sqlite, Db::Postgres),
                         [](const auto& info) { return info.param == Db::Sqlite ? "Sqlite" : "Postgres"; });

}  // namespace
