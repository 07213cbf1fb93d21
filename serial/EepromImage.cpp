// BuildEepromImage: the configuration codes, the identifiers and the resource data.
#include "EepromImage.h"

#include <algorithm>
#include <cctype>

#include "HexPairs.h"
#include "SerialError.h"
#include "SerialStrings.h"

namespace {

bool SameText(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
    }
    return i == a.size() && b[i] == '\0';
}

// The I/O base as the controller numbers it: 0x300 is 0, 0x320 1, ... 0x200 4, ... 0x2E0 15.
std::uint8_t IOBaseCode(std::int32_t base) {
    int v = base & ~0x1F;
    // The upper half of each 0x100 block counts on from 8.
    int upper = 0;
    if ((v & 0xFF) >= 0x80) {
        v -= 0x80;
        upper = 8;
    }
    const int code = (3 - (v >> 8)) * 4 + ((v & 0xFF) >> 5) + upper;
    // A base outside 0x200-0x3E0 (only a hand-edited file has one) stays within the four bits.
    return static_cast<std::uint8_t>(code & 0x0F);
}

// Interrupts the controller cannot use give 8, which also sets bit 7 of the byte.
std::uint8_t IrqCode(std::int32_t irq) {
    static constexpr std::uint8_t kCodes[16] = {8, 8, 0, 1, 2, 3, 8, 8, 8, 0, 4, 5, 6, 8, 8, 7};
    return irq >= 0 && irq < 16 ? kCodes[irq] : 8;
}

std::uint8_t MediumCode(const std::string& connector) {
    static constexpr const char* kNames[] = {"AUTO", "10BASET", "10BASE5", "10BASE2"};
    for (std::uint8_t code = 0; code < 4; ++code)
        if (SameText(connector, kNames[code])) return code;
    return 0;
}

std::uint8_t BootRomCode(std::int32_t base, const std::string& size) {
    if (base < 0xC000 || base > 0xDE00) return 0;
    const int offset = base - 0xC000;
    int code = 0;
    if (SameText(size, "PAGE"))
        code = 0x18 | (offset / 1024);
    else if (SameText(size, "16K"))
        code = 0x10 | (offset / 1024);
    else if (SameText(size, "32K"))
        code = 0x08 | (offset / 2048);
    else if (SameText(size, "64K"))
        code = 0x0C | (offset / 4096);
    return static_cast<std::uint8_t>(code & 0x1F);
}

std::uint8_t LedCode(const std::string& led) {
    if (SameText(led, "LINKRXTX")) return 1;
    if (SameText(led, "COLCRSMCSB")) return 2;
    if (SameText(led, "LINKCRSMCSB")) return 3;
    return 0;
}

void CheckLength(const char* field, std::size_t bytes, std::size_t limit) {
    if (bytes <= limit) return;
    throw ESerialError(SerialText(SerialStrings::DataTooLong) + "\r" + field + ": " +
                       std::to_string(limit) + SerialText(SerialStrings::AtMostBytes));
}

// Appends `count` bytes of a hexadecimal text.
void PutHex(std::vector<std::uint8_t>& out, const std::string& text, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out.push_back(HexPairByte(text, i));
}

}  // namespace

std::uint8_t SerialIdChecksum(const std::uint8_t (&serialId)[8]) {
    std::uint8_t sum = 0x6A;
    for (std::uint8_t byte : serialId) {
        for (int bit = 0; bit < 8; ++bit) {
            std::uint8_t x = (sum ^ (sum >> 1) ^ (byte >> bit)) & 1;
            sum = static_cast<std::uint8_t>((sum >> 1) | (x << 7));
        }
    }
    return sum;
}

TEepromImage BuildEepromImage(const TConfig8019& c) {
    // Lengths first, so that nothing is built from settings that cannot fit.
    CheckLength("AnsiStr", c.AnsiStr.size(), MaxAnsiStrBytes);
    const std::pair<const char*, const std::string*> items[] = {{"Version", &c.Version},
                                                                {"LogicalID", &c.LogicalID},
                                                                {"CompatibleID", &c.CompatibleID},
                                                                {"PNPIO", &c.PNPIO},
                                                                {"PNPIRQ", &c.PNPIRQ}};
    for (const auto& item : items)
        CheckLength(item.first, item.second->size() / 2, MaxResourceItemBytes);

    std::vector<std::uint8_t> head;
    head.push_back(static_cast<std::uint8_t>(IOBaseCode(c.IOBase) | (IrqCode(c.IRQ) << 4) |
                                             (c.IRQEN ? 0x80 : 0)));
    head.push_back(static_cast<std::uint8_t>((MediumCode(c.Connector) << 5) |
                                             BootRomCode(c.BROMBase, c.BROMSize)));
    head.push_back(static_cast<std::uint8_t>((c.PNP ? 0x80 : 0) | (c.FUDUP ? 0x40 : 0) |
                                             (LedCode(c.LED) << 4) | (c.PowerDown ? 0x02 : 0) |
                                             (c.Active ? 0 : 0x01)));
    head.push_back(c.IOMS ? 0x01 : 0x00);
    PutHex(head, c.MACID, 6);
    PutHex(head, c.UserID, 8);
    PutHex(head, c.VendorID, 4);
    PutHex(head, c.SerialNum, 4);
    std::uint8_t serialId[8];
    std::copy(head.begin() + 0x12, head.begin() + 0x1A, serialId);
    head.push_back(SerialIdChecksum(serialId));

    std::vector<std::uint8_t> resources;
    PutHex(resources, c.Version, c.Version.size() / 2);
    const std::size_t stringLength = c.AnsiStr.size() + 1;
    resources.push_back(0x82);
    resources.push_back(static_cast<std::uint8_t>(stringLength & 0xFF));
    resources.push_back(static_cast<std::uint8_t>(stringLength >> 8));
    resources.insert(resources.end(), c.AnsiStr.begin(), c.AnsiStr.end());
    resources.push_back(0x00);
    for (const std::string* item : {&c.LogicalID, &c.CompatibleID, &c.PNPIO, &c.PNPIRQ})
        PutHex(resources, *item, item->size() / 2);
    resources.push_back(0x79);
    std::uint8_t sum = 0;
    for (std::uint8_t byte : resources) sum = static_cast<std::uint8_t>(sum + byte);
    resources.push_back(static_cast<std::uint8_t>(-sum));

    TEepromImage image;
    std::copy(head.begin(), head.end(), image.Bytes.begin());
    std::copy(resources.begin(), resources.end(), image.Bytes.begin() + head.size());
    const std::size_t length =
        std::min<std::size_t>(head.size() + resources.size(), 2 * TEepromImage::MaxWords);
    image.WordCount = static_cast<int>((length + 1) / 2);
    return image;
}

std::vector<std::uint8_t> BuildConfigPacket(const TEepromImage& image) {
    const std::size_t length = 2 * static_cast<std::size_t>(image.WordCount);
    std::vector<std::uint8_t> packet;
    packet.push_back(static_cast<std::uint8_t>(image.WordCount & 0xFF));
    packet.push_back(static_cast<std::uint8_t>(image.WordCount >> 8));
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum = static_cast<std::uint8_t>(sum + image.Bytes[i]);
    packet.push_back(static_cast<std::uint8_t>(-sum));
    packet.insert(packet.end(), image.Bytes.begin(), image.Bytes.begin() + length);
    return packet;
}
