// The widgets themselves, offscreen: the progress bar's two text colours,
// the Setup dialog showing and feeding its model, the frame's menus and
// toolbar, and the language switch.
#include "fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

#include <QApplication>

#include <atomic>
#include <QFile>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

#include "qm/cqmqmrview.h"
#include "qm/serialepvdialog.h"
#include "qt/customsecdialog.h"
#include "qt/dialogs.h"
#include "qt/language.h"
#include "qt/mainframe.h"
#include "qt/setupdialog.h"
#include "qt/textprogressbar.h"

using namespace qmtest;

namespace {

int countColour(const QImage& img, const QRect& r, QRgb c)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += img.pixel(x, y) == c;
    return n;
}

TEST(Widgets, TheProgressBarDrawsItsTextInTwoColours)
{
    CTextProgressBar bar;
    QPalette p;
    p.setColor(QPalette::Button, Qt::white);
    p.setColor(QPalette::Highlight, Qt::blue);
    p.setColor(QPalette::HighlightedText, Qt::yellow);
    p.setColor(QPalette::WindowText, Qt::red);
    bar.setPalette(p);
    QFont f = bar.font();
    f.setPixelSize(16);
    f.setStyleStrategy(QFont::NoAntialias);
    bar.setFont(f);
    bar.resize(300, 24);
    bar.setRange(0, 100);
    bar.setPosition(50);
    bar.setText(QStringLiteral("MMMMMMMMMMMMMMMMMMMMMM"));  // across the middle
    QImage img = bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QRect left(3, 3, 140, 18), right(157, 3, 140, 18);
    EXPECT_GT(countColour(img, left, qRgb(0, 0, 255)), 100);   // the filled part
    EXPECT_EQ(countColour(img, right, qRgb(0, 0, 255)), 0);
    EXPECT_GT(countColour(img, left, qRgb(255, 255, 0)), 10);  // text over it in the highlight-text colour
    EXPECT_EQ(countColour(img, left, qRgb(255, 0, 0)), 0);
    EXPECT_GT(countColour(img, right, qRgb(255, 0, 0)), 10);   // elsewhere in the text colour
    EXPECT_EQ(countColour(img, right, qRgb(255, 255, 0)), 0);
    bar.setPosition(0);
    img = bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(countColour(img, QRect(3, 3, 294, 18), qRgb(0, 0, 255)), 0);
}

TEST(Widgets, TheSetupDialogShowsTheModelAndPassesTheUsersChoicesOn)
{
    Unit::reset();
    Unit::store();
    Session s;
    ASSERT_TRUE(s.start());
    bool checked = false;
    s.screen.setup = [&](SetupDialogLogic& d) {
        SetupDialog dialog(d);
        const Controls& c = d.controls();
        ASSERT_EQ(dialog.device->count(), int(c.device.items.size()));
        EXPECT_EQ(dialog.device->currentIndex(), c.device.selected);
        EXPECT_EQ(dialog.settingName->text(), QString::fromStdString(c.setName.text));
        EXPECT_EQ(dialog.method->currentText(), QString::fromStdString(c.method.text()));
        EXPECT_TRUE(dialog.okButton->isEnabled());
        // The user picks another method: the model follows, the speed list is rebuilt.
        int other = dialog.method->currentIndex() == 0 ? 1 : 0;
        ASSERT_GT(dialog.method->count(), 1);
        dialog.method->setCurrentIndex(other);
        Q_EMIT dialog.method->activated(other);
        EXPECT_EQ(c.method.selected, other);
        EXPECT_EQ(dialog.speed->count(), int(c.speed.items.size()));
        EXPECT_EQ(dialog.speed->currentText(), QString::fromStdString(c.speed.text()));
        dialog.settingName->setText(QStringLiteral("TYPED"));
        Q_EMIT dialog.settingName->textEdited(QStringLiteral("TYPED"));
        EXPECT_EQ(c.setName.text, "TYPED");
        // A chip-erase prohibition warns through the screen and stays checked.
        dialog.security[kChipErase]->click();
        EXPECT_TRUE(c.security[kChipErase].checked);
        EXPECT_EQ(s.screen.messages.back().caption, QStringLiteral("Attention"));
        dialog.okButton->click();
        checked = true;
    };
    s.trigger(Action::Setup);
    ASSERT_TRUE(s.waitLog(QStringLiteral("Initialization Completion")));
    EXPECT_TRUE(checked);
    EXPECT_EQ(s.screen.form.setting, QStringLiteral("TYPED"));
    EXPECT_EQ(s.ctx()->settingsRecord[0x64] & 1, 0);  // chip erase prohibited
}

TEST(Widgets, TheFrameFollowsTheActionStates)
{
    CMainFrame* frame = makeQmFrame();
    ActionState st;
    st.menus = {true, true, false, true};
    st.enabled[size_t(Action::Epv)] = true;
    frame->apply(st);
    EXPECT_FALSE(frame->menu(2)->menuAction()->isEnabled());
    EXPECT_TRUE(frame->action(Action::Epv)->isEnabled());  // the toolbar keeps its own rule
    EXPECT_FALSE(frame->action(Action::Blank)->isEnabled());
    // Toolbar captions come without the menus' mnemonics.
    auto* bar = frame->findChild<QToolBar*>(QStringLiteral("toolbar"));
    ASSERT_NE(bar, nullptr);
    QStringList captions;
    for (QAction* a : bar->actions())
        if (!a->isSeparator()) captions << a->iconText();
    EXPECT_EQ(captions, (QStringList{"Setup", "Download", "Blank", "Erase", "Program", "Verify", "EPV"}));
    EXPECT_EQ(frame->action(Action::Blank)->statusTip(), QStringLiteral("Check if the target device is blank."));
    EXPECT_FALSE(frame->action(Action::Setup)->icon().pixmap(48, 48).isNull());
    delete frame;
}

TEST(Widgets, TheLanguageIsChosenOnceAndSwitchesEveryText)
{
    EXPECT_EQ(parseLanguage(QStringLiteral("JA")), Language::Japanese);
    EXPECT_FALSE(parseLanguage(QStringLiteral("de")).has_value());
    qputenv("QMR_LANG", "ja");
    EXPECT_EQ(chooseLanguage(QString()), Language::Japanese);
    EXPECT_EQ(chooseLanguage(QStringLiteral("en")), Language::English);  // the command line wins
    qunsetenv("QMR_LANG");
    {
        Translations ja;
        ASSERT_TRUE(ja.install(Language::Japanese));
        CMainFrame* frame = makeQmFrame();
        EXPECT_EQ(frame->action(Action::HexDownload)->text(), QString::fromUtf8("HEXﾌｧｲﾙ ﾀﾞｳﾝﾛｰﾄﾞ(&W)"));
        EXPECT_EQ(frame->action(Action::Exit)->text(), QString::fromUtf8("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"));
        EXPECT_EQ(QCoreApplication::translate("ProgramEngine", "The file which was not a HEX file format was chosen"),
                  QString::fromUtf8("HEXファイル形式でないファイルが選ばれました "));
        // Qt's own texts follow too.
        EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        delete frame;
    }
    CMainFrame* frame = makeQmFrame();
    EXPECT_EQ(frame->action(Action::HexDownload)->text(), QStringLiteral("HEX File Download(&W)"));
    delete frame;
}

TEST(Widgets, TheMainViewShowsWhatTheLogicDoes)
{
    Unit::reset();
    Unit::store();
    QmLogic::Options o;
    o.startupWaitMs = o.completionWaitMs = 0;
    CMainFrame* frame = makeQmFrame();
    auto* view = new CQMQMRView(frame, o);
    view->traceBox()->setChecked(true);
    view->logic().start();
    ASSERT_TRUE(waitUntil([&] { return view->logic().idle() && view->logic().deviceReady(); }));
    EXPECT_EQ(view->field(0)->text(), QStringLiteral("DEMO NM78F0511 EPV"));
    EXPECT_EQ(view->field(8)->text(), QStringLiteral("blinky.hex"));
    EXPECT_TRUE(view->logPane()->toPlainText().contains(QStringLiteral("Initialization Completion")));
    EXPECT_TRUE(frame->action(Action::Epv)->isEnabled());
    view->traceBox()->setChecked(false);
    ASSERT_TRUE(waitUntil([&] { return view->logPane()->toPlainText().isEmpty(); }));
    frame->closeWithoutAsking();
    delete frame;
}

// Answers the next file dialog that opens: notes its folder and option,
// ticks the security box when asked, and accepts the name.
struct FileDialogAnswer {
    QString folder;
    bool confirmsOverwrite = false;
    bool hadSecurityBox = false;
    bool askedOverwrite = false;  // the question came and was answered Yes
    void answerQuestion(int tries = 40)
    {
        QTimer::singleShot(5, [this, tries] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (box && box->isVisible()) {
                    askedOverwrite = true;
                    box->button(QMessageBox::Yes)->click();
                    return;
                }
            }
            if (tries > 0) answerQuestion(tries - 1);
        });
    }
    void arm(const QString& name, bool tickSecurity, int tries = 200)
    {
        QTimer::singleShot(5, [this, name, tickSecurity, tries] {
            QFileDialog* d = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* f = qobject_cast<QFileDialog*>(w); f && f->isVisible()) d = f;
            if (!d) {
                if (tries > 0) arm(name, tickSecurity, tries - 1);
                else ADD_FAILURE() << "no file dialog";
                return;
            }
            folder = d->directory().absolutePath();
            confirmsOverwrite = !d->testOption(QFileDialog::DontConfirmOverwrite);
            hadSecurityBox = false;
            if (auto* sec = dynamic_cast<CCustomSecDialog*>(d)) {
                hadSecurityBox = true;
                sec->securityBox()->setChecked(tickSecurity);
            }
            d->selectFile(name);
            askedOverwrite = false;
            QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection);
            answerQuestion();
        });
    }
};

TEST(Widgets, FileDialogsRememberAFolderPerKindAskBeforeOverwritingAndCarryTheSecurityBox)
{
    Scratch a, b;
    // A settings file of this run's own.
    const QString settingsName = QStringLiteral("qm-tests-dialogs-%1").arg(QCoreApplication::applicationPid());
    QSettings(QCoreApplication::organizationName(), settingsName).clear();
    QWidget parent;
    QtDialogs dialogs(&parent, settingsName);
    FileRequest hex;
    hex.folderKey = QStringLiteral("hex");
    hex.filters = {{QStringLiteral("Hex files(*.hex;*.s)"), QStringLiteral("*.hex;*.s")}};
    hex.securityBox = true;
    FileRequest srec;
    srec.folderKey = QStringLiteral("srec");
    srec.filters = {{QStringLiteral("Motorola Hex files(*.s)"), QStringLiteral("*.s")}};
    srec.overwritePrompt = true;
    const std::string end = ":00000001FF\r\n";
    a.file("one.hex", std::vector<uint8_t>(end.begin(), end.end()));
    b.file("two.s", std::vector<uint8_t>(end.begin(), end.end()));

    FileDialogAnswer ans;
    QDir::setCurrent(QString::fromStdString(a.path.string()));
    ans.arm(a.at("one.hex"), true);
    FileAnswer got = dialogs.openFile(hex);
    ASSERT_TRUE(got.chosen);
    EXPECT_TRUE(ans.hadSecurityBox);
    EXPECT_TRUE(got.security);  // the box's state comes back with the file
    ans.arm(a.at("one.hex"), false);
    EXPECT_FALSE(dialogs.openFile(hex).security);

    QDir::setCurrent("/");
    ans.arm(b.at("two.s"), false);
    got = dialogs.saveFile(srec);
    ASSERT_TRUE(got.chosen);
    EXPECT_TRUE(ans.confirmsOverwrite);
    EXPECT_TRUE(ans.askedOverwrite);  // two.s is there: the dialog asked first
    EXPECT_FALSE(ans.hadSecurityBox);

    // Each kind opens where it was last used, whatever the current folder.
    ans.arm(a.at("one.hex"), false);
    dialogs.openFile(hex);
    EXPECT_EQ(ans.folder, QString::fromStdString(a.path.string()));
    ans.arm(b.at("two.s"), false);
    dialogs.saveFile(srec);
    EXPECT_EQ(ans.folder, QString::fromStdString(b.path.string()));
    srec.overwritePrompt = false;
    ans.arm(b.at("two.s"), false);
    dialogs.saveFile(srec);
    EXPECT_FALSE(ans.confirmsOverwrite);
    EXPECT_FALSE(ans.askedOverwrite);
    QSettings settings(QCoreApplication::organizationName(), settingsName);
    settings.clear();
    settings.sync();
    QFile::remove(settings.fileName());
}

TEST(Widgets, TheSerialNumberDialogStaysOpenWhileItsEpvRuns)
{
    // Target operations take time on a clock the test moves.
    static std::atomic<uint64_t> now{0};
    now = 0;
    Unit::reset([](qmr::sim::Config& c) {
        c.paceBytesPerMs = 1;
        c.clock = [] { return now.load(); };
    });
    Unit::store();
    Session s;
    ASSERT_TRUE(s.start());
    bool wasRunning = false, stayed = false;
    s.screen.serialEpv = [&](SerialEpvLogic& d) {
        SerialEpvDialog dialog(d);
        dialog.show();
        d.epv(QStringLiteral("10"), 0, QStringLiteral("5"), true);
        wasRunning = d.running();
        dialog.reject();  // closing while the EPV runs
        stayed = dialog.isVisible() && notifyMessageOf(s.ctx()) == kSerialEpvMessage;
        EXPECT_FALSE(dialog.epvButton->isEnabled());
        ASSERT_TRUE(waitUntil([&] {
            now += 1000;  // time passes: the EPV ends
            return d.buttonsEnabled();
        }));
        EXPECT_EQ(d.dataText(), QStringLiteral("6"));
        dialog.reject();
        EXPECT_FALSE(dialog.isVisible());
    };
    s.trigger(Action::SerialEpv);
    ASSERT_TRUE(s.waitIdle());
    EXPECT_TRUE(wasRunning);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(notifyMessageOf(s.ctx()), QMR_MSG_PROGRESS);
}

TEST(Widgets, TheProgressBarShowsThePercentAsText)
{
    Unit::reset();
    QmLogic::Options o;
    o.open = [](QmrWindow*, uint32_t) { return nullptr; };
    CMainFrame* frame = makeQmFrame();
    auto* view = new CQMQMRView(frame, o);
    view->setProgress(42);
    EXPECT_EQ(view->progressBar()->position(), 42);
    EXPECT_EQ(view->progressBar()->text(), QStringLiteral("42 %"));
    view->setProgress(100);
    EXPECT_EQ(view->progressBar()->text(), QStringLiteral("100 %"));
    view->setProgress(0);
    EXPECT_TRUE(view->progressBar()->text().isEmpty());
    frame->closeWithoutAsking();
    delete frame;
}

}  // namespace
