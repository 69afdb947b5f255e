// The gang program's main view without its widgets: the gang box's rules on
// the program engine — its command numbers and table, per-unit progress and
// results in eight columns, its completions and failure table with the
// per-unit error list, the serial numbers of the eight positions and the
// list of the numbers failed devices used up, the read-out socket by socket,
// the start-button watcher, and the firmware updates of the gang box and its
// units.  It reaches the screen only through GangScreen.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/engine.h"
#include "gang/gangscreen.h"
#include "gang/serialsettings.h"
#include "qmr.h"

namespace qmr::app {

// The gang program's numbers above the ones both programs share.
namespace gangcmd {
constexpr int GangFirmware = 28;   // tagA 27, to the gang box
constexpr int UnitFirmware = 29;   // tagA 27, to its units
constexpr int SetDelete = 30;
constexpr int SysWrite = 33;
constexpr int ReadSocket = 34;
constexpr int ButtonInfo = 35;
constexpr int ButtonMask = 36;
}  // namespace gangcmd

// The busy word the start-button watcher reads.
enum GuiBusy : int { kGuiIdle = 0, kGuiBusy = 1, kGuiClosing = 99 };

struct GangOptions : EngineOptions {
    // The start-button watcher: a short sleep, then the long one before it
    // asks (about once every 0.85 s while the program is idle).
    int watchShortMs = 50;
    int watchLongMs = 800;
};

class GangLogic : public ProgramEngine {
    Q_DECLARE_TR_FUNCTIONS(GangLogic)
public:
    using Options = GangOptions;
    GangLogic(GangScreen& screen, Options options);
    ~GangLogic() override;  // the watcher ends first

    void start();
    void trigger(GangAction a);
    // The form's "ｼﾘｱﾙNo.付EPV" box.
    void setSerialEpv(bool on);
    // The watcher's message: asks the gang box for its start button when idle.
    void onButtonPoll();

    ActionState actions() const override;
    const GangForm& form() const { return form_; }
    const UnitColumns& units() const { return units_; }
    const SerialBox& serialBox() const { return serialBox_; }
    const QString& missingNumbers() const { return missingNumbers_; }
    GangAbout aboutTexts() const { return about_; }
    const SerialSettings& serialSettings() const { return serial_; }
    int guiBusy() const { return guiBusy_.load(); }
    bool commandsAllowed() const { return commandsAllowed_; }
    bool watcherRunning() const { return watcher_.joinable(); }
    int presentUnits() const { return presentUnits_; }

protected:
    void showRecord(const ProgressRecord& r) override;
    void beforeProgressPoll() override;
    void prepareCommand(const CommandRow& c) override;
    void onIssue(const CommandRow& c) override;
    void becameIdle() override;
    void completion(const ProgressRecord& r) override;
    void failure(const ProgressRecord& r) override;
    void recomputeDeviceReady() override;
    void clearLog(bool statusToo) override;
    void firmwareLoaded(uint32_t kind, const HexContext& hex) override;
    void setupOpening() override { guiBusy_ = kGuiBusy; }

private:
    bool present(int i) const;  // position 0..7 holds a unit
    const UnitSlot& slot(int i) const { return ctx_->units[i]; }
    void pushUnits();
    void drawUnitImages();
    void markUnits();
    void showUnitProgress();
    void refreshForm();
    void firmwareAgeChecks();
    void startWatcher();
    void watch();
    void startEpv();
    void serialResults();
    void serialSettingsDialog();
    void showSerialSettings();
    void readSockets();
    void gangFirmwareUpdate();
    void deviceResults(const ProgressRecord& r, bool setReady);
    void afterError();

    GangScreen& gang_;
    GangOptions gopt_;
    GangForm form_;
    GangAbout about_;
    UnitColumns units_;
    bool commandsAllowed_ = true;
    int presentUnits_ = 0;
    bool linkReady_ = false;
    bool serialEpvOn_ = false;
    SerialSettings serial_;
    std::array<uint64_t, kUnitPositions> serialNumbers_{};  // of the running serial-number EPV
    SerialBox serialBox_;
    QString missingNumbers_;
    std::array<bool, kUnitPositions> readSockets_{};
    int readCount_ = 0, readSocket_ = 0;
    std::array<QString, kUnitPositions> readFileNames_;

    // The start-button watcher, the program's one extra thread.
    std::atomic<int> guiBusy_{kGuiIdle};
    std::thread watcher_;
    std::mutex watchMutex_;
    std::condition_variable watchWake_;
};

}  // namespace qmr::app
