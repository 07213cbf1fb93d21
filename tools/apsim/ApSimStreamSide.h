// TApSimStreamSide: port 8765 of the simulated access point. An update request arms it to
// receive (the raw image stream, whose end is the end of the connection); a download request
// arms it to send (the image, then it closes). Port 8765 listens only while armed, for one
// connection, so a connection attempt without a preceding request is refused (with the
// listen-always fault it listens at all times and drops what an unarmed connection brings).
// Every stream is recorded in the report, with how the client ended it (an orderly close or a
// reset); a received bound filter list replaces the filter list.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "ApSimFilterList.h"
#include "ApSimOptions.h"
#include "ApSimReport.h"
#include "ApSimSide.h"

enum class TStreamMode { None, Receive, Send };

class TApSimStreamSide : public TApSimSide {
public:
    TApSimStreamSide(const TApSimOptions& options, TApSimReport& report,
                     TApSimFilterList& filterList, std::string image);
    ~TApSimStreamSide() override;

    std::string Name() const override { return "stream"; }
    bool Start(std::string& error) override;
    void Stop() override;

    // Opens port 8765 for one more transfer in that direction (any thread); the port listens
    // when this returns. False with an error text when the port cannot be opened.
    bool Arm(TStreamMode mode, std::string& error);
    // The direction the next connection will get (None when the port is not armed).
    TStreamMode Armed() const;

private:
    void Run();
    void Serve(int connection, TStreamMode mode);
    // Reads the stream to its end; with take, the access point takes it (as a filter list or an
    // image, kept in the store folder).
    TApSimStream Receive(int connection, bool take = true);
    TApSimStream Send(int connection);
    // What a receive cut by a fault does at its limit: stall (wait for the client's end),
    // reset, or end this side in order and wait for the client's end; close-early just closes.
    void EndReceiving(int connection, TApSimStream& stream);
    // For the stall fault: waits, reading nothing, until the client ends the connection;
    // "reset" or "close" (empty when the side stops first).
    std::string AwaitClientEnd(int connection);
    // Waits until fd is ready for events; false when the side is stopping.
    bool WaitReady(int fd, short events);
    void Wake();
    void DrainWake();
    // Waits until bytes received since start are no more than the paced rate allows; false when
    // the simulator stops meanwhile.
    bool WaitUntilPaced(std::chrono::steady_clock::time_point start, std::size_t bytes);
    std::string Keep(const std::string& data);

    const TApSimOptions options_;
    TApSimReport& report_;
    TApSimFilterList& filterList_;
    const std::string image_;

    mutable std::mutex mutex_;
    std::deque<TStreamMode> modes_;  // armings not yet taken by a connection, oldest first
    int listener_ = -1;
    int wake_ = -1;
    int kept_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
