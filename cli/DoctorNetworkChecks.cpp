// The access point checks of doctor. The route is asked of the kernel by connecting a UDP
// socket (that sends nothing); port 80 by a TCP connection that is closed at once; the login
// by the read-only filter page read_maf.cgi, the page the filter editor reads. Port 8765, where
// an armed access point takes its image, is never connected to.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "AppStrings.h"
#include "ClientSocket.h"
#include "Cp932.h"
#include "DoctorCheck.h"
#include "MafTransfer.h"
#include "Utils.h"

namespace {

// How long port 80 may take to accept, and the login's reply to come.
constexpr int kConnectLimitMs = 2000;
constexpr int kLoginLimitMs = 4000;

constexpr const char* kProxyVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                           "all_proxy",  "ALL_PROXY",  "no_proxy",    "NO_PROXY"};

TDoctorCheck Check(const std::string& id, TCheckState state, const std::string& text,
                   const std::string& fix = {}) {
    return {id, state, text, fix};
}

// The interface whose network holds the source address.
std::string InterfaceOf(const in_addr& source) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::string();
    std::string name;
    for (ifaddrs* entry = list; entry && name.empty(); entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !entry->ifa_netmask) {
            continue;
        }
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        const auto* mask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask);
        if (((address->sin_addr.s_addr ^ source.s_addr) & mask->sin_addr.s_addr) == 0) {
            name = entry->ifa_name;
        }
    }
    freeifaddrs(list);
    return name;
}

TDoctorCheck RouteCheck(const std::string& address) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(80);
    inet_pton(AF_INET, address.c_str(), &peer.sin_addr);
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    socklen_t length = sizeof local;
    int error = 0;
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        error = errno;
    }
    if (fd >= 0) close(fd);
    if (error) {
        return Check("route", TCheckState::Failed,
                     "no route to " + address + ": " + std::strerror(error),
                     "connect this computer to the access point's network (cable, Wi-Fi) and "
                     "give it an address in that network, e.g. with the access point at "
                     "192.168.0.1 an address 192.168.0.x/24");
    }
    char source[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &local.sin_addr, source, sizeof source);
    const std::string name = InterfaceOf(local.sin_addr);
    return Check("route", TCheckState::Passed,
                 address + " is reached through " + (name.empty() ? "an interface" : name) +
                     " from " + source);
}

TDoctorCheck Port80Check(const std::string& address) {
    TClientSocket socket;
    socket.Address = address;
    socket.Port = 80;
    socket.ConnectTimeoutMs = kConnectLimitMs;
    const auto start = std::chrono::steady_clock::now();
    const bool open = socket.Open();
    const long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count());
    if (open) {
        socket.Close();
        return Check(
            "port80", TCheckState::Passed,
            "port 80 of " + address + " accepted a connection in " + std::to_string(ms) + " ms");
    }
    return Check("port80", TCheckState::Failed,
                 "port 80 of " + address + " did not accept a connection (" + socket.ErrorText() +
                     ", after " + std::to_string(ms) + " ms)",
                 "switch the access point on and wait for it to start; check the cable and that "
                 "the address is the access point's (its web page answers at http://" +
                     address + "/)");
}

TDoctorCheck LoginCheck(const std::string& address, const std::string& user,
                        const std::string& passwordSjis) {
    TMafFetch fetch;
    fetch.WaitLimitMs = kLoginLimitMs;
    std::vector<std::string> lines;
    if (fetch.FetchMafList(address, Utf8ToSjis(user), passwordSjis, lines)) {
        return Check("login", TCheckState::Passed,
                     "the access point accepted the user " + user + " (" + AppStrings::MafPageName +
                         " read, " + std::to_string(lines.size()) +
                         " filter entries; nothing armed)");
    }
    if (fetch.Refused()) {
        return Check("login", TCheckState::Failed, fetch.FailureCause,
                     "give the access point's user name (--user) and password (--password-file "
                     "FILE, the variable TIVRA_PASSWORD or the prompt)");
    }
    return Check("login", TCheckState::Failed, fetch.FailureCause,
                 "the access point's web server does not answer as expected; switch it off and "
                 "on again");
}

TDoctorCheck ProxyCheck() {
    std::string found;
    for (const char* name : kProxyVariables) {
        const char* value = std::getenv(name);
        if (value && *value) found += (found.empty() ? "" : ", ") + std::string(name);
    }
    return Check("proxy", TCheckState::Passed,
                 found.empty() ? "no proxy variable is set; requests go to the access point "
                                 "directly"
                               : "proxy variables set (" + found +
                                     ") are not used for the access point: every request goes "
                                     "to it directly");
}

}  // namespace

TDoctorChecks NetworkChecks(const std::string& typedAddress, const std::string& user,
                            const std::string& passwordSjis) {
    TDoctorChecks checks;
    const std::string address = NormalizeIPAddress(typedAddress);
    if (address.empty()) {
        checks.push_back(Check("address", TCheckState::Failed,
                               "\"" + typedAddress + "\" is not four decimal parts from 0 to 255",
                               "give the access point's IPv4 address, e.g. 192.168.0.1"));
        for (const char* id : {"route", "port80", "login"}) {
            checks.push_back(
                Check(id, TCheckState::NotChecked, "the access point", "no usable address"));
        }
    } else {
        checks.push_back(
            Check("address", TCheckState::Passed,
                  address + " is four decimal parts" +
                      (address == typedAddress ? "" : " (as typed: " + typedAddress + ")")));
        checks.push_back(RouteCheck(address));
        checks.push_back(Port80Check(address));
        if (checks.back().State == TCheckState::Passed) {
            checks.push_back(LoginCheck(address, user, passwordSjis));
        } else {
            checks.push_back(Check("login", TCheckState::NotChecked, "the login",
                                   "port 80 did not accept a connection"));
        }
    }
    checks.push_back(ProxyCheck());
    return checks;
}
