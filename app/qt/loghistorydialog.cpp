#include "qt/loghistorydialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qmr::app {

LogHistoryDialog::LogHistoryDialog(LogHistoryLogic& logic, QWidget* parent) : QDialog(parent), logic_(logic)
{
    setWindowTitle(tr("Log history information"));
    label_ = new QLabel;
    ok_ = new QLabel;
    ng_ = new QLabel;
    for (QLabel* l : {ok_, ng_}) {
        l->setFrameShape(QFrame::StyledPanel);
        l->setFrameShadow(QFrame::Sunken);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setMinimumWidth(70);
        l->setFont(QFont(QStringLiteral("monospace")));
    }
    auto* counts = new QHBoxLayout;
    counts->addWidget(label_);
    counts->addWidget(ok_);
    counts->addWidget(new QLabel(QStringLiteral("/")));
    counts->addWidget(ng_);
    counts->addStretch();
    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("ng"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({tr("No"), tr("Message")});
    list_->setColumnWidth(0, 50);
    list_->setColumnWidth(1, 240);
    auto* ngGroup = new QGroupBox(tr("NG history"));
    auto* ngLayout = new QVBoxLayout(ngGroup);
    ngLayout->addWidget(list_);
    save_ = new QPushButton(tr("Save"));
    clear_ = new QPushButton(tr("Clear"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->addButton(save_, QDialogButtonBox::ActionRole);
    buttons->addButton(clear_, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(save_, &QPushButton::clicked, this, [this] { logic_.save(); });
    connect(clear_, &QPushButton::clicked, this, [this] {
        logic_.clear();
        refresh();
    });
    auto* all = new QVBoxLayout(this);
    all->addLayout(counts);
    all->addWidget(ngGroup);
    all->addWidget(buttons);
    resize(420, 420);
    refresh();
}

void LogHistoryDialog::refresh()
{
    label_->setText(logic_.label());
    ok_->setText(logic_.okText());
    ng_->setText(logic_.ngText());
    list_->clear();
    for (const auto& r : logic_.rows()) new QTreeWidgetItem(list_, {r.number, r.message});
    save_->setEnabled(logic_.saveEnabled());
    clear_->setEnabled(logic_.clearEnabled());
}

}  // namespace qmr::app
