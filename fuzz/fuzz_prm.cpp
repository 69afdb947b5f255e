// Fuzzes the parameter file reader and the text checksum through files.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "qmr/qmr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/qmr-fuzz-prm-" + std::to_string(getpid());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (PrmRecord* r = QMRReadPRM(path.c_str(), 0)) {
        if (r->prmFileSize != size) __builtin_trap();
        QMRFreePRM(r);
    }
    QMRChecksumPRM(path.c_str(), 0);
    return 0;
}
