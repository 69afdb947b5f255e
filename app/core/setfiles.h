// Setting files (*.set) and parameter files (*.prs) on disk: the rules a
// file must pass before it goes to the unit, and reading and writing
// setting files byte for byte.
#pragma once

#include <cstdint>
#include <string>

#include "core/inputfile.h"
#include "qmr/qmr.h"
#include "setrecord/setrecord.h"

namespace qmr::app {

// The setting file a chosen path names: a file name without "." gets ".set",
// otherwise everything after its first "." becomes "set" (abc, abc.txt and
// a.b.c give abc.set, abc.set and a.set).  Folders are left as they are.
std::string setFilePathFor(const std::string& chosen);

// A parameter file's path ends in "prs", compared case-sensitively.
bool isParameterFilePath(const std::string& path);

// The checks a parameter file read with QMRReadPRM passes before it is sent:
// the CRC of image bytes 6..16383 first, then the format version (below 5).
enum class PrmFileCheck { Ok, ChecksumError, TooNew };
PrmFileCheck checkParameterRecord(const PrmRecord& record);

// The parameter identity of a parameter image or a settings record: the
// four bytes at 6, as they stand (they are what the unit's lists carry).
inline const uint8_t* prmIdentity(const uint8_t* imageOrRecord) { return imageOrRecord + 6; }

enum class SetFileResult { Ok, CannotOpen, WrongSize, CannotWrite };
// Reads a setting file: exactly 16384 bytes.  problem says why a file could
// not be opened.  Its version is the caller's to check (setFileTooNew).
SetFileResult readSetFile(const std::string& path, SetRecord& out, InputFile* problem = nullptr);
// A record of a format version above 2 comes from a newer program.
inline bool setFileTooNew(const SetRecord& r) { return r.formatVersion > 2; }
// Writes the record whole or not at all; why says what went wrong.
SetFileResult writeSetFile(const std::string& path, const SetRecord& record, std::string* why = nullptr);

}  // namespace qmr::app
