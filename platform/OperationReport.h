// How an operation tells its progress: typed events, one interface for every front end. The
// wizard's status page is one adapter of it (TStatusPageReport in the engine: the status line,
// the two byte counts and the gauge, written exactly as the page shows them); tivra-cli's
// views are another. Nothing reads a number or a phase back out of a text.
#pragma once

#include <string>

// Result of every operation: 0 finished, 1 error, 2 cancelled.
enum OperationResult : int { orDone = 0, orError = 1, orCancelled = 2 };

// The phases of the operations, each with the status line the status page shows for it.
enum class TPhase {
    Connecting,     // "接続要求中．．．"
    Preparing,      // the loader goes to the access point: "準備中"
    Prepared,       // "準備完了"
    Communicating,  // "通信しています．．．"
    Examining,      // "調査中です．．．"
    Sending,        // "送信しています．．．"
    Erasing,        // "消去しています．．．"
    Writing,        // "書き込み中です．．．"
    Reading,        // "読み込み中です．．．"
    CreatingFile,   // "ファイルを作成中です．．．"
    Finished,       // the operation's last line: "終了しました"
    Failed,         // the operation's last line: "エラーが発生しました"
    Cancelled,      // the operation's last line: "キャンセルしました"
};

// What the person at the access point is asked to do while the operation waits for it.
enum class TPrompt {
    PowerOn,  // "アクセスポイントの電源をONにしてください" (the wizard's status line)
};

// Whether the phase is an operation's last (the result follows it).
inline bool IsFinalPhase(TPhase phase) {
    return phase == TPhase::Finished || phase == TPhase::Failed || phase == TPhase::Cancelled;
}

class TOperationReport {
public:
    virtual ~TOperationReport() = default;
    // A new phase began.
    virtual void Phase(TPhase phase) = 0;
    // The bytes the phase moves in all, and those moved so far.
    virtual void Total(double bytes) = 0;
    virtual void Done(double bytes) = 0;
    // The gauge, 0 to 100; Shown makes it visible first (the serial operations hide it until
    // the loader goes out).
    virtual void Percent(int percent) = 0;
    virtual void GaugeShown() {}
    // A request to the person at the access point.
    virtual void Prompt(TPrompt prompt) = 0;
    // A status line of the front end's own (the filter write-back's preparation), Shift_JIS.
    virtual void OtherPhase(const std::string& sjis) = 0;
    // The operation ended, with its result and, for an error, the reason the system gave
    // where one is known (UTF-8, empty otherwise). The status page shows the final phase.
    virtual void Result(OperationResult /*result*/, const std::string& /*cause*/) {}
};
