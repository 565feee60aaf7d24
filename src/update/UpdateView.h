// What an update worker drives: the status line, the two gauges, the Play
// and full-check buttons and the store of the reached revision. The window,
// the console updater and the tests each provide one. Every member is
// called on the UI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/GaugeModel.h"

namespace quarnel {

class TUpdateView {
public:
    enum TGaugeIndex { FileGauge = 0, TotalGauge = 1 };

    virtual ~TUpdateView() = default;

    virtual void SetStatusCaption(const std::string& text) = 0;
    // Play first, then full check.
    virtual void SetButtonsVisible(bool visible) = 0;
    // Stores the revision reached, given as decimal text.
    virtual void UpdateRevision(const std::string& value) = 0;

    // Both follow the gauge's rules (TGaugeModel) and call GaugeChanged when
    // the drawn bar changes; a refused maximum raises.
    virtual void SetGaugeMax(TGaugeIndex index, int32_t value);
    virtual void SetGaugeProgress(TGaugeIndex index, int32_t value);

    const TGaugeModel& Gauge(TGaugeIndex index) const { return gauges_[index]; }

    // A front end that records every report returns true; the others let a
    // worker keep to itself a progress report that would not change the bar.
    virtual bool WantsEveryReport() const { return false; }

protected:
    // The gauge's drawn bar changed; a front end repaints it here.
    virtual void GaugeChanged(TGaugeIndex) {}

private:
    TGaugeModel gauges_[2];
};

}  // namespace quarnel
