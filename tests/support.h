// Test helpers: a notify target that collects the library's records, and a
// scripted link driver whose devices answer from a byte queue.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "link/driver.h"
#include "scratch.h"
#include "qmr/qmr.h"

namespace qmrtest {

#ifdef QMR_GANG
constexpr bool kGang = true;
#else
constexpr bool kGang = false;
#endif

using TempDir = Scratch;

// Receives the worker's announcements; next() answers one of them with
// QMRFlshGetProg, as a window thread does.
class Window {
public:
    Window() { base_.post = &Window::onPost; }
    QmrWindow* handle() { return &base_; }

    bool wait(int timeoutMs = 5000)
    {
        std::unique_lock<std::mutex> g(mutex_);
        if (!cv_.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return pending_ > 0; }))
            return false;
        --pending_;
        return true;
    }
    int pending()
    {
        std::lock_guard<std::mutex> g(mutex_);
        return pending_;
    }
    uint32_t lastMessage() const { return lastMessage_; }

private:
    static void onPost(QmrWindow* self, uint32_t message, uintptr_t, intptr_t)
    {
        // base_ is the first member, so the window starts at self.
        auto* w = reinterpret_cast<Window*>(self);
        {
            std::lock_guard<std::mutex> g(w->mutex_);
            ++w->pending_;
            w->lastMessage_ = message;
        }
        w->cv_.notify_all();
    }
    QmrWindow base_;
    std::mutex mutex_;
    std::condition_variable cv_;
    int pending_ = 0;
    uint32_t lastMessage_ = 0;
};

// A context with its window.
class Session {
public:
    explicit Session(bool englishTexts = true)
    {
        ctx = QMRFlshOpen(window.handle(), QMR_MSG_PROGRESS, nullptr);
        if (ctx) ctx->english = englishTexts ? 1 : 0;
    }
    ~Session()
    {
        if (ctx) QMRFlshClose(ctx);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The next record, or a record with code -1 when none comes in time.
    ProgressRecord next(int timeoutMs = 5000)
    {
        ProgressRecord r{};
        if (!window.wait(timeoutMs)) {
            r.code = -1;
            std::strcpy(r.text, "<no record>");
            return r;
        }
        return *QMRFlshGetProg(ctx);
    }
    // Records up to and including the first for which stop() holds (or an
    // error record, or a time-out).
    std::vector<ProgressRecord> until(const std::function<bool(const ProgressRecord&)>& stop,
                                      int timeoutMs = 5000)
    {
        std::vector<ProgressRecord> out;
        for (;;) {
            out.push_back(next(timeoutMs));
            const auto& r = out.back();
            if (r.code != 0 || stop(r)) return out;
        }
    }
    std::vector<ProgressRecord> untilText(const char* text, int timeoutMs = 5000)
    {
        return until([&](const ProgressRecord& r) { return std::strcmp(r.text, text) == 0; }, timeoutMs);
    }
    // Reset and wait for its completion record.
    bool reset()
    {
        ResetParams p{};
        QMRFlshReset(ctx, &p, 0);
        auto r = next();
        return r.code == 0 && std::strcmp(r.text, "RESET Command Completion") == 0;
    }
    // Runs the start command to its last record.
    std::vector<ProgressRecord> initialize()
    {
        QMRStartCmd(ctx, 0);
        return until([](const ProgressRecord& r) {
            return std::strcmp(r.text, "Initialization Completion") == 0 && r.done == 0;
        });
    }

    Window window;
    FlshContext* ctx = nullptr;
};

std::vector<std::string> texts(const std::vector<ProgressRecord>& records);

// ---- a scripted driver ----------------------------------------------------
struct ScriptState {
    std::mutex mutex;
    std::deque<uint8_t> toHost;           // what the device will answer
    std::vector<uint8_t> fromHost;        // what the host wrote
    bool failReads = false;
};

class ScriptPort : public qmr::link::Port {
public:
    explicit ScriptPort(std::shared_ptr<ScriptState> s, std::string serial = "SCRIPT01")
        : s_(std::move(s)), serial_(std::move(serial)) {}
    bool write(const uint8_t* d, uint32_t n, uint32_t& w, uint64_t deadline) override;
    bool read(uint8_t* d, uint32_t n, uint32_t& got, uint64_t deadline) override;
    bool info(qmr::link::DeviceInfo& out) override;
    bool purgeReceive() override;
    // The script's bytes are answers still to come: none has arrived yet.
    void dropReceived() override {}
    void interrupt() override {}

private:
    std::shared_ptr<ScriptState> s_;
    std::string serial_;
};

struct FakeDevice {
    std::string description;
    bool opens = true;
    std::string serial = "SCRIPT01";
};

class ScriptDriver : public qmr::link::Driver {
public:
    ScriptDriver(std::vector<FakeDevice> devices, std::shared_ptr<ScriptState> s)
        : devices_(std::move(devices)), s_(std::move(s)) {}
    bool count(uint32_t& n) override;
    bool description(uint32_t index, char out[64]) override;
    std::unique_ptr<qmr::link::Port> openByDescription(const char* d, std::string& problem) override;
    std::vector<std::string> opened;  // serials of the devices opened

private:
    std::vector<FakeDevice> devices_;
    std::shared_ptr<ScriptState> s_;
};

// A frame as the unit builds it.
std::vector<uint8_t> unitFrame(uint8_t command, std::vector<uint8_t> data);

}  // namespace qmrtest
