#include "console/ConsoleView.h"

#include "launcher/Settings.h"

namespace quarnel {

namespace {

constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;

std::string Megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

}  // namespace

TConsoleView::TConsoleView(std::FILE* out, std::FILE* err, bool progress) : out_(out), err_(err), progress_(progress) {}

void TConsoleView::SetStatusCaption(const std::string& text) {
    status_ = text;
    if (text.empty()) return;
    Clear();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
    Draw(true);
}

void TConsoleView::SetButtonsVisible(bool) {}

void TConsoleView::UpdateRevision(const std::string& value) {
    quarnel::UpdateRevision(value);
}

void TConsoleView::GaugeChanged(TGaugeIndex index) {
    if (index == FileGauge) {
        const TGaugeModel& file = Gauge(FileGauge);
        const auto now = Clock::now();
        if (file.Progress() == 0) {
            fileStart_ = now;
            speed_ = 0;
        } else {
            const double seconds = std::chrono::duration<double>(now - fileStart_).count();
            if (seconds > 0.2) speed_ = file.Progress() / seconds;
        }
    }
    Draw(false);
}

void TConsoleView::Draw(bool force) {
    if (!progress_) return;
    const auto now = Clock::now();
    if (!force && now - lastDraw_ < kRedraw) return;
    lastDraw_ = now;

    const TGaugeModel& file = Gauge(FileGauge);
    const TGaugeModel& total = Gauge(TotalGauge);
    const int filled = file.PercentDone() * kBarWidth / 100;
    std::string line = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] " +
                       std::to_string(file.PercentDone()) + "%  " + Megabytes(file.Progress()) + " of " +
                       Megabytes(file.MaxValue());
    if (speed_ > 0) {
        const double left = (file.MaxValue() - file.Progress()) / speed_;
        char figures[64];
        std::snprintf(figures, sizeof figures, "  %.1f MB/s  %d:%02d left", speed_ / 1e6, static_cast<int>(left) / 60,
                      static_cast<int>(left) % 60);
        line += figures;
    }
    line += "  | files " + std::to_string(total.Progress()) + "/" + std::to_string(total.MaxValue() + 1);
    line += "\x1b[K";
    std::fputs(line.c_str(), err_);
    std::fflush(err_);
    drawn_ = true;
}

void TConsoleView::Clear() {
    if (!drawn_) return;
    std::fputs("\r\x1b[K", err_);
    std::fflush(err_);
    drawn_ = false;
}

void TConsoleView::Finish() {
    Clear();
    progress_ = false;
}

}  // namespace quarnel
