#include "core/inputfile.h"

#include <climits>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/trmark.h"

namespace qmr::app {

namespace {

// Opens path for reading without blocking, only when it is a regular file,
// under a shared lock (a writer holds it alone).  -1 with the problem.
int openForReading(const std::string& path, InputFile& problem)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        problem = errno == ENOENT || errno == ENOTDIR ? InputFile::Missing : InputFile::Unreadable;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        problem = InputFile::NotRegular;
        return -1;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = InputFile::Unreadable;
        return -1;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        problem = InputFile::NotRegular;
        return -1;
    }
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        problem = InputFile::Unreadable;
        return -1;
    }
    problem = InputFile::Ok;
    return fd;
}

}  // namespace

InputFile checkInputFile(const std::string& path)
{
    InputFile problem;
    int fd = openForReading(path, problem);
    if (fd >= 0) ::close(fd);
    return problem;
}

const char* inputFileText(InputFile problem)
{
    switch (problem) {
    case InputFile::Ok: return "";
    case InputFile::Missing: return QT_TRANSLATE_NOOP("InputFile", "does not exist");
    case InputFile::NotRegular: return QT_TRANSLATE_NOOP("InputFile", "is not a regular file");
    case InputFile::Unreadable:
        return QT_TRANSLATE_NOOP("InputFile", "cannot be read (no permission, or another program is writing it)");
    case InputFile::TooLarge: return QT_TRANSLATE_NOOP("InputFile", "is larger than a file of its kind");
    }
    return "";
}

InputFile readWholeFile(const std::string& path, size_t max, std::vector<uint8_t>& out)
{
    out.clear();
    InputFile problem;
    int fd = openForReading(path, problem);
    if (fd < 0) return problem;
    uint8_t chunk[65536];
    for (;;) {
        ssize_t k = ::read(fd, chunk, sizeof chunk);
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) {
            problem = InputFile::Unreadable;
            break;
        }
        if (k == 0) break;
        if (out.size() + static_cast<size_t>(k) > max) {
            problem = InputFile::TooLarge;
            break;
        }
        out.insert(out.end(), chunk, chunk + k);
    }
    ::close(fd);
    if (problem != InputFile::Ok) out.clear();
    return problem;
}

bool writeWholeFile(const std::string& path, const void* data, size_t n, std::string* why)
{
    auto fail = [why](int err) {
        if (why) *why = std::strerror(err);
        return false;
    };
    size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return fail(EISDIR);
    // The temporary file has a short name of its own, so that any name the
    // folder takes can be written (NAME_MAX counts the target's name alone).
    std::string tmp = (dir == "/" ? "" : dir) + "/.qmr-XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0) return fail(errno);
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    const auto* p = static_cast<const uint8_t*>(data);
    size_t left = n;
    int err = 0;
    while (left && !err) {
        ssize_t k = ::write(fd, p, left);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) err = k < 0 ? errno : ENOSPC;
        else {
            p += k;
            left -= static_cast<size_t>(k);
        }
    }
    if (!err && fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && std::rename(tmp.c_str(), path.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(tmp.c_str());
        return fail(err);
    }
    int d = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d >= 0) {
        fsync(d);
        ::close(d);
    }
    return true;
}

LoaderPath::LoaderPath(const std::string& path)
{
    std::string full = path;
    if (!full.empty() && full[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd)) full = std::string(cwd) + "/" + full;
    }
    name_ = full;
    if (full.size() <= 255) return;
    fd_ = ::open(full.c_str(), O_PATH | O_CLOEXEC);
    if (fd_ >= 0) name_ = "/proc/self/fd/" + std::to_string(fd_);
}

LoaderPath::~LoaderPath()
{
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace qmr::app
