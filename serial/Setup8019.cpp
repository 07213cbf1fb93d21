// TSetup8019: the order of one setup run.
#include "Setup8019.h"

#include "FileError.h"
#include "MacAddressRules.h"
#include "SerialError.h"
#include "SerialStrings.h"

int TSetup8019::ExecuteSetup(bool showAdvanced, TSetup8019Views& views) {
    LoadConfig8019(Location, Config, Options);
    int result = views.ShowSetupDialog(Config, Options, showAdvanced);
    if (result != ResultOk) return result;
    const TConfigTransferEnd end = views.RunTransferDialog(Config);
    if (Options.AutoInc) Config.MACID = IncrementMacAddress(Config.MACID, Options.NDIS);
    try {
        SaveConfig8019(Location, Config, Options);
    } catch (const EFileError& error) {
        throw ESystemError(SerialText(SerialStrings::SaveFailed) + "\r" + error.SystemText());
    }
    switch (end) {
        case TConfigTransferEnd::Completed:
            return ResultOk;
        case TConfigTransferEnd::Failed:
            return ResultTransferFailed;
        default:
            return ResultTransferStopped;
    }
}
