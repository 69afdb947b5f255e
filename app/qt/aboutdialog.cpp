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

AboutDialog::AboutDialog(const QString& product, const QString& icon, const QList<AboutRow>& rows, QWidget* extra,
                         QWidget* parent)
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
    for (const AboutRow& r : rows) addRow(r.label, r.value, r.edit);
    grid->setColumnMinimumWidth(1, 200);
    auto* body = new QHBoxLayout;
    body->addWidget(picture, 0, Qt::AlignTop);
    body->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* all = new QVBoxLayout(this);
    all->addLayout(head);
    all->addLayout(body);
    if (extra) all->addWidget(extra);
    all->addWidget(buttons);
}

}  // namespace qmr::app
