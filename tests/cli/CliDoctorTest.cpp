// tivra-cli doctor end to end: the real program against the simulated access point on the
// test's own loopback address, a plain listener on port 8765 that must never see a connection,
// pseudo-terminals as serial ports; and the permission decision, which root cannot provoke.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "ApSimForTest.h"
#include "CliRun.h"
#include "DoctorCheck.h"
#include "TempDir.h"

namespace {

// A listener on address:8765 that never accepts: a connection attempt completes into its
// queue, so the queue tells whether anyone connected.
class TUntouchedPort {
public:
    explicit TUntouchedPort(const std::string& address) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(8765);
        inet_pton(AF_INET, address.c_str(), &where.sin_addr);
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
        EXPECT_EQ(listen(fd_, 8), 0);
    }
    ~TUntouchedPort() { close(fd_); }
    bool Touched() const {
        pollfd entry{fd_, POLLIN, 0};
        return poll(&entry, 1, 0) != 0;
    }

private:
    int fd_ = -1;
};

struct TPty {
    TPty() { EXPECT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0); }
    ~TPty() {
        close(master);
        close(slave);
    }
    int master = -1, slave = -1;
    char name[256] = {};
};

// The JSON line of one check, or empty text.
std::string CheckLine(const std::string& out, const std::string& id) {
    const std::size_t at = out.find("\"id\":\"" + id + "\"");
    if (at == std::string::npos) return std::string();
    return out.substr(at, out.find('\n', at) - at);
}

class CliDoctor : public ::testing::Test {
protected:
    void SetUp() override {
        // The proxy line names exactly the variables each run sets.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                 "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
            unsetenv(name);
        }
        for (const char* loader : {"orbaflwr.com", "nvbioupd.com", "ror8019.com"}) {
            dir.Write(loader, "loader");
        }
    }
    TCliOutcome Doctor(std::vector<std::string> more,
                       std::vector<std::pair<std::string, std::string>> env = {}) {
        more.insert(more.begin(), {"doctor", "--json", "--loader-folder", dir.Path("")});
        env.push_back({"XDG_CONFIG_HOME", dir.Path("config")});
        env.push_back({"LC_ALL", "C.UTF-8"});
        return RunTivraCli(more, env);
    }
    TempDir dir;
    TPty pty;
};

TEST_F(CliDoctor, AccessPointChecksPassFailWithTheirFixAndNeverTouchPort8765) {
    const std::string address = "127.0.14.10";
    auto simulator = StartedApSim(address, [](TApSimOptions& o) { o.StreamPort = 8766; });
    TUntouchedPort stream(address);
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::vector<std::pair<std::string, std::string>> expected;  // check id, fragment
    };
    const Case cases[] = {
        {{"--address", address, "--password", "pw"},
         0,
         {{"address", "\"passed\""},
          {"route", "through lo from 127."},
          {"port80", "accepted a connection in"},
          {"login", "accepted the user root (read_maf.cgi read"},
          {"proxy", "proxy variables set (http_proxy, ALL_PROXY) are not used"}}},
        {{"--address", address, "--password", "wrong"},
         1,
         {{"port80", "\"passed\""},
          {"login",
           "\"failed\",\"text\":\"the access point refused the user name or password "
           "(401 Unauthorized)\",\"fix\":\"give the access point's user name (--user)"}}},
        {{"--address", "127.0.14.11", "--password", "pw"},
         1,
         {{"port80",
           "\"failed\",\"text\":\"port 80 of 127.0.14.11 did not accept a connection "
           "(Connection refused"},
          {"port80", "\"fix\":\"switch the access point on"},
          {"login", "\"not checked\""}}},
        {{"--address", "127.0.14.300", "--password", "pw"},
         1,
         {{"address", "\"failed\""}, {"port80", "\"why\":\"no usable address\""}}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"--port", pty.name});
        const auto start = std::chrono::steady_clock::now();
        TCliOutcome outcome =
            Doctor(arguments, {{"http_proxy", "http://127.0.0.1:9/"}, {"ALL_PROXY", "x:1"}});
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::string where = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << where << "\n" << outcome.out << outcome.err;
        // No access point, or none that answers: the whole list still comes within seconds.
        EXPECT_LT(seconds, 8.0) << where;
        std::printf("doctor %s: %.3f s\n", where.c_str(), seconds);
        for (const auto& [id, fragment] : c.expected) {
            EXPECT_NE(CheckLine(outcome.out, id).find(fragment), std::string::npos)
                << where << " " << id << "\n"
                << outcome.out;
        }
    }
    EXPECT_FALSE(stream.Touched()) << "port 8765 was connected to";
    simulator->Stop();
}

TEST_F(CliDoctor, PortChecksTellMappingPresenceAndAnotherHolder) {
    TPty held;
    ASSERT_EQ(flock(held.slave, LOCK_EX | LOCK_NB), 0);  // as another program's open holds it
    TCliOutcome outcome = Doctor({"--port", "COM1", "--port", "COM2", "--port", held.name},
                                 {{"TIVRA_COM1", pty.name}, {"TIVRA_COM2", dir.Path("gone")}});
    EXPECT_EQ(outcome.status, 1) << outcome.out << outcome.err;
    const std::string held_ = held.name;
    const std::pair<std::string, std::string> expected[] = {
        {"COM1.device",
         "\"passed\",\"text\":\"COM1 reaches " + std::string(pty.name) + " (variable)\""},
        {"COM1.present", "\"passed\""},
        {"COM1.permission", "\"passed\""},
        {"COM1.in-use", "\"passed\""},
        {"COM1.adapter", "\"not checked\""},
        {"COM1.low-latency",
         "\"not checked\",\"text\":\"the driver shows no low-latency setting\""},
        {"COM2.present", "\"failed\",\"text\":\"" + dir.Path("gone") + " is missing\""},
        {"COM2.present", "\"fix\":\"plug in the serial adapter"},
        {held_ + ".in-use", "\"failed\",\"text\":\"" + held_ + " is held by another program\""},
        {"loader.ror8019.com", "\"passed\""},
        {"settings", "next MAC address 02:C0:DE:00:00:00, automatic increment off"},
    };
    for (const auto& [id, fragment] : expected) {
        EXPECT_NE(CheckLine(outcome.out, id).find(fragment), std::string::npos) << id << "\n"
                                                                                << outcome.out;
    }
    EXPECT_EQ(CheckLine(outcome.out, "COM2.permission"), "");  // a missing device: no more lines
    // The text form: one line per check, a failure followed by its fix.
    outcome = RunTivraCli({"doctor", "--port", held.name, "--loader-folder", dir.Path("none")},
                          {{"XDG_CONFIG_HOME", dir.Path("config")}, {"LC_ALL", "C.UTF-8"}});
    EXPECT_NE(outcome.out.find("failed       " + held_ + ".in-use"), std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("\n             fix: end the program that holds it"),
              std::string::npos);
    EXPECT_NE(outcome.err.find("passed, 4 failed, "), std::string::npos) << outcome.err;
}

TEST(DoctorPermission, DecidesFromModeOwnerAndGroupsWithTheFix) {
    struct Case {
        uid_t user;
        std::vector<gid_t> groups;
        mode_t mode;
        std::vector<std::string> members;
        bool may;
        std::string fix;
    };
    const Case cases[] = {
        {0, {0}, 0600, {}, true, ""},                  // root
        {1000, {1000}, 0600, {}, false, "udev rule"},  // only root's
        {1000, {1000, 20}, 0660, {}, true, ""},        // in the group now
        {1000,
         {1000},
         0660,
         {},
         false,
         "add yourself to group dialout: sudo usermod -aG "
         "dialout alice, then log in again"},
        {1000, {1000}, 0660, {"alice"}, false, "log out and in again (or run newgrp dialout)"},
        {1000, {1000}, 0666, {}, true, ""},  // open to all
    };
    for (const Case& c : cases) {
        TPermissionFacts facts;
        facts.User = c.user;
        facts.UserName = "alice";
        facts.Groups = c.groups;
        facts.Mode = c.mode;
        facts.Owner = 0;
        facts.Group = 20;
        facts.GroupName = "dialout";
        facts.GroupMembers = c.members;
        std::string fix;
        EXPECT_EQ(MayOpenDevice(facts, fix), c.may) << std::oct << c.mode;
        EXPECT_NE(fix.find(c.fix), std::string::npos) << fix;
        if (c.may) {
            EXPECT_EQ(fix, "");
        }
    }
}

}  // namespace
