#include <cstdio>
#include <cstring>

#include "checks/codes.h"
#include "protocol/context.h"

namespace qmr::protocol {

using namespace checks;

bool closing(FlshContext* c)
{
    Worker* w = workerOf(c);
    return w && w->closing.load();
}

bool english(const FlshContext* c) { return c->english != 0; }

namespace {

void copyText(char* dst, const char* src)
{
    std::strncpy(dst, src ? src : "", QMR_TEXT_SIZE - 1);
    dst[QMR_TEXT_SIZE - 1] = 0;
}

void append(FlshContext* c, const Rec& r, const char* text)
{
    {
        platform::SemaphoreLock g(lockOf(c));
        int32_t w = c->ringWrite;
        if (w < 0 || w >= QMR_RING_SIZE) w = 0;
        ProgressRecord& p = c->ring[w];
        copyText(p.title, r.title);
        copyText(p.text, text);
        p.state = c->state;
        p.code = r.code;
        p.tagA = r.tagA == kFromContext ? c->tagA : r.tagA;
        p.tagB = r.tagB == kFromContext ? c->tagA : r.tagB;
        p.percent = r.percent > 100 ? 100 : r.percent;
        p.scale = 100;
        p.done = r.done;
        std::memset(p.spare, 0, sizeof p.spare);
        c->ringWrite = w + 1 >= QMR_RING_SIZE ? 0 : w + 1;
    }
    // A program may point the announcements elsewhere while the worker runs.
    QmrWindow* window = __atomic_load_n(&c->notifyWindow, __ATOMIC_ACQUIRE);
    uint32_t message = __atomic_load_n(&c->notifyMessage, __ATOMIC_ACQUIRE);
    platform::postWindowMessage(window, message, 0, 0);
}

}  // namespace

void post(FlshContext* c, const Rec& r, const char* format, ...)
{
    char text[QMR_TEXT_SIZE];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    append(c, r, text);
}

void postLine(FlshContext* c, const Rec& r, const char* once)
{
    // Only "%%" may remain after the first expansion.
    char text[QMR_TEXT_SIZE];
    size_t k = 0;
    for (const char* s = once; *s && k + 1 < sizeof text; ++s) {
        if (s[0] == '%' && s[1] == '%') ++s;
        text[k++] = *s;
    }
    text[k] = 0;
    append(c, r, text);
}

void postProgress(FlshContext* c, const char* title, const char* format, int percent)
{
    char once[QMR_TEXT_SIZE];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(once, sizeof once, format, percent);
#pragma GCC diagnostic pop
    Rec r;
    r.title = title;
    r.percent = percent;
    postLine(c, r, once);
}

namespace {
// An error record with the text of its code; a code without one says so.
void postCodeText(FlshContext* c, const char* title, int code, int tagB, const char* text)
{
    Rec r;
    r.title = title;
    r.code = code;
    r.percent = 100;
    r.tagB = tagB;
    if (*text) post(c, r, "%s", text);
    else post(c, r, "unknown code %d", code);
}
}  // namespace

void postStatusError(FlshContext* c, int code, int tagB, const char* title)
{
    postCodeText(c, title, code, tagB, statusRecordText(code, english(c)));
}

void postTargetError(FlshContext* c, int code, int tagB)
{
    postCodeText(c, "Error notice from the Target", code, tagB, targetErrorText(code, english(c)));
}

ProgressRecord* takeRecord(FlshContext* c)
{
    platform::SemaphoreLock g(lockOf(c));
    int32_t i = c->ringRead;
    if (i < 0 || i >= QMR_RING_SIZE) i = 0;
    ProgressRecord* p = &c->ring[i];
    c->ringRead = i + 1 >= QMR_RING_SIZE ? 0 : i + 1;
    if (c->ringRead == 0) {
        // A full pass: empty the texts, all but the record being handed out,
        // which the caller has not read yet.
        for (int k = 0; k < QMR_RING_SIZE; ++k) {
            if (k == i) continue;
            std::memset(c->ring[k].title, 0, QMR_TEXT_SIZE);
            std::memset(c->ring[k].text, 0, QMR_TEXT_SIZE);
        }
    }
    return p;
}

}  // namespace qmr::protocol
