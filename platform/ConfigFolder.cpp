// The user's configuration folder and the paths of settings files in it.
#include "ConfigFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "FileError.h"
#include "FileSystem.h"

namespace {

// An XDG variable counts only when it holds an absolute path.
std::string AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return std::string();
    return value;
}

void MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) throw EFileError(part, errno);
        if (slash == std::string::npos) break;
    }
}

}  // namespace

std::string UserConfigFolder() {
    std::string base = AbsoluteVariable("XDG_CONFIG_HOME");
    if (base.empty()) {
        std::string home = AbsoluteVariable("HOME");
        base = (home.empty() ? std::string("/tmp") : home) + "/.config";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/tivra";
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
