#include "support/RecordingView.h"

namespace quarnel::test {

void RecordingView::Record(std::string line) {
    if (uiThread == std::thread::id()) uiThread = std::this_thread::get_id();
    if (uiThread != std::this_thread::get_id()) wrongThread = true;
    log.push_back(std::move(line));
}

void RecordingView::SetStatusCaption(const std::string& text) {
    Record("status:" + text);
    status = text;
}

void RecordingView::SetButtonsVisible(bool visible) {
    Record(visible ? "buttons:shown" : "buttons:hidden");
    buttonsVisible = visible;
}

void RecordingView::UpdateRevision(const std::string& value) {
    Record("revision:" + value);
}

void RecordingView::SetGaugeMax(TGaugeIndex index, int32_t value) {
    Record("max" + std::to_string(index) + ":" + std::to_string(value));
    TUpdateView::SetGaugeMax(index, value);
}

void RecordingView::SetGaugeProgress(TGaugeIndex index, int32_t value) {
    Record("pos" + std::to_string(index) + ":" + std::to_string(value));
    TUpdateView::SetGaugeProgress(index, value);
}

void RecordingView::GaugeChanged(TGaugeIndex index) {
    repaints.push_back("gauge" + std::to_string(index) + ":" + std::to_string(Gauge(index).PercentDone()));
}

}  // namespace quarnel::test
