// The end of an image sent to port 8765. The access point takes the image as whole when the
// stream ends in order, and our last send returning says only that the bytes reached our own
// send buffer: an access point that fails part way resets the connection after the program
// has already closed. So the sending side ends in order (half-close) and then waits until the
// access point's TCP has acknowledged every byte and the end, within the one idle rule, plus a
// short grace for a reset already on its way. Its own close is not awaited: an access point
// may start flashing and keep the connection, or vanish in its restart.
#pragma once

#include <string>

#include "ClientSocket.h"

// Ends the stream and waits for its acknowledgement, serving the window between waits. True
// when the access point took every one of sentBytes; otherwise false with the cause (a
// reset, an early close, the idle limit), and the caller resets the connection.
bool ConfirmDelivery(TClientSocket& socket, double sentBytes, int idleLimitMs, std::string& cause);

// The grace after the last acknowledgement for a round-trip time in microseconds: a few round
// trips, at least 2 ms and at most 250 ms.
long DeliveryGraceMicroseconds(long roundTripMicroseconds);
