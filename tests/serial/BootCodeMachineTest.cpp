// The simulated boot code's own checks: it must refuse what a real boot code would refuse, or
// the loader tests would pass against a simulator that accepts anything.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BootCodeMachine.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Feed(TBootCodeMachine& machine, const Bytes& bytes) {
    return machine.Feed(bytes.data(), bytes.size());
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Powers the machine on and takes it through the handshake.
void Handshake(TBootCodeMachine& machine) {
    ASSERT_EQ(Feed(machine, Text("DORBA")), Text("$"));
    ASSERT_EQ(Feed(machine, Text("DORBADORBAF")), Text("$"));  // the late wake-ups are skipped
}

}  // namespace

TEST(BootCodeMachine, AcceptsGoodBlocksAndRefusesBadOnes) {
    TBootCodeMachine good;
    Handshake(good);
    EXPECT_EQ(Feed(good, {3, 0}), Text("$"));
    EXPECT_EQ(Feed(good, {1, 2, 3, 6}), Text("$"));
    EXPECT_EQ(Feed(good, {0, 0}), Text("$"));
    EXPECT_TRUE(good.LoaderComplete());
    EXPECT_EQ(good.Loader(), (Bytes{1, 2, 3}));

    TBootCodeMachine badSum;
    Handshake(badSum);
    EXPECT_EQ(Feed(badSum, {3, 0}), Text("$"));
    EXPECT_EQ(Feed(badSum, {1, 2, 3, 7}), Text("%"));
    EXPECT_EQ(badSum.Phase(), TBootCodeMachine::TPhase::Failed);
    EXPECT_TRUE(badSum.Loader().empty());

    TBootCodeMachine tooLong;
    Handshake(tooLong);
    EXPECT_EQ(Feed(tooLong, {0x01, 0x04}), Text("#"));  // 1025
    EXPECT_FALSE(tooLong.Failure().empty());
}

TEST(BootCodeMachine, NoiseComesFirstAndFaultsReplaceTheChosenAcknowledgement) {
    TBootCodeConfig config;
    config.Noise = "boot\r\n";
    config.Fault = TBootFault::Bang;
    config.FaultAck = 1;
    TBootCodeMachine machine(config);
    EXPECT_EQ(Feed(machine, Text("DORBA")), Text("boot\r\n$"));
    EXPECT_EQ(Feed(machine, Text("F")), Text("$"));
    EXPECT_EQ(Feed(machine, {1, 0}), Text("!"));
    // A new call after the failure finds the boot code switched on anew.
    EXPECT_EQ(Feed(machine, Text("xxDORBA")), Text("$"));
    EXPECT_EQ(machine.Phase(), TBootCodeMachine::TPhase::WaitStart);

    TBootCodeConfig silent;
    silent.Fault = TBootFault::Silence;
    silent.FaultAck = -1;
    TBootCodeMachine off(silent);
    EXPECT_TRUE(Feed(off, Text("DORBADORBAF")).empty());
}
