// Renders QM's main window and its dialogs, in English and in Japanese, to
// PNG files: the main window after start-up on the simulated unit and after
// an EPV, and every dialog.  Run with QT_QPA_PLATFORM=offscreen (the
// screenshot script does).  Usage: qm-screenshots DIR
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "core/images.h"
#include "core/loghistory.h"
#include "core/notify.h"
#include "support/eventwait.h"
#include "core/setupdialog.h"
#include "checks/crc32.h"
#include "link/sim/sim_driver.h"
#include "qm/cqmqmrview.h"
#include "support/screenshots.h"
#include "support/stockedunit.h"
#include "qm/serialepv.h"
#include "qm/serialepvdialog.h"
#include "qt/aboutdialog.h"
#include "qt/customsecdialog.h"
#include "qt/dialogs.h"
#include "qt/language.h"
#include "qt/loghistorydialog.h"
#include "qt/mainframe.h"
#include "qt/settinglistdialog.h"
#include "qt/setupdialog.h"

using namespace qmr::app;
using qmrtest::save;
using qmrtest::settle;
using qmrtest::shootNextBox;
using qmrtest::waitUntil;

namespace {

// A unit that holds the class-1 and class-3 parameter files, the demo
// setting and an image.
void prepareUnit()
{
    resetSimulatedUnit();
    stockSimulatedUnit(QM_EXAMPLES_DIR, "class3.prs", nullptr, 0);
    stockSimulatedUnit(QM_EXAMPLES_DIR, "class1.prs", "demo.set", 0x1000);
}

void shoot(Language lang)
{
    const QString tag = lang == Language::English ? QStringLiteral("en") : QStringLiteral("ja");
    Translations translations;
    translations.install(lang);
    prepareUnit();

    QmLogic::Options options;
    options.english = lang == Language::English;
    options.programFolder = QCoreApplication::applicationDirPath();
    CMainFrame* frame = makeQmFrame();
    auto* view = new CQMQMRView(frame, options);
    view->traceBox()->setChecked(true);
    frame->show();
    QmLogic& logic = view->logic();
    logic.start();
    if (!waitUntil([&] { return logic.context() && logic.idle() && logic.deviceReady(); })) {
        std::fprintf(stderr, "qm-screenshots: the start command did not finish (%s)\n", qPrintable(tag));
        ++qmrtest::shotFolder().failures;
    }
    save(frame, QStringLiteral("main"), tag);
    logic.trigger(Action::Epv);
    waitUntil([&] { return view->logPane()->toPlainText().contains(QStringLiteral("PROGRESS 100 Completion")) && logic.idle(); });
    save(frame, QStringLiteral("main-epv"), tag);

    FlshContext* ctx = logic.context();
    const QList<PrmListEntry> prms = logic.unitParameterFiles();
    const QList<SlotRow> rows = logic.unitSettingSlots();

    if (ctx) {
        // The Setup dialog with the unit's setting loaded.
        QObject receiver;
        SetupDialogLogic* active = nullptr;
        NotifyPort port(&receiver, [&](uint32_t) {
            if (active) active->onProgress();
        });
        SetupDialogLogic::Inputs in;
        in.prms = prms;
        in.settingSlots = rows;
        in.defaultSlot = 0;
        in.setName = QStringLiteral("DEMO NM78F0511 EPV");
        in.caption = QStringLiteral("Quillmarker");
        SetupDialogLogic setup(ctx, *view, port.window(), in);
        active = &setup;
        {
            SetupDialog dialog(setup, view);
            setup.open();
            waitUntil([&] { return !setup.loading(); });
            dialog.show();
            save(&dialog, QStringLiteral("setup"), tag);
            setup.cancel();
        }
        active = nullptr;
    }
    {
        SettingListLogic list(*view, ListMode::Select, rows, prms, 0);
        SettingListDialog dialog(list, view);
        dialog.show();
        save(&dialog, QStringLiteral("setting-list"), tag);
    }
    {
        SettingUpdateLogic update(*view, prms, QString());
        SettingUpdateDialog dialog(update, view);
        dialog.nameEdit()->setText(QStringLiteral("NEW SETTING"));
        dialog.show();
        save(&dialog, QStringLiteral("setting-update"), tag);
    }
    {
        CCustomSecDialog dialog(view);
        dialog.setNameFilters({qtFilter({QCoreApplication::translate("ProgramEngine", "Hex files(*.hex;*.s)"), QStringLiteral("*.hex;*.s")}),
                               qtFilter({QCoreApplication::translate("ProgramEngine", "All files(*.*)"), QStringLiteral("*")})});
        dialog.setOption(QFileDialog::HideNameFilterDetails, true);
        dialog.setDirectory(QString::fromUtf8(QM_EXAMPLES_DIR));
        dialog.resize(860, 480);
        dialog.show();
        save(&dialog, QStringLiteral("hex-file"), tag);
    }
    {
        std::array<uint16_t, 32> ng{};
        for (size_t i = 0; i < ng.size(); ++i) ng[i] = uint16_t(i % 3 == 0 ? 40 : i % 3 == 1 ? 15 : 11);
        LogHistoryLogic history(*view, 1, 1234, 40, ng, lang == Language::English);
        LogHistoryDialog dialog(history, view);
        dialog.show();
        save(&dialog, QStringLiteral("log-history"), tag);
    }
    if (ctx) {
        QObject receiver;
        NotifyPort port(&receiver, [](uint32_t) {});
        SerialEpvLogic serial(ctx, *view, port.window(), 0xFFFF);
        serial.caption = QStringLiteral("Quillmarker");
        serial.open();
        SerialEpvDialog dialog(serial, view);
        dialog.data->setText(QStringLiteral("1a2b"));
        dialog.show();
        save(&dialog, QStringLiteral("serial-epv"), tag);
        serial.close();
    }
    {
        AboutDialog dialog(QStringLiteral("Quillmarker"), QStringLiteral(":/icons/qm.svg"), aboutRows(logic.aboutTexts()), nullptr,
                           view);
        dialog.show();
        save(&dialog, QStringLiteral("about"), tag);
    }
    {
        std::vector<uint8_t> upload(0x800, 0x5A);
        Fp4Sums sums = fp4Sums(upload.data(), uint32_t(upload.size()));
        std::string text = checksumDisplayText(uint32_t(upload.size()), "1A2B", sums, [](const char* c, const char* t) {
            return QCoreApplication::translate(c, t).toStdString();
        });
        QMessageBox box(view);
        box.setWindowTitle(QCoreApplication::translate("ProgramEngine", "Checksum"));
        box.setIcon(QMessageBox::Information);
        box.setText(QString::fromStdString(text));
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        box.show();
        save(&box, QStringLiteral("checksum"), tag);
    }
    {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Quillmarker"),
                        QCoreApplication::translate("ProgramEngine", " May I finish a program? "), QMessageBox::Ok | QMessageBox::Cancel,
                        view);
        box.show();
        save(&box, QStringLiteral("exit"), tag);
    }
    frame->closeWithoutAsking();
    delete frame;
    settle();
}

}  // namespace

int main(int argc, char** argv) { return qmrtest::screenshotMain(argc, argv, "qm-screenshots", "", ":/icons/qm.svg", shoot); }
