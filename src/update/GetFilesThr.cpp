#include "update/GetFilesThr.h"

#include "platform/IntConv.h"

namespace quarnel {

GFilesThread::GFilesThread(std::shared_ptr<TMainThreadQueue> mainThread, TUpdateView& view)
    : TThread(std::move(mainThread)), view_(view) {}

void GFilesThread::ShowStatus() {
    Synchronize([this] { view_.SetStatusCaption(StatusText); });
}

void GFilesThread::SyncGauge(TUpdateView::TGaugeIndex index) {
    TShownGauge& shown = shown_[index];
    if (shown.heldBack) view_.SetGaugeProgress(index, shown.model.Progress());
    shown.heldBack = false;
    shown.model = view_.Gauge(index);
    shown.known = true;
}

void GFilesThread::SetGaugeMax() {
    Synchronize([this] {
        if (GaugeSelector != TUpdateView::FileGauge && GaugeSelector != TUpdateView::TotalGauge) return;
        const auto index = static_cast<TUpdateView::TGaugeIndex>(GaugeSelector);
        SyncGauge(index);
        view_.SetGaugeMax(index, GaugeValue);
        SyncGauge(index);
    });
}

// Progress comes once per 1024 bytes of a download, and a hand-over costs
// far more than the bytes do; a report that would leave the bar as drawn is
// kept back until the gauge's next hand-over, which applies it first.
void GFilesThread::SetProgress(TUpdateView::TGaugeIndex index) {
    TShownGauge& shown = shown_[index];
    if (shown.known && !view_.WantsEveryReport()) {
        TGaugeModel next = shown.model;
        if (!next.SetProgress(GaugeValue)) {
            shown.heldBack = shown.heldBack || next.Progress() != shown.model.Progress();
            shown.model = next;
            return;
        }
    }
    Synchronize([this, index] {
        SyncGauge(index);
        view_.SetGaugeProgress(index, GaugeValue);
        SyncGauge(index);
    });
}

void GFilesThread::SetFileProgress() {
    SetProgress(TUpdateView::FileGauge);
}

void GFilesThread::SetTotalProgress() {
    SetProgress(TUpdateView::TotalGauge);
}

void GFilesThread::StoreRevision() {
    Synchronize([this] { view_.UpdateRevision(IntToStr(LocalRevision)); });
}

void GFilesThread::HideButtons() {
    Synchronize([this] { view_.SetButtonsVisible(false); });
}

void GFilesThread::ShowButtons() {
    Synchronize([this] { view_.SetButtonsVisible(true); });
}

}  // namespace quarnel
