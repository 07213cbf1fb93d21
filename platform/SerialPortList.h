// The serial ports present on this machine, found through libudev: each port's device node,
// its stable /dev/serial/by-id name and, for USB adapters, the vendor, product and serial
// number. On-board ports count only when hardware is behind them: the kernel's serial driver
// creates ttyS nodes for every possible legacy port, and those placeholders are not ports.
//
// SortSerialPorts gives the order in which "COM1".."COM4" reach the ports when nothing else
// names a device: on-board ports first (by number), then USB adapters by their by-id names.
#pragma once

#include <string>
#include <vector>

struct TSerialPortInfo {
    std::string Device;        // "/dev/ttyUSB0"
    std::string ById;          // "/dev/serial/by-id/usb-FTDI_..."; empty when udev made none
    bool Usb = false;          // a USB adapter (ttyUSB, ttyACM, ...), else an on-board port
    std::string VendorId;      // "0403"
    std::string ProductId;     // "6001"
    std::string Manufacturer;  // "FTDI"
    std::string Product;       // "FT232R USB UART"
    std::string SerialNumber;  // "A50285BI"
};

// The ports present now, in SortSerialPorts order. Empty when udev cannot be asked.
std::vector<TSerialPortInfo> ListSerialPorts();

// On-board ports first in natural name order (ttyS2 before ttyS10), then USB adapters in the
// order of their by-id names; adapters without one come last, by device name.
void SortSerialPorts(std::vector<TSerialPortInfo>& ports);

// One line for people: "/dev/ttyUSB0 (FTDI FT232R USB UART 0403:6001 A50285BI)", or just the
// device when nothing more is known.
std::string DescribeSerialPort(const TSerialPortInfo& port);
