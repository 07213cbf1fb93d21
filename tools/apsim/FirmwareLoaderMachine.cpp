// TFirmwareLoaderMachine: greeting, job selection, upload, download and BIOS update, faults.
#include "FirmwareLoaderMachine.h"

#include <algorithm>
#include <utility>

#include "ApSimulator.h"
#include "EepromProgrammer.h"

namespace {

constexpr std::uint8_t kAck = '$';
constexpr std::uint8_t kProgress = '#';
constexpr std::uint8_t kResend = '%';
constexpr std::uint8_t kFlashError = '!';
constexpr std::size_t kBlock = 1024;
constexpr std::uint32_t kUnit = 32768;
constexpr int kBiosWriteSteps = 128;                    // one "#" per KiB of the 128 KiB BIOS flash
const char kInformation[] = "ORBA-FLWR V1.02\r\n";      // 18 bytes with its terminating zero
const char kBiosInformation[] = "NV-BIOUPD V1.00\r\n";  // padded to 19 below

std::uint8_t Sum(const std::uint8_t* data, std::size_t size) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += data[i];
    return static_cast<std::uint8_t>(sum);
}

}  // namespace

bool ParseLoaderFault(const std::string& text, TLoaderFault& fault) {
    static const std::pair<const char*, TLoaderFault> kNames[] = {
        {"bang", TLoaderFault::Bang},       {"hash", TLoaderFault::Hash},
        {"silence", TLoaderFault::Silence}, {"bad-checksum", TLoaderFault::BadChecksum},
        {"percent", TLoaderFault::Percent}, {"drop", TLoaderFault::DropLine},
    };
    for (const auto& [name, value] : kNames) {
        if (text == name) {
            fault = value;
            return true;
        }
    }
    return false;
}

TFirmwareLoaderMachine::TFirmwareLoaderMachine(TFirmwareLoaderConfig config)
    : config_(std::move(config)) {
    if (config_.Flash.empty()) config_.Flash = GenerateApSimImage(std::int64_t{kUnit} * 8);
}

std::vector<std::uint8_t> TFirmwareLoaderMachine::Feed(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < size && !drop_; ++i) Take(data[i], out);
    if (silent_) out.clear();
    return out;
}

// The replies that acknowledge, counted from 0 (the answer to the host's "$"); a fault replaces
// the one at FaultAt.
void TFirmwareLoaderMachine::Reply(std::uint8_t byte, std::vector<std::uint8_t>& out) {
    const int index = replies_++;
    if (config_.Fault == TLoaderFault::Silence && index >= config_.FaultAt) silent_ = true;
    if (silent_) return;
    if (index == config_.FaultAt && config_.Fault == TLoaderFault::Bang)
        return Fail("flash access error injected at reply " + std::to_string(index), kFlashError,
                    out);
    if (index == config_.FaultAt && config_.Fault == TLoaderFault::Hash)
        return Fail("\"#\" injected at reply " + std::to_string(index), kProgress, out);
    out.push_back(byte);
}

void TFirmwareLoaderMachine::Fail(const std::string& why, std::uint8_t answer,
                                  std::vector<std::uint8_t>& out) {
    failure_ = why;
    phase_ = TPhase::Failed;
    out.push_back(answer);
}

void TFirmwareLoaderMachine::SendWord(std::uint16_t value, std::vector<std::uint8_t>& out) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void TFirmwareLoaderMachine::CountImageBytes(std::size_t n) {
    imageBytes_ += n;
    if (config_.Fault == TLoaderFault::DropLine &&
        imageBytes_ >= static_cast<std::uint64_t>(std::max(config_.FaultAt, 0)))
        drop_ = true;
}

bool TFirmwareLoaderMachine::Collect(std::uint8_t byte, std::size_t size) {
    pending_.push_back(byte);
    return pending_.size() == size;
}

void TFirmwareLoaderMachine::SendDownloadBlock(std::vector<std::uint8_t>& out) {
    std::uint8_t block[kBlock];
    for (std::size_t i = 0; i < kBlock; ++i) {
        const std::size_t at = downloadSent_ + i;
        // Flash beyond the stored image reads as erased.
        block[i] = at < config_.Flash.size() ? static_cast<std::uint8_t>(config_.Flash[at]) : 0xFF;
    }
    std::uint8_t sum = Sum(block, kBlock);
    if (config_.Fault == TLoaderFault::BadChecksum && blockIndex_ == config_.FaultAt) ++sum;
    out.insert(out.end(), block, block + kBlock);
    out.push_back(sum);
    downloadSent_ += kBlock;
    ++blockIndex_;
    CountImageBytes(kBlock);
}

void TFirmwareLoaderMachine::Take(std::uint8_t byte, std::vector<std::uint8_t>& out) {
    switch (phase_) {
        case TPhase::Greeting:
            // Anything but a command is line noise; the first command is answered once.
            if (byte != 'D' && byte != 'B') return;
            command_ = byte;
            phase_ = TPhase::AwaitStart;
            out.push_back(kAck);
            return;
        case TPhase::AwaitStart:
            if (byte != kAck) return;  // further commands sent before the host saw the answer
            if (command_ == 'B') {
                job_ = 'B';
                phase_ = TPhase::BiosStart;
                Reply(kAck, out);
                std::string info(kBiosInformation);
                info.resize(19, '\0');
                out.insert(out.end(), info.begin(), info.end());
                return;
            }
            phase_ = TPhase::Select;
            Reply(kAck, out);
            return;
        case TPhase::Select: {
            if (!Collect(byte, 3)) return;
            const bool upload = pending_[2] == 0x01;
            if (pending_[0] != 0x01 || pending_[1] != 0x02 || pending_[2] > 0x01)
                return Fail("unknown job selection", kFlashError, out);
            pending_.clear();
            job_ = upload ? 'U' : 'D';
            Reply(kAck, out);
            out.insert(out.end(), kInformation, kInformation + sizeof kInformation);
            Reply(kAck, out);
            if (phase_ == TPhase::Failed) return;
            if (upload) {
                SendWord(config_.CapacityUnits, out);
                phase_ = TPhase::UploadUnits;
            } else {
                const int units =
                    config_.AnnouncedUnits >= 0
                        ? config_.AnnouncedUnits
                        : static_cast<int>((config_.Flash.size() + kUnit - 1) / kUnit);
                SendWord(static_cast<std::uint16_t>(units), out);
                phase_ = TPhase::DownloadUnits;
            }
            return;
        }
        case TPhase::UploadUnits: {
            if (!Collect(byte, 2)) return;
            requested_ = pending_[0] | pending_[1] << 8;
            pending_.clear();
            if (requested_ > config_.CapacityUnits)
                return Fail("asked to erase more than the flash holds", kFlashError, out);
            for (int sector = 0; sector < requested_ / 2; ++sector) out.push_back(kProgress);
            Reply(kAck, out);  // erased
            if (phase_ == TPhase::Failed) return;
            Reply(kAck, out);  // ready for the first block
            phase_ = phase_ == TPhase::Failed ? phase_ : TPhase::UploadLength;
            return;
        }
        case TPhase::UploadLength:
        case TPhase::BiosLength: {
            if (!Collect(byte, 2)) return;
            blockLength_ = pending_[0] | pending_[1] << 8;
            pending_.clear();
            const bool bios = phase_ == TPhase::BiosLength;
            if (blockLength_ > kBlock)
                return Fail("block length " + std::to_string(blockLength_), kProgress, out);
            if (blockLength_ == 0) {
                phase_ = bios ? TPhase::BiosFinal : TPhase::Done;
                Reply(kAck, out);
                return;
            }
            if (!bios &&
                written_.size() + blockLength_ > std::size_t{config_.CapacityUnits} * kUnit)
                return Fail("image beyond the erased flash", kFlashError, out);
            phase_ = bios ? TPhase::BiosData : TPhase::UploadData;
            Reply(kAck, out);
            return;
        }
        case TPhase::UploadData: {
            if (!Collect(byte, blockLength_ + 1)) return;
            if (Sum(pending_.data(), blockLength_) != pending_[blockLength_])
                return Fail(
                    "checksum mismatch in the block at byte " + std::to_string(written_.size()),
                    kResend, out);
            written_.insert(written_.end(), pending_.begin(), pending_.end() - 1);
            pending_.clear();
            CountImageBytes(blockLength_);
            phase_ = TPhase::UploadLength;
            Reply(kAck, out);                                // block written
            if (phase_ != TPhase::Failed) Reply(kAck, out);  // ready for the next
            return;
        }
        case TPhase::DownloadUnits: {
            if (!Collect(byte, 2)) return;
            requested_ = pending_[0] | pending_[1] << 8;
            pending_.clear();
            downloadTotal_ = static_cast<std::uint32_t>(requested_) * kUnit;
            if (downloadTotal_ == 0) {
                phase_ = TPhase::Done;
                return;
            }
            phase_ = TPhase::DownloadReply;
            SendDownloadBlock(out);
            return;
        }
        case TPhase::DownloadReply:
            if (byte == kFlashError) {
                failure_ = "the host refused a block";
                phase_ = TPhase::Failed;
                return;
            }
            if (byte == kAck && downloadSent_ >= downloadTotal_) {
                phase_ = TPhase::Done;
                return;
            }
            if (byte == kProgress && downloadSent_ < downloadTotal_) SendDownloadBlock(out);
            return;
        case TPhase::BiosStart:
            if (byte != kAck) return;
            Reply(kAck, out);  // information taken
            Reply(kAck, out);  // ready for the first block
            if (phase_ != TPhase::Failed) phase_ = TPhase::BiosLength;
            return;
        case TPhase::BiosData:
            if (!Collect(byte, blockLength_)) return;
            phase_ = TPhase::BiosChecksum;
            Reply(kAck, out);
            return;
        case TPhase::BiosChecksum: {
            const bool resend = config_.Fault == TLoaderFault::Percent && !percentDone_ &&
                                blockIndex_ == config_.FaultAt;
            if (resend || Sum(pending_.data(), blockLength_) != byte) {
                // The block is asked for again, as often as it arrives damaged.
                percentDone_ = percentDone_ || resend;
                out.push_back(kResend);
            } else {
                written_.insert(written_.end(), pending_.begin(), pending_.end());
                CountImageBytes(blockLength_);
                ++blockIndex_;
                out.push_back(kAck);
            }
            pending_.clear();
            phase_ = TPhase::BiosLength;
            Reply(kAck, out);  // ready for the next block (or the end)
            return;
        }
        case TPhase::BiosFinal:
            if (byte != kAck) return;
            Reply(kAck, out);  // erased
            if (phase_ == TPhase::Failed) return;
            for (int step = 0; step < kBiosWriteSteps; ++step) out.push_back(kProgress);
            phase_ = TPhase::Done;
            Reply(kAck, out);  // written
            return;
        case TPhase::Done:
        case TPhase::Failed:
            return;
    }
}

TBootCodeSim::TProgramChooser SimulatedLoaderPrograms(const TFirmwareLoaderConfig& config) {
    return [config](const std::vector<std::uint8_t>& loader) -> std::unique_ptr<TLoaderProgram> {
        const std::string magic = FirmwareLoaderMagic;
        if (loader.size() >= magic.size() && std::equal(magic.begin(), magic.end(), loader.begin()))
            return std::make_unique<TFirmwareLoaderMachine>(config);
        const std::string programmer = EepromProgrammerMagic;
        if (loader.size() >= programmer.size() &&
            std::equal(programmer.begin(), programmer.end(), loader.begin()))
            return std::make_unique<TEepromProgrammerProgram>();
        return nullptr;
    };
}

std::string FirmwareLoaderWritten(TBootCodeSim& bootCode) {
    std::string written;
    bootCode.WithProgram([&](TLoaderProgram* program) {
        if (auto* machine = dynamic_cast<TFirmwareLoaderMachine*>(program))
            written.assign(machine->Written().begin(), machine->Written().end());
    });
    return written;
}

std::string SimulatedEepromProgrammerFile() {
    std::string file = EepromProgrammerMagic;
    file += "\r\n";
    for (std::size_t i = file.size(); i < 600; ++i) file += static_cast<char>('a' + i % 26);
    return file;
}

std::string SimulatedFirmwareLoaderFile() {
    // The magic, then a body of a few blocks so that the upload shows its progress.
    std::string file = FirmwareLoaderMagic;
    file += "\r\n";
    for (std::size_t i = file.size(); i < 3000; ++i) file += static_cast<char>('A' + i % 26);
    return file;
}
