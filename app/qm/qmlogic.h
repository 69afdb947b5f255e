// The single-unit program's main view without its widgets: it owns the
// library context, runs every command through the two-phase dispatch (reset,
// then the command on the reset's idle record), follows the progress
// records, runs the completion chains and the failure table, keeps the
// menu-enabling rules and the form's texts, and the file flows of setting,
// parameter, image and firmware files.  It reaches the screen only through
// Screen.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "core/notify.h"
#include "core/screen.h"
#include "core/settinglist.h"
#include "qmr.h"

namespace qmr::app {

// The program's numbering of library commands (stored in tagA, and for the
// device operations in tagB).
enum Command : int {
    cmdNone = 0,
    cmdBlank = 1,
    cmdErase = 2,
    cmdProgram = 3,
    cmdVerify = 4,
    cmdSecurity = 5,
    cmdUnitChecksum = 6,
    cmdDeviceChecksum = 7,
    cmdEpv = 8,
    cmdExpEpv = 9,
    cmdSignature = 10,
    cmdStart = 12,
    cmdPrmSend = 13,
    cmdSetSend = 16,
    cmdSetUpload = 17,
    cmdLogInfo = 19,
    cmdLogClear = 20,
    cmdHexDownload = 21,
    cmdHexUpload = 22,
    cmdHexInfo = 23,
    cmdSetPrmUpload = 24,
    cmdPrmSetList = 25,
    cmdProgress = 26,
    cmdFirmware = 27,
    cmdSetDelete = 28,
    cmdSysWrite = 31,
    cmdRead = 32,
};

class QmLogic : public QObject {
    Q_DECLARE_TR_FUNCTIONS(QmLogic)
public:
    struct Options {
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
    QmLogic(Screen& screen, Options options);
    ~QmLogic() override;  // the shutdown: quit message, buffers, loader, context

    // Opens the context and issues the first start command.
    void start();
    // A menu or toolbar command.
    void trigger(Action a);
    // The "ﾄﾚｰｽ表示" box.
    void setTrace(bool on);
    void timerFired(Timer t);
    // Closing the frame: true when the user confirms.
    bool confirmExit();

    // State, for the window and for tests.
    FlshContext* context() const { return ctx_; }
    ActionState actions() const;
    const FormTexts& form() const { return form_; }
    const QString& logText() const { return logText_; }
    bool linkIdle() const { return linkIdle_; }
    // No command runs, none waits to start and the view does not wait.
    bool idle() const { return linkIdle_ && !asleep_ && pendingCommand_ == 0 && deferred_.empty(); }
    bool deviceReady() const { return deviceReady_; }
    bool traceOn() const { return traceOn_; }
    bool ending() const { return ending_; }
    bool usbError() const { return usbError_; }
    AboutTexts aboutTexts() const { return about_; }
    // How often the view asked for the next progress report.
    int progressRequests() const { return progressRequests_; }

    // Library entry points the tests reach directly.
    void onProgressMessage();
    void onLoaderMessage();

private:
    struct CommandInfo;
    static const CommandInfo* info(int command);
    // ---- dispatch
    void issue(int command);
    void startPending();
    void callExport(int command);
    void completion(const ProgressRecord& r, std::function<void()> then);
    void failure(const ProgressRecord& r);
    void afterCompletion();
    // ---- the sleeps of the window thread, kept as waits that let the event
    // loop run: what arrives meanwhile is handled afterwards, in order.
    void sleep(int ms, std::function<void()> then);
    void enter(std::function<void()> f);
    // ---- state
    void log(const QString& line);
    void clearLog(bool statusToo);
    void grayMenuBar();
    void enableMenuBar();
    void recomputeDeviceReady();
    void pushActions();
    void refreshForm();
    void takeUnitImage();
    void message(const QString& text, const QString& caption, Icon icon, bool taskModal = false);
    void endProgram();
    // ---- flows
    void deviceSetup();
    void loadImage();
    QString chooseSRecordFile(const char* cancelLine);
    void chooseUploadFile();
    void chooseReadFile();
    void firmwareUpdate();
    void parameterSend();
    void settingDownload();
    void settingUpload();
    void settingDelete();
    // The unit's setting list in this mode: the chosen slot, -1 when cancelled.
    int chooseSlot(ListMode mode, QString* path = nullptr);
    void serialEpv();
    void about();
    void logHistory();
    void writeSRecords(const QString& path, const uint8_t* buffer, size_t size, uint32_t start, uint32_t end);
    void writeUploadedSetting();
    void writeUserFile(const QString& path, const void* data, size_t n, const QString& failure, const char* kind);
    void showChecksumDisplay();
    bool openLoader(const QString& path, uint32_t firmwareCheck);
    QList<SlotRow> slotRows() const;
    QList<PrmListEntry> prmList() const;
    int defaultSlot() const;

    Screen& screen_;
    Options opt_;
    FlshContext* ctx_ = nullptr;
    NotifyPort mainPort_, setupPort_, serialPort_, loaderPort_;
    SetupDialogLogic* activeSetup_ = nullptr;
    SerialEpvLogic* activeSerial_ = nullptr;

    // the view's state
    int pendingCommand_ = 0;
    bool linkIdle_ = false, deviceReady_ = false, traceOn_ = false;
    std::array<bool, 4> menus_{{true, true, true, true}};
    QString logText_;
    QElapsedTimer clock_;
    qint64 commandStartTime_ = 0;
    bool firstStartDone_ = false;
    bool checksumDisplayPending_ = false;
    bool firmwareUpdatePending_ = false, firmwareLoadPending_ = false, firmwareResume_ = false;
    bool imageLoadPending_ = false;
    bool setupAfterStart_ = false;
    bool setFromDisk_ = false;        // the setting send comes from a disk file
    bool prmJustSent_ = false;
    bool ending_ = false, usbError_ = false;
    bool deviceInfoRead_ = false;
    QString uploadPath_, readPath_, setUploadPath_, firmwarePath_, imageName_;
    QString unitChecksumText_;
    FormTexts form_;
    AboutTexts about_;

    // buffers the program owns
    std::vector<uint8_t> uploadBlock_, readBlock_, imageCopy_, firmwareCopy_;
    PrmRecord* prmBuffer_ = nullptr;
    HexContext* hex_ = nullptr;

    // the waits
    bool asleep_ = false;
    std::function<void()> wake_;
    std::deque<std::function<void()>> deferred_;
    int progressRequests_ = 0;
};

}  // namespace qmr::app
