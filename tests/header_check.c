/* The public header compiles as C, for either build. */
#include "qmr.h"

int qmr_header_check(FlshContext* c)
{
    char stamp[15];
    qmr_info_timestamp(c, stamp);
    return QMRGetVersion() + qmr_info_version(c, 0) + qmr_info_build(c) + (int)qmr_info_hex_crc(c) + stamp[0] +
           (int)sizeof(HexContext) + (int)sizeof(ProgressRecord);
}
