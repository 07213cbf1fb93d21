// Data and configuration folders.
#include "UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "FileSystem.h"

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return home;
    if (passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "";
}

}  // namespace

std::string ProgramDataFolder() {
    const std::string folder = ProgramFolder();
    static const std::string kBin = "/bin/";
    if (folder.size() > kBin.size() &&
        folder.compare(folder.size() - kBin.size(), kBin.size(), kBin) == 0) {
        std::string shared = folder.substr(0, folder.size() - kBin.size()) + "/share/tivra/";
        if (IsFolder(shared)) return shared;
    }
    return folder;
}

std::string UserConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/') {
        std::string folder = config;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return (folder == "/" ? "" : folder) + "/tivra/";
    }
    std::string home = HomeFolder();
    return home.empty() ? "" : home + "/.config/tivra/";
}
