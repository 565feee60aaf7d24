#include "platform/Thread.h"

#include <thread>

namespace quarnel {

TThread::TThread(std::shared_ptr<TMainThreadQueue> mainThread) : mainThread_(std::move(mainThread)) {}

void TThread::Resume(std::unique_ptr<TThread> thread) {
    std::thread([self = std::move(thread)] { self->Run(); }).detach();
}

void TThread::Run() {
    try {
        Execute();
    } catch (...) {
        fatalException_ = std::current_exception();
    }
    if (OnTerminate) {
        try {
            Synchronize([this] { OnTerminate(*this); });
        } catch (...) {
            // The UI may be gone, and nobody is left to tell.
        }
    }
}

void TThread::Synchronize(const std::function<void()>& method) {
    TSyncRequest request(method);
    mainThread_->Post(request);
    request.Wait();
}

}  // namespace quarnel
