// Each kind's facts come from the code that reads such files for the operations, and each
// verdict from the check that would refuse it there, so that info says what the operation
// would say.
#include "FileKindReaders.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>

#include "AppStrings.h"
#include "ByteSum.h"
#include "Config8019File.h"
#include "ContainerHead.h"
#include "Cp932.h"
#include "EepromImage.h"
#include "FirmwareFileCheck.h"
#include "FirmwareFiles.h"
#include "MacAddressRules.h"
#include "MafCheck.h"
#include "MafFile.h"
#include "OperationRequest.h"
#include "OrbaBind.h"
#include "SystemError.h"
#include "WorkerErrorTexts.h"

namespace {

void Fact(TFileIdentity& identity, const std::string& key, const std::string& value) {
    identity.Facts.push_back({key, value, false});
}

void Number(TFileIdentity& identity, const std::string& key, std::uint64_t value) {
    identity.Facts.push_back({key, std::to_string(value), true});
}

void Verdict(TFileIdentity& identity, const std::string& operation, const std::string& refusal) {
    identity.Operations.push_back({operation, refusal.empty(), refusal});
}

std::string Hex16(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
    return text;
}

// The page's check of a request that takes the file, with plausible values in every other
// field: its refusal, or empty text.
std::string PageRefusal(OperationKind kind, const std::string& path) {
    TOperationRequest request;
    request.Kind = kind;
    request.Address = "192.168.0.1";
    request.UserName = "root";
    request.Port = "COM1";
    request.FileName = path;
    const TRequestCheck check = CheckRequest(request);
    return check.Refusal ? AppText(check.Refusal) : std::string();
}

// The firmware operations: the upload pages' check; verify compares any file.
void FirmwareVerdicts(const std::string& path, TFileIdentity& identity) {
    Verdict(identity, "upload", PageRefusal(OperationKind::UploadNet, path));
    Verdict(identity, "serial-upload", PageRefusal(OperationKind::UploadSerial, path));
    Verdict(identity, "verify", std::string());
}

void DescribeRawImage(const std::string& path, TFileIdentity& identity) {
    Fact(identity, "image",
         identity.Size == RawFirmwareImageBytes
             ? "whole (2,097,152 bytes)"
             : "not 2,097,152 bytes: cut short or grown; the upload pages refuse it");
    FirmwareVerdicts(path, identity);
}

void DescribeSlots(const std::string& bytes, TFileIdentity& identity) {
    TBoundSlots slots;
    std::string why;
    if (!ReadBoundSlots(bytes, slots, why)) {
        Fact(identity, "slots", why);
        return;
    }
    Number(identity, "slot1_bytes", slots.First);
    Number(identity, "slot2_bytes", slots.Second);
    if (slots.Trailing) Number(identity, "trailing_bytes", slots.Trailing);
}

void DescribeBios(const std::string& path, const std::string& bytes, TFileIdentity& identity) {
    const auto* header = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() >= BiosHeaderSize) {
        Number(identity, "data_offset",
               header[0] | header[1] << 8 | header[2] << 16 |
                   static_cast<std::uint32_t>(header[3]) << 24);
        Number(identity, "data_bytes", bytes.size() - BiosHeaderSize);
        const unsigned stored = header[42] | header[43] << 8;
        const unsigned sum =
            Kemcmprs::AddToByteSum(0, header + BiosHeaderSize, bytes.size() - BiosHeaderSize);
        Fact(identity, "stored_checksum", Hex16(stored));
        Fact(identity, "checksum",
             sum == stored ? "holds" : "fails (the data sums to " + Hex16(sum) + ")");
    }
    // The BIOS operation's own file check, as the transfer runs it before anything is sent.
    std::string refusal = PageRefusal(OperationKind::UpdateBios, path);
    if (refusal.empty()) {
        std::uint64_t dataSize = 0;
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const TransferError result = fd < 0 ? teFileOpen : CheckBiosFile(fd, dataSize);
        if (fd >= 0) close(fd);
        if (result != teNone) refusal = Utf8ToSjis(TransferErrorText(result));
    }
    Verdict(identity, "bios", refusal);
}

void DescribeContainer(const std::string& bytes, TFileIdentity& identity) {
    using namespace Kemcmprs;
    std::array<std::uint8_t, kHeadSize> raw{};
    for (std::size_t i = 0; i < kHeadSize && i < bytes.size(); ++i) {
        raw[i] = static_cast<std::uint8_t>(bytes[i]);
    }
    const ContainerHead head = DecodeHead(raw);
    Number(identity, "format", head.formatNumber);
    Number(identity, "data_offset", head.dataOffset);
    Number(identity, "source_bytes", head.sourceSize);
    std::string refusal;
    if (bytes.size() < kHeadSize || head.dataOffset < kHeadSize ||
        head.dataOffset > kHeadSize + kMaxMemoLength || head.dataOffset > bytes.size()) {
        refusal = "the container's head is cut short or its data offset is outside the file";
    } else {
        Fact(identity, "memo", SjisToUtf8(bytes.substr(kHeadSize, head.dataOffset - kHeadSize)));
        Number(identity, "compressed_bytes", bytes.size() - head.dataOffset);
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data()) + head.dataOffset;
        const std::uint16_t sum = AddToByteSum(0, data, bytes.size() - head.dataOffset);
        Fact(identity, "stored_checksum", Hex16(head.checksum));
        Fact(identity, "checksum", sum == head.checksum ? "holds" : "fails");
        if (head.formatNumber != kFormatNumber) {
            refusal = "the container's format number is not 1";
        } else if (sum != head.checksum) {
            refusal = "the container is damaged (checksum mismatch)";
        }
    }
    Verdict(identity, "kemcmprs expand", Utf8ToSjis(refusal));
}

void DescribeFilterFile(const std::string& bytes, TFileIdentity& identity) {
    TMafEntries entries;
    int badLines = 0;
    std::string firstQuestion;
    const TMafReadEnd end = AppendMafFileEntries(bytes, entries, [&](const std::string& text) {
        if (++badLines == 1) firstQuestion = text;
        return TDialogs::Answer::Yes;  // read on, to count them all
    });
    Number(identity, "entries", entries.size());
    Number(identity, "bad_lines", static_cast<std::uint64_t>(badLines));
    // The editor's check of the list as filter-put would write it back.
    std::string checkRefusal;
    if (end == TMafReadEnd::LimitReached) {
        checkRefusal = AppText(AppStrings::MafFileLimit);
    } else {
        const std::vector<std::string> lines = MafTextLines(entries);
        int start = -1, length = -1, failedLine = -1;
        if (!CheckMafText(lines, start, length, checkRefusal, &failedLine) && failedLine >= 0 &&
            failedLine < static_cast<int>(lines.size())) {
            checkRefusal += "\r" + lines[static_cast<std::size_t>(failedLine)];
        }
    }
    const std::string firstProblem = firstQuestion.empty() ? checkRefusal : firstQuestion;
    if (!firstProblem.empty()) Fact(identity, "first_problem", SjisToUtf8(firstProblem));
    Verdict(identity, "filter-check", firstProblem);
    Verdict(identity, "filter-put", checkRefusal);
}

void DescribeSettings(const std::string& path, TFileIdentity& identity) {
    TConfig8019 config;
    TConfig8019Options options;
    LoadConfig8019(TPrivateProfile::Load(path), config, options);
    Fact(identity, "mac", MacAddressWithColons(SjisToUtf8(config.MACID)));
    Fact(identity, "auto_increment", options.AutoInc ? "on" : "off");
    Fact(identity, "ndis", options.NDIS ? "on" : "off");
    char ioBase[8];
    std::snprintf(ioBase, sizeof ioBase, "0x%03X", static_cast<unsigned>(config.IOBase));
    Fact(identity, "io_base", ioBase);
    Number(identity, "irq", static_cast<std::uint64_t>(config.IRQ));
    Fact(identity, "connector", SjisToUtf8(config.Connector));
    Fact(identity, "pnp", config.PNP ? "on" : "off");
    std::string refusal;
    try {
        // The image the programmer would be sent, as the mac command builds it.
        const TEepromImage image = BuildEepromImage(config);
        Number(identity, "eeprom_words", static_cast<std::uint64_t>(image.WordCount));
        static const char kHex[] = "0123456789ABCDEF";
        std::string hex;
        for (int i = 0; i < 2 * image.WordCount; ++i) {
            hex += kHex[image.Bytes[static_cast<std::size_t>(i)] >> 4];
            hex += kHex[image.Bytes[static_cast<std::size_t>(i)] & 15];
        }
        Fact(identity, "eeprom", hex);
    } catch (const ESystemError& error) {
        refusal = error.Message();
    }
    Verdict(identity, "mac", refusal);
    Fact(identity, "note",
         "mac reads CFG8019.INI from the user's configuration folder, not from this path");
}

}  // namespace

void DescribeFileKind(const std::string& path, const std::string& bytes, TFileIdentity& identity) {
    switch (identity.Kind) {
        case TFileKind::RawImage:
            DescribeRawImage(path, identity);
            break;
        case TFileKind::BoundFirmware:
            DescribeSlots(bytes, identity);
            FirmwareVerdicts(path, identity);
            break;
        case TFileKind::FilterContainer:
            DescribeSlots(bytes, identity);
            Fact(identity, "note",
                 "slot 1 is the filter text MAF.TXT; filter-put writes such a file to the access "
                 "point, no command takes one");
            break;
        case TFileKind::BiosUpdate:
            DescribeBios(path, bytes, identity);
            break;
        case TFileKind::KemcmprsContainer:
            DescribeContainer(bytes, identity);
            break;
        case TFileKind::FilterFile:
            DescribeFilterFile(bytes, identity);
            break;
        case TFileKind::Settings8019:
            DescribeSettings(path, identity);
            break;
        case TFileKind::Unknown:
            Fact(identity, "note",
                 "no firmware image, bound file, BIOS file or container; the upload pages' "
                 "check lets any such file through");
            FirmwareVerdicts(path, identity);
            break;
        case TFileKind::Unreadable:
            break;
    }
}
