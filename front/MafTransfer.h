// The MAC address filter's transfer to and from the access point, without widgets.
//
// TMafFetch reads the filter list from the access point's "read_maf.cgi" page with its HTTP
// component GetMafSettingHTTPGet, waiting up to about ten seconds while the caller's messages
// keep being processed. A request that is still running when the wait ends is not started a
// second time: the next fetch takes its completion as its own.
//
// WriteBackMafText sends filter text lines back: after the user's OK it writes MAF.TXT
// (EUC-JP, LF) and binds it into MAF.DAT in a private temporary folder, asks the access point
// to expect an update, pauses, streams MAF.DAT to its port 8765 and removes the folder again
// whatever happened.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "HttpGet.h"
#include "OperationReport.h"
#include "OperationRunner.h"
#include "StatusControls.h"

enum class TMafFetchState { Idle = 0, Fetching = 1, Done = 2, Failed = 3 };

class TMafFetch {
public:
    TMafFetch();
    TMafFetch(const TMafFetch&) = delete;
    TMafFetch& operator=(const TMafFetch&) = delete;

    // Reads the filter text lines (Shift_JIS) of the access point at address, as typed, into
    // lines. False, with lines left as they were, on a failure, an empty or refused reply, or
    // no reply within the wait.
    bool FetchMafList(const std::string& address, const std::string& userName,
                      const std::string& password, std::vector<std::string>& lines);

    // The component's events.
    void GetMafSettingHTTPGetDoneString(THTTPGet* sender, const std::string& result);
    void GetMafSettingHTTPGetError(THTTPGet* sender);

    THTTPGet GetMafSettingHTTPGet;
    TMafFetchState MafFetchState = TMafFetchState::Idle;
    // The body of the last accepted reply (EUC-JP).
    std::string MafReplyText;
    // How long a fetch waits for the reply: 101 passes of 100 ms.
    int WaitLimitMs = 10100;
    // Why the last fetch failed, for the person (UTF-8); empty after a success.
    std::string FailureCause;
    // True when the last fetch ended in the access point's refusal of the login (401).
    bool Refused() const { return refused_; }
    // The status line of the connection page (Shift_JIS); may be empty.
    std::function<void(const std::string& text)> OnStatusText;

private:
    void ShowStatus(const std::string& text);
    // Why the fetch that just ended failed.
    std::string FetchFailure(const std::string& address) const;
    bool refused_ = false;  // the last reply was a refused login
};

// Where the list goes and who may write it: the connection page's values as typed.
struct TMafWriteBack {
    std::string Address;
    std::string UserName;
    std::string Password;
    // The pause between the update request and the file stream, and how it is waited (a
    // plain sleep when not set; a front end may wake from it for a cancel request).
    int PauseMs = 2000;
    std::function<void(int milliseconds)> Pause;
    // A front end's listener for the write-back's own status line (the preparation); the
    // file send reports through the operation's own report.
    TOperationReport* Listener = nullptr;
};

// Writes filter text lines (already checked) back to the access point and returns the
// OperationResult: 2 when the user does not answer OK, the file send's result otherwise, 1
// when a file cannot be written or anything else fails. After a failure, *failureCause (when
// given) tells why (UTF-8).
int WriteBackMafText(const std::vector<std::string>& lines, const TMafWriteBack& target,
                     TOperationRunner& runner, TDialogs& dialogs, TEditControl& totalSizeEdit,
                     TEditControl& proceedSizeEdit, TGaugeControl& gauge,
                     TLabelControl& statusLabel, std::string* failureCause = nullptr);
