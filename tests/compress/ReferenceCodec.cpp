// The plain reference encoder of the tests.
#include "ReferenceCodec.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::size_t kMaxBlockCount = 32766;

enum class BlockState { Undecided, Literal, Run };

// Reads input one byte at a time, like a file; -1 at the end.
class ByteInput {
public:
    explicit ByteInput(const std::string& input) : input_(input) {}
    int Read() {
        return position_ < input_.size() ? static_cast<unsigned char>(input_[position_++]) : -1;
    }
    std::size_t Tell() const { return position_; }
    void Seek(std::size_t position) { position_ = position; }

private:
    const std::string& input_;
    std::size_t position_ = 0;
};

}  // namespace

std::string ReferenceEncode(const std::string& input) {
    ByteInput in(input);
    std::string out;
    for (;;) {
        const std::size_t start = in.Tell();
        BlockState state = BlockState::Undecided;
        int previous = -1;
        int equalCount = 0;
        std::size_t length = 0;
        bool ended = false;
        for (std::size_t reads = 0; reads < kMaxBlockCount; ++reads) {
            int byte = in.Read();
            if (byte < 0) {
                ended = true;
                break;
            }
            ++length;
            if (length == 1) {
                previous = byte;
            }
            if (byte == previous) {
                if (++equalCount == 3) {
                    if (state == BlockState::Literal) {
                        length -= 4;
                        break;
                    }
                    state = BlockState::Run;
                }
            } else {
                if (state == BlockState::Run) {
                    length -= 1;
                    break;
                }
                state = BlockState::Literal;
                equalCount = 0;
            }
            previous = byte;
        }
        in.Seek(start);
        const bool run = state == BlockState::Run;
        const auto header = static_cast<std::uint16_t>(length | (run ? 0x8000 : 0));
        out += static_cast<char>(header & 0xFF);
        out += static_cast<char>(header >> 8);
        for (std::size_t i = 0; i < length; ++i) {
            int byte = in.Read();
            if (!run || i == 0) {
                out += static_cast<char>(byte);
            }
        }
        if (ended) {
            return out;
        }
    }
}
