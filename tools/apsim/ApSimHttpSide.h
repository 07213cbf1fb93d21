// TApSimHttpSide: the web pages of the simulated access point on port 80, served by
// cpp-httplib: "firmware_update.cgi" (a POST with "DoUpdate=1" arms port 8765 to receive an
// image), "downfirm.cgi" (a GET arms port 8765 to send the image) and "read_maf.cgi" (the
// filter list in EUC-JP). Every page asks for Basic credentials; a refusal is a 401 whose body's
// first line holds "401 Unauthorized". Every request is recorded in the report, and the faults
// of the options shape the replies (delay, paused or cut bodies, missing or bad sizes).
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ApSimFilterList.h"
#include "ApSimOptions.h"
#include "ApSimReport.h"
#include "ApSimSide.h"
#include "ApSimStopSignal.h"
#include "ApSimStreamSide.h"

class TApSimTaskQueue;

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

class TApSimHttpSide : public TApSimSide {
public:
    TApSimHttpSide(const TApSimOptions& options, TApSimReport& report, TApSimFilterList& filterList,
                   TApSimStreamSide& stream);
    ~TApSimHttpSide() override;

    std::string Name() const override { return "http"; }
    bool Start(std::string& error) override;
    void Stop() override;

private:
    void FirmwareUpdatePage(const httplib::Request& request, httplib::Response& response);
    void DownFirmPage(const httplib::Request& request, httplib::Response& response);
    void ReadMafPage(const httplib::Request& request, httplib::Response& response);
    bool Authorized(const httplib::Request& request) const;
    void Refuse(httplib::Response& response);
    // Sets the reply body as the faults shape it.
    void Reply(httplib::Response& response, const std::string& body, const std::string& type);
    void Record(const httplib::Request& request, const httplib::Response& response);
    void ArmStream(TStreamMode mode);
    // Serves the warm-up requests and waits until their jobs have ended.
    void WarmUp(TApSimTaskQueue& queue);

    const TApSimOptions options_;
    TApSimReport& report_;
    TApSimFilterList& filterList_;
    TApSimStreamSide& stream_;
    std::shared_ptr<httplib::Server> server_;
    std::atomic<int> listenSocket_{-1};
    std::thread thread_;
    TApSimStopSignal stop_;
    std::mutex mutex_;
    std::condition_variable listening_;
    bool running_ = false;
    TApSimTaskQueue* queue_ = nullptr;  // owned by the server while it runs
};
