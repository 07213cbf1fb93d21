// The network commands and filter-put run over several access points (--address given more
// than once, or --addresses): the checks, the questions and the password once for the run,
// then the operation on each access point (see AccessPointRun.h).
#pragma once

#include <string>

#include "CliCommand.h"
#include "ImageCompare.h"

int UploadToSeveral(TCliContext& c);
// --file names an existing folder; each image goes to ADDRESS.bin in it.
int DownloadFromSeveral(TCliContext& c);
// --report, when given, gets the reports of all access points in the order of the addresses.
int VerifySeveral(TCliContext& c);
int PutFilterOnSeveral(TCliContext& c);

// Shows a comparison (the JSON "verify" fact, the report, the result) on view; the status.
int ShowComparison(TProgressView& view, const TImageComparison& comparison,
                   const std::string& report, const std::string& fileName);
// The result text of a comparison that found a difference.
inline std::string ImageDiffers(const std::string& fileName) {
    return "the access point's image differs from " + fileName;
}

// Asks a question of the whole run once, before anything starts, answered by flag, --yes or the
// terminal; true when answered positively (OK, or Yes for a Yes/No question).
bool AskedOnce(TCliContext& c, const std::string& questionSjis, const char* flag,
               TDialogs::Answer positive);
