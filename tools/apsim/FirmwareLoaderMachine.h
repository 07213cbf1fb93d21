// TFirmwareLoaderMachine: the firmware loader the boot code runs after the loader upload, as a
// byte machine without line or thread. It greets the host ("$" to the first "D" or "B"), then
// serves one job: the firmware upload (flash capacity, "#" per erased 64 KiB sector, blocks
// with checksums, the end marker), the firmware download (the announced size in 32 KiB units,
// 1024-byte blocks with checksums, "#" for more, "$" at the end, "!" from a host that refused a
// block) or the BIOS update (an information block, blocks answered "$" or "%" for a resend,
// then erase and "#" per written KiB). Faults replay what a real access point can do wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BootCode.h"

enum class TLoaderFault {
    None,
    Bang,         // "!" in place of reply FaultAt
    Hash,         // "#" in place of reply FaultAt
    Silence,      // no reply from reply FaultAt on
    BadChecksum,  // download block FaultAt carries a wrong checksum
    Percent,      // BIOS block FaultAt is answered "%" once (and accepted when sent again)
    DropLine,     // the line drops once FaultAt image bytes went over it
};

struct TFirmwareLoaderConfig {
    std::uint16_t CapacityUnits = 64;  // flash size in 32 KiB units (2 MiB)
    std::string Flash;                 // what a download reads (the generated image when empty)
    int AnnouncedUnits = -1;           // download size to announce; -1: the flash's size
    TLoaderFault Fault = TLoaderFault::None;
    int FaultAt = 0;
};

// Parses "bang", "hash", "silence", "bad-checksum", "percent" or "drop".
bool ParseLoaderFault(const std::string& text, TLoaderFault& fault);

class TFirmwareLoaderMachine : public TLoaderProgram {
public:
    enum class TPhase {
        Greeting,
        AwaitStart,
        Select,
        UploadUnits,
        UploadLength,
        UploadData,
        DownloadUnits,
        DownloadReply,
        BiosStart,
        BiosLength,
        BiosData,
        BiosChecksum,
        BiosFinal,
        Done,
        Failed
    };

    explicit TFirmwareLoaderMachine(TFirmwareLoaderConfig config = {});

    std::vector<std::uint8_t> Feed(const std::uint8_t* data, std::size_t size) override;
    bool Ended() const override { return phase_ == TPhase::Done || phase_ == TPhase::Failed; }
    bool DropLine() const override { return drop_; }

    TPhase Phase() const { return phase_; }
    // The job the host chose: 'U' upload, 'D' download, 'B' BIOS, 0 none yet.
    char Job() const { return job_; }
    // Upload: the image written to the flash; BIOS: the BIOS data accepted.
    const std::vector<std::uint8_t>& Written() const { return written_; }
    // The image a download sends.
    const std::string& Flash() const { return config_.Flash; }
    const std::string& Failure() const { return failure_; }
    // Units the host asked to erase, and the count it sent back for a download.
    int RequestedUnits() const { return requested_; }

private:
    void Take(std::uint8_t byte, std::vector<std::uint8_t>& out);
    void Reply(std::uint8_t byte, std::vector<std::uint8_t>& out);
    void Fail(const std::string& why, std::uint8_t answer, std::vector<std::uint8_t>& out);
    void SendWord(std::uint16_t value, std::vector<std::uint8_t>& out);
    void SendDownloadBlock(std::vector<std::uint8_t>& out);
    void CountImageBytes(std::size_t n);
    bool Collect(std::uint8_t byte, std::size_t size);

    TFirmwareLoaderConfig config_;
    TPhase phase_ = TPhase::Greeting;
    char job_ = 0;
    std::uint8_t command_ = 0;
    int replies_ = 0;
    bool silent_ = false;
    bool drop_ = false;
    bool percentDone_ = false;
    std::uint64_t imageBytes_ = 0;
    std::vector<std::uint8_t> pending_;  // bytes of the field being received
    std::size_t blockLength_ = 0;
    int blockIndex_ = 0;
    int requested_ = -1;
    std::uint32_t downloadTotal_ = 0;
    std::uint32_t downloadSent_ = 0;
    std::vector<std::uint8_t> written_;
    std::string failure_;
};

// The simulator's loader programs, told apart by the first bytes of the uploaded loader: a
// loader that begins with FirmwareLoaderMagic runs the firmware loader (with config), one that
// begins with EepromProgrammerMagic the EEPROM programmer. Further programs add an entry here.
inline constexpr char FirmwareLoaderMagic[] = "TIVRA-APSIM FIRMWARE LOADER";
inline constexpr char EepromProgrammerMagic[] = "TIVRA-APSIM EEPROM PROGRAMMER";
TBootCodeSim::TProgramChooser SimulatedLoaderPrograms(const TFirmwareLoaderConfig& config);
// What the firmware loader running on bootCode has written to its flash so far ("" when no
// firmware loader runs).
std::string FirmwareLoaderWritten(TBootCodeSim& bootCode);
// A loader file the simulator runs as its firmware loader (for the demo and the tests).
std::string SimulatedFirmwareLoaderFile();
// A loader file the simulator runs as its EEPROM programmer (install it as ror8019.com).
std::string SimulatedEepromProgrammerFile();
