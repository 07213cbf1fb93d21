// Where the program's files live on Linux: the read-only data it ships (loader programs,
// pictures) and the user's own settings.
#pragma once

#include <string>

// The folder of the files the program ships, with a trailing "/": "<prefix>/share/tivra/" when
// the program runs installed as "<prefix>/bin/tivra", else the program's own folder (a build
// tree keeps everything beside the executable).
std::string ProgramDataFolder();

// The user's configuration folder for this program, with a trailing "/":
// "$XDG_CONFIG_HOME/tivra/", or "$HOME/.config/tivra/" when the variable is unset or not an
// absolute path. Empty when neither is known. The folder is not created here.
std::string UserConfigFolder();
