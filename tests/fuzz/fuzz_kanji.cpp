// Fuzzes the kanji conversion with arbitrary bytes: EucToSjis, SjisToEuc and HalfKanaToFull
// must never read past the end, and must keep the invariants that hold for every text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "HenkanJ.h"
#include "JConvert.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool InRange(std::uint8_t byte, int low, int high) { return byte >= low && byte <= high; }

// Facts about a text read the way SjisToEuc reads it.
struct TSjisScan {
    std::size_t halfKana = 0;    // single bytes A1 to DF
    bool cutOff = false;         // a two-byte character lacks its second byte
    bool jisX0208Shaped = true;  // every character is ASCII, half-width or a JIS X 0208 code
};

TSjisScan ScanSjis(const std::string& text) {
    TSjisScan scan;
    for (std::size_t pos = 0; pos < text.size();) {
        auto first = static_cast<std::uint8_t>(text[pos]);
        if (first <= 0x7F) {
            pos += 1;
        } else if (InRange(first, 0xA1, 0xDF)) {
            ++scan.halfKana;
            pos += 1;
        } else {
            if (pos + 1 >= text.size()) {
                scan.cutOff = true;
                scan.jisX0208Shaped = false;
                break;
            }
            auto second = static_cast<std::uint8_t>(text[pos + 1]);
            bool lead = InRange(first, 0x81, 0x9F) || InRange(first, 0xE0, 0xEF);
            bool trail = InRange(second, 0x40, 0x7E) || InRange(second, 0x80, 0xFC);
            if (!lead || !trail) scan.jisX0208Shaped = false;
            pos += 2;
        }
    }
    return scan;
}

// True when every character of text is ASCII, 8E with a half-width byte, or a pair of bytes
// A1 to FE: the EUC-JP texts whose Shift_JIS form converts back to the same bytes.
bool IsPlainEuc(const std::string& text) {
    for (std::size_t pos = 0; pos < text.size();) {
        auto first = static_cast<std::uint8_t>(text[pos]);
        if (first <= 0x7F) {
            pos += 1;
            continue;
        }
        if (pos + 1 >= text.size()) return false;
        auto second = static_cast<std::uint8_t>(text[pos + 1]);
        if (first == 0x8E ? !InRange(second, 0xA1, 0xDF)
                          : !InRange(first, 0xA1, 0xFE) || !InRange(second, 0xA1, 0xFE)) {
            return false;
        }
        pos += 2;
    }
    return true;
}

// True when text holds a single-byte half-width katakana that has a full-width form.
bool HasConvertibleKana(const std::string& text) {
    for (std::size_t pos = 0; pos < text.size();) {
        auto byte = static_cast<std::uint8_t>(text[pos]);
        if (IsSjisLeadByte(byte)) {
            pos += 2;
            continue;
        }
        if (InRange(byte, 0xA6, 0xAF) || InRange(byte, 0xB1, 0xDD)) return true;
        pos += 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::string euc = SjisToEuc(text);
    const TSjisScan scan = ScanSjis(text);
    Require(euc.size() == text.size() + scan.halfKana + (scan.cutOff ? 1 : 0));
    if (scan.jisX0208Shaped) Require(EucToSjis(euc) == text);

    const std::string sjis = EucToSjis(text);
    Require(sjis.size() <= text.size() + 1);
    if (IsPlainEuc(text)) Require(SjisToEuc(sjis) == text);

    const std::string full = HalfKanaToFull(text);
    Require((full != text) == HasConvertibleKana(text));
    Require(!HasConvertibleKana(full));
    Require(HalfKanaToFull(full) == full);
    return 0;
}
