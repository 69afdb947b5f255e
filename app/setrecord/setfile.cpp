// *.set files: the settings record, byte for byte.
#include <cstdio>

#include "setrecord/prmview.h"
#include "setrecord/setrecord.h"

namespace qmr::app {

SetFileResult readSetFile(const std::string& path, SetRecord& out)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return SetFileResult::CannotOpen;
    SetRecord r;
    size_t n = std::fread(&r, 1, sizeof r, f);
    bool longer = std::fgetc(f) != EOF;
    std::fclose(f);
    if (n != sizeof r || longer) return SetFileResult::WrongSize;
    if (r.formatVersion > 2) return SetFileResult::NewerVersion;
    out = r;
    return SetFileResult::Ok;
}

SetFileResult writeSetFile(const std::string& path, const SetRecord& record)
{
    std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return SetFileResult::CannotWrite;
    bool ok = std::fwrite(&record, 1, sizeof record, f) == sizeof record;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return SetFileResult::CannotWrite;
    }
    return SetFileResult::Ok;
}

}  // namespace qmr::app
