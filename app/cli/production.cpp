#include "cli/production.h"

#include <unistd.h>

#include <cstdio>

#include "core/images.h"
#include "core/inputfile.h"

namespace qmr::cli {

using records::Error;
using records::Ledger;

std::string hostStation()
{
    char b[256] = {};
    if (gethostname(b, sizeof b - 1) != 0 || !b[0]) return "station";
    return b;
}

Failure recordsFailure(const Error& e, const std::string& hint)
{
    std::string h = hint;
    if (h.empty()) {
        switch (e.kind) {
        case Error::Missing: h = "qmr records init makes them (--records PATH.db or postgresql://...)."; break;
        case Error::ReadOnly: h = "This user may not write them: check the file's or the server's permissions."; break;
        case Error::Full: h = "Make room on the disk (or the server's), then run the command again."; break;
        case Error::Lost: h = "Check the network and the records server, then run the command again."; break;
        default: break;
        }
    }
    return {kExitRecords, e.what(), h};
}

std::unique_ptr<Ledger> openRecords(const RecordsPlace& place, bool create)
{
    if (place.where.empty())
        throw Failure{kExitUsage, "no production records are named",
                      "--records PATH.db (or postgresql://...), or QMR_RECORDS, says where they are."};
    try {
        return Ledger::open(place.where, create);
    } catch (const Error& e) {
        throw recordsFailure(e);
    }
}

namespace {

bool parseHex(const std::string& text, uint64_t& v)
{
    if (text.empty() || text.size() > 16) return false;
    v = 0;
    for (char ch : text) {
        int d = ch >= '0' && ch <= '9' ? ch - '0' : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10 : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : -1;
        if (d < 0) return false;
        v = v << 4 | uint64_t(d);
    }
    return true;
}

std::string hexAddress(uint32_t a)
{
    char b[16];
    std::snprintf(b, sizeof b, "%X", a);
    return b;
}

}  // namespace

int recordsInit(Reporter& out, const RecordsPlace& place, const SeriesOptions& o)
{
    records::SeriesTerms terms;
    if (!o.name.empty()) {
        if (o.address.empty() || o.size.empty() || o.first.empty())
            throw Failure{kExitUsage, "a series needs --address, --size and --first"};
        uint64_t address = 0;
        if (!parseHex(o.address, address) || address > 0xFFFFFFFF)
            throw Failure{kExitInput, "the address " + o.address + " is not a hexadecimal address"};
        terms.name = o.name;
        terms.address = static_cast<uint32_t>(address);
        terms.size = o.size == "1" ? 1 : o.size == "2" ? 2 : o.size == "4" ? 4 : o.size == "8" ? 8 : 0;
        if (!terms.size) throw Failure{kExitUsage, "the size is 1, 2, 4 or 8 bytes"};
        if (!app::parseSerialData64(o.first, terms.size, terms.first))
            throw Failure{kExitInput, "the number " + o.first + " is not up to " + std::to_string(terms.size * 2) + " hexadecimal digits"};
        if (!o.last.empty()) {
            uint64_t last = 0;
            if (!app::parseSerialData64(o.last, terms.size, last))
                throw Failure{kExitInput, "the number " + o.last + " is not up to " + std::to_string(terms.size * 2) + " hexadecimal digits"};
            terms.last = last;
        }
        terms.down = o.down;
    }
    auto l = openRecords(place, true);
    Json fields = {{"records", l->where()}};
    out.line("production records at " + l->where() + ": ready");
    if (!terms.name.empty()) {
        try {
            l->createSeries(terms);
        } catch (const Error& e) {
            throw recordsFailure(e);
        }
        const records::Series s = *l->series(terms.name);
        out.line("series " + terms.name + ": " + std::to_string(terms.size) + "-byte numbers at " + hexAddress(terms.address) + ", " +
                 app::serialText(terms.first, terms.size) + (terms.down ? " down to " : " up to ") + app::serialText(s.last, terms.size));
        fields["series"] = {{"name", terms.name},
                            {"address", hexAddress(terms.address)},
                            {"size", terms.size},
                            {"first", app::serialText(terms.first, terms.size)},
                            {"last", app::serialText(s.last, terms.size)},
                            {"down", terms.down}};
    }
    out.result("records init", true, fields);
    return kExitOk;
}

void warnUnresolved(Reporter& out, const std::string& command, Ledger& l, const std::string& series)
{
    std::vector<records::SerialRow> left;
    try {
        left = l.unresolved(series);
    } catch (const Error& e) {
        throw recordsFailure(e);
    }
    if (left.empty()) return;
    Json numbers = Json::array();
    std::string list;
    for (const auto& r : left) {
        numbers.push_back({{"series", r.series}, {"serial", app::serialText(r.number, r.size)}, {"socket", r.socket},
                           {"station", r.station}, {"reserved_at", r.reservedAt}});
        if (list.size() < 200) list += (list.empty() ? "" : ", ") + app::serialText(r.number, r.size) + " (socket " + std::to_string(r.socket) + ")";
    }
    out.warning(command,
                std::to_string(left.size()) + " number" + (left.size() == 1 ? " was" : "s were") +
                    " left reserved by a run that did not finish: " + list +
                    ". They are never drawn again; check those devices, then: qmr records resolve NUMBER --series " +
                    left[0].series + " --programmed|--void",
                {{"unresolved", numbers}});
}

int recordsResolve(Reporter& out, const RecordsPlace& place, const std::string& series, const std::vector<std::string>& numbers,
                   bool programmed, bool voided, const std::string& note)
{
    auto l = openRecords(place, false);
    if (numbers.empty()) {
        // The numbers waiting for a verdict.
        std::vector<records::SerialRow> left;
        try {
            left = l->unresolved(series);
        } catch (const Error& e) {
            throw recordsFailure(e);
        }
        Json list = Json::array();
        if (left.empty()) out.line("no number is left reserved");
        for (const auto& r : left) {
            list.push_back({{"series", r.series}, {"serial", app::serialText(r.number, r.size)}, {"socket", r.socket},
                            {"station", r.station}, {"unit_serial", r.unitSerial}, {"reserved_at", r.reservedAt}});
            out.line(r.series + "  " + app::serialText(r.number, r.size) + "  socket " + std::to_string(r.socket) + "  " +
                     r.station + "  " + r.unitSerial + "  reserved " + r.reservedAt);
        }
        out.result("records resolve", true, {{"unresolved", list}});
        return kExitOk;
    }
    if (series.empty()) throw Failure{kExitUsage, "--series names the series of the numbers"};
    if (programmed == voided) throw Failure{kExitUsage, "say --programmed or --void (after checking the device)"};
    std::optional<records::Series> s;
    try {
        s = l->series(series);
    } catch (const Error& e) {
        throw recordsFailure(e);
    }
    if (!s) throw Failure{kExitRecords, "there is no series named " + series};
    Json done = Json::array();
    for (const std::string& text : numbers) {
        uint64_t n = 0;
        if (!app::parseSerialData64(text, s->terms.size, n))
            throw Failure{kExitInput, "the number " + text + " is not up to " + std::to_string(s->terms.size * 2) + " hexadecimal digits"};
        try {
            l->resolve(series, n, programmed, note, place.who());
        } catch (const Error& e) {
            throw recordsFailure(e);
        }
        out.line(app::serialText(n, s->terms.size) + ": " + (programmed ? "programmed" : "void"));
        done.push_back(app::serialText(n, s->terms.size));
    }
    out.result("records resolve", true, {{"series", series}, {"serials", done}, {"state", programmed ? "programmed" : "void"}});
    return kExitOk;
}

namespace {

std::string csvField(const std::string& v)
{
    if (v.find_first_of(",\"\r\n") == std::string::npos) return v;
    std::string q = "\"";
    for (char ch : v) {
        if (ch == '"') q += '"';
        q += ch;
    }
    return q + "\"";
}

}  // namespace

int recordsExport(Reporter& out, const RecordsPlace& place, bool csv, const std::string& since, const std::string& file)
{
    std::string from;
    if (!since.empty()) {
        from = records::sinceTime(since);
        if (from.empty()) throw Failure{kExitUsage, "--since takes a time such as 2026-12-11 or \"2026-12-11 14:30\""};
    }
    auto l = openRecords(place, false);
    std::vector<records::ExportRow> rows;
    try {
        rows = l->exportRows(from);
    } catch (const Error& e) {
        throw recordsFailure(e);
    }
    std::string text;
    if (csv) text = "time,station,unit_serial,socket,command,result,code,text,image_crc,image_name,setting,series,serial,state\r\n";
    for (const auto& r : rows) {
        const std::string serial = r.serial ? app::serialText(*r.serial, r.serialSize) : "";
        if (csv) {
            for (const std::string& f : {r.at, r.station, r.unitSerial, std::to_string(r.socket), r.command, r.result,
                                         std::to_string(r.code), r.text, r.imageCrc, r.imageName, r.setting, r.series, serial})
                text += csvField(f) + ",";
            text += r.serialState + "\r\n";
        } else {
            nlohmann::ordered_json j = {{"time", r.at}, {"station", r.station}, {"unit_serial", r.unitSerial},
                                        {"socket", r.socket}, {"command", r.command}};
            j["result"] = r.result.empty() ? Json(nullptr) : Json(r.result);
            j["code"] = r.code;
            j["text"] = r.text;
            j["image_crc"] = r.imageCrc;
            j["image_name"] = r.imageName;
            j["setting"] = r.setting;
            j["series"] = r.series.empty() ? Json(nullptr) : Json(r.series);
            j["serial"] = r.serial ? Json(serial) : Json(nullptr);
            j["state"] = r.serialState.empty() ? Json(nullptr) : Json(r.serialState);
            text += j.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
        }
    }
    if (file.empty()) {
        out.raw(text);
        return kExitOk;
    }
    std::string why;
    if (!app::writeWholeFile(file, text.data(), text.size(), &why))
        throw Failure{kExitInput, "the export could not be written to \"" + file + "\": " + why};
    out.line(std::to_string(rows.size()) + " rows written to " + file);
    out.result("records export", true, {{"rows", rows.size()}, {"file", file}});
    return kExitOk;
}

int recordsSummary(Reporter& out, const RecordsPlace& place, const std::string& since)
{
    std::string from;
    if (!since.empty()) {
        from = records::sinceTime(since);
        if (from.empty()) throw Failure{kExitUsage, "--since takes a time such as 2026-12-11 or \"2026-12-11 14:30\""};
    }
    auto l = openRecords(place, false);
    std::vector<records::SocketYield> yields;
    std::vector<records::SeriesCounts> series;
    try {
        yields = l->yields(from);
        series = l->seriesCounts();
    } catch (const Error& e) {
        throw recordsFailure(e);
    }
    Json sockets = Json::array();
    if (yields.empty()) out.line("no results recorded" + std::string(since.empty() ? "" : " since " + since));
    else out.line("socket      OK      NG   yield  most frequent failures");
    for (const auto& y : yields) {
        const int64_t all = y.ok + y.ng;
        const double yield = all ? 100.0 * double(y.ok) / double(all) : 0.0;
        Json failures = Json::array();
        std::string worst;
        for (const auto& f : y.failures) {
            failures.push_back({{"code", f.code}, {"text", f.text}, {"count", f.count}});
            worst += (worst.empty() ? "" : "; ") + std::to_string(f.code) + " " + f.text + " (" + std::to_string(f.count) + ")";
        }
        char l[96];
        std::snprintf(l, sizeof l, "%6d %7lld %7lld %6.1f%%  ", y.socket, static_cast<long long>(y.ok),
                      static_cast<long long>(y.ng), yield);
        out.line(l + worst);
        sockets.push_back({{"socket", y.socket}, {"ok", y.ok}, {"ng", y.ng}, {"yield", yield}, {"failures", failures}});
    }
    Json list = Json::array();
    for (const auto& c : series) {
        const auto& s = c.series;
        const uint64_t left = s.available();
        out.line("series " + s.terms.name + ": next " + (left ? app::serialText(s.numberAt(s.drawn), s.terms.size) : std::string("none")) +
                 ", " + std::to_string(c.programmed) + " programmed, " + std::to_string(c.voided) + " void, " +
                 std::to_string(c.reserved) + " reserved, " + std::to_string(left) + " left");
        list.push_back({{"name", s.terms.name}, {"size", s.terms.size},
                        {"next", left ? Json(app::serialText(s.numberAt(s.drawn), s.terms.size)) : Json(nullptr)},
                        {"programmed", c.programmed}, {"void", c.voided}, {"reserved", c.reserved}, {"left", left}});
    }
    out.result("records summary", true, {{"sockets", sockets}, {"series", list}});
    return kExitOk;
}

}  // namespace qmr::cli
