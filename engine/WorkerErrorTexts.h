// The texts shown for a worker's failure report: one table for the loader upload and one for
// the serial transfer. An empty text (a stop request) means that no message is shown.
#pragma once

#include <cstdint>

// UTF-8 text of a loader error code, from the engine's text table; "" for a stop request.
const char* LoaderErrorText(std::uint8_t code);

// UTF-8 text of a transfer error code, from the engine's text table; "" for a stop request.
const char* TransferErrorText(std::uint8_t code);
