// The Setup dialog ("セットアップ"): every control bound to the Setup model
// through SetupDialogLogic; the dialog only shows the model and passes the
// user's events on.
#pragma once

#include <QCoreApplication>

#include <QDialog>

#include <array>

#include "core/setupdialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qmr::app {

class SetupDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(SetupDialog)
public:
    SetupDialog(SetupDialogLogic& logic, QWidget* parent = nullptr);
    // Shows the model's state in every control.
    void refresh();
    void accept() override;
    void reject() override;

    // The controls, for tests and screenshots.
    QLineEdit* settingName;
    QLabel* parameterName;
    QPushButton* selectButton;
    QComboBox *device, *oscillator, *multiplier, *method, *speed, *startBlock, *endBlock;
    QRadioButton *volt5, *volt33, *voltTarget, *chip, *block;
    QCheckBox *onTarget, *opShowAddress, *logRecording, *protShowAddress;
    QLineEdit *onTargetHz, *extensionTime, *extensionWait, *resetVector;
    std::array<QRadioButton*, 5> standalone;  // by operation number 0..4
    std::array<QCheckBox*, 4> commandOption;
    std::array<QCheckBox*, 5> security;
    QComboBox *bootBlockEnd, *fsStart, *fsEnd;
    QPushButton *okButton, *cancelButton;

private:
    void connectEvents();
    SetupDialogLogic& logic_;
    bool refreshing_ = false;
};

}  // namespace qmr::app
