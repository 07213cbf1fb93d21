// The wizard's resource strings: every message, question, caption set at run time and file name
// of the program, in one table, written in UTF-8 exactly as the user sees them. "\r" inside a
// message breaks the line. AppText turns one into the Shift_JIS bytes that the system's text
// and the dialogs take; widgets take the UTF-8 form directly.
#pragma once

#include <string>

#include "Cp932.h"

namespace AppStrings {

// Program.
inline constexpr char AppTitle[] = "TIVRA for Windows";
inline constexpr char LogoFileName[] = "logo.jpg";
inline constexpr char ImageFileName[] = "image.jpg";
inline constexpr char VersionPrefix[] = "Version ";
inline constexpr char VersionSuffix[] = "a";

// Frame buttons.
inline constexpr char BackCaption[] = "< 戻る(&B)";
inline constexpr char NextCaption[] = "次へ(&N) >";
inline constexpr char CancelCaption[] = "キャンセル";
inline constexpr char ExecuteCaption[] = "実行";
inline constexpr char ApplyCaption[] = "設定";
inline constexpr char FinishCaption[] = "終了";

// Message boxes.
inline constexpr char ErrorTitle[] = "エラー";
inline constexpr char InformationTitle[] = "情報";
inline constexpr char WarningTitle[] = "警告";
inline constexpr char OkButton[] = "OK";
inline constexpr char CancelButton[] = "キャンセル";
inline constexpr char YesButton[] = "はい(&Y)";
inline constexpr char NoButton[] = "いいえ(&N)";
inline constexpr char IgnoreButton[] = "無視(&I)";

// Operation titles.
inline constexpr char UploadNetTitle[] = "ネットワーク経由でファームウェアのアップロード";
inline constexpr char DownloadNetTitle[] = "ネットワーク経由でファームウェアのダウンロード";
inline constexpr char UploadSerialTitle[] = "シリアルポート経由でファームウェアのアップロード";
inline constexpr char DownloadSerialTitle[] = "シリアルポート経由でファームウェアのダウンロード";
inline constexpr char SetMacAddressTitle[] = "MACアドレス設定";
inline constexpr char UpdateBiosTitle[] = "BIOSアップデート";
inline constexpr char MafTitle[] = "MACアドレスフィルタ設定";

// Page checks.
inline constexpr char UploadNetInvalid[] =
    "設定項目が不正です。以下の項目を確認してください。\r・IPアドレスの指定\r"
    "・ファームウェアファイルの存在\r・ユーザ名";
inline constexpr char DownloadNetInvalid[] =
    "設定項目が不正です。以下の項目を確認してください。\r・IPアドレスの指定\r"
    "・ファームウェアファイルの設定\r・ユーザ名";
inline constexpr char UploadSerialInvalid[] =
    "設定項目が不正です。以下の項目を確認してください。\r・COMポートの設定\r"
    "・ファームウェアファイルの存在";
inline constexpr char DownloadSerialInvalid[] =
    "設定項目が不正です。以下の項目を確認してください。\r・COMポートの設定\r"
    "・ファームウェアファイルの設定";
inline constexpr char SetMacAddressInvalid[] =
    "設定項目が不正です。以下の項目を確認してください。\r・COMポートの設定";
inline constexpr char UpdateBiosInvalid[] =
    "設定項目が不正です。以下の項目を確認してください。\r・COMポートの設定\r・BIOSファイルの存在";
inline constexpr char MafConnectInvalid[] =
    "設定項目が不正です。以下の項目を確認してください。\r・IPアドレス\r・ユーザ名";
inline constexpr char InvalidFileSize[] = "ファイルサイズが不正です";
inline constexpr char ConfirmOverwrite[] =
    "出力するファームウェアファイルが存在します。上書きしてよろしいですか？";

// File dialogs.
inline constexpr char FirmwareDialogTitle[] = "ファームウェアファイル";
inline constexpr char FirmwareFilter[] =
    "ファームウェアファイル(*.bin)|*.bin|すべてのファイル(*.*)|*.*";
inline constexpr char BiosDialogTitle[] = "BIOSファイル";
inline constexpr char BiosFilter[] = "BIOSファイル(*.brm)|*.brm";

// Confirmation text.
inline constexpr char ConfirmSuffix[] = "を行います。設定を確認してください。";
inline constexpr char AddressLine[] = "IPアドレス : ";
inline constexpr char UserLine[] = "ユーザ名 : ";
inline constexpr char PasswordLine[] = "パスワード : ";
inline constexpr char FirmwareFileLine[] = "ファームウェアファイル : ";
inline constexpr char KeepSettingLine[] = "ユーザ設定 : ";
inline constexpr char PortLine[] = "シリアルポート : ";
inline constexpr char BiosFileLine[] = "BIOSファイル : ";
inline constexpr char KeepSetting[] = "残す";
inline constexpr char DiscardSetting[] = "残さない";

// Execution and results.
inline constexpr char FirmwareFileMissing[] = "ファームウェアファイルが存在しません";
inline constexpr char BiosFileMissing[] = "BIOSファイルが存在しません";
inline constexpr char ErrorOccurred[] = "エラーが発生しました。設定及び接続を確認してください。";
inline constexpr char Cancelled[] = "キャンセルしました";
inline constexpr char Completed[] = "完了しました";
inline constexpr char UploadCompleted[] =
    "アップロードが完了しました。アクセスポイントを再起動しています。\r"
    "再起動直後は通信が不安定になる場合がありますので、2～3分待ってTX/RX LEDのいずれかが"
    "点滅していることを確認してから通信を再開してください。";

// MAC address filter: the editor.
inline constexpr char AppendCaption[] = "追加";
inline constexpr char ModifyCaption[] = "修正";
inline constexpr char MafHalfKana[] = "半角カナは使用できません";
inline constexpr char MafCharacterRefusedBefore[] = "「";
inline constexpr char MafCharacterRefusedAfter[] = "」は使用できません";
inline constexpr char MafTooManyEntries[] =
    "MACアドレスフィルタの設定個数を超えています。設定できるMACアドレスは2000個までです。";
inline constexpr char MafDuplicate[] = "MACアドレスが重複しています";
inline constexpr char MafInvalidHalves[] =
    "MACアドレスの指定に誤りがあります。「XXXXXX-XXXXXX」と、6桁の16進数を2個記入します。";
inline constexpr char MafInvalidAddress[] =
    "MACアドレスの指定に誤りがあります。「XX:XX:XX:XX:XX:XX」と、1桁、または2桁の16進数を6個"
    "':'(コロン)でつないだ形で記入します。";
inline constexpr char MafMemoTooLong[] = "コメントが長すぎます";
inline constexpr char MafDeleteSelected[] = "選択されたMACアドレスを削除します";
inline constexpr char MafDeleteAll[] = "すべてのMACアドレスを削除します";
inline constexpr char MafSearchEmpty[] = "検索するMACアドレスまたはメモを指定してください";
inline constexpr char MafNotFound[] = "見つかりません";

// MAC address filter: filter files.
inline constexpr char MafFileDialogTitle[] = "MACアドレスフィルタファイル";
inline constexpr char MafFileFilter[] =
    "MACアドレスフィルタファイル(*.mft)|*.mft|すべてのファイル(*.*)|*.*";
inline constexpr char MafFileExtension[] = ".mft";
inline constexpr char MafFileBadAddress[] = "不正なMACアドレスです";
inline constexpr char MafFileLineNumber[] = "行数 : ";
inline constexpr char MafFileContinue[] =
    "継続しますか？「無視」を選択すると以降のエラーは表示されなくなります";
inline constexpr char MafFileLimit[] = "MACアドレスフィルタの設定個数を超えました\r中断します";
inline constexpr char MafFileReadError[] = "ファイル読み込みでエラーが発生しました";
inline constexpr char MafFileExists[] = "ファイルが存在します。上書きしてよろしいですか？";
inline constexpr char MafFileWriteError[] = "ファイル書き込みでエラーが発生しました";

// MAC address filter: fetch and write-back.
inline constexpr char MafPageName[] = "read_maf.cgi";
inline constexpr char MafFetching[] = "MACアドレスフィルタ取得中...";
inline constexpr char MafProcessing[] = "処理中...";
inline constexpr char MafApplyQuestion[] = "設定します。よろしいですか？";
inline constexpr char MafPreparing[] = "準備中...";
inline constexpr char MafTextFileName[] = "MAF.TXT";
inline constexpr char MafDataFileName[] = "MAF.DAT";
inline constexpr char UpdatePageName[] = "firmware_update.cgi";
inline constexpr char KeepSettingUpdateForm[] = "KeepUserSetting=1&DoUpdate=1";

// Closing.
inline constexpr char ConfirmClose[] = "終了します";

}  // namespace AppStrings

// The Shift_JIS form of a resource string.
inline std::string AppText(const char* utf8) { return Utf8ToSjis(utf8); }
