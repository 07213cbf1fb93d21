// Waiting for the access point's acknowledgement of a whole image.
#include "StreamDelivery.h"

#include <algorithm>
#include <chrono>

#include "CountFormat.h"
#include "MainThread.h"

namespace {

using Clock = std::chrono::steady_clock;

// The system wakes no waiter for an acknowledgement: the count is asked again after a wait
// that starts short (acknowledgements come within a round trip) and doubles while nothing
// moves, up to the slice after which the window is served anyway.
constexpr long kFirstWaitMicroseconds = 500;
constexpr long kLongestWaitMicroseconds = 100000;

std::string Taken(double sentBytes, long long unacknowledged) {
    // The end of the stream occupies one place in the count besides the bytes.
    double taken = std::max(0.0, sentBytes - static_cast<double>(std::max(0LL, unacknowledged - 1)));
    return "the access point acknowledged " + PlainCount(taken) + " of " +
           PlainCount(sentBytes) + " bytes";
}

}  // namespace

long DeliveryGraceMicroseconds(long roundTripMicroseconds) {
    return std::clamp(4 * roundTripMicroseconds, 2000L, 250000L);
}

bool ConfirmDelivery(TClientSocket& socket, double sentBytes, int idleLimitMs, std::string& cause) {
    long long left = socket.EndSending() ? socket.Unacknowledged() : -1;
    if (left < 0) {
        cause = "the connection ended before the access point acknowledged all of " +
                PlainCount(sentBytes) + " bytes (" + socket.ErrorText() + ")";
        return false;
    }
    const std::chrono::milliseconds idleLimit(idleLimitMs);
    Clock::time_point lastMove = Clock::now();
    long wait = kFirstWaitMicroseconds;
    for (;;) {
        TClientSocket::TPeerEvent event = socket.WatchPeer(wait);
        long long now = socket.Unacknowledged();
        if (event == TClientSocket::TPeerEvent::PeerFailed || now < 0) {
            cause = Taken(sentBytes, left) + ", then the connection failed (" +
                    socket.ErrorText() + ")";
            return false;
        }
        if (now == 0) break;
        // The access point's end carries its acknowledgement of all it received; our own end
        // may still be unacknowledged then, but no byte may.
        if (event == TClientSocket::TPeerEvent::PeerEnded) {
            if (now <= 1) break;
            cause = Taken(sentBytes, now) + ", then closed the connection";
            return false;
        }
        if (now < left) {
            lastMove = Clock::now();
            wait = kFirstWaitMicroseconds;
        } else {
            wait = std::min(wait * 2, kLongestWaitMicroseconds);
        }
        left = now;
        if (Clock::now() - lastMove >= idleLimit) {
            cause = Taken(sentBytes, left) + ", then acknowledged nothing for " +
                    std::to_string(idleLimitMs / 1000) + " s";
            return false;
        }
        ProcessMessages();
    }
    // A reset the access point sent right after its last acknowledgement is still on its way.
    if (socket.WatchPeer(DeliveryGraceMicroseconds(socket.RoundTripMicroseconds())) ==
        TClientSocket::TPeerEvent::PeerFailed) {
        cause = "the access point acknowledged every byte, then reset the connection (" +
                socket.ErrorText() + ")";
        return false;
    }
    return true;
}
