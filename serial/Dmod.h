// TDmod: the serial data module, one instance created at program start. It owns the one serial
// port component rs232c1 that every serial activity (loader upload, firmware and BIOS transfer,
// EEPROM programming) opens and closes in turn.
#pragma once

#include "Rs232c.h"

class TDmod {
public:
    TDmod() = default;
    TDmod(const TDmod&) = delete;
    TDmod& operator=(const TDmod&) = delete;

    // The serial port component shared by every serial activity.
    Trs232c rs232c1;
};
