// How far a long job has come, as one line on a terminal, and the units its
// figures are shown in.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace quarnel {

// Files and bytes done out of their totals, the speed and the time left,
// redrawn on stderr a few times a second by a thread of its own, and erased
// when the bar goes. Only when stderr is a terminal; otherwise it stays quiet.
// Any thread may report.
class TProgressBar {
public:
    TProgressBar(int64_t files, int64_t bytes);
    ~TProgressBar();
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;

    void AddFiles(int64_t count) { files_ += count; }
    void AddBytes(int64_t count) { bytes_ += count; }

private:
    void Draw();

    const int64_t totalFiles_;
    const int64_t totalBytes_;
    const std::chrono::steady_clock::time_point start_;
    std::atomic<int64_t> files_{0};
    std::atomic<int64_t> bytes_{0};
    std::mutex mutex_;
    std::condition_variable_any wake_;
    // Last, so that it stops before the rest goes.
    std::jthread drawer_;
};

// "0 B", "812 B", "15.2 KB", "612.3 MB", "1.4 GB" (powers of 1000).
std::string FormatBytes(double bytes);
// "0.42 s", "12.3 s", "2:05", "1:02:03".
std::string FormatDuration(double seconds);

}  // namespace quarnel
