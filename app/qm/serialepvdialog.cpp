#include "qm/serialepvdialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qmr::app {

SerialEpvDialog::SerialEpvDialog(SerialEpvLogic& logic, QWidget* parent) : QDialog(parent), logic_(logic)
{
    setWindowTitle(tr("EPV with serial number"));
    address = new QLineEdit;
    address->setObjectName(QStringLiteral("address"));
    size = new QComboBox;
    size->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4")});
    data = new QLineEdit;
    data->setObjectName(QStringLiteral("data"));
    data->setMaxLength(9);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Address")), 0, 0);
    grid->addWidget(address, 0, 1);
    grid->addWidget(new QLabel(tr("Size")), 1, 0);
    grid->addWidget(size, 1, 1);
    grid->addWidget(new QLabel(tr("Data")), 2, 0);
    grid->addWidget(data, 2, 1);
    plus = new QRadioButton(QStringLiteral(" +1"));
    minus = new QRadioButton(QStringLiteral(" -1"));
    custom = new QRadioButton(tr("Custom"));
    custom->setEnabled(false);
    auto* algo = new QGroupBox(tr("Algorithm"));
    auto* algoLayout = new QHBoxLayout(algo);
    algoLayout->addWidget(plus);
    algoLayout->addWidget(minus);
    algoLayout->addWidget(custom);
    epvButton = new QPushButton(tr("EPV"));
    epvButton->setDefault(true);
    cancelButton = new QPushButton(tr("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(epvButton);
    buttons->addWidget(cancelButton);
    auto* all = new QVBoxLayout(this);
    all->addLayout(grid);
    all->addWidget(algo);
    all->addLayout(buttons);
    connect(epvButton, &QPushButton::clicked, this,
            [this] { logic_.epv(address->text(), size->currentIndex(), data->text(), plus->isChecked()); });
    connect(cancelButton, &QPushButton::clicked, this, &SerialEpvDialog::reject);
    logic_.onChanged = [this] { refresh(); };
    logic_.onClose = [this] { QDialog::done(Rejected); };
    refresh();
}

void SerialEpvDialog::refresh()
{
    address->setText(logic_.addressText());
    data->setText(logic_.dataText());
    size->setCurrentIndex(logic_.sizeIndex());
    plus->setChecked(logic_.plusOne());
    minus->setChecked(!logic_.plusOne());
    bool on = logic_.buttonsEnabled();
    epvButton->setEnabled(on);
    cancelButton->setEnabled(on);
}

void SerialEpvDialog::reject()
{
    if (!logic_.buttonsEnabled()) return;  // an EPV runs: the dialog stays
    logic_.close();
}

}  // namespace qmr::app
