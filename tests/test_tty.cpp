// The tty backend: enumeration over a fake sysfs tree, and the whole library
// against qm-unitsim over a pseudo-terminal.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "link/link.h"
#include "link/tty/tty_driver.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace qmr::link;

namespace {

using qmrtest::TempDir;

void write(const fs::path& p, const std::string& text)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text << "\n";
}

// A USB device with one tty per interface under root.
void addUsbTty(const fs::path& root, const std::string& usb, const std::string& product,
               const std::string& serial, int interfaces, int iface, const std::string& tty)
{
    fs::path dev = root / "devices/pci0000:00/usb1" / usb;
    write(dev / "product", product);
    write(dev / "serial", serial);
    write(dev / "bNumInterfaces", " " + std::to_string(interfaces));
    fs::path in = dev / (usb + ":1." + std::to_string(iface));
    write(in / "bInterfaceNumber", "0" + std::to_string(iface));
    fs::path port = in / tty;
    write(port / "latency_timer", "16");
    fs::create_directories(root / "class/tty" / tty);
    fs::create_directory_symlink(port, root / "class/tty" / tty / "device");
}

TEST(TtyEnumeration, ListsUsbTtysInNumberOrderWithInterfaceLetters)
{
    TempDir t;
    addUsbTty(t.path, "1-4", "Brennagrove Quillmarker-01", "QM123456", 1, 0, "ttyUSB10");
    addUsbTty(t.path, "1-1", "Dual RS232-HS", "FT0001", 2, 1, "ttyUSB1");
    addUsbTty(t.path, "1-1", "Dual RS232-HS", "FT0001", 2, 0, "ttyUSB0");
    addUsbTty(t.path, "1-2", "Brennagrove Quill GANG-01", "QG000042", 1, 0, "ttyUSB2");
    fs::create_directories(t.path / "class/tty/ttyS0");  // not a USB serial device
    auto list = listTtyDevices(t.path.string(), "/dev");
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].node, "/dev/ttyUSB0");
    EXPECT_EQ(list[0].description, "Dual RS232-HS A");
    EXPECT_EQ(list[1].description, "Dual RS232-HS B");
    EXPECT_EQ(list[2].node, "/dev/ttyUSB2");
    EXPECT_EQ(list[2].description, "Brennagrove Quill GANG-01");
    EXPECT_EQ(list[2].serial, "QG000042");
    EXPECT_EQ(list[3].node, "/dev/ttyUSB10");
    EXPECT_EQ(list[3].description, "Brennagrove Quillmarker-01");
    EXPECT_FALSE(list[3].latencyTimer.empty());
}

TEST(TtyEnumeration, MissingTreeListsNothingAndUnopenableNodeSaysWhy)
{
    EXPECT_TRUE(listTtyDevices("/nonexistent-sysfs", "/dev").empty());
    TtyDevice d;
    d.node = "/nonexistent-dev/ttyUSB0";
    std::string problem;
    EXPECT_EQ(openTtyPort(d, problem), nullptr);
    EXPECT_NE(problem.find("ttyUSB0"), std::string::npos);
}

// qm-unitsim serving a pseudo-terminal for the length of a test, with its
// control lines on a pipe.
class UnitSim {
public:
    explicit UnitSim(bool gang)
    {
        linkFile_ = dir_.path / "link";
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            const char* argv[] = {QM_UNITSIM, gang ? "--gang" : "--serial", gang ? "--serial" : "PTYSIM01",
                                  gang ? "PTYSIM01" : "--link-file", gang ? "--link-file" : linkFile_.c_str(),
                                  gang ? linkFile_.c_str() : nullptr, nullptr};
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            execv(QM_UNITSIM, const_cast<char* const*>(argv));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        control_ = in[1];
        answers_ = fdopen(out[0], "r");
        for (int i = 0; i < 500 && !fs::exists(linkFile_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream(linkFile_) >> path;
        char first[256];
        if (answers_) std::fgets(first, sizeof first, answers_);  // the pty's path
    }
    ~UnitSim()
    {
        if (control_ >= 0) close(control_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (answers_) std::fclose(answers_);
    }
    // Sends a control line and returns the one-line answer.
    std::string control(const std::string& line)
    {
        std::string l = line + "\n";
        if (::write(control_, l.data(), l.size()) != ssize_t(l.size())) return "(not sent)";
        char answer[256] = {};
        if (!answers_ || !std::fgets(answer, sizeof answer, answers_)) return "(no answer)";
        std::string a = answer;
        if (!a.empty() && a.back() == '\n') a.pop_back();
        return a;
    }
    std::string path;

private:
    TempDir dir_;
    fs::path linkFile_;
    pid_t pid_ = -1;
    int control_ = -1;
    FILE* answers_ = nullptr;
};

using qmrtest::kGang;

TEST(TtyLink, WholeLibraryAgainstQmUnitsimOverAPty)
{
    UnitSim sim(kGang);
    ASSERT_FALSE(sim.path.empty());
    std::string link = "tty:" + sim.path;
    setenv("QMR_LINK", link.c_str(), 1);
    {
        qmrtest::Session s;
        ASSERT_TRUE(s.reset());
        auto recs = s.initialize();
        EXPECT_STREQ(recs.back().text, "Initialization Completion");
        QMRGetDeviceInfo(s.ctx, 0);
        QMRFlshAbort(s.ctx, nullptr);  // its record follows the silent success
        EXPECT_STREQ(s.next().text, "ABORT ok.");
        // The device node names the unit when it is not a USB device.
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.ctx->usbSerial)).substr(0, 3),
                  fs::path(sim.path).filename().string().substr(0, 3));
    }
    setenv("QMR_LINK", "sim", 1);
}

TEST(TtyLink, QmUnitsimTakesControlLinesOnItsStandardInput)
{
    UnitSim sim(kGang);
    ASSERT_FALSE(sim.path.empty());
    EXPECT_EQ(sim.control("status 0x10 27"), "the next answer to command 0x10 is status 27");
    EXPECT_EQ(sim.control("error 9 15").rfind("error: the position", 0), 0u);
    EXPECT_EQ(sim.control("nonsense").rfind("error: unknown control line", 0), 0u);
    if (kGang) EXPECT_EQ(sim.control("press"), "ignored: the start buttons are masked now");  // until a setting and an image are there
    else EXPECT_EQ(sim.control("press"), "error: the single unit has no start button");
    TtyPathDriver driver(sim.path, unitDescription());
    auto* ctx = static_cast<FlshContext*>(std::calloc(1, sizeof(FlshContext)));
    ASSERT_TRUE(openLinkWith(ctx, driver));
    ASSERT_EQ(sendCommand(ctx, 0x10), 0);
    uint8_t st = 0;
    EXPECT_EQ(readStatus(ctx, st), 0);
    EXPECT_EQ(st, 27);  // the injected status came over the pty
    EXPECT_EQ(sim.control("unplug"), "unplugged");
    sendCommand(ctx, 0x10);
    EXPECT_NE(readStatus(ctx, st), 0);  // nothing answers any more
    closeLink(ctx);
    std::free(ctx);
}

TEST(TtyLink, EnumeratedNodeOpensAndSecondOpenIsRefused)
{
    UnitSim sim(kGang);
    ASSERT_FALSE(sim.path.empty());
    TempDir t;
    addUsbTty(t.path / "sys", "1-3", unitDescription(), "PTYSIM01", 1, 0, "ttyUSB0");
    fs::create_directories(t.path / "dev");
    fs::create_symlink(sim.path, t.path / "dev/ttyUSB0");
    TtyDriver driver((t.path / "sys").string(), (t.path / "dev").string());
    auto* ctx = static_cast<FlshContext*>(std::calloc(1, sizeof(FlshContext)));
    ASSERT_TRUE(openLinkWith(ctx, driver));
    ASSERT_TRUE(readDeviceInfo(ctx));
    EXPECT_STREQ(reinterpret_cast<const char*>(ctx->usbSerial), "PTYSIM01");
    // A status exchange over the real tty code.
    ASSERT_EQ(sendCommand(ctx, 0x10), 0);
    uint8_t st = 0;
    EXPECT_EQ(readStatus(ctx, st), 0);
    EXPECT_EQ(st, 1);
    // The unit is held exclusively while open.
    std::string problem;
    EXPECT_EQ(openTtyPort(listTtyDevices((t.path / "sys").string(), (t.path / "dev").string())[0], problem),
              nullptr);
    EXPECT_NE(problem.find("in use"), std::string::npos);
    closeLink(ctx);
    std::free(ctx);
}

TEST(TtyLink, AWriteToAUnitThatStoppedReadingEndsWithTheReadTimeOut)
{
    // The pty's other side never reads: its buffer fills and writes block.
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    TtyPathDriver driver(ptsname(master), unitDescription());
    auto* ctx = static_cast<FlshContext*>(std::calloc(1, sizeof(FlshContext)));
    ASSERT_TRUE(openLinkWith(ctx, driver));  // the tests' time-out: 300 ms
    std::vector<uint8_t> big(1 << 20, 0x55);
    auto t0 = std::chrono::steady_clock::now();
    int rc = send(ctx, big.data(), static_cast<uint32_t>(big.size()));
    auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_TRUE(rc == QMR_E_SHORTWRITE || rc == QMR_E_LINK) << rc;
    EXPECT_LT(took, std::chrono::seconds(3));  // not the fixed 5 s of old
    closeLink(ctx);
    std::free(ctx);
    ::close(master);
}

TEST(TtyLink, APathThatIsNoCharacterDeviceIsNeverWrittenAndFailsWith32)
{
    TempDir t;
    const std::string content = "precious bytes";
    std::string file = t.file("image.bin", content);
    std::string fifo = (t.path / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string link;
        std::string named;  // what the message names, quoted
    };
    const Case cases[] = {
        {"tty:" + file, "\"" + file + "\""},
        {"tty:" + fifo, "\"" + fifo + "\""},
        {"tty:" + t.path.string(), "\"" + t.path.string() + "\""},
        {"tty:", "\"tty:\""},
        {"tty:/dev/null ", "\"/dev/null \""},  // a trailing blank stays visible
    };
    for (const auto& c : cases) {
        setenv("QMR_LINK", c.link.c_str(), 1);
        testing::internal::CaptureStderr();
        int code = 0;
        {
            qmrtest::Session s;
            ResetParams p{};
            QMRFlshReset(s.ctx, &p, 0);
            code = s.next().code;
        }
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, QMR_E_NOTFOUND) << c.link;
        EXPECT_NE(err.find(c.named), std::string::npos) << c.link << ": " << err;
    }
    setenv("QMR_LINK", "sim", 1);
    std::ifstream in(file, std::ios::binary);
    std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(after, content);
}

}  // namespace
