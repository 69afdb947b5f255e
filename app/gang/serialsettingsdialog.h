// The gang program's own dialogs over their logic: the serial-number
// settings ("ｼﾘｱﾙNo.付EPV") and the read dialog ("ﾘｰﾄﾞﾃﾞﾊﾞｲｽ").
#pragma once

#include <QCoreApplication>

#include <QDialog>

#include <array>

#include "gang/serialsettings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qmr::app {

class SerialSettingsDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(SerialSettingsDialog)
public:
    SerialSettingsDialog(SerialSettingsLogic& logic, QWidget* parent = nullptr);
    void accept() override;

    QLineEdit *address, *data;
    QComboBox* size;
    QRadioButton *plus, *minus, *custom;
    QPushButton *okButton, *cancelButton;

private:
    SerialSettingsLogic& logic_;
};

class ReadDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(ReadDialog)
public:
    ReadDialog(ReadDialogLogic& logic, QWidget* parent = nullptr);
    std::array<QCheckBox*, 8> sockets{};

private:
    ReadDialogLogic& logic_;
};

}  // namespace qmr::app
