#include "core/inputfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qmr::app {

InputFile checkInputFile(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? InputFile::Missing : InputFile::Unreadable;
    if (!S_ISREG(st.st_mode)) return InputFile::NotRegular;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return InputFile::Unreadable;
    bool shared = flock(fd, LOCK_SH | LOCK_NB) == 0;
    if (shared) flock(fd, LOCK_UN);
    ::close(fd);
    return shared ? InputFile::Ok : InputFile::Unreadable;
}

const char* inputFileText(InputFile problem)
{
    switch (problem) {
    case InputFile::Ok: return "";
    case InputFile::Missing: return "does not exist";
    case InputFile::NotRegular: return "is not a regular file";
    case InputFile::Unreadable: return "cannot be read (no permission, or another program is writing it)";
    }
    return "";
}

}  // namespace qmr::app
