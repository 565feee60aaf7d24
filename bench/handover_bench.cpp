// Times one blocking hand-over from a worker to a UI thread that serves an
// event loop: the cost every progress report pays.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/Thread.h"

using namespace quarnel;

namespace {

constexpr int kBatches = 31;
constexpr int kPerBatch = 5000;

class TimingWorker : public TThread {
public:
    TimingWorker(std::shared_ptr<TMainThreadQueue> mainThread, std::vector<double>& batches)
        : TThread(std::move(mainThread)), batches_(batches) {}

protected:
    void Execute() override {
        int served = 0;
        const std::function<void()> touch = [&served] { ++served; };
        for (int batch = 0; batch < kBatches; ++batch) {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < kPerBatch; ++i) Synchronize(touch);
            const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
            batches_.push_back(took.count() / kPerBatch);
        }
    }

private:
    std::vector<double>& batches_;
};

}  // namespace

int main() {
    auto loop = std::make_shared<TEventLoop>();
    std::vector<double> batches;
    auto worker = std::make_unique<TimingWorker>(loop, batches);
    worker->OnTerminate = [&loop](TThread&) { loop->Quit(); };
    TThread::Resume(std::move(worker));
    loop->Run();
    std::sort(batches.begin(), batches.end());
    std::printf("ui hand-over round trip: %.2f us (median of %d batches of %d; target < 15)\n",
                batches[batches.size() / 2], kBatches, kPerBatch);
}
