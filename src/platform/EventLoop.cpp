#include "platform/EventLoop.h"

#include "platform/Spin.h"

namespace quarnel {

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
    signals_.fetch_add(1, std::memory_order_release);
    const bool wake = sleeping_;
    lock.unlock();
    if (wake) wake_.notify_one();
}

bool TEventLoop::TakeNext(TSyncRequest*& request) {
    // A worker that reports progress posts again within microseconds.
    SpinFor([this] { return signals_.load(std::memory_order_acquire) != 0; });
    std::unique_lock lock(mutex_);
    sleeping_ = true;
    wake_.wait(lock, [this] { return quit_ || !pending_.empty(); });
    sleeping_ = false;
    if (quit_) return false;
    request = pending_.front();
    pending_.pop_front();
    signals_.fetch_sub(1, std::memory_order_relaxed);
    return true;
}

void TEventLoop::Run() {
    TSyncRequest* request = nullptr;
    while (TakeNext(request)) request->Run();
    std::lock_guard lock(mutex_);
    if (quit_) signals_.fetch_sub(1, std::memory_order_relaxed);
    quit_ = false;
}

void TEventLoop::Quit() {
    {
        std::lock_guard lock(mutex_);
        if (quit_) return;
        quit_ = true;
        signals_.fetch_add(1, std::memory_order_release);
    }
    wake_.notify_one();
}

void TEventLoop::Close() {
    std::deque<TSyncRequest*> cancelled;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        signals_.fetch_sub(static_cast<int>(pending_.size()), std::memory_order_relaxed);
        cancelled.swap(pending_);
    }
    for (TSyncRequest* request : cancelled) request->Cancel();
}

}  // namespace quarnel
