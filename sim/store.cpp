#include "sim/store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "checks/crc32.h"

namespace qmr::sim {

namespace {

constexpr char kMagic[8] = {'Q', 'M', 'S', 'I', 'M', 'S', 'T', '1'};

struct Writer {
    std::vector<uint8_t> b;
    void u8(uint8_t v) { b.push_back(v); }
    void u32(uint32_t v)
    {
        for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void bytes(const std::vector<uint8_t>& v)
    {
        u32(static_cast<uint32_t>(v.size()));
        b.insert(b.end(), v.begin(), v.end());
    }
    void str(const std::string& s) { bytes(std::vector<uint8_t>(s.begin(), s.end())); }
};

struct Reader {
    const std::vector<uint8_t>& b;
    size_t pos = 0;
    bool ok = true;
    bool need(size_t n)
    {
        if (!ok || b.size() - pos < n) ok = false;
        return ok;
    }
    uint8_t u8() { return need(1) ? b[pos++] : 0; }
    uint32_t u32()
    {
        if (!need(4)) return 0;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | b[pos++];
        return v;
    }
    std::vector<uint8_t> bytes(size_t limit)
    {
        uint32_t n = u32();
        if (n > limit || !need(n)) {
            ok = false;
            return {};
        }
        std::vector<uint8_t> v(b.begin() + static_cast<std::ptrdiff_t>(pos), b.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
        return v;
    }
    std::string str(size_t limit)
    {
        auto v = bytes(limit);
        return std::string(v.begin(), v.end());
    }
};

bool writeAll(int fd, const uint8_t* p, size_t n)
{
    while (n) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

void makeDirs(const std::string& path)
{
    for (size_t k = 1; k <= path.size(); ++k) {
        if (k == path.size() || path[k] == '/') mkdir(path.substr(0, k).c_str(), 0755);
    }
}

}  // namespace

bool Store::save(const std::string& path) const
{
    Writer w;
    w.b.insert(w.b.end(), kMagic, kMagic + 8);
    w.u32(static_cast<uint32_t>(prm.size()));
    for (const auto& [id, data] : prm) {
        w.u32(id);
        w.bytes(data);
    }
    w.u32(static_cast<uint32_t>(settings.size()));
    for (const auto& s : settings) {
        w.u8(s ? 1 : 0);
        if (s) w.bytes(*s);
    }
    w.u8(defaultSetting);
    w.u8(image ? 1 : 0);
    if (image) {
        w.str(image->name);
        w.u8(image->kind);
        w.u32(image->start);
        w.u32(image->end);
        w.u32(image->size);
        w.u32(image->crc);
        w.str(image->timestamp);
        w.bytes(image->data);
    }
    w.u32(okCount);
    w.u32(ngCount);
    for (uint16_t c : ngList) w.u32(c);
    w.u8(sysValues[0]);
    w.u8(sysValues[1]);
    w.u32(checks::crc32Zip(w.b.data(), w.b.size()));

    auto slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    makeDirs(dir);
    std::string tmp = path + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = writeAll(fd, w.b.data(), w.b.size()) && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    int d = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d >= 0) {
        fsync(d);
        ::close(d);
    }
    return true;
}

Store::Loaded Store::load(const std::string& path, std::string* why)
{
    auto damaged = [why](std::string reason) {
        if (why) *why = std::move(reason);
        return Loaded::Damaged;
    };
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (errno == ENOENT) return Loaded::None;
        return damaged(std::strerror(errno));
    }
    std::vector<uint8_t> b;
    uint8_t chunk[65536];
    size_t k;
    while ((k = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        b.insert(b.end(), chunk, chunk + k);
        if (b.size() > 64u << 20) break;  // no store is this large
    }
    bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) return damaged("read error");
    if (b.size() < 12 || std::memcmp(b.data(), kMagic, 8) != 0) return damaged("not a store file");
    uint32_t crc = (uint32_t(b[b.size() - 4]) << 24) | (uint32_t(b[b.size() - 3]) << 16) |
                   (uint32_t(b[b.size() - 2]) << 8) | b[b.size() - 1];
    if (checks::crc32Zip(b.data(), b.size() - 4) != crc) return damaged("damaged: its CRC does not match");
    Reader r{b, 8};
    Store s(settings.size());
    uint32_t nprm = r.u32();
    for (uint32_t i = 0; i < nprm && r.ok && i < kMaxPrm; ++i) {
        uint32_t id = r.u32();
        s.prm[id] = r.bytes(23712);
    }
    uint32_t nset = r.u32();
    for (uint32_t i = 0; i < nset && r.ok; ++i) {
        if (r.u8()) {
            auto rec = r.bytes(16384);
            if (i < s.settings.size()) s.settings[i] = std::move(rec);
        }
    }
    s.defaultSetting = r.u8();
    if (r.u8()) {
        StoredImage im;
        im.name = r.str(512);
        im.kind = r.u8();
        im.start = r.u32();
        im.end = r.u32();
        im.size = r.u32();
        im.crc = r.u32();
        im.timestamp = r.str(14);
        im.data = r.bytes(0x800000);
        s.image = std::move(im);
    }
    s.okCount = r.u32();
    s.ngCount = r.u32();
    for (auto& c : s.ngList) c = static_cast<uint16_t>(r.u32());
    s.sysValues[0] = r.u8();
    s.sysValues[1] = r.u8();
    if (!r.ok) return damaged("cut off");
    *this = std::move(s);
    return Loaded::Yes;
}

std::string defaultStoreDir()
{
    if (const char* d = std::getenv("QMR_SIM_DIR")) return d;
    if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x) return std::string(x) + "/quillmarker-sim";
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.local/state/quillmarker-sim";
    return {};
}

}  // namespace qmr::sim
