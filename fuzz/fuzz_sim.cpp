// Fuzzes the simulated unit with whatever a host might write to it.
#include <cstdint>

#include "sim/device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    qmr::sim::Config c;
    c.gang = data[0] & 1;
    qmr::sim::Device d(c);
    d.hostWrite(data + 1, size - 1);
    uint8_t out[4096];
    while (d.hostRead(out, sizeof out)) {
    }
    return 0;
}
