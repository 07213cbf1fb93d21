// Classification of a failed serial port open and its explanation.
#include "PortOpenProblem.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "SerialDevice.h"

std::string PortOpenProblemText(const std::string& portName, const std::string& device, int error,
                                const std::string& group, const std::string& user) {
    const std::string who = user.empty() ? std::string("$USER") : user;
    if (device.empty()) {
        return portName +
               " に当たるシリアルポートがありません。USBシリアル変換器を接続するか、"
               "環境変数 TIVRA_COMn または設定ファイル serial-ports.conf "
               "で装置を指定してください。";
    }
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return portName + " の装置 " + device +
                   " がありません。USBシリアル変換器が接続されているか確認してください。";
        case EACCES:
        case EPERM:
            if (!group.empty()) {
                return device + " を開く権限がありません。ユーザ " + who + " をグループ " + group +
                       " に加えてログインし直してください（sudo usermod -aG " + group + " " + who +
                       "）。または udev ルールで " + device + " の使用を許可してください。";
            }
            return device + " を開く権限がありません。udev ルールで " + device +
                   " の使用をユーザ " + who + " に許可してください。";
        case EBUSY:
            return device +
                   " は他のプログラムが使用中です。そのプログラムを終了してから実行してください。";
        case ENOTTY:
            return device + " はシリアルポートではありません。";
        default:
            return "";
    }
}

std::string PortOpenProblem(const std::string& portName, int error) {
    const std::string device = SerialDevicePath(portName);
    std::string group;
    struct stat info {};
    if (!device.empty() && stat(device.c_str(), &info) == 0 && info.st_gid != 0) {
        if (const struct group* entry = getgrgid(info.st_gid)) group = entry->gr_name;
    }
    std::string user;
    if (const passwd* entry = getpwuid(geteuid())) user = entry->pw_name;
    return PortOpenProblemText(portName, device, error, group, user);
}
