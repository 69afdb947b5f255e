#include "qm/qmlogic.h"

#include <cstring>

#include "checks/codes.h"
#include "core/images.h"
#include "core/loghistory.h"
#include "core/summary.h"
#include "core/text.h"
#include "qm/serialepv.h"
#include "setrecord/setrecord.h"

namespace qmr::app {

namespace {

// QM's commands: number, export, start line, the no-library texts, whether
// issuing it grays the menu bar and clears the log, whether it makes the
// program busy and whether its completion enables the menus again.
std::vector<CommandRow> qmCommands()
{
    std::vector<CommandRow> rows = sharedCommands();
    // The serial-number EPV dialog starts and follows it itself.
    rows.push_back({0, cmd::SerialEpv, false, [](FlshContext* c) { return QMRFlshEXPEPV(c, 0); }, nullptr, nullptr, nullptr,
                    nullptr, false, Clears::No, false, false});
    rows.push_back(firmwareCommand(cmd::Firmware, ">>COMMAND: Firmware Update Command"));
    rows.push_back(setDeleteCommand(qmcmd::SetDelete));
    rows.push_back(sysWriteCommand(qmcmd::SysWrite));
    rows.push_back(readCommand(qmcmd::Read));
    return rows;
}

#undef QMR_CALL

ProgramIdentity qmIdentity()
{
    ProgramIdentity id;
    id.caption = QStringLiteral("Quillmarker");
    id.noPrmCaption = QStringLiteral("QM");
    id.loaderErrorCaption = QString::fromUtf8("警告");
    id.loaderMarkerText = " Quillmarkerファームではありません";
    id.startTimeoutText =
        QT_TRANSLATE_NOOP("ProgramEngine", "A time-out occurred. Confirm Power switch configuration \nRestart a target and the GUI");
    id.resetLine = ">>COMMAND: Reset.";
    id.setDeleteCommand = qmcmd::SetDelete;
    return id;
}

}  // namespace

QmLogic::QmLogic(QmScreen& screen, Options options)
    : ProgramEngine(screen, qmIdentity(), qmCommands(), std::move(options)), qm_(screen)
{
    about_.gui = QStringLiteral("V1.35(J)");
}

void QmLogic::start()
{
    about_.library = q(libraryVersionText(QMRGetVersion()));
    openContext(">> FlashOpenning.... ");
    sleep(opt_.startupWaitMs, [this] {
        if (ctx_) ctx_->english = opt_.english ? 1 : 0;
        issue(cmd::Start);
        deviceReady_ = linkIdle_ = true;
        pushActions();
    });
}

// ---- the menus ------------------------------------------------------------------------------------
ActionState QmLogic::actions() const
{
    ActionState s;
    s.menus = menus_;
    s.busy = !linkIdle_;
    const auto* rec = ctx_ ? reinterpret_cast<const SetRecord*>(ctx_->settingsRecord) : nullptr;
    bool hexAndSetup = ctx_ && ctx_->hexCrc && ctx_->setupInfoValid;
    bool anySetting = ctx_ && ctx_->setNameCount >= 1;
    bool classTwo = rec && rec->classBlock[0] == 2;
    s.set(Action::HexDownload, linkIdle_);
    s.set(Action::HexUpload, hexAndSetup);
    s.set(Action::ChecksumDisplay, hexAndSetup);
    s.set(Action::PrmDownload, true);
    s.set(Action::SetDownload, linkIdle_);
    s.set(Action::SetUpload, anySetting);
    s.set(Action::SetDelete, anySetting);
    s.set(Action::Exit, true);
    s.set(Action::Setup, linkIdle_);
    s.set(Action::LogHistory, ctx_ && ctx_->setupInfoValid && rec && rec->logRecording && rec->standaloneOp != 0);
    s.set(Action::Firmware, true);
    for (Action a : {Action::Blank, Action::Erase, Action::Program, Action::Epv, Action::SerialEpv, Action::Security,
                     Action::Checksum})
        s.set(a, deviceReady_);
    s.set(Action::Verify, deviceReady_ && !classTwo);
    s.set(Action::Signature, deviceReady_ && !classTwo);
    s.set(Action::Read, rec && rec->classBlock[6] != 0);
    s.set(Action::About, true);
    return s;
}

void QmLogic::trigger(Action a)
{
    whenQuiet([this, a] {
        if (ending_ || !actions().isEnabled(a)) return;
        switch (a) {
        case Action::HexDownload: loadImage(); break;
        case Action::HexUpload: chooseUploadFile(); break;
        case Action::ChecksumDisplay: issue(cmd::UnitChecksum); break;
        case Action::PrmDownload: parameterSend(); break;
        case Action::SetDownload: settingDownload(); break;
        case Action::SetUpload: settingUpload(); break;
        case Action::SetDelete: settingDelete(); break;
        case Action::Exit:
            if (confirmExit()) screen_.endProgram(0);
            break;
        case Action::Setup: issue(cmd::PrmSetList); break;
        case Action::LogHistory: issue(cmd::LogInfo); break;
        case Action::Firmware: unitFirmwareUpdate(false); break;
        case Action::Blank: issue(cmd::Blank); break;
        case Action::Erase: issue(cmd::Erase); break;
        case Action::Program: issue(cmd::Program); break;
        case Action::Verify: issue(cmd::Verify); break;
        case Action::Epv: issue(cmd::Epv); break;
        case Action::SerialEpv: serialEpv(); break;
        case Action::Read: chooseReadFile(); break;
        case Action::Security: issue(cmd::Security); break;
        case Action::Checksum: issue(cmd::DeviceChecksum); break;
        case Action::Signature: issue(cmd::Signature); break;
        case Action::About: qm_.showAbout(about_); break;
        case Action::Count: break;
        }
    });
}

// ---- the form -----------------------------------------------------------------------------------------
void QmLogic::refreshForm()
{
    FormTexts f;
    if (ctx_) {
        SetRecord rec;
        std::memcpy(&rec, ctx_->settingsRecord, sizeof rec);
        if (ctx_->setValid) {
            SetupSummary s = summarizeSetup(rec, &ctx_->prm, ctx_->setupInfoValid != 0, translateFor);
            f.setting = q(s.setting);
            f.parameter = q(s.parameter);
            f.device = q(s.device);
            f.voltage = q(s.voltage);
            f.oscillator = q(s.oscillator);
            f.method = q(s.method);
            f.speed = q(s.speed);
            f.mode = q(s.mode);
        }
        f.hexName = fieldText(reinterpret_cast<const uint8_t*>(ctx_->hexFileName), sizeof ctx_->hexFileName);
        f.hexCrc = q(hexCrcText(ctx_->hexCrc));
        f.hexTime = q(hexTimestampText(ctx_->hexTimestamp, opt_.english));
        uint16_t v = qmr_info_version(ctx_, 0);
        about_.serial = q(serialNumberText(reinterpret_cast<const char*>(ctx_->usbSerial), sizeof ctx_->usbSerial));
        about_.firmware = q(firmwareVersionText(v >> 8, v & 0xFF, ctx_->buildNumber));
    }
    form_ = f;
    qm_.showForm(form_);
}

// ---- dispatch -----------------------------------------------------------------------------------------
void QmLogic::beforePendingCommand()
{
    if (deviceInfoRead_) return;
    // The unit's serial number for About: a silent request the worker
    // answers before the command that follows.
    deviceInfoRead_ = true;
    QMRGetDeviceInfo(ctx_, 0);
}

void QmLogic::prepareCommand(const CommandRow& c)
{
    if (c.tagA == cmd::Signature) std::memset(ctx_->signature, 0, sizeof ctx_->signature);
    if (c.tagA == qmcmd::Read) {
        const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
        ctx_->readEnd = rec->endBlockAddress.get() + 1;
    }
}

void QmLogic::completion(const ProgressRecord& r)
{
    int command = r.tagA;
    if (command == cmd::Start || command == cmd::HexInfo) {
        takeUnitImage(command);
        if (firmwareUpdatePending_) {
            firmwareUpdatePending_ = false;
            firmwareResume_ = true;
            unitFirmwareUpdate(false);
        } else {
            if (setupAfterStart_) {
                setupAfterStart_ = false;
                deviceSetup(true);
            }
            refreshForm();
            if (command == cmd::Start && !firstStartDone_) {
                firstStartDone_ = true;
                if (qmr_info_version(ctx_, 0) < 0x0203)
                    message(tr("Renew it because firmware version is old."), tr("Warning"), Icon::Error, true);
            }
        }
    }
    if (oneOf(command, {cmd::PrmSend, cmd::SetSend, qmcmd::SetDelete})) issue(cmd::Start);
    if (command == cmd::HexDownload) issue(cmd::HexInfo);
    if (command == cmd::PrmSetList) {
        ctx_->tagA = 0;
        deviceSetup(true);
    }
    if (command == cmd::UnitChecksum) unitChecksumDone(false);
    if (r.tagB == cmd::DeviceChecksum)
        log(QString::asprintf("CheckSum> %02X%02X", ctx_->deviceChecksum[0], ctx_->deviceChecksum[1]));
    if (r.tagB == cmd::Signature) {
        const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
        uint8_t kind = rec->classBlock[2];
        size_t n = kind == 2 ? 17 : kind == 3 ? 27 : 16;
        bool same = std::memcmp(ctx_->signature, rec->deviceHead, n) == 0;
        log(same ? QStringLiteral("Signature > OK") : QStringLiteral("Signature > NG"));
    }
    if (r.tagB == cmd::Security)
        log(ctx_->securityResult == 1 ? QStringLiteral(">Security : OK") : QStringLiteral(">Security : NG"));
    if (command == cmd::LogInfo) logHistory();
    const CommandRow* c = byTag(command);
    if (c && c->reenables) {
        recomputeDeviceReady();
        enableMenuBar();
        if (command == cmd::SetUpload) writeUploadedSetting();
        if (command == cmd::HexUpload) uploadDone();
        if (command == qmcmd::Read) {
            const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
            writeSRecords(readPath_, ctx_->readBuffer, readBlock_.size(), rec->rangeStart.get(), ctx_->readEnd);
        }
        if (command == cmd::Firmware) {
            // The box comes after the last stage of an update only.
            firmwareDone(!firmwareUpdatePending_, [this] { finishCommand(); });
            return;
        }
    }
    finishCommand();
}

void QmLogic::failure(const ProgressRecord& r)
{
    const int code = r.code, tagB = r.tagB, tagA = r.tagA;
    if (tagB == QMR_PHASE_START) screen_.stopTimer(Timer::StartTimeout);
    if (oneOf(code, {QMR_E_SHORTWRITE, QMR_E_SHORTREAD, QMR_E_READ})) {
        usbError_ = true;
        message(tr("A USB communications error happened. \nActivate graphical interface program again."), Icon::Error);
        endProgram();
        return;
    }
    const bool nandRead =
        (tagB == QMR_PHASE_START && oneOf(code, {QMR_ST_NO_ROOM, QMR_ST_ECC, QMR_ST_OTHER})) ||
        (tagB == QMR_PHASE_START_STATUS && oneOf(code, {QMR_ST_NO_ROOM, QMR_ST_ECC, QMR_ST_OTHER})) ||
        (tagB == QMR_PHASE_CHECKSUM && oneOf(code, {QMR_ST_ECC, QMR_ST_TABLE, QMR_ST_OTHER})) ||
        (tagB == QMR_PHASE_PRM_UPLOAD && oneOf(code, {QMR_ST_NO_PRM, QMR_ST_ECC, QMR_ST_TABLE, QMR_ST_NAND_READ_FATAL,
                                                      QMR_ST_NAND_READ, QMR_ST_OTHER}));
    if (nandRead) {
        message(tr("A reading error happened in NANDFlash  \nHardware broke down  "), Icon::Error);
        endProgram();
        return;
    }
    if (tagB == cmd::PrmSend && oneOf(code, {QMR_ST_NO_ROOM, QMR_ST_NO_PRM, QMR_ST_ECC, QMR_ST_NAND_PROGRAM, QMR_ST_TABLE,
                                             QMR_ST_NAND_READ_FATAL, QMR_ST_NAND_READ, QMR_ST_OTHER})) {
        message(tr("The error writed with NANDFlash happened \nHardware broke down  "), Icon::Error);
        endProgram();
        return;
    }
    if (code == QMR_E_NOTFOUND) {
        // No unit answered the reset: say what to check and how to try the program without one.
        message(QString::fromUtf8(r.text) + QStringLiteral("\n") +
                    tr("No unit was found. Check the USB cable, the unit's power and your permission to use it "
                       "(the dialout group or the udev rules). To try the program on the simulated unit, start it "
                       "with QMR_LINK=sim."),
                Icon::Error);
    } else if ((tagB == QMR_PHASE_START && oneOf(code, {QMR_ST_NO_HEX, QMR_ST_NAND_READ_FATAL, QMR_ST_NAND_READ})) ||
               (tagB == QMR_PHASE_CHECKSUM && oneOf(code, {QMR_ST_NAND_READ_FATAL, QMR_ST_NAND_READ})) ||
               (tagB == QMR_PHASE_SET_LIST && oneOf(code, {QMR_ST_NAND_READ_FATAL, QMR_ST_NAND_READ}))) {
        message(tr("A reading error happened "), Icon::Error);
    } else if (tagB == QMR_PHASE_START && code == QMR_ST_FIRMWARE) {
        message(QString::fromUtf8(r.text), Icon::Error);
    } else if (tagB == cmd::SetSend || tagB == cmd::HexDownload) {
        if (code != QMR_ST_OK) message(tr("A write error happened "), Icon::Error);
        if (!setFromDisk_) {
            if (tagB == cmd::HexDownload) ctx_->hexCrc = 0;
            else ctx_->setValid = 0;
        }
    } else if (oneOf(tagB, {cmd::SetUpload, cmd::HexUpload, cmd::HexInfo})) {
        message(tr("A reading error happened "), Icon::Error);
        ctx_->setValid = 0;
        if (tagB == cmd::HexInfo) {
            std::memset(ctx_->hexFileName, 0, sizeof ctx_->hexFileName);
            std::memset(ctx_->hexTimestamp, 0, sizeof ctx_->hexTimestamp);
            ctx_->hexCrc = 0;
            form_.hexName.clear();
            form_.hexTime.clear();
            form_.hexCrc.clear();
            qm_.showForm(form_);
        }
    } else if (oneOf(tagA, {cmd::Blank, cmd::Erase, cmd::Program, cmd::Verify, cmd::Security, cmd::DeviceChecksum, cmd::Epv,
                            cmd::Signature, cmd::Progress, qmcmd::Read})) {
        message(QString::fromUtf8(r.text), Icon::Error);
    }
    afterFailure();
}

// ---- files --------------------------------------------------------------------------------------------
void QmLogic::chooseReadFile()
{
    QString path = chooseSRecordFile("Cancel Read Command.");
    if (path.isEmpty()) return;
    readPath_ = path;
    issue(qmcmd::Read);
}

void QmLogic::firmwareLoaded(uint32_t, const HexContext& hex)
{
    uint16_t version = ctx_ ? qmr_info_version(ctx_, 0) : 0;
    // (Never for the intermediate firmware itself, whatever its size.)
    if (!firmwareResume_ && !firmwareUpdatePending_ && needsIntermediateFirmware(version, hex.imageSize)) {
        firmwareUpdatePending_ = true;
        unitFirmwareUpdate(false);  // loads the intermediate firmware first
        return;
    }
    firmwareResume_ = false;
    if (!ctx_) return;
    if (takeFirmware(hex)) issue(cmd::Firmware);
}

// ---- small dialogs ---------------------------------------------------------------------------------------
void QmLogic::serialEpv()
{
    clearLog(true);
    const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
    SerialEpvLogic dialog(ctx_, screen_, dialogPort_.window(), rec->endBlockAddress.get());
    dialog.caption = id_.caption;
    dialogRecords_ = [&dialog] { dialog.onProgress(); };
    dialog.open();
    qm_.runSerialEpv(dialog);
    dialog.close();
    dialogRecords_ = nullptr;
}

void QmLogic::logHistory()
{
    std::array<uint16_t, 32> list{};
    std::memcpy(list.data(), ctx_->ngList, sizeof ctx_->ngList);
    const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
    LogHistoryLogic dialog(screen_, rec->standaloneOp, static_cast<int32_t>(ctx_->okCount), static_cast<int32_t>(ctx_->ngCount),
                           list, opt_.english);
    dialog.caption = id_.caption;
    dialog.log = [this](const QString& line) { log(line); };
    if (screen_.runLogHistory(dialog) && dialog.clearRequested()) issue(cmd::LogClear);
}

}  // namespace qmr::app
