// Fuzzes the scan of image text into the 8 MB image and the finish steps:
// the fast scan, split into pieces of a few bytes so that every input runs
// through the pieces and their checks, must give the plain scan's result,
// range and image.  The same text also goes as a file through the loader
// (first-byte check, file read, loader thread), whose outcome must agree.
#include <sched.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/fileio.h"
#include "files/hexscan.h"
#include "qmr/qmr.h"

namespace {

int loadThroughTheLoader(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/qmr-fuzz-hex-" + std::to_string(getpid());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return -1;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    HexContext* h = QMRHexOpen(path.c_str(), nullptr, 0, nullptr, 0, 0);
    if (!h) return -2;  // refused before loading: empty, or not ':' / 'S' first
    int state;
    while ((state = __atomic_load_n(&h->loadState, __ATOMIC_ACQUIRE)) == 0) sched_yield();
    int result = state == 1 ? 0 : 1;
    QMRHexClose(h);
    return result;
}

void prepare(uint8_t* image)
{
    std::memset(image, 0xFF, QMR_IMAGE_SIZE);
    for (size_t i = QMR_IMAGE_SIZE; i < QMR_IMAGE_ALLOC; ++i) image[i] = static_cast<uint8_t>(i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static uint8_t* plain = static_cast<uint8_t*>(std::malloc(QMR_IMAGE_ALLOC));
    static uint8_t* fast = static_cast<uint8_t*>(std::malloc(QMR_IMAGE_ALLOC));
    prepare(plain);
    prepare(fast);
    // The scan gets exactly the file's bytes, as the loader hands them over.
    char* text = static_cast<char*>(std::malloc(size ? size : 1));
    std::memcpy(text, data, size);
    auto o = qmr::files::scanImageReference(text, size, plain);
    qmr::files::ScanOptions pieces;
    pieces.parts = 2 + static_cast<unsigned>(size % 4);
    pieces.minPartBytes = 8;
    pieces.portable = (size / 4) % 2 == 1;  // the SSE2 decoder, where AVX2 is there too
    auto f = qmr::files::scanImage(text, size, fast, nullptr, nullptr, pieces);
    if (f.result != o.result) std::abort();
    if (o.result == 0) {
        if (f.lowest != o.lowest || f.highest != o.highest) std::abort();
        if (std::memcmp(plain, fast, QMR_IMAGE_ALLOC) != 0) std::abort();
        qmr::files::imageSum(plain, o.lowest, o.highest);
        qmr::files::hasFirmwareMarker(plain, o.lowest, 1);
        qmr::files::hasFirmwareMarker(plain, o.lowest, 2);
        if (o.highest >= QMR_IMAGE_ALLOC) std::abort();  // a data record passed the range test
    }
    // One input in four is read from a file a few bytes at a time by the
    // pieces, over an image that holds anything.
    if (size % 4 == 1) {
        static const std::string path = "/tmp/qmr-fuzz-read-" + std::to_string(getpid());
        FILE* out = std::fopen(path.c_str(), "wb");
        if (out) {
            std::fwrite(data, 1, size, out);
            std::fclose(out);
            std::memset(fast, 0x5A, QMR_IMAGE_SIZE);
            for (size_t i = QMR_IMAGE_SIZE; i < QMR_IMAGE_ALLOC; ++i) fast[i] = static_cast<uint8_t>(i);
            qmr::files::File* file = qmr::files::openRead(path.c_str());
            std::string got(size, '\0');
            bool readOk = false;
            qmr::files::ScanOptions streamed = pieces;
            streamed.chunkBytes = 1 + size % 7;
            auto r = qmr::files::readAndScan(file, got.data(), size, fast, readOk, nullptr, nullptr, streamed);
            qmr::files::closeFile(file);
            if (!readOk || std::memcmp(got.data(), data, size) != 0) std::abort();
            if (r.result != o.result) std::abort();
            if (o.result == 0 && (r.lowest != o.lowest || r.highest != o.highest || std::memcmp(plain, fast, QMR_IMAGE_ALLOC) != 0))
                std::abort();
        }
    }
    std::free(text);
    // A load costs a thread and an 8 MB image: one input in four takes it.
    if (size % 4 != 0) return 0;
    int loaded = loadThroughTheLoader(data, size);
    bool opens = size > 0 && (data[0] == ':' || data[0] == 'S');
    if (loaded == -2 && opens) std::abort();           // a readable image file was refused
    if (loaded >= 0 && !opens) std::abort();           // a file that is no image was loaded
    if (loaded >= 0 && loaded != (o.result != 0)) std::abort();  // loader and scan disagree
    return 0;
}
