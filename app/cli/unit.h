// The unit as the command line drives it: one library context, each command
// run to its final record (the link reset first, device operations polled),
// every record handed to the caller on the way.  Blocking; no toolkit.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "qmr.h"

namespace qmr::cli {

// How a command ended.
struct Outcome {
    bool ok = false;
    bool timedOut = false;  // no record came within the time-out
    bool polled = false;    // the device operation's progress was polled
    int code = 0;           // the failure record's code
    ProgressRecord last{};  // the final record
};

class Unit {
public:
    struct Options {
        bool english = true;
        int recordTimeoutMs = 30000;  // the longest the library may stay silent
        std::function<void(const ProgressRecord&)> onRecord;
    };
    explicit Unit(Options options);
    // Tells the unit the program closes (not after a broken link), then closes the context.
    ~Unit();
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    // Opens the context; false when the library cannot.
    bool open();
    FlshContext* ctx() const { return ctx_; }

    // Resets the link, then runs the export with tagA (and tagB for device
    // operations) to its final record.
    // before runs between the reset and the export (a silent request).
    Outcome run(int tagA, int (*call)(FlshContext*, int), bool deviceOperation,
                const std::function<void(FlshContext*)>& before = {});
    // The start command: the unit's information, lists, default setting and
    // image; the unit's USB serial number is read before it.
    Outcome start();

    // Loads an image or firmware file with the library's loader (no window:
    // it waits for the load to end).  Null with why when it cannot.
    static HexContext* load(const std::string& path, uint32_t firmwareCheck, int& result);

    // A link broke: no quit message is sent at the end.
    void linkBroken() { broken_ = true; }

private:
    static void onPost(QmrWindow* self, uint32_t, uintptr_t, intptr_t);
    bool next(ProgressRecord& out);  // waits for the next record
    struct Window {
        QmrWindow base;
        Unit* self;
    };
    Options opt_;
    Window window_{};
    FlshContext* ctx_ = nullptr;
    std::mutex mutex_;
    std::condition_variable cv_;
    int pending_ = 0;
    bool broken_ = false;
};

// A library code that means the link to the unit broke or there is no unit.
bool isLinkCode(int code);

}  // namespace qmr::cli
