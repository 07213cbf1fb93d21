// What libkemcmprs.so shows to its users: exactly the three exported functions, and the
// version block of the build, which the tool carries as well.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "VersionBlock.h"

namespace {

const std::string kLibraryPath = std::string(TIVRA_BIN_DIR) + "/libkemcmprs.so";

// "name type" for every symbol the library defines in its dynamic symbol table.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
    std::string command = "nm -D --defined-only '" + path + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
    EXPECT_TRUE(pipe) << command;
    std::set<std::string> symbols;
    char line[512];
    while (pipe && std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::istringstream fields(line);
        std::string address;
        std::string type;
        std::string name;
        fields >> address >> type >> name;
        symbols.insert(name + " " + type);
    }
    return symbols;
}

TEST(ExportsTest, LibraryExportsExactlyTheThreeFunctions) {
    std::set<std::string> expected = {"KemCompress T", "KemGetCompressMemo T", "KemUnCompress T"};
    EXPECT_EQ(DefinedDynamicSymbols(kLibraryPath), expected);
}

TEST(ExportsTest, LibraryAndToolCarryTheVersion) {
    const std::string key = "\\StringFileInfo\\041103A4\\FileVersion";
    EXPECT_EQ(QueryFileVersionValue(kLibraryPath, key), std::string(TIVRA_VERSION_TEXT));
    EXPECT_EQ(QueryFileVersionValue(std::string(TIVRA_BIN_DIR) + "/kemcmprs", key),
              std::string(TIVRA_VERSION_TEXT));
}

}  // namespace
