// Renders the gang program's main window and its dialogs, in English and in
// Japanese, to PNG files named gang-<window>-<lang>.png: the main window
// after start-up on a gang box with units in some positions only, after an
// EPV in which one unit failed (with the error box), after a serial-number
// EPV with a missing number, and the read, serial-number settings, Setup,
// setting-list and About dialogs.  Run with QT_QPA_PLATFORM=offscreen (the
// screenshot script does).  Usage: gang-screenshots DIR
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "core/notify.h"
#include "core/setupdialog.h"
#include "gang/cqmgangview.h"
#include "gang/serialsettingsdialog.h"
#include "qt/language.h"
#include "qt/mainframe.h"
#include "qt/settinglistdialog.h"
#include "qt/setupdialog.h"
#include "support/eventwait.h"
#include "support/screenshots.h"
#include "support/stockedunit.h"

using namespace qmr::app;
using qmrtest::save;
using qmrtest::settle;
using qmrtest::shootNextBox;
using qmrtest::waitUntil;

namespace {

void shoot(Language lang)
{
    const QString tag = lang == Language::English ? QStringLiteral("en") : QStringLiteral("ja");
    Translations translations;
    translations.install(lang);
    // Units in positions 1, 2, 3, 5, 6 and 8; 4 and 7 are empty.
    resetSimulatedGangBox({1, 2, 3, 5, 6, 8});
    stockSimulatedUnit(QM_EXAMPLES_DIR, "class3.prs", nullptr, 0);
    stockSimulatedUnit(QM_EXAMPLES_DIR, "class1.prs", "demo.set", 0x1000);

    GangLogic::Options options;
    options.english = lang == Language::English;
    options.programFolder = QCoreApplication::applicationDirPath();
    options.watchLongMs = 3600 * 1000;  // no start-button polls while shooting
    CMainFrame* frame = makeGangFrame();
    auto* view = new CQMGANGView(frame, options);
    view->traceBox()->setChecked(true);
    frame->show();
    GangLogic& logic = view->logic();
    logic.start();
    if (!waitUntil([&] { return logic.context() && logic.idle() && logic.deviceReady(); })) {
        std::fprintf(stderr, "gang-screenshots: the start command did not finish (%s)\n", qPrintable(tag));
        ++qmrtest::shotFolder().failures;
    }
    save(frame, QStringLiteral("main"), tag);

    // An EPV in which the unit in socket 3 fails.
    qmr::link::withSimDevice([](qmr::sim::Device& d) { d.injectTargetError(3, 15); });
    shootNextBox(QStringLiteral("epv-error"), tag);
    logic.trigger(GangAction::Epv);
    waitUntil([&] { return logic.units()[2].result == QStringLiteral("NG") && logic.idle(); });
    save(frame, QStringLiteral("main-epv"), tag);

    // The serial-number settings, then a serial-number EPV in which socket 5 fails.
    {
        const auto* rec = reinterpret_cast<const SetRecord*>(logic.context()->settingsRecord);
        SerialSettingsLogic settings(*view, SerialSettings{}, rec->endBlockAddress.get());
        SerialSettingsDialog dialog(settings, view);
        dialog.address->setText(QStringLiteral("7f0"));
        dialog.data->setText(QStringLiteral("2026120100"));
        dialog.size->setCurrentIndex(3);
        dialog.show();
        save(&dialog, QStringLiteral("serial-settings"), tag);
    }
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = dynamic_cast<SerialSettingsDialog*>(w); d && d->isVisible()) {
                d->address->setText(QStringLiteral("7f0"));
                d->size->setCurrentIndex(2);
                d->data->setText(QStringLiteral("20261200"));
                d->accept();
            }
    });
    view->serialBox()->click();
    qmr::link::withSimDevice([](qmr::sim::Device& d) { d.injectTargetError(5, 40); });
    shootNextBox(QStringLiteral("serial-error"), tag);
    logic.trigger(GangAction::Epv);
    waitUntil([&] { return !logic.missingNumbers().isEmpty() && logic.idle(); });
    save(frame, QStringLiteral("main-serial"), tag);

    {
        std::array<bool, 8> present{};
        for (int i = 0; i < 8; ++i) present[size_t(i)] = logic.aboutTexts().present[size_t(i)];
        ReadDialogLogic read(present);
        ReadDialog dialog(read, view);
        dialog.sockets[1]->setChecked(true);
        dialog.sockets[4]->setChecked(true);
        dialog.show();
        save(&dialog, QStringLiteral("read"), tag);
    }
    FlshContext* ctx = logic.context();
    if (ctx) {
        QObject receiver;
        SetupDialogLogic* active = nullptr;
        NotifyPort port(&receiver, [&](uint32_t) {
            if (active) active->onProgress();
        });
        SetupDialogLogic::Inputs in;
        in.prms = logic.unitParameterFiles();
        in.settingSlots = logic.unitSettingSlots();
        in.defaultSlot = 0;
        in.setName = QStringLiteral("DEMO NM78F0511 EPV");
        in.caption = QStringLiteral("Quill GANG Marker");
        in.gangBox = true;
        in.slotCount = QMR_SET_ENTRIES;
        in.columns = logic.identity().listColumns;
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
        SettingListLogic list(*view, ListMode::Select, in.settingSlots, in.prms, 0, QMR_SET_ENTRIES);
        list.setColumns(in.columns);
        SettingListDialog listDialog(list, view);
        listDialog.show();
        save(&listDialog, QStringLiteral("setting-list"), tag);
    }
    {
        AboutDialog dialog(QStringLiteral("Quill GANG Marker"), QStringLiteral(":/gang/gang.svg"),
                           gangAboutRows(logic.aboutTexts()), gangAboutUnits(logic.aboutTexts()), view);
        dialog.show();
        save(&dialog, QStringLiteral("about"), tag);
    }
    frame->closeWithoutAsking();
    delete frame;
    settle();
}

}  // namespace

int main(int argc, char** argv) { return qmrtest::screenshotMain(argc, argv, "gang-screenshots", "gang-", ":/gang/gang.svg", shoot); }
