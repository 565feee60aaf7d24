#include "launcher/window/Gauge.h"

#include <wx/dcclient.h>

namespace quarnel {

TGauge::TGauge(wxWindow* parent, const wxPoint& position, const wxSize& size, const TGaugeModel& model,
               const wxColour& foreColor)
    : wxWindow(parent, wxID_ANY, position, size, wxBORDER_NONE), model_(model), foreColor_(foreColor) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &TGauge::OnPaint, this);
}

int TGauge::FillWidth() const {
    return GetClientSize().GetWidth() * model_.PercentDone() / 100;
}

void TGauge::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize size = GetClientSize();
    const int fill = FillWidth();
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(foreColor_));
    dc.DrawRectangle(0, 0, fill, size.GetHeight());
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.DrawRectangle(fill, 0, size.GetWidth() - fill, size.GetHeight());
}

}  // namespace quarnel
