// The MAC address setting over the serial port: the EEPROM programmer loader goes to the boot
// code, then the Ethernet controller setup dialog takes over (settings, transfer to the
// programmer, address increment, saving). Its result only says whether the user confirmed
// the settings; an error of the transfer (the port cannot be used, settings that cannot be
// converted) leaves the operation for the wizard to show.
#include "EngineStrings.h"
#include "NavrilDataModule.h"
#include "Setup8019.h"

namespace {

constexpr char kSetupLoader[] = "ror8019.com";

}  // namespace

int TnavrilDataModule::SetMacAddressBySerial(const std::string& portName,
                                             TEditControl& totalSizeEdit,
                                             TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                             TLabelControl& statusLabel) {
    // Declining leaves the previous status text in place.
    if (!Confirmed(EngineStrings::ConfirmPowerOff)) return orCancelled;
    StoreControls(totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
    if (!SendLoader(portName, kSetupLoader, statusLabel)) return SerialOperationFailed(statusLabel);
    if (Dlg8019Setup == nullptr) return SerialOperationFailed(statusLabel);
    if (Dlg8019Setup->ExecuteSetup(true) == TSetup8019::ResultOk) {
        SetStatusText(EngineText(EngineStrings::Finished), TCursor::Default, statusLabel);
        return orDone;
    }
    SetStatusText(EngineText(EngineStrings::Cancelled), TCursor::Default, statusLabel);
    return orCancelled;
}
