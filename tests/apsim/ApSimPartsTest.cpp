// Tests of the simulator's parts without a network: its command line, Basic credentials, the
// JSON form of wire bytes, and the filter list with the bound list it takes.
#include <gtest/gtest.h>

#include "ApSimAuth.h"
#include "ApSimFilterList.h"
#include "ApSimJson.h"
#include "ApSimOptions.h"

namespace {

bool Parse(const std::vector<std::string>& arguments, TApSimOptions& options) {
    std::string error;
    bool parsed = ParseApSimOptions(NetworkOptions(), arguments, options, error);
    EXPECT_EQ(parsed, error.empty()) << error;
    return parsed;
}

TEST(ApSimPartsTest, CommandLineFillsTheOptions) {
    TApSimOptions options;
    ASSERT_TRUE(Parse({"--address",    "127.0.0.9",
                       "--user=admin", "--password",
                       "secret",       "--image-size",
                       "1024",         "--fault",
                       "refuse",       "--fault=close-early=100",
                       "--fault",      "delay=250",
                       "--fault",      "drip=5",
                       "--fault",      "rate=4096",
                       "--fault",      "empty-body",
                       "--fault",      "no-content-length",
                       "--fault",      "cut-body=7",
                       "--fault",      "bad-content-length=10x"},
                      options));
    EXPECT_EQ(options.Address + options.User + options.Password, "127.0.0.9adminsecret");
    EXPECT_EQ(options.ImageSize, 1024);
    const TApSimFaults& faults = options.Faults;
    EXPECT_TRUE(faults.Refuse && faults.EmptyBody && faults.NoContentLength &&
                faults.BadContentLength);
    EXPECT_EQ(faults.CloseEarly, 100);
    EXPECT_EQ(faults.DelayMs, 250);
    EXPECT_EQ(faults.DripMs, 5);
    EXPECT_EQ(faults.RateBytes, 4096);
    EXPECT_EQ(faults.CutBody, 7);
    EXPECT_EQ(faults.BadLengthText, "10x");
}

TEST(ApSimPartsTest, CommandLineMistakesAreRefused) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--adress", "127.0.0.2"},
             {"--address"},
             {"--address", "192.168.0.1"},  // never anything but loopback
             {"--address", "localhost"},
             {"--fault", "close-early"},
             {"--fault", "close-early=-1"},
             {"--fault", "refuse=1"},
             {"--fault", "rate=0"},
             {"--fault", "explode"},
             {"--image-size", "12k"},
             {"--help=yes"},
             {"127.0.0.2"}}) {
        TApSimOptions options;
        EXPECT_FALSE(Parse(arguments, options)) << arguments[0];
    }
}

TEST(ApSimPartsTest, BasicCredentialsAreChecked) {
    EXPECT_EQ(Base64Encode("f") + Base64Encode("fo") + Base64Encode("foobar"), "Zg==Zm8=Zm9vYmFy");
    EXPECT_EQ(Base64Encode("\xFF\xFE\xFD"), "//79");
    EXPECT_TRUE(IsBasicAuthorized("Basic cm9vdDpwdw==", "root", "pw"));
    EXPECT_TRUE(IsBasicAuthorized("basic  cm9vdDpwdw== ", "root", "pw"));
    EXPECT_TRUE(IsBasicAuthorized("Basic cm9vdDo=", "root", ""));
    EXPECT_FALSE(IsBasicAuthorized("Basic cm9vdDpwdw==", "root", "pw2"));
    EXPECT_FALSE(IsBasicAuthorized("Digest cm9vdDpwdw==", "root", "pw"));
    EXPECT_FALSE(IsBasicAuthorized("", "root", ""));
}

TEST(ApSimPartsTest, JsonKeepsEveryByte) {
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString(std::string("\x00\n\x7F\xBB", 4)), "\"\\u0000\\u000A\\u007F\\u00BB\"");
}

std::string Bound(const std::string& text) {
    std::string length;
    for (int i = 0; i < 4; ++i) length += static_cast<char>((text.size() >> (8 * i)) & 0xFF);
    return "\x33\xBB\x4D\x46" + length + text + std::string(4, '\0');
}

TEST(ApSimPartsTest, BoundFilterListReplacesTheList) {
    TApSimFilterList list;
    EXPECT_EQ(list.ReplyText(), "MAFLIST 0\n");
    std::string text(300, 'x');
    ASSERT_TRUE(list.TakeBoundList(Bound(text + "\r\n00:11:22:33:44:56 \xA4\xA2\n")));
    EXPECT_EQ(list.ReplyText(), "MAFLIST 2\n" + text + "\n00:11:22:33:44:56 \xA4\xA2\n");
}

TEST(ApSimPartsTest, AnythingElseLeavesTheListAlone) {
    TApSimFilterList list;
    list.SetLines({"old"});
    std::string good = Bound("00:11:22:33:44:55 a\n");
    std::string otherMarker = good;
    otherMarker[3] = '\xBB';
    for (const std::string& data :
         {std::string(), good.substr(0, 11), good.substr(0, good.size() - 1), good + "x",
          otherMarker, std::string("\x33\xBB\x4D\x46\xFF\xFF\xFF\xFF\0\0\0\0", 12)}) {
        EXPECT_FALSE(list.TakeBoundList(data));
    }
    EXPECT_EQ(list.Lines(), std::vector<std::string>{"old"});
}

}  // namespace
