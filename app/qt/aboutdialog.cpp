#include "qt/aboutdialog.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace qmr::app {

AboutDialog::AboutDialog(const AboutTexts& t, const QString& product, const QString& icon, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("About %1").arg(product));
    auto* iconLabel = new QLabel;
    iconLabel->setPixmap(QIcon(icon).pixmap(48, 48));
    auto* name = new QLabel(product);
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    name->setFont(big);
    auto* picture = new QLabel;
    picture->setPixmap(QIcon(QStringLiteral(":/icons/unit.svg")).pixmap(96, 96));
    auto* head = new QHBoxLayout;
    head->addWidget(iconLabel);
    head->addWidget(name);
    head->addStretch();
    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const QString& label, const QString& value, bool edit) {
        grid->addWidget(new QLabel(label), row, 0);
        if (edit) {
            auto* e = new QLineEdit(value);
            e->setReadOnly(true);
            e->setObjectName(QStringLiteral("serial"));
            grid->addWidget(e, row, 1);
        } else {
            auto* v = new QLabel(value);
            v->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(v, row, 1);
        }
        ++row;
    };
    addRow(QStringLiteral("F/W Ver :"), t.firmware, false);
    addRow(QStringLiteral("GUI Ver :"), t.gui, false);
    addRow(QStringLiteral("DLL Ver :"), t.library, false);
    addRow(QStringLiteral("Serial No :"), t.serial, true);
    grid->setColumnMinimumWidth(1, 200);
    auto* body = new QHBoxLayout;
    body->addWidget(picture, 0, Qt::AlignTop);
    body->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* all = new QVBoxLayout(this);
    all->addLayout(head);
    all->addLayout(body);
    all->addWidget(buttons);
}

}  // namespace qmr::app
