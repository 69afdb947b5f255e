// The single-unit program's main form: the setup summary, the HEX group,
// the status line, the progress bar and the log pane with its trace box.
// It is the program's Screen: the logic behind it is QmLogic.
#pragma once

#include <QCoreApplication>

#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

#include "qm/qmlogic.h"
#include "qm/qmscreen.h"
#include "qt/aboutdialog.h"
#include "qt/dialogs.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;

namespace qmr::app {

class CMainFrame;
class CTextProgressBar;

class CQMQMRView : public QWidget, public QmScreen {
    Q_DECLARE_TR_FUNCTIONS(CQMQMRView)
public:
    CQMQMRView(CMainFrame* frame, QmLogic::Options options);
    ~CQMQMRView() override;
    QmLogic& logic() { return *logic_; }

    // ---- QmScreen
    Answer message(const Message& m) override { return dialogs_.message(m); }
    FileAnswer openFile(const FileRequest& r) override { return dialogs_.openFile(r); }
    FileAnswer saveFile(const FileRequest& r) override { return dialogs_.saveFile(r); }
    void showForm(const FormTexts& f) override;
    void setProgress(int percent) override;
    void setStatus(const QString& text) override;
    void appendLog(const QString& line) override;
    void clearLog() override;
    void showActions(const ActionState& s) override;
    void startTimer(Timer t, int ms) override;
    void stopTimer(Timer t) override;
    bool runSetupDialog(SetupDialogLogic& d) override { return dialogs_.runSetupDialog(d); }
    bool runSettingList(SettingListLogic& d) override { return dialogs_.runSettingList(d); }
    bool runSettingUpdate(SettingUpdateLogic& d) override { return dialogs_.runSettingUpdate(d); }
    bool runLogHistory(LogHistoryLogic& d) override { return dialogs_.runLogHistory(d); }
    void runSerialEpv(SerialEpvLogic& d) override;
    void showAbout(const AboutTexts& t) override;
    void endProgram(int status) override;

    // The form's parts, for tests and screenshots.
    CTextProgressBar* progressBar() const { return bar_; }
    QPlainTextEdit* logPane() const { return log_; }
    QLabel* statusLine() const { return status_; }
    QCheckBox* traceBox() const { return trace_; }
    QLabel* field(int i) const { return fields_[size_t(i)]; }

private:
    CMainFrame* frame_;
    QtDialogs dialogs_;
    std::array<QLabel*, 11> fields_{};
    QLabel* status_;
    CTextProgressBar* bar_;
    QPlainTextEdit* log_;
    QCheckBox* trace_;
    QTimer startTimeout_, wake_;
    std::unique_ptr<QmLogic> logic_;
};

// Builds the frame with the single-unit program's menus and toolbar.
CMainFrame* makeQmFrame();
// The rows of QM's About box.
QList<AboutRow> aboutRows(const AboutTexts& t);

}  // namespace qmr::app
