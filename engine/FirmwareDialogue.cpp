// TFirmwareDialogue: greeting, mode selection, firmware upload, firmware download, BIOS update.
#include "FirmwareDialogue.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <optional>
#include <vector>

#include "FileError.h"
#include "FileSystem.h"
#include "Loader.h"
#include "LoaderDialogue.h"
#include "SafeFiles.h"
#include "TransferCodes.h"

namespace {

std::uint32_t NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::int32_t Percentage(std::uint64_t part, std::uint64_t whole) {
    if (whole == 0 || part >= whole) return 100;
    return static_cast<std::int32_t>(part * 100 / whole);
}

std::int32_t Clamp32(std::uint64_t value) {
    return static_cast<std::int32_t>(std::min<std::uint64_t>(value, INT32_MAX));
}

// An image or BIOS file, open for reading and held exclusively while it is sent.
class TSourceFile {
public:
    explicit TSourceFile(const std::string& path) {
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return;
        struct stat info {};
        if ((flock(fd_, LOCK_EX | LOCK_NB) != 0 && !LockingUnsupported(errno)) ||
            fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            close(fd_);
            fd_ = -1;
            return;
        }
        size_ = static_cast<std::uint64_t>(info.st_size);
    }
    ~TSourceFile() {
        if (fd_ >= 0) close(fd_);
    }
    TSourceFile(const TSourceFile&) = delete;
    TSourceFile& operator=(const TSourceFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    std::uint64_t Size() const { return size_; }
    // Up to size bytes at offset: the count, -1 on a read error.
    std::ptrdiff_t ReadAt(std::uint8_t* buffer, std::size_t size, std::uint64_t offset) const {
        return ReadFully(fd_, buffer, size, static_cast<std::int64_t>(offset));
    }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// A length or a block followed by its checksum, as one send.
std::vector<std::uint8_t> WithChecksum(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    bytes.push_back(BlockChecksum(data, size));
    return bytes;
}

}  // namespace

TFirmwareDialogue::TFirmwareDialogue(TTransferLine& line, const TTransferTimeouts& timeouts)
    : FreeSpace(FreeDiskSpace), line_(line), timeouts_(timeouts) {}

void TFirmwareDialogue::Report(TransferStatus status) {
    line_.Report(status, Percent, DoneBytes, TotalBytes);
}

TransferError TFirmwareDialogue::ReadAck() {
    std::uint8_t byte = 0;
    TransferError code = line_.Receive(&byte, 1);
    if (code != teNone || line_.Stopped()) return code;
    // The firmware loader acknowledges as the boot code does, with the same bytes and codes.
    return static_cast<TransferError>(AckCode(byte));
}

TransferError TFirmwareDialogue::SendWord(std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF),
                                   static_cast<std::uint8_t>(value >> 8)};
    return line_.Send(bytes, 2);
}

TransferError TFirmwareDialogue::ReceiveWord(std::uint16_t& value) {
    std::uint8_t bytes[2] = {};
    TransferError code = line_.Receive(bytes, 2);
    value = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    return code;
}

TransferError TFirmwareDialogue::RunExchange(TTransferMode mode, const std::string& fileName) {
    std::uint8_t command = 0;
    switch (mode) {
        case tmUpload:
        case tmDownload:
            command = FirmwareWire::FirmwareCommand;
            break;
        case tmBios:
            command = FirmwareWire::BiosCommand;
            break;
        default:
            return teBadMode;
    }
    TransferError code = Greet(command);
    if (Ends(code)) return code;

    line_.SetTimeout(timeouts_.Command);
    if (Ends(code = SendByte(FirmwareWire::Ack)) || Ends(code = ReadAck())) return code;
    if (mode == tmBios) {
        line_.SetTimeout(timeouts_.Bios);
        return UpdateBios(fileName);
    }
    const std::uint8_t select[] = {FirmwareWire::SelectPrefix[0], FirmwareWire::SelectPrefix[1],
                                   mode == tmUpload ? FirmwareWire::SelectUpload : FirmwareWire::SelectDownload};
    std::uint8_t information[FirmwareWire::InformationSize];  // the loader's; not used
    if (Ends(code = line_.Send(select, sizeof select)) || Ends(code = ReadAck()) ||
        Ends(code = line_.Receive(information, sizeof information)) || Ends(code = ReadAck()))
        return code;
    return mode == tmUpload ? UploadFirmware(fileName) : DownloadFirmware(fileName);
}

// The command byte goes out every 10 ms until the loader answers "$"; anything else it sends
// meanwhile is dropped. A loader that never answers ends the greeting after the greeting's
// time-out instead of keeping the operation, and the window, busy for ever.
TransferError TFirmwareDialogue::Greet(std::uint8_t command) {
    line_.SetTimeout(timeouts_.Greeting);
    line_.Discard();
    const std::uint32_t start = NowMs();
    for (;;) {
        line_.Pause(FirmwareWire::GreetingPauseMs);
        if (line_.Stopped()) return teNone;
        TransferError code = SendByte(command);
        if (line_.Stopped()) return teNone;
        if (code != teNone) return code;
        if (!line_.Pending()) {
            if (NowMs() - start >= timeouts_.Greeting) return teTimeout;
            continue;
        }
        std::uint8_t byte = 0;
        if (Ends(code = line_.Receive(&byte, 1))) return code;
        if (byte == FirmwareWire::Ack) return teNone;
    }
}

TransferError TFirmwareDialogue::UploadFirmware(const std::string& fileName) {
    Report(tsExamining);
    TSourceFile file(fileName);
    if (!file.IsOpen()) return teFileOpen;
    // An empty file is no firmware image: nothing is erased for it.
    if (file.Size() == 0) return teFileShort;
    const std::uint64_t size = file.Size();
    TotalBytes = Clamp32(size);

    std::uint16_t capacity = 0;
    TransferError code = ReceiveWord(capacity);
    if (Ends(code)) return code;
    const std::uint64_t needed = UploadUnits(size);
    if (capacity < needed) return teImageTooLarge;  // before anything is erased
    if (Ends(code = SendWord(static_cast<std::uint16_t>(needed)))) return code;

    Percent = 0;
    Report(tsErasing);
    std::uint64_t erased = 0;
    for (;;) {
        code = ReadAck();
        if (line_.Stopped()) return code;
        if (code == teNone) break;
        if (code != teRefusedHash) return code;
        erased += 2;  // one 64 KiB sector
        Percent = Percentage(erased, needed);
        Report(tsErasing);
    }

    Percent = 0;
    DoneBytes = 0;
    Report(tsWriting);
    std::uint64_t sent = 0;
    std::uint8_t block[FirmwareWire::BlockSize];
    for (;;) {
        if (Ends(code = ReadAck())) return code;
        if (sent == size) {
            if (Ends(code = SendWord(0))) return code;  // the end of the image
            return ReadAck();
        }
        // The image is the size that was erased for: a file cut while it is sent ends the job
        // without the end marker, so the loader never takes a short image as whole.
        const std::ptrdiff_t got =
            file.ReadAt(block, std::min<std::uint64_t>(sizeof block, size - sent), sent);
        if (got <= 0) return teFileShort;
        const auto length = static_cast<std::size_t>(got);
        if (Ends(code = SendWord(static_cast<std::uint16_t>(length))) || Ends(code = ReadAck()))
            return code;
        const std::vector<std::uint8_t> bytes = WithChecksum(block, length);
        if (Ends(code = line_.Send(bytes.data(), bytes.size())) || Ends(code = ReadAck()))
            return code;
        sent += length;
        Percent = Percentage(sent, size);
        DoneBytes = Clamp32(sent);
        Report(tsWriting);
    }
}

TransferError TFirmwareDialogue::DownloadFirmware(const std::string& fileName) {
    // The image goes to a hidden file beside the destination and replaces it only once it has
    // arrived whole; on every other way out the file is removed and the destination untouched.
    std::optional<TReplacingFile> image;
    try {
        image.emplace(fileName);
    } catch (const EFileError&) {
        return teFileOpen;
    }
    std::uint16_t units = 0;
    TransferError code = ReceiveWord(units);
    if (Ends(code)) return code;
    units = std::min(units, MaxDownloadUnits);
    const std::uint32_t total = std::uint32_t{units} * FlashUnitBytes;
    TotalBytes = static_cast<std::int32_t>(total);
    if (!DownloadFits(image->TemporaryPath(), total, FreeSpace)) return teDiskFull;
    if (Ends(code = SendWord(units))) return code;
    // A loader with nothing to send: no block follows, and an empty file is no image.
    if (total == 0) return teNoImage;

    std::uint32_t received = 0;
    std::uint8_t block[FirmwareWire::BlockSize + 1];
    do {
        if (Ends(code = line_.Receive(block, sizeof block))) return code;
        if (BlockChecksum(block, FirmwareWire::BlockSize) != block[FirmwareWire::BlockSize]) {
            code = SendByte(FirmwareWire::BadBlock);
            return code != teNone ? code : teLineError;
        }
        try {
            image->Append(block, FirmwareWire::BlockSize);
        } catch (const EFileError&) {
            return teFileWrite;
        }
        received += FirmwareWire::BlockSize;
        if (Ends(code = SendByte(received == total ? FirmwareWire::Ack : FirmwareWire::More))) return code;
        if (received % FirmwareWire::ReadReportStep == 0) {
            DoneBytes = static_cast<std::int32_t>(received);
            Percent = Percentage(received, total);
            Report(tsReading);
        }
    } while (received < total);

    Percent = 0;
    Report(tsCreatingFile);
    try {
        image->Commit();
    } catch (const EFileError&) {
        return teFileWrite;
    }
    Percent = 100;
    Report(tsCreatingFile);
    return teNone;
}

TransferError TFirmwareDialogue::UpdateBios(const std::string& fileName) {
    Percent = 0;
    Report(tsExamining);
    TSourceFile file(fileName);
    if (!file.IsOpen()) return teFileOpen;
    std::uint64_t dataSize = 0;
    TransferError code = CheckBiosFile(file.Descriptor(), dataSize);
    if (code != teNone) return code;

    std::uint8_t information[FirmwareWire::BiosInformationSize];  // the loader's; not used
    if (Ends(code = line_.Receive(information, sizeof information)) ||
        Ends(code = SendByte(FirmwareWire::Ack)) || Ends(code = ReadAck()))
        return code;

    TotalBytes = Clamp32(dataSize);
    std::uint64_t sent = 0;
    std::uint8_t block[FirmwareWire::BlockSize];
    while (sent < dataSize) {
        if (Ends(code = ReadAck())) return code;
        const std::ptrdiff_t got = file.ReadAt(
            block, std::min<std::uint64_t>(sizeof block, dataSize - sent), BiosHeaderSize + sent);
        // A file that shrank since it was checked cannot be sent as checked.
        if (got <= 0) return teFileShort;
        const auto length = static_cast<std::size_t>(got);
        const std::uint8_t checksum = BlockChecksum(block, length);
        if (Ends(code = SendWord(static_cast<std::uint16_t>(length))) || Ends(code = ReadAck()) ||
            Ends(code = line_.Send(block, length)) || Ends(code = ReadAck()) ||
            Ends(code = SendByte(checksum)))
            return code;
        code = ReadAck();
        if (line_.Stopped()) return code;
        if (code == teRefusedPercent) continue;  // the same block again
        if (code != teNone) return code;
        sent += length;
        Percent = Percentage(sent, dataSize);
        DoneBytes = Clamp32(sent);
        Report(tsSending);
    }
    if (Ends(code = ReadAck()) || Ends(code = SendWord(0)) || Ends(code = ReadAck()) ||
        Ends(code = SendByte(FirmwareWire::Ack)))
        return code;

    Percent = 0;
    DoneBytes = 0;
    Report(tsErasing);
    if (Ends(code = ReadAck())) return code;
    Percent = 100;
    Report(tsErasing);

    TotalBytes = static_cast<std::int32_t>(FirmwareWire::BiosFlashBytes);
    std::uint64_t written = 0;
    for (;;) {
        code = ReadAck();
        if (line_.Stopped()) return code;
        if (code == teNone) return teNone;
        if (code != teRefusedHash) return code;
        written += FirmwareWire::BiosWriteStep;
        Percent = Percentage(written, FirmwareWire::BiosFlashBytes);
        DoneBytes = Clamp32(written);
        Report(tsWriting);
    }
}
