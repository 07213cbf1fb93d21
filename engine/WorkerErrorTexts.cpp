// Error code to message text for the loader upload and the serial transfer. Codes without a
// text of their own fall back to the general failure text, so every failure says something
// except a stop request.
#include "WorkerErrorTexts.h"

#include "EngineStrings.h"
#include "TransferCodes.h"

namespace {

// Loader error codes with a text of their own.
constexpr std::uint8_t kLoaderTimeout = 1;
constexpr std::uint8_t kLoaderFlashAccess = 4;
constexpr std::uint8_t kLoaderStopped = 5;
constexpr std::uint8_t kLoaderLineError = 6;
constexpr std::uint8_t kLoaderPortOpen = 7;
constexpr std::uint8_t kLoaderFileMissing = 17;

}  // namespace

const char* LoaderErrorText(std::uint8_t code) {
    using namespace EngineStrings;
    switch (code) {
        case kLoaderTimeout:
            return Timeout;
        case kLoaderFlashAccess:
            return FlashAccessError;
        case kLoaderStopped:
            return "";
        case kLoaderLineError:
            return SerialLineError;
        case kLoaderPortOpen:
            return SerialOpenFailed;
        case kLoaderFileMissing:
            return FileMissing;
        default:
            return OperationFailed;
    }
}

const char* TransferErrorText(std::uint8_t code) {
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
