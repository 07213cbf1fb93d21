// The user's configuration folder and the paths of settings files in it.
#include "ConfigFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "FileError.h"
#include "FileSystem.h"
#include "UserFolders.h"

namespace {

void MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) throw EFileError(part, errno);
        if (slash == std::string::npos) break;
    }
}

}  // namespace

std::string SettingsFolder() {
    std::string folder = UserConfigFolder();
    if (folder.empty()) return "/tmp/tivra-" + std::to_string(getuid());
    folder.pop_back();
    return folder;
}

std::string SettingsReadPath(const std::string& name, const std::string& configFolder,
                             const std::string& programFolder) {
    std::string own = configFolder + "/" + name;
    if (FileExists(own)) return own;
    return programFolder + name;
}

std::string SettingsWritePath(const std::string& name, const std::string& configFolder) {
    MakeFolders(configFolder);
    return configFolder + "/" + name;
}
