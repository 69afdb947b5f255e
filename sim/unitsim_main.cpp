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
#include <string>

#include "sim/device.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

void usage()
{
    std::fprintf(stderr,
                 "usage: qm-unitsim [--gang] [--serial TEXT] [--link-file PATH]\n"
                 "  Serves a simulated unit on a pseudo-terminal and prints its path.\n"
                 "  --gang        simulate the gang box instead of the single unit\n"
                 "  --serial TEXT USB serial number the unit reports\n"
                 "  --link-file P also write the pty path into file P\n");
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
    std::string linkFile;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--gang") {
            config.gang = true;
        } else if (a == "--serial" && i + 1 < argc) {
            config.serial = argv[++i];
        } else if (a == "--link-file" && i + 1 < argc) {
            linkFile = argv[++i];
        } else if (a == "-h" || a == "--help") {
            usage();
            return 0;
        } else {
            std::fprintf(stderr, "qm-unitsim: unknown argument %s\n", a.c_str());
            usage();
            return 2;
        }
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
    while (!g_stop) {
        pollfd p{master, POLLIN, 0};
        int r = poll(&p, 1, 200);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (r == 0) continue;
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
