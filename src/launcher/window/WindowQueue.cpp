#include "launcher/window/WindowQueue.h"

namespace quarnel {

TWindowQueue::~TWindowQueue() {
    Close();
}

void TWindowQueue::Post(TSyncRequest& request) {
    std::unique_lock lock(mutex_);
    if (target_ == nullptr) {
        lock.unlock();
        request.Cancel();
        return;
    }
    pending_.push_back(&request);
    // Under the lock, so that Close cannot let the target go in between.
    // The call dies with the target, which keeps this queue alive.
    target_->CallAfter([this] { RunNext(); });
}

void TWindowQueue::RunNext() {
    TSyncRequest* request;
    {
        std::lock_guard lock(mutex_);
        if (pending_.empty()) return;
        request = pending_.front();
        pending_.pop_front();
    }
    request->Run();
}

void TWindowQueue::Close() {
    std::deque<TSyncRequest*> cancelled;
    {
        std::lock_guard lock(mutex_);
        target_ = nullptr;
        cancelled.swap(pending_);
    }
    for (TSyncRequest* request : cancelled) request->Cancel();
}

}  // namespace quarnel
