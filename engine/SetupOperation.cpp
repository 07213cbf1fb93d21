// The MAC address setting over the serial port: the EEPROM programmer loader goes to the boot
// code, then the Ethernet controller setup dialog takes over (settings, transfer to the
// programmer, address increment, saving). The operation is done only when the programmer
// confirmed every step: a failed step ends it as an error, a transfer dialog closed early or a
// declined setup as cancelled. An error of the transfer (the port cannot be used, settings
// that cannot be converted) leaves the operation for the wizard to show.
#include "EngineStrings.h"
#include "LoaderNames.h"
#include "NavrilDataModule.h"
#include "Setup8019.h"

int TnavrilDataModule::SetMacAddressBySerial(const std::string& portName,
                                             TEditControl& totalSizeEdit,
                                             TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                                             TLabelControl& statusLabel) {
    // Declining leaves the previous status text in place.
    if (!Confirmed(EngineStrings::ConfirmPowerOff)) return Ended(orCancelled);
    BeginReport(totalSizeEdit, proceedSizeEdit, gauge, statusLabel);
    if (!SendLoader(portName, kSetupLoader)) return Ended(SerialOperationFailed());
    if (Dlg8019Setup == nullptr) return Ended(SerialOperationFailed());
    const int result = Dlg8019Setup->ExecuteSetup(true);
    if (result == TSetup8019::ResultOk) {
        SetPhase(TPhase::Finished, TCursor::Default);
        return Ended(orDone);
    }
    if (result == TSetup8019::ResultTransferFailed) {
        SetPhase(TPhase::Failed, TCursor::Default);
        return Ended(orError);
    }
    SetPhase(TPhase::Cancelled, TCursor::Default);
    return Ended(orCancelled);
}
