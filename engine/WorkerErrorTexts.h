// The texts shown for a worker's failure report: one table for the loader upload and one for
// the serial transfer. An empty text (a stop request) means that no message is shown.
#pragma once

#include "LoaderDialogue.h"
#include "TransferCodes.h"

// UTF-8 text of a loader error code, from the engine's text table; "" for a stop request.
const char* LoaderErrorText(TLoaderError code);

// UTF-8 text of a transfer error code, from the engine's text table; "" for a stop request.
const char* TransferErrorText(TransferError code);
