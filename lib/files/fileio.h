// The library's small file layer: regular files only, read under a shared
// advisory lock (readers share a file, a writer holds it alone), as bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace qmr::files {

struct File;

// Opens an existing regular file for reading without ever blocking; null
// when it is missing, not a regular file, unreadable or being written.  The
// mode text is ignored.
File* openRead(const char* path, const char* mode = "rb");
// Reads size*count bytes with one read; returns the whole items read.
size_t readBlock(File* f, void* data, size_t size, size_t count);
// Reads n bytes at offset (without moving the file position; several threads
// may read one file at once); returns the bytes read.
size_t readAt(File* f, void* data, size_t n, uint64_t offset);
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
