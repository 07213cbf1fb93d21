// ESerialError: the error of the configuration transfer, raised with one of its messages when
// the port cannot be used, a message from the EEPROM programmer is wrong or missing, or the
// settings do not fit the EEPROM image.
#pragma once

#include "SystemError.h"

class ESerialError : public ESystemError {
public:
    using ESystemError::ESystemError;
};
