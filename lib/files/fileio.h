// The library's small file layer: files are opened without sharing (an
// exclusive advisory lock held until close) and read as bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace qmr::files {

struct File;

// Opens an existing file for reading; null when it cannot be opened or
// another handle of the layer holds it.  The mode text is ignored.
File* openRead(const char* path, const char* mode = "rb");
// Reads size*count bytes with one read; returns the whole items read.
size_t readBlock(File* f, void* data, size_t size, size_t count);
// Reads n bytes one at a time; null at the first failed or empty read.
char* readBytes(File* f, char* data, size_t n);
// Reads up to a CR LF pair (stored as one LF) or until the buffer is full;
// NUL-terminated; null when the file ends first.
char* readLine(File* f, char* buf, size_t capacity);
// Closes the file; -1 for a null handle.
int closeFile(File* f);

bool fileSize(File* f, uint64_t& size);
bool fileModified(File* f, struct tm& localTime);

}  // namespace qmr::files
