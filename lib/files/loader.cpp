// The program-image loader: one thread per load, one outcome record.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "files/fileio.h"
#include "files/hexscan.h"
#include "files/parts.h"
#include "platform/platform.h"
#include "qmr/qmr.h"

using namespace qmr;

namespace {

struct Loader {
    platform::Thread thread;
};

inline Loader* loaderOf(HexContext* h) { return static_cast<Loader*>(h->loaderThread); }

// Takes at most one waiting message 1124..1126; true when it asks to quit.
bool quitAsked(void* arg)
{
    auto* q = static_cast<platform::MessageQueue*>(arg);
    if (!q->hasMessages()) return false;
    platform::Message m;
    return q->peek(m, QMR_TM_FIRST, QMR_TM_RESET) && m.message == QMR_TM_QUIT;
}

uint32_t effectiveCheck(uint32_t check)
{
#ifdef QMR_GANG
    return check;
#else
    return check == QMR_FW_CHECK_GANG ? QMR_FW_CHECK_NONE : check;
#endif
}

void postOutcome(HexContext* h, int result)
{
    // Without a window the caller learns the outcome from loadState alone,
    // so it is published after everything else the load wrote.
    __atomic_store_n(&h->loadState, result == 0 ? 1 : 2, __ATOMIC_RELEASE);
    if (!h->notifyWindow) return;
    auto* sem = static_cast<platform::Semaphore*>(h->semaphore);
    {
        platform::SemaphoreLock g(sem);
        HexProgressRecord& r = h->ring[h->ringWrite % QMR_RING_SIZE];
        std::memset(r.text, 0, sizeof r.text);
        std::strcpy(r.text, result == 0 ? "Success read HEX file." : "Error read HEX file.");
        r.phase = 5;
        r.result = result;
        r.percent = result == 0 ? 100 : 0;
        r.scale = result == 0 ? 100 : 0;
    }
    platform::postWindowMessage(h->notifyWindow, h->notifyMessage, 0, 0);
    platform::SemaphoreLock g(sem);
    h->ringWrite = (h->ringWrite + 1) % QMR_RING_SIZE;
}

// Reads the file into the text and fills the image with 0xFF (its margin
// with 0), split across the processors: the text is copied out of the page
// cache and the image's pages are touched for the first time at once.
bool readAndPrepare(HexContext* h)
{
    files::File* f = files::openRead(h->fileName);
    if (!f || h->fileSize == 0) {
        files::closeFile(f);
        return false;
    }
    h->imageBuffer = static_cast<uint8_t*>(std::malloc(QMR_IMAGE_ALLOC));
    if (!h->imageBuffer) {
        files::closeFile(f);
        return false;
    }
    const size_t n = h->fileSize;
    const unsigned parts = files::partsFor(n, size_t(1) << 20);
    std::atomic<bool> ok{true};
    files::runInParts(parts, [&](size_t k) {
        const size_t from = n / parts * k, to = k + 1 == parts ? n : n / parts * (k + 1);
        if (files::readAt(f, h->fileText + from, to - from, from) != to - from) ok = false;
        const size_t a = QMR_IMAGE_SIZE / parts * k, b = k + 1 == parts ? QMR_IMAGE_SIZE : QMR_IMAGE_SIZE / parts * (k + 1);
        std::memset(h->imageBuffer + a, 0xFF, b - a);
    });
    std::memset(h->imageBuffer + QMR_IMAGE_SIZE, 0, QMR_IMAGE_ALLOC - QMR_IMAGE_SIZE);
    files::closeFile(f);
    return ok;
}

// Returns false when the load was cancelled (nothing is posted then).
bool load(HexContext* h, platform::MessageQueue& q)
{
    if (quitAsked(&q)) return false;
    int result = readAndPrepare(h) ? 0 : QMR_HEX_EFILE;
    if (result == 0 && quitAsked(&q)) return false;
    if (result == 0) {
        files::ScanOutcome o = files::scanImage(h->fileText, h->fileSize, h->imageBuffer, quitAsked, &q);
        if (o.cancelled) return false;
        result = o.result;
        if (result == 0) {
            h->lowestAddress = o.lowest;
            h->highestAddress = h->highestAddress2 = o.highest;
            h->imageSize = (o.highest + 512u) & ~511u;
            h->imageStart = 0;
            h->imageSum = files::imageSum(h->imageBuffer, o.lowest, o.highest);
            uint32_t check = effectiveCheck(h->firmwareCheck);
            if (check == QMR_FW_CHECK_UNIT || check == QMR_FW_CHECK_GANG) {
                if (!files::hasFirmwareMarker(h->imageBuffer, o.lowest, check)) result = QMR_HEX_EMARKER;
            }
        }
    }
    postOutcome(h, result);
    return true;
}

void loaderThread(HexContext* h)
{
    platform::MessageQueue& q = loaderOf(h)->thread.queue();
    if (!load(h, q)) return;
    for (;;) {
        platform::Message m = q.get(0, UINT32_MAX);
        if (m.message == QMR_TM_QUIT) return;
    }
}

void destroy(HexContext* h)
{
    if (h->semaphore) platform::closeSemaphore(static_cast<platform::Semaphore*>(h->semaphore));
    if (h->event) platform::closeEvent(static_cast<platform::Event*>(h->event));
    delete loaderOf(h);
    std::free(h->fileText);
    std::free(h->imageBuffer);
    std::free(h);
}

void copyName(char* dst, const char* src)
{
    std::strncpy(dst, src, 255);
    dst[255] = 0;
}

}  // namespace

extern "C" {

HexContext* QMRHexOpen(const char* path, QmrWindow* window, uint32_t message, const char* auxName,
                       uint32_t callerTag, uint32_t firmwareCheck)
{
    // The loader thread opens the name the context keeps: a longer path
    // would be cut and name another file.
    if (!path || std::strlen(path) >= sizeof(HexContext::fileName)) return nullptr;
    auto* h = static_cast<HexContext*>(std::calloc(1, sizeof(HexContext)));
    if (!h) return nullptr;
    copyName(h->fileName, path);
    if (auxName) copyName(h->auxName, auxName);
    h->lowestAddress = 0xFFFFFFFFu;

    files::File* f = files::openRead(path);
    uint64_t size = 0;
    struct tm t {};
    if (!f || !files::fileSize(f, size) || !files::fileModified(f, t) || size > 0xFFFFFFFFu) {
        files::closeFile(f);
        destroy(h);
        return nullptr;
    }
    for (auto& r : h->ring) {
        r.year = t.tm_year + 1900;
        r.month = t.tm_mon + 1;
        r.day = t.tm_mday;
        r.hour = t.tm_hour;
        r.minute = t.tm_min;
        r.second = t.tm_sec;
    }
    h->fileSize = static_cast<uint32_t>(size);
    char first = 0;
    bool ok = files::readBytes(f, &first, 1) != nullptr;
    files::closeFile(f);
    if (!ok || (first != ':' && first != 'S')) {
        destroy(h);
        return nullptr;
    }
    // Every byte is read over it: no need to clear it first.
    h->fileText = static_cast<char*>(std::malloc(h->fileSize));
    if (!h->fileText) {
        destroy(h);
        return nullptr;
    }
    h->callerTag = callerTag;
    h->firmwareCheck = firmwareCheck;
    h->notifyWindow = window;
    h->notifyMessage = message;
    h->ringRead = h->ringWrite = 0;
    h->event = platform::openEvent("HexQmrEv", false, false);
    h->semaphore = platform::openSemaphore("HexQmrSem", 1, 1);
    auto* l = new (std::nothrow) Loader;
    h->loaderThread = l;
    if (!h->event || !h->semaphore || !l || !l->thread.start([h] { loaderThread(h); })) {
        destroy(h);
        return nullptr;
    }
    h->loaderThreadId = l->thread.id();
    return h;
}

HexProgressRecord* QMRHexGetProg(HexContext* h)
{
    if (!h) return nullptr;
    platform::SemaphoreLock g(static_cast<platform::Semaphore*>(h->semaphore));
    HexProgressRecord* r = &h->ring[h->ringRead % QMR_RING_SIZE];
    h->ringRead = (h->ringRead + 1) % QMR_RING_SIZE;
    return r;
}

void QMRHexClose(HexContext* h)
{
    if (!h) return;
    if (Loader* l = loaderOf(h)) {
        platform::postThreadMessage(h->loaderThreadId, QMR_TM_QUIT);
        l->thread.waitFor(3000);
        l->thread.join();
    }
    destroy(h);
}

}  // extern "C"
