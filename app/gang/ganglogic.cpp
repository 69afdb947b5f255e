#include "gang/ganglogic.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>

#include "checks/codes.h"
#include "core/images.h"
#include "core/summary.h"
#include "core/text.h"
#include "setrecord/setrecord.h"

namespace qmr::app {

namespace {

// The gang program's commands: the number a menu issues, the tagA it runs
// with, the export, the start line, the no-library texts, whether issuing it
// grays the menu bar and clears the log and the unit rows, whether it makes
// the program busy and whether its completion enables the menus again.
std::vector<CommandRow> gangCommands()
{
    std::vector<CommandRow> rows = sharedCommands();
    // The gang box's log clear leaves the menus to the box's answer; its image
    // information keeps the log as it is.
    commandRow(rows, cmd::LogClear).reenables = false;
    commandRow(rows, cmd::HexInfo).clears = Clears::No;
    rows.push_back({cmd::SerialEpv, cmd::SerialEpv, true, [](FlshContext* c) { return QMRFlshEXPEPV(c, 0); },
                    ">>COMMAND: Serial Epv", ">>COMMAND: AutoProcedure(Epv)",
                    QT_TRANSLATE_NOOP("ProgramEngine", "Please Read a PRM File for EPV."), "PRM File is not Read.", true,
                    Clears::Yes, true, true});
    rows.push_back(firmwareCommand(gangcmd::GangFirmware, ">>COMMAND: GANG Firmware Update Command"));
    rows.push_back(firmwareCommand(gangcmd::UnitFirmware, ">>COMMAND: QM Firmware Update Command"));
    rows.push_back(setDeleteCommand(gangcmd::SetDelete));
    rows.push_back(sysWriteCommand(gangcmd::SysWrite));
    rows.push_back(readCommand(gangcmd::ReadSocket));
    rows.push_back({gangcmd::ButtonInfo, gangcmd::ButtonInfo, false, [](FlshContext* c) { return QMRFlshSBtnInfo(c, 0); },
                    ">>COMMAND: Start Buttom Info Command", nullptr, nullptr, nullptr, false, Clears::No, false, false});
    rows.push_back({gangcmd::ButtonMask, gangcmd::ButtonMask, false, [](FlshContext* c) { return QMRFlshBtnMask(c, 0); },
                    nullptr, ">>COMMAND: Button Mask NG", QT_TRANSLATE_NOOP("ProgramEngine", "Start Button Info NG."), nullptr,
                    false, Clears::No, false, false});
    return rows;
}

#undef QMR_CALL

ProgramIdentity gangIdentity()
{
    ProgramIdentity id;
    id.caption = QStringLiteral("Quill GANG Marker");
    id.noPrmCaption = id.caption;
    id.loaderErrorCaption = QStringLiteral("Warning");
    id.loaderMarkerText = " Quill GANG Markerファームではありません";
    id.startTimeoutText = QT_TRANSLATE_NOOP("ProgramEngine", "A time-out occurred.\nRestart a target and the GUI");
    id.setDeleteCommand = gangcmd::SetDelete;
    id.imageLimit = 0x400000;
    id.gangBox = true;
    id.listColumns = {30, 196, 196};
    return id;
}

}  // namespace

GangLogic::GangLogic(GangScreen& screen, Options options)
    : ProgramEngine(screen, gangIdentity(), gangCommands(), options), gang_(screen), gopt_(std::move(options))
{
    about_.gui = QStringLiteral("V1.14(J)");
}

GangLogic::~GangLogic()
{
    {
        std::lock_guard<std::mutex> g(watchMutex_);
        guiBusy_ = kGuiClosing;  // the watcher ends
    }
    watchWake_.notify_all();
    if (watcher_.joinable()) watcher_.join();
}

void GangLogic::start()
{
    about_.library = q(libraryVersionText(QMRGetVersion()));
    openContext(nullptr);
    if (ctx_) std::memset(ctx_->units, 0, sizeof ctx_->units);
    sleep(opt_.startupWaitMs, [this] {
        if (ctx_) ctx_->english = opt_.english ? 1 : 0;
        issue(cmd::Start);
        deviceReady_ = linkIdle_ = true;
        serial_ = SerialSettings{};  // not yet entered
        pushActions();
    });
}

bool GangLogic::present(int i) const { return ctx_ && i >= 0 && i < kUnitPositions && qmr_info_version(ctx_, i) != 0xFFFF; }

// ---- the menus ------------------------------------------------------------------------------------
ActionState GangLogic::actions() const
{
    ActionState s;
    s.menus = menus_;
    s.busy = !linkIdle_;
    const auto* rec = ctx_ ? reinterpret_cast<const SetRecord*>(ctx_->settingsRecord) : nullptr;
    const bool allowed = commandsAllowed_;
    const bool hexAndSetup = ctx_ && ctx_->hexCrc && ctx_->setupInfoValid;
    const bool anySetting = ctx_ && ctx_->setNameCount >= 1;
    const bool classTwo = rec && rec->classBlock[0] == 2;
    s.set(GangAction::HexDownload, allowed && linkIdle_);
    s.set(GangAction::HexUpload, allowed && hexAndSetup);
    s.set(GangAction::ChecksumDisplay, allowed && hexAndSetup);
    // A parameter file is registered before any setting can be made for it.
    s.set(GangAction::PrmDownload, allowed);
    s.set(GangAction::SetDownload, allowed && linkIdle_);
    s.set(GangAction::SetUpload, allowed && anySetting);
    s.set(GangAction::SetDelete, allowed && anySetting);
    s.set(GangAction::Exit, true);
    s.set(GangAction::Setup, allowed && linkIdle_);
    s.set(GangAction::GangFirmware, true);
    s.set(GangAction::UnitFirmware, true);
    for (GangAction a : {GangAction::Blank, GangAction::Erase, GangAction::Program, GangAction::Epv, GangAction::SerialSettings,
                         GangAction::Security, GangAction::Checksum})
        s.set(a, allowed && deviceReady_);
    s.set(GangAction::Verify, deviceReady_ && !classTwo);
    s.set(GangAction::Signature, deviceReady_ && !classTwo);
    s.set(GangAction::Read, rec && rec->classBlock[6] != 0);
    s.set(GangAction::About, true);
    return s;
}

void GangLogic::trigger(GangAction a)
{
    whenQuiet([this, a] {
        if (ending_ || !actions().isEnabled(a)) return;
        switch (a) {
        case GangAction::HexDownload: loadImage(); break;
        case GangAction::HexUpload: chooseUploadFile(); break;
        case GangAction::ChecksumDisplay: issue(cmd::UnitChecksum); break;
        case GangAction::PrmDownload: parameterSend(); break;
        case GangAction::SetDownload: settingDownload(); break;
        case GangAction::SetUpload: settingUpload(); break;
        case GangAction::SetDelete: settingDelete(); break;
        case GangAction::Exit:
            if (confirmExit()) screen_.endProgram(0);
            break;
        case GangAction::Setup: issue(cmd::PrmSetList); break;
        case GangAction::GangFirmware: gangFirmwareUpdate(); break;
        case GangAction::UnitFirmware: unitFirmwareUpdate(true); break;
        case GangAction::Blank: issue(cmd::Blank); break;
        case GangAction::Erase: issue(cmd::Erase); break;
        case GangAction::Program: issue(cmd::Program); break;
        case GangAction::Verify: issue(cmd::Verify); break;
        case GangAction::Epv: startEpv(); break;
        case GangAction::SerialSettings:
            for (UnitColumn& u : units_) u.rowA.clear(), u.rowB.clear(), u.result.clear();
            pushUnits();
            serialSettingsDialog();
            break;
        case GangAction::Read: readSockets(); break;
        case GangAction::Security: issue(cmd::Security); break;
        case GangAction::Checksum: issue(cmd::DeviceChecksum); break;
        case GangAction::Signature: issue(cmd::Signature); break;
        case GangAction::About: gang_.showAbout(about_); break;
        case GangAction::Count: break;
        }
    });
}

// ---- the log, the unit columns -------------------------------------------------------------------------
void GangLogic::clearLog(bool statusToo)
{
    ProgramEngine::clearLog(statusToo);
    for (UnitColumn& u : units_) u.rowA.clear(), u.rowB.clear(), u.result.clear();
    pushUnits();
}

void GangLogic::pushUnits() { gang_.showUnits(units_); }

void GangLogic::drawUnitImages()
{
    presentUnits_ = 0;
    for (int i = 0; i < kUnitPositions; ++i) {
        units_[size_t(i)].image = present(i) ? UnitImage::Present : UnitImage::None;
        presentUnits_ += present(i);
    }
    pushUnits();
}

void GangLogic::markUnits()
{
    for (UnitColumn& u : units_) u.result.clear();
    drawUnitImages();
}

void GangLogic::showUnitProgress()
{
    for (int i = 0; i < kUnitPositions; ++i) {
        const UnitSlot& u = slot(i);
        if (u.active && !u.finished) units_[size_t(i)].result = QString::asprintf("%d %%", u.percent);
    }
    for (int i = 0; i < kUnitPositions; ++i) {
        const UnitSlot& u = slot(i);
        if (!u.active || !u.finished) continue;
        units_[size_t(i)].result = u.error ? QStringLiteral("NG") : QStringLiteral("OK");
        if (u.error) units_[size_t(i)].image = UnitImage::Failed;
    }
    pushUnits();
}

// ---- dispatch -----------------------------------------------------------------------------------------
void GangLogic::onIssue(const CommandRow& c)
{
    if (c.pending != cmd::PrmSetList && c.pending != gangcmd::ButtonMask) guiBusy_ = kGuiBusy;
}

void GangLogic::prepareCommand(const CommandRow& c)
{
    guiBusy_ = kGuiBusy;
    if (c.pending == gangcmd::GangFirmware) ctx_->firmwareTarget = 1;
    if (c.pending == gangcmd::UnitFirmware) ctx_->firmwareTarget = 2;
    if (c.tagA == gangcmd::ReadSocket) {
        const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
        ctx_->readEnd = rec->endBlockAddress.get() + 1;
        ctx_->readUnit = static_cast<uint8_t>(readSocket_);
    }
}

void GangLogic::becameIdle() { guiBusy_ = kGuiIdle; }

void GangLogic::showRecord(const ProgressRecord& r)
{
    if (r.tagA != gangcmd::ButtonInfo && r.state != 0) {
        if (linkIdle_) log(QString::fromUtf8(r.text));
        else log(QString::asprintf("%s  %d msec", r.text, int(clock_.elapsed() - commandStartTime_)));
    }
    if (r.tagA != gangcmd::ButtonInfo && r.tagA != gangcmd::ButtonMask && r.state != 0)
        screen_.setStatus(QString::fromUtf8(r.title));
    screen_.setProgress(r.percent);
    if (r.state == 37 && r.percent % 2 == 0) showUnitProgress();
}

void GangLogic::beforeProgressPoll() { markUnits(); }

void GangLogic::recomputeDeviceReady()
{
    // Only when the box holds a unit (the single unit tests setValid here).
    if (presentUnits_) deviceReady_ = ctx_ && ctx_->setupInfoValid && ctx_->hexCrc;
}

// ---- the form -----------------------------------------------------------------------------------------
void GangLogic::refreshForm()
{
    GangForm f;
    if (ctx_) {
        SetRecord rec;
        std::memcpy(&rec, ctx_->settingsRecord, sizeof rec);
        if (ctx_->setupInfoValid) {
            SetupSummary s = summarizeSetup(rec, &ctx_->prm, true, translateFor);
            f.setting = q(s.setting);
            f.parameter = q(s.parameter);
            f.device = q(s.device);
            f.oscillator = q(s.oscillator);
            f.method = q(s.method);
            f.speed = q(s.speed);
            f.mode = q(s.mode);
        }
        if (ctx_->settingsNumberValid) f.settingNumber = QString::asprintf("%d", ctx_->settingsNumber);
        f.hexName = fieldText(reinterpret_cast<const uint8_t*>(ctx_->hexFileName), sizeof ctx_->hexFileName);
        f.hexCrc = q(hexCrcText(ctx_->hexCrc));
        f.hexTime = q(hexTimestampText(ctx_->hexTimestamp, opt_.english));
        uint16_t g = qmr_info_gang_version(ctx_);
        about_.firmware = QString::asprintf("V%d.%02x(Build%04d)", g >> 8, g & 0xFF, qmr_info_build(ctx_));
        for (int i = 0; i < kUnitPositions; ++i) {
            about_.present[size_t(i)] = present(i);
            uint16_t v = qmr_info_version(ctx_, i);
            about_.version[size_t(i)] = present(i) ? QString::asprintf("Ver %x.%02d", v >> 8, v & 0xFF) : QString();
            about_.build[size_t(i)] = present(i) ? QString::asprintf("(%04d)", qmr_info_unit_word(ctx_, i)) : QString();
        }
    }
    form_ = f;
    gang_.showForm(form_);
    drawUnitImages();
}

void GangLogic::firmwareAgeChecks()
{
    if (qmr_info_gang_version(ctx_) < 0x0102)
        message(tr("Renew it because firmware version is old."), tr("Warning"), Icon::Error, true);
    std::vector<uint16_t> versions;
    for (int i = 0; i < kUnitPositions; ++i)
        if (present(i)) versions.push_back(qmr_info_version(ctx_, i));
    if (versions.empty()) return;
    bool differ = false, old = false;
    for (uint16_t v : versions) {
        differ |= v != versions.front();
        old |= v < 0x0202;
    }
    if (versions.size() > 1 && differ)
        message(tr("Renew it because QM version is different."), tr("Warning"), Icon::Error, true);
    else if (old)
        message(tr("Renew it because QM firmware version is old."), tr("Warning"), Icon::Error, true);
}

// ---- completions --------------------------------------------------------------------------------------
void GangLogic::deviceResults(const ProgressRecord& r, bool setReady)
{
    const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
    if (r.tagB == cmd::DeviceChecksum) {
        for (int i = 0; i < kUnitPositions; ++i) {
            const UnitSlot& u = slot(i);
            if (!u.active) continue;
            units_[size_t(i)].rowB =
                u.error ? QString() : QString::asprintf("%02X%02X", u.deviceChecksum[0], u.deviceChecksum[1]);
        }
    } else if (r.tagB == cmd::Signature) {
        // The device family byte of the setting picks how much of the signature counts.
        const uint8_t family = rec->classBlock[2];
        const size_t n = 10 + (family == 1 ? 6 : family == 2 ? 7 : family == 3 ? 17 : 0);
        for (int i = 0; i < kUnitPositions; ++i) {
            const UnitSlot& u = slot(i);
            if (!u.active) continue;
            bool same = std::memcmp(u.signature, rec->deviceHead, n) == 0;
            units_[size_t(i)].result = same ? QStringLiteral(" OK") : QStringLiteral(" NG");
        }
    } else if (r.tagB == cmd::Security) {
        for (int i = 0; i < kUnitPositions; ++i)
            if (slot(i).active) units_[size_t(i)].result = slot(i).securityOk == 1 ? QStringLiteral(" OK") : QStringLiteral(" NG");
    } else {
        return;
    }
    pushUnits();
    if (setReady) {
        deviceReady_ = true;
        enableMenuBar();
    }
}

void GangLogic::serialResults()
{
    const int size = serial_.size;
    QString failed;
    int last = -1;
    for (int i = 0; i < kUnitPositions; ++i) {
        const UnitSlot& u = slot(i);
        if (!u.active) continue;
        last = i;
        const uint64_t n = serialNumbers_[size_t(i)];
        UnitColumn& col = units_[size_t(i)];
        if (u.error) {
            failed += q(serialText(n, size)) + QLatin1Char(' ');
            col.rowA.clear();
            col.rowB.clear();
        } else if (size == 8) {
            col.rowA = QString::asprintf("%08x", static_cast<unsigned>(n >> 32));
            col.rowB = QString::asprintf("%08x", static_cast<unsigned>(n));
        } else {
            col.rowB = q(serialText(n, size));
        }
    }
    pushUnits();
    if (failed.size() > 1) {
        if (!missingNumbers_.isEmpty()) missingNumbers_ += QStringLiteral("\r\n");
        missingNumbers_ += failed;
        gang_.showMissingNumbers(missingNumbers_);
    }
    if (ctx_) ctx_->tagA = 0;
    // The next base follows the last position that took part, good or not:
    // failed devices use their numbers up.
    if (last >= 0) serial_.base = serialAt(serialNumbers_[size_t(last)], size, serial_.down, 1);
    showSerialSettings();
}

void GangLogic::completion(const ProgressRecord& r)
{
    const int tagA = r.tagA;
    if (tagA == cmd::Start || tagA == cmd::HexInfo) {
        takeUnitImage(tagA);
        if (firmwareUpdatePending_) {
            firmwareResume_ = true;
            firmwareUpdatePending_ = false;
            unitFirmwareUpdate(true);
        } else {
            if (setupAfterStart_) {
                setupAfterStart_ = false;
                deviceSetup(false);
            }
            linkReady_ = true;
            refreshForm();
            if (!firstStartDone_) {
                firstStartDone_ = true;
                firmwareAgeChecks();
            }
            if (tagA == cmd::Start && ctx_->setupInfoValid && !watcher_.joinable()) startWatcher();
        }
    }
    if (tagA == gangcmd::ButtonInfo && ctx_->startButtons) startEpv();
    if (oneOf(tagA, {cmd::PrmSend, cmd::SetSend, gangcmd::SetDelete})) issue(cmd::Start);
    if (tagA == cmd::HexDownload) issue(cmd::HexInfo);
    if (tagA == cmd::PrmSetList) {
        ctx_->tagA = 0;
        deviceSetup(false);
    }
    if (tagA == cmd::UnitChecksum) unitChecksumDone(true);
    deviceResults(r, true);
    if (r.tagB == cmd::SerialEpv) serialResults();
    const CommandRow* c = byTag(tagA);
    if (c && c->reenables) {
        recomputeDeviceReady();
        enableMenuBar();
        if (tagA == cmd::SetUpload) writeUploadedSetting();
        if (tagA == cmd::HexUpload) uploadDone();
        if (tagA == gangcmd::ReadSocket) {
            const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
            if (readSocket_ >= 1 && readSocket_ <= kUnitPositions)
                writeSRecords(readFileNames_[size_t(readSocket_ - 1)], ctx_->readBuffer, readBlock_.size(),
                              rec->rangeStart.get(), ctx_->readEnd);
            if (--readCount_ > 0) {
                int next = readSocket_ + 1;
                while (next <= kUnitPositions && !readSockets_[size_t(next - 1)]) ++next;
                if (next <= kUnitPositions) {
                    readSocket_ = next;
                    issue(gangcmd::ReadSocket);
                }
            }
        }
        if (tagA == cmd::Firmware) {
            commandsAllowed_ = true;
            firmwareDone(true, [this] { finishCommand(); });
            return;
        }
    }
    finishCommand();
}

// ---- failures -----------------------------------------------------------------------------------------
void GangLogic::failure(const ProgressRecord& r)
{
    guiBusy_ = kGuiBusy;
    const int code = r.code, tagB = r.tagB;
    auto ends = [this](const QString& text) {
        message(text, Icon::Error);
        endProgram();
    };
    const QString brokeDown = tr("A reading error happened in NANDFlash  \nHardware broke down  ");
    const QString erased = tr("A reading error happened in NANDFlash  \nAbnormal SET file is erased.  ");
    if (oneOf(code, {QMR_E_SHORTWRITE, QMR_E_SHORTREAD, QMR_E_READ})) {
        usbError_ = true;
        ends(tr("A USB communications error happened. \nActivate graphical interface program again."));
        return;
    }
    QString text;
    bool textGiven = false;
    if (tagB == QMR_PHASE_START) {
        screen_.stopTimer(Timer::StartTimeout);
        if (oneOf(code, {QMR_ST_NAND_READ_FATAL, QMR_ST_NAND_READ})) {
            message(tr("A reading error happened in NANDFlash  \nDefault SET file is removed "), Icon::Error);
            ctx_->setDeleteNumber = ctx_->settingsNumber;
            ctx_->multiDelete = 0;
            issue(gangcmd::SetDelete);
            return;
        }
        if (code == QMR_ST_OTHER) return ends(brokeDown);
        if (code == QMR_ST_FIRMWARE) {
            text = QString::fromUtf8(checks::unitStatusText(QMR_ST_FIRMWARE, ctx_->english != 0));
            textGiven = true;
            commandsAllowed_ = false;
        } else {
            commandsAllowed_ = true;
        }
    }
    if (!textGiven) {
        if (tagB == QMR_PHASE_START_STATUS && oneOf(code, {QMR_ST_NAND_READ_FATAL, QMR_ST_NAND_READ, QMR_ST_OTHER}))
            return ends(brokeDown);
        if (tagB == QMR_PHASE_SET_LIST && oneOf(code, {QMR_ST_NAND_READ_FATAL, QMR_ST_NAND_READ})) {
            message(erased, Icon::Error);
            ctx_->multiDelete = 9;  // the entries the list marks broken
            issue(gangcmd::SetDelete);
            return;
        }
        const bool fileCommand = oneOf(tagB, {QMR_PHASE_CHECKSUM, cmd::SetUpload, cmd::HexDownload, cmd::HexUpload, cmd::HexInfo});
        if (fileCommand && oneOf(code, {QMR_ST_NAND_READ_FATAL, QMR_ST_NAND_READ})) {
            message(erased, Icon::Error);
            ctx_->setDeleteNumber = ctx_->settingsNumber;
            ctx_->multiDelete = 0;
            issue(gangcmd::SetDelete);
            return;
        }
        if (fileCommand && oneOf(code, {QMR_ST_TABLE, QMR_ST_OTHER})) return ends(brokeDown);
        if (tagB == QMR_PHASE_PRM_UPLOAD && oneOf(code, {QMR_ST_TABLE, QMR_ST_NAND_READ_FATAL, QMR_ST_NAND_READ, QMR_ST_OTHER}))
            return ends(brokeDown);
        if (oneOf(tagB, {cmd::PrmSend, cmd::SetSend}) && oneOf(code, {QMR_ST_NO_ROOM, QMR_ST_TABLE}))
            return ends(tr("The error writed with NANDFlash happened \nHardware broke down  "));
    }
    deviceResults(r, false);
    if (tagB == cmd::SerialEpv) serialResults();
    if (!textGiven) {
        if (tagB == cmd::HexDownload || tagB == cmd::HexUpload) {
            text = QString::fromUtf8(r.text);
        } else {
            for (int i = 0; i < kUnitPositions; ++i) {
                const UnitSlot& u = slot(i);
                if (!u.active || !u.error) continue;
                text += QString::asprintf("QM %d : %s  \n", i + 1, checks::targetErrorText(u.error, opt_.english));
                if (tagB == cmd::SerialEpv) units_[size_t(i)].rowA.clear(), units_[size_t(i)].rowB.clear();
            }
            pushUnits();
            // A failure no unit reports (the box refused the command) says what the record says.
            if (text.isEmpty()) text = QString::fromUtf8(r.text);
        }
    }
    message(text, Icon::Error);
    afterError();
}

void GangLogic::afterError()
{
    if (ending_) return;
    pendingCommand_ = 0;
    screen_.setProgress(0);
    recomputeDeviceReady();
    linkIdle_ = true;
    enableMenuBar();
    // The start buttons are unmasked again.
    ctx_->buttonMask = 0;
    issue(gangcmd::ButtonMask);
    guiBusy_ = kGuiIdle;
}

// ---- the start-button watcher ----------------------------------------------------------------------------
void GangLogic::startWatcher()
{
    watcher_ = std::thread([this] { watch(); });
}

void GangLogic::watch()
{
    std::unique_lock<std::mutex> g(watchMutex_);
    auto closing = [this] { return guiBusy_.load() == kGuiClosing; };
    for (;;) {
        if (watchWake_.wait_for(g, std::chrono::milliseconds(gopt_.watchShortMs), closing)) return;
        if (guiBusy_.load() != kGuiIdle) continue;
        if (watchWake_.wait_for(g, std::chrono::milliseconds(gopt_.watchLongMs), closing)) return;
        if (guiBusy_.load() == kGuiIdle)
            QMetaObject::invokeMethod(this, [this] { enter([this] { onButtonPoll(); }); }, Qt::QueuedConnection);
    }
}

void GangLogic::onButtonPoll()
{
    if (guiBusy_.load() != kGuiIdle || !ctx_ || ending_ || !quiet() || !linkIdle_) return;
    guiBusy_ = kGuiBusy;
    issue(gangcmd::ButtonInfo);
}

// ---- serial numbers ---------------------------------------------------------------------------------------
void GangLogic::startEpv()
{
    if (!serialEpvOn_) {
        issue(cmd::Epv);
        return;
    }
    // The eight numbers from the base, present positions or not.
    for (int i = 0; i < kUnitPositions; ++i) {
        serialNumbers_[size_t(i)] = serialAt(serial_.base, serial_.size, serial_.down, uint32_t(i));
        if (ctx_) {
            ctx_->unitSerial[i][0] = static_cast<uint32_t>(serialNumbers_[size_t(i)] >> 32);
            ctx_->unitSerial[i][1] = static_cast<uint32_t>(serialNumbers_[size_t(i)]);
        }
    }
    if (ctx_) {
        ctx_->serialAddress = serial_.address;
        ctx_->serialSize = static_cast<uint8_t>(serial_.size);
    }
    issue(cmd::SerialEpv);
}

void GangLogic::showSerialSettings()
{
    SerialBox b;
    b.on = serialEpvOn_;
    if (serialEpvOn_) {
        b.address = QString::asprintf("%x", serial_.address);
        b.size = QString::asprintf("%d", serial_.size);
        b.data = q(serialText(serial_.base, serial_.size));
        b.algorithm = serial_.down ? QStringLiteral("-1") : QStringLiteral("+1");
    }
    serialBox_ = b;
    gang_.showSerialBox(serialBox_);
}

void GangLogic::serialSettingsDialog()
{
    const auto* rec = ctx_ ? reinterpret_cast<const SetRecord*>(ctx_->settingsRecord) : nullptr;
    SerialSettingsLogic dialog(screen_, serial_, rec ? rec->endBlockAddress.get() : 0);
    // The start-button watcher stays quiet while the dialog is open.
    const int busy = guiBusy_.exchange(kGuiBusy);
    bool ok = gang_.runSerialSettings(dialog);
    guiBusy_ = busy;
    if (ok) {
        serial_ = dialog.result();
        serialEpvOn_ = true;
    } else {
        serialEpvOn_ = false;
    }
    showSerialSettings();
}

void GangLogic::setSerialEpv(bool on)
{
    enter([this, on] {
        if (on) {
            serialSettingsDialog();
            return;
        }
        serialEpvOn_ = false;
        showSerialSettings();
    });
}

// ---- the read-out, socket by socket ------------------------------------------------------------------------
void GangLogic::readSockets()
{
    std::array<bool, 8> present{};
    for (int i = 0; i < kUnitPositions; ++i) present[size_t(i)] = this->present(i);
    ReadDialogLogic dialog(present);
    if (!gang_.runReadDialog(dialog) || dialog.count() == 0) return;
    QString path = chooseSRecordFile("Cancel Read Command.");
    if (path.isEmpty()) return;
    // dump.s gives dump1.s .. dump8.s, in the folder chosen.
    QFileInfo fi(path);
    const QString base = fi.completeBaseName(), suffix = fi.suffix();
    for (int i = 0; i < kUnitPositions; ++i)
        readFileNames_[size_t(i)] =
            fi.dir().filePath(base + QString::number(i + 1) + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix));
    readCount_ = dialog.count();
    readSocket_ = 0;
    for (int p = 1; p <= kUnitPositions; ++p) {
        readSockets_[size_t(p - 1)] = dialog.ticked(p);
        if (!readSocket_ && dialog.ticked(p)) readSocket_ = p;
    }
    issue(gangcmd::ReadSocket);
}

// ---- firmware -------------------------------------------------------------------------------------------
void GangLogic::gangFirmwareUpdate()
{
    clearLog(true);
    log(QStringLiteral(">>COMMAND: Update GANG Firmware"));
    FileRequest req;
    req.folderKey = QStringLiteral("gang-firmware");
    req.filters = {{tr("QMGANG firmware(qmgang_fw*.hex)"), QStringLiteral("qmgang_fw*.hex")}};
    req.initialName = QStringLiteral("qmgang_fw*.hex");
    FileAnswer a = screen_.openFile(req);
    if (!a.chosen) {
        log(QStringLiteral("Cancel Update Firmware."));
        return;
    }
    if (openLoader(a.path, QMR_FW_CHECK_GANG)) {
        log(QStringLiteral(">> LoadFile Reading...."));
        firmwareLoadKind_ = QMR_FW_CHECK_GANG;
        return;
    }
    // A file the loader cannot take at all is said, not passed over.
    screen_.message({tr("Because there was no arbitrary file, FW update couldn't be done "), tr("Warning "), Icon::Error,
                     Buttons::Ok, true});
}

void GangLogic::firmwareLoaded(uint32_t kind, const HexContext& hex)
{
    if (kind == QMR_FW_CHECK_GANG) {
        if (ctx_ && takeFirmware(hex)) issue(gangcmd::GangFirmware);
        return;
    }
    bool oldUnit = false;
    for (int i = 0; i < kUnitPositions; ++i) oldUnit |= present(i) && qmr_info_version(ctx_, i) < 0x0204;
    // (Never for the intermediate firmware itself, whatever its size.)
    if (!firmwareResume_ && !firmwareUpdatePending_ && hex.imageSize >= 0xE000 && oldUnit) {
        firmwareUpdatePending_ = true;
        unitFirmwareUpdate(true);  // loads the intermediate firmware first
        return;
    }
    firmwareResume_ = false;
    if (ctx_ && takeFirmware(hex)) issue(gangcmd::UnitFirmware);
}

}  // namespace qmr::app
