// The command line's side of the production records: where they are, the
// errors they end a command with (exit 6), and the records commands that
// need no unit (init, resolve, export, summary).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/report.h"
#include "records/ledger.h"

namespace qmr::cli {

struct RecordsPlace {
    std::string where;    // --records or QMR_RECORDS; empty: no records are kept
    std::string station;  // --station, else the host name
    records::Station who(const std::string& unitSerial = {}) const { return {station, unitSerial}; }
};

// The host name, the station's default name.
std::string hostStation();

// The records at place (create: made when missing); a Failure with exit 6
// when they cannot be opened.
std::unique_ptr<records::Ledger> openRecords(const RecordsPlace& place, bool create);
// A records error as the failure that ends the command; what says what was
// being done ("no device was programmed" and the like go in the hint).
Failure recordsFailure(const records::Error& e, const std::string& hint = {});

struct SeriesOptions {
    std::string name, address, size, first, last;
    bool down = false;
};

int recordsInit(Reporter& out, const RecordsPlace& place, const SeriesOptions& o);
int recordsResolve(Reporter& out, const RecordsPlace& place, const std::string& series, const std::vector<std::string>& numbers,
                   bool programmed, bool voided, const std::string& note);
int recordsExport(Reporter& out, const RecordsPlace& place, bool csv, const std::string& since, const std::string& file);
int recordsSummary(Reporter& out, const RecordsPlace& place, const std::string& since);

// Warns of numbers a run left reserved (a crash or a cut power): they are
// never drawn again and wait for qmr records resolve.
void warnUnresolved(Reporter& out, const std::string& command, records::Ledger& l, const std::string& series);

}  // namespace qmr::cli
