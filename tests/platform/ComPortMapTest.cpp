// Which device a COM item reaches: variables before the user's settings file before the ports
// present, the order of the ports present, and the settings file's syntax.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ComPortMap.h"
#include "SerialDevice.h"
#include "SerialPortList.h"
#include "TempDir.h"

namespace {

using TNames = std::map<unsigned, std::string>;

TSerialPortInfo OnBoard(const std::string& device) {
    TSerialPortInfo port;
    port.Device = device;
    return port;
}
TSerialPortInfo Usb(const std::string& device, const std::string& byId) {
    TSerialPortInfo port = OnBoard(device);
    port.Usb = true;
    if (!byId.empty()) port.ById = "/dev/serial/by-id/" + byId;
    return port;
}

const std::vector<TSerialPortInfo> kLaptop = {Usb("/dev/ttyUSB0", "usb-FTDI_FT232R_A1-if00")};
const std::vector<TSerialPortInfo> kDesktop = {OnBoard("/dev/ttyS0"),
                                               Usb("/dev/ttyUSB1", "usb-FTDI_FT232R_A1-if00"),
                                               Usb("/dev/ttyUSB0", "usb-Prolific_PL2303-if00")};

// Sets or clears an environment variable for one test.
class TScopedVariable {
public:
    TScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~TScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

TEST(ChooseComDevice, VariablesThenSettingsThenThePortsPresentInOrder) {
    struct TCase {
        const char* what;
        unsigned number;
        TNames variables, settings;
        std::vector<TSerialPortInfo> present;
        std::string device;
        TComSource source;
    };
    const TCase cases[] = {
        {"a single adapter is COM1", 1, {}, {}, kLaptop, "/dev/ttyUSB0", TComSource::Present},
        {"nothing for COM2 then", 2, {}, {}, kLaptop, "", TComSource::None},
        {"on-board port first", 1, {}, {}, kDesktop, "/dev/ttyS0", TComSource::Present},
        {"adapters follow in list order", 3, {}, {}, kDesktop, "/dev/ttyUSB0", TComSource::Present},
        {"the variable wins",
         1,
         {{1, "/dev/pts/3"}},
         {{1, "/dev/ttyS1"}},
         kDesktop,
         "/dev/pts/3",
         TComSource::Variable},
        {"an empty variable counts as unset",
         1,
         {{1, ""}},
         {{1, "/dev/ttyS1"}},
         kDesktop,
         "/dev/ttyS1",
         TComSource::Settings},
        {"a port named for COM1 by its by-id name is not COM2's",
         2,
         {},
         {{1, "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00"}},
         kDesktop,
         "/dev/ttyS0",
         TComSource::Present},
        {"free ports go to the free numbers",
         3,
         {{2, "/dev/ttyS0"}},
         {},
         kDesktop,
         "/dev/ttyUSB0",
         TComSource::Present},
        {"a named device that is absent is still named",
         4,
         {},
         {{4, "/dev/ttyUSB7"}},
         {},
         "/dev/ttyUSB7",
         TComSource::Settings},
    };
    for (const TCase& c : cases) {
        TComPortMapping mapping = ChooseComDevice(c.number, c.variables, c.settings, c.present);
        EXPECT_EQ(mapping.Device, c.device) << c.what;
        EXPECT_EQ(mapping.Source, c.source) << c.what;
    }
    // A name that resolves to a port's node claims that port.
    auto resolve = [](const std::string& name) {
        return name == "/dev/my-adapter" ? std::string("/dev/ttyS0") : name;
    };
    EXPECT_EQ(ChooseComDevice(1, {{2, "/dev/my-adapter"}}, {}, kDesktop, resolve).Device,
              "/dev/ttyUSB1");
}

TEST(SortSerialPorts, OnBoardByNumberThenAdaptersByTheirByIdNames) {
    std::vector<TSerialPortInfo> ports = {Usb("/dev/ttyACM0", ""), OnBoard("/dev/ttyS10"),
                                          Usb("/dev/ttyUSB0", "usb-Prolific"),
                                          OnBoard("/dev/ttyS2"), Usb("/dev/ttyUSB1", "usb-FTDI")};
    SortSerialPorts(ports);
    std::vector<std::string> order;
    for (const TSerialPortInfo& port : ports) order.push_back(port.Device);
    EXPECT_EQ(order, (std::vector<std::string>{"/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB1",
                                               "/dev/ttyUSB0", "/dev/ttyACM0"}));

    TSerialPortInfo adapter = Usb("/dev/ttyUSB0", "usb-FTDI");
    adapter.Manufacturer = "FTDI";
    adapter.Product = "FT232R USB UART";
    adapter.VendorId = "0403";
    adapter.ProductId = "6001";
    adapter.SerialNumber = "A50285BI";
    EXPECT_EQ(DescribeSerialPort(adapter),
              "/dev/ttyUSB0 (FTDI FT232R USB UART 0403:6001 A50285BI)");
    EXPECT_EQ(DescribeSerialPort(OnBoard("/dev/ttyS0")), "/dev/ttyS0");
}

TEST(ParseComPortSettings, TakesAssignmentsOfComNumbersAndIgnoresTheRest) {
    const std::string text =
        "# serial ports\r\n"
        "COM1 = /dev/serial/by-id/usb-FTDI-if00\r\n"
        "  com2=ttyUSB1\n"
        "; COM3=/dev/ttyS2\n"
        "COM4=\n"
        "COM0=/dev/ttyS0\n"
        "COM257=/dev/ttyS0\n"
        "COMX=/dev/ttyS0\n"
        "[ports]\n"
        "COM9=/dev/ttyACM0";
    EXPECT_EQ(
        ParseComPortSettings(text),
        (TNames{{1, "/dev/serial/by-id/usb-FTDI-if00"}, {2, "/dev/ttyUSB1"}, {9, "/dev/ttyACM0"}}));
}

TEST(SerialDevicePath, ComNamesGoThroughTheVariableAndTheUsersSettingsFile) {
    TempDir config;
    std::filesystem::create_directories(config.Path("tivra"));
    config.Write("tivra/serial-ports.conf", "COM3=/dev/ttyUSB5\nCOM4=/dev/ttyACM2\n");
    TScopedVariable home("XDG_CONFIG_HOME", config.Path("").c_str());
    TScopedVariable com3("TIVRA_COM3", "/tmp/my-line");
    TScopedVariable com4("TIVRA_COM4", "");
    EXPECT_EQ(ComPortSettingsPath(), config.Path("tivra/serial-ports.conf"));
    EXPECT_EQ(SerialDevicePath("COM3"), "/tmp/my-line");
    EXPECT_EQ(SerialDevicePath("\\\\.\\com4"), "/dev/ttyACM2");
    EXPECT_EQ(MapComPort(4).Source, TComSource::Settings);
}
