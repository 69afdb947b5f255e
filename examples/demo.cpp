// qm-demo: the main job on a unit, by default the simulated one.  It resets
// the link, runs the start command, registers a parameter file and a
// settings file when the unit lacks them, loads a program image with the
// library's loader and downloads it, then runs an EPV and polls it to its
// end, printing every progress record on the way.  Built against qmrctl as
// qm-demo and against qmrmulti as qm-demo-gang.
//
//   qm-demo [--data DIR] [--image FILE]
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "core/inputfile.h"
#include "qmr.h"

namespace {

// A notify target that counts the library's announcements; the main thread
// answers each with one QMRFlshGetProg, as a window would.
struct Window {
    QmrWindow base;
    std::mutex mutex;
    std::condition_variable cv;
    int pending = 0;
};

void onPost(QmrWindow* self, uint32_t, uintptr_t, intptr_t)
{
    auto* w = reinterpret_cast<Window*>(self);
    {
        std::lock_guard<std::mutex> g(w->mutex);
        ++w->pending;
    }
    w->cv.notify_one();
}

bool waitPost(Window& w, int seconds)
{
    std::unique_lock<std::mutex> g(w.mutex);
    if (!w.cv.wait_for(g, std::chrono::seconds(seconds), [&] { return w.pending > 0; })) return false;
    --w.pending;
    return true;
}

Window g_window;
FlshContext* g_ctx = nullptr;

// Prints records until the one whose text is `last` (or an error); returns its code.
int follow(const char* last, ProgressRecord* out = nullptr)
{
    for (;;) {
        if (!waitPost(g_window, 60)) {
            std::fprintf(stderr, "qm-demo: no answer from the library\n");
            return -1;
        }
        const ProgressRecord* r = QMRFlshGetProg(g_ctx);
        std::printf("[%3d%%] %-30s %s", r->percent, r->title, r->text);
        if (r->code) std::printf("  (code %d)", r->code);
        std::printf("\n");
        if (r->code || std::strcmp(r->text, last) == 0) {
            if (out) *out = *r;
            return r->code;
        }
    }
}

int command(const char* name, int tag, int (*fn)(FlshContext*, int), const char* last)
{
    std::printf(">>COMMAND: %s\n", name);
    g_ctx->tagA = tag;
    fn(g_ctx, 0);
    return follow(last);
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

// CRC-32 of the loaded image as the unit reports it (MSB first, inverted).
uint32_t imageCrc(const uint8_t* p, size_t n)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= static_cast<uint32_t>(p[i]) << 24;
        for (int k = 0; k < 8; ++k) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : (crc << 1);
    }
    return ~crc;
}

int fail(const char* what)
{
    std::fprintf(stderr, "qm-demo: %s\n", what);
    QMRFlshClose(g_ctx);
    return 1;
}

// Why a file could not be opened: missing, not a regular file, unreadable,
// or (when it can be read) not of the kind expected.
int failOpening(const std::string& path, const char* notOfItsKind)
{
    qmr::app::InputFile problem = qmr::app::checkInputFile(path);
    std::string what = "\"" + path + "\" ";
    what += problem == qmr::app::InputFile::Ok ? notOfItsKind : qmr::app::inputFileText(problem);
    return fail(what.c_str());
}

const char* loadResultText(int result)
{
    switch (result) {
    case QMR_HEX_EFILE: return "the file could not be read";
    case QMR_HEX_ERANGE: return "a data record lies at or above 8 MB";
    case QMR_HEX_EMARKER: return "the firmware marker is missing";
    case QMR_HEX_ECHECKSUM: return "a record is damaged or the file is cut off (wrong checksum or no end record)";
    default: return "the image did not load";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::string data = QM_EXAMPLES_DIR;
    std::string imagePath;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--data" && i + 1 < argc) data = argv[++i];
        else if (a == "--image" && i + 1 < argc) imagePath = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--data DIR] [--image FILE]\n", argv[0]);
            return 2;
        }
    }
    if (imagePath.empty()) imagePath = data + "/blinky.hex";
    if (!std::getenv("QMR_LINK")) setenv("QMR_LINK", "sim", 0);
    std::printf("library version %d, link %s\n", QMRGetVersion(), std::getenv("QMR_LINK"));

    g_window.base.post = onPost;
    g_ctx = QMRFlshOpen(&g_window.base, QMR_MSG_PROGRESS, nullptr);
    if (!g_ctx) {
        std::fprintf(stderr, "qm-demo: cannot open a library context\n");
        return 1;
    }
    g_ctx->english = 1;
    ResetParams params{};
    std::printf(">>COMMAND: Reset\n");
    QMRFlshReset(g_ctx, &params, 0);
    if (follow("RESET Command Completion")) return fail("the unit cannot be reached");
    if (command("Start", 2, QMRStartCmd, "Initialization Completion")) return fail("initialization failed");
    follow("Initialization Completion");  // the second completion record
    std::printf("unit: firmware %X.%02X build %u, %d parameter file(s), %d settings file(s)\n",
                qmr_info_version(g_ctx, 0) >> 8, qmr_info_version(g_ctx, 0) & 0xFF, qmr_info_build(g_ctx),
                g_ctx->prmNameCount, g_ctx->setNameCount);

    // The parameter file, unless the unit holds it already.
    PrmRecord* prm = QMRReadPRM((data + "/class1.prs").c_str(), 0);
    if (!prm) return failOpening(data + "/class1.prs", "is not a parameter file (larger than one)");
    bool registered = false;
    for (int i = 0; i < g_ctx->prmNameCount; ++i)
        registered |= std::memcmp(g_ctx->prmNameList[i], prm->prmImage + 6, 4) == 0;
    std::memcpy(&g_ctx->prm, prm, sizeof *prm);
    QMRFreePRM(prm);
    if (!registered && command("Parameter file download", 15, QMRPRMSend, "PRM File Send Command Completion"))
        return fail("parameter file download failed");

    // The settings file into slot 0, which the unit makes its default.
    std::vector<uint8_t> set = readFile(data + "/demo.set");
    if (set.size() != QMR_SETTINGS_SIZE) return fail("cannot read demo.set");
    std::memcpy(g_ctx->settingsRecord, set.data(), set.size());
    g_ctx->settingsNumber = 0;
    if (command("Setting file download", 16, QMRSETSend, "SET File Send Command Completion"))
        return fail("settings file download failed");

    // The image, through the library's loader.
    std::printf(">>COMMAND: LoadFile %s\n", imagePath.c_str());
    Window loaded;
    loaded.base.post = onPost;
    HexContext* hex = QMRHexOpen(imagePath.c_str(), &loaded.base, QMR_MSG_HEXLOADED, nullptr, 0, 0);
    if (!hex) return failOpening(imagePath, "is not an Intel HEX or S-record file");
    if (!waitPost(loaded, 60)) return fail("the loader did not finish");
    const HexProgressRecord* h = QMRHexGetProg(hex);
    std::printf("%s (result %d)\n", h->text, h->result);
    if (h->result) {
        const int result = h->result;  // the record goes with the loader
        QMRHexClose(hex);
        return fail(loadResultText(result));
    }
    std::vector<uint8_t> image(hex->imageBuffer, hex->imageBuffer + hex->imageSize);
    g_ctx->hexImage = image.data();
    g_ctx->hexSize = hex->imageSize;
    g_ctx->hexStart = hex->imageStart;
    g_ctx->hexHighest = hex->highestAddress;
    g_ctx->hexSum = hex->imageSum;
    g_ctx->hexCrc = imageCrc(image.data(), image.size());
    std::snprintf(g_ctx->hexTimestamp, sizeof g_ctx->hexTimestamp, "%04d%02d%02d%02d%02d%02d", hex->ring[0].year,
                  hex->ring[0].month, hex->ring[0].day, hex->ring[0].hour, hex->ring[0].minute, hex->ring[0].second);
    const char* base = std::strrchr(hex->fileName, '/');
    std::snprintf(g_ctx->hexFileName, sizeof g_ctx->hexFileName, "%s", base ? base + 1 : hex->fileName);
    std::printf("image: %u bytes, addresses %06X-%06X, sum %04X, CRC %08X\n", hex->imageSize, hex->lowestAddress,
                hex->highestAddress, hex->imageSum, g_ctx->hexCrc);
    QMRHexClose(hex);
    if (command("HEX download", 21, QMRHexDownLoad, "HEX File Download Command Completion"))
        return fail("image download failed");

    // Start again so that the unit's settings and parameter file are current.
    if (command("Start", 2, QMRStartCmd, "Initialization Completion")) return fail("initialization failed");
    follow("Initialization Completion");
    std::printf("unit image CRC %08X (%s)\n", qmr_info_hex_crc(g_ctx),
                qmr_info_hex_crc(g_ctx) == g_ctx->hexCrc ? "matches" : "DIFFERS");

    // EPV and its polling.
    ProgressRecord last{};
    if (command("EPV", 8, QMRFlshEPV, "EPV Command ...")) return fail("EPV did not start");
    std::printf(">>COMMAND: Progress\n");
    g_ctx->tagA = 26;
    g_ctx->tagB = 8;
    QMRProgress(g_ctx, 0);
    for (;;) {
        if (!waitPost(g_window, 60)) return fail("no progress from the library");
        last = *QMRFlshGetProg(g_ctx);
        std::printf("[%3d%%] %-30s %s%s\n", last.percent, last.title, last.text, last.code ? "  (failed)" : "");
        if (last.code || std::strstr(last.title, "Completion")) break;
    }
#ifdef QMR_GANG
    for (int i = 0; i < QMR_UNITS; ++i) {
        const UnitSlot& u = g_ctx->units[i];
        if (qmr_info_version(g_ctx, i) == 0xFFFF) std::printf("unit %d: empty position\n", i + 1);
        else if (!u.active) std::printf("unit %d: not taking part\n", i + 1);
        else std::printf("unit %d: %s\n", i + 1, u.error ? "NG" : "OK");
    }
#endif
    std::printf(">>COMMAND: Quit\n");
    QMRFlshGUIQuit(g_ctx);
    follow("Quit Command Completion");
    QMRFlshClose(g_ctx);
    if (last.code) {
        std::printf("EPV failed: code %d\n", last.code);
        return 1;
    }
    std::printf("EPV done.\n");
    return 0;
}
