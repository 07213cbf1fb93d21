// OperationKind: the wizard's seven operations, numbered as the first page lists them
// internally (only 1, 3, 4 and 7 are offered to the user).
#pragma once

enum class OperationKind : int {
    UploadNet = 1,       // firmware upload over the network
    DownloadNet = 2,     // firmware download over the network
    UploadSerial = 3,    // firmware upload over the serial port
    DownloadSerial = 4,  // firmware download over the serial port
    SetMacAddress = 5,   // MAC address setting over the serial port
    UpdateBios = 6,      // BIOS update over the serial port
    MacFilter = 7,       // MAC address filter setting
};
