// qm-unitsim: serves a simulated programmer unit (or, with --gang, a gang
// box) on a pseudo-terminal, so that QMR_LINK=tty:PATH reaches it through
// the library's real tty code.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <array>
#include <string>

#include "sim/device.h"
#include "sim/store.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

void usage()
{
    std::fprintf(stderr,
                 "usage: qm-unitsim [options]\n"
                 "  Serves a simulated unit on a pseudo-terminal and prints its path.\n"
                 "  --gang              simulate the gang box instead of the single unit\n"
                 "  --units LIST        gang box positions holding a unit, e.g. 1,2,5 (default all)\n"
                 "  --version P=VER     firmware version word of position P, e.g. 3=0x0204\n"
                 "  --firmware VER      firmware version word of every unit (default 0x0205)\n"
                 "  --build N           firmware build number (default 258)\n"
                 "  --pace MODE         instant (default), realistic, or bytes per millisecond\n"
                 "  --store DIR         where the unit's store persists (default: QMR_SIM_DIR,\n"
                 "                      else the XDG state directory); --store '' keeps it in memory\n"
                 "  --serial TEXT       USB serial number the unit reports\n"
                 "  --link-file PATH    also write the pty path into PATH\n"
                 "\n"
                 "Control lines on standard input, each answered with one line:\n"
                 "  press               press the gang box's start button\n"
                 "  release             release it (before the box reported it)\n"
                 "  error P CODE        the next device operation fails on position P (1..8;\n"
                 "                      1 on the single unit) with target error CODE\n"
                 "  status CMD CODE     the unit answers its next command CMD (e.g. 0x25) with\n"
                 "                      status CODE\n"
                 "  unplug              the unit is pulled off the USB cable\n"
                 "  help                lists these\n");
}

bool parseNumber(const std::string& s, unsigned long max, unsigned long& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtoul(s.c_str(), &end, 0);
    return !s.empty() && end && *end == 0 && errno == 0 && out <= max;
}

// One control line; the answer is one line.
std::string control(qmr::sim::Device& d, const std::string& line)
{
    char word[32] = {};
    char a[32] = {}, b[32] = {};
    int n = std::sscanf(line.c_str(), "%31s %31s %31s", word, a, b);
    if (n <= 0) return "";
    std::string w = word;
    unsigned long x = 0, y = 0;
    auto number = [](const char* t, unsigned long max, unsigned long& out) { return parseNumber(t, max, out); };
    if (w == "press" && n == 1) {
        if (!d.config().gang) return "error: the single unit has no start button";
        if (d.buttonsMasked()) return "ignored: the start buttons are masked now";
        d.pressStartButton();
        return "pressed";
    }
    if (w == "release" && n == 1) {
        d.releaseStartButton();
        return "released";
    }
    if (w == "error" && n == 3) {
        unsigned long last = d.config().gang ? 8 : 1;
        if (!number(a, last, x) || x < 1) return "error: the position is 1.." + std::to_string(last);
        if (!number(b, 0xFFFF, y) || y == 0) return "error: the target error code is 1..65535";
        d.injectTargetError(int(x), uint16_t(y));
        return "the next operation on position " + std::to_string(x) + " fails with target error " + std::to_string(y);
    }
    if (w == "status" && n == 3) {
        if (!number(a, 0xFF, x)) return "error: the command is a byte, e.g. 0x25";
        if (!number(b, 0xFF, y)) return "error: the status is a byte";
        d.injectStatus(uint8_t(x), uint8_t(y));
        return "the next answer to command " + std::string(a) + " is status " + std::to_string(y);
    }
    if (w == "unplug" && n == 1) {
        d.unplugAfter(0);
        return "unplugged";
    }
    if (w == "help" && n == 1) return "commands: press, release, error P CODE, status CMD CODE, unplug, help";
    return "error: unknown control line \"" + line + "\"; try help";
}

bool makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    qmr::sim::Config config;
    config.storeDir = qmr::sim::defaultStoreDir();
    std::string linkFile;
    std::string units;
    auto bad = [](const std::string& what) {
        std::fprintf(stderr, "qm-unitsim: %s\n", what.c_str());
        usage();
        return 2;
    };
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        unsigned long v = 0;
        if (a == "--gang") {
            config.gang = true;
        } else if (a == "--serial" && hasValue) {
            config.serial = argv[++i];
        } else if (a == "--link-file" && hasValue) {
            linkFile = argv[++i];
        } else if (a == "--store" && hasValue) {
            config.storeDir = argv[++i];
        } else if (a == "--units" && hasValue) {
            units = argv[++i];
        } else if (a == "--firmware" && hasValue) {
            if (!parseNumber(argv[++i], 0xFFFE, v)) return bad("--firmware wants a version word such as 0x0120");
            config.versions.fill(static_cast<uint16_t>(v));
        } else if (a == "--version" && hasValue) {
            std::string pv = argv[++i];
            auto eq = pv.find('=');
            unsigned long pos = 0;
            if (eq == std::string::npos || !parseNumber(pv.substr(0, eq), 8, pos) || pos < 1 ||
                !parseNumber(pv.substr(eq + 1), 0xFFFF, v))
                return bad("--version wants POSITION=VERSION, e.g. 3=0x0204");
            config.versions[pos - 1] = static_cast<uint16_t>(v);
        } else if (a == "--build" && hasValue) {
            if (!parseNumber(argv[++i], 0xFFFF, v)) return bad("--build wants a number up to 65535");
            config.build = static_cast<uint16_t>(v);
        } else if (a == "--pace" && hasValue) {
            std::string p = argv[++i];
            if (p == "instant") config.paceBytesPerMs = 0;
            else if (p == "realistic") config.paceBytesPerMs = 200;
            else if (parseNumber(p, 1u << 30, v)) config.paceBytesPerMs = static_cast<uint32_t>(v);
            else return bad("--pace wants instant, realistic or a number of bytes per millisecond");
        } else if (a == "-h" || a == "--help") {
            usage();
            return 0;
        } else {
            return bad("unknown argument " + a);
        }
    }
    if (!units.empty()) {
        std::array<bool, 8> present{};
        size_t start = 0;
        while (start <= units.size()) {
            size_t comma = units.find(',', start);
            std::string item = units.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            unsigned long pos = 0;
            if (!parseNumber(item, 8, pos) || pos < 1) return bad("--units wants positions 1 to 8, e.g. 1,2,5");
            present[pos - 1] = true;
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        for (size_t k = 0; k < 8; ++k)
            if (!present[k]) config.versions[k] = 0xFFFF;  // an empty position
    }

    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("qm-unitsim: pseudo-terminal");
        return 1;
    }
    const char* name = ptsname(master);
    if (!name) {
        std::perror("qm-unitsim: ptsname");
        return 1;
    }
    std::string slavePath = name;
    // Hold the slave open (raw) so that the pty lives while the library
    // opens and closes it.
    int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0 || !makeRaw(slave)) {
        std::perror("qm-unitsim: slave");
        return 1;
    }
    makeRaw(master);

    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);
    if (!linkFile.empty()) {
        std::string tmp = linkFile + ".tmp";
        FILE* f = std::fopen(tmp.c_str(), "w");
        if (!f || std::fprintf(f, "%s\n", slavePath.c_str()) < 0 || std::fclose(f) != 0 ||
            std::rename(tmp.c_str(), linkFile.c_str()) != 0) {
            std::perror("qm-unitsim: link file");
            return 1;
        }
    }

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    qmr::sim::Device device(config);
    uint8_t buf[4096];
    std::string pending;  // a control line not yet whole
    bool controls = true;  // standard input is open
    while (!g_stop) {
        pollfd p[2] = {{master, POLLIN, 0}, {controls ? STDIN_FILENO : -1, POLLIN, 0}};
        int r = poll(p, 2, 200);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (r == 0) continue;
        if (p[1].revents) {
            char in[512];
            ssize_t k = read(STDIN_FILENO, in, sizeof in);
            if (k <= 0) {
                if (k == 0 || (errno != EINTR && errno != EAGAIN)) controls = false;  // no more control lines
            } else {
                pending.append(in, size_t(k));
                if (pending.size() > 4096) pending.clear();  // no line is that long
                size_t nl;
                while ((nl = pending.find('\n')) != std::string::npos) {
                    std::string line = pending.substr(0, nl);
                    pending.erase(0, nl + 1);
                    if (!line.empty() && line.back() == '\r') line.pop_back();
                    std::string answer = control(device, line);
                    if (!answer.empty()) {
                        std::printf("%s\n", answer.c_str());
                        std::fflush(stdout);
                    }
                }
            }
        }
        if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t k = read(master, buf, sizeof buf);
        if (k < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EIO) continue;
            break;
        }
        device.hostWrite(buf, static_cast<size_t>(k));
        while (size_t n = device.hostRead(buf, sizeof buf)) {
            size_t off = 0;
            while (off < n) {
                ssize_t w = write(master, buf + off, n - off);
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0) break;
                off += static_cast<size_t>(w);
            }
        }
    }
    close(slave);
    close(master);
    return 0;
}
