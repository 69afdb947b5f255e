#include "cli/report.h"

#include <cstring>

namespace qmr::cli {

namespace {
std::string text(const char* s, size_t max) { return std::string(s, strnlen(s, max)); }
}  // namespace

Reporter::Reporter(bool json, bool quiet, FILE* out, FILE* err, bool terminal)
    : json_(json), quiet_(quiet), terminal_(terminal && !json), out_(out), err_(err)
{
}

Json Reporter::event(const char* kind, const std::string& command) const
{
    Json j;
    j["v"] = kSchemaVersion;
    j["event"] = kind;
    if (!command.empty()) j["command"] = command;
    return j;
}

void Reporter::emit(const Json& j)
{
    std::fprintf(out_, "%s\n", j.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
    std::fflush(out_);
}

void Reporter::endBar()
{
    if (!barShown_) return;
    std::fputc('\n', out_);
    std::fflush(out_);
    barShown_ = false;
}

void Reporter::raw(const std::string& t)
{
    endBar();
    std::fwrite(t.data(), 1, t.size(), out_);
    std::fflush(out_);
}

void Reporter::step(const std::string& t)
{
    if (json_ || quiet_) return;
    endBar();
    std::fprintf(out_, "%s\n", t.c_str());
}

void Reporter::line(const std::string& t)
{
    if (json_) return;
    endBar();
    std::fprintf(out_, "%s\n", t.c_str());
}

void Reporter::record(const std::string& command, const ProgressRecord& r)
{
    if (quietRecords_) return;
    const std::string t = text(r.text, sizeof r.text);
    if (json_) {
        Json j = event("progress", command);
        j["percent"] = r.percent;
        j["title"] = text(r.title, sizeof r.title);
        j["text"] = t;
        if (r.code) j["code"] = r.code;
        emit(j);
        return;
    }
    if (quiet_ || t.empty()) return;
    const bool running = r.percent < 100 || r.scale != 100 || r.done || r.state == 0;
    if (running && !verbose_ && !terminal_) return;  // the final record says how it went
    if (terminal_ && running && !verbose_) {
        // One line that a running operation keeps drawing over.
        const int width = 30, filled = r.percent * width / 100;
        std::string bar(size_t(filled), '#');
        bar.append(size_t(width - filled), ' ');
        std::fprintf(out_, "\r%3d%% [%s] %-40.40s", r.percent, bar.c_str(), t.c_str());
        std::fflush(out_);
        barShown_ = true;
        return;
    }
    endBar();
    std::fprintf(out_, "%s\n", t.c_str());
}

void Reporter::unit(const std::string& command, int socket, const Json& fields)
{
    if (json_) {
        Json j = event("unit", command);
        j["socket"] = socket;
        for (auto it = fields.begin(); it != fields.end(); ++it) j[it.key()] = it.value();
        emit(j);
        return;
    }
    endBar();
    std::string l = "socket " + std::to_string(socket) + ": " + fields.value("result", std::string("?"));
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (it.key() == "result") continue;
        l += "  " + it.key() + "=" + (it.value().is_string() ? it.value().get<std::string>() : it.value().dump());
    }
    std::fprintf(out_, "%s\n", l.c_str());
}

void Reporter::warning(const std::string& command, const std::string& t, Json fields)
{
    endBar();
    if (json_) {
        Json j = event("warning", command);
        j["message"] = t;
        for (auto it = fields.begin(); it != fields.end(); ++it) j[it.key()] = it.value();
        emit(j);
        return;
    }
    std::fprintf(err_, "qmr: warning: %s\n", t.c_str());
    std::fflush(err_);
}

void Reporter::result(const std::string& command, bool ok, Json fields)
{
    if (json_) {
        Json j = event("result", command);
        j["ok"] = ok;
        for (auto it = fields.begin(); it != fields.end(); ++it) j[it.key()] = it.value();
        emit(j);
        return;
    }
    endBar();
    if (!quiet_ || !ok) std::fprintf(out_, "%s: %s\n", command.c_str(), ok ? "OK" : "NG");
    std::fflush(out_);
}

int Reporter::error(const std::string& command, const Failure& f)
{
    endBar();
    if (json_) {
        Json j = event("error", command);
        j["exit"] = f.exit;
        if (f.code) j["code"] = f.code;
        j["message"] = f.message;
        if (!f.hint.empty()) j["hint"] = f.hint;
        emit(j);
    } else {
        std::fprintf(err_, "qmr: %s\n", f.message.c_str());
        if (!f.hint.empty()) std::fprintf(err_, "  %s\n", f.hint.c_str());
        std::fflush(err_);
    }
    return f.exit;
}

}  // namespace qmr::cli
