// The run-length decoder: expands a block stream up to the end of its input. A header needs
// two bytes; a single byte left after the last block ends the stream.
#pragma once

namespace Kemcmprs {

class FileReader;
class FileWriter;

enum class DecodeOutcome {
    Done,      // every block was expanded
    CutShort,  // the input ends inside a block; the bytes present were written
    ReadFailed,
    WriteFailed,
};

DecodeOutcome DecodeBlockStream(FileReader& source, FileWriter& destination);

}  // namespace Kemcmprs
