#include "publish/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace quarnel {

namespace {

constexpr auto kRedraw = std::chrono::milliseconds(200);
constexpr int kBarWidth = 24;

std::string Format(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

TProgressBar::TProgressBar(int64_t files, int64_t bytes)
    : totalFiles_(files), totalBytes_(bytes), start_(std::chrono::steady_clock::now()) {
    if (!::isatty(STDERR_FILENO)) return;
    drawer_ = std::jthread([this](std::stop_token stop) {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait_for(lock, stop, kRedraw, [] { return false; });
            if (stop.stop_requested()) break;
            Draw();
        }
        std::fputs("\r\033[K", stderr);
    });
}

TProgressBar::~TProgressBar() = default;

void TProgressBar::Draw() {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const int64_t bytes = bytes_;
    const double share = totalBytes_ > 0 ? std::min(1.0, static_cast<double>(bytes) / totalBytes_) : 1.0;
    const int filled = static_cast<int>(share * kBarWidth);
    const double speed = seconds > 0 ? bytes / seconds : 0;
    std::string line = "\r[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " +
                       std::to_string(files_.load()) + "/" + std::to_string(totalFiles_) + " files  " +
                       FormatBytes(static_cast<double>(bytes)) + "/" + FormatBytes(static_cast<double>(totalBytes_)) +
                       "  " + FormatBytes(speed) + "/s";
    if (speed > 0) line += "  " + FormatDuration(static_cast<double>(totalBytes_ - bytes) / speed) + " left";
    std::fputs((line + "\033[K").c_str(), stderr);
    std::fflush(stderr);
}

std::string FormatBytes(double bytes) {
    if (bytes < 1000) return Format("%.0f B", bytes);
    const char* units[] = {"KB", "MB", "GB", "TB"};
    int unit = 0;
    for (bytes /= 1000; bytes >= 1000 && unit < 3; ++unit) bytes /= 1000;
    return Format("%.1f ", bytes) + units[unit];
}

std::string FormatDuration(double seconds) {
    if (seconds < 10) return Format("%.2f s", seconds);
    if (seconds < 60) return Format("%.1f s", seconds);
    const auto whole = static_cast<int64_t>(seconds + 0.5);
    char text[32];
    if (whole < 3600) {
        std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(whole / 60), static_cast<int>(whole % 60));
    } else {
        std::snprintf(text, sizeof text, "%d:%02d:%02d", static_cast<int>(whole / 3600),
                      static_cast<int>(whole / 60 % 60), static_cast<int>(whole % 60));
    }
    return text;
}

}  // namespace quarnel
