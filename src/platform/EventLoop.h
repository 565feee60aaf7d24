// A plain UI thread for programs without a window (the console updater,
// the tests): the thread that calls Run serves posted requests until Quit.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/MainThread.h"

namespace quarnel {

class TEventLoop : public TMainThreadQueue {
public:
    ~TEventLoop() override;

    void Post(TSyncRequest& request) override;

    // Serves requests on the calling thread until Quit has been called.
    void Run();
    // Any thread: Run returns once the request in hand, if any, is done.
    void Quit();
    // Any thread: cancels every waiting request and every later one.
    void Close();

private:
    bool TakeNext(TSyncRequest*& request);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<TSyncRequest*> pending_;
    // Mirrors pending_.size() and quit_ so the idle loop can look without the lock.
    std::atomic<int> signals_{0};
    bool sleeping_ = false;
    bool quit_ = false;
    bool closed_ = false;
};

}  // namespace quarnel
