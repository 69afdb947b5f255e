// The log history dialog ("ﾛｸﾞ履歴情報") over its logic.
#pragma once

#include <QCoreApplication>

#include <QDialog>

#include "core/loghistory.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace qmr::app {

class LogHistoryDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(LogHistoryDialog)
public:
    LogHistoryDialog(LogHistoryLogic& logic, QWidget* parent = nullptr);
    void refresh();
    QTreeWidget* list() const { return list_; }

private:
    LogHistoryLogic& logic_;
    QLabel *label_, *ok_, *ng_;
    QTreeWidget* list_;
    QPushButton *save_, *clear_;
};

}  // namespace qmr::app
