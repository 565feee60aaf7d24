// Times CheckFileList over one file section whose every entry matches its
// local file, with the worker's reports handed to a UI thread that serves an
// event loop. Prints the seconds it took; verify_bench.sh compares them with
// md5sum's.
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <string>

#include "platform/EventLoop.h"
#include "update/GetFilesThr.h"

#include "QuietView.h"

using namespace quarnel;
using quarnel::bench::QuietView;

namespace {

class VerifyWorker : public GFilesThread {
public:
    VerifyWorker(std::shared_ptr<TMainThreadQueue> mainThread, TUpdateView& view, const TStringList& section,
                 double& seconds, int& queued)
        : GFilesThread(std::move(mainThread), view), section_(section), seconds_(seconds), queued_(queued) {}

protected:
    void Execute() override {
        PendingFiles = std::make_unique<TStringList>();
        const auto start = std::chrono::steady_clock::now();
        CheckFileList(section_);
        seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        queued_ = PendingFiles->Count();
    }

private:
    const TStringList& section_;
    double& seconds_;
    int& queued_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s BASEDIR SECTION\n", argv[0]);
        return 2;
    }
    TStringList section;
    std::ifstream in(argv[2]);
    for (std::string line; std::getline(in, line);) section.Add(line);
    if (!in.eof() || section.Count() == 0) {
        std::fprintf(stderr, "cannot read the section %s\n", argv[2]);
        return 2;
    }

    auto loop = std::make_shared<TEventLoop>();
    QuietView view;
    double seconds = 0;
    int queued = -1;
    std::exception_ptr escaped;
    auto worker = std::make_unique<VerifyWorker>(loop, view, section, seconds, queued);
    worker->BaseDir = std::string(argv[1]) + "/";
    worker->OnTerminate = [&](TThread& thread) {
        escaped = thread.FatalException();
        loop->Quit();
    };
    TThread::Resume(std::move(worker));
    loop->Run();
    try {
        if (escaped) std::rethrow_exception(escaped);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "verification failed: %s\n", error.what());
        return 1;
    }
    if (queued != 0) {
        std::fprintf(stderr, "verification queued %d of %d entries that should all match\n", queued, section.Count());
        return 1;
    }
    std::printf("%.4f\n", seconds);
}
