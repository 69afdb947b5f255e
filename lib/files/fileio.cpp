#include "files/fileio.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace qmr::files {

struct File {
    int fd;
};

File* openRead(const char* path, const char*)
{
    if (!path) return nullptr;
    // Opened without blocking, so a FIFO or a device named here cannot hold
    // the caller in open(); only regular files are read.
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    // Readers share the file; a writer holds it alone.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    File* f = new (std::nothrow) File{fd};
    if (!f) ::close(fd);
    return f;
}

size_t readBlock(File* f, void* data, size_t size, size_t count)
{
    if (!f || size == 0) return 0;
    size_t want = size * count;
    size_t have = 0;
    auto* p = static_cast<char*>(data);
    while (have < want) {
        ssize_t k = ::read(f->fd, p + have, want - have);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) break;
        have += static_cast<size_t>(k);
    }
    return have / size;
}

size_t readAt(File* f, void* data, size_t n, uint64_t offset)
{
    if (!f) return 0;
    size_t have = 0;
    auto* p = static_cast<char*>(data);
    while (have < n) {
        ssize_t k = ::pread(f->fd, p + have, n - have, static_cast<off_t>(offset + have));
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) break;
        have += static_cast<size_t>(k);
    }
    return have;
}

char* readBytes(File* f, char* data, size_t n)
{
    if (!f) return nullptr;
    for (size_t i = 0; i < n; ++i)
        if (readBlock(f, data + i, 1, 1) != 1) return nullptr;
    return data;
}

char* readLine(File* f, char* buf, size_t capacity)
{
    if (!f || capacity < 2) return nullptr;
    size_t k = 0;
    while (k + 1 < capacity) {
        char ch;
        if (readBlock(f, &ch, 1, 1) != 1) return nullptr;
        buf[k++] = ch;
        if (ch == '\n' && k >= 2 && buf[k - 2] == '\r') {
            buf[k - 2] = '\n';
            --k;
            break;
        }
    }
    buf[k] = 0;
    return buf;
}

int closeFile(File* f)
{
    if (!f) return -1;
    flock(f->fd, LOCK_UN);
    int rc = ::close(f->fd);
    delete f;
    return rc;
}

bool fileSize(File* f, uint64_t& size)
{
    struct stat st;
    if (!f || fstat(f->fd, &st) != 0) return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool fileModified(File* f, struct tm& localTime)
{
    struct stat st;
    if (!f || fstat(f->fd, &st) != 0) return false;
    time_t t = st.st_mtime;
    return localtime_r(&t, &localTime) != nullptr;
}

}  // namespace qmr::files
