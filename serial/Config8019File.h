// The settings file CFG8019.INI: sections Config, PNP and Misc, one key per field of
// TConfig8019 plus the setup dialog's two options. Every key that is missing or unreadable
// takes its default. Booleans are written "1"/"0" and read as integers (non-zero is true);
// integers are written in decimal and read in decimal or behind "0x", "0X" or "$"; IOBase is
// three upper-case hexadecimal digits without prefix.
#pragma once

#include <string>

#include "Config8019.h"
#include "PrivateProfile.h"

// Name of the settings file.
inline constexpr char Config8019FileName[] = "CFG8019.INI";

// Fills the record and the options from a profile.
void LoadConfig8019(const TPrivateProfile& profile, TConfig8019& config,
                    TConfig8019Options& options);
// Writes every field and both options into a profile, keeping its other lines.
void SaveConfig8019(TPrivateProfile& profile, const TConfig8019& config,
                    const TConfig8019Options& options);

// Where the settings file is read from and saved to: the user's configuration folder, with
// the copy beside the program as the starting point while the user has none.
struct TConfig8019Location {
    std::string ConfigFolder;   // without trailing "/"
    std::string ProgramFolder;  // with trailing "/"
    // The program's own folders.
    static TConfig8019Location Default();
    std::string ReadPath() const;
    // Creates the configuration folder when needed; raises EFileError when it cannot.
    std::string WritePath() const;
};

// Load and save through the file. Loading never fails (a missing or unreadable file gives the
// defaults); saving writes a new file and renames it over the old one, keeping the lines of
// the file it started from, and raises EFileError when that fails.
void LoadConfig8019(const TConfig8019Location& location, TConfig8019& config,
                    TConfig8019Options& options);
void SaveConfig8019(const TConfig8019Location& location, const TConfig8019& config,
                    const TConfig8019Options& options);
