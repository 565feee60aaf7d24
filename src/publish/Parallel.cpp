#include "publish/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quarnel {

unsigned CoreCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

void ParallelFor(size_t count, unsigned threads, const std::function<void(size_t)>& job) {
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::exception_ptr first;
    auto work = [&] {
        for (size_t i; !failed && (i = next++) < count;) {
            try {
                job(i);
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!first) first = std::current_exception();
                failed = true;
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (unsigned t = 1; t < std::min<size_t>(threads, count); ++t) helpers.emplace_back(work);
        work();
    }
    if (first) std::rethrow_exception(first);
}

}  // namespace quarnel
