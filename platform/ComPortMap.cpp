// COM number to device: variables, the user's settings file, the ports present.
#include "ComPortMap.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include "UserFolders.h"

namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// "COM" and a number 1..256 in any letter case; 0 otherwise.
unsigned ComNumber(const std::string& key) {
    if (key.size() < 4 || key.size() > 6) return 0;
    for (int i = 0; i < 3; ++i)
        if ((key[i] | 0x20) != "com"[i]) return 0;
    unsigned number = 0;
    for (std::size_t i = 3; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9') return 0;
        number = number * 10 + static_cast<unsigned>(key[i] - '0');
    }
    return number >= 1 && number <= 256 ? number : 0;
}

// The device node a link (a by-id name) stands for; the name itself when it resolves to nothing.
std::string ResolvedPath(const std::string& name) {
    char buffer[PATH_MAX];
    return realpath(name.c_str(), buffer) ? std::string(buffer) : name;
}

std::string Named(const std::map<unsigned, std::string>& names, unsigned number) {
    auto found = names.find(number);
    return found == names.end() ? "" : found->second;
}

}  // namespace

std::map<unsigned, std::string> ParseComPortSettings(const std::string& text) {
    std::map<unsigned, std::string> settings;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        unsigned number = ComNumber(Trim(line.substr(0, equals)));
        std::string value = Trim(line.substr(equals + 1));
        if (number == 0 || value.empty()) continue;
        settings[number] = value[0] == '/' ? value : "/dev/" + value;
    }
    return settings;
}

std::string ComPortSettingsPath() {
    std::string folder = UserConfigFolder();
    return folder.empty() ? "" : folder + "serial-ports.conf";
}

TComPortMapping ChooseComDevice(unsigned number, const std::map<unsigned, std::string>& variables,
                                const std::map<unsigned, std::string>& settings,
                                const std::vector<TSerialPortInfo>& present,
                                const TPathResolver& resolve) {
    auto explicitName = [&](unsigned n, TComSource& source) {
        std::string name = Named(variables, n);
        source = TComSource::Variable;
        if (name.empty()) {
            name = Named(settings, n);
            source = TComSource::Settings;
        }
        return name;
    };
    TComSource source = TComSource::None;
    if (std::string name = explicitName(number, source); !name.empty()) return {name, source};

    // Ports that other COM numbers name stay theirs.
    std::set<std::size_t> claimed;
    auto claim = [&](const std::string& name) {
        std::string resolved = resolve ? resolve(name) : name;
        for (std::size_t i = 0; i < present.size(); ++i) {
            const TSerialPortInfo& port = present[i];
            if (name == port.Device || name == port.ById || resolved == port.Device)
                claimed.insert(i);
        }
    };
    for (const auto& entry : variables)
        if (!entry.second.empty()) claim(entry.second);
    for (const auto& entry : settings)
        if (Named(variables, entry.first).empty()) claim(entry.second);

    // The free ports go to the free numbers, lowest first.
    std::size_t next = 0;
    for (unsigned n = 1; n <= number; ++n) {
        TComSource ignored = TComSource::None;
        if (!explicitName(n, ignored).empty()) continue;
        while (next < present.size() && claimed.count(next)) ++next;
        if (next >= present.size()) return {};
        if (n == number) return {present[next].Device, TComSource::Present};
        ++next;
    }
    return {};
}

TComPortMapping MapComPort(unsigned number) { return MapComPort(number, ListSerialPorts()); }

TComPortMapping MapComPort(unsigned number, const std::vector<TSerialPortInfo>& present) {
    std::map<unsigned, std::string> variables;
    // The numbers the wizard offers and the one asked for; a variable for another number only
    // matters to that number.
    for (unsigned n = 1; n <= std::max(number, 4u); ++n) {
        if (const char* value = std::getenv(("TIVRA_COM" + std::to_string(n)).c_str()); value)
            variables[n] = value;
    }
    std::map<unsigned, std::string> settings;
    if (std::string path = ComPortSettingsPath(); !path.empty()) {
        std::ifstream file(path, std::ios::binary);
        settings = ParseComPortSettings(
            std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    }
    return ChooseComDevice(number, variables, settings, present, ResolvedPath);
}

std::string DescribeComMapping(const TComPortMapping& mapping,
                               const std::vector<TSerialPortInfo>& present) {
    if (mapping.Device.empty()) return "";
    const std::string resolved = ResolvedPath(mapping.Device);
    for (const TSerialPortInfo& port : present) {
        if (mapping.Device == port.Device || mapping.Device == port.ById || resolved == port.Device)
            return DescribeSerialPort(port);
    }
    return mapping.Device;
}
