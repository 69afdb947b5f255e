// The production records: series of serial numbers that never issue a
// number twice, and one row per socket for every device operation.
//
// A number is drawn (reserved) in a transaction that is committed before any
// device is programmed with it; it then becomes programmed (the device
// passed) or void (it failed, or the cycle never finished).  A number left
// reserved by a run that ended without a word (a crash, a power cut) is never
// drawn again: it is listed until a person resolves it.  Nothing is deleted.
//
// The same ledger runs on an SQLite file (one station) and on a PostgreSQL
// server (several stations drawing from one series): the draw takes the
// series' row lock for its own short transaction only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/connection.h"

namespace qmr::records {

// The schema this program writes; older records are upgraded when opened.
constexpr int kSchemaVersion = 1;

struct SeriesTerms {
    std::string name;
    uint32_t address = 0;            // where the number goes in the device
    int size = 1;                    // bytes: 1, 2, 4 or 8
    uint64_t first = 0;              // the first number
    bool down = false;               // step -1 instead of +1
    std::optional<uint64_t> last;    // the last allowed number (default: the end of the size)
};

struct Series {
    SeriesTerms terms;
    uint64_t last = 0;     // the last allowed number
    uint64_t drawn = 0;    // numbers drawn so far
    uint64_t available() const;  // numbers still to draw
    uint64_t numberAt(uint64_t seq) const { return terms.down ? terms.first - seq : terms.first + seq; }
};

// A number drawn for a socket.
struct Draw {
    int64_t id = 0;
    uint64_t seq = 0;
    uint64_t number = 0;
    int socket = 0;
};

// Who runs the cycle.
struct Station {
    std::string station;     // the host name or what --station says
    std::string unitSerial;  // the unit's (or gang box's) USB serial number
};

// One socket's result of a device operation.
struct Result {
    int socket = 1;
    std::string command;     // "epv", "serial epv" ...
    bool ok = false;
    int code = 0;            // the target error code (0 when ok)
    std::string text;        // its text
    std::string imageCrc, imageName, setting;
    std::optional<int64_t> serialId;  // the number drawn for this socket
};

enum class SerialState { Reserved, Programmed, Void };
const char* stateName(SerialState s);

struct SerialRow {
    std::string series;
    int size = 1;
    uint64_t number = 0;
    SerialState state = SerialState::Reserved;
    std::string station, unitSerial, reservedAt, doneAt;
    int socket = 0;
    int code = 0;
    std::string text, note;
};

// One row of an export: a socket's result, with its serial number if any;
// a number without a result (left reserved, or resolved by hand) has a row
// of its own with an empty result.
struct ExportRow {
    std::string at, station, unitSerial;
    int socket = 0;
    std::string command, result;  // "OK", "NG" or ""
    int code = 0;
    std::string text, imageCrc, imageName, setting;
    std::string series;
    std::optional<uint64_t> serial;
    int serialSize = 0;
    std::string serialState;  // "programmed", "void", "reserved" or ""
};

struct SocketYield {
    int socket = 0;
    int64_t ok = 0, ng = 0;
    struct Failure {
        int code;
        std::string text;
        int64_t count;
    };
    std::vector<Failure> failures;  // the most frequent first, up to three
};

struct SeriesCounts {
    Series series;
    int64_t programmed = 0, voided = 0, reserved = 0;
};

class Ledger {
public:
    // Opens the records at where: a path of an SQLite file, or a
    // postgresql:// (postgres://) URI.  create makes the file and the
    // schema when they are missing; without it, missing records are an
    // Error::Missing.  Throws Error.
    static std::unique_ptr<Ledger> open(const std::string& where, bool create);
    explicit Ledger(std::unique_ptr<Connection> c);

    const std::string& where() const { return c_->where(); }
    bool postgres() const { return c_->postgres(); }
    // The clock of the records (UTC, ISO 8601 with milliseconds).
    void setClock(std::function<std::string()> now) { now_ = std::move(now); }
    std::string now() const { return now_(); }

    // Makes a series (Error::Refused when the name is taken or the numbers do not fit).
    void createSeries(const SeriesTerms& s);
    std::optional<Series> series(const std::string& name);
    std::vector<SeriesCounts> seriesCounts();

    // Draws the next numbers of a series, one for each socket, in a committed
    // transaction.  Error::Refused when the series is unknown or has too few
    // numbers left (it is never wrapped round).
    std::vector<Draw> reserve(const std::string& series, const std::vector<int>& sockets, const Station& who);

    // The results of one operation, in one transaction: each row is added;
    // a row's number becomes programmed (ok) or void.
    void record(const std::vector<Result>& rows, const Station& who);

    // The numbers left reserved (all series, or one).
    std::vector<SerialRow> unresolved(const std::string& series = {});
    // A person's verdict on a number left reserved; Error::Refused when it is not reserved.
    void resolve(const std::string& name, uint64_t number, bool programmed, const std::string& note, const Station& who);

    // Rows at or after since (an ISO 8601 UTC time; empty: all), oldest first.
    std::vector<ExportRow> exportRows(const std::string& since);
    std::vector<SocketYield> yields(const std::string& since);

private:
    void prepareSchema(bool create);
    int64_t seriesId(const std::string& name);
    std::unique_ptr<Connection> c_;
    std::function<std::string()> now_;
};

// The time now as the records keep it: "2026-12-11T16:04:47.123Z".
std::string utcNow();
// A time a person typed (local time "YYYY-MM-DD[ HH:MM[:SS]]" or "THH...",
// or UTC with a trailing Z) as the records keep it; empty when it is no time.
std::string sinceTime(const std::string& text);

}  // namespace qmr::records
