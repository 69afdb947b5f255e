// A session of the single-unit program's logic on the in-process simulated
// unit, with the scripted screen, and the unit's store prepared directly.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "checks/crc32.h"
#include "link/sim/sim_driver.h"
#include "scratch.h"
#include "scripted_screen.h"
#include "support/records.h"
#include "support/stockedunit.h"

namespace qmtest {

inline std::string example(const char* name) { return std::string(QM_EXAMPLES_DIR) + "/" + name; }

inline std::vector<uint8_t> readBytes(const std::string& path) { return readExampleFile(path); }

// The simulated unit: a fresh one, and its store filled directly.
struct Unit {
    static void reset(const std::function<void(qmr::sim::Config&)>& tweak = {}) { resetSimulatedUnit(tweak); }
    static void with(const std::function<void(qmr::sim::Device&)>& f) { qmr::link::withSimDevice(f); }
    // Frames of this command the unit received.
    static size_t framesOf(uint8_t command)
    {
        size_t n = 0;
        with([&](qmr::sim::Device& d) {
            for (const auto& f : d.frames()) n += f.command == command;
        });
        return n;
    }
    static uint32_t prmId(const std::vector<uint8_t>& prm) { return prmIdentityOf(prm); }
    // The class-1 parameter file, the demo setting as slot 0 (the default)
    // and an image of `imageSize` bytes.
    static void store(bool setting = true, size_t imageSize = 0x800, const char* prs = "class1.prs",
                      const char* set = "demo.set")
    {
        stockSimulatedUnit(QM_EXAMPLES_DIR, prs, setting ? set : nullptr, imageSize);
    }
};

// A scratch folder whose paths come as the programs take them.
struct Scratch : qmrtest::Scratch {
    QString file(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        return QString::fromStdString(qmrtest::Scratch::file(name, bytes));
    }
    QString at(const std::string& name) const { return QString::fromStdString(qmrtest::Scratch::at(name)); }
};

class Session {
public:
    explicit Session(bool english = true, const std::function<void(QmLogic::Options&)>& tweak = {})
    {
        QmLogic::Options o;
        o.english = english;
        o.programFolder = QString::fromUtf8(QM_EXAMPLES_DIR);
        o.startupWaitMs = o.completionWaitMs = o.firmwareWaitMs = 0;
        if (tweak) tweak(o);
        logic = std::make_unique<QmLogic>(screen, o);
        screen.timerContext = logic.get();
        screen.onTimer = [this](Timer t) { logic->timerFired(t); };
        logic->setTrace(true);
    }
    ~Session()
    {
        // Whatever is still posted is taken before the context closes.
        if (!logic->ending()) waitUntil([&] { return logic->idle(); }, 2000);
    }
    // Starts the program and waits for the start command to finish.
    bool start()
    {
        logic->start();
        return waitUntil([&] { return screen.logCount("Initialization Completion") >= 2 && logic->idle(); });
    }
    bool waitIdle(int ms = 10000)
    {
        // Idle, and still idle once the events now posted are handled.
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
    void trigger(Action a) { logic->trigger(a); }
    FlshContext* ctx() const { return logic->context(); }

    QmScriptedScreen screen;
    std::unique_ptr<QmLogic> logic;
};

}  // namespace qmtest
