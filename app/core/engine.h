// The engine under a program's main view, without widgets and without
// anything of one program: it owns the library context and the blocks the
// program lends it, runs every command through the two-phase dispatch (the
// link is reset, the command starts on the reset's idle record), asks for
// the progress of device operations, keeps the waits that hold back what
// arrives meanwhile, the log pane and its trace box, the menu bar's graying,
// the unit's lists, the flows of parameter, setting, image and firmware
// files, S-record files and the checksum display.  A program gives it its
// command table and identity and adds its own rules: how it shows a record,
// its completions, its failure table, its form and its menus.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "core/commands.h"
#include "core/inputfile.h"
#include "core/notify.h"
#include "core/screen.h"
#include "core/settinglist.h"
#include "qmr.h"

namespace qmr::app {

class SetupDialogLogic;

// Who the program is: its name in the frame's title and its boxes, and what
// differs between the programs in the dialogs they share.
struct ProgramIdentity {
    QString caption;                     // "Quillmarker": the frame's title, the boxes' caption
    QString noPrmCaption;                // the boxes that ask for a parameter file when there is no library
    QString loaderErrorCaption;          // the caption of the image loader's error box
    const char* loaderMarkerText = "";   // the loader's text for an image without the firmware marker
    const char* startTimeoutText = "";   // the start command did not finish (marked in the "ProgramEngine" context)
    const char* resetLine = nullptr;     // logged when a command resets the link
    int setDeleteCommand = 0;            // the number the setting delete is issued with
    // The image download refuses images above this size (0: only the 8 MB
    // the loader takes).
    uint32_t imageLimit = 0;
    bool gangBox = false;                // the gang box's Setup dialog
    ListColumns listColumns;
};

struct EngineOptions {
    bool english = true;
    QString programFolder;     // where the intermediate firmware lies
    int startupWaitMs = 500;   // before the first start command
    int completionWaitMs = 100;
    int firmwareWaitMs = 3000;
    // Opens the library context (tests stand in a failing one).
    std::function<FlshContext*(QmrWindow*, uint32_t)> open = [](QmrWindow* w, uint32_t m) {
        return QMRFlshOpen(w, m, nullptr);
    };
};

class ProgramEngine : public QObject {
    Q_DECLARE_TR_FUNCTIONS(ProgramEngine)
public:
    ProgramEngine(Screen& screen, ProgramIdentity identity, std::vector<CommandRow> commands, EngineOptions options);
    // The shutdown: the quit message (not after a broken link), the
    // parameter record, the loader and the context, in that order.
    ~ProgramEngine() override;

    // The trace box ("ﾄﾚｰｽ表示").
    void setTrace(bool on);
    void timerFired(Timer t);
    // Closing the frame: true when the user confirms.
    bool confirmExit();

    // ---- state, for the window and for tests
    FlshContext* context() const { return ctx_; }
    virtual ActionState actions() const = 0;
    const QString& logText() const { return logText_; }
    bool linkIdle() const { return linkIdle_; }
    // No command runs (in the program or in the library), none waits to
    // start and the program does not wait.
    bool idle() const
    {
        return linkIdle_ && !asleep_ && pendingCommand_ == 0 && deferred_.empty() && !libraryBusy_ && quietQueue_.empty();
    }
    bool deviceReady() const { return deviceReady_; }
    bool traceOn() const { return traceOn_; }
    bool ending() const { return ending_; }
    bool usbError() const { return usbError_; }
    // How often the program asked for the next progress report.
    int progressRequests() const { return progressRequests_; }
    const ProgramIdentity& identity() const { return id_; }
    // What the unit holds, as its lists tell.
    QList<SlotRow> unitSettingSlots() const { return slotRows(); }
    QList<PrmListEntry> unitParameterFiles() const { return prmList(); }

    // ---- the library's announcements
    void onProgressMessage();
    void onLoaderMessage();

protected:
    // ---- start-up: opens the context (after openingLine, when given) and
    // lends it the 8 MB upload and 4 MB read blocks.
    void openContext(const char* openingLine);
    const CommandRow* byPending(int pending) const;
    const CommandRow* byTag(int tagA) const;

    // ---- dispatch
    void issue(int pending);
    void callExport(int pending);
    // Runs f now, or after the wait when the program waits.
    void enter(std::function<void()> f);
    // Runs f once the program is quiet: it does not wait, no command waits to
    // start and the library runs none (a command the user starts while one
    // that keeps the menus open still runs would lose its reset).
    void whenQuiet(std::function<void()> f);
    // The window thread's sleeps, kept as waits that let the event loop run:
    // what arrives meanwhile is handled afterwards, in order.
    void sleep(int ms, std::function<void()> then);
    // After a completion: the wait, then the bar back to 0 and idle.
    void finishCommand();
    // After a failure record: the bar, the pending command, deviceReady,
    // idle and the menu bar.
    void afterFailure();

    // ---- what a program adds
    // How a record shows: the log line, the status line and the bar.
    virtual void showRecord(const ProgressRecord& r);
    // A device operation's first unfinished record, just before the poll.
    virtual void beforeProgressPoll() {}
    // The reset's idle record, just before the pending command starts.
    virtual void beforePendingCommand() {}
    // Just before a command's export is called (its number is in tagA).
    virtual void prepareCommand(const CommandRow&) {}
    // A command is issued (after the log and the menus).
    virtual void onIssue(const CommandRow&) {}
    // The program is idle again after a completion.
    virtual void becameIdle() {}
    virtual void completion(const ProgressRecord& r) = 0;
    virtual void failure(const ProgressRecord& r) = 0;
    virtual void recomputeDeviceReady();
    // A firmware image has loaded (kind: the check it was loaded with).
    virtual void firmwareLoaded(uint32_t kind, const HexContext& hex) = 0;
    // Device Setup opens and closes its dialog.
    virtual void setupOpening() {}
    virtual void setupClosed() {}

    // ---- the log pane, the status line, the menus
    void log(const QString& line);
    virtual void clearLog(bool statusToo);
    void grayMenuBar();
    void enableMenuBar();
    void pushActions();
    void message(const QString& text, const QString& caption, Icon icon, bool taskModal = false);
    void message(const QString& text, Icon icon, bool taskModal = false) { message(text, id_.caption, icon, taskModal); }
    void endProgram();
    // The box an idle record with an error code shows before the program ends.
    void idleError(const ProgressRecord& r);

    // ---- completions both programs have
    // The start command or the image information has completed: the HEX
    // group shows the unit's image (name, time stamp, CRC).
    void takeUnitImage(int command);
    // The unit checksum: "CheckSum> XXXX", then the image upload for the display.
    void unitChecksumDone(bool forceTrace);
    void writeUploadedSetting();
    // The image upload has completed: the checksum display or the S-record file.
    void uploadDone();
    // A firmware update has completed: the wait, the box (when asked), then
    // the start command; then `then`.
    void firmwareDone(bool showBox, std::function<void()> then);
    void deviceSetup(bool logLine);

    // ---- flows of files
    void parameterSend();
    void settingDownload();
    void settingUpload();
    void settingDelete();
    // The unit's setting list in this mode: the chosen slot, -1 when cancelled.
    int chooseSlot(ListMode mode, QString* path = nullptr);
    void loadImage();
    // The save dialog of the S-record files; an empty path when cancelled,
    // after logging cancelLine.
    QString chooseSRecordFile(const char* cancelLine);
    void chooseUploadFile();
    // The unit firmware: the chosen file (or the intermediate one, or the
    // chosen one again), loaded with the unit firmware check.
    void unitFirmwareUpdate(bool clearFirst);
    bool openLoader(const QString& path, uint32_t firmwareCheck);
    // Takes the loaded firmware into the context; false (after the log line) when it cannot.
    bool takeFirmware(const HexContext& hex);
    void writeSRecords(const QString& path, const uint8_t* buffer, size_t size, uint32_t start, uint32_t end);
    // A file the user asked for, written whole or not at all; a failure is
    // told in a box (failure: "... %s: %s", the path and the reason) and in the log.
    bool writeUserFile(const QString& path, const void* data, size_t n, const QString& failure, const char* kind);
    void showChecksumDisplay();

    // ---- the unit's lists
    QList<SlotRow> slotRows() const;
    QList<PrmListEntry> prmList() const;
    int defaultSlot() const;

    Screen& screen_;
    ProgramIdentity id_;
    std::vector<CommandRow> commands_;
    EngineOptions opt_;
    FlshContext* ctx_ = nullptr;
    NotifyPort mainPort_, setupPort_, dialogPort_, loaderPort_;
    SetupDialogLogic* activeSetup_ = nullptr;
    // The dialog that holds the announcements on dialogPort_, when one does.
    std::function<void()> dialogRecords_;

    // the view's state
    int pendingCommand_ = 0;
    bool linkIdle_ = false, deviceReady_ = false, traceOn_ = false;
    std::array<bool, 4> menus_{{true, true, true, true}};
    QString logText_;
    QElapsedTimer clock_;
    qint64 commandStartTime_ = 0;
    bool firstStartDone_ = false;
    bool checksumDisplayPending_ = false;
    bool imageLoadPending_ = false;
    uint32_t firmwareLoadKind_ = 0;  // the check of the firmware being loaded, 0 none
    bool firmwareUpdatePending_ = false, firmwareResume_ = false;
    QString firmwareChosenFile_;
    bool setupAfterStart_ = false;
    bool setFromDisk_ = false;  // the setting send comes from a disk file
    bool prmJustSent_ = false;
    bool ending_ = false, usbError_ = false;
    QString uploadPath_, setUploadPath_, imageName_;
    QString unitChecksumText_;

    // blocks the program lends the library
    std::vector<uint8_t> uploadBlock_, readBlock_, imageCopy_, firmwareCopy_;
    PrmRecord* prmBuffer_ = nullptr;
    HexContext* hex_ = nullptr;
    std::unique_ptr<LoaderPath> loaderPath_;  // the name the loader has the file by

    int progressRequests_ = 0;

    // The program waits for nothing and the library runs no command.
    bool quiet() const { return !asleep_ && pendingCommand_ == 0 && !libraryBusy_; }

private:
    void drainQuiet();
    void handleRecord(const ProgressRecord& r, bool finished);
    bool asleep_ = false;
    bool libraryBusy_ = false;  // from a command's export to its final record
    std::function<void()> wake_;
    std::deque<std::function<void()>> deferred_;
    std::deque<std::function<void()>> quietQueue_;
};

}  // namespace qmr::app
