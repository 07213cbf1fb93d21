// The write of a protocol step that has a time limit: the loader upload and the firmware
// transfer send every command, length and block this way. The bytes go out in slices, so that a
// stop request is seen within a moment; bytes a slice got out are not sent again; and a line
// whose far end stopped reading (nothing drains) ends the step as a time-out instead of holding
// the thread, and with it the operation's clean-up, for ever.
#pragma once

#include <cstdint>
#include <functional>

class Trs232c;

enum class TSendOutcome {
    Sent,      // every byte went out
    TimedOut,  // the step's time passed first
    Stopped,   // stop() said so before every byte went out
};

// Sends count bytes within milliseconds (measured from the call). A write the port refuses at
// once (a failing device) is retried after a short pause until the time is up.
TSendOutcome SendWithin(Trs232c& port, const std::uint8_t* data, int count,
                        std::uint32_t milliseconds, const std::function<bool()>& stop);
