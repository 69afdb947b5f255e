#include "qt/settinglistdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qmr::app {

SettingListDialog::SettingListDialog(SettingListLogic& logic, QWidget* parent) : QDialog(parent), logic_(logic)
{
    setWindowTitle(tr("Setting file management"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("slots"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    list_->setHeaderLabels({tr("No"), tr("SET File Name"), tr("PRS File Name")});
    list_->header()->setStretchLastSection(false);
    list_->setColumnWidth(0, logic_.columns().number);
    list_->setColumnWidth(1, logic_.columns().setting);
    list_->setColumnWidth(2, logic_.columns().parameter);
    for (int i = 0; i < logic_.slotCount(); ++i) {
        auto* item = new QTreeWidgetItem(list_);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        Q_UNUSED(item);
        fillRow(i);
    }
    list_->setCurrentItem(list_->topLevelItem(logic_.initialRow()));
    list_->scrollToItem(list_->currentItem());
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 0) logic_.editLabel(list_->indexOfTopLevelItem(item), item->text(0));
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        if (logic_.doubleClick(list_->indexOfTopLevelItem(item))) QDialog::accept();
    });
    logic_.onRowChanged = [this](int row) { fillRow(row); };
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingListDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(500, 420);
}

void SettingListDialog::fillRow(int row)
{
    QTreeWidgetItem* item = list_->topLevelItem(row);
    if (!item) return;
    const SlotRow& r = logic_.rows()[row];
    QSignalBlocker quiet(list_);
    item->setText(0, r.label);
    item->setText(1, r.setName);
    item->setText(2, r.prmName);
}

void SettingListDialog::accept()
{
    QTreeWidgetItem* item = list_->currentItem();
    int row = item && item->isSelected() ? list_->indexOfTopLevelItem(item) : -1;
    if (logic_.accept(row)) QDialog::accept();
}

SettingUpdateDialog::SettingUpdateDialog(SettingUpdateLogic& logic, QWidget* parent) : QDialog(parent), logic_(logic)
{
    setWindowTitle(tr("Setting file update"));
    name_ = new QLineEdit(logic_.initialName(), this);
    name_->setObjectName(QStringLiteral("name"));
    prm_ = new QComboBox(this);
    prm_->setObjectName(QStringLiteral("parameter"));
    for (const PrmListEntry& e : logic_.parameterFiles()) prm_->addItem(e.name);
    prm_->setEnabled(logic_.hasParameterList());
    if (prm_->count()) prm_->setCurrentIndex(0);
    auto* form = new QFormLayout;
    form->addRow(tr("Setting file name"), name_);
    form->addRow(tr("Parameter file"), prm_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingUpdateDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

void SettingUpdateDialog::accept()
{
    if (logic_.accept(name_->text(), prm_->currentIndex())) QDialog::accept();
}

}  // namespace qmr::app
