// The readers behind IdentifyFile, one per kind: each adds what its own code finds in the
// file (the bound file's slots, the BIOS header, the container head, the filter file's
// entries and check, the settings and the image they give) and which operations take it.
#pragma once

#include <string>

#include "FileIdentity.h"

// Fills identity.Facts and identity.Operations for identity.Kind from the file's bytes.
void DescribeFileKind(const std::string& path, const std::string& bytes, TFileIdentity& identity);
