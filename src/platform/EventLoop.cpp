#include "platform/EventLoop.h"

namespace quarnel {

namespace {

// How often the loop looks for new work before it sleeps: a worker that
// reports progress posts again within microseconds.
constexpr int kIdleSpins = 2000;

}  // namespace

TEventLoop::~TEventLoop() {
    Close();
}

void TEventLoop::Post(TSyncRequest& request) {
    std::unique_lock lock(mutex_);
    if (closed_) {
        lock.unlock();
        request.Cancel();
        return;
    }
    pending_.push_back(&request);
    const bool wake = sleeping_;
    lock.unlock();
    if (wake) wake_.notify_one();
}

bool TEventLoop::TakeNext(TSyncRequest*& request) {
    for (int spin = 0;; ++spin) {
        std::unique_lock lock(mutex_);
        if (quit_) return false;
        if (!pending_.empty()) {
            request = pending_.front();
            pending_.pop_front();
            return true;
        }
        if (spin >= kIdleSpins) {
            sleeping_ = true;
            wake_.wait(lock, [this] { return quit_ || !pending_.empty(); });
            sleeping_ = false;
        }
    }
}

void TEventLoop::Run() {
    TSyncRequest* request = nullptr;
    while (TakeNext(request)) request->Run();
    std::lock_guard lock(mutex_);
    quit_ = false;
}

void TEventLoop::Quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
}

void TEventLoop::Close() {
    std::deque<TSyncRequest*> cancelled;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        cancelled.swap(pending_);
    }
    for (TSyncRequest* request : cancelled) request->Cancel();
}

}  // namespace quarnel
