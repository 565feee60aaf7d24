#include "update/GetFilesThr.h"

#include "platform/IntConv.h"

namespace quarnel {

GFilesThread::GFilesThread(std::shared_ptr<TMainThreadQueue> mainThread, TUpdateView& view)
    : TThread(std::move(mainThread)), view_(view) {}

void GFilesThread::ShowStatus() {
    Synchronize([this] { view_.SetStatusCaption(StatusText); });
}

void GFilesThread::SetGaugeMax() {
    Synchronize([this] {
        if (GaugeSelector != TUpdateView::FileGauge && GaugeSelector != TUpdateView::TotalGauge) return;
        view_.SetGaugeMax(static_cast<TUpdateView::TGaugeIndex>(GaugeSelector), GaugeValue);
    });
}

void GFilesThread::SetProgress(TUpdateView::TGaugeIndex index) {
    Synchronize([this, index] { view_.SetGaugeProgress(index, GaugeValue); });
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
