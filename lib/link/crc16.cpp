#include "link/crc16.h"

namespace qmr::link {

namespace {
struct Tables {
    uint16_t t[8][256];
    Tables()
    {
        for (int i = 0; i < 256; ++i) {
            uint16_t c = static_cast<uint16_t>(i);
            for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ 0x8408) : static_cast<uint16_t>(c >> 1);
            t[0][i] = c;
        }
        for (int s = 1; s < 8; ++s)
            for (int i = 0; i < 256; ++i) t[s][i] = static_cast<uint16_t>((t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF]);
    }
};
const Tables& tables()
{
    static const Tables t;
    return t;
}
}  // namespace

uint16_t crc16(const uint8_t* p, size_t n, uint16_t crc)
{
    const auto& T = tables().t;
    // Eight bytes a step (slicing): frames of 512 data bytes dominate.
    while (n >= 8) {
        uint16_t a = static_cast<uint16_t>(crc ^ (p[0] | (p[1] << 8)));
        crc = static_cast<uint16_t>(T[7][a & 0xFF] ^ T[6][a >> 8] ^ T[5][p[2]] ^ T[4][p[3]] ^ T[3][p[4]] ^
                                    T[2][p[5]] ^ T[1][p[6]] ^ T[0][p[7]]);
        p += 8;
        n -= 8;
    }
    while (n--) crc = static_cast<uint16_t>((crc >> 8) ^ T[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

}  // namespace qmr::link
