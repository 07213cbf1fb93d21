// The run-length encoder: splits its input into run blocks (a stretch of one byte that starts
// with three equal bytes, stored as the byte) and literal blocks (stored as they are, ended
// just before four equal bytes), each at most 32766 bytes long.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Kemcmprs {

class FileReader;
class FileWriter;

struct BlockPlan {
    std::size_t length = 0;  // input bytes the block covers
    bool run = false;        // a run block; else a literal block
    bool lastBlock = false;  // the scan met the end of the input: encoding stops after it
};

// Classifies the block that begins at data[0]. count is the number of bytes the scan may read:
// at least 32766, or fewer when the input ends after them. A block that reaches the 32766-byte
// limit is never the last one, even when the input ends there: an empty literal block follows.
BlockPlan ScanBlock(const std::uint8_t* data, std::size_t count);

// Encodes everything source delivers into destination. False when reading or writing fails.
bool EncodeBlockStream(FileReader& source, FileWriter& destination);

}  // namespace Kemcmprs
