// Why a port could not be opened, in the user's words: no device, no permission (with the
// group to join, or a udev rule when the device belongs to root), in use, not a serial port.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "PortOpenProblem.h"
#include "PtyLine.h"
#include "SerialDevice.h"

TEST(PortOpenProblem, NamesTheCauseAndTheFix) {
    struct TCase {
        std::string device;
        int error;
        std::string group;
        std::string text;
    };
    const TCase cases[] = {
        {"", ENOENT, "",
         "COM1 に当たるシリアルポートがありません。USBシリアル変換器を接続するか、環境変数 "
         "TIVRA_COMn または設定ファイル serial-ports.conf で装置を指定してください。"},
        {"/dev/ttyUSB0", ENOENT, "dialout",
         "COM1 の装置 /dev/ttyUSB0 がありません。USBシリアル変換器が接続されているか確認して"
         "ください。"},
        {"/dev/ttyUSB0", EACCES, "dialout",
         "/dev/ttyUSB0 を開く権限がありません。ユーザ tech をグループ dialout に加えてログインし"
         "直してください（sudo usermod -aG dialout tech）。または udev ルールで /dev/ttyUSB0 "
         "の使用を許可してください。"},
        {"/dev/ttyS0", EPERM, "",
         "/dev/ttyS0 を開く権限がありません。udev ルールで /dev/ttyS0 の使用をユーザ tech "
         "に許可してください。"},
        {"/dev/ttyUSB0", EBUSY, "dialout",
         "/dev/ttyUSB0 は他のプログラムが使用中です。そのプログラムを終了してから実行してくださ"
         "い。"},
        {"/tmp/file", ENOTTY, "", "/tmp/file はシリアルポートではありません。"},
        {"/dev/ttyUSB0", EINVAL, "dialout", ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(PortOpenProblemText("COM1", c.device, c.error, c.group, "tech"), c.text)
            << c.device << " " << c.error;
}

TEST(PortOpenProblem, APortHeldByAnotherOpenIsReportedInUse) {
    TPtyLine line;
    TSerialDevice holder, second;
    ASSERT_TRUE(holder.Open(line.Path()));
    ASSERT_FALSE(second.Open(line.Path()));
    EXPECT_EQ(
        PortOpenProblem(line.Path(), errno).rfind(line.Path() + " は他のプログラムが使用中", 0),
        0u);
}
