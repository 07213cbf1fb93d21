// The EEPROM image: the default bytes, each configuration code, the checksums, the resource
// data and its limits, and the packet the programmer takes.
#include <gtest/gtest.h>

#include <vector>

#include "EepromImage.h"
#include "SerialError.h"

namespace {

std::vector<std::uint8_t> Head(const TEepromImage& image, std::size_t count) {
    return std::vector<std::uint8_t>(image.Bytes.begin(), image.Bytes.begin() + count);
}

TEST(EepromImageTest, DefaultSettingsGiveTheKnownImage) {
    const TEepromImage image = BuildEepromImage(TConfig8019());
    const std::vector<std::uint8_t> head = {0xB1, 0x00, 0x30, 0x01, 0x02, 0xC0, 0xDE, 0x00, 0x00,
                                            0x00, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
                                            0x4A, 0x8C, 0x80, 0x19, 0x33, 0x00, 0x00, 0x00, 0x3D,
                                            0x0A, 0x10, 0x10, 0x82, 0x22, 0x00, 'R'};
    EXPECT_EQ(Head(image, head.size()), head);
    EXPECT_EQ(image.Bytes[0x5B], 0x79);  // end tag
    EXPECT_EQ(image.Bytes[0x5C], 0xA8);  // resource checksum
    EXPECT_EQ(image.Bytes[0x5D], 0x00);
    EXPECT_EQ(image.WordCount, 47);
    std::uint8_t sum = 0;
    for (int i = 0x1B; i <= 0x5C; ++i) sum = static_cast<std::uint8_t>(sum + image.Bytes[i]);
    EXPECT_EQ(sum, 0);
}

TEST(EepromImageTest, ConfigurationBytesFollowTheSettings) {
    struct Case {
        const char* name;
        void (*change)(TConfig8019&);
        int offset;
        std::uint8_t expected;
    } cases[] = {
        {"io 2E0", [](TConfig8019& c) { c.IOBase = 0x2E0; }, 0, 0xBF},
        {"io 300 irq 15",
         [](TConfig8019& c) {
             c.IOBase = 0x300;
             c.IRQ = 15;
         },
         0, 0xF0},
        {"irq 7 sets bit 7",
         [](TConfig8019& c) {
             c.IRQEN = false;
             c.IRQ = 7;
         },
         0, 0x81},
        {"rom 16K C800",
         [](TConfig8019& c) {
             c.BROMBase = 0xC800;
             c.BROMSize = "16K";
         },
         1, 0x12},
        {"rom E000",
         [](TConfig8019& c) {
             c.BROMBase = 0xE000;
             c.BROMSize = "16K";
         },
         1, 0x00},
        {"rom 64K",
         [](TConfig8019& c) {
             c.BROMBase = 0xD000;
             c.BROMSize = "64k";
         },
         1, 0x0D},
        {"10base2 lower", [](TConfig8019& c) { c.Connector = "10base2"; }, 1, 0x60},
        {"10BASE2", [](TConfig8019& c) { c.Connector = "10BASE2"; }, 1, 0x60},
        {"flags",
         [](TConfig8019& c) {
             c.PNP = true;
             c.FUDUP = true;
             c.LED = "linkrxtx";
             c.PowerDown = true;
             c.Active = false;
         },
         2, 0xD3},
        {"unknown led", [](TConfig8019& c) { c.LED = "BLINK"; }, 2, 0x00},
        {"ioms off", [](TConfig8019& c) { c.IOMS = false; }, 3, 0x00},
        {"lower-case hex", [](TConfig8019& c) { c.MACID = "02c0de0000aB"; }, 9, 0xAB},
        {"odd last digit",
         [](TConfig8019& c) {
             c.MACID = "02C0DE00000A";
             c.MACID.pop_back();
         },
         9, 0x00},
    };
    for (const Case& c : cases) {
        TConfig8019 config;
        c.change(config);
        EXPECT_EQ(BuildEepromImage(config).Bytes[c.offset], c.expected) << c.name;
    }
}

TEST(EepromImageTest, ResourceItemsAreCopiedAndOddDigitsDropped) {
    TConfig8019 config;
    config.Version = "0A10105";
    config.AnsiStr = std::string(33, 'x');
    const TEepromImage image = BuildEepromImage(config);
    EXPECT_EQ(Head(image, 0x21), Head(BuildEepromImage(TConfig8019()), 0x21));
    EXPECT_EQ(image.Bytes[0x1F], 0x22);
    EXPECT_EQ(image.Bytes[0x20], 0x00);
}

TEST(EepromImageTest, ImagesPastTheEepromAreCutTo64Words) {
    TConfig8019 config;
    config.AnsiStr = std::string(MaxAnsiStrBytes, 'x');
    config.PNPIO = std::string(2 * MaxResourceItemBytes, 'F');
    EXPECT_EQ(BuildEepromImage(config).WordCount, TEepromImage::MaxWords);
}

TEST(EepromImageTest, RefusesWhatCannotBeConvertedOrWouldNotFit) {
    struct Case {
        const char* name;
        void (*change)(TConfig8019&);
        bool convert;
    } cases[] = {
        {"not hex", [](TConfig8019& c) { c.VendorID = "4A8G8019"; }, true},
        {"short field", [](TConfig8019& c) { c.MACID = "02C0DE0000"; }, true},
        {"bad resource", [](TConfig8019& c) { c.PNPIRQ = "23 C"; }, true},
        {"long string", [](TConfig8019& c) { c.AnsiStr.assign(MaxAnsiStrBytes + 1, 'x'); }, false},
        {"long item", [](TConfig8019& c) { c.LogicalID.assign(2 * MaxResourceItemBytes + 2, '1'); },
         false},
    };
    for (const Case& c : cases) {
        TConfig8019 config;
        c.change(config);
        if (c.convert)
            EXPECT_THROW(BuildEepromImage(config), EConvertError) << c.name;
        else
            EXPECT_THROW(BuildEepromImage(config), ESerialError) << c.name;
    }
    // Every field at its limit still fits the image buffer.
    TConfig8019 config;
    config.AnsiStr.assign(MaxAnsiStrBytes, 'x');
    for (std::string* item :
         {&config.Version, &config.LogicalID, &config.CompatibleID, &config.PNPIO, &config.PNPIRQ})
        item->assign(2 * MaxResourceItemBytes, '1');
    EXPECT_NO_THROW(BuildEepromImage(config));
}

TEST(EepromImageTest, PacketCarriesWordCountChecksumAndPaddedImage) {
    const TEepromImage image = BuildEepromImage(TConfig8019());
    const std::vector<std::uint8_t> packet = BuildConfigPacket(image);
    ASSERT_EQ(packet.size(), 97u);
    EXPECT_EQ(packet[0], 0x2F);
    EXPECT_EQ(packet[1], 0x00);
    std::uint8_t sum = 0;
    for (std::size_t i = 2; i < packet.size(); ++i)
        sum = static_cast<std::uint8_t>(sum + packet[i]);
    EXPECT_EQ(sum, 0);
    EXPECT_EQ(packet[3], 0xB1);
    EXPECT_EQ(packet.back(), 0x00);
}

}  // namespace
