// What both programs' main forms do alike as the program's screen: the
// shared dialogs, the status line, the progress bar with its "N %" text, the
// log pane that follows its last line and its trace box, the menus and the
// toolbar through the frame, the two timers, the end of the program, and the
// wiring of all of it to the program's logic.  A form builds its widgets
// (status_, bar_, log_ and trace_ among them), then calls attach(); its
// destructor ends the logic (logic_.reset()) while the form is still whole.
#pragma once

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "qt/dialogs.h"
#include "qt/mainframe.h"
#include "qt/textprogressbar.h"

namespace qmr::app {

template <class ScreenT, class LogicT, class ActionT>
class ProgramView : public QWidget, public ScreenT {
public:
    ProgramView(CMainFrame* frame, const QString& programName)
        : QWidget(frame), frame_(frame), dialogs_(this, programName)
    {
        setObjectName(QStringLiteral("form"));
    }
    LogicT& logic() { return *logic_; }

    // ---- the screen every program has
    Answer message(const Message& m) override { return dialogs_.message(m); }
    FileAnswer openFile(const FileRequest& r) override { return dialogs_.openFile(r); }
    FileAnswer saveFile(const FileRequest& r) override { return dialogs_.saveFile(r); }
    void setProgress(int percent) override
    {
        bar_->setPosition(percent);
        bar_->setText(percent > 0 ? QStringLiteral("%1 %").arg(percent) : QString());
    }
    void setStatus(const QString& text) override { status_->setText(text); }
    void appendLog(const QString& line) override
    {
        log_->appendPlainText(line);
        log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
    }
    void clearLog() override { log_->clear(); }
    void showActions(const ActionState& s) override { frame_->apply(s); }
    void startTimer(Timer t, int ms) override { (t == Timer::Wake ? wake_ : startTimeout_).start(ms < 0 ? 0 : ms); }
    void stopTimer(Timer t) override { (t == Timer::Wake ? wake_ : startTimeout_).stop(); }
    bool runSetupDialog(SetupDialogLogic& d) override { return dialogs_.runSetupDialog(d); }
    bool runSettingList(SettingListLogic& d) override { return dialogs_.runSettingList(d); }
    bool runSettingUpdate(SettingUpdateLogic& d) override { return dialogs_.runSettingUpdate(d); }
    bool runLogHistory(LogHistoryLogic& d) override { return dialogs_.runLogHistory(d); }
    void endProgram(int status) override
    {
        frame_->closeWithoutAsking();
        QCoreApplication::exit(status);
    }

    // The form's parts, for tests and screenshots.
    CTextProgressBar* progressBar() const { return bar_; }
    QPlainTextEdit* logPane() const { return log_; }
    QLabel* statusLine() const { return status_; }
    QCheckBox* traceBox() const { return trace_; }

protected:
    // Makes the logic and ties the timers, the trace box, the menus and the
    // window's closing to it; the form is the frame's from then on.
    void attach(typename LogicT::Options options)
    {
        startTimeout_.setSingleShot(true);
        wake_.setSingleShot(true);
        logic_ = std::make_unique<LogicT>(*this, std::move(options));
        QObject::connect(&startTimeout_, &QTimer::timeout, this, [this] { logic_->timerFired(Timer::StartTimeout); });
        QObject::connect(&wake_, &QTimer::timeout, this, [this] { logic_->timerFired(Timer::Wake); });
        QObject::connect(trace_, &QCheckBox::toggled, this, [this](bool on) { logic_->setTrace(on); });
        frame_->onAction = [this](int a) { logic_->trigger(static_cast<ActionT>(a)); };
        frame_->confirmClose = [this] { return logic_->ending() || logic_->confirmExit(); };
        frame_->setForm(this);
    }

    CMainFrame* frame_;
    QtDialogs dialogs_;
    QLabel* status_ = nullptr;
    CTextProgressBar* bar_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QCheckBox* trace_ = nullptr;
    QTimer startTimeout_, wake_;
    std::unique_ptr<LogicT> logic_;
};

}  // namespace qmr::app
