// A receiving side for tests: records every channel operation that reaches
// the UI thread as one line of text, in order, and keeps the gauge rules.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "update/UpdateView.h"

namespace quarnel::test {

class RecordingView : public TUpdateView {
public:
    void SetStatusCaption(const std::string& text) override;
    void SetButtonsVisible(bool visible) override;
    void UpdateRevision(const std::string& value) override;
    void SetGaugeMax(TGaugeIndex index, int32_t value) override;
    void SetGaugeProgress(TGaugeIndex index, int32_t value) override;
    bool WantsEveryReport() const override { return everyReport; }

    // "status:TEXT", "max0:N", "pos1:N", "buttons:hidden", "revision:N"...
    std::vector<std::string> log;
    // Each time a drawn bar changed: "gauge0:PERCENT".
    std::vector<std::string> repaints;
    // False lets the worker keep back reports that change no drawn bar.
    bool everyReport = true;
    std::string status;
    bool buttonsVisible = true;
    // Set by the first operation; every later one must come from the same thread.
    std::thread::id uiThread;
    bool wrongThread = false;

protected:
    void GaugeChanged(TGaugeIndex index) override;

private:
    void Record(std::string line);
};

}  // namespace quarnel::test
