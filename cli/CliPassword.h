// Where the access point's password comes from, so that it never has to stand on the command
// line where every user of the machine can read it: the file named by --password-file (its
// first line), the environment variable TIVRA_PASSWORD, or a prompt without echo on the
// terminal. --password takes it directly, for throw-away test set-ups only. Without any of
// these and without a terminal the password is empty, as the wizard's field starts.
#pragma once

#include <string>

#include "CliOptions.h"
#include "TerminalText.h"

// The variable the password may come from.
inline constexpr char kPasswordVariable[] = "TIVRA_PASSWORD";

// The options that give the password, for a command's table.
std::vector<TCliOption> PasswordOptions();

// The password as Shift_JIS. More than one source given, or a file that cannot be read, is a
// usage error; a prompt interrupted by Ctrl-C raises ECliCancelled.
std::string ObtainPassword(const TCliArguments& arguments, const TTerminalText& text,
                           bool interactive);
