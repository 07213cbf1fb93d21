// TClientSocket: the blocking TCP client the operations engine streams firmware images through
// (port 8765 of the access point). Open connects (bounded by a time-out, so a silent host does
// not hang the caller), SendBuf sends a whole chunk or reports why not, ReceiveBuf returns what
// arrived, 0 once the peer has closed, and Close ends the connection with an orderly end. Abort
// ends it with a reset instead, so that a receiver can tell a transfer given up part way from a
// finished one. The short-wait calls (OpenWhile, SendSome, ReceiveSome) let a caller that must
// stay responsive wait in slices. Failures are reported by return values; LastError and
// ErrorText tell the cause. The socket never raises SIGPIPE.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

class TClientSocket {
public:
    // Results of SendBuf and ReceiveBuf besides a byte count.
    static constexpr int SocketError = -1;       // the connection failed (or is not open)
    static constexpr int SocketWouldBlock = -2;  // nothing moved within the time-out; try again
    static constexpr int SocketClosed = -3;      // SendBuf: the peer has closed the connection

    TClientSocket() = default;
    ~TClientSocket();
    TClientSocket(const TClientSocket&) = delete;
    TClientSocket& operator=(const TClientSocket&) = delete;

    // Peer address (dotted IPv4 or a host name) and port.
    std::string Address;
    int Port = 8765;
    // Longest wait for the connection to be made.
    int ConnectTimeoutMs = 10000;
    // Longest wait for room to send a chunk before SendBuf reports SocketWouldBlock (0: no limit).
    int SendTimeoutMs = 1000;
    // Longest wait for data before ReceiveBuf reports SocketWouldBlock (0: no limit).
    int ReceiveTimeoutMs = 1000;
    // Longest wait for the rest of a chunk of which a part is already out (0: no limit).
    int StallTimeoutMs = 60000;

    // Connects to Address:Port (closing an earlier connection first). False on failure.
    bool Open();
    // Open, waiting in slices of at most sliceMs and calling between() after each slice that
    // ended without an outcome; the whole wait is still bounded by ConnectTimeoutMs.
    bool OpenWhile(int sliceMs, const std::function<void()>& between);
    // Ends the connection with an orderly end (queued bytes go out first); nothing happens
    // when none is open.
    void Close();
    // Ends the connection with a reset: queued bytes are dropped and the peer sees the
    // connection fail, not end. For a transfer given up part way.
    void Abort();

    // True from a successful Open until Close.
    bool Active() const { return fd_ >= 0; }
    // True while the connection is open and not found closed by the peer: data still waiting to
    // be read counts as connected, a peer that has closed (or reset) with nothing left does not.
    bool Connected();

    // Sends all count bytes: returns count, or SocketWouldBlock when not a byte could be sent
    // within SendTimeoutMs (send the same chunk again), SocketClosed when the peer has closed
    // or reset the connection, SocketError on other failures (also when the rest of a started
    // chunk cannot go out within StallTimeoutMs).
    int SendBuf(const void* data, int count);
    // Receives up to size bytes: the number received, 0 when the peer has closed,
    // SocketWouldBlock when nothing arrived within ReceiveTimeoutMs, SocketError on failure.
    int ReceiveBuf(void* buffer, int size);

    // Sends as many of count bytes as there is room for, waiting at most waitMs for room: the
    // number sent (1 to count), SocketWouldBlock when no room came, SocketClosed or SocketError.
    int SendSome(const void* data, int count, int waitMs);
    // ReceiveBuf with its own wait instead of ReceiveTimeoutMs.
    int ReceiveSome(void* buffer, int size, int waitMs);

    // The end of a sent stream, which is done only once the peer's TCP has taken every byte.
    // EndSending ends this side in order (the peer sees the end of the stream; the connection
    // stays open for its acknowledgements). False when the connection has already failed.
    bool EndSending();
    // Bytes sent (and the end, once EndSending has queued it) that the peer has not yet
    // acknowledged; -1 when the connection cannot be asked (LastError tells why).
    long long Unacknowledged();
    // What the peer did, waiting at most waitMicroseconds for it: Quiet (nothing), PeerEnded
    // (it ended its side in order; anything it sent before is read and dropped) or PeerFailed
    // (a reset or another failure; LastError tells which). The system signals no event for an
    // acknowledgement, so a caller waiting for Unacknowledged to fall asks again after each
    // wait; a reset or the peer's end cuts the wait short.
    enum class TPeerEvent { Quiet, PeerEnded, PeerFailed };
    TPeerEvent WatchPeer(long waitMicroseconds);
    // The smoothed round-trip time the system measured on the connection, in microseconds
    // (0 when unknown).
    long RoundTripMicroseconds();

    // errno of the last failure (0 after success), and its text.
    int LastError() const { return lastError_; }
    std::string ErrorText() const;

private:
    // Waits until the socket is ready for events, or the time has passed: 1 ready, 0 timed
    // out, -1 failed.
    int WaitFor(short events, int timeoutMs);
    // Records the failure; returns SocketError.
    int Fail(int error);

    int fd_ = -1;
    int lastError_ = 0;
};
