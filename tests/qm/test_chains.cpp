// The single-unit program's command chains and the flows of setting,
// parameter and image files, against the simulated unit.
#include "fixture.h"

#include <unistd.h>

#include <QDir>

#include "core/setfiles.h"
#include "setrecord/setrecord.h"

using namespace qmtest;
namespace fs = std::filesystem;

namespace {


class Chains : public ::testing::Test {
protected:
    void SetUp() override
    {
        Unit::reset();
        Unit::store();
    }
    std::vector<uint8_t> stored(int slot)
    {
        std::vector<uint8_t> out;
        Unit::with([&](qmr::sim::Device& d) {
            if (d.store().settings[size_t(slot)]) out = *d.store().settings[size_t(slot)];
        });
        return out;
    }
    int startCommands(const Session& s) const { return s.screen.logCount(QStringLiteral(">>COMMAND: Start Command")); }
};

TEST_F(Chains, SetupListsTheUnitOpensTheDialogSendsTheSettingAndStartsAgain)
{
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.setup = [](SetupDialogLogic& d) {
        EXPECT_TRUE(d.okEnabled());
        EXPECT_EQ(d.parameterName(), QStringLiteral("NM78K0X.PRS"));
        d.model().chooseMultiplier(1);  // 2.0
        d.model().typeSettingName("LINE B");
        EXPECT_TRUE(d.ok());
    };
    s.trigger(Action::Setup);
    ASSERT_TRUE(s.waitLog(QStringLiteral("Initialization Completion")));
    EXPECT_EQ(s.screen.setupDialogs, 1);
    QStringList order;
    for (const QString& l : s.screen.log)
        if (l.startsWith(QStringLiteral(">>COMMAND: "))) order << l;
    EXPECT_EQ(order, (QStringList{">>COMMAND: Reset.", ">>COMMAND: PRM SET List Upload & SET Default Get Command", ">>COMMAND: Device Setup",
                                  ">>COMMAND: Reset.", ">>COMMAND: SET Send Command", ">>COMMAND: Reset.",
                                  ">>COMMAND: Start Command"}));
    auto rec = stored(0);
    ASSERT_EQ(rec.size(), 16384u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec.data()) + 0x30, 6), "LINE B");
    EXPECT_EQ(rec[0x60], 0x20);
    EXPECT_EQ(s.screen.form.setting, QStringLiteral("LINE B"));
    EXPECT_NE(s.screen.form.oscillator.indexOf(QStringLiteral("* 2.0")), -1) << s.screen.form.oscillator.toStdString();
}

TEST_F(Chains, SetupOnAUnitWithoutSettingsMakesOneInTheChosenSlot)
{
    Unit::reset();
    Unit::store(false, 0x800);
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.settingUpdate = [](SettingUpdateLogic& u) {
        EXPECT_TRUE(u.hasParameterList());
        return u.accept(QStringLiteral("FIRST"), 0);
    };
    s.screen.settingList = [](SettingListLogic& l) {
        EXPECT_EQ(l.mode(), ListMode::Select);
        EXPECT_FALSE(l.accept(4));   // an empty slot: "Input SET filename"
        EXPECT_FALSE(l.doubleClick(4));  // the update dialog names it
        return l.accept(4);
    };
    s.screen.setup = [](SetupDialogLogic& d) {
        EXPECT_FALSE(d.controlsEnabled());  // only Select and Cancel without a setting
        d.select();
        ASSERT_TRUE(waitUntil([&] { return !d.loading(); }));
        EXPECT_TRUE(d.controlsEnabled());
        EXPECT_EQ(QString::fromStdString(d.controls().setName.text), QStringLiteral("FIRST"));
        d.ok();
    };
    s.trigger(Action::Setup);
    ASSERT_TRUE(s.waitLog(QStringLiteral("Initialization Completion")));
    EXPECT_EQ(s.screen.messageTexts(), QStringList{QStringLiteral("Input SET filename")});
    EXPECT_EQ(stored(4).size(), 16384u);
    EXPECT_EQ(s.ctx()->settingsNumber, 4);
    EXPECT_EQ(s.screen.form.setting, QStringLiteral("FIRST"));
}

TEST_F(Chains, ACancelledSetupRestoresTheRecordsAndSendsNothing)
{
    Session s;
    ASSERT_TRUE(s.start());
    std::vector<uint8_t> before(s.ctx()->settingsRecord, s.ctx()->settingsRecord + 16384);
    s.screen.setup = [](SetupDialogLogic& d) {
        d.model().typeSettingName("CHANGED");
        d.cancel();
    };
    s.trigger(Action::Setup);
    ASSERT_TRUE(s.waitIdle());
    ASSERT_TRUE(s.waitLog(QStringLiteral(">>COMMAND: Device Setup")));
    EXPECT_EQ(std::vector<uint8_t>(s.ctx()->settingsRecord, s.ctx()->settingsRecord + 16384), before);
    EXPECT_FALSE(s.screen.logged(QStringLiteral(">>COMMAND: SET Send Command")));
}

TEST_F(Chains, ParameterFileSendRefusesWhatIsNoParameterFileAndAsksBeforeOverwriting)
{
    Scratch t;
    auto prm = readBytes(example("class3.prs"));
    auto bad = prm;
    bad[300] ^= 0xFF;
    auto v5 = prm;
    v5[0] = 5;
    Session s;
    ASSERT_TRUE(s.start());
    struct Case {
        const char* name;
        std::vector<FileAnswer> files;
        std::vector<Answer> answers;
        QStringList boxes;
        bool sent;
    };
    const QString upper = t.file("X.PRS", prm), good = t.file("X.prs", prm), sum = t.file("bad.prs", bad), five = t.file("v5.prs", v5);
    const QString missing = t.at("missing.prs");
    const std::vector<Case> cases = {
        {"upper-case extension, then the right one", {{true, upper}, {true, good}}, {}, {"Choose a parameter file", QString()}, true},
        {"a checksum error", {{true, sum}}, {}, {QString(), "It is a checksum, error"}, false},
        {"version 5", {{true, five}}, {}, {QString(), "It doesn't cope with this parameter file. \n Upgrade the GUI.  "}, false},
        {"a file that is not there", {{true, missing}}, {}, {QString(), QString()}, false},
        {"registration cancelled", {{true, good}}, {Answer::Cancel}, {QString()}, false},
    };
    for (const auto& c : cases) {
        Unit::reset();
        Unit::store();
        s.screen.messages.clear();
        s.screen.files.assign(c.files.begin(), c.files.end());
        s.screen.answers.assign(c.answers.begin(), c.answers.end());
        s.trigger(Action::PrmDownload);
        ASSERT_TRUE(s.waitIdle()) << c.name;
        bool held = false;
        Unit::with([&](qmr::sim::Device& d) { held = d.store().prm.count(Unit::prmId(prm)) != 0; });
        EXPECT_EQ(held, c.sent) << c.name;
        QStringList shown = s.screen.messageTexts();
        ASSERT_EQ(shown.size(), c.boxes.size()) << c.name << ": " << shown.join("|").toStdString();
        for (int i = 0; i < shown.size(); ++i)
            if (!c.boxes[i].isEmpty()) {
                EXPECT_EQ(shown[i], c.boxes[i]) << c.name;
            }
        if (QString(c.name).contains("not there")) {
            EXPECT_TRUE(shown.back().contains(QStringLiteral("does not exist")));
        }
    }
}

TEST_F(Chains, ParameterFileOfTheCurrentSettingIsOverwrittenAndSetupOpensAfterTheStart)
{
    // The unit's file, changed and with its checksum made right again.
    Scratch t;
    auto prm = readBytes(example("class1.prs"));
    prm[300] ^= 0x5A;
    uint32_t crc = qmr::checks::crc32Zip(prm.data() + 6, 16384 - 6);
    for (int i = 0; i < 4; ++i) prm[size_t(2 + i)] = uint8_t(crc >> (8 * i));
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.files.push_back({true, t.file("changed.prs", prm)});
    s.screen.setup = [](SetupDialogLogic& d) { d.cancel(); };
    s.trigger(Action::PrmDownload);
    ASSERT_TRUE(s.waitLog(QStringLiteral(">>COMMAND: Device Setup")));
    QStringList shown = s.screen.messageTexts();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("May I register ")));
    EXPECT_EQ(shown[1], QStringLiteral(" NM78K0X.PRS has already been registered  May I overwrite it? "));
    EXPECT_EQ(s.screen.messages[1].caption, QStringLiteral("Quillmarker / Parameter registration"));
    EXPECT_EQ(s.screen.setupDialogs, 1);
    EXPECT_EQ(startCommands(s), 1);
    Unit::with([&](qmr::sim::Device& d) {
        ASSERT_EQ(d.store().prm.size(), 1u);
        EXPECT_EQ(d.store().prm.begin()->second, prm);  // the unit holds the new file
        EXPECT_TRUE(d.store().settings[0].has_value());  // and the setting made for it
    });
    EXPECT_EQ(s.screen.form.setting, QStringLiteral("DEMO NM78F0511 EPV"));
}

TEST_F(Chains, SettingDownloadFromDiskFollowsTheFileRules)
{
    Scratch t;
    auto demo = readBytes(example("demo.set"));
    auto v3 = demo;
    v3[0] = 3;
    auto stranger = demo;
    stranger[6] ^= 0x5A;
    t.file("abc.set", demo);
    t.file("a.set", demo);
    t.file("v3.set", v3);
    t.file("stranger.set", stranger);
    Session s;
    ASSERT_TRUE(s.start());
    struct Case {
        const char* chosen;
        int slot;            // the slot the registration dialog returns
        bool listShown;
        const char* box;     // last box, or null
        bool sent;
    };
    const Case cases[] = {
        {"abc", 3, true, nullptr, true},
        {"abc.txt", 4, true, nullptr, true},
        {"a.b.c", 5, true, nullptr, true},
        {"stranger", -1, false, "A parameter file doesn't exist", false},
        {"v3", 6, true, "It doesn't cope with this setting file. \n Upgrade the GUI.  ", false},
    };
    for (const auto& c : cases) {
        s.screen.messages.clear();
        int lists = s.screen.settingLists;
        s.screen.files.push_back({true, t.at(c.chosen)});
        s.screen.settingList = [&](SettingListLogic& l) {
            EXPECT_EQ(l.mode(), ListMode::Registration);
            return l.accept(c.slot);
        };
        s.trigger(Action::SetDownload);
        ASSERT_TRUE(s.waitIdle()) << c.chosen;
        if (c.sent) {
            ASSERT_TRUE(s.waitLog(QStringLiteral("Initialization Completion"))) << c.chosen;
        }
        EXPECT_EQ(s.screen.settingLists - lists, c.listShown ? 1 : 0) << c.chosen;
        if (c.box) {
            EXPECT_EQ(s.screen.messages.back().text, QString::fromUtf8(c.box)) << c.chosen;
        }
        if (c.slot >= 0) {
            EXPECT_EQ(stored(c.slot) == demo, c.sent) << c.chosen;
        }
    }
    // The unit's default slot cannot be overwritten through registration.
    SettingListLogic reg(s.screen, ListMode::Registration, {}, {}, 0);
    s.screen.messages.clear();
    EXPECT_FALSE(reg.accept(0));
    EXPECT_EQ(s.screen.messages.back().text, QStringLiteral("[00] It can't be overwritten to Default SET file"));
}

TEST_F(Chains, SettingUploadWritesTheFileWholeOrTellsWhyNot)
{
    Scratch t;
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.settingList = [](SettingListLogic& l) {
        EXPECT_EQ(l.mode(), ListMode::Upload);
        return l.accept(0);
    };
    s.screen.files.push_back({true, t.at("copy.set")});
    s.trigger(Action::SetUpload);
    ASSERT_TRUE(s.waitLog(QStringLiteral("SET File Upload Command Completion")));
    ASSERT_TRUE(s.waitIdle());
    EXPECT_EQ(readBytes(t.at("copy.set").toStdString()), readBytes(example("demo.set")));
    // A folder that is not there: a box and a log line, no file.
    s.screen.files.push_back({true, t.at("gone/copy.set")});
    s.trigger(Action::SetUpload);
    ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty() && s.logic->idle(); }));
    EXPECT_TRUE(s.screen.messages.back().text.startsWith(QStringLiteral("The setting file could not be written to ")));
    EXPECT_FALSE(fs::exists(t.path / "gone"));
    EXPECT_EQ(s.screen.log.filter(QStringLiteral("SET File not written")).size(), 1);
}

TEST_F(Chains, DeleteThenStart)
{
    Unit::with([](qmr::sim::Device& d) { d.store().settings[9] = d.store().settings[0]; });
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.settingList = [](SettingListLogic& l) {
        EXPECT_EQ(l.mode(), ListMode::Delete);
        return l.accept(9);
    };
    s.trigger(Action::SetDelete);
    ASSERT_TRUE(s.waitLog(QStringLiteral("Initialization Completion")));
    EXPECT_EQ(s.screen.messages.back().text, QStringLiteral("May I delete DEMO NM78F0511 EPV [09] ?"));
    EXPECT_TRUE(stored(9).empty());
    EXPECT_EQ(startCommands(s), 1);
}

TEST_F(Chains, AHexFileIsLoadedDownloadedAndItsInformationUploaded)
{
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.files.push_back({true, QString::fromStdString(example("blinky.hex")), true});
    s.trigger(Action::HexDownload);
    ASSERT_TRUE(s.waitLog(QStringLiteral("HEX File Infomation Upload Command Completion")));
    EXPECT_EQ(s.screen.fileRequests.back().initialName, QStringLiteral("*.hex;*.s"));
    EXPECT_TRUE(s.screen.fileRequests.back().securityBox);
    // The CRC of the loaded image: as the library's loader reads the file.
    HexContext* h = QMRHexOpen(example("blinky.hex").c_str(), nullptr, 0, nullptr, 0, 0);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(waitUntil([&] { return __atomic_load_n(&h->loadState, __ATOMIC_ACQUIRE) != 0; }));
    uint32_t crc = qmr::checks::crc32Bzip2(h->imageBuffer, h->imageSize);
    uint32_t size = h->imageSize;
    QMRHexClose(h);
    EXPECT_EQ(s.ctx()->hexCrc, crc);
    EXPECT_EQ(s.ctx()->hexSize, size);
    EXPECT_EQ(s.ctx()->hexSecurity, 1);
    EXPECT_EQ(s.screen.form.hexCrc, QString::asprintf("%08X", crc));
    EXPECT_EQ(s.screen.form.hexName, QStringLiteral("blinky.hex"));
    Unit::with([&](qmr::sim::Device& d) {
        ASSERT_TRUE(d.store().image.has_value());
        EXPECT_EQ(d.store().image->crc, crc);
        EXPECT_EQ(d.store().image->kind, 1);
    });
    // The information upload empties the log before its lines.
    EXPECT_EQ(s.screen.log.filter(QStringLiteral(">>COMMAND: HEX")), QStringList{">>COMMAND: HEX Info UpLoad Command"});
}

TEST_F(Chains, AnImageDeepInTheFileSystemStillLoads)
{
    Scratch t;
    std::string deep = t.path.string();
    while (deep.size() < 300) {
        deep += "/" + std::string(40, 'd');
        fs::create_directory(deep);
    }
    fs::copy_file(example("blinky.hex"), deep + "/blinky.hex");
    Session s;
    ASSERT_TRUE(s.start());
    s.screen.files.push_back({true, QString::fromStdString(deep + "/blinky.hex")});
    s.trigger(Action::HexDownload);
    ASSERT_TRUE(s.waitLog(QStringLiteral("HEX File Infomation Upload Command Completion")));
    EXPECT_TRUE(s.screen.messages.empty()) << s.screen.messageTexts().join("|").toStdString();
    EXPECT_EQ(s.screen.form.hexName, QStringLiteral("blinky.hex"));
    QDir::setCurrent(QStringLiteral("/"));
}

TEST_F(Chains, ImageFilesThatDoNotLoadSayWhy)
{
    Scratch t;
    std::string cut = ":10010000214601360121470136007EFE09D2190140\r\n";  // no end record
    QString cutFile = t.file("cut.hex", std::vector<uint8_t>(cut.begin(), cut.end()));
    QString text = t.file("notes.hex", {'h', 'e', 'l', 'l', 'o'});
    Session s;
    ASSERT_TRUE(s.start());
    struct Case {
        QString path;
        QString box;
        QString caption;
    };
    const Case cases[] = {
        {cutFile, QString::fromUtf8(" チェックサムエラーです "), QString::fromUtf8("警告")},
        {text, QStringLiteral("The file which was not a HEX file format was chosen"), QStringLiteral("Warning ")},
        {t.at("none.hex"), QStringLiteral("The file ") + t.at("none.hex") + QStringLiteral(" does not exist."), QStringLiteral("Warning ")},
        {QString::fromStdString(t.path.string()), QStringLiteral("The file ") + QString::fromStdString(t.path.string()) +
                                                      QStringLiteral(" is not a regular file."), QStringLiteral("Warning ")},
    };
    for (const auto& c : cases) {
        s.screen.messages.clear();
        s.screen.files.push_back({true, c.path});
        s.trigger(Action::HexDownload);
        ASSERT_TRUE(waitUntil([&] { return !s.screen.messages.empty(); })) << c.path.toStdString();
        ASSERT_TRUE(s.waitIdle());
        EXPECT_EQ(s.screen.messages.back().text, c.box);
        EXPECT_EQ(s.screen.messages.back().caption, c.caption);
        EXPECT_FALSE(s.screen.logged(QStringLiteral(">>COMMAND: HEX DownLoad Command")));
    }
}

}  // namespace
