// Times one download of a large body through the worker: DownloadFile with
// progress on, its reports handed to a UI thread that serves an event loop,
// the gauge's maximum set to the body's size first as the repair of a file
// does. Prints the seconds DownloadFile took; download_bench.sh compares
// them with curl's.
#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/EventLoop.h"
#include "platform/IntConv.h"
#include "update/GetFilesThr.h"

#include "QuietView.h"

using namespace quarnel;
using quarnel::bench::QuietView;

namespace {

class DownloadWorker : public GFilesThread {
public:
    DownloadWorker(std::shared_ptr<TMainThreadQueue> mainThread, TUpdateView& view, std::string url,
                   std::string fileName, int32_t size, double& seconds, bool& opened)
        : GFilesThread(std::move(mainThread), view),
          url_(std::move(url)),
          fileName_(std::move(fileName)),
          size_(size),
          seconds_(seconds),
          opened_(opened) {}

protected:
    void Execute() override {
        GaugeSelector = TUpdateView::FileGauge;
        GaugeValue = size_;
        SetGaugeMax();
        const auto start = std::chrono::steady_clock::now();
        opened_ = DownloadFile(url_, fileName_, true);
        seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

private:
    std::string url_;
    std::string fileName_;
    int32_t size_;
    double& seconds_;
    bool& opened_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s URL FILE SIZE\n", argv[0]);
        return 2;
    }
    auto loop = std::make_shared<TEventLoop>();
    QuietView view;
    double seconds = 0;
    bool opened = false;
    std::exception_ptr escaped;
    auto worker = std::make_unique<DownloadWorker>(loop, view, argv[1], argv[2], StrToInt(argv[3]), seconds, opened);
    worker->OnTerminate = [&](TThread& thread) {
        escaped = thread.FatalException();
        loop->Quit();
    };
    TThread::Resume(std::move(worker));
    loop->Run();
    try {
        if (escaped) std::rethrow_exception(escaped);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "download failed: %s\n", error.what());
        return 1;
    }
    if (!opened) {
        std::fprintf(stderr, "download failed: the URL could not be opened\n");
        return 1;
    }
    std::printf("%.4f\n", seconds);
}
