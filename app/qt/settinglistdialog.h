// The setting-file list dialog ("セッティングファイル管理情報": 50 rows, No / SET
// File Name / PRS File Name, labels editable in place) and the setting-file
// update dialog ("ｾｯﾃｨﾝｸﾞﾌｧｲﾙ更新"), over their logic.
#pragma once

#include <QCoreApplication>

#include <QDialog>

#include "core/settinglist.h"

class QComboBox;
class QLineEdit;
class QTreeWidget;

namespace qmr::app {

class SettingListDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(SettingListDialog)
public:
    SettingListDialog(SettingListLogic& logic, QWidget* parent = nullptr);
    QTreeWidget* list() const { return list_; }
    void accept() override;

private:
    void fillRow(int row);
    SettingListLogic& logic_;
    QTreeWidget* list_;
};

class SettingUpdateDialog : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(SettingUpdateDialog)
public:
    SettingUpdateDialog(SettingUpdateLogic& logic, QWidget* parent = nullptr);
    void accept() override;
    QLineEdit* nameEdit() const { return name_; }

private:
    SettingUpdateLogic& logic_;
    QLineEdit* name_;
    QComboBox* prm_;
};

}  // namespace qmr::app
