// The program-image loader: one thread per load, one outcome record.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "files/fileio.h"
#include "files/hexscan.h"
#include "platform/platform.h"
#include "qmr/qmr.h"

using namespace qmr;

namespace {

struct Loader {
    platform::Thread thread;
    size_t textCapacity = 0;  // of fileText, which may be larger than the file
};

inline Loader* loaderOf(HexContext* h) { return static_cast<Loader*>(h->loaderThread); }

// The buffers of the last load closed, kept for the next one: a production
// line loads its image again for every job, and fresh memory costs a page
// fault for every 4 KB the first time it is written (about as long as the
// whole scan).  One text of up to 64 MB and one image are kept.
class BufferCache {
public:
    static BufferCache& instance()
    {
        static BufferCache c;
        return c;
    }
    char* takeText(size_t n, size_t& capacity)
    {
        std::lock_guard<std::mutex> g(mutex_);
        if (!text_ || textSize_ < n) {
            capacity = n ? n : 1;
            return static_cast<char*>(std::malloc(capacity));
        }
        char* t = text_;
        capacity = textSize_;
        text_ = nullptr;
        return t;
    }
    uint8_t* takeImage()
    {
        std::lock_guard<std::mutex> g(mutex_);
        uint8_t* i = image_ ? image_ : static_cast<uint8_t*>(std::malloc(QMR_IMAGE_ALLOC));
        image_ = nullptr;
        return i;
    }
    // Gives a text of capacity n (and an image) back; what is not kept is freed.
    void give(char* text, size_t n, uint8_t* image)
    {
        std::lock_guard<std::mutex> g(mutex_);
        if (text && n && n <= kMaxText && (!text_ || n > textSize_)) {
            std::free(text_);
            text_ = text;
            textSize_ = n;
        } else {
            std::free(text);
        }
        if (image && !image_) image_ = image;
        else std::free(image);
    }

private:
    static constexpr size_t kMaxText = size_t(64) << 20;
    std::mutex mutex_;
    char* text_ = nullptr;
    size_t textSize_ = 0;
    uint8_t* image_ = nullptr;
};

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
    // Published after the record: a caller without a window waits for
    // loadState and then reads the record (and its error code) with
    // QMRHexGetProg as a window would.
    __atomic_store_n(&h->loadState, result == 0 ? 1 : 2, __ATOMIC_RELEASE);
    if (h->notifyWindow) platform::postWindowMessage(h->notifyWindow, h->notifyMessage, 0, 0);
    platform::SemaphoreLock g(sem);
    h->ringWrite = (h->ringWrite + 1) % QMR_RING_SIZE;
}

// Returns false when the load was cancelled (nothing is posted then).
bool load(HexContext* h, platform::MessageQueue& q)
{
    if (quitAsked(&q)) return false;
    int result = 0;
    files::File* f = files::openRead(h->fileName);
    h->imageBuffer = f && h->fileSize ? BufferCache::instance().takeImage() : nullptr;
    if (!h->imageBuffer) {
        result = QMR_HEX_EFILE;
    } else {
        // The file is read and scanned at once; the scan leaves 0xFF where no record wrote.
        std::memset(h->imageBuffer + QMR_IMAGE_SIZE, 0, QMR_IMAGE_ALLOC - QMR_IMAGE_SIZE);
        bool readOk = false;
        files::ScanOutcome o = files::readAndScan(f, h->fileText, h->fileSize, h->imageBuffer, readOk, quitAsked, &q);
        if (o.cancelled) {
            files::closeFile(f);
            return false;
        }
        result = !readOk ? QMR_HEX_EFILE : o.result;
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
    files::closeFile(f);
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
    const size_t capacity = loaderOf(h) ? loaderOf(h)->textCapacity : 0;
    delete loaderOf(h);
    BufferCache::instance().give(h->fileText, capacity, h->imageBuffer);
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
    size_t capacity = 0;
    h->fileText = BufferCache::instance().takeText(h->fileSize, capacity);
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
    if (l) l->textCapacity = capacity;
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
