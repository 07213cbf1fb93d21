// Reading and checking the access points of a run.
#include "AddressList.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "Utils.h"

namespace {

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r\f\v";
    std::size_t start = text.find_first_not_of(blanks);
    if (start == std::string::npos) return std::string();
    return text.substr(start, text.find_last_not_of(blanks) - start + 1);
}

std::string NotAnAddress(const std::string& typed) {
    return "\"" + typed + "\" is not an IPv4 address of four decimal parts from 0 to 255";
}

}  // namespace

std::vector<std::string> ParseAddressList(const std::string& text, const std::string& fileName) {
    std::vector<std::string> addresses;
    std::size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::string typed = Trimmed(line.substr(0, line.find('#')));
        if (typed.empty()) continue;
        std::string address = NormalizeIPAddress(typed);
        if (address.empty()) {
            throw ECliUsage("--addresses " + fileName + " line " + std::to_string(number) + ": " +
                            NotAnAddress(typed));
        }
        addresses.push_back(address);
    }
    return addresses;
}

std::vector<std::string> GivenAddresses(const TCliArguments& arguments) {
    // The numbers the access points' threads read are refused here, before anything starts,
    // not once on each thread.
    arguments.Number("parallel", 1, 1, kMostParallel);
    if (arguments.Offers("pause-ms")) arguments.Number("pause-ms", 2000, 0, 60000);
    std::vector<std::string> addresses;
    for (const std::string& typed : arguments.Values("address")) {
        std::string address = NormalizeIPAddress(typed);
        if (address.empty()) throw ECliUsage("--address " + NotAnAddress(typed));
        addresses.push_back(address);
    }
    if (arguments.Has("addresses")) {
        const std::string fileName = arguments.Value("addresses");
        std::ifstream file(fileName, std::ios::binary);
        if (!file) {
            throw ECliUsage("--addresses " + fileName + " cannot be read: " + std::strerror(errno));
        }
        const std::string text{std::istreambuf_iterator<char>(file),
                               std::istreambuf_iterator<char>()};
        for (std::string& address : ParseAddressList(text, fileName)) {
            addresses.push_back(std::move(address));
        }
        if (addresses.empty()) throw ECliUsage("--addresses " + fileName + " names no address");
    }
    std::set<std::string> seen;
    for (const std::string& address : addresses) {
        if (!seen.insert(address).second) throw ECliUsage(address + " is named twice");
    }
    return addresses;
}

std::string AddressListText(const std::vector<std::string>& addresses) {
    std::string text;
    for (const std::string& address : addresses) text += (text.empty() ? "" : " ") + address;
    return text;
}

bool SeveralAddresses(const TCliArguments& arguments) {
    return arguments.Has("addresses") || arguments.Values("address").size() > 1;
}

std::vector<TCliOption> SeveralAddressOptions() {
    return {
        {"addresses", "FILE", "",
         "Run on every access point the file names, one address a line (\"#\" starts a "
         "comment; blank lines are ignored), after those of --address. The run ends with a "
         "table of the access points and their results."},
        {"parallel", "N", "",
         "With several access points: work on up to N of them at the same time (1 when not "
         "given, at most 64)."},
        {"stop-on-failure", "", "",
         "With several access points: start no further one after the first failure (those "
         "already running finish)."},
    };
}
