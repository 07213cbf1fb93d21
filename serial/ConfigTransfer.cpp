// TConfigTransfer: port settings, the four steps and their messages.
#include "ConfigTransfer.h"

#include <cstring>

#include "Rs232c.h"
#include "SerialError.h"
#include "SerialStrings.h"

namespace {

// The packet is assembled in a buffer of this size: word count, checksum, image.
constexpr int kPacketBuffer = 512;
constexpr std::uint8_t kAnswer = 'O';
constexpr int kMessageLength = 3;

// The open port as the steps' line.
class TPortLine : public TConfigLine {
public:
    explicit TPortLine(Trs232c& port) : port_(port) {}
    int InQueueCount() override { return port_.InQueueCount(); }
    bool Read(void* buffer, int count) override { return port_.Read(buffer, count); }
    bool WriteByte(std::uint8_t byte) override { return port_.WriteByte(byte); }
    bool Write(const void* buffer, int count) override { return port_.Write(buffer, count); }

private:
    Trs232c& port_;
};

}  // namespace

TConfigTransfer::TConfigTransfer(Trs232c& port, TConfigTransferView& view)
    : port_(port), view_(view) {}

TConfigTransfer::~TConfigTransfer() { ClosePort(); }

TConfigTransferEnd TConfigTransfer::RunConfigTransfer(
    const TConfig8019& config, const std::function<void()>& waitUntilClosed) {
    PrepareConfigTransfer(config);
    port_.bps = 4800;
    port_.charbit = 8;
    port_.flowflag = 1;
    port_.readinterval = 0;
    port_.paritymode = ParityWordNone;
    port_.txtimeout = 0;
    port_.rxtimeout = 0;
    port_.stopbit = "2";
    port_.OnRXCHAR = nullptr;
    port_.OnPACKET = [this](void* sender) { OnConfigPacket(sender); };
    port_.rxbuffsize = 1024;
    port_.packetsize = kMessageLength;
    if (!port_.Open()) {
        port_.OnPACKET = nullptr;
        port_.packetsize = 0;
        throw ESerialError(SerialText(SerialStrings::PortUnavailable));
    }
    port_.SetDTR(true);
    try {
        waitUntilClosed();
    } catch (...) {
        ClosePort();
        throw;
    }
    ClosePort();
    return End();
}

void TConfigTransfer::PrepareConfigTransfer(const TConfig8019& config) {
    image_ = BuildEepromImage(config);
    step_ = 0;
    failed_ = false;
    view_.TransferStarted();
}

void TConfigTransfer::ClosePort() {
    if (port_.IsOpen()) {
        port_.SetDTR(false);
        port_.Close();
    }
    port_.OnPACKET = nullptr;
    port_.packetsize = 0;
}

void TConfigTransfer::OnConfigPacket(void* /*sender*/) {
    TPortLine line(port_);
    ConfigStep(line);
}

void TConfigTransfer::ConfigStep(TConfigLine& line) {
    if (failed_) return;
    const int step = step_;
    try {
        switch (step) {
            case 0:
                ConnectionStep(line);
                break;
            case 1:
                ExpectMessage(line, "PRV");
                break;
            case 2:
                ExpectMessage(line, "PWT");
                break;
            case 3:
                ExpectMessage(line, "PVR");
                break;
            default:
                return;
        }
    } catch (const ESystemError& error) {
        failed_ = true;
        view_.StepFailed(step + 1, error.Message());
        return;
    } catch (...) {
        // Nothing may leave the event thread; any other failure stops the transfer as well.
        failed_ = true;
        view_.StepFailed(step + 1, SerialText(SerialStrings::LineError));
        return;
    }
    if (step > 0) {
        // The step counts as done before the view or the programmer hears of it, so that
        // whoever reacts to either finds TransferStep already advanced.
        step_ = static_cast<std::uint8_t>(step + 1);
        view_.StepDone(step + 1);
        line.WriteByte(kAnswer);
    }
    if (step_ == 4) view_.TransferCompleted();
}

void TConfigTransfer::ConnectionStep(TConfigLine& line) {
    if (2 * image_.WordCount > kPacketBuffer - 3)
        throw ESerialError(SerialText(SerialStrings::DataTooLong));
    ExpectMessage(line, "PGW");
    std::vector<std::uint8_t> packet = BuildConfigPacket(image_);
    step_ = 1;
    view_.StepDone(1);
    line.WriteByte(kAnswer);
    line.Write(packet.data(), static_cast<int>(packet.size()));
}

void TConfigTransfer::ExpectMessage(TConfigLine& line, const char* expected) {
    char message[kMessageLength] = {};
    if (line.InQueueCount() < kMessageLength || !line.Read(message, kMessageLength) ||
        std::memcmp(message, expected, kMessageLength) != 0)
        throw ESerialError(SerialText(SerialStrings::LineError));
}
