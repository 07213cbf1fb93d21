// Arbitrary bytes from the line into the loader upload: the handshake drops everything up to
// the answer, then every byte is taken as an acknowledgement. Nothing may crash, the dialogue
// must end within a bounded number of steps per byte, and what goes out must always be a
// prefix of the correct wire for the loader.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "LoaderDialogue.h"

namespace {

std::vector<std::uint8_t> ExpectedWire(const std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> wire;
    for (std::size_t at = 0; at < image.size(); at += 1024) {
        std::size_t n = image.size() - at < 1024 ? image.size() - at : 1024;
        wire.push_back(static_cast<std::uint8_t>(n & 0xFF));
        wire.push_back(static_cast<std::uint8_t>(n >> 8));
        wire.insert(wire.end(), image.begin() + static_cast<long>(at),
                    image.begin() + static_cast<long>(at + n));
        wire.push_back(BlockChecksum(image.data() + at, n));
    }
    wire.push_back(0);
    wire.push_back(0);
    return wire;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The first two bytes choose the loader's size (up to 4 KiB, so block ends are reached).
    const std::size_t loaderSize = (data[0] | (std::size_t{data[1]} << 8)) & 0x0FFF;
    data += 2;
    size -= 2;
    std::vector<std::uint8_t> image(loaderSize);
    for (std::size_t i = 0; i < loaderSize; ++i) image[i] = static_cast<std::uint8_t>(i * 31 + 7);

    std::size_t at = 0;
    while (at < size && !IsWakeUpAnswer(data[at])) ++at;
    if (at == size) return 0;
    ++at;

    std::size_t offset = 0;
    TLoaderUpload upload(image.size(), [&](std::uint8_t* buffer, std::size_t room) {
        std::size_t n = image.size() - offset < room ? image.size() - offset : room;
        for (std::size_t i = 0; i < n; ++i) buffer[i] = image[offset + i];
        offset += n;
        return static_cast<std::ptrdiff_t>(n);
    });
    const std::vector<std::uint8_t> expected = ExpectedWire(image);
    std::vector<std::uint8_t> sent;
    std::size_t steps = 0;
    for (;;) {
        // At most four steps (length or end marker, data, checksum, report) between two bytes.
        if (++steps > 8 * (size + 2)) std::abort();
        TLoaderUpload::TAction action = upload.Next();
        if (action.Step == TLoaderUpload::TStep::Finished) {
            if (action.Code == 0 && sent != expected) std::abort();
            break;
        }
        if (action.Step == TLoaderUpload::TStep::Send) {
            sent.insert(sent.end(), action.Bytes.begin(), action.Bytes.end());
            if (sent.size() > expected.size() ||
                !std::equal(sent.begin(), sent.end(), expected.begin()))
                std::abort();
        }
        if (action.Step == TLoaderUpload::TStep::Report &&
            (action.Percent < 0 || action.Percent > 100))
            std::abort();
        if (action.Step == TLoaderUpload::TStep::AwaitAck) {
            if (at == size) break;  // the line fell silent: the thread's time-out takes over
            upload.Acknowledged(data[at++]);
        }
    }
    return 0;
}
