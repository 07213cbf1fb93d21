// Where the program's settings files live. The program's own folder is not writable once the
// program is installed, so settings are read from and saved to the user's configuration folder
// ($XDG_CONFIG_HOME/tivra, else ~/.config/tivra). A settings file that stands beside the program
// is only the starting point: it is read as long as the user has no copy of their own.
#pragma once

#include <string>

#include "UserFolders.h"

// The user's own configuration folder for this program (UserConfigFolder) without its
// trailing "/"; a private folder in /tmp when neither XDG_CONFIG_HOME nor a home folder is known.
std::string SettingsFolder();

// The file a settings file is read from: the user's copy when it exists, else the file of that
// name in programFolder (given with a trailing "/"), which may not exist either.
std::string SettingsReadPath(const std::string& name, const std::string& configFolder,
                             const std::string& programFolder);

// Makes sure configFolder exists (created with mode 0700, parents included) and returns the
// path of the named file in it. Raises EFileError when the folder cannot be made.
std::string SettingsWritePath(const std::string& name, const std::string& configFolder);
