#include "gang/serialsettingsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qmr::app {

SerialSettingsDialog::SerialSettingsDialog(SerialSettingsLogic& logic, QWidget* parent) : QDialog(parent), logic_(logic)
{
    setWindowTitle(tr("EPV with serial number"));
    address = new QLineEdit(logic_.addressText());
    address->setObjectName(QStringLiteral("address"));
    size = new QComboBox;
    size->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("8")});
    size->setCurrentIndex(logic_.sizeIndex());
    data = new QLineEdit(logic_.dataText());
    data->setObjectName(QStringLiteral("data"));
    data->setMaxLength(17);
    data->setMinimumWidth(150);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Address")), 0, 0);
    grid->addWidget(address, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("(h)")), 0, 2);
    grid->addWidget(new QLabel(tr("Size")), 1, 0);
    grid->addWidget(size, 1, 1);
    grid->addWidget(new QLabel(tr("Data")), 2, 0);
    grid->addWidget(data, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("(h)")), 2, 2);
    plus = new QRadioButton(QStringLiteral(" +1"));
    minus = new QRadioButton(QStringLiteral(" -1"));
    custom = new QRadioButton(tr("Custom"));
    custom->setEnabled(false);
    plus->setChecked(logic_.plusOne());
    minus->setChecked(!logic_.plusOne());
    auto* algo = new QGroupBox(tr("Algorithm"));
    auto* algoLayout = new QHBoxLayout(algo);
    algoLayout->addWidget(plus);
    algoLayout->addWidget(minus);
    algoLayout->addWidget(custom);
    okButton = new QPushButton(tr("Set"));
    okButton->setDefault(true);
    cancelButton = new QPushButton(tr("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* all = new QVBoxLayout(this);
    all->addLayout(grid);
    all->addWidget(algo);
    all->addLayout(buttons);
    connect(okButton, &QPushButton::clicked, this, &SerialSettingsDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void SerialSettingsDialog::accept()
{
    if (logic_.ok(address->text(), size->currentIndex(), data->text(), plus->isChecked())) QDialog::accept();
}

ReadDialog::ReadDialog(ReadDialogLogic& logic, QWidget* parent) : QDialog(parent), logic_(logic)
{
    setWindowTitle(tr("Read device"));
    auto* group = new QGroupBox(tr("Socket"));
    auto* grid = new QGridLayout(group);
    for (int p = 1; p <= 8; ++p) {
        auto* box = new QCheckBox(tr("Socket %1").arg(p));
        box->setObjectName(QStringLiteral("socket%1").arg(p));
        box->setEnabled(logic_.present(p));
        connect(box, &QCheckBox::toggled, this, [this, p](bool on) { logic_.tick(p, on); });
        sockets[size_t(p - 1)] = box;
        grid->addWidget(box, (p - 1) % 4, (p - 1) / 4);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* all = new QVBoxLayout(this);
    all->addWidget(group);
    all->addWidget(buttons);
}

}  // namespace qmr::app
