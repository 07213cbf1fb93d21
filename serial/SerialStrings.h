// The texts of the Ethernet controller setup and its configuration transfer, exactly as the
// user sees them. Written here in UTF-8; SerialText turns one into Shift_JIS bytes.
#pragma once

#include <string>

#include "Cp932.h"

namespace SerialStrings {

// Errors of the configuration transfer.
inline constexpr char PortUnavailable[] = "シリアルポートが使用できません。";
inline constexpr char LineError[] = "シリアル伝送エラーが発生しました";
inline constexpr char DataTooLong[] = "送信用の設定データが長すぎます";
// The longest-value note added under DataTooLong when a setting is over its limit.
inline constexpr char AtMostBytes[] = "バイトまで";
// The settings could not be saved (followed by the system's reason).
inline constexpr char SaveFailed[] = "設定ファイルを保存できません";

// The transfer dialog.
inline constexpr char TransferCaption[] = "設定状況";
inline constexpr char StepConnect[] = "アクセスポイントへの接続";
inline constexpr char StepSend[] = "設定データの送信";
inline constexpr char StepWrite[] = "設定データの書込み";
inline constexpr char StepVerify[] = "設定データの検証";
inline constexpr char Running[] = "実行中...";
inline constexpr char Completed[] = "設定が完了しました。";

// The setup dialog's address messages.
inline constexpr char NdisRefused[] =
    "NDISドライバとの互換性のためには\"42\",\"57\"\rはMACアドレスに使用できません";
inline constexpr char BadMacCharacter[] = "不適切なキャラクタがMACアドレスに使用されています";

}  // namespace SerialStrings

inline std::string SerialText(const char* utf8) { return Utf8ToSjis(utf8); }
