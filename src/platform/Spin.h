// Busy-waiting for a short while before a blocking wait: a thread that is
// put to sleep takes tens of microseconds to wake, while the other side of
// a hand-over usually answers within a few.
#pragma once

#include <chrono>

namespace quarnel {

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Returns true as soon as ready() holds, false once the budget is spent.
template <typename Ready>
bool SpinFor(Ready ready, std::chrono::microseconds budget = std::chrono::microseconds(50)) {
    if (ready()) return true;
    const auto deadline = std::chrono::steady_clock::now() + budget;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (ready()) return true;
            CpuRelax();
        }
        if (std::chrono::steady_clock::now() >= deadline) return ready();
    }
}

}  // namespace quarnel
