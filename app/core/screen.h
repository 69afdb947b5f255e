// The one narrow interface through which a program's logic reaches the
// screen: message boxes, file dialogs, the progress bar, the status line and
// the log pane, the menu and toolbar states, the wait cursor, timers, the
// modal dialogs both programs have and ending the program.  What only one
// program shows (its form, its About box, its own dialogs) is that program's
// extension of it.  The windowed programs implement it with Qt widgets;
// tests implement it with a scripted double that answers dialogs and records
// everything shown.
#pragma once

#include <QList>
#include <QString>

#include <array>
#include <cstddef>

#include "setrecord/messagebox.h"

namespace qmr::app {

class SetupDialogLogic;
class SettingListLogic;
class SettingUpdateLogic;
class LogHistoryLogic;

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

// The menus' and toolbar's states.  A program numbers its commands from 0
// (an enum of its own) and passes them as those numbers.
constexpr int kMaxActions = 48;

// The menu commands both programs have, by the number both give them; 9, 10
// (more of the Option menu) and 16 (the serial-number entry) are each
// program's own.
namespace menu {
constexpr int HexDownload = 0, HexUpload = 1, ChecksumDisplay = 2, PrmDownload = 3, SetDownload = 4, SetUpload = 5,
              SetDelete = 6, Exit = 7, Setup = 8, OptionA = 9, OptionB = 10, Blank = 11, Erase = 12, Program = 13,
              Verify = 14, Epv = 15, Serial = 16, Read = 17, Security = 18, Checksum = 19, Signature = 20, About = 21,
              Count = 22;
}  // namespace menu
struct ActionState {
    std::array<bool, 4> menus{{true, true, true, true}};  // the top-level menus by position
    std::array<bool, kMaxActions> enabled{};              // each command by itself
    bool busy = false;                                    // a command runs: the wait cursor
    template <class A>
    bool isEnabled(A a) const
    {
        auto i = static_cast<size_t>(a);
        return i < enabled.size() && enabled[i];
    }
    template <class A>
    void set(A a, bool on)
    {
        auto i = static_cast<size_t>(a);
        if (i < enabled.size()) enabled[i] = on;
    }
};

enum class Timer { StartTimeout, Wake };

class Screen {
public:
    virtual ~Screen() = default;

    virtual Answer message(const Message& m) = 0;
    virtual FileAnswer openFile(const FileRequest& r) = 0;
    virtual FileAnswer saveFile(const FileRequest& r) = 0;

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

    // Ends the program with this exit status, without asking.
    virtual void endProgram(int status) = 0;
};

}  // namespace qmr::app
