// QMRLogWrite: one formatted append to a text log.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "files/logformat.h"
#include "qmr/qmr.h"

extern "C" void QMRLogWrite(const char* path, const char* format, ...)
{
    if (!path || !format) return;
    char text[256];
    va_list ap;
    va_start(ap, format);
    qmr::files::formatLog(text, sizeof text, format, ap);
    va_end(ap);
    int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    // No sharing: a writer that finds the file held by another gives up.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (lseek(fd, 0, SEEK_END) >= 0) {
            size_t n = std::strlen(text);
            [[maybe_unused]] ssize_t k = ::write(fd, text, n);
        }
        flock(fd, LOCK_UN);
    }
    ::close(fd);
}
