// network_upload_bench: the image stream of a network firmware upload, 2 MiB to a receiver on
// a loopback address that reads as fast as it can, from the connection until the upload is
// done: every chunk sent, the stream ended in order and, since an upload counts as done only
// once the access point has acknowledged every byte, the wait for that acknowledgement. The
// update request and the fixed 2000 ms pause are left out (they are the same for every run).
//
// Usage: network_upload_bench [benchmark options]   (binds 127.0.13.3:8765; no root needed)
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "BenchProcess.h"
#include "NavrilDataModule.h"
#include "SafeFiles.h"
#include "StatusControls.h"

namespace {

const char kAddress[] = "127.0.13.3";
constexpr std::size_t kImageSize = 2097152;

// Accepts connections on kAddress:8765 and reads each one to its end, as an access point
// taking an image does.
class TReceiver {
public:
    TReceiver() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int yes = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(8765);
        inet_pton(AF_INET, kAddress, &where.sin_addr);
        ready_ = bind(listener_, reinterpret_cast<sockaddr*>(&where), sizeof(where)) == 0 &&
                 listen(listener_, 4) == 0;
        thread_ = std::thread([this] { Serve(); });
    }
    ~TReceiver() {
        stopping_ = true;
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        close(listener_);
    }
    bool Ready() const { return ready_; }

private:
    void Serve() {
        std::string buffer(65536, '\0');
        while (!stopping_) {
            pollfd entry{listener_, POLLIN, 0};
            if (poll(&entry, 1, 200) != 1) continue;
            int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            while (recv(connection, buffer.data(), buffer.size(), 0) > 0) {
            }
            close(connection);
        }
    }

    int listener_ = -1;
    bool ready_ = false;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

void BM_NetworkUpload2MiB(benchmark::State& state) {
    TReceiver receiver;
    if (!receiver.Ready()) {
        state.SkipWithError("cannot listen on 127.0.13.3:8765");
        return;
    }
    TPrivateTempFolder folder;
    const std::string file = folder.Path("fw.bin");
    {
        std::ofstream out(file, std::ios::binary);
        for (std::size_t i = 0; i < kImageSize; ++i) out.put(static_cast<char>(i * 7 + (i >> 10)));
    }
    TAgreeingDialogs dialogs("network_upload_bench");
    TnavrilDataModule module(dialogs);
    TPlainText total, proceed, label;
    TPlainGauge gauge;
    for (auto _ : state) {
        if (module.SendFileBySocket(kAddress, file, total, proceed, gauge, label) != orDone) {
            state.SkipWithError(("the upload failed: " + module.LastFailureCause).c_str());
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageSize));
}
BENCHMARK(BM_NetworkUpload2MiB)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
