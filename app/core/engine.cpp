#include "core/engine.h"

#include <QFileInfo>


#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "checks/crc32.h"
#include "core/images.h"
#include "core/inputfile.h"
#include "core/setfiles.h"
#include "core/setupdialog.h"
#include "core/summary.h"
#include "core/text.h"

namespace qmr::app {

namespace {

QString inputProblem(InputFile problem) { return QCoreApplication::translate("InputFile", inputFileText(problem)); }

}  // namespace

// ---- life ---------------------------------------------------------------------------------------
ProgramEngine::ProgramEngine(Screen& screen, ProgramIdentity identity, std::vector<CommandRow> commands,
                             EngineOptions options)
    : screen_(screen),
      id_(std::move(identity)),
      commands_(std::move(commands)),
      opt_(std::move(options)),
      mainPort_(this, [this](uint32_t) { enter([this] { onProgressMessage(); }); }),
      setupPort_(this, [this](uint32_t) {
          // The Setup dialog runs inside a handler: its records are never held back.
          if (activeSetup_) activeSetup_->onProgress();
          else enter([this] { onProgressMessage(); });
      }),
      dialogPort_(this, [this](uint32_t) {
          if (dialogRecords_) dialogRecords_();
          else enter([this] { onProgressMessage(); });
      }),
      loaderPort_(this, [this](uint32_t) { enter([this] { onLoaderMessage(); }); })
{
    clock_.start();
}

ProgramEngine::~ProgramEngine()
{
    // The quit goes out before the context closes (the worker takes it first).
    if (ctx_ && !usbError_) QMRFlshGUIQuit(ctx_);
    QMRFreePRM(prmBuffer_);
    prmBuffer_ = nullptr;
    if (hex_) QMRHexClose(hex_);
    hex_ = nullptr;
    loaderPath_.reset();
    if (ctx_) QMRFlshClose(ctx_);
    ctx_ = nullptr;
}

void ProgramEngine::openContext(const char* openingLine)
{
    if (openingLine) log(QString::fromLatin1(openingLine));
    ctx_ = opt_.open(mainPort_.window(), QMR_MSG_PROGRESS);
    log(ctx_ ? QStringLiteral("Flash Open OK") : QStringLiteral("Flash Open Error"));
    if (!ctx_) return;
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

const CommandRow* ProgramEngine::byPending(int pending) const
{
    if (pending <= 0) return nullptr;
    for (const auto& c : commands_)
        if (c.pending == pending) return &c;
    return nullptr;
}

const CommandRow* ProgramEngine::byTag(int tagA) const
{
    for (const auto& c : commands_)
        if (c.tagA == tagA) return &c;
    return nullptr;
}

// ---- the waits ------------------------------------------------------------------------------------
void ProgramEngine::sleep(int ms, std::function<void()> then)
{
    asleep_ = true;
    wake_ = std::move(then);
    screen_.startTimer(Timer::Wake, ms);
}

void ProgramEngine::enter(std::function<void()> f)
{
    if (asleep_) {
        deferred_.push_back(std::move(f));
        return;
    }
    f();
}

void ProgramEngine::whenQuiet(std::function<void()> f)
{
    if (quiet() && quietQueue_.empty()) {
        f();
        return;
    }
    quietQueue_.push_back(std::move(f));
}

void ProgramEngine::drainQuiet()
{
    while (quiet() && !quietQueue_.empty()) {
        auto f = std::move(quietQueue_.front());
        quietQueue_.pop_front();
        f();
    }
}

void ProgramEngine::timerFired(Timer t)
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
        drainQuiet();
        return;
    }
    enter([this] {
        if (ending_) return;
        // The start command never finished.
        screen_.message({tr(id_.startTimeoutText), tr("Warning"), Icon::Error, Buttons::Ok, true});
        endProgram();
    });
}

void ProgramEngine::finishCommand()
{
    sleep(opt_.completionWaitMs, [this] {
        screen_.setProgress(0);
        linkIdle_ = true;
        becameIdle();
        pushActions();
    });
}

void ProgramEngine::afterFailure()
{
    if (ending_) return;
    screen_.setProgress(0);
    pendingCommand_ = 0;
    recomputeDeviceReady();
    linkIdle_ = true;
    enableMenuBar();
}

// ---- the log pane, the menus ---------------------------------------------------------------------------
void ProgramEngine::log(const QString& line)
{
    if (!traceOn_) return;
    if (!logText_.isEmpty()) logText_ += QStringLiteral("\r\n");
    logText_ += line;
    screen_.appendLog(line);
}

void ProgramEngine::clearLog(bool statusToo)
{
    logText_.clear();
    screen_.clearLog();
    if (statusToo) screen_.setStatus(QString());
}

void ProgramEngine::setTrace(bool on)
{
    enter([this, on] {
        traceOn_ = on;
        if (!on) clearLog(false);
    });
}

void ProgramEngine::grayMenuBar()
{
    menus_ = {false, false, false, false};
    pushActions();
}

void ProgramEngine::enableMenuBar()
{
    bool device = ctx_ && ctx_->setValid && ctx_->hexCrc;
    menus_ = {true, true, device, true};
    pushActions();
}

void ProgramEngine::recomputeDeviceReady() { deviceReady_ = ctx_ && ctx_->setValid && ctx_->hexCrc; }

void ProgramEngine::pushActions() { screen_.showActions(actions()); }

void ProgramEngine::message(const QString& text, const QString& caption, Icon icon, bool taskModal)
{
    screen_.message({text, caption, icon, Buttons::Ok, taskModal});
}

void ProgramEngine::endProgram()
{
    if (ending_) return;
    ending_ = true;
    screen_.setProgress(0);
    pendingCommand_ = 0;
    screen_.endProgram(0);
}

void ProgramEngine::idleError(const ProgressRecord& r)
{
    message(QString::asprintf("%s [Error Code : %02x]", r.text, r.code), Icon::Error);
    endProgram();
}

bool ProgramEngine::confirmExit()
{
    return screen_.message({tr(" May I finish a program? "), id_.caption, Icon::Warning, Buttons::OkCancel, true}) ==
           Answer::Ok;
}

// ---- issuing a command --------------------------------------------------------------------------------
void ProgramEngine::issue(int pending)
{
    const CommandRow* c = byPending(pending);
    if (!c) return;
    if (!ctx_) {
        if (c->tag) log(QString::fromLatin1(c->tag));
        if (c->noContext) {
            bool prm = QByteArray(c->noContext).startsWith("Please Read a PRM File");
            message(tr(c->noContext), prm ? id_.noPrmCaption : id_.caption, Icon::Warning);
        }
        if (c->second) log(QString::fromLatin1(c->second));
        pendingCommand_ = 0;
        return;
    }
    onIssue(*c);
    if (c->grays) grayMenuBar();
    pendingCommand_ = pending;
    if (c->clears == Clears::Yes) clearLog(true);
    else if (c->clears == Clears::BufferOnly) clearLog(false);
    if (id_.resetLine) log(QString::fromLatin1(id_.resetLine));
    ResetParams params{};
    QMRFlshReset(ctx_, &params, 0);
}

void ProgramEngine::callExport(int pending)
{
    const CommandRow* c = byPending(pending);
    if (!c || !ctx_) return;
    if (c->started) log(QString::fromLatin1(c->started));
    screen_.setProgress(0);
    ctx_->tagA = c->tagA;
    if (c->deviceOperation) ctx_->tagB = c->tagA;
    if (c->busy) {
        deviceReady_ = linkIdle_ = false;
        pushActions();
    }
    commandStartTime_ = clock_.elapsed();
    if (c->tagA != cmd::SetSend) setFromDisk_ = false;  // it belongs to one setting send
    if (c->tagA == cmd::Start) screen_.startTimer(Timer::StartTimeout, 5000);
    prepareCommand(*c);
    libraryBusy_ = true;
    c->call(ctx_);
}

// ---- progress handling ---------------------------------------------------------------------------------
void ProgramEngine::showRecord(const ProgressRecord& r)
{
    if (linkIdle_) log(QString::fromUtf8(r.text));
    else log(QString::asprintf("%s  %d msec", r.text, int(clock_.elapsed() - commandStartTime_)));
    screen_.setStatus(QString::fromUtf8(r.title));
    screen_.setProgress(r.percent);
}

void ProgramEngine::onProgressMessage()
{
    if (!ctx_) return;
    ProgressRecord* p = QMRFlshGetProg(ctx_);
    if (!p) return;
    const ProgressRecord r = *p;  // the worker may reuse the ring entry
    if (ending_) return;  // the program ends: the record is taken, nothing else
    showRecord(r);
    bool finished = r.percent == 100 && r.scale == 100;
    // A command's final record (or a failure) ends what the library runs.
    if (finished && !r.done && (r.state != 0 || r.code)) libraryBusy_ = false;
    handleRecord(r, finished);
    drainQuiet();
}

void ProgramEngine::handleRecord(const ProgressRecord& r, bool finished)
{
    if (r.state != 0) {
        if (!finished) {
            const CommandRow* c = byTag(r.tagA);
            if (c && c->deviceOperation) {
                beforeProgressPoll();
                ctx_->tagA = cmd::Progress;
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
        completion(r);
        return;
    }
    if (!finished) return;
    if (r.code) {
        idleError(r);
        return;
    }
    if (pendingCommand_) {
        beforePendingCommand();
        callExport(pendingCommand_);
    }
    pendingCommand_ = 0;
    screen_.setProgress(0);
    commandStartTime_ = clock_.elapsed();
}

// ---- completions both programs have -------------------------------------------------------------------
void ProgramEngine::takeUnitImage(int command)
{
    screen_.stopTimer(Timer::StartTimeout);
    if (command == cmd::Start) {
        ctx_->hexCrc = qmr_info_hex_crc(ctx_);
        qmr_info_timestamp(ctx_, ctx_->hexTimestamp);
    } else {
        ctx_->hexCrc = ctx_->unitImageCrc;
    }
    std::memset(ctx_->hexFileName, 0, sizeof ctx_->hexFileName);
    std::memcpy(ctx_->hexFileName, ctx_->systemText, strnlen(ctx_->systemText, QMR_SYSTEM_TEXT_MAX));
}

void ProgramEngine::unitChecksumDone(bool forceTrace)
{
    unitChecksumText_ = QString::asprintf("%04X", ctx_->imageChecksum);
    bool trace = traceOn_;
    if (forceTrace) traceOn_ = true;
    log(QStringLiteral("CheckSum> ") + unitChecksumText_);
    traceOn_ = trace;
    checksumDisplayPending_ = true;
    issue(cmd::HexUpload);
}

void ProgramEngine::writeUploadedSetting()
{
    if (setUploadPath_.isEmpty()) return;
    writeUserFile(setUploadPath_, ctx_->settingsRecord, sizeof ctx_->settingsRecord,
                  tr("The setting file could not be written to %s: %s"), "SET File");
}

void ProgramEngine::uploadDone()
{
    if (checksumDisplayPending_) {
        screen_.setStatus(QString(30, QLatin1Char(' ')));
        checksumDisplayPending_ = false;
        showChecksumDisplay();
        return;
    }
    writeSRecords(uploadPath_, ctx_->uploadBuffer, uploadBlock_.size(), ctx_->hexStart, ctx_->hexSize);
}

void ProgramEngine::firmwareDone(bool showBox, std::function<void()> then)
{
    sleep(opt_.firmwareWaitMs, [this, showBox, then] {
        if (showBox) message(tr("The renewal of the firmware was completed."), Icon::Warning);
        issue(cmd::Start);
        if (then) then();
    });
}

// ---- Device Setup -------------------------------------------------------------------------------------
void ProgramEngine::deviceSetup(bool logLine)
{
    if (logLine) log(QStringLiteral(">>COMMAND: Device Setup"));
    SetupDialogLogic::Inputs in;
    const uint8_t* rec = ctx_->settingsRecord;
    in.prmName = prmJustSent_ && prmBuffer_ ? fieldText(prmBuffer_->prmImage + 16, 30) : fieldText(rec + 0x10, 30);
    in.setName = fieldText(rec + 0x30, 32).trimmed();
    in.hexName = fieldText(reinterpret_cast<const uint8_t*>(ctx_->hexFileName), sizeof ctx_->hexFileName);
    in.caption = id_.caption;
    in.gangBox = id_.gangBox;
    in.slotCount = QMR_SET_ENTRIES;
    in.columns = id_.listColumns;
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
    setupOpening();
    bool ok = screen_.runSetupDialog(dialog);
    activeSetup_ = nullptr;
    setupClosed();
    if (ending_) return;
    if (ok) {
        setFromDisk_ = false;
        issue(cmd::SetSend);
    } else {
        std::memcpy(&ctx_->prm, savedPrm.get(), sizeof(PrmRecord));
        std::memcpy(ctx_->settingsRecord, savedSet.data(), savedSet.size());
        ctx_->settingsNumber = savedNumber;
    }
}

// ---- setting and parameter files ---------------------------------------------------------------------------
void ProgramEngine::parameterSend()
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
    const QString registration = fmt(tr("%s / Parameter registration"), s8(id_.caption).constData());
    if (screen_.message({fmt(tr("May I register %s ? "), s8(a.path).constData()), registration, Icon::Question,
                         Buttons::OkCancel}) != Answer::Ok)
        return;
    QMRFreePRM(prmBuffer_);
    prmBuffer_ = nullptr;
    log(QStringLiteral(">> ParameterFile Reading...."));
    prmBuffer_ = QMRReadPRM(a.path.toUtf8().constData(), 0);
    if (!prmBuffer_) {
        log(QStringLiteral("ParameterFile Read Error"));
        InputFile problem = checkInputFile(a.path.toStdString());
        QString why = problem == InputFile::Ok ? tr("is larger than a parameter file") : inputProblem(problem);
        message(fmt(tr("The parameter file %s %s."), s8(a.path).constData(), s8(why).constData()), Icon::Error);
        return;
    }
    log(QStringLiteral("Success Read ParameterFile."));
    if (!ctx_) {
        issue(cmd::PrmSend);  // logs its tag and says the library is missing
        return;
    }
    std::memcpy(&ctx_->prm, prmBuffer_, sizeof(PrmRecord));
    switch (checkParameterRecord(*prmBuffer_)) {
    case PrmFileCheck::ChecksumError:
        message(tr("It is a checksum, error"), Icon::Warning);
        log(QStringLiteral("ParameterFile Check sum Error"));
        return;
    case PrmFileCheck::TooNew:
        message(tr("It doesn't cope with this parameter file. \n Upgrade the GUI.  "), Icon::Warning);
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
                             registration, Icon::Question, Buttons::OkCancel}) != Answer::Ok)
            return;
        if (std::memcmp(prmIdentity(ctx_->settingsRecord), id, 4) == 0) setupAfterStart_ = true;
    }
    prmJustSent_ = true;
    issue(cmd::PrmSend);
}

void ProgramEngine::settingDownload()
{
    clearLog(true);
    FileRequest req;
    req.folderKey = QStringLiteral("set");
    req.filters = {{tr("Setting files(*.set)"), QStringLiteral("*.set")}};
    req.defaultSuffix = QStringLiteral("set");
    SetRecord rec;
    QString path;
    for (;;) {
        FileAnswer a = screen_.openFile(req);
        if (!a.chosen) return;
        path = q(setFilePathFor(a.path.toStdString()));
        InputFile problem = InputFile::Ok;
        SetFileResult result = readSetFile(path.toStdString(), rec, &problem);
        if (result == SetFileResult::Ok) break;
        if (problem == InputFile::Missing) {
            if (screen_.message({tr("SET File doesn't exist. Do you continue the management? "), tr("Confirmation"),
                                 Icon::Question, Buttons::YesNo}) == Answer::Yes)
                continue;
            return;
        }
        if (result == SetFileResult::WrongSize) {
            message(fmt(tr("%s is not a setting file (a setting file holds 16384 bytes)."), s8(path).constData()), Icon::Error);
            return;
        }
        message(fmt(tr("The file %s %s."), s8(path).constData(), s8(inputProblem(problem)).constData()), Icon::Error);
        return;
    }
    if (!ctx_) {
        issue(cmd::SetSend);
        return;
    }
    bool known = false;
    const uint8_t* id = prmIdentity(reinterpret_cast<const uint8_t*>(&rec));
    for (const PrmListEntry& e : prmList()) known |= std::memcmp(e.id.data(), id, 4) == 0;
    if (!known) {
        message(tr("A parameter file doesn't exist"), Icon::Error);
        return;
    }
    int slot = chooseSlot(ListMode::Registration);
    if (slot < 0) return;
    ctx_->settingsNumber = static_cast<uint8_t>(slot);
    if (setFileTooNew(rec)) {
        message(tr("It doesn't cope with this setting file. \n Upgrade the GUI.  "), Icon::Warning);
        log(QStringLiteral("SettingFile Version Error"));
        return;
    }
    std::memcpy(ctx_->settingsRecord, &rec, sizeof rec);
    setFromDisk_ = true;
    issue(cmd::SetSend);
}

void ProgramEngine::settingUpload()
{
    clearLog(true);
    int slot = chooseSlot(ListMode::Upload, &setUploadPath_);
    if (slot < 0) return;
    ctx_->settingsNumberChosen = static_cast<uint8_t>(slot);
    issue(cmd::SetUpload);
}

void ProgramEngine::settingDelete()
{
    clearLog(true);
    int slot = chooseSlot(ListMode::Delete);
    if (slot < 0) return;
    ctx_->setDeleteNumber = static_cast<uint8_t>(slot);
    issue(id_.setDeleteCommand);
}

int ProgramEngine::chooseSlot(ListMode mode, QString* path)
{
    SettingListLogic list(screen_, mode, slotRows(), prmList(), defaultSlot(), QMR_SET_ENTRIES);
    list.setColumns(id_.listColumns);
    if (!screen_.runSettingList(list)) return -1;
    if (path) *path = list.path();
    return list.slot();
}

bool ProgramEngine::writeUserFile(const QString& path, const void* data, size_t n, const QString& failure, const char* kind)
{
    std::string why;
    if (!writeWholeFile(path.toStdString(), data, n, &why)) {
        message(fmt(failure, s8(path).constData(), why.c_str()), Icon::Error);
        log(fmt(QStringLiteral("%s not written: %s: %s"), kind, s8(path).constData(), why.c_str()));
        return false;
    }
    log(fmt(QStringLiteral("%s written: %s"), kind, s8(path).constData()));
    return true;
}

// ---- image files ------------------------------------------------------------------------------------------
bool ProgramEngine::openLoader(const QString& path, uint32_t firmwareCheck)
{
    if (hex_) QMRHexClose(hex_);
    hex_ = nullptr;
    // The loader keeps at most 255 characters of the name (a longer path is
    // handed over by a descriptor held open on the file).
    loaderPath_ = std::make_unique<LoaderPath>(QFileInfo(path).absoluteFilePath().toStdString());
    hex_ = QMRHexOpen(loaderPath_->c_str(), loaderPort_.window(), QMR_MSG_HEXLOADED, nullptr, 0, firmwareCheck);
    return hex_ != nullptr;
}

void ProgramEngine::loadImage()
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
                           : fmt(tr("The file %s %s."), s8(a.path).constData(), s8(inputProblem(problem)).constData());
        message(text, tr("Warning "), Icon::Information, true);
        return;
    }
    log(QStringLiteral(">> LoadFile Reading...."));
    if (ctx_) {
        const HexProgressRecord& t = hex_->ring[0];
        auto part = [](int32_t v, unsigned range) { return static_cast<unsigned>(v) % range; };
        std::snprintf(ctx_->hexTimestamp, sizeof ctx_->hexTimestamp, "%04u%02u%02u%02u%02u%02u", part(t.year, 10000),
                      part(t.month, 100), part(t.day, 100), part(t.hour, 100), part(t.minute, 100), part(t.second, 100));
    }
    imageLoadPending_ = true;
}

bool ProgramEngine::takeFirmware(const HexContext& hex)
{
    uint32_t size = hex.imageSize < QMR_IMAGE_ALLOC ? hex.imageSize : QMR_IMAGE_ALLOC;
    try {
        firmwareCopy_.assign(hex.imageBuffer, hex.imageBuffer + size);
    } catch (const std::bad_alloc&) {
        log(QStringLiteral("Cancel HEX Load File."));
        return false;
    }
    ctx_->firmwareImage = firmwareCopy_.data();
    ctx_->firmwareSize = size;
    ctx_->hexSum = hex.imageSum;
    return true;
}

void ProgramEngine::onLoaderMessage()
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
                                             nullptr, " チェックサムエラーです "};
        QString text = r->result == QMR_HEX_EMARKER        ? QString::fromUtf8(id_.loaderMarkerText)
                       : r->result >= 1 && r->result <= 5 ? QString::fromUtf8(kTexts[r->result])
                                                           : QString::asprintf("result %d", r->result);
        screen_.message({text, id_.loaderErrorCaption, Icon::Error, Buttons::Ok, true});
        imageLoadPending_ = false;
        return;
    }
    if (!(r->phase == 5 && r->percent == 100)) return;
    log(QString::fromUtf8(r->text));
    screen_.setProgress(0);
    if (imageLoadPending_) {
        imageLoadPending_ = false;
        if (!ctx_) return;
        if (id_.imageLimit && hex_->imageSize > id_.imageLimit) {
            message(tr("File beyond 4MByte can't handle it"), tr("Warning"), Icon::Error, true);
            return;
        }
        uint32_t size = hex_->imageSize < QMR_IMAGE_ALLOC ? hex_->imageSize : QMR_IMAGE_ALLOC;
        try {
            imageCopy_.assign(hex_->imageBuffer, hex_->imageBuffer + size);
        } catch (const std::bad_alloc&) {
            log(QStringLiteral("Cancel HEX Load File."));
            return;
        }
        ctx_->hexSize = size;
        ctx_->hexStart = hex_->imageStart;
        ctx_->hexHighest = hex_->highestAddress;
        ctx_->hexImage = imageCopy_.data();
        ctx_->hexSum = hex_->imageSum;
        std::memset(ctx_->hexFileName, 0, sizeof ctx_->hexFileName);
        QByteArray name = imageName_.toUtf8().left(sizeof ctx_->hexFileName - 1);
        std::memcpy(ctx_->hexFileName, name.constData(), static_cast<size_t>(name.size()));
        ctx_->hexCrc = checks::crc32Bzip2(imageCopy_.data(), imageCopy_.size());
        issue(cmd::HexDownload);
        return;
    }
    if (firmwareLoadKind_) {
        uint32_t kind = firmwareLoadKind_;
        firmwareLoadKind_ = 0;
        firmwareLoaded(kind, *hex_);
    }
}

QString ProgramEngine::chooseSRecordFile(const char* cancelLine)
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

void ProgramEngine::chooseUploadFile()
{
    log(QStringLiteral(">>COMMAND: HEX Upload "));
    QString path = chooseSRecordFile("Cancel Upload File.");
    if (path.isEmpty()) return;
    uploadPath_ = path;
    issue(cmd::HexUpload);
}

void ProgramEngine::writeSRecords(const QString& path, const uint8_t* buffer, size_t size, uint32_t start, uint32_t end)
{
    if (path.isEmpty() || !buffer) return;
    std::string text = sRecordText(buffer, size, start, end);
    writeUserFile(path, text.data(), text.size(), tr("The S-record file could not be written to %s: %s"), "S-record file");
}

void ProgramEngine::showChecksumDisplay()
{
    Fp4Sums sums = fp4Sums(ctx_->uploadBuffer, ctx_->hexSize);
    std::string text = checksumDisplayText(ctx_->hexSize, unitChecksumText_.toStdString(), sums, translateFor);
    screen_.message({q(text), tr("Checksum"), Icon::Information, Buttons::Ok, false, true});
}

void ProgramEngine::unitFirmwareUpdate(bool clearFirst)
{
    QString path;
    if (firmwareUpdatePending_) {
        path = q(intermediateFirmwarePath(opt_.programFolder.toStdString()));
    } else {
        if (clearFirst) clearLog(true);
        log(QStringLiteral(">>COMMAND: Update Firmware"));
        if (firmwareResume_) {
            path = firmwareChosenFile_;
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
            path = firmwareChosenFile_ = a.path;
        }
    }
    if (openLoader(path, QMR_FW_CHECK_UNIT)) {
        log(QStringLiteral(">> LoadFile Reading...."));
        firmwareLoadKind_ = QMR_FW_CHECK_UNIT;
        return;
    }
    screen_.message({tr("Because there was no arbitrary file, FW update couldn't be done "), tr("Warning "), Icon::Error,
                     Buttons::Ok, true});
    firmwareResume_ = firmwareUpdatePending_ = false;
}

// ---- the unit's lists ------------------------------------------------------------------------------------
QList<SlotRow> ProgramEngine::slotRows() const
{
    QList<SlotRow> rows;
    if (!ctx_) return rows;
    for (int i = 0; i < QMR_SET_ENTRIES; ++i) {
        const uint8_t* e = ctx_->setNameList[i];
        SlotRow r;
        r.prmName = fieldText(e + 1, 32).trimmed();
        r.setName = fieldText(e + 33, 32).trimmed();
        rows.append(r);
    }
    return rows;
}

QList<PrmListEntry> ProgramEngine::prmList() const
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

int ProgramEngine::defaultSlot() const
{
    return ctx_ && ctx_->setValid && ctx_->settingsNumberValid ? ctx_->settingsNumber : -1;
}

}  // namespace qmr::app
