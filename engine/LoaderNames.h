// The loader programs the serial operations hand to the access point's boot code, by file name
// in the loader folder (the program's data folder unless a front end names another), with what
// each is for. The operations and tivra-cli doctor share this list.
#pragma once

inline constexpr char kFirmwareLoader[] = "orbaflwr.com";  // firmware upload and download
inline constexpr char kBiosLoader[] = "nvbioupd.com";      // BIOS update
inline constexpr char kSetupLoader[] = "ror8019.com";      // Ethernet controller settings

struct TLoaderProgram {
    const char* FileName;
    const char* Purpose;  // the operations that need it, for people
};

inline constexpr TLoaderProgram kLoaderPrograms[] = {
    {kFirmwareLoader, "serial-upload, serial-download, verify --port"},
    {kBiosLoader, "bios"},
    {kSetupLoader, "mac"},
};
