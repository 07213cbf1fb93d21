// The serial operations through the kernel's real 8250 driver. tivra-cli runs inside a QEMU
// guest (TCG, Debian's kernel, a small initial RAM disk) whose second serial port, an emulated
// 16550, is connected to the pseudo-terminal of the simulated boot code on the host. The guest
// runs one case per boot and writes everything to its third port, a file here; the host checks
// what arrived at the simulator and what the guest reports, and shows the guest's logs on
// failure. Every guest is bounded in time and killed when it overstays.
#include <fcntl.h>
#include <glob.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BootCode.h"
#include "EepromImage.h"
#include "EepromProgrammer.h"
#include "FirmwareLoaderMachine.h"
#include "FirmwareTestFiles.h"
#include "TempDir.h"

namespace {

// The guest's cases: /tivra/cases/NAME.sh, sourced by the guest's init (its `cli` runs
// tivra-cli on COM1, which is /dev/ttyS1, and prints the status).
const std::pair<const char*, const char*> kGuestCases[] = {
    {"upload", "cli serial-upload --file /tivra/fw.bin --yes --json\n"},
    {"bios", "cli bios --file /tivra/bios.brm --yes --json\n"},
    {"download",
     "mkdir /tmp/dl && cp /tivra/old.bin /tmp/dl/backup.bin\n"
     "cli serial-download --file /tmp/dl/backup.bin --yes --json\n"
     "cmp -s /tivra/flash.bin /tmp/dl/backup.bin && echo 'guest: destination is the flash'\n"
     "cmp -s /tivra/old.bin /tmp/dl/backup.bin && echo 'guest: destination untouched'\n"
     "echo \"guest: files $(ls -A /tmp/dl)\"\n"},
    // The modem control register of ttyS1 (0x2f8), sampled while the programmer works.
    {"mac",
     "tivra-uart-probe 0x2f8 >/tmp/probe.txt 2>&1 &\n"
     "probe=$!\n"
     "while [ ! -s /tmp/probe.txt ]; do sleep 0.05; done\n"
     "cli mac --mac 02:C0:DE:00:00:41 --no-auto-increment --yes\n"
     "kill $probe; wait $probe\n"
     "cat /tmp/probe.txt\n"},
    // A second program on a port the first one holds while it waits for the access point,
    // with the modem control register watched; lines the second raised would stay up for the
    // second's pause at least.
    {"busy",
     "tivra-uart-probe 0x2f8 >/tmp/probe.txt 2>&1 &\n"
     "probe=$!\n"
     "while [ ! -s /tmp/probe.txt ]; do sleep 0.05; done\n"
     "tivra-cli serial-upload --port COM1 --loader-folder /tivra/loaders --file /tivra/fw.bin"
     " --yes >/tmp/first.txt 2>&1 &\n"
     "first=$!\n"
     "for i in $(seq 300); do grep -qs '> 44 4F 52 42 41' /tmp/trace.log && break; sleep 0.1; "
     "done\n"
     "cli serial-upload --file /tivra/fw.bin --yes\n"
     "sleep 1\n"
     "kill -TERM $first; wait $first\n"
     "echo \"guest: tivra-cli status $?\"\n"
     "kill $probe; wait $probe\n"
     "cat /tmp/first.txt /tmp/probe.txt\n"},
};

struct TGuestRun {
    std::string name;
    bool ended = false;  // powered off by itself within its time
    double seconds = 0;
    std::string log;      // the third port: the case's output, the trace
    std::string console;  // the kernel's console and QEMU's own messages
};

std::string Read(const std::string& path) { return TempDir::Read(path); }

// The newest of Debian's kernels (by version), or TIVRA_UART_KERNEL.
std::string KernelImage() {
    if (const char* chosen = std::getenv("TIVRA_UART_KERNEL")) return chosen;
    glob_t found{};
    std::string newest;
    if (glob("/boot/vmlinuz-*", 0, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i)
            if (newest.empty() || strverscmp(found.gl_pathv[i], newest.c_str()) > 0)
                newest = found.gl_pathv[i];
    }
    globfree(&found);
    return newest;
}

// The statuses tivra-cli ended with in the guest, in order.
std::vector<int> Statuses(const std::string& log) {
    std::vector<int> statuses;
    const std::string mark = "guest: tivra-cli status ";
    for (std::size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1))
        statuses.push_back(std::atoi(log.c_str() + at + mark.size()));
    return statuses;
}

// The bytes per second of a JSON phase between its first progress event with bytes done and its
// last one. Each event's rate counts from the phase's start, which comes after the line began
// to carry the image, so elapsed times (done / rate) are compared instead. -1 when too few.
double TransferRate(const std::string& log, const std::string& phase) {
    const std::string mark = "{\"event\":\"progress\",\"phase\":\"" + phase + "\",\"done\":";
    double firstDone = -1, firstElapsed = 0, lastDone = -1, lastElapsed = 0;
    for (std::size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1)) {
        const double done = std::atof(log.c_str() + at + mark.size());
        const std::size_t rate = log.find("\"rate\":", at);
        const double perSecond = rate == std::string::npos ? 0 : std::atof(log.c_str() + rate + 7);
        if (done <= 0 || perSecond <= 0) continue;
        if (firstDone < 0) {
            firstDone = done;
            firstElapsed = done / perSecond;
        }
        lastDone = done;
        lastElapsed = done / perSecond;
    }
    if (firstDone < 0 || lastElapsed <= firstElapsed) return -1;
    return (lastDone - firstDone) / (lastElapsed - firstElapsed);
}

struct TProbeSample {
    long long micros;
    unsigned lcr, mcr;
};

std::vector<TProbeSample> ProbeSamples(const std::string& log) {
    std::vector<TProbeSample> samples;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("probe: ", 0) != 0) continue;
        TProbeSample s{};
        std::istringstream fields(line.substr(7));
        fields >> s.micros >> std::hex >> s.lcr >> s.mcr;
        if (fields) samples.push_back(s);
    }
    return samples;
}

constexpr unsigned kDtr = 0x01, kRts = 0x02;
// The LCR's word length, stop bits and parity enable; the driver sets the even parity bit as
// well when parity is off, which means nothing then.
constexpr unsigned kLineBits = 0x0F, kLine8N1 = 0x03, kLine8N2 = 0x07;

// At 8N1 (the boot code and the firmware loader) DTR and RTS stay low but for the driver's
// pulse when the port opens, before the program lowers them.
void ExpectLinesLowAt8N1(const std::vector<TProbeSample>& samples) {
    ASSERT_FALSE(samples.empty());
    for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
        const TProbeSample& s = samples[i];
        if ((s.lcr & kLineBits) == kLine8N1 && (s.mcr & (kDtr | kRts))) {
            EXPECT_LT(samples[i + 1].micros - s.micros, 500000)
                << "lines up at 8N1 at " << s.micros;
        }
    }
}

class UartStage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        files_ = new TempDir;
        const TempDir& f = *files_;
        std::filesystem::create_directories(f.Path("cases"));
        std::filesystem::create_directories(f.Path("loaders"));
        for (const auto& [name, script] : kGuestCases)
            f.Write(std::string("cases/") + name + ".sh", script);
        f.Write("loaders/orbaflwr.com", SimulatedFirmwareLoaderFile());
        f.Write("loaders/nvbioupd.com", SimulatedFirmwareLoaderFile());
        f.Write("loaders/ror8019.com", SimulatedEepromProgrammerFile());
        f.Write("fw.bin", Upload());
        f.Write("bios.brm", BiosFileForTest(BiosData()));
        f.Write("old.bin", "the old image");
        std::string flash = Flash();
        flash.resize(32768, '\xFF');  // one 32 KiB unit is read; the rest of it is erased
        f.Write("flash.bin", flash);
        initramfs_ = new std::string(std::filesystem::temp_directory_path() /
                                     ("tivra-uart-" + std::to_string(getpid()) + ".cpio.gz"));
        const std::string command = std::string(TIVRA_SOURCE_DIR) +
                                    "/tests/uart/guest/make-initramfs.sh " TIVRA_BIN_DIR " " +
                                    f.Path("") + " " + *initramfs_ + " 2>&1";
        packed_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() {
        std::filesystem::remove(*initramfs_);
        delete initramfs_;
        delete files_;
    }
    void SetUp() override {
        ASSERT_TRUE(packed_) << "the guest's RAM disk could not be packed (scripts/setup)";
        ASSERT_FALSE(KernelImage().empty()) << "no kernel in /boot (scripts/setup)";
    }
    void TearDown() override {
        // The guest's logs of a failed test, in full.
        if (!HasFailure()) return;
        for (const TGuestRun& run : runs_)
            std::cout << "==== guest " << run.name << " (" << run.seconds << " s"
                      << (run.ended ? "" : ", killed") << "): third port\n"
                      << run.log << "\n==== guest " << run.name << ": console\n"
                      << run.console << "\n";
    }

    static std::string Upload() { return PatternImage(40000, 1); }
    static std::string BiosData() { return PatternImage(5000, 3); }
    static std::string Flash() { return PatternImage(30000, 2); }

    // Starts the boot code on a new pseudo-terminal.
    void StartBootCode(TBootCodeConfig config, const TFirmwareLoaderConfig& loader,
                       int lineRate = 0) {
        boot_ = std::make_unique<TBootCodeSim>(config);
        boot_->SetProgramChooser(SimulatedLoaderPrograms(loader));
        boot_->SetLineRate(lineRate);
        std::string error;
        ASSERT_TRUE(boot_->Start(error)) << error;
    }

    // Boots the guest for one case with ttyS1 on the boot code's pseudo-terminal; waits until
    // it powers off, at most limitSeconds, and kills it when it overstays.
    const TGuestRun& Boot(const std::string& name, int limitSeconds = 90) {
        TempDir out;
        TGuestRun run;
        run.name = name;
        std::vector<std::string> args = {
            "qemu-system-x86_64", "-nodefaults", "-machine", "pc,accel=tcg", "-m", "256",
            "-display", "none", "-no-reboot", "-kernel", KernelImage(), "-initrd", *initramfs_,
            "-append", "console=ttyS0 panic=-1 quiet tivra.case=" + name,
            // ttyS0 the console, ttyS1 the device under test, ttyS2 the case's output.
            "-serial", "file:" + out.Path("console.txt"), "-chardev",
            "serial,id=dut,path=" + boot_->SlavePath(), "-serial", "chardev:dut", "-serial",
            "file:" + out.Path("log.txt")};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string messages = out.Path("qemu.txt");
        const auto start = std::chrono::steady_clock::now();
        const pid_t parent = getpid();
        // The child only rearranges descriptors before exec: other threads run in this process.
        const pid_t pid = fork();
        if (pid == 0) {
            // QEMU never outlives the test, whichever way the test ends.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) _exit(127);
            const int quiet = open("/dev/null", O_RDONLY);
            const int text = open(messages.c_str(), O_WRONLY | O_CREAT, 0600);
            dup2(quiet, STDIN_FILENO);
            dup2(text, STDOUT_FILENO);
            dup2(text, STDERR_FILENO);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        int status = -1;
        if (pid > 0) {
            const int exited = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
            pollfd entry{exited, POLLIN, 0};
            run.ended = exited >= 0 && poll(&entry, 1, limitSeconds * 1000) == 1;
            if (exited >= 0) close(exited);
            if (!run.ended) kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            run.ended = run.ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.log = Read(out.Path("log.txt"));
        run.console = Read(out.Path("console.txt")) + Read(messages);
        runs_.push_back(run);
        EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 127)
            << "qemu-system-x86_64 could not be started (scripts/setup)";
        EXPECT_TRUE(run.ended) << name << ": the guest did not power off within " << limitSeconds
                               << " s";
        EXPECT_NE(run.log.find("guest: end"), std::string::npos) << name;
        return runs_.back();
    }

    // The line settings QEMU last applied to the pseudo-terminal for the guest's UART.
    termios HostLine() {
        termios line{};
        const int fd = open(boot_->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(fd, 0);
        if (fd >= 0) {
            EXPECT_EQ(tcgetattr(fd, &line), 0);
            close(fd);
        }
        return line;
    }

    static TempDir* files_;
    static std::string* initramfs_;
    static bool packed_;
    std::unique_ptr<TBootCodeSim> boot_;
    std::vector<TGuestRun> runs_;
};

TempDir* UartStage::files_ = nullptr;
std::string* UartStage::initramfs_ = nullptr;
bool UartStage::packed_ = false;

TEST_F(UartStage, ImagesCrossTheRealDriverUnchanged) {
    TFirmwareLoaderConfig loader;
    loader.Flash = Flash();
    struct Case {
        const char* name;
        std::string written;  // what the loader wrote to the flash
        const char* phase;    // the JSON phase whose rate is reported
    } cases[] = {
        {"upload", Upload(), "書き込み中です．．．"},
        {"download", "", "読み込み中です．．．"},
        {"bios", BiosData(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartBootCode({}, loader);
        const TGuestRun& run = Boot(c.name);
        EXPECT_EQ(Statuses(run.log), std::vector<int>{0});
        if (!c.written.empty()) {
            EXPECT_TRUE(FirmwareLoaderWritten(*boot_) == c.written);
        }
        if (std::string(c.name) == "download") {
            EXPECT_NE(run.log.find("guest: destination is the flash"), std::string::npos);
            EXPECT_NE(run.log.find("guest: files backup.bin\n"), std::string::npos);
        }
        if (std::string(c.name) == "upload") {
            // QEMU gives the host's tty the guest UART's settings: the loader's 57600 8N1.
            const termios line = HostLine();
            EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B57600));
            EXPECT_EQ(line.c_cflag & (CSIZE | CSTOPB | PARENB), static_cast<tcflag_t>(CS8));
        }
        if (c.phase[0] != 0) {
            const double rate = TransferRate(run.log, c.phase);
            EXPECT_GT(rate, 0);
            std::cout << "UART stage: " << c.name << " through the emulated UART, unpaced: " << rate
                      << " bytes/s (guest run " << run.seconds << " s)\n";
        }
    }
}

TEST_F(UartStage, MacSettingRaisesDtrForTheProgrammerOnly) {
    StartBootCode({}, {});
    const TGuestRun& run = Boot("mac");
    EXPECT_EQ(Statuses(run.log), std::vector<int>{0});
    EXPECT_NE(run.log.find("[4/4] 設定データの検証"), std::string::npos);
    std::vector<std::uint8_t> packet;
    boot_->WithProgram([&](TLoaderProgram* program) {
        if (auto* p = dynamic_cast<TEepromProgrammerProgram*>(program))
            packet = p->Programmer().Packet();
    });
    TConfig8019 sent;
    sent.MACID = "02C0DE000041";
    EXPECT_EQ(packet, BuildConfigPacket(BuildEepromImage(sent)));
    // The programmer greets only once QEMU has given the host's tty 4800 bit/s, 8N2.
    const termios line = HostLine();
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B4800));
    EXPECT_EQ(line.c_cflag & (CSIZE | CSTOPB | PARENB), static_cast<tcflag_t>(CS8 | CSTOPB));

    // The UART's registers: DTR alone rises under 8N2 for the programmer and falls when the
    // setting ends (the driver's pulse at open raises DTR and RTS together).
    const std::vector<TProbeSample> samples = ProbeSamples(run.log);
    ASSERT_GE(samples.size(), 2u);
    std::size_t raised = samples.size(), lowered = samples.size();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const TProbeSample& s = samples[i];
        if (raised == samples.size() && (s.lcr & kLineBits) == kLine8N2 &&
            (s.mcr & (kDtr | kRts)) == kDtr)
            raised = i;
        if (raised < i && lowered == samples.size() && !(s.mcr & kDtr)) lowered = i;
    }
    ExpectLinesLowAt8N1(samples);
    ASSERT_LT(raised, samples.size()) << "DTR never rose under 8N2";
    EXPECT_LT(lowered, samples.size()) << "DTR stayed up";
    std::cout << "UART stage: DTR up under 8N2 for "
              << (lowered < samples.size() ? samples[lowered].micros - samples[raised].micros : -1)
              << " us\n";
}

TEST_F(UartStage, FaultsEndAsOnARealLine) {
    TFirmwareLoaderConfig flash;
    flash.Flash = Flash();
    const auto fault = [&flash](TLoaderFault what, int at) {
        TFirmwareLoaderConfig config = flash;
        config.Fault = what;
        config.FaultAt = at;
        return config;
    };
    struct Case {
        const char* what;
        const char* guestCase;
        TBootCodeConfig boot;
        TFirmwareLoaderConfig loader;
        std::vector<int> statuses;
        const char* message;
    } cases[] = {
        {"download block 3 with a bad checksum",
         "download",
         {},
         fault(TLoaderFault::BadChecksum, 3),
         {1},
         "シリアルポート通信エラーが発生しました"},
        {"loader silent from an upload block on",
         "upload",
         {},
         fault(TLoaderFault::Silence, 6),
         {1},
         "通信タイムアウトしました"},
        {"loader refuses an upload block with \"!\"",
         "upload",
         {},
         fault(TLoaderFault::Bang, 6),
         {1},
         "フラッシュアクセスのエラーが発生しました"},
        // The second program fails at once; the first, waiting for the access point, is
        // cancelled by SIGTERM (a script's background job ignores Ctrl-C).
        {"port in use",
         "busy",
         TBootCodeConfig{"", TBootFault::Silence, -1},
         {},
         {1, 2},
         "は他のプログラムが使用中です"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartBootCode(c.boot, c.loader);
        const TGuestRun& run = Boot(c.guestCase);
        EXPECT_EQ(Statuses(run.log), c.statuses);
        EXPECT_NE(run.log.find(c.message), std::string::npos);
        if (std::string(c.guestCase) == "download") {
            EXPECT_NE(run.log.find("guest: destination untouched"), std::string::npos);
            EXPECT_NE(run.log.find("guest: files backup.bin\n"), std::string::npos);
        }
        if (std::string(c.guestCase) == "busy") ExpectLinesLowAt8N1(ProbeSamples(run.log));
        if (std::string(c.guestCase) == "upload") {
            EXPECT_NE(FirmwareLoaderWritten(*boot_), Upload());
        }
    }
}

// The loader paced at 57600 bit/s: what the transfers achieve through the real driver, as a
// share of the line rate (10 bits a byte).
TEST_F(UartStage, PacedTransfersKeepTheLineBusy) {
    constexpr int kLineRate = 57600;
    TFirmwareLoaderConfig loader;
    loader.Flash = Flash();
    for (const auto& [name, phase] : {std::pair{"upload", "書き込み中です．．．"},
                                      std::pair{"download", "読み込み中です．．．"}}) {
        SCOPED_TRACE(name);
        StartBootCode({}, loader, kLineRate);
        const TGuestRun& run = Boot(name);
        EXPECT_EQ(Statuses(run.log), std::vector<int>{0});
        if (std::string(name) == "upload") {
            EXPECT_TRUE(FirmwareLoaderWritten(*boot_) == Upload());
        } else {
            EXPECT_NE(run.log.find("guest: destination is the flash"), std::string::npos);
        }
        const double rate = TransferRate(run.log, phase);
        const double efficiency = rate * 10.0 / kLineRate;
        std::cout << "UART stage: " << name << " at " << kLineRate << " bit/s: " << rate
                  << " bytes/s, line efficiency " << efficiency << "\n";
        EXPECT_GT(efficiency, 0.5);
        EXPECT_LE(efficiency, 1.02);
    }
}

}  // namespace
