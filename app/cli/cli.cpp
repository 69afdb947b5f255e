#include "cli/cli.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "checks/codes.h"
#include "checks/crc32.h"
#include "cli/doctor.h"
#include "cli/production.h"
#include "cli/report.h"
#include "cli/unit.h"
#include "core/images.h"
#include "core/inputfile.h"
#include "core/logtext.h"
#include "core/setfiles.h"
#include "core/summary.h"
#include "setrecord/setrecord.h"

namespace qmr::cli {

namespace {

using app::SetRecord;
using app::serialText;

#ifdef QMR_GANG
constexpr bool kGang = true;
constexpr int kSockets = QMR_UNITS;
#else
constexpr bool kGang = false;
constexpr int kSockets = 1;
#endif

// The programs' command numbers, echoed in the records' tags.
enum : int {
    kBlank = 1, kErase = 2, kProgram = 3, kVerify = 4, kSecurity = 5, kUnitChecksum = 6, kDeviceChecksum = 7,
    kEpv = 8, kSerialEpv = 9, kSignature = 10, kStart = 12, kPrmSend = 13, kSetSend = 16, kSetUpload = 17,
    kLogInfo = 19, kLogClear = 20, kHexDownload = 21, kHexUpload = 22, kHexInfo = 23, kFirmware = 27,
    kSetDelete = 28, kSetDefault = 29, kRead = 32, kButtonInfo = 35, kButtonMask = 36,
};

// A test stops the program at a point of a serial-number cycle.
void (*g_cycleHook)(const char* point) = nullptr;
void cyclePoint(const char* point)
{
    if (g_cycleHook) g_cycleHook(point);
}

std::atomic<int> g_interrupts{0};
void onInterrupt(int)
{
    // The first Ctrl-C lets the running command (or cycle) end; a second one ends the program.
    if (g_interrupts.fetch_add(1) >= 1) {
        signal(SIGINT, SIG_DFL);
        raise(SIGINT);
    }
}

std::string hex32(uint32_t v)
{
    char b[16];
    std::snprintf(b, sizeof b, "%08X", v);
    return b;
}

std::string text(const char* s, size_t max) { return std::string(s, strnlen(s, max)); }
std::string fieldText(const uint8_t* p, size_t max)
{
    std::string s(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), max));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    return s;
}

std::string versionText(uint16_t v)
{
    char b[16];
    std::snprintf(b, sizeof b, "%x.%02d", v >> 8, v & 0xFF);
    return b;
}

// Everything one invocation needs: its options, its output, its unit.
struct Global {
    bool json = false, quiet = false, verbose = false;
    std::string link, lang = "en";
    int timeoutMs = 0;
    int exitCode = kExitOk;
    RecordsPlace records;
};

class Session {
public:
    Session(Global& g, Reporter& out) : g_(g), out_(out) {}

    // The unit, its context opened and the start command run.
    Unit& unit()
    {
        if (unit_) return *unit_;
        Unit::Options o;
        o.english = g_.lang != "ja";
        o.recordTimeoutMs = (g_.timeoutMs > 0 ? g_.timeoutMs : 5000) + 25000;
        o.onRecord = [this](const ProgressRecord& r) {
            // The first record of a running operation (not the reset's idle one).
            if (programmingPoint_ && r.state != 0 && r.percent < 100) {
                programmingPoint_ = false;
                cyclePoint("programming");
            }
            out_.record(command_, r);
        };
        unit_ = std::make_unique<Unit>(o);
        if (!unit_->open())
            throw Failure{kExitNoUnit, "the device-control library could not open a context",
                          "It needs memory and a thread; see the messages above."};
        std::string was = command_;
        command_ = "start";
        Outcome s = unit_->start();
        command_ = was;
        if (!s.ok) throw failureOf("the start command", s, false);
        // The image the unit holds is the one the commands work with.
        unit_->ctx()->hexCrc = qmr_info_hex_crc(unit_->ctx());
        return *unit_;
    }
    FlshContext* ctx() { return unit().ctx(); }
    void setCommand(const std::string& c) { command_ = c; }
    const std::string& command() const { return command_; }

    // A command to its final record; a failure is thrown as its exit.
    Outcome run(const char* step, int tagA, int (*call)(FlshContext*, int), bool deviceOperation, bool targets = false)
    {
        out_.step(std::string(">> ") + step);
        Outcome o = unit().run(tagA, call, deviceOperation);
        if (!o.ok && !(targets && o.polled)) throw failureOf(step, o, false);
        return o;
    }

    Failure failureOf(const std::string& what, const Outcome& o, bool targets) const
    {
        const std::string t = text(o.last.text, sizeof o.last.text);
        if (o.timedOut)
            return {kExitNoUnit, what + ": no answer from the unit", "Check the unit's power and cable; --timeout MS waits longer."};
        if (o.code == QMR_E_NOTFOUND)
            return {kExitNoUnit, "no unit found: " + t,
                    "Check the USB cable and the unit's power; `qmr doctor` says why a unit is not found; "
                    "`qmr --link sim` runs on the simulated unit.",
                    o.code};
        if (isLinkCode(o.code))
            return {kExitNoUnit, "the link to the unit broke during " + what + ": " + t + " (code " + std::to_string(o.code) + ")",
                    "Check the cable and the unit's power, then run the command again.", o.code};
        if (targets) return {kExitTargetsFailed, what + " failed on the target: " + t, "", o.code};
        if (o.code == QMR_E_RANGE) return {kExitInput, what + ": " + t, "", o.code};
        return {kExitUnitStatus, "the unit refused " + what + ": " + t + " (status " + std::to_string(o.code) + ")", "", o.code};
    }

    Reporter& out() { return out_; }
    Global& g() { return g_; }
    const SetRecord& record() { return *reinterpret_cast<const SetRecord*>(ctx()->settingsRecord); }

    // The production records when --records names them, else null.  A
    // command that records opens them before it reaches the unit, so that
    // records it could not write stop it first.
    records::Ledger* ledger()
    {
        if (!ledger_ && !g_.records.where.empty()) ledger_ = openRecords(g_.records, false);
        return ledger_.get();
    }
    // This station and its unit, as the records name them.
    records::Station who()
    {
        return g_.records.who(text(reinterpret_cast<const char*>(ctx()->usbSerial), sizeof ctx()->usbSerial));
    }
    // The next record marks the point where the devices are being programmed.
    void armProgrammingPoint() { programmingPoint_ = true; }

private:
    Global& g_;
    Reporter& out_;
    std::unique_ptr<Unit> unit_;
    std::unique_ptr<records::Ledger> ledger_;
    std::string command_;
    bool programmingPoint_ = false;
};

bool present(FlshContext* c, int i) { return qmr_info_version(c, i) != 0xFFFF; }

// The unit holds a default setting and an image: device operations can run.
void requireReady(Session& s)
{
    FlshContext* c = s.ctx();
    if (!c->setValid || !c->setupInfoValid)
        throw Failure{kExitUnitStatus, "the unit holds no default setting file",
                      "Register a parameter file (qmr prm send) and a setting (qmr set send FILE --slot N), or make one with the Setup dialog."};
    if (!c->hexCrc)
        throw Failure{kExitUnitStatus, "the unit holds no image", "Download one: qmr image download FILE.hex"};
}

// ---- device operations -------------------------------------------------------------------------------
struct DeviceOp {
    const char* name;
    const char* step;
    int tag;
    int (*call)(FlshContext*, int);
};

int eraseCall(FlshContext* c, int) { return QMRFlshErase(c, 0, 0, 0); }

const DeviceOp kDeviceOps[] = {
    {"blank", "Blank check", kBlank, QMRFlshBlnk},
    {"erase", "Erase", kErase, eraseCall},
    {"program", "Program", kProgram, QMRFlshProgram},
    {"verify", "Verify", kVerify, QMRFlshVerify},
    {"epv", "EPV (blank check, erase, program, verify)", kEpv, QMRFlshEPV},
    {"security", "Security", kSecurity, QMRFlshSecurity},
    {"device-checksum", "Device checksum", kDeviceChecksum, QMRFlashCheckSum},
    {"signature", "Signature read", kSignature, QMRFlshSigread},
};

// One socket's result.
struct SocketResult {
    int socket = 1;
    bool ok = false;
    int code = 0;      // the target error code
    std::string text;  // what went wrong
};

// What each socket (the single unit: socket 1) reported.
std::vector<SocketResult> reportUnits(Session& s, const DeviceOp& op, [[maybe_unused]] const Outcome& o,
                                      const std::array<uint64_t, 8>* serials = nullptr, int serialSize = 0)
{
    FlshContext* c = s.ctx();
    const SetRecord& rec = s.record();
    const uint8_t family = rec.classBlock[2];
    const bool english = s.g().lang != "ja";
    std::vector<SocketResult> results;
    for (int i = 0; i < kSockets; ++i) {
#ifdef QMR_GANG
        const UnitSlot& u = c->units[i];
        if (!u.active) continue;
        const int error = u.error;
        const uint8_t* checksum = u.deviceChecksum;
        const uint8_t* signature = u.signature;
        const bool securityOk = u.securityOk == 1;
        // The device family byte picks how much of the signature counts.
        const size_t n = 10 + (family == 1 ? 6 : family == 2 ? 7 : family == 3 ? 17 : 0);
#else
        const int error = o.ok ? 0 : o.code;
        const uint8_t* checksum = c->deviceChecksum;
        const uint8_t* signature = c->signature;
        const bool securityOk = c->securityResult == 1;
        const size_t n = family == 2 ? 17 : family == 3 ? 27 : 16;
#endif
        SocketResult r{i + 1, error == 0, error, error ? checks::targetErrorText(error, english) : std::string()};
        Json f;
        f["result"] = error ? "NG" : "OK";
        if (error) {
            f["code"] = error;
            f["text"] = r.text;
        } else if (op.tag == kDeviceChecksum) {
            char b[8];
            std::snprintf(b, sizeof b, "%02X%02X", checksum[0], checksum[1]);
            f["checksum"] = b;
        } else if (op.tag == kSignature) {
            bool same = std::memcmp(signature, rec.deviceHead, n) == 0;
            f["signature"] = same ? "OK" : "NG";
            if (!same) r = {i + 1, false, 0, "the signature is not the setting's device"};
        } else if (op.tag == kSecurity) {
            f["security"] = securityOk ? "OK" : "NG";
            if (!securityOk) r = {i + 1, false, 0, "the security flags were not set"};
        }
        if (serials) f["serial"] = serialText((*serials)[size_t(i)], serialSize);
        s.out().unit(op.name, i + 1, f);
        results.push_back(r);
    }
    return results;
}

bool allPassed(const std::vector<SocketResult>& results, const Outcome& o)
{
    bool all = o.ok || kGang;
    for (const auto& r : results) all &= r.ok;
    return all;
}

// The name of the setting the unit runs (its default slot).
std::string settingName(FlshContext* c)
{
    if (!c->settingsNumberValid || c->settingsNumber >= QMR_SET_ENTRIES) return {};
    return fieldText(c->setNameList[c->settingsNumber] + 33, 32);
}

// Each socket's result into the production records, when they are kept;
// the numbers drawn for the sockets become programmed or void (a socket
// without a result did not finish: why says what happened).
void recordResults(Session& s, const char* command, const std::vector<SocketResult>& results,
                   const std::vector<records::Draw>& draws = {}, const std::string& why = {})
{
    records::Ledger* l = s.ledger();
    if (!l) return;
    FlshContext* c = s.ctx();
    const std::string crc = hex32(qmr_info_hex_crc(c)), image = text(c->systemText, sizeof c->systemText);
    const std::string setting = settingName(c);
    std::vector<records::Result> rows;
    auto drawOf = [&](int socket) -> std::optional<int64_t> {
        for (const auto& d : draws)
            if (d.socket == socket) return d.id;
        return std::nullopt;
    };
    for (const auto& r : results) rows.push_back({r.socket, command, r.ok, r.code, r.text, crc, image, setting, drawOf(r.socket)});
    for (const auto& d : draws) {
        bool reported = false;
        for (const auto& r : results) reported |= r.socket == d.socket;
        if (!reported)
            rows.push_back({d.socket, command, false, 0, why.empty() ? "the socket took no part in the cycle" : why, crc, image,
                            setting, d.id});
    }
    cyclePoint("recording");
    try {
        l->record(rows, s.who());
    } catch (const records::Error& e) {
        throw recordsFailure(e, draws.empty() ? "The operation ran, but its results are not in the records."
                                              : "The devices were programmed, but the records could not say how: their "
                                                "numbers stay reserved until qmr records resolve marks them.");
    }
}

int deviceOperation(Session& s, const DeviceOp& op)
{
    s.ledger();
    requireReady(s);
    if (op.tag == kSignature) std::memset(s.ctx()->signature, 0, sizeof s.ctx()->signature);
    Outcome o = s.run(op.step, op.tag, op.call, true, true);
    const auto results = reportUnits(s, op, o);
    recordResults(s, op.name, results);
    const bool ok = allPassed(results, o) && o.ok;
    s.out().result(op.name, ok);
    return ok ? kExitOk : kExitTargetsFailed;
}

// ---- info ---------------------------------------------------------------------------------------------
int info(Session& s)
{
    FlshContext* c = s.ctx();
    Json j;
    Reporter& out = s.out();
    const std::string serial = text(reinterpret_cast<const char*>(c->usbSerial), sizeof c->usbSerial);
    j["unit"] = kGang ? "gang box" : "single unit";
    j["usb_serial"] = serial;
    out.line(std::string(kGang ? "gang box" : "unit") + ", USB serial " + (serial.empty() ? "(none)" : serial));
#ifdef QMR_GANG
    uint16_t g = qmr_info_gang_version(c);
    char gv[48];
    std::snprintf(gv, sizeof gv, "%d.%02x", g >> 8, g & 0xFF);
    j["firmware"] = gv;
    j["build"] = qmr_info_build(c);
    out.line(std::string("gang box firmware ") + gv + " build " + std::to_string(qmr_info_build(c)));
    Json positions = Json::array();
    for (int i = 0; i < QMR_UNITS; ++i) {
        Json p;
        p["socket"] = i + 1;
        p["present"] = present(c, i);
        if (present(c, i)) {
            p["firmware"] = versionText(qmr_info_version(c, i));
            p["build"] = qmr_info_unit_word(c, i);
            out.line("  socket " + std::to_string(i + 1) + ": unit firmware " + versionText(qmr_info_version(c, i)) + " build " +
                     std::to_string(qmr_info_unit_word(c, i)));
        } else {
            out.line("  socket " + std::to_string(i + 1) + ": empty");
        }
        positions.push_back(p);
    }
    j["sockets"] = positions;
#else
    j["firmware"] = versionText(qmr_info_version(c, 0));
    j["build"] = c->buildNumber;
    out.line("firmware " + versionText(qmr_info_version(c, 0)) + " build " + std::to_string(c->buildNumber));
#endif
    Json prms = Json::array();
    out.line("parameter files: " + std::to_string(c->prmNameCount));
    for (int i = 0; i < c->prmNameCount && i < QMR_PRM_NAME_MAX; ++i) {
        uint32_t id = qmr_be32(c->prmNameList[i]);
        std::string name = fieldText(c->prmNameList[i] + 4, 32);
        prms.push_back({{"id", hex32(id)}, {"name", name}});
        out.line("  " + hex32(id) + "  " + name);
    }
    j["parameter_files"] = prms;
    Json slots = Json::array();
    const int def = c->settingsNumberValid && c->setValid ? c->settingsNumber : -1;
    out.line("setting files: " + std::to_string(c->setNameCount) + (def >= 0 ? ", default " + std::to_string(def) : ", no default"));
    for (int i = 0; i < QMR_SET_ENTRIES; ++i) {
        std::string prm = fieldText(c->setNameList[i] + 1, 32), set = fieldText(c->setNameList[i] + 33, 32);
        if (prm.empty()) continue;
        slots.push_back({{"slot", i}, {"name", set}, {"parameter_file", prm}, {"default", i == def}});
        char l[128];
        std::snprintf(l, sizeof l, "  %02d %c %-32s %s", i, i == def ? '*' : ' ', set.c_str(), prm.c_str());
        out.line(l);
    }
    j["setting_files"] = slots;
    j["default_slot"] = def;
    char stamp[15];
    qmr_info_timestamp(c, stamp);
    const uint32_t crc = qmr_info_hex_crc(c);
    const std::string name = text(c->systemText, sizeof c->systemText);
    if (crc) {
        j["image"] = {{"name", name}, {"crc", hex32(crc)}, {"timestamp", stamp}};
        out.line("image: " + name + "  CRC " + hex32(crc) + "  time stamp " + app::hexTimestampText(stamp, false));
    } else {
        j["image"] = nullptr;
        out.line("image: none");
    }
    s.out().result("info", true, j);
    return kExitOk;
}

// ---- parameter and setting files ------------------------------------------------------------------------
std::string inputProblem(const std::string& path, app::InputFile p, const char* notOfItsKind)
{
    return "\"" + path + "\" " + (p == app::InputFile::Ok ? notOfItsKind : app::inputFileText(p));
}

int prmSend(Session& s, const std::string& path, bool force)
{
    PrmRecord* rec = QMRReadPRM(path.c_str(), 0);
    if (!rec) throw Failure{kExitInput, inputProblem(path, app::checkInputFile(path), "is larger than a parameter file")};
    std::unique_ptr<PrmRecord, void (*)(PrmRecord*)> hold(rec, QMRFreePRM);
    switch (app::checkParameterRecord(*rec)) {
    case app::PrmFileCheck::ChecksumError:
        throw Failure{kExitInput, "\"" + path + "\" is not a parameter file: its checksum is wrong"};
    case app::PrmFileCheck::TooNew:
        throw Failure{kExitInput, "\"" + path + "\" is of a newer format than this program takes", "Upgrade the program."};
    case app::PrmFileCheck::Ok: break;
    }
    FlshContext* c = s.ctx();
    const uint8_t* id = app::prmIdentity(rec->prmImage);
    for (int i = 0; i < c->prmNameCount && i < QMR_PRM_NAME_MAX; ++i)
        if (std::memcmp(c->prmNameList[i], id, 4) == 0 && !force)
            throw Failure{kExitInput, fieldText(rec->prmImage + 16, 30) + " is registered on the unit already",
                          "--force overwrites it."};
    std::memcpy(&c->prm, rec, sizeof(PrmRecord));
    s.run("Parameter file send", kPrmSend, QMRPRMSend, false);
    s.run("Start", kStart, QMRStartCmd, false);
    s.out().result("prm send", true, {{"name", fieldText(rec->prmImage + 16, 30)}, {"id", hex32(qmr_be32(id))}});
    return kExitOk;
}

int checkSlot(int slot)
{
    if (slot < 0 || slot >= QMR_SET_ENTRIES)
        throw Failure{kExitUsage, "the slot is 0.." + std::to_string(QMR_SET_ENTRIES - 1) + ", not " + std::to_string(slot)};
    return slot;
}

int setList(Session& s)
{
    FlshContext* c = s.ctx();
    Json slots = Json::array();
    const int def = c->settingsNumberValid && c->setValid ? c->settingsNumber : -1;
    for (int i = 0; i < QMR_SET_ENTRIES; ++i) {
        std::string prm = fieldText(c->setNameList[i] + 1, 32), set = fieldText(c->setNameList[i] + 33, 32);
        bool used = !prm.empty();
        slots.push_back({{"slot", i}, {"used", used}, {"name", set}, {"parameter_file", prm}, {"default", i == def}});
        char l[128];
        std::snprintf(l, sizeof l, "%02d %c %-32s %s", i, i == def ? '*' : ' ', used ? set.c_str() : "-", prm.c_str());
        s.out().line(l);
    }
    s.out().result("set list", true, {{"slots", slots}, {"default_slot", def}});
    return kExitOk;
}

int setSend(Session& s, const std::string& path, int slot)
{
    checkSlot(slot);
    SetRecord rec;
    app::InputFile problem = app::InputFile::Ok;
    app::SetFileResult r = app::readSetFile(path, rec, &problem);
    if (r == app::SetFileResult::WrongSize)
        throw Failure{kExitInput, "\"" + path + "\" is not a setting file (a setting file holds 16384 bytes)"};
    if (r != app::SetFileResult::Ok) throw Failure{kExitInput, inputProblem(path, problem, "cannot be read")};
    if (app::setFileTooNew(rec)) throw Failure{kExitInput, "\"" + path + "\" is of a newer format than this program takes"};
    FlshContext* c = s.ctx();
    bool known = false;
    const uint8_t* id = app::prmIdentity(reinterpret_cast<const uint8_t*>(&rec));
    for (int i = 0; i < c->prmNameCount && i < QMR_PRM_NAME_MAX; ++i) known |= std::memcmp(c->prmNameList[i], id, 4) == 0;
    if (!known)
        throw Failure{kExitInput, "the unit holds no parameter file " + hex32(qmr_be32(id)) + " for \"" + path + "\"",
                      "Send its parameter file first: qmr prm send FILE.prs"};
    std::memcpy(c->settingsRecord, &rec, sizeof rec);
    c->settingsNumber = static_cast<uint8_t>(slot);
    s.run("Setting file send", kSetSend, QMRSETSend, false);
    s.run("Start", kStart, QMRStartCmd, false);
    s.out().result("set send", true, {{"slot", slot}, {"name", fieldText(reinterpret_cast<const uint8_t*>(rec.setFileName), 32)}});
    return kExitOk;
}

int setGet(Session& s, int slot, const std::string& path)
{
    checkSlot(slot);
    s.ctx()->settingsNumberChosen = static_cast<uint8_t>(slot);
    s.run("Setting file upload", kSetUpload, QMRSETUpLoad, false);
    SetRecord rec;
    std::memcpy(&rec, s.ctx()->settingsRecord, sizeof rec);
    std::string why;
    if (app::writeSetFile(path, rec, &why) != app::SetFileResult::Ok)
        throw Failure{kExitInput, "the setting file could not be written to \"" + path + "\": " + why};
    s.out().result("set get", true, Json{{"slot", slot}, {"file", path}});
    return kExitOk;
}

int setDelete(Session& s, int slot)
{
    checkSlot(slot);
    s.ctx()->setDeleteNumber = static_cast<uint8_t>(slot);
    s.run("Setting file delete", kSetDelete, QMRSETFileDelete, false);
    s.run("Start", kStart, QMRStartCmd, false);
    s.out().result("set delete", true, {{"slot", slot}});
    return kExitOk;
}

int setDefault(Session& s, int slot)
{
    checkSlot(slot);
    FlshContext* c = s.ctx();
    // The unit refuses to make its default the default again: a script that
    // sets it every run is told it is so, not that something failed.
    if (c->settingsNumberValid && c->setValid && c->settingsNumber == slot) {
        s.out().line("slot " + std::to_string(slot) + " is the default already");
        s.out().result("set default", true, {{"slot", slot}, {"unchanged", true}});
        return kExitOk;
    }
    c->settingsNumber = static_cast<uint8_t>(slot);
    s.run("Default setting", kSetDefault, QMRSETDefaultSet, false);
    s.run("Start", kStart, QMRStartCmd, false);
    s.out().result("set default", true, {{"slot", slot}});
    return kExitOk;
}

// ---- images -------------------------------------------------------------------------------------------
const char* loadResultText(int result)
{
    switch (result) {
    case QMR_HEX_EFILE: return "could not be read";
    case QMR_HEX_ERANGE: return "has a data record at or above 8 MB";
    case QMR_HEX_EMARKER: return "has no firmware marker of this kind";
    case QMR_HEX_ECHECKSUM: return "is damaged or cut off (a wrong record checksum, or no end record)";
    default: return "could not be loaded";
    }
}

// An image file loaded whole: its bytes (0xFF in the gaps, whole 512-byte
// pages), sum and time stamp.
struct Image {
    std::vector<uint8_t> bytes;
    uint32_t start = 0, highest = 0;
    uint16_t sum = 0;
    char stamp[16] = {};
    std::string name;
};

Image loadImage(const std::string& path, uint32_t check = QMR_FW_CHECK_NONE)
{
    app::LoaderPath name(path);
    int result = 0;
    HexContext* h = Unit::load(name.c_str(), check, result);
    if (!h) throw Failure{kExitInput, inputProblem(path, app::checkInputFile(path), "is no Intel HEX or S-record file")};
    if (result) {
        QMRHexClose(h);
        throw Failure{kExitInput, "\"" + path + "\" " + loadResultText(result)};
    }
    Image im;
    uint32_t size = h->imageSize < QMR_IMAGE_ALLOC ? h->imageSize : QMR_IMAGE_ALLOC;
    im.bytes.assign(h->imageBuffer, h->imageBuffer + size);
    im.start = h->imageStart;
    im.highest = h->highestAddress;
    im.sum = h->imageSum;
    const HexProgressRecord& t = h->ring[0];
    auto part = [](int32_t v, unsigned range) { return static_cast<unsigned>(v) % range; };
    std::snprintf(im.stamp, sizeof im.stamp, "%04u%02u%02u%02u%02u%02u", part(t.year, 10000), part(t.month, 100),
                  part(t.day, 100), part(t.hour, 100), part(t.minute, 100), part(t.second, 100));
    QMRHexClose(h);
    auto slash = path.find_last_of('/');
    im.name = slash == std::string::npos ? path : path.substr(slash + 1);
    return im;
}

int imageDownload(Session& s, const std::string& path, bool security, bool ifChanged)
{
    Image im = loadImage(path);
    if (kGang && im.bytes.size() > 0x400000)
        throw Failure{kExitInput, "\"" + path + "\" is larger than the 4 MB the gang box takes"};
    const uint32_t crc = checks::crc32Bzip2(im.bytes.data(), im.bytes.size());
    FlshContext* c = s.ctx();
    if (ifChanged && qmr_info_hex_crc(c) == crc) {
        s.out().line("the unit holds this image already (CRC " + hex32(crc) + "): nothing downloaded");
        s.out().result("image download", true, {{"skipped", true}, {"crc", hex32(crc)}});
        return kExitOk;
    }
    c->hexImage = im.bytes.data();
    c->hexSize = static_cast<uint32_t>(im.bytes.size());
    c->hexStart = im.start;
    c->hexHighest = im.highest;
    c->hexSum = im.sum;
    c->hexCrc = crc;
    c->hexSecurity = security ? 1 : 0;
    std::memcpy(c->hexTimestamp, im.stamp, sizeof c->hexTimestamp);
    std::memset(c->hexFileName, 0, sizeof c->hexFileName);
    std::memcpy(c->hexFileName, im.name.data(), std::min(im.name.size(), sizeof c->hexFileName - 1));
    s.run("HEX download", kHexDownload, QMRHexDownLoad, false);
    c->hexImage = nullptr;
    s.run("HEX information", kHexInfo, QMRHexInfoUpLoad, false);
    if (c->unitImageCrc != crc)
        throw Failure{kExitUnitStatus, "the unit reports CRC " + hex32(c->unitImageCrc) + " for the image, not " + hex32(crc)};
    s.out().result("image download", true, {{"skipped", false}, {"crc", hex32(crc)}, {"size", im.bytes.size()}});
    return kExitOk;
}

void writeFile(const std::string& path, const std::string& content, const char* what)
{
    std::string why;
    if (!app::writeWholeFile(path, content.data(), content.size(), &why))
        throw Failure{kExitInput, std::string("the ") + what + " could not be written to \"" + path + "\": " + why};
}

int imageUpload(Session& s, const std::string& path)
{
    std::vector<uint8_t> buffer(QMR_IMAGE_SIZE, 0xFF);
    FlshContext* c = s.ctx();
    c->uploadBuffer = buffer.data();
    s.run("HEX upload", kHexUpload, QMRHexUpLoad, false);
    writeFile(path, app::sRecordText(buffer.data(), buffer.size(), c->hexStart, c->hexSize), "S-record file");
    s.out().result("image upload", true, {{"file", path}, {"size", c->hexSize}});
    return kExitOk;
}

int imageInfo(Session& s)
{
    FlshContext* c = s.ctx();
    s.run("HEX information", kHexInfo, QMRHexInfoUpLoad, false);
    char stamp[15];
    qmr_info_timestamp(c, stamp);
    Json j = {{"name", text(c->systemText, sizeof c->systemText)}, {"start", c->unitImageStart}, {"end", c->unitImageEnd},
              {"size", c->unitImageSize}, {"crc", hex32(c->unitImageCrc)}, {"security", c->unitImageKind}, {"timestamp", stamp}};
    char l[160];
    std::snprintf(l, sizeof l, "image %s: %06X-%06X, %u bytes, CRC %08X, security %u, time stamp %s", j["name"].get<std::string>().c_str(),
                  c->unitImageStart, c->unitImageEnd, c->unitImageSize, c->unitImageCrc, c->unitImageKind,
                  app::hexTimestampText(stamp, false).c_str());
    s.out().line(l);
    s.out().result("image info", true, j);
    return kExitOk;
}

int checksum(Session& s, const std::string& path)
{
    Image im = loadImage(path);
    const uint32_t fileCrc = checks::crc32Bzip2(im.bytes.data(), im.bytes.size());
    FlshContext* c = s.ctx();
    Json j;
    j["file"] = {{"name", im.name}, {"crc", hex32(fileCrc)}, {"size", im.bytes.size()},
                 {"fill", "addresses 0 to the highest, rounded up to whole 512-byte pages; gaps 0xFF"}};
    s.run("Unit checksum", kUnitChecksum, QMRCheckSum, false);
    char sum[8];
    std::snprintf(sum, sizeof sum, "%04X", c->imageChecksum);
    std::vector<uint8_t> upload(QMR_IMAGE_SIZE, 0xFF);
    c->uploadBuffer = upload.data();
    s.run("HEX upload", kHexUpload, QMRHexUpLoad, false);
    app::Fp4Sums fp4 = app::fp4Sums(upload.data(), c->hexSize);
    const uint32_t unitCrc = qmr_info_hex_crc(c);
    j["unit"] = {{"crc", hex32(unitCrc)}, {"checksum", sum}, {"crc_1m", hex32(fp4.crc1m)}, {"crc_2m", hex32(fp4.crc2m)}, {"size", c->hexSize}};
    s.out().line("                 file      unit");
    s.out().line("image CRC        " + hex32(fileCrc) + "  " + hex32(unitCrc) + (fileCrc == unitCrc ? "  (same)" : "  (DIFFERENT)"));
    s.out().line(std::string("unit checksum              ") + sum);
    s.out().line("CRC sum (1M)               " + hex32(fp4.crc1m));
    s.out().line("CRC sum (2M)               " + hex32(fp4.crc2m));
    s.out().line("  the file's CRC covers " + std::to_string(im.bytes.size()) +
                 " bytes from address 0: its highest address rounded up to whole 512-byte pages, gaps 0xFF");
    s.ledger();
    requireReady(s);
    const DeviceOp& op = kDeviceOps[6];
    Outcome o = s.run(op.step, op.tag, op.call, true, true);
    const auto results = reportUnits(s, op, o);
    recordResults(s, op.name, results);
    bool ok = allPassed(results, o) && o.ok;
    j["same"] = fileCrc == unitCrc;
    s.out().result("checksum", ok && fileCrc == unitCrc, j);
    if (!ok) return kExitTargetsFailed;
    return fileCrc == unitCrc ? kExitOk : kExitTargetsFailed;
}

// ---- read -----------------------------------------------------------------------------------------------
int read(Session& s, const std::string& path, std::vector<int> sockets)
{
    requireReady(s);
    FlshContext* c = s.ctx();
    const SetRecord& rec = s.record();
    if (!rec.classBlock[6]) throw Failure{kExitUnitStatus, "the device of the unit's setting cannot be read"};
    std::vector<uint8_t> buffer(0x400000, 0xFF);
    c->readBuffer = buffer.data();
    if (!kGang) sockets = {1};
#ifdef QMR_GANG
    if (sockets.empty())
        for (int i = 0; i < QMR_UNITS; ++i)
            if (present(c, i)) sockets.push_back(i + 1);
#endif
    // dump.s gives dump2.s, dump5.s ... on the gang box.
    auto dot = path.find_last_of('.');
    auto slash = path.find_last_of('/');
    bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    Json files = Json::array();
    for (int socket : sockets) {
        if (socket < 1 || socket > kSockets) throw Failure{kExitUsage, "the socket is 1.." + std::to_string(kSockets)};
        if (!present(c, socket - 1)) throw Failure{kExitUsage, "socket " + std::to_string(socket) + " holds no unit"};
        std::string file = kGang ? (hasExt ? path.substr(0, dot) + std::to_string(socket) + path.substr(dot)
                                           : path + std::to_string(socket))
                                 : path;
        c->readEnd = rec.endBlockAddress.get() + 1;
        c->readUnit = static_cast<uint8_t>(socket);
        s.run(("Read socket " + std::to_string(socket)).c_str(), kRead, QMRFlshRead, false);
        writeFile(file, app::sRecordText(buffer.data(), buffer.size(), rec.rangeStart.get(), c->readEnd), "S-record file");
        s.out().unit("read", socket, {{"result", "OK"}, {"file", file}});
        files.push_back(file);
    }
    s.out().result("read", true, {{"files", files}});
    return kExitOk;
}

// ---- serial numbers -----------------------------------------------------------------------------------
void checkSerialSize(int size)
{
    if (size != 1 && size != 2 && size != 4 && !(kGang && size == 8))
        throw Failure{kExitUsage, std::string("the size is 1, 2, 4") + (kGang ? " or 8" : "") + " bytes" +
                                      (kGang ? "" : " (the single unit takes no 8-byte numbers)")};
}

// The EPV that writes numbers[i] into socket i + 1; draws are the numbers the
// records reserved for it.  True when every socket passed.
bool runSerialEpv(Session& s, uint32_t address, int size, const std::array<uint64_t, 8>& numbers,
                  const std::vector<records::Draw>& draws)
{
    FlshContext* c = s.ctx();
    c->serialAddress = address;
    c->serialSize = static_cast<uint8_t>(size);
#ifdef QMR_GANG
    for (int i = 0; i < QMR_UNITS; ++i) {
        c->unitSerial[i][0] = static_cast<uint32_t>(numbers[size_t(i)] >> 32);
        c->unitSerial[i][1] = static_cast<uint32_t>(numbers[size_t(i)]);
    }
#else
    c->serialValue = static_cast<uint32_t>(numbers[0]);
#endif
    const DeviceOp op{"serial epv", "EPV with serial numbers", kSerialEpv, QMRFlshEXPEPV};
    if (!draws.empty()) s.armProgrammingPoint();
    Outcome o;
    try {
        o = s.run(op.step, op.tag, op.call, true, true);
    } catch (const Failure& f) {
        // The cycle never finished: its numbers are void (or, when even that
        // cannot be written, stay reserved and are listed next time).
        if (!draws.empty()) {
            try {
                recordResults(s, op.name, {}, draws, f.message);
            } catch (const Failure& r) {
                s.out().warning(op.name, r.message);
            }
        }
        throw;
    }
    const auto results = reportUnits(s, op, o, &numbers, size);
    recordResults(s, op.name, results, draws);
    return allPassed(results, o) && o.ok;
}

uint32_t serialAddress(Session& s, const std::string& addressText, int size)
{
    const SetRecord& rec = s.record();
    uint32_t address = 0;
    if (!app::parseSerialAddress(addressText, size, rec.endBlockAddress.get(), address))
        throw Failure{kExitInput, "the address " + addressText + " is not in the device's range (up to " +
                                      hex32(rec.endBlockAddress.get()) + " for its last byte)"};
    return address;
}

int serialEpv(Session& s, const std::string& addressText, int size, const std::string& startText, bool down)
{
    checkSerialSize(size);
    s.ledger();
    requireReady(s);
    const uint32_t address = serialAddress(s, addressText, size);
    uint64_t base = 0;
    if (!app::parseSerialData64(startText, size, base))
        throw Failure{kExitInput, "the number " + startText + " is not up to " + std::to_string(size * 2) + " hexadecimal digits"};
    std::array<uint64_t, 8> numbers{};
    for (int i = 0; i < 8; ++i) numbers[size_t(i)] = app::serialAt(base, size, down, uint32_t(i));
    const bool ok = runSerialEpv(s, address, size, numbers, {});
    // The next number follows the last socket that took part.
    int last = 0;
#ifdef QMR_GANG
    for (int i = 0; i < QMR_UNITS; ++i)
        if (s.ctx()->units[i].active) last = i;
#endif
    uint64_t next = app::serialAt(numbers[size_t(last)], size, down, 1);
    s.out().line("next number: " + app::serialText(next, size));
    s.out().result("serial epv", ok, {{"next", app::serialText(next, size)}});
    return ok ? kExitOk : kExitTargetsFailed;
}

// The serial-number EPV with the numbers drawn from a series of the
// records: each is reserved (committed) before any device is programmed.
int serialEpvSeries(Session& s, const std::string& name)
{
    records::Ledger* l = nullptr;
    try {
        l = s.ledger();
    } catch (Failure& f) {
        if (f.exit == kExitRecords) f.hint = "No device was programmed. " + f.hint;
        throw;
    }
    if (!l)
        throw Failure{kExitUsage, "--series needs the production records",
                      "--records PATH.db (or postgresql://...), or QMR_RECORDS, says where they are."};
    std::optional<records::Series> series;
    try {
        series = l->series(name);
    } catch (const records::Error& e) {
        throw recordsFailure(e, "No device was programmed.");
    }
    if (!series) throw Failure{kExitRecords, "there is no series named " + name, "qmr records init " + name + " --address A --size S --first N makes it."};
    const int size = series->terms.size;
    checkSerialSize(size);
    requireReady(s);
    char address[16];
    std::snprintf(address, sizeof address, "%X", series->terms.address);
    const uint32_t at = serialAddress(s, address, size);
    warnUnresolved(s.out(), "serial epv", *l, name);
    // One number for each socket that holds a unit.
    std::vector<int> sockets;
    for (int i = 0; i < kSockets; ++i)
        if (!kGang || present(s.ctx(), i)) sockets.push_back(i + 1);
    std::vector<records::Draw> draws;
    try {
        draws = l->reserve(name, sockets, s.who());
    } catch (const records::Error& e) {
        throw recordsFailure(e, "No device was programmed: a number that is not safely reserved is never written.");
    }
    cyclePoint("reserved");
    std::array<uint64_t, 8> numbers{};
    for (const auto& d : draws) numbers[size_t(d.socket - 1)] = d.number;
    const bool ok = runSerialEpv(s, at, size, numbers, draws);
    std::optional<records::Series> after;
    try {
        after = l->series(name);
    } catch (const records::Error&) {
    }
    Json fields = {{"series", name}};
    if (after && after->available()) {
        const std::string next = app::serialText(after->numberAt(after->drawn), size);
        s.out().line("next number: " + next);
        fields["next"] = next;
    } else if (after) {
        s.out().warning("serial epv", "the series " + name + " has no numbers left");
        fields["next"] = nullptr;
    }
    s.out().result("serial epv", ok, fields);
    return ok ? kExitOk : kExitTargetsFailed;
}

// ---- log and firmware -----------------------------------------------------------------------------------
int log(Session& s, bool clear, const std::string& path)
{
    FlshContext* c = s.ctx();
    s.run("Log information", kLogInfo, QMRLogInfoUpLoad, false);
    std::array<uint16_t, 32> list{};
    std::memcpy(list.data(), c->ngList, sizeof c->ngList);
    const int op = s.record().standaloneOp;
    const bool english = s.g().lang != "ja";
    std::string t = app::logHistoryText(op, static_cast<int32_t>(c->okCount), static_cast<int32_t>(c->ngCount), list, english);
    Json rows = Json::array();
    for (const app::LogRow& r : app::logHistoryRows(static_cast<int32_t>(c->ngCount), list, english))
        rows.push_back({{"number", r.number}, {"code", r.code}, {"text", r.message}});
    if (!s.out().json()) {
        std::string plain = t;
        size_t k;
        while ((k = plain.find('\r')) != std::string::npos) plain.erase(k, 1);
        if (!plain.empty() && plain.back() == '\n') plain.pop_back();
        s.out().line(plain);
    }
    if (!path.empty()) writeFile(path, t, "log");
    if (clear) s.run("Log count clear", kLogClear, QMRLogCntClear, false);
    s.out().result("log", true, {{"ok", c->okCount}, {"ng", c->ngCount}, {"ng_list", rows}, {"cleared", clear}});
    return kExitOk;
}

int firmwareWaitMs()
{
    const char* e = std::getenv("QMR_FIRMWARE_WAIT_MS");
    if (!e || !*e) return 3000;
    int v = std::atoi(e);
    return v < 0 ? 0 : v;
}

void updateFirmware(Session& s, const Image& fw, int target, const char* step)
{
    FlshContext* c = s.ctx();
    c->firmwareImage = fw.bytes.data();
    c->firmwareSize = static_cast<uint32_t>(fw.bytes.size());
    c->hexSum = fw.sum;
#ifdef QMR_GANG
    c->firmwareTarget = target;
#else
    (void)target;
#endif
    s.run(step, kFirmware, QMRFIRMUpdate, false);
    c->firmwareImage = nullptr;
    // The unit restarts with its new firmware.
    std::this_thread::sleep_for(std::chrono::milliseconds(firmwareWaitMs()));
    s.run("Start", kStart, QMRStartCmd, false);
}

int firmware(Session& s, const std::string& path, bool gangBox, const std::string& programFolder)
{
    if (gangBox && !kGang) throw Failure{kExitUsage, "--gang-box needs --gang"};
    Image fw = loadImage(path, gangBox ? QMR_FW_CHECK_GANG : QMR_FW_CHECK_UNIT);
    FlshContext* c = s.ctx();
    if (gangBox) {
        updateFirmware(s, fw, 1, "Gang box firmware update");
        s.out().result("firmware", true, {{"target", "gang box"}, {"stages", 1}});
        return kExitOk;
    }
    // Units older than 2.04 take a large image only after the intermediate firmware.
    bool twoStage = false;
#ifdef QMR_GANG
    bool old = false;
    for (int i = 0; i < QMR_UNITS; ++i) old |= present(c, i) && qmr_info_version(c, i) < 0x0204;
    twoStage = old && fw.bytes.size() >= 0xE000;
#else
    twoStage = app::needsIntermediateFirmware(qmr_info_version(c, 0), static_cast<uint32_t>(fw.bytes.size()));
#endif
    if (twoStage) {
        std::string inter = app::intermediateFirmwarePath(programFolder);
        s.out().step(">> the units are older than 2.04: " + inter + " goes first");
        Image mid = loadImage(inter, QMR_FW_CHECK_UNIT);
        updateFirmware(s, mid, 2, "Intermediate firmware update");
    }
    updateFirmware(s, fw, 2, "Firmware update");
    s.out().result("firmware", true, {{"target", kGang ? "units" : "unit"}, {"stages", twoStage ? 2 : 1}});
    return kExitOk;
}

// ---- the gang production loop ----------------------------------------------------------------------------
#ifdef QMR_GANG
int runOnButton(Session& s, int cycles, int pollMs, bool serial, const std::string& addressText, int size,
                const std::string& startText, bool down, const std::string& series)
{
    s.ledger();
    requireReady(s);
    FlshContext* c = s.ctx();
    uint64_t base = 0;
    if (serial && series.empty() && !app::parseSerialData64(startText, size, base))
        throw Failure{kExitInput, "the number " + startText + " is not up to " + std::to_string(size * 2) + " hexadecimal digits"};
    int done = 0, failedCycles = 0;
    s.out().step(">> waiting for the start button (Ctrl-C ends after the running cycle)");
    while (g_interrupts.load() == 0 && (cycles <= 0 || done < cycles)) {
        // Quietly ask the box for its button.
        s.out().quietRecords(true);  // the polls say nothing
        Outcome b = s.unit().run(kButtonInfo, QMRFlshSBtnInfo, false);
        if (!b.ok) throw s.failureOf("the start-button query", b, false);
        s.out().quietRecords(false);
        if (!c->startButtons) {
            for (int waited = 0; waited < pollMs && g_interrupts.load() == 0; waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        ++done;
        s.out().step(">> cycle " + std::to_string(done));
        int rc = !series.empty() ? serialEpvSeries(s, series)
                 : serial        ? serialEpv(s, addressText, size, app::serialText(base, size), down)
                                 : deviceOperation(s, kDeviceOps[4]);
        if (rc != kExitOk) {
            ++failedCycles;
            c->buttonMask = 0;
            s.unit().run(kButtonMask, QMRFlshBtnMask, false);
        }
        if (serial && series.empty()) {
            int last = 0;
            for (int i = 0; i < QMR_UNITS; ++i)
                if (c->units[i].active) last = i;
            base = app::serialAt(app::serialAt(base, size, down, uint32_t(last)), size, down, 1);
        }
    }
    s.out().result("run", failedCycles == 0, {{"cycles", done}, {"failed_cycles", failedCycles}});
    return failedCycles ? kExitTargetsFailed : kExitOk;
}
#endif

std::string programFolder(const char* argv0)
{
    char b[4096];
    ssize_t n = readlink("/proc/self/exe", b, sizeof b - 1);
    std::string p = n > 0 ? std::string(b, size_t(n)) : std::string(argv0);
    auto k = p.find_last_of('/');
    return k == std::string::npos ? "." : p.substr(0, k);
}

int doctor(Reporter& out)
{
    DoctorRoots roots;
    if (const char* sys = std::getenv("QMR_DOCTOR_ROOT")) {
        // A fake tree for tests: sys, dev, proc and etc below one folder.
        std::string r = sys;
        roots.sys = r + "/sys";
        roots.dev = r + "/dev";
        roots.proc = r + "/proc";
        roots.rulesFolders = {r + "/etc/udev/rules.d"};
    }
    LibftdiProbe probe = defaultLibftdiProbe();
    if (const char* fake = std::getenv("QMR_DOCTOR_LIBFTDI"))
        probe = [ok = std::string(fake) == "ok"](const FtdiDevice&, std::string& why) {
            if (!ok) why = "LIBUSB_ERROR_ACCESS";
            return ok;
        };
    DoctorReport r = diagnose(roots, probe);
    Json devices = Json::array();
    if (r.devices.empty()) out.line("no FTDI device is on USB: plug the unit in and switch it on");
    for (const FtdiDevice& d : r.devices) {
        Json problems = Json::array();
        for (const Problem& p : d.problems) problems.push_back({{"problem", p.what}, {"fix", p.fix}});
        devices.push_back({{"bus", d.busId},
                           {"description", d.product},
                           {"serial", d.serial},
                           {"unit", d.isUnit},
                           {"driver", d.driver},
                           {"tty", d.node},
                           {"tty_usable", d.nodeUsable},
                           {"latency_ms", d.latency},
                           {"libftdi", d.libftdiOpens},
                           {"usable", d.usable},
                           {"problems", problems}});
        out.line(d.busId + ": " + d.product + " (serial " + (d.serial.empty() ? "none" : d.serial) + ")" +
                 (d.isUnit ? "" : ": not a programmer unit"));
        if (!d.isUnit) continue;
        out.line("  kernel driver: " + (d.driver.empty() ? std::string("none") : d.driver));
        out.line("  tty: " + (d.node.empty() ? std::string("none") : d.node + (d.nodeUsable ? " (this user may open it)" : " (not for this user)")));
        if (!d.latency.empty()) out.line("  latency timer: " + d.latency + " ms");
        out.line(std::string("  libftdi: ") + (d.libftdiOpens ? "opens it" : "cannot open it (" + d.libftdiProblem + ")"));
        out.line(std::string("  usable: ") + (d.usable ? "yes" : "NO"));
        for (const Problem& p : d.problems) out.line("  problem: " + p.what + "\n    fix: " + p.fix);
    }
    Json general = Json::array();
    for (const Problem& p : r.general) {
        general.push_back({{"problem", p.what}, {"fix", p.fix}});
        out.line("problem: " + p.what + "\n  fix: " + p.fix);
    }
    out.line(std::string("udev rules: ") + (r.udevRules ? "installed" : "not installed (contrib/60-quillmarker.rules)"));
    out.line(std::string("dialout group: ") + (geteuid() == 0   ? "not needed (running as root)"
                                               : r.inDialout ? "this user is a member"
                                                             : "this user is not a member"));
    const bool bad = r.unitUnusable();
    out.result("doctor", !bad, {{"devices", devices}, {"system", general}, {"udev_rules", r.udevRules}, {"dialout", r.inDialout}});
    return bad ? kExitNoUnit : kExitOk;
}

// Hexadecimal values may be written with a leading 0x, as scripts often do.
std::string withoutHexPrefix(std::string text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
    return text;
}
const auto hexText = CLI::Validator([](std::string& text) { text = withoutHexPrefix(text); return std::string(); }, "");

}  // namespace

void setCycleHook(void (*hook)(const char* point)) { g_cycleHook = hook; }

int runCli(int argc, char** argv, FILE* outFile, FILE* errFile)
{
    CLI::App app{kGang ? "qmr --gang: the command line of the gang box of eight units"
                       : "qmr: the command line of the programmer unit (--gang: the gang box)",
                 "qmr"};
    app.require_subcommand(1);
    Global g;
    bool gangFlag = false, version = false;
    app.add_flag("--gang", gangFlag, "drive the gang box (qmrmulti)");
    app.add_option("--link", g.link, "how to reach the unit: sim, tty:PATH or auto (as QMR_LINK)")
        ->check(CLI::Validator(
            [](std::string& v) {
                return v == "sim" || v == "auto" || (v.rfind("tty:", 0) == 0 && v.size() > 4)
                           ? std::string()
                           : "\"" + v + "\" is not a link: use sim, auto or tty:PATH (the unit's character device)";
            },
            ""));
    app.add_flag("--json", g.json, "JSON Lines on standard output, one object per event");
    app.add_option("--lang", g.lang, "the language of the library's texts: en or ja")->check(CLI::IsMember({"en", "ja"}));
    app.add_option("--timeout", g.timeoutMs, "the longest the unit may stay silent, in ms (as QMR_READ_TIMEOUT_MS)")
        ->check(CLI::Range(1, 600000));
    app.add_flag("--quiet,-q", g.quiet, "print results and errors only");
    app.add_flag("--verbose,-v", g.verbose, "print every record of the library");
    app.add_flag("--version", version, "print the versions and exit");
    app.add_option("--records", g.records.where,
                   "the production records: PATH.db (SQLite) or postgresql://... (as QMR_RECORDS)");
    app.add_option("--station", g.records.station, "this station's name in the records (default: the host name)");
    app.set_version_flag();

    // The values the subcommands take (one invocation's own).
    std::string prmFile;
    bool force = false;
    std::string setFile, outFileName;
    int slot = -1;
    std::string imageFile;
    bool security = false, ifChanged = false;
    std::vector<int> sockets;
    std::string address, start;
    int size = 1;
    bool countDown = false;
    bool clear = false;
    bool gangBox = false;
    std::string folder = programFolder(argc > 0 ? argv[0] : "qmr");
    std::string seriesName, note, since;
    SeriesOptions seriesOptions;
    std::vector<std::string> numbersText;
    bool markProgrammed = false, markVoid = false, exportCsv = false, exportJson = false;
    [[maybe_unused]] bool onButton = false, serialRun = false;
    [[maybe_unused]] int cycles = 0, pollMs = 850;
    std::function<int(Session&)> action;
    std::function<int(Reporter&)> plainAction;
    std::string name;
    auto sub = [&](const char* n, const char* help, std::function<int(Session&)> f) {
        CLI::App* c = app.add_subcommand(n, help);
        c->callback([&name, &action, n, f] {
            name = n;
            action = f;
        });
        return c;
    };

    sub("info", "the unit's description, firmware, stored files, settings and image", [](Session& s) { return info(s); });

    // prm
    CLI::App* prm = app.add_subcommand("prm", "parameter files on the unit");
    prm->require_subcommand(1);


    CLI::App* prmSendCmd = prm->add_subcommand("send", "register a parameter file (checked first)");
    prmSendCmd->add_option("FILE", prmFile, "the *.prs file")->required();
    prmSendCmd->add_flag("--force", force, "overwrite a parameter file the unit holds already");
    prmSendCmd->callback([&] {
        name = "prm send";
        action = [&](Session& s) { return prmSend(s, prmFile, force); };
    });

    // set
    CLI::App* set = app.add_subcommand("set", "setting files on the unit");
    set->require_subcommand(1);


    set->add_subcommand("list", "the unit's setting slots")->callback([&] {
        name = "set list";
        action = [&](Session& s) { return setList(s); };
    });
    CLI::App* setSendCmd = set->add_subcommand("send", "register a *.set file in a slot");
    setSendCmd->add_option("FILE", setFile, "the *.set file")->required();
    setSendCmd->add_option("--slot", slot, "the slot")->required();
    setSendCmd->callback([&] {
        name = "set send";
        action = [&](Session& s) { return setSend(s, setFile, slot); };
    });
    CLI::App* setGetCmd = set->add_subcommand("get", "save a slot's setting file");
    setGetCmd->add_option("SLOT", slot, "the slot")->required();
    setGetCmd->add_option("-o,--output", outFileName, "the file to write")->required();
    setGetCmd->callback([&] {
        name = "set get";
        action = [&](Session& s) { return setGet(s, slot, outFileName); };
    });
    CLI::App* setDeleteCmd = set->add_subcommand("delete", "delete a slot's setting file");
    setDeleteCmd->add_option("SLOT", slot, "the slot")->required();
    setDeleteCmd->callback([&] {
        name = "set delete";
        action = [&](Session& s) { return setDelete(s, slot); };
    });
    CLI::App* setDefaultCmd = set->add_subcommand("default", "make a slot the default the unit runs");
    setDefaultCmd->add_option("SLOT", slot, "the slot")->required();
    setDefaultCmd->callback([&] {
        name = "set default";
        action = [&](Session& s) { return setDefault(s, slot); };
    });

    // image
    CLI::App* image = app.add_subcommand("image", "the program image in the unit");
    image->require_subcommand(1);


    CLI::App* down = image->add_subcommand("download", "load an Intel HEX or S-record file and download it");
    down->add_option("FILE", imageFile, "the image file")->required();
    down->add_flag("--security", security, "set the image's security flag");
    down->add_flag("--if-changed", ifChanged, "skip the download when the unit holds an image with the same CRC");
    down->callback([&] {
        name = "image download";
        action = [&](Session& s) { return imageDownload(s, imageFile, security, ifChanged); };
    });
    CLI::App* up = image->add_subcommand("upload", "save the unit's image as S-records");
    up->add_option("-o,--output", outFileName, "the S-record file to write")->required();
    up->callback([&] {
        name = "image upload";
        action = [&](Session& s) { return imageUpload(s, outFileName); };
    });
    image->add_subcommand("info", "what the unit says of its image")->callback([&] {
        name = "image info";
        action = [&](Session& s) { return imageInfo(s); };
    });
    CLI::App* sums = app.add_subcommand("checksum", "the file's image CRC beside the unit's sums and the device checksum");
    sums->add_option("FILE", imageFile, "the image file")->required();
    sums->callback([&] {
        name = "checksum";
        action = [&](Session& s) { return checksum(s, imageFile); };
    });

    // device operations
    for (const DeviceOp& op : kDeviceOps) {
        const DeviceOp* p = &op;
        app.add_subcommand(op.name, op.step)->callback([&name, &action, p] {
            name = p->name;
            action = [p](Session& s) { return deviceOperation(s, *p); };
        });
    }


    CLI::App* readCmd = app.add_subcommand("read", "read the target out into an S-record file (gang: one per socket)");
    readCmd->add_option("-o,--output", outFileName, "the S-record file (gang: dump.s gives dump1.s ...)")->required();
    if (kGang) readCmd->add_option("--socket", sockets, "the sockets to read (default: every one with a unit)");
    readCmd->callback([&] {
        name = "read";
        action = [&](Session& s) { return read(s, outFileName, sockets); };
    });




    CLI::App* serial = app.add_subcommand("serial", "serial numbers");
    serial->require_subcommand(1);
    CLI::App* sepv = serial->add_subcommand("epv", kGang ? "EPV with a serial number per socket" : "EPV with a serial number");
    sepv->add_option("--series", seriesName, "draw the numbers from this series of the records (qmr records init)");
    sepv->add_option("--address", address, "where the number goes (hexadecimal)")->transform(hexText);
    sepv->add_option("--size", size, kGang ? "bytes: 1, 2, 4 or 8" : "bytes: 1, 2 or 4");
    sepv->add_option("--start", start, "the first number (hexadecimal)")->transform(hexText);
    sepv->add_flag("--down", countDown, "count down (sockets take the numbers below)");
    sepv->callback([&] {
        name = "serial epv";
        action = [&](Session& s) {
            if (!seriesName.empty()) {
                if (!address.empty() || !start.empty())
                    throw Failure{kExitUsage, "--series takes the address, size and numbers from the series"};
                return serialEpvSeries(s, seriesName);
            }
            if (address.empty() || start.empty())
                throw Failure{kExitUsage, "serial epv needs --series NAME, or --address, --size and --start"};
            return serialEpv(s, address, size, start, countDown);
        };
    });

    // the production records
    CLI::App* rec = app.add_subcommand("records", "the production records: serial-number series and every cycle's results");
    rec->require_subcommand(1);
    CLI::App* recInit = rec->add_subcommand("init", "make the records (and a series of serial numbers)");
    recInit->add_option("NAME", seriesOptions.name, "the series' name");
    recInit->add_option("--address", seriesOptions.address, "where the numbers go in the device (hexadecimal)")->transform(hexText);
    recInit->add_option("--size", seriesOptions.size, "bytes a number: 1, 2, 4 or 8");
    recInit->add_option("--first", seriesOptions.first, "the first number (hexadecimal)")->transform(hexText);
    recInit->add_option("--last", seriesOptions.last, "the last number allowed (default: the end of the size)")->transform(hexText);
    recInit->add_flag("--down", seriesOptions.down, "count down");
    recInit->callback([&] {
        name = "records init";
        plainAction = [&](Reporter& out) { return recordsInit(out, g.records, seriesOptions); };
    });
    CLI::App* recResolve = rec->add_subcommand("resolve", "list the numbers a broken run left reserved, or mark them after checking the devices");
    recResolve->add_option("NUMBER", numbersText, "the numbers (hexadecimal)")->transform(hexText);
    recResolve->add_option("--series", seriesName, "the series of the numbers");
    recResolve->add_flag("--programmed", markProgrammed, "the devices hold these numbers");
    recResolve->add_flag("--void", markVoid, "no device holds these numbers");
    recResolve->add_option("--note", note, "what was found");
    recResolve->callback([&] {
        name = "records resolve";
        plainAction = [&](Reporter& out) {
            return recordsResolve(out, g.records, seriesName, numbersText, markProgrammed, markVoid, note);
        };
    });
    CLI::App* recExport = rec->add_subcommand("export", "every result and every number drawn, as CSV or JSON Lines");
    recExport->add_flag("--csv", exportCsv, "comma-separated values with a header line");
    recExport->add_flag("--json", exportJson, "JSON Lines, an object a row");
    recExport->add_option("--since", since, "rows at or after this local time (2026-12-11, \"2026-12-11 14:30\")");
    recExport->add_option("-o,--output", outFileName, "the file to write (default: standard output)");
    recExport->callback([&] {
        name = "records export";
        plainAction = [&](Reporter& out) {
            if (exportCsv == exportJson) throw Failure{kExitUsage, "say --csv or --json"};
            return recordsExport(out, g.records, exportCsv, since, outFileName);
        };
    });
    CLI::App* recSummary = rec->add_subcommand("summary", "the yield of each socket, its most frequent failures, the series");
    recSummary->add_option("--since", since, "results at or after this local time");
    recSummary->callback([&] {
        name = "records summary";
        plainAction = [&](Reporter& out) { return recordsSummary(out, g.records, since); };
    });


    CLI::App* logCmd = app.add_subcommand("log", "the unit's OK/NG log of standalone operation");
    logCmd->add_flag("--clear", clear, "clear the counts afterwards");
    logCmd->add_option("-o,--output", outFileName, "also write it to this file");
    logCmd->callback([&] {
        name = "log";
        action = [&](Session& s) { return log(s, clear, outFileName); };
    });



    CLI::App* fw = app.add_subcommand("firmware", "update the unit's firmware (old units in two stages)");
    fw->add_option("FILE", imageFile, "qm_fw*.hex (qmgang_fw*.hex with --gang-box)")->required();
    if (kGang) fw->add_flag("--gang-box", gangBox, "update the gang box's own firmware");
    fw->callback([&] {
        name = "firmware";
        action = [&](Session& s) { return firmware(s, imageFile, gangBox, folder); };
    });

#ifdef QMR_GANG


    CLI::App* runCmd = app.add_subcommand("run", "the production loop: an EPV each time the start button is pressed");
    runCmd->add_flag("--on-button", onButton, "wait for the gang box's start button")->required();
    runCmd->add_option("--cycles", cycles, "stop after this many cycles (default: until Ctrl-C)");
    runCmd->add_option("--poll-ms", pollMs, "how often the button is asked for, in ms")->check(CLI::Range(10, 60000));
    runCmd->add_flag("--serial", serialRun, "serial-number EPV (with --series, or --address, --size, --start)");
    runCmd->add_option("--series", seriesName, "draw the numbers from this series of the records");
    runCmd->add_option("--address", address, "where the number goes (hexadecimal)")->transform(hexText);
    runCmd->add_option("--size", size, "bytes: 1, 2, 4 or 8");
    runCmd->add_option("--start", start, "the first number (hexadecimal)")->transform(hexText);
    runCmd->add_flag("--down", countDown, "count down");
    runCmd->callback([&] {
        name = "run";
        action = [&](Session& s) {
            if (!seriesName.empty()) serialRun = true;
            if (serialRun && seriesName.empty() && (address.empty() || start.empty()))
                throw Failure{kExitUsage, "--serial needs --series, or --address, --size and --start"};
            return runOnButton(s, cycles, pollMs, serialRun, address, size, start, countDown, seriesName);
        };
    });
#endif

    app.add_subcommand("doctor", "why a unit is not found or cannot be used, and what fixes it")->callback([&] {
        name = "doctor";
        plainAction = [](Reporter& out) { return doctor(out); };
    });

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fprintf(outFile, "%s", app.help().c_str());
        return kExitOk;
    } catch (const CLI::CallForAllHelp&) {
        std::fprintf(outFile, "%s", app.help("", CLI::AppFormatMode::All).c_str());
        return kExitOk;
    } catch (const CLI::CallForVersion&) {
        std::fprintf(outFile, "qmr %s, library %d\n", kGang ? "(gang box)" : "(single unit)", QMRGetVersion());
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        std::fprintf(errFile, "qmr: %s\n  qmr --help lists the commands; qmr COMMAND --help its options.\n", e.what());
        return kExitUsage;
    }
    if (version) {
        std::fprintf(outFile, "qmr %s, library %d\n", kGang ? "(gang box)" : "(single unit)", QMRGetVersion());
        return kExitOk;
    }
    (void)gangFlag;
    if (g.records.where.empty())
        if (const char* r = std::getenv("QMR_RECORDS")) g.records.where = r;
    if (g.records.station.empty()) g.records.station = hostStation();
    if (!g.link.empty()) setenv("QMR_LINK", g.link.c_str(), 1);
    if (g.timeoutMs > 0) setenv("QMR_READ_TIMEOUT_MS", std::to_string(g.timeoutMs).c_str(), 1);

    Reporter out(g.json, g.quiet, outFile, errFile, isatty(fileno(outFile)) != 0);
    out.setVerbose(g.verbose);
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    struct sigaction before {};
    sigaction(SIGINT, &sa, &before);
    g_interrupts = 0;
    int rc = kExitOk;
    try {
        if (plainAction) {
            rc = plainAction(out);
        } else {
            Session s(g, out);
            s.setCommand(name);
            rc = action(s);
        }
    } catch (const Failure& f) {
        rc = out.error(name, f);
    }
    sigaction(SIGINT, &before, nullptr);
    if (rc == kExitOk && g_interrupts.load() > 0 && name != "run") rc = kExitInterrupted;
    return rc;
}

}  // namespace qmr::cli
