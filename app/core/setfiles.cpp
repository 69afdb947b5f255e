#include "core/setfiles.h"

#include <cstring>
#include <vector>

#include "checks/crc32.h"

namespace qmr::app {

std::string setFilePathFor(const std::string& chosen)
{
    size_t slash = chosen.find_last_of('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = chosen.find('.', nameStart);
    if (dot == std::string::npos) return chosen + ".set";
    return chosen.substr(0, dot + 1) + "set";
}

bool isParameterFilePath(const std::string& path)
{
    return path.size() >= 3 && path.compare(path.size() - 3, 3, "prs") == 0;
}

PrmFileCheck checkParameterRecord(const PrmRecord& record)
{
    const uint8_t* img = record.prmImage;
    uint32_t stored = uint32_t(img[2]) | (uint32_t(img[3]) << 8) | (uint32_t(img[4]) << 16) | (uint32_t(img[5]) << 24);
    if (checks::crc32Zip(img + 6, 16384 - 6) != stored) return PrmFileCheck::ChecksumError;
    if (img[0] >= 5) return PrmFileCheck::TooNew;
    return PrmFileCheck::Ok;
}

SetFileResult readSetFile(const std::string& path, SetRecord& out, InputFile* problem)
{
    std::vector<uint8_t> bytes;
    InputFile p = readWholeFile(path, sizeof(SetRecord), bytes);
    if (problem) *problem = p;
    if (p == InputFile::TooLarge) return SetFileResult::WrongSize;
    if (p != InputFile::Ok) return SetFileResult::CannotOpen;
    if (bytes.size() != sizeof(SetRecord)) return SetFileResult::WrongSize;
    std::memcpy(&out, bytes.data(), sizeof out);
    return SetFileResult::Ok;
}

SetFileResult writeSetFile(const std::string& path, const SetRecord& record, std::string* why)
{
    return writeWholeFile(path, &record, sizeof record, why) ? SetFileResult::Ok : SetFileResult::CannotWrite;
}

}  // namespace qmr::app
