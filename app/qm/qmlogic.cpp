#include "qm/qmlogic.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/images.h"
#include "core/inputfile.h"
#include "core/loghistory.h"
#include "core/setfiles.h"
#include "core/setupdialog.h"
#include "core/summary.h"
#include "core/text.h"
#include "checks/crc32.h"
#include "checks/codes.h"
#include "qm/serialepv.h"

namespace qmr::app {

namespace {

constexpr uint32_t kProgressMessage = QMR_MSG_PROGRESS;  // 2025
constexpr uint32_t kLoaderMessage = QMR_MSG_HEXLOADED;   // 2024
constexpr const char* kCaption = "Quillmarker";

bool oneOf(int v, std::initializer_list<int> list)
{
    for (int x : list)
        if (x == v) return true;
    return false;
}

bool isDeviceOperation(int command) { return oneOf(command, {cmdBlank, cmdErase, cmdProgram, cmdVerify, cmdSecurity, cmdDeviceChecksum, cmdEpv, cmdSignature}); }

std::string translateFor(const char* context, const char* text)
{
    return QCoreApplication::translate(context, text).toStdString();
}

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// ---- the command table ------------------------------------------------------------------------
enum class Clears { No, Yes, BufferOnly };

struct QmLogic::CommandInfo {
    int number;
    int (*call)(FlshContext*);
    const char* started;   // the log line when the command starts, or null
    const char* tag;       // the log line without a context
    const char* noContext; // the message without a context
    const char* second;    // the second log line without a context
    bool grays;
    Clears clears;
    bool keepsFlags;       // leaves deviceReady and linkIdle as they are
};

#define QMR_CALL(f) [](FlshContext* c) { return f(c, 0); }

const QmLogic::CommandInfo* QmLogic::info(int command)
{
    static const char* const kPrmNotRead = "PRM File is not Read.";
    static const CommandInfo table[] = {
        {cmdBlank, QMR_CALL(QMRFlshBlnk), ">>COMMAND: Blank Check", ">>COMMAND: Blank Check",
         QT_TR_NOOP("Please Read a PRM File for BlankCheck."), kPrmNotRead, false, Clears::Yes, false},
        {cmdErase, [](FlshContext* c) { return QMRFlshErase(c, 0, 0, 0); }, ">>COMMAND: Erase", ">>COMMAND: Erase",
         QT_TR_NOOP("Please Read a PRM File for Erase."), kPrmNotRead, true, Clears::Yes, false},
        {cmdProgram, QMR_CALL(QMRFlshProgram), ">>COMMAND: Program", ">>COMMAND: Program",
         QT_TR_NOOP("Please Read a PRM File for Program."), kPrmNotRead, true, Clears::Yes, false},
        {cmdVerify, QMR_CALL(QMRFlshVerify), ">>COMMAND: Verify", ">>COMMAND: Verify",
         QT_TR_NOOP("Please Read a PRM File for Verify."), kPrmNotRead, true, Clears::Yes, false},
        {cmdSecurity, QMR_CALL(QMRFlshSecurity), ">>COMMAND: Security", ">>COMMAND: Security",
         QT_TR_NOOP("Please Read a PRM File for SecurityRead."), kPrmNotRead, false, Clears::Yes, false},
        {cmdUnitChecksum, QMR_CALL(QMRCheckSum), ">>COMMAND: Checksum", ">>COMMAND: Checksum", QT_TR_NOOP("Checksum NG."),
         "CHECKSUM NG.", false, Clears::No, false},
        {cmdDeviceChecksum, QMR_CALL(QMRFlashCheckSum), ">>COMMAND: Device Checksum", ">>COMMAND: Device Checksum",
         QT_TR_NOOP("Please Read a PRM File for Device Checksum."), kPrmNotRead, true, Clears::Yes, false},
        {cmdEpv, QMR_CALL(QMRFlshEPV), ">>COMMAND: AutoProcedure(Epv)", ">>COMMAND: AutoProcedure(Epv)",
         QT_TR_NOOP("Please Read a PRM File for EPV."), kPrmNotRead, true, Clears::Yes, false},
        {cmdExpEpv, QMR_CALL(QMRFlshEXPEPV), nullptr, nullptr, nullptr, nullptr, false, Clears::No, false},
        {cmdSignature, QMR_CALL(QMRFlshSigread), ">>COMMAND: Signature Read", ">>COMMAND: Signature",
         QT_TR_NOOP("Please Read a PRM File for Signature."), kPrmNotRead, true, Clears::Yes, false},
        {cmdStart, QMR_CALL(QMRStartCmd), ">>COMMAND: Start Command", ">>COMMAND: Start Command",
         QT_TR_NOOP("Flash Open NG."), "Flash Open NG.", true, Clears::No, false},
        {cmdPrmSend, QMR_CALL(QMRPRMSend), ">>COMMAND: PRM Send Command", ">>COMMAND: PRM File Send",
         QT_TR_NOOP("PRM File Send NG."), "PRM File Send NG.", true, Clears::No, false},
        {cmdSetSend, QMR_CALL(QMRSETSend), ">>COMMAND: SET Send Command", ">>COMMAND: SET File Send",
         QT_TR_NOOP("SET File Send NG."), "SET File Send NG.", true, Clears::No, false},
        {cmdSetUpload, QMR_CALL(QMRSETUpLoad), ">>COMMAND: SET UpLoad Command", ">>COMMAND: SET File UpLoad",
         QT_TR_NOOP("SET File Upload NG."), "SET File Upload NG.", false, Clears::No, true},
        {cmdLogInfo, QMR_CALL(QMRLogInfoUpLoad), ">>COMMAND: Logdata Information Command", ">>COMMAND: Logdata Infomation",
         QT_TR_NOOP("Please Read a PRM File for SecurityRead."), kPrmNotRead, true, Clears::Yes, false},
        {cmdLogClear, QMR_CALL(QMRLogCntClear), ">>COMMAND: Log Cnt Clear Command", ">>COMMAND: Log Cnt Clear",
         QT_TR_NOOP("Please Read a PRM File for SecurityRead."), kPrmNotRead, true, Clears::Yes, false},
        {cmdHexDownload, QMR_CALL(QMRHexDownLoad), ">>COMMAND: HEX DownLoad Command", ">>COMMAND: Hex Download",
         QT_TR_NOOP("Please Read a PRM File for Hex Download."), kPrmNotRead, true, Clears::Yes, false},
        {cmdHexUpload, QMR_CALL(QMRHexUpLoad), ">>COMMAND: HEX UpLoad Command", ">>COMMAND: Hex UplLoad",
         QT_TR_NOOP("Please Read a PRM File for Hex Download."), kPrmNotRead, true, Clears::Yes, false},
        {cmdHexInfo, QMR_CALL(QMRHexInfoUpLoad), ">>COMMAND: HEX Info UpLoad Command", ">>COMMAND: Hex Info UplLoad",
         QT_TR_NOOP("Please Read a PRM File for Hex Download."), kPrmNotRead, true, Clears::BufferOnly, false},
        {cmdSetPrmUpload, QMR_CALL(QMRSETPRMUpLoad), nullptr, nullptr, nullptr, nullptr, false, Clears::No, false},
        {cmdPrmSetList, QMR_CALL(QMRPRMSETListUpLoad), ">>COMMAND: PRM SET List Upload & SET Default Get Command",
         ">>COMMAND: PRM SET List UpLoad Send", QT_TR_NOOP("PRM File Send NG."), "PRM SET List UpLoad Send NG.", false,
         Clears::Yes, true},
        {cmdProgress, QMR_CALL(QMRProgress), nullptr, nullptr, nullptr, nullptr, false, Clears::No, false},
        {cmdFirmware, QMR_CALL(QMRFIRMUpdate), ">>COMMAND: Firmware Update Command", ">>COMMAND: Update Firmware",
         QT_TR_NOOP("Please Read a PRM File for SecurityRead."), kPrmNotRead, true, Clears::No, false},
        {cmdSetDelete, QMR_CALL(QMRSETFileDelete), ">>COMMAND: SET File Delete Command", ">>SET List Delete Command",
         QT_TR_NOOP("Please Read a PRM File for SecurityRead."), kPrmNotRead, true, Clears::No, true},
        {cmdSysWrite, QMR_CALL(QMRSysinfowrite), ">>COMMAND: System Info Write Command", ">>COMMAND: System Info Write",
         QT_TR_NOOP("System Info Write NG."), "SYSTEM INFO WRITE NG.", false, Clears::No, true},
        {cmdRead, QMR_CALL(QMRFlshRead), ">>COMMAND: Read Command", ">>COMMAND: Read Command",
         QT_TR_NOOP("Please Read a PRM File for Hex Download."), kPrmNotRead, true, Clears::Yes, false},
    };
    for (const auto& c : table)
        if (c.number == command) return &c;
    return nullptr;
}

#undef QMR_CALL

// ---- life ---------------------------------------------------------------------------------------
QmLogic::QmLogic(Screen& screen, Options options)
    : screen_(screen),
      opt_(std::move(options)),
      mainPort_(this, [this](uint32_t) { enter([this] { onProgressMessage(); }); }),
      setupPort_(this, [this](uint32_t) {
          // The Setup dialog runs inside a handler: its records are never held back.
          if (activeSetup_) activeSetup_->onProgress();
          else enter([this] { onProgressMessage(); });
      }),
      serialPort_(this, [this](uint32_t) {
          if (activeSerial_) activeSerial_->onProgress();
          else enter([this] { onProgressMessage(); });
      }),
      loaderPort_(this, [this](uint32_t) { enter([this] { onLoaderMessage(); }); })
{
    clock_.start();
    about_.gui = QStringLiteral("V1.35(J)");
}

QmLogic::~QmLogic()
{
    // The shutdown of the main view.
    if (ctx_ && !usbError_) {
        QMRFlshGUIQuit(ctx_);
        // The quit goes out before the context closes (the worker takes it first).
    }
    QMRFreePRM(prmBuffer_);
    prmBuffer_ = nullptr;
    if (hex_) QMRHexClose(hex_);
    hex_ = nullptr;
    if (ctx_) QMRFlshClose(ctx_);
    ctx_ = nullptr;
}

void QmLogic::start()
{
    about_.library = q(libraryVersionText(QMRGetVersion()));
    log(QStringLiteral(">> FlashOpenning.... "));
    ctx_ = opt_.open(mainPort_.window(), kProgressMessage);
    log(ctx_ ? QStringLiteral("Flash Open OK") : QStringLiteral("Flash Open Error"));
    if (ctx_) {
        try {
            uploadBlock_.assign(QMR_IMAGE_SIZE, 0);
            ctx_->uploadBuffer = uploadBlock_.data();
        } catch (const std::bad_alloc&) {
            log(QStringLiteral("Cancel HGEX Load File."));
        }
        try {
            readBlock_.assign(0x400000, 0);
            ctx_->readBuffer = readBlock_.data();
        } catch (const std::bad_alloc&) {
            log(QStringLiteral("Cancel read hex Allock."));
        }
    }
    sleep(opt_.startupWaitMs, [this] {
        if (ctx_) ctx_->english = opt_.english ? 1 : 0;
        issue(cmdStart);
        deviceReady_ = linkIdle_ = true;
        pushActions();
    });
}

// ---- the waits ------------------------------------------------------------------------------------
void QmLogic::sleep(int ms, std::function<void()> then)
{
    asleep_ = true;
    wake_ = std::move(then);
    screen_.startTimer(Timer::Wake, ms);
}

void QmLogic::enter(std::function<void()> f)
{
    if (asleep_) {
        deferred_.push_back(std::move(f));
        return;
    }
    f();
}

void QmLogic::timerFired(Timer t)
{
    if (t == Timer::Wake) {
        if (!asleep_) return;
        asleep_ = false;
        auto then = std::move(wake_);
        wake_ = nullptr;
        if (then) then();
        while (!asleep_ && !deferred_.empty()) {
            auto f = std::move(deferred_.front());
            deferred_.pop_front();
            f();
        }
        return;
    }
    enter([this] {
        if (ending_) return;
        screen_.message({tr("A time-out occurred. Confirm Power switch configuration \nRestart a target and the GUI"),
                         tr("Warning"), Icon::Error, Buttons::Ok, true});
        endProgram();
    });
}

// ---- the log pane, the menus, the form -----------------------------------------------------------------
void QmLogic::log(const QString& line)
{
    if (!traceOn_) return;
    if (!logText_.isEmpty()) logText_ += QStringLiteral("\r\n");
    logText_ += line;
    screen_.appendLog(line);
}

void QmLogic::clearLog(bool statusToo)
{
    logText_.clear();
    screen_.clearLog();
    if (statusToo) screen_.setStatus(QString());
}

void QmLogic::setTrace(bool on)
{
    enter([this, on] {
        traceOn_ = on;
        if (!on) clearLog(false);
    });
}

void QmLogic::grayMenuBar()
{
    menus_ = {false, false, false, false};
    pushActions();
}

void QmLogic::enableMenuBar()
{
    bool device = ctx_ && ctx_->setValid && ctx_->hexCrc;
    menus_ = {true, true, device, true};
    pushActions();
}

void QmLogic::recomputeDeviceReady() { deviceReady_ = ctx_ && ctx_->setValid && ctx_->hexCrc; }

ActionState QmLogic::actions() const
{
    ActionState s;
    s.menus = menus_;
    s.busy = !linkIdle_;
    const SetRecord* rec = ctx_ ? reinterpret_cast<const SetRecord*>(ctx_->settingsRecord) : nullptr;
    bool hexAndSetup = ctx_ && ctx_->hexCrc && ctx_->setupInfoValid;
    bool anySetting = ctx_ && ctx_->setNameCount >= 1;
    bool classTwo = rec && rec->classBlock[0] == 2;
    auto set = [&](Action a, bool on) { s.enabled[static_cast<size_t>(a)] = on; };
    set(Action::HexDownload, linkIdle_);
    set(Action::HexUpload, hexAndSetup);
    set(Action::ChecksumDisplay, hexAndSetup);
    set(Action::PrmDownload, true);
    set(Action::SetDownload, linkIdle_);
    set(Action::SetUpload, anySetting);
    set(Action::SetDelete, anySetting);
    set(Action::Exit, true);
    set(Action::Setup, linkIdle_);
    set(Action::LogHistory, ctx_ && ctx_->setupInfoValid && rec && rec->logRecording && rec->standaloneOp != 0);
    set(Action::Firmware, true);
    for (Action a : {Action::Blank, Action::Erase, Action::Program, Action::Epv, Action::SerialEpv, Action::Security,
                     Action::Checksum})
        set(a, deviceReady_);
    set(Action::Verify, deviceReady_ && !classTwo);
    set(Action::Signature, deviceReady_ && !classTwo);
    set(Action::Read, rec && rec->classBlock[6] != 0);
    set(Action::About, true);
    return s;
}

void QmLogic::pushActions() { screen_.showActions(actions()); }

void QmLogic::message(const QString& text, const QString& caption, Icon icon, bool taskModal)
{
    screen_.message({text, caption, icon, Buttons::Ok, taskModal});
}

void QmLogic::endProgram()
{
    if (ending_) return;
    ending_ = true;
    screen_.setProgress(0);
    pendingCommand_ = 0;
    screen_.endProgram(0);
}

// The image the unit holds, as the start command and the image information
// report it: its name, time stamp and CRC are what the HEX group shows.
void QmLogic::takeUnitImage()
{
    std::memset(ctx_->hexFileName, 0, sizeof ctx_->hexFileName);
    std::memcpy(ctx_->hexFileName, ctx_->systemText, strnlen(ctx_->systemText, QMR_SYSTEM_TEXT_MAX));
}

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
        f.hexName = QString::fromUtf8(ctx_->hexFileName, static_cast<qsizetype>(strnlen(ctx_->hexFileName, sizeof ctx_->hexFileName)));
        f.hexCrc = q(hexCrcText(ctx_->hexCrc));
        f.hexTime = q(hexTimestampText(ctx_->hexTimestamp, opt_.english));
        uint16_t v = qmr_info_version(ctx_, 0);
        about_.serial = q(serialNumberText(reinterpret_cast<const char*>(ctx_->usbSerial), sizeof ctx_->usbSerial));
        about_.firmware = q(firmwareVersionText(v >> 8, v & 0xFF, ctx_->buildNumber));
    }
    form_ = f;
    screen_.showForm(form_);
}

// ---- issuing a command --------------------------------------------------------------------------------
void QmLogic::issue(int command)
{
    const CommandInfo* c = info(command);
    if (!c) return;
    if (!ctx_) {
        if (c->tag) log(QString::fromLatin1(c->tag));
        QString text = tr(c->noContext);
        bool prm = QByteArray(c->noContext).startsWith("Please Read a PRM File");
        message(text, prm ? QStringLiteral("QM") : QString::fromLatin1(kCaption), Icon::Warning);
        if (c->second) log(QString::fromLatin1(c->second));
        pendingCommand_ = 0;
        return;
    }
    if (c->grays) grayMenuBar();
    pendingCommand_ = command;
    if (c->clears == Clears::Yes) clearLog(true);
    else if (c->clears == Clears::BufferOnly) clearLog(false);
    log(QStringLiteral(">>COMMAND: Reset."));
    ResetParams params{};
    QMRFlshReset(ctx_, &params, 0);
}

void QmLogic::callExport(int command)
{
    const CommandInfo* c = info(command);
    if (!c || !ctx_) return;
    if (c->started) log(QString::fromLatin1(c->started));
    screen_.setProgress(0);
    ctx_->tagA = command;
    if (isDeviceOperation(command)) ctx_->tagB = command;
    if (!c->keepsFlags) {
        deviceReady_ = linkIdle_ = false;
        pushActions();
    }
    commandStartTime_ = clock_.elapsed();
    if (command != cmdSetSend) setFromDisk_ = false;  // it belongs to one setting send
    if (command == cmdSignature) std::memset(ctx_->signature, 0, sizeof ctx_->signature);
    if (command == cmdRead) {
        const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
        ctx_->readEnd = rec->endBlockAddress.get() + 1;
    }
    if (command == cmdStart) screen_.startTimer(Timer::StartTimeout, 5000);
    c->call(ctx_);
}

// ---- progress handling ---------------------------------------------------------------------------------
void QmLogic::onProgressMessage()
{
    if (!ctx_) return;
    ProgressRecord* p = QMRFlshGetProg(ctx_);
    if (!p) return;
    const ProgressRecord r = *p;  // the worker may reuse the ring entry
    if (ending_) return;  // the program ends: the record is taken, nothing else
    if (linkIdle_) log(QString::fromUtf8(r.text));
    else log(QString::asprintf("%s  %d msec", r.text, int(clock_.elapsed() - commandStartTime_)));
    screen_.setStatus(QString::fromUtf8(r.title));
    screen_.setProgress(r.percent);
    bool finished = r.percent == 100 && r.scale == 100;
    if (r.state != 0) {
        if (!finished) {
            if (isDeviceOperation(r.tagA)) {
                ctx_->tagA = cmdProgress;
                ++progressRequests_;
                QMRProgress(ctx_, 0);
            }
            return;
        }
        if (r.code) {
            failure(r);
            return;
        }
        if (r.done) {
            screen_.setProgress(100);
            return;
        }
        completion(r, [this] {
            sleep(opt_.completionWaitMs, [this] {
                screen_.setProgress(0);
                linkIdle_ = true;
                pushActions();
            });
        });
        return;
    }
    if (!finished) return;
    if (r.code) {
        message(QString::asprintf("%s [Error Code : %02x]", r.text, r.code), QString::fromLatin1(kCaption), Icon::Error);
        endProgram();
        return;
    }
    if (pendingCommand_ && !deviceInfoRead_) {
        // The unit's serial number for About: a silent request the worker
        // answers before the command that follows.
        deviceInfoRead_ = true;
        QMRGetDeviceInfo(ctx_, 0);
    }
    if (pendingCommand_) callExport(pendingCommand_);
    pendingCommand_ = 0;
    screen_.setProgress(0);
    commandStartTime_ = clock_.elapsed();
}

void QmLogic::completion(const ProgressRecord& r, std::function<void()> then)
{
    int cmd = r.tagA;
    if (cmd == cmdStart || cmd == cmdHexInfo) {
        screen_.stopTimer(Timer::StartTimeout);
        if (cmd == cmdStart) {
            ctx_->hexCrc = qmr_info_hex_crc(ctx_);
            qmr_info_timestamp(ctx_, ctx_->hexTimestamp);
            takeUnitImage();
        } else {
            ctx_->hexCrc = ctx_->unitImageCrc;
            takeUnitImage();
        }
        if (firmwareUpdatePending_) {
            firmwareUpdatePending_ = false;
            firmwareResume_ = true;
            firmwareUpdate();
        } else {
            if (setupAfterStart_) {
                setupAfterStart_ = false;
                deviceSetup();
            }
            refreshForm();
            if (cmd == cmdStart && !firstStartDone_) {
                firstStartDone_ = true;
                if (qmr_info_version(ctx_, 0) < 0x0203)
                    message(tr("Renew it because firmware version is old."), tr("Warning"), Icon::Error, true);
            }
        }
    }
    if (oneOf(cmd, {cmdPrmSend, cmdSetSend, cmdSetDelete})) issue(cmdStart);
    if (cmd == cmdHexDownload) issue(cmdHexInfo);
    if (cmd == cmdPrmSetList) {
        ctx_->tagA = 0;
        deviceSetup();
    }
    if (cmd == cmdUnitChecksum) {
        unitChecksumText_ = QString::asprintf("%04X", ctx_->imageChecksum);
        log(QStringLiteral("CheckSum> ") + unitChecksumText_);
        checksumDisplayPending_ = true;
        issue(cmdHexUpload);
    }
    if (r.tagB == cmdDeviceChecksum)
        log(QString::asprintf("CheckSum> %02X%02X", ctx_->deviceChecksum[0], ctx_->deviceChecksum[1]));
    if (r.tagB == cmdSignature) {
        const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
        uint8_t kind = ctx_->settingsRecord[0x052];
        size_t n = kind == 2 ? 17 : kind == 3 ? 27 : 16;
        bool same = std::memcmp(ctx_->signature, rec->deviceHead, n) == 0;
        log(same ? QStringLiteral("Signature > OK") : QStringLiteral("Signature > NG"));
    }
    if (r.tagB == cmdSecurity) log(ctx_->securityResult == 1 ? QStringLiteral(">Security : OK") : QStringLiteral(">Security : NG"));
    if (cmd == cmdLogInfo) logHistory();
    if (oneOf(cmd, {1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 13, 17, 19, 20, 21, 22, 23, 26, 27, 32})) {
        recomputeDeviceReady();
        enableMenuBar();
        if (cmd == cmdSetUpload) writeUploadedSetting();
        if (cmd == cmdHexUpload) {
            if (checksumDisplayPending_) {
                screen_.setStatus(QString(30, QLatin1Char(' ')));
                checksumDisplayPending_ = false;
                showChecksumDisplay();
            } else {
                writeSRecords(uploadPath_, ctx_->uploadBuffer, uploadBlock_.size(), ctx_->hexStart, ctx_->hexSize);
            }
        }
        if (cmd == cmdRead) {
            const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
            writeSRecords(readPath_, ctx_->readBuffer, readBlock_.size(), rec->rangeStart.get(), ctx_->readEnd);
        }
        if (cmd == cmdFirmware) {
            sleep(opt_.firmwareWaitMs, [this, then] {
                if (!firmwareUpdatePending_)
                    message(tr("The renewal of the firmware was completed."), QString::fromLatin1(kCaption), Icon::Warning);
                issue(cmdStart);
                then();
            });
            return;
        }
    }
    then();
}

void QmLogic::failure(const ProgressRecord& r)
{
    int code = r.code, tagB = r.tagB, tagA = r.tagA;
    const QString caption = QString::fromLatin1(kCaption);
    if (tagB == cmdStart) screen_.stopTimer(Timer::StartTimeout);
    if (oneOf(code, {QMR_E_SHORTWRITE, QMR_E_SHORTREAD, QMR_E_READ})) {
        usbError_ = true;
        message(tr("A USB communications error happened. \nActivate graphical interface program again."), caption, Icon::Error);
        endProgram();
        return;
    }
    bool nandRead = (tagB == 12 && oneOf(code, {4, 13, 255})) || (tagB == 15 && oneOf(code, {4, 13, 255})) ||
                    (tagB == 6 && oneOf(code, {13, 24, 255})) || (tagB == 14 && oneOf(code, {5, 13, 24, 34, 35, 255}));
    if (nandRead) {
        message(tr("A reading error happened in NANDFlash  \nHardware broke down  "), caption, Icon::Error);
        endProgram();
        return;
    }
    if (tagB == 13 && oneOf(code, {4, 5, 13, 18, 24, 34, 35, 255})) {
        message(tr("The error writed with NANDFlash happened \nHardware broke down  "), caption, Icon::Error);
        endProgram();
        return;
    }
    if (code == QMR_E_NOTFOUND) {
        // No unit answered the reset: say what to check and how to try the program without one.
        message(QString::fromUtf8(r.text) + QStringLiteral("\n") +
                    tr("No unit was found. Check the USB cable, the unit's power and your permission to use it "
                       "(the dialout group or the udev rules). To try the program on the simulated unit, start it "
                       "with QMR_LINK=sim."),
                caption, Icon::Error);
    } else if ((tagB == 12 && oneOf(code, {8, 34, 35})) || (tagB == 6 && oneOf(code, {34, 35})) ||
               (tagB == 18 && oneOf(code, {34, 35}))) {
        message(tr("A reading error happened "), caption, Icon::Error);
    } else if (tagB == 12 && code == 15) {
        message(QString::fromUtf8(r.text), caption, Icon::Error);
    } else if (tagB == cmdSetSend || tagB == cmdHexDownload) {
        if (code != 1) message(tr("A write error happened "), caption, Icon::Error);
        if (!setFromDisk_) {
            if (tagB == cmdHexDownload) ctx_->hexCrc = 0;
            else ctx_->setValid = 0;
        }
    } else if (oneOf(tagB, {cmdSetUpload, cmdHexUpload, cmdHexInfo})) {
        message(tr("A reading error happened "), caption, Icon::Error);
        ctx_->setValid = 0;
        if (tagB == cmdHexInfo) {
            std::memset(ctx_->hexFileName, 0, sizeof ctx_->hexFileName);
            std::memset(ctx_->hexTimestamp, 0, sizeof ctx_->hexTimestamp);
            ctx_->hexCrc = 0;
            form_.hexName.clear();
            form_.hexTime.clear();
            form_.hexCrc.clear();
            screen_.showForm(form_);
        }
    } else if (oneOf(tagA, {1, 2, 3, 4, 5, 7, 8, 10, 26, 32})) {
        message(QString::fromUtf8(r.text), caption, Icon::Error);
    }
    if (ending_) return;
    screen_.setProgress(0);
    pendingCommand_ = 0;
    recomputeDeviceReady();
    linkIdle_ = true;
    enableMenuBar();
}

// ---- menu commands ------------------------------------------------------------------------------------
void QmLogic::trigger(Action a)
{
    enter([this, a] {
        if (ending_ || !actions().isEnabled(a)) return;
        switch (a) {
        case Action::HexDownload: loadImage(); break;
        case Action::HexUpload: chooseUploadFile(); break;
        case Action::ChecksumDisplay: issue(cmdUnitChecksum); break;
        case Action::PrmDownload: parameterSend(); break;
        case Action::SetDownload: settingDownload(); break;
        case Action::SetUpload: settingUpload(); break;
        case Action::SetDelete: settingDelete(); break;
        case Action::Exit:
            if (confirmExit()) screen_.endProgram(0);
            break;
        case Action::Setup: issue(cmdPrmSetList); break;
        case Action::LogHistory: issue(cmdLogInfo); break;
        case Action::Firmware: firmwareUpdate(); break;
        case Action::Blank: issue(cmdBlank); break;
        case Action::Erase: issue(cmdErase); break;
        case Action::Program: issue(cmdProgram); break;
        case Action::Verify: issue(cmdVerify); break;
        case Action::Epv: issue(cmdEpv); break;
        case Action::SerialEpv: serialEpv(); break;
        case Action::Read: chooseReadFile(); break;
        case Action::Security: issue(cmdSecurity); break;
        case Action::Checksum: issue(cmdDeviceChecksum); break;
        case Action::Signature: issue(cmdSignature); break;
        case Action::About: about(); break;
        case Action::Count: break;
        }
    });
}

bool QmLogic::confirmExit()
{
    return screen_.message({tr(" May I finish a program? "), QString::fromLatin1(kCaption), Icon::Warning, Buttons::OkCancel,
                            true}) == Answer::Ok;
}

// ---- lists the dialogs show ------------------------------------------------------------------------------
QList<SlotRow> QmLogic::slotRows() const
{
    QList<SlotRow> rows;
    if (!ctx_) return rows;
    for (int i = 0; i < QMR_SET_ENTRIES && i < kSettingSlots; ++i) {
        const uint8_t* e = ctx_->setNameList[i];
        SlotRow r;
        r.prmName = fieldText(e + 1, 32).trimmed();
        r.setName = fieldText(e + 33, 32).trimmed();
        rows.append(r);
    }
    return rows;
}

QList<PrmListEntry> QmLogic::prmList() const
{
    QList<PrmListEntry> out;
    if (!ctx_) return out;
    for (int i = 0; i < ctx_->prmNameCount && i < QMR_PRM_NAME_MAX; ++i) {
        PrmListEntry e;
        std::memcpy(e.id.data(), ctx_->prmNameList[i], 4);
        e.name = fieldText(ctx_->prmNameList[i] + 4, 32);
        out.append(e);
    }
    return out;
}

int QmLogic::defaultSlot() const { return ctx_ && ctx_->setValid && ctx_->settingsNumberValid ? ctx_->settingsNumber : -1; }

// ---- Device Setup -------------------------------------------------------------------------------------
void QmLogic::deviceSetup()
{
    log(QStringLiteral(">>COMMAND: Device Setup"));
    SetupDialogLogic::Inputs in;
    const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
    in.prmName = prmJustSent_ && prmBuffer_ ? fieldText(prmBuffer_->prmImage + 16, 30)
                                           : fieldText(rec->prmIdent + 14, 30);
    in.setName = fieldText(reinterpret_cast<const uint8_t*>(rec->setFileName), 32).trimmed();
    in.hexName = form_.hexName;
    prmJustSent_ = false;
    if (ctx_->prmNameCount < 1) {
        message(tr("Do the registration of the parameter file"), tr("Warning "), Icon::Error);
        log(QStringLiteral(">>COMMAND: Device Setup Cancel."));
        return;
    }
    if (!prmBuffer_) {
        prmBuffer_ = static_cast<PrmRecord*>(std::calloc(1, sizeof(PrmRecord)));
        if (!prmBuffer_) {
            log(QStringLiteral("Alloc()  Error"));
            return;
        }
    }
    in.prms = prmList();
    in.settingSlots = slotRows();
    in.defaultSlot = defaultSlot();
    auto savedPrm = std::make_unique<PrmRecord>();
    std::memcpy(savedPrm.get(), &ctx_->prm, sizeof(PrmRecord));
    std::vector<uint8_t> savedSet(ctx_->settingsRecord, ctx_->settingsRecord + sizeof ctx_->settingsRecord);
    uint8_t savedNumber = ctx_->settingsNumber;
    SetupDialogLogic dialog(ctx_, screen_, setupPort_.window(), std::move(in));
    dialog.endProgram = [this] { endProgram(); };
    activeSetup_ = &dialog;
    bool ok = screen_.runSetupDialog(dialog);
    activeSetup_ = nullptr;
    if (ending_) return;
    if (ok) {
        setFromDisk_ = false;
        issue(cmdSetSend);
    } else {
        std::memcpy(&ctx_->prm, savedPrm.get(), sizeof(PrmRecord));
        std::memcpy(ctx_->settingsRecord, savedSet.data(), savedSet.size());
        ctx_->settingsNumber = savedNumber;
    }
}

// ---- setting and parameter files ---------------------------------------------------------------------------
void QmLogic::parameterSend()
{
    log(QStringLiteral(">>COMMAND: PRM Send Command"));
    clearLog(true);
    QList<PrmListEntry> onUnit = prmList();
    FileRequest req;
    req.folderKey = QStringLiteral("prs");
    req.filters = {{tr("Parameter files(*.prs)"), QStringLiteral("*.prs")}};
    req.defaultSuffix = QStringLiteral("prs");
    FileAnswer a;
    for (;;) {
        a = screen_.openFile(req);
        if (!a.chosen) return;
        if (isParameterFilePath(a.path.toStdString())) break;
        message(tr("Choose a parameter file"), tr("Warning"), Icon::Error);
    }
    if (screen_.message({fmt(tr("May I register %s ? "), s8(a.path).constData()), tr("Quillmarker / Parameter registration"),
                         Icon::Question, Buttons::OkCancel}) != Answer::Ok)
        return;
    QMRFreePRM(prmBuffer_);
    prmBuffer_ = nullptr;
    log(QStringLiteral(">> ParameterFile Reading...."));
    prmBuffer_ = QMRReadPRM(a.path.toUtf8().constData(), 0);
    if (!prmBuffer_) {
        log(QStringLiteral("ParameterFile Read Error"));
        InputFile problem = checkInputFile(a.path.toStdString());
        QString why = problem == InputFile::Ok ? tr("is larger than a parameter file")
                                               : QCoreApplication::translate("InputFile", inputFileText(problem));
        message(fmt(tr("The parameter file %s %s."), s8(a.path).constData(), s8(why).constData()),
                QString::fromLatin1(kCaption), Icon::Error);
        return;
    }
    log(QStringLiteral("Success Read ParameterFile."));
    if (!ctx_) {
        issue(cmdPrmSend);  // logs its tag and says the library is missing
        return;
    }
    std::memcpy(&ctx_->prm, prmBuffer_, sizeof(PrmRecord));
    switch (checkParameterRecord(*prmBuffer_)) {
    case PrmFileCheck::ChecksumError:
        message(tr("It is a checksum, error"), QString::fromLatin1(kCaption), Icon::Warning);
        log(QStringLiteral("ParameterFile Check sum Error"));
        return;
    case PrmFileCheck::TooNew:
        message(tr("It doesn't cope with this parameter file. \n Upgrade the GUI.  "), QString::fromLatin1(kCaption), Icon::Warning);
        log(QStringLiteral("ParameterFile Version Error"));
        return;
    case PrmFileCheck::Ok: break;
    }
    const uint8_t* id = prmIdentity(prmBuffer_->prmImage);
    bool held = false;
    for (const PrmListEntry& e : onUnit) held |= std::memcmp(e.id.data(), id, 4) == 0;
    if (held) {
        QString name = fieldText(prmBuffer_->prmImage + 16, 30);
        if (screen_.message({fmt(tr(" %s has already been registered  May I overwrite it? "), s8(name).constData()),
                             tr("Quillmarker / Parameter registration"), Icon::Question, Buttons::OkCancel}) != Answer::Ok)
            return;
        if (std::memcmp(prmIdentity(ctx_->settingsRecord), id, 4) == 0) setupAfterStart_ = true;
    }
    prmJustSent_ = true;
    issue(cmdPrmSend);
}

void QmLogic::settingDownload()
{
    clearLog(true);
    FileRequest req;
    req.folderKey = QStringLiteral("set");
    req.filters = {{tr("Setting files(*.set)"), QStringLiteral("*.set")}};
    req.defaultSuffix = QStringLiteral("set");
    std::vector<uint8_t> bytes;
    QString path;
    for (;;) {
        FileAnswer a = screen_.openFile(req);
        if (!a.chosen) return;
        path = q(setFilePathFor(a.path.toStdString()));
        InputFile problem = readWholeFile(path.toStdString(), sizeof(SetRecord), bytes);
        if (problem == InputFile::Missing) {
            if (screen_.message({tr("SET File doesn't exist. Do you continue the management? "), tr("Confirmation"),
                                 Icon::Question, Buttons::YesNo}) == Answer::Yes)
                continue;
            return;
        }
        if (problem != InputFile::Ok && problem != InputFile::TooLarge) {
            message(fmt(tr("The file %s %s."), s8(path).constData(),
                        s8(QCoreApplication::translate("InputFile", inputFileText(problem))).constData()),
                    QString::fromLatin1(kCaption), Icon::Error);
            return;
        }
        if (problem == InputFile::TooLarge || bytes.size() != sizeof(SetRecord)) {
            message(fmt(tr("%s is not a setting file (a setting file holds 16384 bytes)."), s8(path).constData()),
                    QString::fromLatin1(kCaption), Icon::Error);
            return;
        }
        break;
    }
    SetRecord rec;
    std::memcpy(&rec, bytes.data(), sizeof rec);
    if (!ctx_) {
        issue(cmdSetSend);
        return;
    }
    bool known = false;
    for (const PrmListEntry& e : prmList()) known |= std::memcmp(e.id.data(), bytes.data() + 6, 4) == 0;
    if (!known) {
        message(tr("A parameter file doesn't exist"), QString::fromLatin1(kCaption), Icon::Error);
        return;
    }
    int slot = chooseSlot(ListMode::Registration);
    if (slot < 0) return;
    ctx_->settingsNumber = static_cast<uint8_t>(slot);
    if (rec.formatVersion > 2) {
        message(tr("It doesn't cope with this setting file. \n Upgrade the GUI.  "), QString::fromLatin1(kCaption), Icon::Warning);
        log(QStringLiteral("SettingFile Version Error"));
        return;
    }
    std::memcpy(ctx_->settingsRecord, &rec, sizeof rec);
    setFromDisk_ = true;
    issue(cmdSetSend);
}

void QmLogic::settingUpload()
{
    clearLog(true);
    int slot = chooseSlot(ListMode::Upload, &setUploadPath_);
    if (slot < 0) return;
    ctx_->settingsNumberChosen = static_cast<uint8_t>(slot);
    issue(cmdSetUpload);
}

void QmLogic::settingDelete()
{
    clearLog(true);
    int slot = chooseSlot(ListMode::Delete);
    if (slot < 0) return;
    ctx_->setDeleteNumber = static_cast<uint8_t>(slot);
    issue(cmdSetDelete);
}

int QmLogic::chooseSlot(ListMode mode, QString* path)
{
    SettingListLogic list(screen_, mode, slotRows(), prmList(), defaultSlot());
    if (!screen_.runSettingList(list)) return -1;
    if (path) *path = list.path();
    return list.slot();
}

void QmLogic::writeUploadedSetting()
{
    if (setUploadPath_.isEmpty()) return;
    writeUserFile(setUploadPath_, ctx_->settingsRecord, sizeof(SetRecord),
                  tr("The setting file could not be written to %s: %s"), "SET File");
}

// A file the user asked for, written whole or not at all; a failure is told
// in a box (failure: "... %s: %s", the path and the reason) and in the log.
void QmLogic::writeUserFile(const QString& path, const void* data, size_t n, const QString& failure, const char* kind)
{
    std::string why;
    if (!writeWholeFile(path.toStdString(), data, n, &why)) {
        message(fmt(failure, s8(path).constData(), why.c_str()), QString::fromLatin1(kCaption), Icon::Error);
        log(fmt(QStringLiteral("%s not written: %s: %s"), kind, s8(path).constData(), why.c_str()));
        return;
    }
    log(fmt(QStringLiteral("%s written: %s"), kind, s8(path).constData()));
}

// ---- image files ------------------------------------------------------------------------------------------
bool QmLogic::openLoader(const QString& path, uint32_t firmwareCheck)
{
    if (hex_) QMRHexClose(hex_);
    hex_ = nullptr;
    // The loader keeps at most 255 characters of the name: a longer path is
    // opened by its name from its folder.
    QFileInfo fi(path);
    QByteArray full = fi.absoluteFilePath().toUtf8();
    if (full.size() > 255) {
        QDir::setCurrent(fi.absolutePath());
        full = fi.fileName().toUtf8();
    }
    hex_ = QMRHexOpen(full.constData(), loaderPort_.window(), kLoaderMessage, nullptr, 0, firmwareCheck);
    return hex_ != nullptr;
}

void QmLogic::loadImage()
{
    log(QStringLiteral(">>COMMAND: LoadFile Open()"));
    FileRequest req;
    req.folderKey = QStringLiteral("hex");
    req.filters = {{tr("Hex files(*.hex;*.s)"), QStringLiteral("*.hex;*.s")}, {tr("All files(*.*)"), QStringLiteral("*")}};
    req.initialName = QStringLiteral("*.hex;*.s");
    req.securityBox = true;
    FileAnswer a = screen_.openFile(req);
    if (!a.chosen) {
        log(QStringLiteral("Cancel Load File."));
        return;
    }
    imageName_ = QFileInfo(a.path).fileName();
    if (ctx_) ctx_->hexSecurity = a.security ? 1 : 0;
    imageCopy_.clear();
    imageCopy_.shrink_to_fit();
    if (ctx_) ctx_->hexImage = nullptr;
    screen_.setProgress(0);
    if (!openLoader(a.path, QMR_FW_CHECK_NONE)) {
        InputFile problem = checkInputFile(a.path.toStdString());
        QString text = problem == InputFile::Ok
                           ? tr("The file which was not a HEX file format was chosen")
                           : fmt(tr("The file %s %s."), s8(a.path).constData(),
                                 s8(QCoreApplication::translate("InputFile", inputFileText(problem))).constData());
        message(text, tr("Warning "), Icon::Information, true);
        return;
    }
    log(QStringLiteral(">> LoadFile Reading...."));
    if (ctx_) {
        const HexProgressRecord& t = hex_->ring[0];
        std::snprintf(ctx_->hexTimestamp, sizeof ctx_->hexTimestamp, "%04d%02d%02d%02d%02d%02d", t.year % 10000,
                      t.month % 100, t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
    }
    imageLoadPending_ = true;
}

void QmLogic::onLoaderMessage()
{
    if (!hex_) return;
    HexProgressRecord* r = QMRHexGetProg(hex_);
    if (!r || ending_) return;
    screen_.setProgress(r->percent);
    if (r->result != 0) {
        log(QStringLiteral("Error on Load File"));
        screen_.setProgress(0);
        // These texts are the loader's own and read the same in both languages.
        static const char* const kTexts[] = {"", " ファイル種別エラーです ", " Windows APIエラーです ", " オーバーフローです ",
                                             " Quillmarkerファームではありません", " チェックサムエラーです "};
        QString text = r->result >= 1 && r->result <= 5 ? QString::fromUtf8(kTexts[r->result])
                                                        : QString::asprintf("result %d", r->result);
        screen_.message({text, QString::fromUtf8("警告"), Icon::Error, Buttons::Ok, true});
        imageLoadPending_ = false;
        return;
    }
    if (!(r->phase == 5 && r->percent == 100)) return;
    log(QString::fromUtf8(r->text));
    screen_.setProgress(0);
    if (imageLoadPending_) {
        imageLoadPending_ = false;
        if (!ctx_) return;
        uint32_t size = hex_->imageSize < QMR_IMAGE_ALLOC ? hex_->imageSize : QMR_IMAGE_ALLOC;
        ctx_->hexSize = size;
        ctx_->hexStart = hex_->imageStart;
        ctx_->hexHighest = hex_->highestAddress;
        try {
            imageCopy_.assign(hex_->imageBuffer, hex_->imageBuffer + size);
        } catch (const std::bad_alloc&) {
            log(QStringLiteral("Cancel HEX Load File."));
            return;
        }
        ctx_->hexImage = imageCopy_.data();
        ctx_->hexSum = hex_->imageSum;
        std::memset(ctx_->hexFileName, 0, sizeof ctx_->hexFileName);
        QByteArray name = imageName_.toUtf8().left(sizeof ctx_->hexFileName - 1);
        std::memcpy(ctx_->hexFileName, name.constData(), static_cast<size_t>(name.size()));
        ctx_->hexCrc = checks::crc32Bzip2(imageCopy_.data(), imageCopy_.size());
        issue(cmdHexDownload);
        return;
    }
    if (firmwareLoadPending_) {
        firmwareLoadPending_ = false;
        uint16_t version = ctx_ ? qmr_info_version(ctx_, 0) : 0;
        // (Never for the intermediate firmware itself, whatever its size.)
        if (!firmwareResume_ && !firmwareUpdatePending_ && needsIntermediateFirmware(version, hex_->imageSize)) {
            firmwareUpdatePending_ = true;
            firmwareUpdate();  // loads the intermediate firmware first
            return;
        }
        firmwareResume_ = false;
        if (!ctx_) return;
        uint32_t size = hex_->imageSize < QMR_IMAGE_ALLOC ? hex_->imageSize : QMR_IMAGE_ALLOC;
        try {
            firmwareCopy_.assign(hex_->imageBuffer, hex_->imageBuffer + size);
        } catch (const std::bad_alloc&) {
            log(QStringLiteral("Cancel HEX Load File."));
            return;
        }
        ctx_->firmwareImage = firmwareCopy_.data();
        ctx_->firmwareSize = size;
        ctx_->hexSum = hex_->imageSum;
        issue(cmdFirmware);
    }
}

// The save dialog of the S-record files (image upload and read-out); an
// empty path when cancelled, after logging the cancel line.
QString QmLogic::chooseSRecordFile(const char* cancelLine)
{
    FileRequest req;
    req.folderKey = QStringLiteral("srec");
    req.filters = {{tr("Motorola Hex files(*.s)"), QStringLiteral("*.s")}};
    req.defaultSuffix = QStringLiteral("s");
    req.initialName = QStringLiteral("*.s");
    req.overwritePrompt = true;
    FileAnswer a = screen_.saveFile(req);
    if (!a.chosen) log(QString::fromLatin1(cancelLine));
    return a.chosen ? a.path : QString();
}

void QmLogic::chooseUploadFile()
{
    log(QStringLiteral(">>COMMAND: HEX Upload "));
    QString path = chooseSRecordFile("Cancel Upload File.");
    if (path.isEmpty()) return;
    uploadPath_ = path;
    issue(cmdHexUpload);
}

void QmLogic::chooseReadFile()
{
    QString path = chooseSRecordFile("Cancel Read Command.");
    if (path.isEmpty()) return;
    readPath_ = path;
    issue(cmdRead);
}

void QmLogic::writeSRecords(const QString& path, const uint8_t* buffer, size_t size, uint32_t start, uint32_t end)
{
    if (path.isEmpty() || !buffer) return;
    std::string text = sRecordText(buffer, size, start, end);
    writeUserFile(path, text.data(), text.size(), tr("The S-record file could not be written to %s: %s"), "S-record file");
}

void QmLogic::showChecksumDisplay()
{
    Fp4Sums sums = fp4Sums(ctx_->uploadBuffer, ctx_->hexSize);
    std::string text = checksumDisplayText(ctx_->hexSize, unitChecksumText_.toStdString(), sums, translateFor);
    screen_.message({q(text), tr("Checksum"), Icon::Information, Buttons::Ok, false, true});
}

void QmLogic::firmwareUpdate()
{
    QString path;
    if (firmwareUpdatePending_) {
        path = QDir(opt_.programFolder).filePath(QStringLiteral("QMTemp120.hex"));
    } else {
        log(QStringLiteral(">>COMMAND: Update Firmware"));
        if (firmwareResume_) {
            path = firmwarePath_;
        } else {
            FileRequest req;
            req.folderKey = QStringLiteral("firmware");
            req.filters = {{tr("QM firmware(qm_fw*.hex)"), QStringLiteral("qm_fw*.hex")}};
            req.initialName = QStringLiteral("qm_fw*.hex");
            FileAnswer a = screen_.openFile(req);
            if (!a.chosen) {
                log(QStringLiteral("Cancel Update Firmware."));
                return;
            }
            path = firmwarePath_ = a.path;
        }
    }
    if (openLoader(path, QMR_FW_CHECK_UNIT)) {
        log(QStringLiteral(">> LoadFile Reading...."));
        firmwareLoadPending_ = true;
        return;
    }
    screen_.message({tr("Because there was no arbitrary file, FW update couldn't be done "), tr("Warning "), Icon::Error,
                     Buttons::Ok, true});
    firmwareResume_ = firmwareUpdatePending_ = false;
}

// ---- small dialogs ---------------------------------------------------------------------------------------
void QmLogic::serialEpv()
{
    clearLog(true);
    const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
    SerialEpvLogic dialog(ctx_, screen_, serialPort_.window(), rec->endBlockAddress.get());
    activeSerial_ = &dialog;
    dialog.open();
    screen_.runSerialEpv(dialog);
    dialog.close();
    activeSerial_ = nullptr;
}

void QmLogic::logHistory()
{
    std::array<uint16_t, 32> list{};
    std::memcpy(list.data(), ctx_->ngList, sizeof ctx_->ngList);
    const auto* rec = reinterpret_cast<const SetRecord*>(ctx_->settingsRecord);
    LogHistoryLogic dialog(screen_, rec->standaloneOp, static_cast<int32_t>(ctx_->okCount), static_cast<int32_t>(ctx_->ngCount),
                           list, opt_.english);
    dialog.log = [this](const QString& line) { log(line); };
    if (screen_.runLogHistory(dialog) && dialog.clearRequested()) issue(cmdLogClear);
}

void QmLogic::about() { screen_.showAbout(about_); }

}  // namespace qmr::app
