// The command worker: one thread per context, one command at a time.
#include <cstring>

#include "link/link.h"
#include "checks/codes.h"
#include "protocol/context.h"
#include "protocol/states.h"

namespace qmr::protocol {

using namespace checks;

namespace {

#ifdef QMR_GANG
constexpr uint32_t kLastMessage = QMR_TM_LAST_GANG;
#else
constexpr uint32_t kLastMessage = QMR_TM_LAST_SINGLE;
#endif

// What a thread message starts.
struct Starter {
    uint32_t message;
    int state;             // the state the command runs in
    const char* title;     // a record the starter posts first, when text is set
    const char* text;
    int percent;
};

constexpr Starter kStarters[] = {
    {QMR_TM_PROGRESS, 37, nullptr, nullptr, 0},
    {QMR_TM_EPV, 35, nullptr, nullptr, 0},
    {QMR_TM_EXPEPV, 36, nullptr, nullptr, 0},
    {QMR_TM_BLANK, 1, nullptr, nullptr, 0},
    {QMR_TM_ERASE, 2, nullptr, nullptr, 0},
    {QMR_TM_PROGRAM, 3, "Program ...", "PROGRAM Command ...", 20},
    {QMR_TM_VERIFY, 4, "Verify ...", "VERIFY Command ...", 20},
    {QMR_TM_SECURITY, 42, nullptr, nullptr, 0},
    {QMR_TM_CHECKSUM, 40, nullptr, nullptr, 0},
    {QMR_TM_FLASHCHECKSUM, 5, nullptr, nullptr, 0},
    {QMR_TM_SIGREAD, 41, nullptr, nullptr, 0},
    {QMR_TM_STARTCMD, 20, "Initialization ...", "Initialization ...", 1},
    {QMR_TM_PRMSEND, 21, "Parameter File Download ...", "PRM File Download Command ...", 1},
    {QMR_TM_PRMUPLOAD, 22, nullptr, nullptr, 0},
    {QMR_TM_PRMLIST, 23, nullptr, nullptr, 0},
    {QMR_TM_SETSEND, 27, "Setting File Download ...", "SET File Download Command ...", 1},
    {QMR_TM_SETUPLOAD, 28, nullptr, nullptr, 0},
    {QMR_TM_SETLIST, 29, nullptr, nullptr, 0},
    {QMR_TM_SETPRMUPLOAD, 32, nullptr, nullptr, 0},
    {QMR_TM_HEXDOWNLOAD, 24, "HEX File Download ...", "HEX File Download Command ...", 1},
    {QMR_TM_HEXUPLOAD, 25, nullptr, nullptr, 0},
    {QMR_TM_HEXINFO, 26, nullptr, nullptr, 0},
    {QMR_TM_READ, 47, nullptr, nullptr, 0},
    {QMR_TM_LOGINFO, 43, nullptr, nullptr, 0},
    {QMR_TM_LOGCLEAR, 44, nullptr, nullptr, 0},
    {QMR_TM_PRMSETLIST, 30, nullptr, nullptr, 0},
    {QMR_TM_SETDELETE, 31, nullptr, nullptr, 0},
    {QMR_TM_SETDEFGET, 33, nullptr, nullptr, 0},
    {QMR_TM_SETDEFSET, 34, nullptr, nullptr, 0},
#ifdef QMR_GANG
    {QMR_TM_FIRMUPDATE, 50, "Firmware Update ...", "Firmware Update Command ...", 1},
#else
    {QMR_TM_FIRMUPDATE, 48, "Firmware Update ...", "Firmware Update Command ...", 1},
#endif
    {QMR_TM_SYSREAD, 38, nullptr, nullptr, 0},
    {QMR_TM_SYSWRITE, 39, nullptr, nullptr, 0},
    {QMR_TM_BUILDNO, 45, nullptr, nullptr, 0},
    {QMR_TM_GUIQUIT, 46, nullptr, nullptr, 0},
#ifdef QMR_GANG
    {QMR_TM_SBTNINFO, 48, nullptr, nullptr, 0},
    {QMR_TM_BTNMASK, 49, nullptr, nullptr, 0},
#endif
};

const Starter* starterFor(uint32_t message)
{
    for (const auto& s : kStarters)
        if (s.message == message) return &s;
    return nullptr;
}

// Runs the starter of an idle-time message.  Returns 0 or a code to post.
int start(FlshContext* c, uint32_t message)
{
    switch (message) {
    case QMR_TM_RESET:
        if (!link::isOpen(c) && !link::openLink(c)) return QMR_E_NOTFOUND;
        c->state = 0;
        c->busy = 1;
        return 0;
    case QMR_TM_ABORT: {
        Rec r;
        r.percent = 100;
        post(c, r, "ABORT ok.");
        return 0;
    }
    case QMR_TM_DEVICEINFO:
        if (!link::isOpen(c)) return QMR_E_LINK;
        return link::readDeviceInfo(c) ? 0 : QMR_E_NULL;
    default:
        break;
    }
    const Starter* s = starterFor(message);
    if (!s) return 0;  // 1140..1146: the parameter record is stored, nothing starts
    if (!link::isOpen(c)) return QMR_E_LINK;
    // Whatever an earlier exchange left behind belongs to no answer of this command.
    link::dropReceived(c);
    c->state = s->state;
    if (s->text) {
        Rec r;
        r.title = s->title;
        r.percent = s->percent;
        post(c, r, "%s", s->text);
    }
    c->busy = 1;
    return 0;
}

// The states that start a device operation; its progress poll follows them.
bool startsOperation(int state)
{
    switch (state) {
    case 1: case 2: case 3: case 4: case 5: case 35: case 36: case 41: case 42: return true;
    default: return false;
    }
}

// Runs the current state's routine once; its code (0: it went on or ended well).
int runState(FlshContext* c)
{
    if (c->abortRequested) {
        abortCompletion(c);
        return QMR_E_LINK;
    }
    StateRoutine routine = stateRoutine(c->state);
    int rc = QMR_E_LINK;
    if (routine) rc = routine(c);
    else postStatusError(c, rc);
    if (rc) c->busy = 0;
    return rc;
}

}  // namespace

void runWorker(FlshContext* c)
{
    Worker* w = workerOf(c);
    platform::MessageQueue& q = w->thread.queue();
    c->state = QMR_STATE_IDLE;
    c->abortRequested = 0;
    c->busy = 0;
    bool pollNext = false;  // a progress request came while the operation started
    for (;;) {
        platform::Message m{};
        if (pollNext) {
            m.message = QMR_TM_PROGRESS;
            pollNext = false;
        } else {
            m = q.get(QMR_TM_FIRST, kLastMessage);
        }
        if (m.message == QMR_TM_QUIT) return;
        int code = start(c, m.message);
        if (code) {
            c->busy = 0;
            c->state = QMR_STATE_IDLE;
            postStatusError(c, code);
        }
        while (c->busy) {
            if (w->closing) return;
            platform::Message running;
            if (q.peek(running, QMR_TM_FIRST, QMR_TM_LAST_DEVICE)) {
                if (running.message == QMR_TM_QUIT) return;
                if (running.message == QMR_TM_ABORT) c->abortRequested = 1;
                // The caller may ask for the progress as soon as an operation's
                // first record (Program's and Verify's come from their starters)
                // arrives: that request is the operation's own and follows it.
                // Any other device command is dropped while one runs.
                if (running.message == QMR_TM_PROGRESS && startsOperation(c->state)) pollNext = true;
            }
            if (runState(c) != 0) pollNext = false;  // nothing started: nothing to poll
        }
        c->state = QMR_STATE_IDLE;
    }
}

}  // namespace qmr::protocol
