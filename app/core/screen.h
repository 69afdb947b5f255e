// The one narrow interface through which the programs' logic reaches the
// screen: message boxes, file dialogs, the form's fields, progress bar,
// status line and log pane, menu and toolbar states, the wait cursor,
// timers, the modal dialogs and ending the program.  The windowed programs
// implement it with Qt widgets; tests implement it with a scripted double
// that answers dialogs and records everything shown.
#pragma once

#include <QList>
#include <QString>

#include <array>

#include "setrecord/messagebox.h"

namespace qmr::app {

class SetupDialogLogic;
class SettingListLogic;
class SettingUpdateLogic;
class LogHistoryLogic;
class SerialEpvLogic;

enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

struct Message {
    QString text;
    QString caption;
    Icon icon = Icon::Error;
    Buttons buttons = Buttons::Ok;
    bool taskModal = false;
    bool fixedPitch = false;  // a table of values that lines up in columns
};

struct FileFilter {
    QString label;     // "Setting files(*.set)"
    QString patterns;  // "*.set", several separated by ';'
};

struct FileRequest {
    QString folderKey;         // each kind of file remembers its own folder
    QList<FileFilter> filters;
    QString defaultSuffix;     // appended when the name has none ("set")
    QString initialName;       // "*.hex;*.s"
    bool overwritePrompt = false;
    bool securityBox = false;  // the open dialog with the security check box
};

struct FileAnswer {
    bool chosen = false;
    QString path;
    bool security = false;     // the security box's state
};

// What the main form shows.
struct FormTexts {
    QString setting, parameter, device, voltage, oscillator, method, speed, mode;
    QString hexName, hexTime, hexCrc;
};

// The commands of the menus and the toolbar.
enum class Action {
    HexDownload, HexUpload, ChecksumDisplay, PrmDownload, SetDownload, SetUpload, SetDelete, Exit,
    Setup, LogHistory, Firmware,
    Blank, Erase, Program, Verify, Epv, SerialEpv, Read, Security, Checksum, Signature,
    About,
    Count
};
constexpr int kActions = static_cast<int>(Action::Count);

struct ActionState {
    std::array<bool, 4> menus{{true, true, true, true}};  // the top-level menus by position
    std::array<bool, kActions> enabled{};                 // each command by itself
    bool busy = false;                                    // a command runs: the wait cursor
    bool isEnabled(Action a) const { return enabled[static_cast<size_t>(a)]; }
};

struct AboutTexts {
    QString firmware, gui, library, serial;
};

enum class Timer { StartTimeout, Wake };

class Screen {
public:
    virtual ~Screen() = default;

    virtual Answer message(const Message& m) = 0;
    virtual FileAnswer openFile(const FileRequest& r) = 0;
    virtual FileAnswer saveFile(const FileRequest& r) = 0;

    virtual void showForm(const FormTexts& f) = 0;
    virtual void setProgress(int percent) = 0;
    virtual void setStatus(const QString& text) = 0;
    virtual void appendLog(const QString& line) = 0;
    virtual void clearLog() = 0;
    virtual void showActions(const ActionState& s) = 0;

    // One-shot timers; the logic's timerFired(t) runs when one expires.
    virtual void startTimer(Timer t, int ms) = 0;
    virtual void stopTimer(Timer t) = 0;

    // Modal dialogs over their logic; true when they close with OK.
    virtual bool runSetupDialog(SetupDialogLogic& d) = 0;
    virtual bool runSettingList(SettingListLogic& d) = 0;
    virtual bool runSettingUpdate(SettingUpdateLogic& d) = 0;
    virtual bool runLogHistory(LogHistoryLogic& d) = 0;
    // The serial-number EPV dialog stays open across devices until closed.
    virtual void runSerialEpv(SerialEpvLogic& d) = 0;
    virtual void showAbout(const AboutTexts& t) = 0;

    // Ends the program with this exit status, without asking.
    virtual void endProgram(int status) = 0;
};

}  // namespace qmr::app
