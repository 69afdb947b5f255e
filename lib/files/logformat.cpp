#include "files/logformat.h"

#include <cstdio>
#include <cstring>

namespace qmr::files {

void formatLog(char* out, size_t capacity, const char* f, va_list ap)
{
    if (capacity == 0) return;
    size_t k = 0;
    auto put = [&](const char* s, size_t n) {
        size_t room = capacity - 1 - k;
        if (n > room) n = room;
        std::memcpy(out + k, s, n);
        k += n;
    };
    while (*f && k + 1 < capacity) {
        if (*f != '%') {
            put(f++, 1);
            continue;
        }
        const char* startSpec = f++;
        if (*f == '%') {
            put(f++, 1);
            continue;
        }
        char conv[32] = "%";
        size_t s = 1;
        while (*f == '-' || *f == '0' || *f == '#') {
            if (s < 8) conv[s++] = *f;
            ++f;
        }
        int width = 0;
        while (*f >= '0' && *f <= '9') width = width < 1000 ? width * 10 + (*f++ - '0') : (f++, width);
        int precision = -1;
        if (*f == '.') {
            ++f;
            precision = 0;
            while (*f >= '0' && *f <= '9') precision = precision < 1000 ? precision * 10 + (*f++ - '0') : (f++, precision);
        }
        bool isLong = false;
        if (*f == 'l') {
            isLong = true;
            ++f;
        }
        char type = *f;
        if (!type) {
            put(startSpec, std::strlen(startSpec));
            break;
        }
        ++f;
        s += static_cast<size_t>(std::snprintf(conv + s, sizeof conv - s, "%d", width > 255 ? 255 : width));
        if (precision >= 0) s += static_cast<size_t>(std::snprintf(conv + s, sizeof conv - s, ".%d", precision > 255 ? 255 : precision));
        char piece[300];
        int n = -1;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        switch (type) {
        case 'c':
            conv[s++] = 'c';
            conv[s] = 0;
            n = std::snprintf(piece, sizeof piece, conv, va_arg(ap, int));
            break;
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
            if (isLong) conv[s++] = 'l';
            conv[s++] = type;
            conv[s] = 0;
            if (isLong) n = std::snprintf(piece, sizeof piece, conv, va_arg(ap, long));
            else n = std::snprintf(piece, sizeof piece, conv, va_arg(ap, int));
            break;
        case 's': {
            conv[s++] = 's';
            conv[s] = 0;
            const char* str = va_arg(ap, const char*);
            n = std::snprintf(piece, sizeof piece, conv, str ? str : "(null)");
            break;
        }
        default:
            // Not a conversion of this subset: copied as it stands.
            put(startSpec, static_cast<size_t>(f - startSpec));
            break;
        }
#pragma GCC diagnostic pop
        if (n > 0) put(piece, std::strlen(piece));
    }
    out[k] = 0;
}

}  // namespace qmr::files
