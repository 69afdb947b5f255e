// Why a file the user named cannot be read, told apart so that a message can
// say what to do about it.
#pragma once

#include <string>

namespace qmr::app {

enum class InputFile {
    Ok,
    Missing,      // nothing of that name
    NotRegular,   // a folder, a FIFO, a device
    Unreadable,   // no permission, or being written by another program
};

// Looks at path without blocking and without reading it.
InputFile checkInputFile(const std::string& path);

// English text of a problem, to follow the file's name ("" for Ok).
const char* inputFileText(InputFile problem);

}  // namespace qmr::app
