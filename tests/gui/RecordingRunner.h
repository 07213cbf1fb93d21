// A TOperationRunner for the GUI tests: records each call with its arguments, lets a test act
// while the operation "runs" (with the status controls it was given), and returns planned
// results.
#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "OperationRunner.h"

class TRecordingRunner : public TOperationRunner {
public:
    struct TCall {
        std::string operation;
        std::vector<std::string> args;  // Shift_JIS and file names as passed; bools as "1"/"0"
    };
    using TDuring = std::function<void(TEditControl& total, TEditControl& proceed,
                                       TGaugeControl& gauge, TLabelControl& status)>;

    std::vector<TCall> calls;
    std::deque<int> results;  // planned results, in order; 0 when none is left
    TDuring during;           // runs inside every operation
    bool throwInside = false;

    int UploadFirmwareByNetwork(const std::string& address, const std::string& fileName,
                                const std::string& userName, const std::string& password, bool keep,
                                TEditControl& t, TEditControl& p, TGaugeControl& g,
                                TLabelControl& s) override {
        return Record("UploadFirmwareByNetwork",
                      {address, fileName, userName, password, keep ? "1" : "0"}, t, p, g, s);
    }
    int DownloadFirmwareByNetwork(const std::string& address, const std::string& fileName,
                                  const std::string& userName, const std::string& password,
                                  TEditControl& t, TEditControl& p, TGaugeControl& g,
                                  TLabelControl& s) override {
        return Record("DownloadFirmwareByNetwork", {address, fileName, userName, password}, t, p, g,
                      s);
    }
    int UploadFirmwareBySerial(const std::string& port, const std::string& fileName,
                               TEditControl& t, TEditControl& p, TGaugeControl& g,
                               TLabelControl& s) override {
        return Record("UploadFirmwareBySerial", {port, fileName}, t, p, g, s);
    }
    int DownloadFirmwareBySerial(const std::string& port, const std::string& fileName,
                                 TEditControl& t, TEditControl& p, TGaugeControl& g,
                                 TLabelControl& s) override {
        return Record("DownloadFirmwareBySerial", {port, fileName}, t, p, g, s);
    }
    int SetMacAddressBySerial(const std::string& port, TEditControl& t, TEditControl& p,
                              TGaugeControl& g, TLabelControl& s) override {
        return Record("SetMacAddressBySerial", {port}, t, p, g, s);
    }
    int UpdateBiosBySerial(const std::string& port, const std::string& fileName, TEditControl& t,
                           TEditControl& p, TGaugeControl& g, TLabelControl& s) override {
        return Record("UpdateBiosBySerial", {port, fileName}, t, p, g, s);
    }
    int SendFileBySocket(const std::string& address, const std::string& fileName, TEditControl& t,
                         TEditControl& p, TGaugeControl& g, TLabelControl& s) override {
        return Record("SendFileBySocket", {address, fileName}, t, p, g, s);
    }
    void KickFirmwareUpdate(const std::string& address, const std::string& userName,
                            const std::string& password, const std::string& pageName,
                            const std::string& formData) override {
        calls.push_back({"KickFirmwareUpdate", {address, userName, password, pageName, formData}});
    }

private:
    int Record(const char* name, std::vector<std::string> args, TEditControl& t, TEditControl& p,
               TGaugeControl& g, TLabelControl& s) {
        calls.push_back({name, std::move(args)});
        if (during) during(t, p, g, s);
        if (throwInside) throw std::runtime_error("operation failed");
        if (results.empty()) return 0;
        int result = results.front();
        results.pop_front();
        return result;
    }
};
