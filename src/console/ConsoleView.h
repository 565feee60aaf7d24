// The console updater's receiving side: status texts as lines on standard
// output, the two gauges as a progress line on a terminal's standard error.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "update/UpdateView.h"

namespace quarnel {

class TConsoleView : public TUpdateView {
public:
    // progress: draw the progress line on err (only worth it on a terminal).
    TConsoleView(std::FILE* out, std::FILE* err, bool progress);

    void SetStatusCaption(const std::string& text) override;
    void SetButtonsVisible(bool visible) override;
    void UpdateRevision(const std::string& value) override;

    // Clears the progress line for good.
    void Finish();

    // The status line as the run left it.
    const std::string& Status() const { return status_; }

protected:
    void GaugeChanged(TGaugeIndex index) override;

private:
    void Draw(bool force);
    void Clear();

    std::FILE* out_;
    std::FILE* err_;
    bool progress_;
    bool drawn_ = false;
    std::string status_;

    using Clock = std::chrono::steady_clock;
    Clock::time_point lastDraw_{};
    // Speed over the current file: its gauge position and when it was 0.
    Clock::time_point fileStart_ = Clock::now();
    double speed_ = 0;
};

}  // namespace quarnel
