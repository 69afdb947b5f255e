// The parts of Screen every program's window implements the same way: Qt's
// message boxes, the file dialogs (each kind of file remembers its folder
// across runs), and the shared modal dialogs over their logic.
#pragma once

#include <QString>

#include "core/screen.h"

class QWidget;

namespace qmr::app {

class QtDialogs {
public:
    // settingsName names the QSettings application the folders are kept in
    // (under the application's organization).
    QtDialogs(QWidget* parent, QString settingsName);

    Answer message(const Message& m);
    FileAnswer openFile(const FileRequest& r);
    FileAnswer saveFile(const FileRequest& r);
    bool runSetupDialog(SetupDialogLogic& d);
    bool runSettingList(SettingListLogic& d);
    bool runSettingUpdate(SettingUpdateLogic& d);
    bool runLogHistory(LogHistoryLogic& d);

    QWidget* parent() const { return parent_; }

private:
    FileAnswer runFileDialog(const FileRequest& r, bool save);
    QWidget* parent_;
    QString settingsName_;
};

// The filter text a file dialog takes for a filter: its label, then its
// patterns in the form Qt reads them (the label alone is shown).
QString qtFilter(const FileFilter& f);

}  // namespace qmr::app
