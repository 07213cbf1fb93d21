// TFirmwareDialogue: the firmware loader's dialogue as it runs on the line: the greeting and
// mode selection, then the upload of a firmware image, the download of the flash into a file,
// or the BIOS update, each exactly as the loader expects it. It knows nothing of ports or
// threads: it sends, receives and reports through a TTransferLine. The transfer thread TThFupd
// gives it the serial port; the fuzzer gives it arbitrary loader answers.
//
// Every step returns a TransferError (0 success); the first failure ends the job with its code.
// A stop request seen after a step ends the job too (the caller reports it as 5).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "FirmwareFiles.h"
#include "TransferCodes.h"

// What the dialogue needs of the line.
// The firmware loader's dialogue on the line, as the loader understands it.
namespace FirmwareWire {
inline constexpr std::uint8_t Ack = '$';               // the loader's answer, block accepted
inline constexpr std::uint8_t FirmwareCommand = 'D';   // the greeting of a firmware transfer
inline constexpr std::uint8_t BiosCommand = 'B';       // the greeting of a BIOS update
inline constexpr std::uint8_t More = '#';              // download: send the next block
inline constexpr std::uint8_t BadBlock = '!';          // download: the block's checksum failed
inline constexpr std::uint8_t SelectPrefix[] = {0x01, 0x02};  // then upload or download
inline constexpr std::uint8_t SelectUpload = 0x01;
inline constexpr std::uint8_t SelectDownload = 0x00;
inline constexpr std::size_t InformationSize = 18;      // the loader's information block
inline constexpr std::size_t BiosInformationSize = 19;  // the same for the BIOS loader
inline constexpr std::size_t BlockSize = 1024;          // data blocks, each with a checksum
inline constexpr std::uint32_t GreetingPauseMs = 10;    // the greeting repeats this often
inline constexpr std::uint32_t BiosFlashBytes = 131072;  // the BIOS flash the loader writes
inline constexpr std::uint32_t BiosWriteStep = 1024;     // one "#" per this many written
inline constexpr std::uint32_t ReadReportStep = 4096;    // download progress reports
}  // namespace FirmwareWire

class TTransferLine {
public:
    virtual ~TTransferLine() = default;
    // The limit of every following send and receive, ms.
    virtual void SetTimeout(std::uint32_t milliseconds) = 0;
    // Drops every byte received so far.
    virtual void Discard() = 0;
    // TransferError of sending all bytes: 0, 1 (not out in time), 6 (line error).
    virtual TransferError Send(const std::uint8_t* data, std::size_t size) = 0;
    // TransferError of receiving exactly size bytes: 0, 1 (not there in time), 6 (line error);
    // 0 with nothing taken when a stop is requested.
    virtual TransferError Receive(std::uint8_t* data, std::size_t size) = 0;
    // True when at least one received byte is waiting.
    virtual bool Pending() = 0;
    virtual bool Stopped() = 0;
    // Sleeps (ends early on a stop request).
    virtual void Pause(std::uint32_t milliseconds) = 0;
    // A report: status with the current percent, done and total bytes.
    virtual void Report(TransferStatus status, std::int32_t percent, std::int32_t doneBytes,
                        std::int32_t totalBytes) = 0;
};

// Time limits of the dialogue's steps, ms.
struct TTransferTimeouts {
    std::uint32_t Greeting = 120000;  // each step of the greeting, and the greeting as a whole
    std::uint32_t Command = 10000;    // mode selection, firmware upload and download
    std::uint32_t Bios = 5000;        // every step of the BIOS update
};

// TransferMode.
enum TTransferMode : std::uint8_t { tmUpload = 0, tmDownload = 1, tmBios = 2 };

class TFirmwareDialogue {
public:
    TFirmwareDialogue(TTransferLine& line, const TTransferTimeouts& timeouts);

    // Greets the loader, selects the job by mode and runs it on fileName.
    TransferError RunExchange(TTransferMode mode, const std::string& fileName);

    // The free-space query of a download (tests replace it).
    TFreeSpaceQuery FreeSpace;

    // The values of the last report; a report changes only the ones it names.
    std::int32_t Percent = 0;
    std::int32_t DoneBytes = 0;
    std::int32_t TotalBytes = 0;

private:
    TransferError Greet(std::uint8_t command);
    TransferError UploadFirmware(const std::string& fileName);
    TransferError DownloadFirmware(const std::string& fileName);
    TransferError UpdateBios(const std::string& fileName);

    TransferError ReadAck();
    TransferError SendByte(std::uint8_t byte) { return line_.Send(&byte, 1); }
    TransferError SendWord(std::uint16_t value);
    TransferError ReceiveWord(std::uint16_t& value);
    // True when the job must end: a failed step, or a stop request.
    bool Ends(TransferError code) { return code != teNone || line_.Stopped(); }
    void Report(TransferStatus status);

    TTransferLine& line_;
    TTransferTimeouts timeouts_;
};
