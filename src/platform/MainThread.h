// The hand-over from a worker thread to the UI thread. A worker posts a
// request and waits; the UI thread runs posted requests one at a time, in
// the order they came, and wakes the worker that posted each one.
#pragma once

#include <atomic>
#include <exception>
#include <functional>

namespace quarnel {

// One call waiting to run on the UI thread. It lives on the posting worker's
// stack until Complete or Cancel has been called on it.
class TSyncRequest {
public:
    explicit TSyncRequest(const std::function<void()>& method) : method_(method) {}

    // UI thread: runs the call and keeps what it raised for the worker.
    void Run();
    // The UI has closed: the call never runs and the worker gets EUiClosed.
    void Cancel();
    // Worker: waits until Run or Cancel is done, then raises what they left.
    void Wait();

private:
    void Finish();

    const std::function<void()>& method_;
    std::exception_ptr error_;
    std::atomic<uint32_t> done_{0};
};

// The UI thread's side. A window, the console updater and the tests each
// provide one; every worker holds it until the worker ends.
class TMainThreadQueue {
public:
    virtual ~TMainThreadQueue() = default;
    // Any thread: queues the request, or cancels it at once when the UI has closed.
    virtual void Post(TSyncRequest& request) = 0;
};

}  // namespace quarnel
