// TConfigTransfer: the exchange with the EEPROM programmer loader that writes the controller
// configuration. The access point drives it: the PC opens the port at 4800 bit/s, 8 data bits,
// 2 stop bits, raises DTR and then only answers. Each three-byte message advances one step:
// "PGW" (connected) is answered "O" and the image packet, "PRV" (received), "PWT" (written)
// and "PVR" (verified) are answered "O". The steps run in the port's OnPACKET handler on the
// serial event thread; a wrong or missing message stops the transfer at that step for good.
// The transfer reports to a view (the dialog, or a command-line front end) and never lets an
// error escape the event thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "Config8019.h"
#include "EepromImage.h"

class Trs232c;

// What the transfer shows. Called on the serial event thread: a view with widgets hands each
// call over to its own thread.
class TConfigTransferView {
public:
    virtual ~TConfigTransferView() = default;
    // Before the port is opened: no step done, "実行中...", OK disabled.
    virtual void TransferStarted() = 0;
    // Step 1 to 4 has completed (its tick).
    virtual void StepDone(int step) = 0;
    // Step 1 to 4 failed with the message (Shift_JIS); no later step will run.
    virtual void StepFailed(int step, const std::string& message) = 0;
    // All four steps are done: "設定が完了しました。", OK enabled.
    virtual void TransferCompleted() = 0;
};

class TConfigTransfer {
public:
    TConfigTransfer(Trs232c& port, TConfigTransferView& view);
    ~TConfigTransfer();
    TConfigTransfer(const TConfigTransfer&) = delete;
    TConfigTransfer& operator=(const TConfigTransfer&) = delete;

    // 0 waiting for the connection message, 1 image sent, 2 reception confirmed, 3 writing
    // confirmed, 4 verification confirmed.
    std::uint8_t TransferStep() const { return step_; }
    // True once a step has failed.
    bool Failed() const { return failed_; }
    const TEepromImage& EepromImage() const { return image_; }

    // Builds the image, opens the port and raises DTR, runs waitUntilClosed (the modal dialog,
    // or a front end's wait), then lowers DTR and closes the port, also when waitUntilClosed
    // raises. Raises the builder's errors before the port is opened, and ESerialError
    // "シリアルポートが使用できません。" when the port cannot be opened.
    void RunConfigTransfer(const TConfig8019& config, const std::function<void()>& waitUntilClosed);

    // The OnPACKET handler: one step per call.
    void OnConfigPacket(void* sender);

private:
    void ConnectionStep();
    // Reads the three bytes of the next message and checks them against `expected`.
    void ExpectMessage(const char* expected);
    void ClosePort();

    Trs232c& port_;
    TConfigTransferView& view_;
    TEepromImage image_;
    std::atomic<std::uint8_t> step_{0};
    std::atomic<bool> failed_{false};
};
