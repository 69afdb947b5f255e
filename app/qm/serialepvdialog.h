// The serial-number EPV dialog ("ｼﾘｱﾙNo.付EPV") over its logic.
#pragma once

#include <QCoreApplication>

#include <QDialog>

#include "qm/serialepv.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qmr::app {

class SerialEpvDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(SerialEpvDialog)
public:
    SerialEpvDialog(SerialEpvLogic& logic, QWidget* parent = nullptr);
    void refresh();
    void reject() override;

    QLineEdit *address, *data;
    QComboBox* size;
    QRadioButton *plus, *minus, *custom;
    QPushButton *epvButton, *cancelButton;

private:
    SerialEpvLogic& logic_;
};

}  // namespace qmr::app
