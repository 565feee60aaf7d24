// A flat progress bar painted by hand: the native gauge ignores colours on
// some systems. It draws the gauge model it is given, black behind the bar.
#pragma once

#include <wx/window.h>

#include "platform/GaugeModel.h"

namespace quarnel {

class TGauge : public wxWindow {
public:
    // model must outlive the control.
    TGauge(wxWindow* parent, const wxPoint& position, const wxSize& size, const TGaugeModel& model,
           const wxColour& foreColor);

    // Width of the drawn bar: the whole percentage of the control's width.
    int FillWidth() const;

private:
    void OnPaint(wxPaintEvent& event);

    const TGaugeModel& model_;
    wxColour foreColor_;
};

}  // namespace quarnel
