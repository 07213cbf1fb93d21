// tivra-cli's whole run: the command line read against the command tables, the display and
// dialogs set up for the terminal (or not), the command run with Ctrl-C turned into a cancel
// request, and the exit status.
#pragma once

#include <string>
#include <vector>

// arguments without the program name.
int RunCli(const std::vector<std::string>& arguments);
