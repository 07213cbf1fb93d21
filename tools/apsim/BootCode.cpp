// TBootCodeSim: the pseudo-terminal, the serving thread, and what it recorded.
#include "BootCode.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {
// Recording stops here, so a host that calls for hours cannot exhaust memory.
constexpr std::size_t kRecordLimit = 16u << 20;

void Record(std::vector<std::uint8_t>& record, const std::uint8_t* data, std::size_t size) {
    std::size_t room = kRecordLimit - std::min(record.size(), kRecordLimit);
    record.insert(record.end(), data, data + std::min(size, room));
}
}  // namespace

TBootCodeSim::TBootCodeSim(TBootCodeConfig config) : machine_(std::move(config)) {}

TBootCodeSim::~TBootCodeSim() { Stop(); }

bool TBootCodeSim::Start(std::string& error) {
    if (thread_.joinable()) return true;
    char name[256] = {};
    // The slave starts raw: nothing the boot code sends is echoed back to it before the program
    // opens the port and applies its own settings.
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) {
        error = std::string("cannot create an eventfd: ") + std::strerror(errno);
        Stop();
        return false;
    }
    slavePath_ = name;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void TBootCodeSim::Stop() {
    if (thread_.joinable()) {
        eventfd_write(stopFd_, 1);
        thread_.join();
    }
    for (int* fd : {&master_, &slave_, &stopFd_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    if (!linkPath_.empty()) unlink(linkPath_.c_str());
    linkPath_.clear();
}

bool TBootCodeSim::LinkTo(const std::string& linkPath, std::string& error) {
    if (slavePath_.empty()) {
        error = "the pseudo-terminal is not open";
        return false;
    }
    unlink(linkPath.c_str());
    if (symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
        error = "cannot link " + linkPath + ": " + std::strerror(errno);
        return false;
    }
    linkPath_ = linkPath;
    return true;
}

void TBootCodeSim::PowerCycle() {
    std::lock_guard<std::mutex> lock(mutex_);
    machine_.Reset();
    program_.reset();
    received_.clear();
    sent_.clear();
    changed_.notify_all();
}

void TBootCodeSim::SetLoaderStage(TLoaderStage stage) {
    std::lock_guard<std::mutex> lock(mutex_);
    stage_ = std::move(stage);
}

bool TBootCodeSim::SendFromLoader(const std::vector<std::uint8_t>& bytes) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (master_ < 0) return false;
        Record(sent_, bytes.data(), bytes.size());
    }
    return WriteAll(bytes);
}

void TBootCodeSim::SetProgramChooser(TProgramChooser chooser) {
    std::lock_guard<std::mutex> lock(mutex_);
    chooser_ = std::move(chooser);
}

void TBootCodeSim::WithProgram(const std::function<void(TLoaderProgram*)>& fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    fn(program_.get());
}

void TBootCodeSim::PaceLine(std::chrono::steady_clock::time_point& lineFree, std::size_t bytes,
                            bool burstStarts) {
    if (lineRate_ <= 0 || bytes == 0) return;
    // The line is a queue emptied at the line rate: the pieces of one burst follow each other
    // on the line whenever this thread happens to wake, so late wake-ups of the simulator do
    // not slow the line down; a new burst starts no earlier than now.
    const auto now = std::chrono::steady_clock::now();
    if (burstStarts && lineFree < now) lineFree = now;
    lineFree += std::chrono::nanoseconds(std::int64_t{10} * 1000000000 *
                                         static_cast<std::int64_t>(bytes) / lineRate_);
    std::this_thread::sleep_until(lineFree);
}

std::vector<std::uint8_t> TBootCodeSim::ReceivedLoader() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return machine_.Loader();
}

bool TBootCodeSim::LoaderComplete() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return machine_.LoaderComplete();
}

std::string TBootCodeSim::Failure() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return machine_.Failure();
}

std::vector<std::uint8_t> TBootCodeSim::Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

std::vector<std::uint8_t> TBootCodeSim::Sent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sent_;
}

bool TBootCodeSim::WaitUploadEnded(int milliseconds) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] {
        return machine_.LoaderComplete() || machine_.Phase() == TBootCodeMachine::TPhase::Failed;
    });
}

void TBootCodeSim::Serve() {
    std::uint8_t chunk[4096];
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        constexpr int kSettingsLookMs = 20;
        if (poll(fds, 2, ProgramWaitsToSpeak() ? kSettingsLookMs : -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        LetProgramSpeak();
        if (!(fds[0].revents & POLLIN)) {
            // The line is down (no slave open is impossible while we hold one): rest a little
            // instead of spinning on the condition.
            if (fds[0].revents) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        ssize_t got = read(master_, chunk, sizeof chunk);
        if (got <= 0) continue;
        // On a paced line the bytes are there only once they have crossed it.
        PaceLine(rxFree_, static_cast<std::size_t>(got), true);
        if (!Answer(chunk, static_cast<std::size_t>(got))) {
            // The line drops: the program's port sees the device go away.
            std::lock_guard<std::mutex> lock(mutex_);
            close(master_);
            master_ = -1;
            return;
        }
    }
}

bool TBootCodeSim::ProgramWaitsToSpeak() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return program_ && program_->WaitsToSpeak();
}

void TBootCodeSim::LetProgramSpeak() {
    std::vector<std::uint8_t> opening;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        termios line{};
        if (!program_ || !program_->WaitsToSpeak() || tcgetattr(slave_, &line) != 0) return;
        opening = program_->Opening(line);
        if (opening.empty()) return;
        Record(sent_, opening.data(), opening.size());
        changed_.notify_all();
    }
    WriteAll(opening);
}

bool TBootCodeSim::Answer(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> reply;
    bool drop = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Record(received_, data, size);
        std::size_t used = 0;
        while (used < size) {
            // Bytes after the acknowledged end marker belong to the loader stage or the program
            // chosen for the loader, as long as one runs; a program whose job ended leaves the
            // line to the boot code again.
            if (machine_.LoaderComplete() && (stage_ || (program_ && !program_->Ended()))) {
                FeedLoaderSide(data + used, size - used, reply, drop);
                break;
            }
            std::vector<std::uint8_t> part = machine_.Feed(data + used, 1);
            reply.insert(reply.end(), part.begin(), part.end());
            ++used;
            if (!machine_.LoaderComplete()) {
                program_.reset();
            } else if (!stage_ && !program_ && chooser_) {
                program_ = chooser_(machine_.Loader());
            }
        }
        Record(sent_, reply.data(), reply.size());
        changed_.notify_all();
    }
    WriteAll(reply);
    return !drop;
}

void TBootCodeSim::FeedLoaderSide(const std::uint8_t* data, std::size_t size,
                                  std::vector<std::uint8_t>& reply, bool& drop) {
    std::vector<std::uint8_t> part = stage_ ? stage_(data, size) : program_->Feed(data, size);
    reply.insert(reply.end(), part.begin(), part.end());
    drop = !stage_ && program_->DropLine();
}

bool TBootCodeSim::WriteAll(const std::vector<std::uint8_t>& bytes) {
    // A paced line hands the bytes over in small pieces, each once it has crossed the line.
    constexpr std::size_t kPacedPiece = 32;
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t piece = bytes.size() - done;
        if (lineRate_ > 0) {
            piece = std::min(piece, kPacedPiece);
            PaceLine(txFree_, piece, done == 0);
        }
        ssize_t n = write(master_, bytes.data() + done, piece);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;
        pollfd fds[2] = {{master_, POLLOUT, 0}, {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return false;
        if (fds[1].revents) return false;
    }
    return true;
}
