// tivra-cli info: each kind of file the operations know is recognised, with what its reader
// finds, its SHA-256 and which operations take it (the refusal in the page's own words); and
// the identification of a 2 MiB image stays far below what a person notices.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "CliRun.h"
#include "FileIdentity.h"
#include "TempDir.h"

namespace {

std::string Le(std::uint32_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i) text += static_cast<char>(value >> (8 * i));
    return text;
}

std::uint32_t Sum(const std::string& bytes) {
    std::uint32_t sum = 0;
    for (unsigned char byte : bytes) sum += byte;
    return sum & 0xFFFF;
}

std::string Bios(const std::string& data, std::uint32_t checksum) {
    return Le(68, 4) + "KEM ORBA BIOS FILE              " + std::string(6, '\0') + Le(checksum, 2) +
           std::string(24, '\0') + data;
}

// A container of the memo and one literal block of data, its checksum as given.
std::string Container(const std::string& memo, const std::string& data, int checksumDelta) {
    const std::string blocks = Le(static_cast<std::uint32_t>(data.size()), 2) + data;
    return Le(static_cast<std::uint32_t>(48 + memo.size()), 4) +
           "KEM COMPRESSED FILE             " + Le(2, 2) + Le(0, 2) + Le(1, 2) +
           Le(Sum(blocks) + static_cast<std::uint32_t>(checksumDelta), 2) +
           Le(static_cast<std::uint32_t>(data.size()), 4) + memo + blocks;
}

std::string RawImage() {
    std::string image(2097152, '\0');
    image[0] = '\x55';
    image[1] = '\xAA';
    return image;
}

TEST(CliInfo, TellsEachKindWhatItHoldsAndWhichOperationsTakeIt) {
    TempDir dir;
    const std::string data(1000, 'B');
    struct Case {
        std::string name;
        std::string content;
        std::vector<std::string> fragments;  // in the file's JSON object
    };
    const Case cases[] = {
        {"fw.bin",
         RawImage(),
         {"\"kind\":\"raw-image\"", "\"size\":2097152",
          // sha256sum of the same bytes
          "\"sha256\":\"63d7b16f49a7b338be246528ba50a851a117f81e12ee93ced35f460aed9fba14\"",
          "{\"name\":\"upload\",\"accepted\":true}",
          "{\"name\":\"serial-upload\",\"accepted\":true}"}},
        {"short.bin",
         "\x55\xAA" + std::string(100, '\0'),
         {"{\"name\":\"upload\",\"accepted\":false,\"message\":\"ファイルサイズが不正です\"}"}},
        {"bound.bin",
         "\x33\xBB\x33\xBB" + Le(5, 4) + "hello" + Le(3, 4) + "abc",
         {"\"kind\":\"bound-firmware\"", "\"slot1_bytes\":5,\"slot2_bytes\":3",
          "{\"name\":\"upload\",\"accepted\":true}"}},
        {"MAF.DAT",
         "\x33\xBB\x4D\x46" + Le(4, 4) + "abc\n" + Le(0, 4),
         {"\"kind\":\"filter-container\"", "\"slot1_bytes\":4,\"slot2_bytes\":0"}},
        {"cut.bin",
         "\x33\xBB\x33\xBB" + Le(50, 4) + "hello",
         {"\"slots\":\"slot 1 announces 50 bytes, more than the file holds\""}},
        {"bios.brm",
         Bios(data, Sum(data)),
         {"\"kind\":\"bios-update\"", "\"data_bytes\":1000", "\"checksum\":\"holds\"",
          "{\"name\":\"bios\",\"accepted\":true}"}},
        {"bad.brm",
         Bios(data, Sum(data) + 1),
         {"\"checksum\":\"fails (the data sums to 0x",
          "{\"name\":\"bios\",\"accepted\":false,\"message\":"
          "\"指定されたファイルは正しくありません\"}"}},
        {"a.kem",
         Container("memo1", "hello", 0),
         {"\"kind\":\"kemcmprs-container\"", "\"format\":1,\"data_offset\":53,\"source_bytes\":5",
          "\"memo\":\"memo1\",\"compressed_bytes\":7", "\"checksum\":\"holds\"",
          "{\"name\":\"kemcmprs expand\",\"accepted\":true}"}},
        {"b.kem",
         Container("", "hello", 1),
         {"\"checksum\":\"fails\"",
          "\"message\":\"the container is damaged (checksum mismatch)\""}},
        {"shop.mft",
         "001122-334455 shop\r\nnot-an-address\r\n",
         {"\"kind\":\"filter-file\"", "\"entries\":1,\"bad_lines\":1",
          "{\"name\":\"filter-check\",\"accepted\":false,\"message\":"
          "\"不正なMACアドレスです\\r行数 : 2",
          "{\"name\":\"filter-put\",\"accepted\":true}"}},
        {"CFG8019.INI",
         "[Config]\nMACID=02C0DE001000\n[Misc]\nAutoInc=1\n",
         {"\"kind\":\"settings-file\"", "\"mac\":\"02:C0:DE:00:10:00\",\"auto_increment\":\"on\"",
          "\"eeprom_words\":", "{\"name\":\"mac\",\"accepted\":true}"}},
        {"sub/cfg8019.ini",
         "[Config]\nVendorID=ZZ8C8019\n",
         {"{\"name\":\"mac\",\"accepted\":false,\"message\":\"'ZZ' is not a valid integer "
          "value\"}"}},
    };
    std::vector<std::string> arguments = {"info", "--json"};
    std::filesystem::create_directories(dir.Path("sub"));
    for (const Case& c : cases) arguments.push_back(dir.Write(c.name, c.content));
    TCliOutcome outcome = RunTivraCli(arguments, {{"LC_ALL", "C.UTF-8"}});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    for (const Case& c : cases) {
        const std::size_t at = outcome.out.find("\"path\":\"" + dir.Path(c.name) + "\"");
        ASSERT_NE(at, std::string::npos) << c.name << "\n" << outcome.out;
        const std::string object = outcome.out.substr(at, outcome.out.find('\n', at) - at);
        for (const std::string& fragment : c.fragments) {
            EXPECT_NE(object.find(fragment), std::string::npos)
                << c.name << ": " << fragment << "\n"
                << object;
        }
    }
    // A file of no known kind, or one that is missing, makes the status 1; the text form
    // gives a block per file.
    outcome = RunTivraCli(
        {"info", dir.Path("bios.brm"), dir.Write("notes.txt", "hello"), dir.Path("missing")},
        {{"LC_ALL", "C.UTF-8"}});
    EXPECT_EQ(outcome.status, 1);
    for (const char* fragment :
         {"  kind             BIOS update file\n", "  bios             accepted\n",
          "  kind             not a kind the operations know\n",
          "  sha256           2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824\n",
          "  problem          No such file or directory"}) {
        EXPECT_NE(outcome.out.find(fragment), std::string::npos) << fragment << outcome.out;
    }
    EXPECT_EQ(RunTivraCli({"info"}).status, 64);
}

TEST(CliInfo, IdentifiesA2MiBImageWellUnder50Milliseconds) {
    TempDir dir;
    const std::string path = dir.Write("fw.bin", RawImage());
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const TFileIdentity identity = IdentifyFile(path);
        best = std::min(best, std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
        ASSERT_EQ(identity.Kind, TFileKind::RawImage);
    }
    std::printf("info of a 2 MiB image: %.2f ms (best of 5)\n", best);
    EXPECT_LT(best, 50.0);
}

}  // namespace
