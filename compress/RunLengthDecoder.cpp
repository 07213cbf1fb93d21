// The run-length decoder. Each block is taken whole from the reader's window (a header and at
// most 32767 bytes), so a block that announces more bytes than remain is seen before any of
// it is written.
#include "RunLengthDecoder.h"

#include <cstdint>

#include "BlockFormat.h"
#include "FileReader.h"
#include "FileWriter.h"

namespace Kemcmprs {

DecodeOutcome DecodeBlockStream(FileReader& source, FileWriter& destination) {
    for (;;) {
        if (!source.Fill(kBlockHeaderSize)) {
            return DecodeOutcome::ReadFailed;
        }
        if (source.Available() < kBlockHeaderSize) {
            return DecodeOutcome::Done;
        }
        const std::uint8_t* block = source.Data();
        const auto header = static_cast<std::uint16_t>(block[0] | (block[1] << 8));
        const bool run = (header & kRunFlag) != 0;
        const std::size_t count = header & kCountMask;
        const std::size_t blockSize = kBlockHeaderSize + (run ? 1 : count);
        if (!source.Fill(blockSize)) {
            return DecodeOutcome::ReadFailed;
        }
        // Fill may have moved the window.
        block = source.Data();
        const std::size_t available = source.Available();
        const std::uint8_t* payload = block + kBlockHeaderSize;

        if (available < blockSize) {
            // The input ends inside this block: keep the literal bytes that are there.
            const std::size_t present = available - kBlockHeaderSize;
            source.Consume(available);
            return run || destination.Write(payload, present) ? DecodeOutcome::CutShort
                                                              : DecodeOutcome::WriteFailed;
        }
        const bool written =
            run ? destination.WriteRepeated(payload[0], count) : destination.Write(payload, count);
        if (!written) {
            return DecodeOutcome::WriteFailed;
        }
        source.Consume(blockSize);
    }
}

}  // namespace Kemcmprs
