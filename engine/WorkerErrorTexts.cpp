// Error code to message text for the loader upload and the serial transfer. Codes without a
// text of their own fall back to the general failure text, so every failure says something
// except a stop request.
#include "WorkerErrorTexts.h"

#include "EngineStrings.h"

const char* LoaderErrorText(TLoaderError code) {
    using namespace EngineStrings;
    switch (code) {
        case leTimeout:
            return Timeout;
        case leFlashAccess:
            return FlashAccessError;
        case leCancelled:
            return "";
        case leReadFailed:
            return SerialLineError;
        case lePortOpenFailed:
            return SerialOpenFailed;
        case leFileMissing:
            return FileMissing;
        default:
            return OperationFailed;
    }
}

const char* TransferErrorText(TransferError code) {
    using namespace EngineStrings;
    switch (code) {
        case teTimeout:
            return Timeout;
        case teRefusedHash:
            return OperationFailed1;
        case teRefusedPercent:
            return OperationFailed2;
        case teFlashAccess:
            return FlashAccessError;
        case teStopped:
            return "";
        case teLineError:
            return SerialLineError;
        case tePortOpen:
            return SerialOpenFailed;
        case teDiskFull:
            return DiskFull;
        case teFileShort:
            return FileReadError;
        case teFileWrite:
            return FileWriteError;
        case teBadBiosFile:
            return InvalidFile;
        default:
            return OperationFailed;
    }
}
