// The firmware upload pages' check whether a chosen file may be uploaded as firmware: raw
// images must be exactly 2 MiB; bound files and any other file are accepted as they are.
#pragma once

#include <string>

// Size of a raw firmware image (55 AA at its start).
constexpr long kRawFirmwareImageSize = 2097152;

bool IsValidFirmwareFile(const std::string& fileName);
