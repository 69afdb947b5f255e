// A session of the gang program's logic on the in-process simulated gang
// box, with the scripted screen, and the box's store prepared directly.
#pragma once

#include <gtest/gtest.h>

#include <QFileInfo>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gang/ganglogic.h"
#include "gang/gangscreen.h"
#include "gang/serialsettings.h"
#include "link/sim/sim_driver.h"
#include "scratch.h"
#include "support/hexfiles.h"
#include "support/records.h"
#include "support/scripted_screen.h"
#include "support/stockedunit.h"

namespace gangtest {

using namespace qmr::app;
using qmrtest::postRecord;
using qmrtest::waitUntil;

inline std::string example(const char* name) { return std::string(QM_EXAMPLES_DIR) + "/" + name; }

class GangScriptedScreen : public qmrtest::ScriptedScreenT<GangScreen> {
public:
    std::function<bool(SerialSettingsLogic&)> serialSettings;  // true: closed with OK
    std::function<bool(ReadDialogLogic&)> readDialog;
    GangForm form;
    UnitColumns units;
    SerialBox serialBox;
    QString missing;
    GangAbout about;
    int readDialogs = 0;

    void showForm(const GangForm& f) override { form = f; }
    void showUnits(const UnitColumns& u) override { units = u; }
    void showSerialBox(const SerialBox& b) override { serialBox = b; }
    void showMissingNumbers(const QString& text) override { missing = text; }
    void showAbout(const GangAbout& a) override { about = a; }
    bool runSerialSettings(SerialSettingsLogic& d) override { return serialSettings ? serialSettings(d) : false; }
    bool runReadDialog(ReadDialogLogic& d) override
    {
        ++readDialogs;
        return readDialog ? readDialog(d) : false;
    }
};

// The simulated gang box: fresh, with units in the given positions only.
struct Box {
    static void reset(std::initializer_list<int> positions = {1, 2, 3, 4, 5, 6, 7, 8},
                      const std::function<void(qmr::sim::Config&)>& tweak = {})
    {
        resetSimulatedGangBox(positions, tweak);
    }
    static void with(const std::function<void(qmr::sim::Device&)>& f) { qmr::link::withSimDevice(f); }
    // The class-1 parameter file, the demo setting as slot 0 (the default) and an image.
    static void store(size_t imageSize = 0x800) { stockSimulatedUnit(QM_EXAMPLES_DIR, "class1.prs", "demo.set", imageSize); }
    static size_t framesOf(uint8_t command)
    {
        size_t n = 0;
        with([&](qmr::sim::Device& d) {
            for (const auto& f : d.frames()) n += f.command == command;
        });
        return n;
    }
    static std::vector<uint8_t> target(int position)
    {
        std::vector<uint8_t> out;
        with([&](qmr::sim::Device& d) { out = d.targetMemory(position); });
        return out;
    }
};

// A scratch folder whose paths come as the programs take them.
struct Scratch : qmrtest::Scratch {
    QString file(const std::string& name, const std::string& text) const
    {
        return QString::fromStdString(qmrtest::Scratch::file(name, text));
    }
    QString at(const std::string& name) const { return QString::fromStdString(qmrtest::Scratch::at(name)); }
};

class Session {
public:
    explicit Session(const std::function<void(GangLogic::Options&)>& tweak = {})
    {
        GangLogic::Options o;
        o.programFolder = QString::fromUtf8(QM_EXAMPLES_DIR);
        o.startupWaitMs = o.completionWaitMs = o.firmwareWaitMs = 0;
        o.watchLongMs = 3600 * 1000;  // no start-button polls unless a test asks for them
        if (tweak) tweak(o);
        logic = std::make_unique<GangLogic>(screen, o);
        screen.timerContext = logic.get();
        screen.onTimer = [this](Timer t) { logic->timerFired(t); };
        logic->setTrace(true);
    }
    ~Session()
    {
        if (!logic->ending()) waitIdle(2000);
    }
    bool start()
    {
        logic->start();
        return waitUntil([&] { return screen.logCount(QStringLiteral("Initialization Completion")) >= 2 && logic->idle(); }) &&
               waitIdle();
    }
    bool waitIdle(int ms = 10000)
    {
        return waitUntil(
            [&] {
                if (!logic->idle()) return false;
                QCoreApplication::processEvents();
                return logic->idle();
            },
            ms);
    }
    bool waitLog(const QString& line, int ms = 10000)
    {
        return waitUntil([&] { return screen.logged(line); }, ms) && waitIdle(ms);
    }
    void trigger(GangAction a) { logic->trigger(a); }
    FlshContext* ctx() const { return logic->context(); }
    // Turns the serial-number EPV on with these settings.
    void serialSettings(const char* address, int sizeIndex, const char* data, bool plusOne)
    {
        screen.serialSettings = [=](SerialSettingsLogic& d) {
            return d.ok(QString::fromLatin1(address), sizeIndex, QString::fromLatin1(data), plusOne);
        };
        logic->setSerialEpv(true);
    }

    GangScriptedScreen screen;
    std::unique_ptr<GangLogic> logic;
};

}  // namespace gangtest
