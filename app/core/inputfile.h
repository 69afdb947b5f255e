// Files the user named: why one cannot be read, told apart so that a message
// can say what to do about it; reading one whole without ever blocking; and
// writing one whole or not at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qmr::app {

enum class InputFile {
    Ok,
    Missing,      // nothing of that name
    NotRegular,   // a folder, a FIFO, a device
    Unreadable,   // no permission, or being written by another program
    TooLarge,     // larger than what was asked for
};

// Looks at path without blocking and without reading it.
InputFile checkInputFile(const std::string& path);

// English text of a problem, to follow the file's name ("" for Ok).
const char* inputFileText(InputFile problem);

// Reads a regular file of at most max bytes into out.
InputFile readWholeFile(const std::string& path, size_t max, std::vector<uint8_t>& out);

// Writes n bytes to path whole or not at all: a temporary file in the same
// folder, flushed, then renamed over path.  False with the reason in why
// when it could not; nothing is left behind then.
bool writeWholeFile(const std::string& path, const void* data, size_t n, std::string* why = nullptr);

// The name the image loader opens a file by: the absolute path, or, when
// that is longer than the 255 characters the loader keeps, the path of a
// descriptor held open on the file for as long as this object lives (the
// current folder is never changed for it).
class LoaderPath {
public:
    explicit LoaderPath(const std::string& path);
    ~LoaderPath();
    LoaderPath(const LoaderPath&) = delete;
    LoaderPath& operator=(const LoaderPath&) = delete;
    const char* c_str() const { return name_.c_str(); }

private:
    std::string name_;
    int fd_ = -1;
};

}  // namespace qmr::app
