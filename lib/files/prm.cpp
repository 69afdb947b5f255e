// Parameter files: the binary file read into a parameter record, and the
// checksum test of parameter files kept as text.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "checks/crc32.h"
#include "files/fileio.h"
#include "files/textsum.h"
#include "qmr/qmr.h"

using namespace qmr;

namespace qmr::files {

namespace {
bool blankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads the eight hexadecimal digits of a "SUM" line; false when it is not one.
bool parseSum(const char* line, uint32_t& value)
{
    while (*line == ' ' || *line == '\t') ++line;
    if (std::strncmp(line, "SUM", 3) != 0) return false;
    line += 3;
    while (*line == ' ' || *line == '\t' || *line == '=') ++line;
    uint32_t v = 0;
    for (int i = 0; i < 8; ++i) {
        char c = line[i];
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        v = (v << 4) | static_cast<uint32_t>(c <= '9' ? c - '0' : (std::toupper(c) - 'A' + 10));
    }
    value = v;
    return true;
}
}  // namespace

TextSum textChecksum(File* f)
{
    TextSum out;
    char line[256];
    uint32_t crc = 0xFFFFFFFFu;
    bool sectionSeen = false;
    while (readLine(f, line, sizeof line)) {
        if (line[0] == ';') continue;
        const char* p = line;
        while (*p && blankChar(*p)) ++p;
        if (!*p) continue;
        // The first word, delimited by a blank, a tab or ']'.
        size_t w = std::strcspn(p, " \t]");
        bool checksumLine = w == 9 && std::strncmp(p, "[CHECKSUM", 9) == 0;
        for (; *p && *p != ';' && *p != '\r' && *p != '\n'; ++p) {
            if (*p == ' ' || *p == '\t' || *p == '=') continue;
            uint8_t b = static_cast<uint8_t>(*p);
            crc = checks::crc32MsbUpdate(crc, &b, 1);
        }
        if (checksumLine) {
            sectionSeen = true;
            break;
        }
    }
    static const uint8_t kSum[3] = {'S', 'U', 'M'};
    out.computed = checks::crc32MsbUpdate(crc, kSum, 3);
    if (sectionSeen) {
        while (readLine(f, line, sizeof line)) {
            if (line[0] == '[') break;
            if (parseSum(line, out.expected)) {
                out.hasExpected = true;
                break;
            }
        }
    }
    return out;
}

}  // namespace qmr::files

extern "C" {

PrmRecord* QMRReadPRM(const char* path, int)
{
    auto* r = static_cast<PrmRecord*>(std::calloc(1, sizeof(PrmRecord)));
    if (!r) return nullptr;
    files::File* f = files::openRead(path);
    uint64_t size = 0;
    if (!f || !files::fileSize(f, size) || size > sizeof r->prmImage ||
        files::readBlock(f, r->prmImage, 1, static_cast<size_t>(size)) != size) {
        files::closeFile(f);
        std::free(r);
        return nullptr;
    }
    files::closeFile(f);
    r->prmFileSize = static_cast<uint32_t>(size);
    return r;
}

void QMRFreePRM(PrmRecord* record)
{
    // The two table slots of prmReserved are never filled by this library,
    // so only the record itself is ours to free.
    std::free(record);
}

int QMRChecksumPRM(const char* path, int)
{
    files::File* f = files::openRead(path);
    if (!f) return 0;
    files::TextSum s = files::textChecksum(f);
    files::closeFile(f);
    return s.hasExpected && s.expected == s.computed ? 1 : 0;
}

}  // extern "C"
