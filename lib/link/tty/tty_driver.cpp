#include "link/tty/tty_driver.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/platform.h"

namespace qmr::link {

namespace {

std::string readAttr(const std::string& path)
{
    std::ifstream f(path);
    std::string s;
    if (!f || !std::getline(f, s)) return {};
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

std::string parentOf(const std::string& p)
{
    auto k = p.find_last_of('/');
    return k == std::string::npos || k == 0 ? std::string("/") : p.substr(0, k);
}

class TtyPort : public Port {
public:
    TtyPort(int fd, TtyDevice dev) : fd_(fd), dev_(std::move(dev))
    {
        if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
    }
    ~TtyPort() override
    {
        flock(fd_, LOCK_UN);
        ::close(fd_);
        if (wake_[0] >= 0) ::close(wake_[0]);
        if (wake_[1] >= 0) ::close(wake_[1]);
    }

    bool write(const uint8_t* data, uint32_t n, uint32_t& written, uint64_t deadline) override
    {
        written = 0;
        while (written < n) {
            if (interrupted()) return false;
            ssize_t k = ::write(fd_, data + written, n - written);
            if (k > 0) {
                written += static_cast<uint32_t>(k);
                continue;
            }
            if (k < 0 && errno != EAGAIN && errno != EINTR) return false;
            if (!waitFor(POLLOUT, deadline)) return written > 0;
        }
        return true;
    }

    bool read(uint8_t* data, uint32_t n, uint32_t& got, uint64_t deadline) override
    {
        got = 0;
        for (;;) {
            if (interrupted()) return false;
            ssize_t k = ::read(fd_, data, n);
            if (k > 0) {
                got = static_cast<uint32_t>(k);
                return true;
            }
            if (k == 0) return false;  // hang-up: the device is gone
            if (errno != EAGAIN && errno != EINTR) return false;
            if (!waitFor(POLLIN, deadline)) return !interrupted();
        }
    }

    bool info(DeviceInfo& out) override
    {
        out = DeviceInfo{};
        std::strncpy(out.serial, dev_.serial.c_str(), sizeof out.serial - 1);
        std::strncpy(out.description, dev_.description.c_str(), sizeof out.description - 1);
        return true;
    }

    bool purgeReceive() override
    {
        // Let what is still on its way arrive, then drop it all.
        uint8_t sink[512];
        uint64_t end = platform::tickMs() + 200;
        for (;;) {
            uint32_t got = 0;
            uint64_t quiet = std::min(end, platform::tickMs() + 20);
            if (!read(sink, sizeof sink, got, quiet) || got == 0) break;
        }
        return tcflush(fd_, TCIFLUSH) == 0;
    }

    void dropReceived() override { tcflush(fd_, TCIFLUSH); }

    void interrupt() override
    {
        stop_ = true;
        if (wake_[1] >= 0) {
            uint8_t b = 1;
            [[maybe_unused]] ssize_t k = ::write(wake_[1], &b, 1);
        }
    }

private:
    bool interrupted() const { return stop_; }

    // Waits for the device or the wake-up pipe; false at the deadline.
    bool waitFor(short events, uint64_t deadline)
    {
        uint64_t now = platform::tickMs();
        if (now >= deadline) return false;
        pollfd p[2] = {{fd_, events, 0}, {wake_[0], POLLIN, 0}};
        uint64_t left = deadline - now;
        int r = ::poll(p, wake_[0] >= 0 ? 2 : 1, static_cast<int>(std::min<uint64_t>(left, INT_MAX)));
        if (r <= 0) return false;
        if (p[0].revents & (POLLERR | POLLNVAL)) return false;
        return !interrupted();
    }

    int fd_;
    TtyDevice dev_;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
};

void lowerLatency(int fd, const TtyDevice& dev)
{
    // Best effort: the FTDI latency timer's 16 ms default caps request and
    // answer exchanges near 60 a second.
    serial_struct ss{};
    if (ioctl(fd, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &ss);
    }
    if (!dev.latencyTimer.empty()) {
        int lt = ::open(dev.latencyTimer.c_str(), O_WRONLY | O_CLOEXEC);
        if (lt >= 0) {
            [[maybe_unused]] ssize_t k = ::write(lt, "1", 1);
            ::close(lt);
        }
    }
}

}  // namespace

std::vector<TtyDevice> listTtyDevices(const std::string& sysRoot, const std::string& devRoot)
{
    std::vector<std::pair<long, TtyDevice>> found;
    std::string classDir = sysRoot + "/class/tty";
    DIR* d = opendir(classDir.c_str());
    if (!d) return {};
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.rfind("ttyUSB", 0) != 0 || name.size() == 6) continue;
        char* end = nullptr;
        long number = std::strtol(name.c_str() + 6, &end, 10);
        if (!end || *end) continue;
        char real[PATH_MAX];
        std::string link = classDir + "/" + name + "/device";
        if (!realpath(link.c_str(), real)) continue;
        std::string port = real;              // the usb-serial port
        std::string iface = parentOf(port);   // the USB interface
        std::string usb = parentOf(iface);    // the USB device
        TtyDevice dev;
        dev.node = devRoot + "/" + name;
        dev.description = readAttr(usb + "/product");
        dev.serial = readAttr(usb + "/serial");
        std::string ifaces = readAttr(usb + "/bNumInterfaces");
        if (std::atoi(ifaces.c_str()) > 1) {
            int number_in = static_cast<int>(std::strtol(readAttr(iface + "/bInterfaceNumber").c_str(), nullptr, 16));
            if (number_in >= 0 && number_in < 26) {
                dev.description += ' ';
                dev.description += static_cast<char>('A' + number_in);
            }
        }
        std::string lt = port + "/latency_timer";
        if (access(lt.c_str(), F_OK) == 0) dev.latencyTimer = lt;
        found.emplace_back(number, std::move(dev));
    }
    closedir(d);
    std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<TtyDevice> out;
    for (auto& f : found) out.push_back(std::move(f.second));
    return out;
}

std::unique_ptr<Port> openTtyPort(const TtyDevice& dev, std::string& problem)
{
    // Only a character device can be the unit: a regular file or a disk
    // named here must never be written to.
    struct stat st;
    if (stat(dev.node.c_str(), &st) == 0 && !S_ISCHR(st.st_mode)) {
        problem = "\"" + dev.node + "\" is not a terminal or character device";
        return nullptr;
    }
    int fd = ::open(dev.node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))) {
        ::close(fd);  // replaced between the check and the open
        problem = "\"" + dev.node + "\" is not a terminal or character device";
        return nullptr;
    }
    if (fd < 0) {
        int err = errno;
        problem = "\"" + dev.node + "\": " + std::strerror(err);
        if (err == EACCES || err == EPERM)
            problem += " (add your user to the dialout group, or install the udev rules "
                       "from contrib/ and plug the unit in again)";
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        problem = "\"" + dev.node + "\": in use by another program";
        ::close(fd);
        return nullptr;
    }
    ioctl(fd, TIOCEXCL);
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cflag &= ~CRTSCTS;
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        tcsetattr(fd, TCSANOW, &t);
    }
    lowerLatency(fd, dev);
    tcflush(fd, TCIOFLUSH);
    return std::make_unique<TtyPort>(fd, dev);
}

void TtyDriver::refresh()
{
    devices_ = listTtyDevices(sysRoot_, devRoot_);
    listed_ = true;
}

bool TtyDriver::count(uint32_t& n)
{
    refresh();
    n = static_cast<uint32_t>(devices_.size());
    return true;
}

bool TtyDriver::description(uint32_t index, char out[64])
{
    if (!listed_) refresh();
    if (index >= devices_.size()) return false;
    std::memset(out, 0, 64);
    std::strncpy(out, devices_[index].description.c_str(), 63);
    return true;
}

std::unique_ptr<Port> TtyDriver::openByDescription(const char* description, std::string& problem)
{
    if (!listed_) refresh();
    for (auto& d : devices_) {
        if (d.description != description) continue;
        if (auto p = openTtyPort(d, problem)) return p;
    }
    return nullptr;
}

TtyPathDriver::TtyPathDriver(std::string path, std::string description)
{
    device_.node = std::move(path);
    device_.description = std::move(description);
    auto k = device_.node.find_last_of('/');
    device_.serial = device_.node.substr(k == std::string::npos ? 0 : k + 1).substr(0, 15);
}

bool TtyPathDriver::count(uint32_t& n)
{
    n = 1;
    return true;
}

bool TtyPathDriver::description(uint32_t index, char out[64])
{
    if (index) return false;
    std::memset(out, 0, 64);
    std::strncpy(out, device_.description.c_str(), 63);
    return true;
}

std::unique_ptr<Port> TtyPathDriver::openByDescription(const char* description, std::string& problem)
{
    if (device_.description != description) return nullptr;
    return openTtyPort(device_, problem);
}

}  // namespace qmr::link
