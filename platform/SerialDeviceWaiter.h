// The serial device's sleeping thread, for the device's own files: its eventfd, registered
// with the device while it exists.
#pragma once

#include <unistd.h>

#include <algorithm>

#include "SerialDevice.h"

// Created and destroyed with the device's mutex held.
struct TSerialDevice::TWaiter {
    explicit TWaiter(TSerialDevice& device) : device(device) {}
    ~TWaiter() {
        if (efd < 0) return;
        auto& list = device.waiters_;
        list.erase(std::remove(list.begin(), list.end(), efd), list.end());
        close(efd);
    }
    TWaiter(const TWaiter&) = delete;
    TWaiter& operator=(const TWaiter&) = delete;

    TSerialDevice& device;
    int efd = -1;
};
