// The operations engine's user-visible texts: status lines, questions and error messages, kept
// in one table exactly as the user sees them. They are written here in UTF-8; EngineText turns
// one into the Shift_JIS bytes that the status controls and dialogs take.
#pragma once

#include <string>

#include "Cp932.h"

namespace EngineStrings {

// Questions.
inline constexpr char ConfirmPowerOff[] =
    "アクセスポイントの電源が切れていることを確認してください";
inline constexpr char ConfirmFirmwareUpdate[] = "ファームウェアを更新します";
inline constexpr char ConfirmFirmwareDownload[] = "ファームウェアをダウンロードします";

// Status lines of the operations.
inline constexpr char Cancelled[] = "キャンセルしました";
inline constexpr char ErrorOccurred[] = "エラーが発生しました";
inline constexpr char Finished[] = "終了しました";
inline constexpr char PowerOn[] = "アクセスポイントの電源をONにしてください";
inline constexpr char Connecting[] = "接続要求中．．．";

// Loader reports.
inline constexpr char Preparing[] = "準備中";
inline constexpr char Prepared[] = "準備完了";

// Transfer reports.
inline constexpr char Communicating[] = "通信しています．．．";
inline constexpr char Examining[] = "調査中です．．．";
inline constexpr char Sending[] = "送信しています．．．";
inline constexpr char Erasing[] = "消去しています．．．";
inline constexpr char Writing[] = "書き込み中です．．．";
inline constexpr char Reading[] = "読み込み中です．．．";
inline constexpr char CreatingFile[] = "ファイルを作成中です．．．";

// Worker error texts.
inline constexpr char Timeout[] = "通信タイムアウトしました";
inline constexpr char OperationFailed[] = "操作に失敗しました";
inline constexpr char OperationFailed1[] = "操作に失敗しました（１）";
inline constexpr char OperationFailed2[] = "操作に失敗しました（２）";
inline constexpr char FlashAccessError[] = "フラッシュアクセスのエラーが発生しました";
inline constexpr char SerialLineError[] = "シリアルポート通信エラーが発生しました";
inline constexpr char SerialOpenFailed[] = "シリアルポートのオープンに失敗しました";
inline constexpr char FileMissing[] = "必要なファイルが見つかりません";
inline constexpr char DiskFull[] = "ディスクの容量が足りません";
inline constexpr char FileReadError[] = "ファイルの読み込みエラー";
inline constexpr char FileWriteError[] = "ファイルへの書き込みエラー";
inline constexpr char InvalidFile[] = "指定されたファイルは正しくありません";

// Line break inside a message box text.
inline constexpr char LineBreak[] = "\r\n";

}  // namespace EngineStrings

// One text of the table as Shift_JIS bytes.
inline std::string EngineText(const char* utf8) { return Utf8ToSjis(utf8); }
