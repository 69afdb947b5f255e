#include "qt/customsecdialog.h"

#include <QCheckBox>
#include <QGridLayout>

namespace qmr::app {

CCustomSecDialog::CCustomSecDialog(QWidget* parent) : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    box_ = new QCheckBox(tr("Security"), this);
    box_->setObjectName(QStringLiteral("security"));
    box_->setChecked(false);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) grid->addWidget(box_, grid->rowCount(), 0, 1, -1);
}

void CCustomSecDialog::done(int result)
{
    security_ = box_->isChecked() ? 1 : 0;
    QFileDialog::done(result);
}

}  // namespace qmr::app
