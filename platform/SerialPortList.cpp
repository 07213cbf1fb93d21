// Serial port enumeration on libudev. A legacy ttyS placeholder is told from a real port by
// asking the UART itself (TIOCGSERIAL reports type PORT_UNKNOWN when nothing answers), which is
// what the serial driver knows and the device tree does not.
#include "SerialPortList.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <tuple>

namespace {

std::string Text(const char* value) { return value ? value : ""; }

// True when one of the device's ancestors is the driver's platform device for legacy ports.
bool UnderLegacyPlatformDevice(udev_device* device) {
    for (udev_device* up = udev_device_get_parent(device); up; up = udev_device_get_parent(up))
        if (std::strcmp(Text(udev_device_get_sysname(up)).c_str(), "serial8250") == 0) return true;
    return false;
}

// A legacy port is real when the UART answers. A port we may not open is taken as present:
// the user then learns from the open why it cannot be used.
bool LegacyPortAnswers(const std::string& node) {
    int fd = open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EACCES || errno == EBUSY;
    serial_struct info{};
    bool present = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    close(fd);
    return present;
}

std::string ByIdLink(udev_device* device) {
    static const std::string kPrefix = "/dev/serial/by-id/";
    for (udev_list_entry* e = udev_device_get_devlinks_list_entry(device); e;
         e = udev_list_entry_get_next(e)) {
        std::string link = Text(udev_list_entry_get_name(e));
        if (link.rfind(kPrefix, 0) == 0) return link;
    }
    return "";
}

// Vendor, product and serial number from the USB device the tty belongs to. The attributes of
// the USB device are read through udev, so this works without the udev database as well.
void FillUsbDetails(udev_device* device, TSerialPortInfo& port) {
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    if (!usb) return;
    port.Usb = true;
    port.VendorId = Text(udev_device_get_sysattr_value(usb, "idVendor"));
    port.ProductId = Text(udev_device_get_sysattr_value(usb, "idProduct"));
    port.Manufacturer = Text(udev_device_get_sysattr_value(usb, "manufacturer"));
    port.Product = Text(udev_device_get_sysattr_value(usb, "product"));
    port.SerialNumber = Text(udev_device_get_sysattr_value(usb, "serial"));
}

// "ttyS10" splits into ("ttyS", 10) so that names sort by number, not by text.
std::pair<std::string, long> NaturalKey(const std::string& device) {
    std::size_t digits = device.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(device[digits - 1]))) --digits;
    long number = digits < device.size() ? std::stol(device.substr(digits, 9)) : -1;
    return {device.substr(0, digits), number};
}

struct TUdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

}  // namespace

std::vector<TSerialPortInfo> ListSerialPorts() {
    std::vector<TSerialPortInfo> ports;
    std::unique_ptr<udev, TUdevDeleter> context(udev_new());
    if (!context) return ports;
    std::unique_ptr<udev_enumerate, TUdevDeleter> search(udev_enumerate_new(context.get()));
    if (!search) return ports;
    udev_enumerate_add_match_subsystem(search.get(), "tty");
    udev_enumerate_scan_devices(search.get());
    for (udev_list_entry* e = udev_enumerate_get_list_entry(search.get()); e;
         e = udev_list_entry_get_next(e)) {
        std::unique_ptr<udev_device, TUdevDeleter> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(e)));
        if (!device) continue;
        const char* node = udev_device_get_devnode(device.get());
        // Terminals without hardware (virtual consoles, ptmx) have no parent device.
        if (!node || !udev_device_get_parent(device.get())) continue;
        TSerialPortInfo port;
        port.Device = node;
        port.ById = ByIdLink(device.get());
        FillUsbDetails(device.get(), port);
        if (!port.Usb && UnderLegacyPlatformDevice(device.get()) && !LegacyPortAnswers(node))
            continue;
        ports.push_back(std::move(port));
    }
    SortSerialPorts(ports);
    return ports;
}

void SortSerialPorts(std::vector<TSerialPortInfo>& ports) {
    auto key = [](const TSerialPortInfo& p) {
        return std::make_tuple(p.Usb, p.Usb && p.ById.empty(), p.Usb ? p.ById : std::string(),
                               NaturalKey(p.Device));
    };
    std::stable_sort(
        ports.begin(), ports.end(),
        [&](const TSerialPortInfo& a, const TSerialPortInfo& b) { return key(a) < key(b); });
}

std::string DescribeSerialPort(const TSerialPortInfo& port) {
    std::string details;
    auto add = [&](const std::string& part) {
        if (part.empty()) return;
        if (!details.empty()) details += ' ';
        details += part;
    };
    add(port.Manufacturer);
    add(port.Product);
    if (!port.VendorId.empty()) add(port.VendorId + ":" + port.ProductId);
    add(port.SerialNumber);
    return details.empty() ? port.Device : port.Device + " (" + details + ")";
}
