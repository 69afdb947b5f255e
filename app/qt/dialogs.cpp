#include "qt/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>

#include "qt/customsecdialog.h"
#include "qt/loghistorydialog.h"
#include "qt/settinglistdialog.h"
#include "qt/setupdialog.h"

namespace qmr::app {

QString qtFilter(const FileFilter& f)
{
    QString patterns = f.patterns;
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return f.label + QStringLiteral(" (") + patterns + QStringLiteral(")");
}

QtDialogs::QtDialogs(QWidget* parent, QString settingsName) : parent_(parent), settingsName_(std::move(settingsName)) {}

Answer QtDialogs::message(const Message& m)
{
    QMessageBox box(parent_);
    box.setWindowTitle(m.caption);
    box.setText(m.text);
    box.setWindowModality(Qt::ApplicationModal);
    if (m.fixedPitch) {
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
    switch (m.icon) {
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (m.buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return m.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

FileAnswer QtDialogs::runFileDialog(const FileRequest& r, bool save)
{
    std::unique_ptr<QFileDialog> dialog;
    CCustomSecDialog* withBox = nullptr;
    if (r.securityBox && !save) {
        withBox = new CCustomSecDialog(parent_);
        dialog.reset(withBox);
    } else {
        dialog = std::make_unique<QFileDialog>(parent_);
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    }
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::HideNameFilterDetails, true);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !r.overwritePrompt);
    QStringList filters;
    for (const FileFilter& f : r.filters) filters << qtFilter(f);
    dialog->setNameFilters(filters);
    if (!r.defaultSuffix.isEmpty()) dialog->setDefaultSuffix(r.defaultSuffix);
    QSettings settings(QCoreApplication::organizationName(), settingsName_);
    QString key = QStringLiteral("folders/") + r.folderKey;
    QString folder = settings.value(key).toString();
    dialog->setDirectory(folder.isEmpty() || !QDir(folder).exists() ? QDir::currentPath() : folder);
    if (!r.initialName.isEmpty() && !r.initialName.contains(QLatin1Char('*'))) dialog->selectFile(r.initialName);
    FileAnswer a;
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return a;
    a.chosen = true;
    a.path = dialog->selectedFiles().first();
    if (withBox) a.security = withBox->security() != 0;
    settings.setValue(key, QFileInfo(a.path).absolutePath());
    return a;
}

FileAnswer QtDialogs::openFile(const FileRequest& r) { return runFileDialog(r, false); }

FileAnswer QtDialogs::saveFile(const FileRequest& r) { return runFileDialog(r, true); }

bool QtDialogs::runSetupDialog(SetupDialogLogic& d)
{
    SetupDialog dialog(d, parent_);
    d.open();
    if (d.closed()) return false;
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::runSettingList(SettingListLogic& d)
{
    SettingListDialog dialog(d, parent_);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::runSettingUpdate(SettingUpdateLogic& d)
{
    SettingUpdateDialog dialog(d, parent_);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::runLogHistory(LogHistoryLogic& d)
{
    LogHistoryDialog dialog(d, parent_);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace qmr::app
