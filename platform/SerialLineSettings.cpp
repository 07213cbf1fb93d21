// Line settings of the serial device on termios: the "COMn" names and their devices, the
// settings record to and from termios, the bit rates termios knows. No terminal is needed for
// any of it, so the translation is tested on plain termios records.
#include <termios.h>

#include <cctype>
#include <cerrno>

#include "ComPortMap.h"
#include "SerialDevice.h"

namespace {

struct TBaud {
    std::uint32_t rate;
    speed_t constant;
};

constexpr TBaud kBauds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// "COM" followed by a number 1..256, in any letter case; the number is returned.
bool ParseComName(const std::string& name, unsigned& number) {
    if (name.size() < 4 || name.size() > 6) return false;
    if (std::tolower(static_cast<unsigned char>(name[0])) != 'c' ||
        std::tolower(static_cast<unsigned char>(name[1])) != 'o' ||
        std::tolower(static_cast<unsigned char>(name[2])) != 'm')
        return false;
    unsigned value = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
        value = value * 10 + static_cast<unsigned>(name[i] - '0');
    }
    if (value < 1 || value > 256) return false;
    number = value;
    return true;
}

}  // namespace

// Raw byte transfer: no line editing, no echo, no translation, reads return what is there.
void MakeRawTermios(termios& t) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    // VMIN 1 keeps a non-blocking read of an empty queue at EAGAIN, so that a read of 0 bytes
    // means only one thing: the device went away.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

unsigned DcbControlField(std::uint32_t flags, unsigned shift) { return (flags >> shift) & 3u; }

std::string SerialDevicePath(const std::string& portName) {
    std::string name = portName;
    if (name.rfind("\\\\.\\", 0) == 0) name = name.substr(4);
    if (name.empty()) return "";
    if (name[0] == '/') return name;
    unsigned number = 0;
    if (ParseComName(name, number)) return MapComPort(number).Device;
    return "/dev/" + name;
}

std::optional<speed_t> BaudConstant(std::uint32_t bitsPerSecond) {
    for (const TBaud& baud : kBauds)
        if (baud.rate == bitsPerSecond) return baud.constant;
    return std::nullopt;
}

bool CommStateToTermios(const TCommState& dcb, termios& t) {
    std::optional<speed_t> speed = BaudConstant(dcb.BaudRate);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    bool valid = speed && dcb.ByteSize >= 5 && dcb.ByteSize <= 8 && dcb.Parity <= TParity::Space &&
                 dcb.StopBits <= TStopBits::Two &&
                 !(dcb.StopBits == TStopBits::OnePointFive && dcb.ByteSize != 5) &&
                 !(dcb.StopBits == TStopBits::Two && dcb.ByteSize == 5);
    if (!valid) {
        errno = EINVAL;
        return false;
    }
    MakeRawTermios(t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= kSizes[dcb.ByteSize - 5];
    switch (dcb.Parity) {
        case TParity::Odd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case TParity::Even:
            t.c_cflag |= PARENB;
            break;
        case TParity::Mark:
            t.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case TParity::Space:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    // One stop bit, or CSTOPB: two stop bits, which the UART sends as 1.5 for 5-bit characters.
    if (dcb.StopBits != TStopBits::One) t.c_cflag |= CSTOPB;
    if (dcb.Flags & DcbFlags::Parity) t.c_iflag |= INPCK;
    if ((dcb.Flags & DcbFlags::OutxCtsFlow) ||
        DcbControlField(dcb.Flags, DcbFlags::RtsControlShift) == 2)
        t.c_cflag |= CRTSCTS;
    if (dcb.Flags & DcbFlags::OutX) t.c_iflag |= IXON;
    if (dcb.Flags & DcbFlags::InX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    cfsetispeed(&t, *speed);
    cfsetospeed(&t, *speed);
    return true;
}

TCommState CommStateFromTermios(const termios& t) {
    TCommState dcb;
    dcb.BaudRate = 0;
    speed_t speed = cfgetospeed(&t);
    for (const TBaud& baud : kBauds)
        if (baud.constant == speed) dcb.BaudRate = baud.rate;
    switch (t.c_cflag & CSIZE) {
        case CS5:
            dcb.ByteSize = 5;
            break;
        case CS6:
            dcb.ByteSize = 6;
            break;
        case CS7:
            dcb.ByteSize = 7;
            break;
        default:
            dcb.ByteSize = 8;
            break;
    }
    if (!(t.c_cflag & PARENB))
        dcb.Parity = TParity::None;
    else if (t.c_cflag & CMSPAR)
        dcb.Parity = (t.c_cflag & PARODD) ? TParity::Mark : TParity::Space;
    else
        dcb.Parity = (t.c_cflag & PARODD) ? TParity::Odd : TParity::Even;
    if (t.c_cflag & CSTOPB)
        dcb.StopBits = dcb.ByteSize == 5 ? TStopBits::OnePointFive : TStopBits::Two;
    else
        dcb.StopBits = TStopBits::One;
    std::uint32_t flags = DcbFlags::Binary | (1u << DcbFlags::DtrControlShift);
    if (t.c_iflag & INPCK) flags |= DcbFlags::Parity;
    if (t.c_cflag & CRTSCTS)
        flags |= DcbFlags::OutxCtsFlow | (2u << DcbFlags::RtsControlShift);
    else
        flags |= 1u << DcbFlags::RtsControlShift;
    if (t.c_iflag & IXON) flags |= DcbFlags::OutX;
    if (t.c_iflag & IXOFF) flags |= DcbFlags::InX;
    dcb.Flags = flags;
    dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return dcb;
}
