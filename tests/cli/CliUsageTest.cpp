// tivra-cli's refusals before anything is sent: wrong arguments and the pages' own checks
// give status 64 with the reason, help ends with 0. Nothing here reaches a network.
#include <gtest/gtest.h>
#include <pty.h>

#include <filesystem>

#include "CliRun.h"
#include "TempDir.h"

namespace {

TEST(CliUsage, RefusesWhatThePagesAndTheTablesRefuse) {
    TempDir dir;
    const std::string firmware = dir.Write("fw.bin", "firmware");
    const std::string rawImage = dir.Write("raw.bin", std::string("\x55\xAA", 2) + "short");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string fragment;  // expected on standard error (standard output for status 0)
    };
    const Case cases[] = {
        {{}, 64, "a command is needed"},
        {{"flash"}, 64, "unknown command \"flash\""},
        {{"upload", "--adress", "127.0.13.1"}, 64, "unknown option --adress"},
        {{"upload", "--file"}, 64, "--file needs a value"},
        {{"upload", "--yes=1"}, 64, "--yes takes no value"},
        {{"upload", "--user", "a", "--user", "b"}, 64, "--user is given twice"},
        {{"upload", "extra"}, 64, "unexpected argument \"extra\""},
        // Only the commands that take files take words that are no options; a repeatable
        // option is still an option, and the operand's placeholder is none.
        {{"doctor", "--port", "COM1", "extra"}, 64, "unexpected argument \"extra\""},
        {{"info", "--FILE", firmware}, 64, "unknown option --FILE"},
        {{"doctor", "--port", "COM1", "--port"}, 64, "--port needs a value (PORT)"},
        {{"doctor", "--address", "127.0.0.1", "--address", "127.0.0.2"},
         64,
         "--address is given twice"},
        {{"doctor", "--parallel", "2"}, 64, "unknown option --parallel"},
        {{"upload", "--address", "127.0.13.1", "--file", firmware, "--pause-ms", "soon"},
         64,
         "--pause-ms takes a number"},
        // The pages' checks, with the pages' messages.
        {{"upload", "--file", firmware}, 64, "・IPアドレスの指定\n・ファームウェアファイルの存在"},
        {{"upload", "--address", "127.0.13.1", "--file", dir.Path("none.bin")},
         64,
         "設定項目が不正です。"},
        {{"upload", "--address", "127.0.13.1", "--file", firmware, "--user="}, 64, "・ユーザ名"},
        {{"upload", "--address", "127.0.13.1", "--file", rawImage}, 64, "ファイルサイズが不正です"},
        {{"download", "--address", "127.0.13.1"}, 64, "・ファームウェアファイルの設定"},
        {{"verify", "--address", "127.0.13.1", "--file", dir.Path("none.bin")},
         64,
         "・ファームウェアファイルの存在"},
        {{"download", "--address", "192.168.0", "--file", dir.Path("out.bin")},
         64,
         "is not an IPv4 address"},
        {{"serial-upload", "--file", firmware},
         64,
         "・COMポートの設定\n・ファームウェアファイルの存在"},
        {{"serial-download", "--port", "COM1"}, 64, "・ファームウェアファイルの設定"},
        {{"bios", "--port", "COM1", "--file", dir.Path("none.brm")}, 64, "・BIOSファイルの存在"},
        {{"verify", "--address", "127.0.13.1", "--port", "COM1", "--file", firmware},
         64,
         "exactly one of --address and --port"},
        // A download replaces its destination by renaming; never a device node.
        {{"download", "--address", "127.0.13.1", "--file", "/dev/null"},
         64,
         "--file /dev/null is not a regular file"},
        {{"upload", "--address", "127.0.13.1", "--file", firmware, "--password", "a",
          "--password-file", "p"},
         64,
         "not both"},
        {{"upload", "--address", "127.0.13.1", "--file", firmware, "--password-file",
          dir.Path("missing")},
         64,
         "cannot read the password file"},
        {{"download", "--help"}, 0, "--overwrite"},
        {{"help", "verify"}, 0, "--report FILE"},
    };
    for (const Case& c : cases) {
        TCliOutcome outcome = RunTivraCli(c.arguments, {{"LC_ALL", "C.UTF-8"}});
        std::string where = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << where << "\n" << outcome.err;
        const std::string& text = c.status == 0 ? outcome.out : outcome.err;
        EXPECT_NE(text.find(c.fragment), std::string::npos) << where << "\n" << text;
    }
}

TEST(CliUsage, PortsTellWhatEachNameReachesAndWhy) {
    TempDir dir;
    int master = -1, slave = -1;
    char slaveName[256] = {};
    ASSERT_EQ(openpty(&master, &slave, slaveName, nullptr, nullptr), 0);
    // COM4 comes from the user's settings file; a diagnostic log is written on request.
    std::filesystem::create_directories(dir.Path("tivra"));
    dir.Write("tivra/serial-ports.conf", "# test\nCOM4=" + std::string(slaveName) + "\n");
    const std::string log = dir.Path("trace.log");
    TCliOutcome outcome =
        RunTivraCli({"ports", "--json", "--log", log}, {{"TIVRA_COM1", slaveName},
                                                        {"TIVRA_COM2", dir.Path("gone")},
                                                        {"TIVRA_COM3", dir.Write("plain", "")},
                                                        {"TIVRA_COM4", ""},
                                                        {"XDG_CONFIG_HOME", dir.Path("")}});
    close(master);
    close(slave);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    const std::string expected[] = {
        "{\"event\":\"port\",\"name\":\"COM1\",\"device\":\"" + std::string(slaveName) +
            "\",\"source\":\"variable\",\"state\":\"usable\"}\n",
        "{\"event\":\"port\",\"name\":\"COM2\",\"device\":\"" + dir.Path("gone") +
            "\",\"source\":\"variable\",\"state\":\"missing\",\"why\":\"COM2 の装置 ",
        "\"name\":\"COM3\",\"device\":\"" + dir.Path("plain") +
            "\",\"source\":\"variable\",\"state\":\"not a terminal device\",\"why\":\"" +
            dir.Path("plain") + " はシリアルポートではありません。\"}\n",
        "\"name\":\"COM4\",\"device\":\"" + std::string(slaveName) +
            "\",\"source\":\"settings\",\"state\":\"usable\"}\n",
    };
    for (const std::string& line : expected) {
        EXPECT_NE(outcome.out.find(line), std::string::npos) << line << "\n" << outcome.out;
    }
    std::string trace = TempDir::Read(log);
    EXPECT_NE(trace.find("[cli] tivra-cli ports"), std::string::npos) << trace;
    EXPECT_NE(trace.find("exit status 0"), std::string::npos) << trace;
}

}  // namespace
