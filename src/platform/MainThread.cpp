#include "platform/MainThread.h"

#include "platform/Exceptions.h"

namespace quarnel {

namespace {

// A blocking wake-up costs tens of microseconds here; the UI thread usually
// answers sooner, so look a little while before sleeping.
constexpr int kSpinLimit = 4000;

}  // namespace

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
    for (int i = 0; i < kSpinLimit && done_.load(std::memory_order_acquire) == 0; ++i) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    done_.wait(0, std::memory_order_acquire);
    if (error_) std::rethrow_exception(error_);
}

}  // namespace quarnel
