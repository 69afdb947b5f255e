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
#include "qt/programview.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace qmr::app {

class CQMGANGView : public ProgramView<GangScreen, GangLogic, GangAction> {
    Q_DECLARE_TR_FUNCTIONS(CQMGANGView)
public:
    CQMGANGView(CMainFrame* frame, GangLogic::Options options);
    ~CQMGANGView() override;

    // ---- what only the gang program shows
    void showForm(const GangForm& f) override;
    void showUnits(const UnitColumns& units) override;
    void showSerialBox(const SerialBox& box) override;
    void showMissingNumbers(const QString& text) override;
    void showAbout(const GangAbout& about) override;
    bool runSerialSettings(SerialSettingsLogic& d) override;
    bool runReadDialog(ReadDialogLogic& d) override;

    QCheckBox* serialBox() const { return serialOn_; }
    QLabel* field(int i) const { return fields_[size_t(i)]; }
    QLabel* unitImage(int position) const { return columns_[size_t(position)].image; }
    QLabel* unitResult(int position) const { return columns_[size_t(position)].result; }

private:
    struct Column {
        QLabel *image, *rowA, *rowB, *result;
    };
    std::array<QLabel*, 11> fields_{};
    std::array<Column, kUnitPositions> columns_{};
    std::optional<UnitColumns> shownUnits_;
    QCheckBox* serialOn_;
    QLineEdit *serialAddress_, *serialSize_, *serialAlgorithm_, *serialData_;
    QPlainTextEdit* missing_;
};

// Builds the frame with the gang program's menus and toolbar.
CMainFrame* makeGangFrame();
// The About box's rows and its unit columns.
QList<AboutRow> gangAboutRows(const GangAbout& a);
QWidget* gangAboutUnits(const GangAbout& a);
// The pictures of a unit in its socket and of one whose operation failed (48x162).
QPixmap unitPicture(UnitImage image);

}  // namespace qmr::app
