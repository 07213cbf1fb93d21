// The texts made from the command tables: the program's usage, each command's --help, and the
// manual page tivra-cli.1, which the build generates so that it always lists what is accepted.
// All UTF-8.
#pragma once

#include <string>

#include "CliCommand.h"

std::string ProgramUsage();
std::string CommandHelp(const TCliCommand& command);
std::string ManualPage(const std::string& version);
