// The container operations: head, memo and block stream put together, checked and taken apart.
#include "ContainerFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "ByteSum.h"
#include "ContainerHead.h"
#include "FileHandle.h"
#include "FileReader.h"
#include "FileWriter.h"
#include "RunLengthDecoder.h"
#include "RunLengthEncoder.h"
#include "kemcmprs.h"

namespace Kemcmprs {

namespace {

// Opens the input for reading and the output created or emptied, in that order. An output that
// is the input itself is refused before it is opened, since emptying it would destroy the input;
// the paths are compared too, in case the input exists but could not be opened.
bool OpenInputAndOutput(const char* inputPath, const char* outputPath, FileHandle& input,
                        FileHandle& output) {
    input = FileHandle::OpenForReading(inputPath);
    if (input.IsSameFileAs(outputPath) || NameTheSameFile(inputPath, outputPath)) {
        input.Close();
        return false;
    }
    output = FileHandle::CreateForWriting(outputPath);
    return input.IsOpen() && output.IsOpen();
}

// The data offset, the header record (with the checksum still 0) and the memo.
bool WriteContainerStart(const FileHandle& destination, const ContainerHead& head, const void* memo,
                         std::size_t memoLength) {
    std::array<std::uint8_t, kHeadSize + kMaxMemoLength> start{};
    auto offsetBytes = EncodeDataOffset(head.dataOffset);
    auto record = EncodeHeaderRecord(head);
    std::memcpy(start.data(), offsetBytes.data(), offsetBytes.size());
    std::memcpy(start.data() + kDataOffsetSize, record.data(), record.size());
    if (memoLength > 0) {
        std::memcpy(start.data() + kHeadSize, memo, memoLength);
    }
    return destination.WriteAll(start.data(), kHeadSize + memoLength);
}

// A buffer as large as a file of expectedSize bytes needs, at most the default size, so that
// small files take little memory; the default when the size is not known in advance.
std::size_t BufferCapacityFor(std::optional<std::uint64_t> expectedSize,
                              std::size_t defaultCapacity) {
    constexpr std::size_t kSmallestCapacity = 4096;
    if (!expectedSize || *expectedSize >= defaultCapacity) {
        return defaultCapacity;
    }
    return std::max(static_cast<std::size_t>(*expectedSize) + 1, kSmallestCapacity);
}

// The 16-bit sum of every byte from the reader's position to the end of its file.
std::optional<std::uint16_t> SumToEnd(FileReader& reader) {
    std::uint16_t sum = 0;
    for (;;) {
        if (!reader.Fill(reader.Capacity())) {
            return std::nullopt;
        }
        if (reader.Available() == 0) {
            return sum;
        }
        sum = AddToByteSum(sum, reader.Data(), reader.Available());
        reader.Consume(reader.Available());
    }
}

}  // namespace

std::int32_t CompressFile(const char* sourcePath, const char* destinationPath, const void* memo,
                          std::int32_t memoLength) {
    if (sourcePath == nullptr || destinationPath == nullptr || memoLength < 0 ||
        memoLength > static_cast<std::int32_t>(kMaxMemoLength) ||
        (memoLength > 0 && memo == nullptr)) {
        return KEMCMPRS_FAILED;
    }
    FileHandle source;
    FileHandle destination;
    if (!OpenInputAndOutput(sourcePath, destinationPath, source, destination)) {
        return KEMCMPRS_FAILED;
    }
    std::optional<std::uint64_t> sourceSize = source.Size();
    if (!sourceSize) {
        return KEMCMPRS_FAILED;
    }
    ContainerHead head;
    head.dataOffset = static_cast<std::uint32_t>(kHeadSize + memoLength);
    head.sourceSize = static_cast<std::uint32_t>(*sourceSize);
    if (!WriteContainerStart(destination, head, memo, static_cast<std::size_t>(memoLength))) {
        return KEMCMPRS_FAILED;
    }

    // The block stream is about as long as the source, or shorter.
    const std::optional<std::uint64_t> expectedSize = source.RegularFileSize();
    FileReader reader(source.Descriptor(),
                      BufferCapacityFor(expectedSize, FileReader::kDefaultCapacity));
    FileWriter writer(destination.Descriptor(), FileWriter::Summing::On,
                      BufferCapacityFor(expectedSize, FileWriter::kDefaultCapacity));
    if (!EncodeBlockStream(reader, writer) || !writer.Flush()) {
        return KEMCMPRS_FAILED;
    }
    // The writer summed exactly the block stream, which is what the checksum covers.
    head.checksum = writer.FlushedByteSum();
    auto record = EncodeHeaderRecord(head);
    if (!destination.WriteAllAt(kDataOffsetSize, record.data(), record.size())) {
        return KEMCMPRS_FAILED;
    }
    return destination.Close() ? KEMCMPRS_DONE : KEMCMPRS_FAILED;
}

std::int32_t UnCompressFile(const char* containerPath, const char* destinationPath) {
    if (containerPath == nullptr || destinationPath == nullptr) {
        return KEMCMPRS_FAILED;
    }
    FileHandle container;
    FileHandle destination;
    if (!OpenInputAndOutput(containerPath, destinationPath, container, destination)) {
        return KEMCMPRS_FAILED;
    }
    std::array<std::uint8_t, kHeadSize> headBytes{};
    std::optional<std::size_t> headRead = container.ReadAt(0, headBytes.data(), headBytes.size());
    if (!headRead) {
        return KEMCMPRS_FAILED;
    }
    ContainerHead head = DecodeHead(headBytes);
    if (*headRead < kHeadSize || !HasContainerMagic(head)) {
        return KEMCMPRS_BAD_MAGIC;
    }
    if (head.formatNumber != kFormatNumber) {
        return KEMCMPRS_BAD_FORMAT;
    }

    FileReader reader(container.Descriptor(),
                      BufferCapacityFor(container.RegularFileSize(), FileReader::kDefaultCapacity));
    if (!reader.SeekTo(head.dataOffset)) {
        return KEMCMPRS_FAILED;
    }
    std::optional<std::uint16_t> sum = SumToEnd(reader);
    if (!sum) {
        return KEMCMPRS_FAILED;
    }
    if (*sum != head.checksum) {
        return KEMCMPRS_BAD_CHECKSUM;
    }
    if (!reader.SeekTo(head.dataOffset)) {
        return KEMCMPRS_FAILED;
    }
    // The recorded source size is only a hint for the buffer; the stream decides the output.
    FileWriter writer(destination.Descriptor(), FileWriter::Summing::Off,
                      BufferCapacityFor(head.sourceSize, FileWriter::kDefaultCapacity));
    DecodeOutcome outcome = DecodeBlockStream(reader, writer);
    // A stream cut short inside a block keeps the bytes it did carry, yet is no success.
    bool flushed = writer.Flush();
    bool closed = destination.Close();
    return outcome == DecodeOutcome::Done && flushed && closed ? KEMCMPRS_DONE : KEMCMPRS_FAILED;
}

std::int32_t ReadCompressMemo(const char* containerPath, char* buffer) {
    if (containerPath == nullptr || buffer == nullptr) {
        return KEMCMPRS_FAILED;
    }
    FileHandle container = FileHandle::OpenForReading(containerPath);
    if (!container.IsOpen()) {
        return KEMCMPRS_FAILED;
    }
    std::array<std::uint8_t, kDataOffsetSize> offsetBytes{};
    std::optional<std::size_t> offsetRead =
        container.ReadAt(0, offsetBytes.data(), offsetBytes.size());
    if (!offsetRead || *offsetRead < offsetBytes.size()) {
        return KEMCMPRS_FAILED;
    }
    const std::uint32_t dataOffset = DecodeDataOffset(offsetBytes);
    // No memo, or one longer than any container carries: nothing is copied.
    if (dataOffset <= kHeadSize || dataOffset - kHeadSize > kMaxMemoLength) {
        return KEMCMPRS_FAILED;
    }
    const std::size_t memoLength = dataOffset - kHeadSize;
    // Read into a copy first, so a container too short for its memo leaves the buffer untouched.
    std::array<std::uint8_t, kMaxMemoLength> memo{};
    std::optional<std::size_t> memoRead = container.ReadAt(kHeadSize, memo.data(), memoLength);
    if (!memoRead || *memoRead < memoLength) {
        return KEMCMPRS_FAILED;
    }
    std::memcpy(buffer, memo.data(), memoLength);
    return KEMCMPRS_DONE;
}

}  // namespace Kemcmprs
