// Fuzzes the scan of image text into the 8 MB image and the finish steps,
// and the same text as a file through the loader (first-byte check, file
// read, loader thread), whose outcome must agree with the scan's.
#include <sched.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static uint8_t* image = static_cast<uint8_t*>(std::malloc(QMR_IMAGE_ALLOC));
    std::memset(image, 0xFF, QMR_IMAGE_SIZE);
    std::memset(image + QMR_IMAGE_SIZE, 0, QMR_IMAGE_ALLOC - QMR_IMAGE_SIZE);
    // The scan gets exactly the file's bytes, as the loader hands them over.
    char* text = static_cast<char*>(std::malloc(size ? size : 1));
    std::memcpy(text, data, size);
    auto o = qmr::files::scanImage(text, size, image);
    if (o.result == 0) {
        qmr::files::imageSum(image, o.lowest, o.highest);
        qmr::files::hasFirmwareMarker(image, o.lowest, 1);
        qmr::files::hasFirmwareMarker(image, o.lowest, 2);
        if (o.highest >= QMR_IMAGE_ALLOC) std::abort();  // a data record passed the range test
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
