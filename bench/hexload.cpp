// hexload FILE OUT.bin: loads an image with the library's loader, prints the
// best time of five loads from QMRHexOpen to the posted record in
// microseconds, and writes the image from its lowest to its highest address.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "notify.h"
#include "qmr/qmr.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: hexload FILE OUT.bin\n");
        return 2;
    }
    qmrbench::Window w;
    long best = -1;
    HexContext* h = nullptr;
    for (int i = 0; i < 5; ++i) {
        if (h) QMRHexClose(h);
        auto t0 = std::chrono::steady_clock::now();
        h = QMRHexOpen(argv[1], &w.base, QMR_MSG_HEXLOADED, nullptr, 0, 0);
        if (!h) {
            std::fprintf(stderr, "hexload: not an image file\n");
            return 1;
        }
        w.wait();
        long us = static_cast<long>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count());
        if (best < 0 || us < best) best = us;
        if (QMRHexGetProg(h)->result) {
            std::fprintf(stderr, "hexload: load failed with %d\n", h->ring[0].result);
            return 1;
        }
    }
    FILE* f = std::fopen(argv[2], "wb");
    if (!f || h->lowestAddress > h->highestAddress) return 1;
    std::fwrite(h->imageBuffer + h->lowestAddress, 1, h->highestAddress - h->lowestAddress + 1, f);
    std::fclose(f);
    QMRHexClose(h);
    std::printf("%ld\n", best);
    return 0;
}
