// The file checks of doctor: the loader programs the serial operations hand to the access
// point, and the settings file CFG8019.INI with the MAC address the next "mac" run sends.
#include <sys/stat.h>

#include "Config8019File.h"
#include "Cp932.h"
#include "DoctorCheck.h"
#include "FileSystem.h"
#include "LoaderNames.h"
#include "MacAddressRules.h"
#include "ProgressView.h"

TDoctorChecks FileChecks(const std::string& loaderFolder) {
    TDoctorChecks checks;
    for (const TLoaderProgram& loader : kLoaderPrograms) {
        const std::string path = loaderFolder + loader.FileName;
        struct stat status {};
        const std::string id = std::string("loader.") + loader.FileName;
        if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            checks.push_back(
                {id, TCheckState::Passed,
                 path + ": " + GroupedCount(status.st_size) + " bytes, for " + loader.Purpose, ""});
        } else {
            checks.push_back({id, TCheckState::Failed,
                              path + " is missing; " + loader.Purpose + " cannot run",
                              "install the package again, or name the folder that holds the "
                              "loader programs with --loader-folder DIR"});
        }
    }
    const TConfig8019Location location = TConfig8019Location::Default();
    const std::string readPath = location.ReadPath();
    TConfig8019 config;
    TConfig8019Options options;
    LoadConfig8019(location, config, options);
    const std::string mac = MacAddressWithColons(SjisToUtf8(config.MACID));
    const std::string where =
        FileExists(readPath)
            ? readPath
            : "none yet (the defaults apply; mac saves it in " + location.ConfigFolder + "/)";
    checks.push_back({"settings", TCheckState::Passed,
                      std::string(Config8019FileName) + ": " + where + "; next MAC address " + mac +
                          ", automatic increment " + (options.AutoInc ? "on" : "off"),
                      ""});
    return checks;
}
