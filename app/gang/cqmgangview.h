// The gang program's main form: the setup and HEX groups, the serial-number
// box with its "欠番No" list, the status line over the progress bar, the
// eight unit columns and the log pane with its trace box.  It is the
// program's GangScreen: the logic behind it is GangLogic.
#pragma once

#include <QCoreApplication>

#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

#include "gang/ganglogic.h"
#include "gang/gangscreen.h"
#include "qt/aboutdialog.h"
#include "qt/dialogs.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace qmr::app {

class CMainFrame;
class CTextProgressBar;

class CQMGANGView : public QWidget, public GangScreen {
    Q_DECLARE_TR_FUNCTIONS(CQMGANGView)
public:
    CQMGANGView(CMainFrame* frame, GangLogic::Options options);
    ~CQMGANGView() override;
    GangLogic& logic() { return *logic_; }

    // ---- GangScreen
    Answer message(const Message& m) override { return dialogs_.message(m); }
    FileAnswer openFile(const FileRequest& r) override { return dialogs_.openFile(r); }
    FileAnswer saveFile(const FileRequest& r) override { return dialogs_.saveFile(r); }
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
    void endProgram(int status) override;
    void showForm(const GangForm& f) override;
    void showUnits(const UnitColumns& units) override;
    void showSerialBox(const SerialBox& box) override;
    void showMissingNumbers(const QString& text) override;
    void showAbout(const GangAbout& about) override;
    bool runSerialSettings(SerialSettingsLogic& d) override;
    bool runReadDialog(ReadDialogLogic& d) override;

    // The form's parts, for tests and screenshots.
    CTextProgressBar* progressBar() const { return bar_; }
    QPlainTextEdit* logPane() const { return log_; }
    QCheckBox* traceBox() const { return trace_; }
    QCheckBox* serialBox() const { return serialOn_; }
    QLabel* field(int i) const { return fields_[size_t(i)]; }
    QLabel* unitImage(int position) const { return columns_[size_t(position)].image; }
    QLabel* unitResult(int position) const { return columns_[size_t(position)].result; }

private:
    struct Column {
        QLabel *image, *rowA, *rowB, *result;
    };
    CMainFrame* frame_;
    QtDialogs dialogs_;
    std::array<QLabel*, 11> fields_{};
    std::array<Column, kUnitPositions> columns_{};
    std::optional<UnitColumns> shownUnits_;
    QLabel* status_;
    CTextProgressBar* bar_;
    QPlainTextEdit* log_;
    QCheckBox* trace_;
    QCheckBox* serialOn_;
    QLineEdit *serialAddress_, *serialSize_, *serialAlgorithm_, *serialData_;
    QPlainTextEdit* missing_;
    QTimer startTimeout_, wake_;
    std::unique_ptr<GangLogic> logic_;
};

// Builds the frame with the gang program's menus and toolbar.
CMainFrame* makeGangFrame();
// The About box's rows and its unit columns.
QList<AboutRow> gangAboutRows(const GangAbout& a);
QWidget* gangAboutUnits(const GangAbout& a);
// The pictures of a unit in its socket and of one whose operation failed (48x162).
QPixmap unitPicture(UnitImage image);

}  // namespace qmr::app
