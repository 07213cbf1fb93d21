// The access points of a run: the --address options (the option may be repeated) and the lines
// of an --addresses file. Every address is checked as a single --address is (four decimal parts
// from 0 to 255) before anything starts; a bad one refuses the whole list.
#pragma once

#include <string>
#include <vector>

#include "CliOptions.h"

// The addresses of an address list file's text, tidied (NormalizeIPAddress), in file order: one
// address a line; "#" starts a comment that runs to the line's end; blank lines and the blanks
// around an address are ignored. A line that holds anything else is a usage error naming the
// file (fileName) and the line's number and text.
std::vector<std::string> ParseAddressList(const std::string& text, const std::string& fileName);

// The most access points a run works on at the same time.
inline constexpr long kMostParallel = 64;

// Every address the arguments name, --address values first, then the --addresses file's; a bad
// address, an address named twice or a file that cannot be read is a usage error, and so are
// a --parallel or --pause-ms value out of range.
std::vector<std::string> GivenAddresses(const TCliArguments& arguments);

// The addresses as one line of the run's summary ("192.168.0.11 192.168.0.12").
std::string AddressListText(const std::vector<std::string>& addresses);

// True when the arguments ask for a run over several access points: --address more than once,
// or --addresses (even a file of one line).
bool SeveralAddresses(const TCliArguments& arguments);

// The options that name the access points of a run and how it goes, for a command's table.
std::vector<TCliOption> SeveralAddressOptions();
