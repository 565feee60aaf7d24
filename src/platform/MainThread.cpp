#include "platform/MainThread.h"

#include "platform/Exceptions.h"
#include "platform/Spin.h"

namespace quarnel {

void TSyncRequest::Run() {
    try {
        method_();
    } catch (...) {
        error_ = std::current_exception();
    }
    Finish();
}

void TSyncRequest::Cancel() {
    error_ = std::make_exception_ptr(EUiClosed("The window has closed"));
    Finish();
}

void TSyncRequest::Finish() {
    done_.store(1, std::memory_order_release);
    done_.notify_one();
}

void TSyncRequest::Wait() {
    if (!SpinFor([this] { return done_.load(std::memory_order_acquire) != 0; }))
        done_.wait(0, std::memory_order_acquire);
    if (error_) std::rethrow_exception(error_);
}

}  // namespace quarnel
