// A scripted double of every program's screen: it answers message boxes,
// file dialogs and the shared modal dialogs from scripts the test sets up,
// records everything shown, and runs the logic's waits at once.  A program's
// own screen extends it (ScriptedScreenT<QmScreen>, ...).
#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <vector>

#include "core/loghistory.h"
#include "core/screen.h"
#include "core/settinglist.h"
#include "core/setupdialog.h"
#include "support/eventwait.h"

// QStrings print as text in test messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace qmrtest {

using namespace qmr::app;

// Processes events until cond holds; false at the time limit.
inline bool waitUntil(const std::function<bool()>& cond, int ms = 10000) { return processEventsUntil(cond, ms); }

template <class Base>
class ScriptedScreenT : public Base {
public:
    // Receives the timers that expire (the logic's timerFired).
    std::function<void(Timer)> onTimer;
    QObject* timerContext = nullptr;  // the object a wake fires on (the logic)

    // ---- scripts
    std::deque<Answer> answers;                 // next message boxes' answers (else OK / Yes)
    std::deque<FileAnswer> files;               // next file dialogs' answers (else cancelled)
    std::function<void(SetupDialogLogic&)> setup;        // runs once the dialog has loaded
    std::function<bool(SettingListLogic&)> settingList;  // true: the dialog closed with a result
    std::function<bool(SettingUpdateLogic&)> settingUpdate;
    std::function<bool(LogHistoryLogic&)> logHistory;
    bool fireWakesAtOnce = true;

    // ---- what was shown
    std::vector<Message> messages;
    std::vector<FileRequest> fileRequests;
    int progress = 0;
    QString status;
    QStringList log;
    ActionState actions;
    std::vector<ActionState> actionHistory;
    std::map<Timer, int> armed;  // running timers and their times
    int setupDialogs = 0, settingLists = 0, logHistories = 0;
    // Everything shown, in order: "log:LINE", "clear", "status:TEXT",
    // "actions:MMMM" with the four menus as 1/0 and "+busy" while busy.
    QStringList events;
    bool ended = false;
    int endStatus = -1;

    QStringList messageTexts() const
    {
        QStringList out;
        for (const auto& m : messages) out << m.text;
        return out;
    }
    // A log line, with or without the elapsed time of its command ("  N msec").
    static bool sameLine(const QString& l, const QString& line)
    {
        if (l == line) return true;
        if (!l.startsWith(line + QStringLiteral("  ")) || !l.endsWith(QStringLiteral(" msec"))) return false;
        bool number = false;
        l.mid(line.size() + 2).chopped(5).toInt(&number);
        return number;
    }
    bool logged(const QString& line) const { return logCount(line) > 0; }
    int logCount(const QString& line) const
    {
        int n = 0;
        for (const QString& l : log) n += sameLine(l, line);
        return n;
    }

    Answer message(const Message& m) override
    {
        messages.push_back(m);
        if (!answers.empty()) {
            Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return m.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    FileAnswer openFile(const FileRequest& r) override { return nextFile(r); }
    FileAnswer saveFile(const FileRequest& r) override { return nextFile(r); }
    void setProgress(int p) override { progress = p; }
    void setStatus(const QString& s) override
    {
        status = s;
        events << QStringLiteral("status:") + s;
    }
    void appendLog(const QString& line) override
    {
        log << line;
        events << QStringLiteral("log:") + line;
    }
    void clearLog() override
    {
        log.clear();
        events << QStringLiteral("clear");
    }
    void showActions(const ActionState& s) override
    {
        actions = s;
        actionHistory.push_back(s);
        QString e = QStringLiteral("actions:");
        for (bool m : s.menus) e += m ? QLatin1Char('1') : QLatin1Char('0');
        if (s.busy) e += QStringLiteral("+busy");
        events << e;
    }
    void startTimer(Timer t, int ms) override
    {
        armed[t] = ms;
        if (t == Timer::Wake && fireWakesAtOnce && timerContext)
            QTimer::singleShot(0, timerContext, [this] { fire(Timer::Wake); });
    }
    void stopTimer(Timer t) override { armed.erase(t); }
    bool runSetupDialog(SetupDialogLogic& d) override
    {
        ++setupDialogs;
        bool result = false, closed = false;
        d.onClose = [&](bool ok) {
            closed = true;
            result = ok;
        };
        d.open();
        waitUntil([&] { return closed || !d.loading(); });
        if (!closed && setup) setup(d);
        if (!closed) d.cancel();
        return result;
    }
    bool runSettingList(SettingListLogic& d) override
    {
        ++settingLists;
        if (settingList) return settingList(d);
        return d.accept(d.initialRow());
    }
    bool runSettingUpdate(SettingUpdateLogic& d) override { return settingUpdate ? settingUpdate(d) : false; }
    bool runLogHistory(LogHistoryLogic& d) override
    {
        ++logHistories;
        return logHistory ? logHistory(d) : true;
    }
    void endProgram(int status) override
    {
        ended = true;
        endStatus = status;
    }

    // Fires a timer as if it expired.
    void fire(Timer t)
    {
        if (!armed.count(t)) return;
        armed.erase(t);
        if (onTimer) onTimer(t);
    }

private:
    FileAnswer nextFile(const FileRequest& r)
    {
        fileRequests.push_back(r);
        if (files.empty()) return {};
        FileAnswer a = files.front();
        files.pop_front();
        return a;
    }
};

using ScriptedScreen = ScriptedScreenT<Screen>;

}  // namespace qmrtest
