// The formatting subset of log lines: %c %d %i %u %x %X %s with flags '-',
// '0', '#', a width, a precision for %s and the 'l' size; no floating point.
// Anything else is copied as it stands.  The result is cut to fit.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace qmr::files {

void formatLog(char* out, size_t capacity, const char* format, va_list ap);

}  // namespace qmr::files
