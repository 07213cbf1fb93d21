// The serial line in the diagnostic log: the device opened, and every byte in hex with its
// direction, as the port sends and receives it.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "DiagnosticLog.h"
#include "PtyLine.h"
#include "SerialDevice.h"
#include "TempDir.h"

TEST(SerialLog, TracesTheOpenAndTheBytesBothWays) {
    TempDir dir;
    TPtyLine line;
    ASSERT_TRUE(OpenDiagnosticLog(dir.Path("trace.log")));
    {
        TSerialDevice device;
        ASSERT_TRUE(device.Open(line.Path()));
        std::uint32_t done = 0;
        ASSERT_TRUE(device.WriteFile("DORBA", 5, done));
        EXPECT_EQ(line.Receive(5, 2000), "DORBA");
        line.Send("$");
        ASSERT_EQ(device.WaitForInput(1, 2000), 1);
        TSerialDevice second;
        EXPECT_FALSE(second.Open(line.Path()));
    }
    CloseDiagnosticLog();
    const std::string text = TempDir::Read(dir.Path("trace.log"));
    const std::string stamp = R"(\S+ \S+ \[serial\] )";
    const std::string path = line.Path();
    EXPECT_TRUE(std::regex_match(
        text, std::regex(stamp + "open " + path + " = " + path + "\n" + stamp +
                         "> 44 4F 52 42 41\n" + stamp + "< 24\n" + stamp + "open " + path + " = " +
                         path + "\n" + stamp + "open " + path + " failed: .*\n")))
        << text;
}
