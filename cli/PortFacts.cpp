// Facts about a serial port from stat, access and the udev list; nothing is opened.
#include "PortFacts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "ProgressView.h"

const char* ComSourceName(TComSource source) {
    switch (source) {
        case TComSource::Variable:
            return "variable";
        case TComSource::Settings:
            return "settings";
        case TComSource::Present:
            return "present";
        case TComSource::None:
            break;
    }
    return "none";
}

std::string PortUsability(const std::string& device, int& error) {
    struct stat status {};
    error = 0;
    if (device.empty()) {
        error = ENODEV;
        return "no device";
    }
    if (stat(device.c_str(), &status) != 0) {
        error = errno;
        return errno == EACCES ? "no permission" : "missing";
    }
    if (!S_ISCHR(status.st_mode)) {
        error = ENOTTY;
        return "not a terminal device";
    }
    if (access(device.c_str(), R_OK | W_OK) != 0) {
        error = EACCES;
        return "no permission";
    }
    return "usable";
}

const TSerialPortInfo* PresentPort(const std::string& device,
                                   const std::vector<TSerialPortInfo>& present) {
    for (const TSerialPortInfo& port : present) {
        if (device == port.Device || (!port.ById.empty() && device == port.ById)) return &port;
    }
    return nullptr;
}

std::string PortIdentityMembers(const TSerialPortInfo* info) {
    if (!info) return std::string();
    std::string fields =
        ",\"by_id\":" + JsonString(info->ById) + ",\"usb\":" + (info->Usb ? "true" : "false");
    if (info->Usb) {
        fields += ",\"vendor_id\":" + JsonString(info->VendorId) +
                  ",\"product_id\":" + JsonString(info->ProductId) +
                  ",\"manufacturer\":" + JsonString(info->Manufacturer) +
                  ",\"product\":" + JsonString(info->Product) +
                  ",\"serial\":" + JsonString(info->SerialNumber);
    }
    return fields;
}
