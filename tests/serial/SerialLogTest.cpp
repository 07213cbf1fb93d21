// The serial line in the diagnostic log: the device opened (and what its driver granted of
// low-latency operation), and every byte in hex with its direction, as the port sends and
// receives it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DiagnosticLog.h"
#include "LogLines.h"
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
    std::vector<std::string> lines = LogLinesWithoutStamps(TempDir::Read(dir.Path("trace.log")));
    const std::string open = "[serial] open " + line.Path() + " = " + line.Path();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[5].rfind("[serial] open " + line.Path() + " failed: ", 0), 0u) << lines[5];
    lines.pop_back();
    // The open asks the driver for low latency; a pseudo-terminal has no such setting.
    EXPECT_EQ(lines,
              (std::vector<std::string>{open, "[serial] low latency not supported by the driver",
                                        "[serial] > 44 4F 52 42 41", "[serial] < 24", open}));
}
