// The address fields with the NDIS rule, and the address increment.
#include <gtest/gtest.h>

#include "MacAddressRules.h"

namespace {

TEST(MacAddressRulesTest, ReadsFieldsWithTheNdisRule) {
    struct Case {
        std::array<std::string, 6> fields;
        bool ndis;
        TMacReadResult result;
        const char* macid;
    } cases[] = {
        {{"02", "c0", "DE", "0", "7", "ff"}, true, TMacReadResult::Ok, "02C0DE0007FF"},
        {{"42", "57", "DE", "00", "00", "01"}, true, TMacReadResult::Ok, "4257DE000001"},
        {{"02", "C0", "DE", "42", "00", "01"}, true, TMacReadResult::NdisRefused, ""},
        {{"02", "C0", "DE", "00", "00", "57"}, true, TMacReadResult::NdisRefused, ""},
        {{"02", "C0", "DE", "57", "42", "57"}, false, TMacReadResult::Ok, "02C0DE574257"},
        {{"02", "C0", "", "00", "00", "01"}, true, TMacReadResult::BadCharacter, "02C0"},
        {{"02", "G0", "DE", "00", "00", "01"}, false, TMacReadResult::BadCharacter, "02"},
    };
    for (const Case& c : cases) {
        std::string macid = "unchanged";
        EXPECT_EQ(ReadMacAddress(c.fields, c.ndis, macid), c.result) << c.fields[1];
        if (c.result != TMacReadResult::NdisRefused) {
            EXPECT_EQ(macid, c.macid);
        }
    }
}

TEST(MacAddressRulesTest, IncrementSkipsNdisOctetsWithoutCarryAndWrapsInTheLowHalf) {
    struct Case {
        const char* before;
        bool ndis;
        const char* after;
    } cases[] = {
        {"02C0DE000000", true, "02C0DE000001"},  {"02C0DE000041", true, "02C0DE000043"},
        {"02C0DE000041", false, "02C0DE000042"}, {"02C0DE000056", true, "02C0DE000058"},
        {"02C0DE0000FF", true, "02C0DE000100"},  {"02C0DE4241FF", true, "02C0DE434300"},
        {"02C0DE41FFFF", true, "02C0DE430000"},  {"02C0DEFFFFFF", true, "02C0DE000000"},
        {"02c0de00000f", false, "02c0de000010"}, {"02C0DE00ZZ00", true, "02C0DE00ZZ00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IncrementMacAddress(c.before, c.ndis), c.after) << c.before;
    }
}

}  // namespace
