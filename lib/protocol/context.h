// Internal view of a context: its worker, the progress ring and the records
// every state routine posts.
#pragma once

#include <atomic>
#include <cstdarg>

#include "platform/platform.h"
#include "qmr/qmr.h"

namespace qmr::protocol {

// What the progress poll carries from one pass to the next.
struct PollState {
    bool running = false;
    int percent = 100;  // the last percentage computed
    uint8_t operation = 0;
    UnitSlot single{};  // the single unit's slot (the gang build has eight in the context)
};

struct Worker {
    platform::Thread thread;
    std::atomic<bool> closing{false};
    PollState poll;
};

inline Worker* workerOf(FlshContext* c) { return static_cast<Worker*>(c->workerThread); }
inline platform::Semaphore* lockOf(FlshContext* c) { return static_cast<platform::Semaphore*>(c->lock); }
// True once the context is being closed: long routines stop at once.
bool closing(FlshContext* c);

constexpr int kFromContext = -0x7fffffff;

// Everything a progress record carries besides its text.
struct Rec {
    const char* title = "";
    int code = 0;
    int percent = 0;
    int tagA = kFromContext;  // default: the context's tagA
    int tagB = kFromContext;  // default: the context's tagA
    int done = 0;
};

// Appends one record to the ring (formatting its text) and notifies the
// window.  Never allocates; overwrites the oldest record when the caller is
// 1000 records behind.
void post(FlshContext* c, const Rec& r, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Posts a line that was formatted once already ("...30 %%"): the second
// expansion turns "%%" into "%".
void postLine(FlshContext* c, const Rec& r, const char* onceExpanded);
// Posts a progress line from a format such as "SET File Upload Command ...%d %%%%".
void postProgress(FlshContext* c, const char* title, const char* format, int percent);

// Error record: title "Error notice from the Target", percent 100, the text
// of a status or library code in the context's language.
void postStatusError(FlshContext* c, int code, int tagB = kFromContext,
                     const char* title = "Error notice from the Target");
void postTargetError(FlshContext* c, int code, int tagB = kFromContext);

bool english(const FlshContext* c);

// The ring read of QMRFlshGetProg.
ProgressRecord* takeRecord(FlshContext* c);

// The worker thread's body.
void runWorker(FlshContext* c);

}  // namespace qmr::protocol
