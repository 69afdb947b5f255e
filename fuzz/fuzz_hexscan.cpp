// Fuzzes the scan of image text into the 8 MB image and the finish steps.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "files/hexscan.h"
#include "qmr/qmr.h"

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
    return 0;
}
