#include "records/ledger.h"

#include <sys/time.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>

namespace qmr::records {

namespace {

// Numbers of 8 bytes do not fit a signed column: they are kept as the same
// 64 bits.
int64_t asColumn(uint64_t v) { return static_cast<int64_t>(v); }
uint64_t fromColumn(const std::optional<std::string>& t) { return t ? static_cast<uint64_t>(std::strtoll(t->c_str(), nullptr, 10)) : 0; }
int64_t integer(const std::optional<std::string>& t) { return t ? std::strtoll(t->c_str(), nullptr, 10) : 0; }
std::string textOf(const std::optional<std::string>& t) { return t ? *t : std::string(); }
// A truth as either database writes it ("1", "t").
bool truth(const std::optional<std::string>& t) { return t && (*t == "1" || *t == "t" || *t == "true"); }

uint64_t sizeMask(int size) { return size >= 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * size)) - 1; }

SerialState stateOf(const std::optional<std::string>& t)
{
    if (t && *t == "programmed") return SerialState::Programmed;
    if (t && *t == "void") return SerialState::Void;
    return SerialState::Reserved;
}

std::string hexText(uint64_t v, int size)
{
    char b[24];
    std::snprintf(b, sizeof b, "%0*llx", size * 2, static_cast<unsigned long long>(v));
    return b;
}

// The tables; {ID} is the dialect's own key column.
const char* const kSchema[] = {
    "CREATE TABLE qmr_schema (version INTEGER NOT NULL)",
    "CREATE TABLE qmr_series ("
    " id {ID}, name TEXT NOT NULL UNIQUE, address BIGINT NOT NULL, size INTEGER NOT NULL,"
    " first_number BIGINT NOT NULL, down INTEGER NOT NULL, last_number BIGINT NOT NULL,"
    " next_seq BIGINT NOT NULL, created TEXT NOT NULL, station TEXT NOT NULL)",
    "CREATE TABLE qmr_serials ("
    " id {ID}, series_id BIGINT NOT NULL REFERENCES qmr_series(id), seq BIGINT NOT NULL, number BIGINT NOT NULL,"
    " state TEXT NOT NULL CHECK (state IN ('reserved', 'programmed', 'void')),"
    " station TEXT NOT NULL, unit_serial TEXT NOT NULL, socket INTEGER NOT NULL, reserved_at TEXT NOT NULL,"
    " done_at TEXT, code INTEGER, text TEXT, note TEXT,"
    " UNIQUE (series_id, seq), UNIQUE (series_id, number))",
    "CREATE TABLE qmr_results ("
    " id {ID}, at TEXT NOT NULL, station TEXT NOT NULL, unit_serial TEXT NOT NULL, socket INTEGER NOT NULL,"
    " command TEXT NOT NULL, result TEXT NOT NULL CHECK (result IN ('OK', 'NG')), code INTEGER NOT NULL,"
    " text TEXT NOT NULL, image_crc TEXT NOT NULL, image_name TEXT NOT NULL, setting TEXT NOT NULL,"
    " serial_id BIGINT REFERENCES qmr_serials(id))",
    "CREATE INDEX qmr_results_at ON qmr_results (at)",
    "CREATE INDEX qmr_serials_state ON qmr_serials (state)",
    "CREATE INDEX qmr_results_serial ON qmr_results (serial_id)",
};

}  // namespace

const char* stateName(SerialState s)
{
    switch (s) {
    case SerialState::Programmed: return "programmed";
    case SerialState::Void: return "void";
    default: return "reserved";
    }
}

uint64_t Series::available() const
{
    const uint64_t span = terms.down ? terms.first - last : last - terms.first;  // the numbers after the first
    if (drawn > span) return 0;
    const uint64_t left = span - drawn;
    return left == ~uint64_t(0) ? left : left + 1;
}

std::string utcNow()
{
    struct timeval tv {};
    gettimeofday(&tv, nullptr);
    struct tm t {};
    gmtime_r(&tv.tv_sec, &t);
    char b[64];
    std::snprintf(b, sizeof b, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                  t.tm_min, t.tm_sec, int(tv.tv_usec / 1000));
    return b;
}

std::string sinceTime(const std::string& text)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) != 3 || used != 10) return {};
    std::string rest = text.substr(10);
    bool utc = false;
    if (!rest.empty() && rest.back() == 'Z') {
        utc = true;
        rest.pop_back();
    }
    if (!rest.empty()) {
        if (rest[0] != 'T' && rest[0] != ' ') return {};
        int n = 0;
        if (std::sscanf(rest.c_str() + 1, "%2d:%2d%n", &h, &mi, &n) != 2) return {};
        if (rest.size() > size_t(1 + n)) {
            int m = 0;
            if (std::sscanf(rest.c_str() + 1 + n, ":%2d%n", &s, &m) != 1 || size_t(1 + n + m) != rest.size()) return {};
        }
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60 || h < 0 || mi < 0 || s < 0) return {};
    struct tm t {};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    time_t when = utc ? timegm(&t) : mktime(&t);
    if (when == time_t(-1)) return {};
    struct tm u {};
    gmtime_r(&when, &u);
    char b[64];
    std::snprintf(b, sizeof b, "%04d-%02d-%02dT%02d:%02d:%02d.000Z", u.tm_year + 1900, u.tm_mon + 1, u.tm_mday, u.tm_hour,
                  u.tm_min, u.tm_sec);
    return b;
}

std::unique_ptr<Ledger> Ledger::open(const std::string& where, bool create)
{
    const bool pg = where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0;
    auto ledger = std::make_unique<Ledger>(pg ? openPostgres(where) : openSqlite(where, create));
    ledger->prepareSchema(create);
    return ledger;
}

Ledger::Ledger(std::unique_ptr<Connection> c) : c_(std::move(c)), now_(utcNow) {}

void Ledger::prepareSchema(bool create)
{
    const char* exists = c_->postgres() ? "SELECT to_regclass('qmr_schema') IS NOT NULL"
                                        : "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'qmr_schema'";
    auto version = [&]() -> int {
        if (!truth(c_->query(exists)[0][0])) return 0;
        auto v = c_->query("SELECT version FROM qmr_schema");
        return v.empty() ? 0 : int(integer(v[0][0]));
    };
    int v = version();
    if (v == kSchemaVersion) return;
    if (v > kSchemaVersion)
        throw Error(Error::Refused, "the production records at " + where() + " were written by a newer qmr (schema " +
                                        std::to_string(v) + ", this one knows " + std::to_string(kSchemaVersion) + ")");
    if (v == 0 && !create)
        throw Error(Error::Missing, "there are no production records at " + where() + ": qmr records init makes them");
    // One station makes or upgrades the schema; the others wait for it.
    Transaction t(*c_);
    if (c_->postgres()) c_->query("SELECT pg_advisory_xact_lock(7163738)");
    v = version();
    if (v == 0) {
        const std::string id = c_->postgres() ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT";
        for (const char* statement : kSchema) {
            std::string s = statement;
            const auto k = s.find("{ID}");
            if (k != std::string::npos) s.replace(k, 4, id);
            c_->query(s);
        }
        c_->query("INSERT INTO qmr_schema (version) VALUES ($1)", {int64_t(kSchemaVersion)});
    }
    // Later versions add their steps here, each from the one before.
    t.commit();
}

void Ledger::createSeries(const SeriesTerms& s)
{
    if (s.name.empty() || s.name.size() > 64)
        throw Error(Error::Refused, "a series needs a name of 1 to 64 characters");
    if (s.size != 1 && s.size != 2 && s.size != 4 && s.size != 8)
        throw Error(Error::Refused, "a series' numbers are 1, 2, 4 or 8 bytes");
    const uint64_t mask = sizeMask(s.size);
    if (s.first > mask) throw Error(Error::Refused, "the first number does not fit " + std::to_string(s.size) + " bytes");
    const uint64_t last = s.last ? *s.last : (s.down ? 0 : mask);
    if (last > mask) throw Error(Error::Refused, "the last number does not fit " + std::to_string(s.size) + " bytes");
    if (s.down ? last > s.first : last < s.first)
        throw Error(Error::Refused, std::string("the last number comes before the first (the series counts ") +
                                        (s.down ? "down" : "up") + ")");
    Transaction t(*c_);
    if (!c_->query("SELECT id FROM qmr_series WHERE name = $1", {s.name}).empty())
        throw Error(Error::Refused, "a series named " + s.name + " exists already");
    c_->query("INSERT INTO qmr_series (name, address, size, first_number, down, last_number, next_seq, created, station)"
              " VALUES ($1, $2, $3, $4, $5, $6, 0, $7, '')",
              {s.name, int64_t(s.address), int64_t(s.size), asColumn(s.first), int64_t(s.down ? 1 : 0), asColumn(last), now_()});
    t.commit();
}

namespace {
const char* const kSeriesColumns = "name, address, size, first_number, down, last_number, next_seq";
Series seriesOf(const Row& r)
{
    Series s;
    s.terms.name = textOf(r[0]);
    s.terms.address = static_cast<uint32_t>(integer(r[1]));
    s.terms.size = int(integer(r[2]));
    s.terms.first = fromColumn(r[3]);
    s.terms.down = integer(r[4]) != 0;
    s.last = fromColumn(r[5]);
    s.terms.last = s.last;
    s.drawn = fromColumn(r[6]);
    return s;
}
}  // namespace

std::optional<Series> Ledger::series(const std::string& name)
{
    auto rows = c_->query(std::string("SELECT ") + kSeriesColumns + " FROM qmr_series WHERE name = $1", {name});
    if (rows.empty()) return std::nullopt;
    return seriesOf(rows[0]);
}

std::vector<SeriesCounts> Ledger::seriesCounts()
{
    std::vector<SeriesCounts> out;
    for (const Row& r : c_->query(std::string("SELECT ") + kSeriesColumns + ", id FROM qmr_series ORDER BY name")) {
        SeriesCounts c;
        c.series = seriesOf(r);
        for (const Row& k : c_->query("SELECT state, count(*) FROM qmr_serials WHERE series_id = $1 GROUP BY state",
                                      {integer(r[7])})) {
            const SerialState s = stateOf(k[0]);
            (s == SerialState::Programmed ? c.programmed : s == SerialState::Void ? c.voided : c.reserved) = integer(k[1]);
        }
        out.push_back(std::move(c));
    }
    return out;
}

int64_t Ledger::seriesId(const std::string& name)
{
    auto rows = c_->query("SELECT id FROM qmr_series WHERE name = $1", {name});
    if (rows.empty()) throw Error(Error::Refused, "there is no series named " + name + " (qmr records init makes one)");
    return integer(rows[0][0]);
}

std::vector<Draw> Ledger::reserve(const std::string& name, const std::vector<int>& sockets, const Station& who)
{
    if (sockets.empty()) return {};
    Transaction t(*c_);
    // The series' row is locked until the commit: no other station draws meanwhile.
    auto rows = c_->query(std::string("SELECT ") + kSeriesColumns + ", id FROM qmr_series WHERE name = $1" +
                              (c_->postgres() ? " FOR UPDATE" : ""),
                          {name});
    if (rows.empty()) throw Error(Error::Refused, "there is no series named " + name + " (qmr records init makes one)");
    const Series s = seriesOf(rows[0]);
    const int64_t id = integer(rows[0][7]);
    if (s.available() < sockets.size())
        throw Error(Error::Refused, "the series " + name + " has " + std::to_string(s.available()) + " number" +
                                        (s.available() == 1 ? "" : "s") + " left and " + std::to_string(sockets.size()) +
                                        " are needed: its last number is " + hexText(s.last, s.terms.size));
    if (s.drawn + sockets.size() > uint64_t(INT64_MAX)) throw Error(Error::Refused, "the series " + name + " is used up");
    const std::string at = now_();
    std::vector<Draw> draws;
    for (size_t i = 0; i < sockets.size(); ++i) {
        Draw d;
        d.seq = s.drawn + i;
        d.number = s.numberAt(d.seq);
        d.socket = sockets[i];
        auto r = c_->query("INSERT INTO qmr_serials (series_id, seq, number, state, station, unit_serial, socket, reserved_at)"
                           " VALUES ($1, $2, $3, 'reserved', $4, $5, $6, $7) RETURNING id",
                           {id, asColumn(d.seq), asColumn(d.number), who.station, who.unitSerial, int64_t(d.socket), at});
        d.id = integer(r.at(0)[0]);
        draws.push_back(d);
    }
    c_->query("UPDATE qmr_series SET next_seq = $1 WHERE id = $2", {asColumn(s.drawn + sockets.size()), id});
    t.commit();
    return draws;
}

void Ledger::record(const std::vector<Result>& rows, const Station& who)
{
    if (rows.empty()) return;
    const std::string at = now_();
    Transaction t(*c_);
    for (const Result& r : rows) {
        std::optional<std::string> state;
        if (r.serialId) {
            c_->query("UPDATE qmr_serials SET state = $1, done_at = $2, code = $3, text = $4"
                      " WHERE id = $5 AND state = 'reserved'",
                      {std::string(r.ok ? "programmed" : "void"), at, int64_t(r.code), r.text, *r.serialId});
        }
        c_->query("INSERT INTO qmr_results (at, station, unit_serial, socket, command, result, code, text, image_crc,"
                  " image_name, setting, serial_id) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12)",
                  {at, who.station, who.unitSerial, int64_t(r.socket), r.command, std::string(r.ok ? "OK" : "NG"),
                   int64_t(r.code), r.text, r.imageCrc, r.imageName, r.setting,
                   r.serialId ? Value(*r.serialId) : Value(nullptr)});
    }
    t.commit();
}

namespace {
const char* const kSerialColumns =
    "s.name, s.size, n.number, n.state, n.station, n.unit_serial, n.reserved_at, n.done_at, n.socket, n.code, n.text, n.note";
SerialRow serialOf(const Row& r)
{
    SerialRow s;
    s.series = textOf(r[0]);
    s.size = int(integer(r[1]));
    s.number = fromColumn(r[2]);
    s.state = stateOf(r[3]);
    s.station = textOf(r[4]);
    s.unitSerial = textOf(r[5]);
    s.reservedAt = textOf(r[6]);
    s.doneAt = textOf(r[7]);
    s.socket = int(integer(r[8]));
    s.code = int(integer(r[9]));
    s.text = textOf(r[10]);
    s.note = textOf(r[11]);
    return s;
}
}  // namespace

std::vector<SerialRow> Ledger::unresolved(const std::string& series)
{
    std::string sql = std::string("SELECT ") + kSerialColumns +
                      " FROM qmr_serials n JOIN qmr_series s ON s.id = n.series_id WHERE n.state = 'reserved'";
    std::vector<Value> params;
    if (!series.empty()) {
        sql += " AND s.name = $1";
        params.push_back(series);
    }
    std::vector<SerialRow> out;
    for (const Row& r : c_->query(sql + " ORDER BY s.name, n.seq", params)) out.push_back(serialOf(r));
    return out;
}

void Ledger::resolve(const std::string& name, uint64_t number, bool programmed, const std::string& note, const Station& who)
{
    Transaction t(*c_);
    const int64_t id = seriesId(name);
    const std::string numberText = hexText(number, series(name)->terms.size) + " of " + name;
    auto rows = c_->query("SELECT state FROM qmr_serials WHERE series_id = $1 AND number = $2", {id, asColumn(number)});
    if (rows.empty())
        throw Error(Error::Refused, "the number " + numberText + " was never drawn");
    if (stateOf(rows[0][0]) != SerialState::Reserved)
        throw Error(Error::Refused, "the number " + numberText + " is " + stateName(stateOf(rows[0][0])) + " already");
    c_->query("UPDATE qmr_serials SET state = $1, done_at = $2, note = $3 WHERE series_id = $4 AND number = $5"
              " AND state = 'reserved'",
              {std::string(programmed ? "programmed" : "void"), now_(),
               note.empty() ? "resolved by hand at " + who.station : note + " (resolved by hand at " + who.station + ")", id,
               asColumn(number)});
    t.commit();
}

std::vector<ExportRow> Ledger::exportRows(const std::string& since)
{
    std::vector<ExportRow> out;
    const std::string from = since.empty() ? "" : since;
    for (const Row& r :
         c_->query("SELECT r.at, r.station, r.unit_serial, r.socket, r.command, r.result, r.code, r.text, r.image_crc,"
                   " r.image_name, r.setting, s.name, n.number, s.size, n.state"
                   " FROM qmr_results r LEFT JOIN qmr_serials n ON n.id = r.serial_id"
                   " LEFT JOIN qmr_series s ON s.id = n.series_id WHERE r.at >= $1 ORDER BY r.at, r.id",
                   {from})) {
        ExportRow e;
        e.at = textOf(r[0]);
        e.station = textOf(r[1]);
        e.unitSerial = textOf(r[2]);
        e.socket = int(integer(r[3]));
        e.command = textOf(r[4]);
        e.result = textOf(r[5]);
        e.code = int(integer(r[6]));
        e.text = textOf(r[7]);
        e.imageCrc = textOf(r[8]);
        e.imageName = textOf(r[9]);
        e.setting = textOf(r[10]);
        e.series = textOf(r[11]);
        if (r[12]) {
            e.serial = fromColumn(r[12]);
            e.serialSize = int(integer(r[13]));
            e.serialState = textOf(r[14]);
        }
        out.push_back(std::move(e));
    }
    // The numbers that have no result: left reserved, or resolved by hand.
    for (const Row& r : c_->query(std::string("SELECT ") + kSerialColumns +
                                      " FROM qmr_serials n JOIN qmr_series s ON s.id = n.series_id"
                                      " WHERE n.reserved_at >= $1 AND NOT EXISTS"
                                      " (SELECT 1 FROM qmr_results r WHERE r.serial_id = n.id) ORDER BY n.reserved_at, n.id",
                                  {from})) {
        const SerialRow s = serialOf(r);
        ExportRow e;
        e.at = s.doneAt.empty() ? s.reservedAt : s.doneAt;
        e.station = s.station;
        e.unitSerial = s.unitSerial;
        e.socket = s.socket;
        e.command = "serial epv";
        e.code = s.code;
        e.text = s.note.empty() ? s.text : s.note;
        e.series = s.series;
        e.serial = s.number;
        e.serialSize = s.size;
        e.serialState = stateName(s.state);
        out.push_back(std::move(e));
    }
    std::stable_sort(out.begin(), out.end(), [](const ExportRow& a, const ExportRow& b) { return a.at < b.at; });
    return out;
}

std::vector<SocketYield> Ledger::yields(const std::string& since)
{
    std::map<int, SocketYield> by;
    for (const Row& r : c_->query("SELECT socket, sum(CASE WHEN result = 'OK' THEN 1 ELSE 0 END),"
                                  " sum(CASE WHEN result = 'NG' THEN 1 ELSE 0 END) FROM qmr_results WHERE at >= $1"
                                  " GROUP BY socket ORDER BY socket",
                                  {since})) {
        SocketYield& y = by[int(integer(r[0]))];
        y.socket = int(integer(r[0]));
        y.ok = integer(r[1]);
        y.ng = integer(r[2]);
    }
    for (const Row& r : c_->query("SELECT socket, code, text, count(*) AS n FROM qmr_results WHERE result = 'NG' AND at >= $1"
                                  " GROUP BY socket, code, text ORDER BY socket, n DESC, code",
                                  {since})) {
        SocketYield& y = by[int(integer(r[0]))];
        if (y.failures.size() < 3) y.failures.push_back({int(integer(r[1])), textOf(r[2]), integer(r[3])});
    }
    std::vector<SocketYield> out;
    for (auto& [k, v] : by) out.push_back(std::move(v));
    return out;
}

}  // namespace qmr::records
