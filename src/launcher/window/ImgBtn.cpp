#include "launcher/window/ImgBtn.h"

#include <wx/dcclient.h>

namespace quarnel {

namespace {

TWMMouse Message(const wxMouseEvent& event) {
    return {event.GetEventType(), event.GetX(), event.GetY()};
}

void Fire(const TOnMouseEvent& handler, const TWMMouse& msg) {
    if (handler) handler(msg);
}

}  // namespace

TImgBtn::TImgBtn(wxWindow* owner, const wxPoint& position, const wxSize& size)
    : wxWindow(owner, wxID_ANY, position, size, wxBORDER_NONE) {
    Bind(wxEVT_PAINT, &TImgBtn::OnPaint, this);
    Bind(wxEVT_ENTER_WINDOW, [this](wxMouseEvent& event) { TrackPointer(event, true); });
    Bind(wxEVT_LEAVE_WINDOW, [this](wxMouseEvent& event) { TrackPointer(event, false); });
    Bind(wxEVT_MOTION, [this](wxMouseEvent& event) {
        if (HasCapture()) TrackPointer(event, GetClientRect().Contains(event.GetPosition()));
    });
    Bind(wxEVT_LEFT_DOWN, &TImgBtn::LeftButtonDown, this);
    Bind(wxEVT_LEFT_UP, &TImgBtn::LeftButtonUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { clickBegan_ = false; });
}

void TImgBtn::SetPic(const wxBitmap& picture) {
    SetPicture(picture);
    pic_ = picture;
}

void TImgBtn::SetPicture(const wxBitmap& picture) {
    picture_ = picture;
    Refresh(false);
}

void TImgBtn::TrackPointer(wxMouseEvent& event, bool inside) {
    event.Skip();
    if (!Supported || inside == mouseInside_) return;
    if (inside)
        PointerEntered(Message(event));
    else
        PointerLeft(Message(event));
}

void TImgBtn::PointerEntered(const TWMMouse& msg) {
    mouseInside_ = true;
    SetPicture(buttonPressed_ ? picDown_ : picUp_);
    Fire(OnMouseEnter, msg);
}

void TImgBtn::PointerLeft(const TWMMouse& msg) {
    mouseInside_ = false;
    SetPicture(pic_);
    Fire(OnMouseLeave, msg);
}

void TImgBtn::LeftButtonDown(wxMouseEvent& event) {
    if (!HasCapture()) CaptureMouse();
    clickBegan_ = true;
    if (!Supported) return;
    buttonPressed_ = true;
    if (mouseInside_) SetPicture(picDown_);
    Fire(OnMouseDown, Message(event));
}

void TImgBtn::LeftButtonUp(wxMouseEvent& event) {
    if (HasCapture()) ReleaseMouse();
    const bool click = clickBegan_ && GetClientRect().Contains(event.GetPosition());
    clickBegan_ = false;
    if (click && OnClick) OnClick();
    if (!Supported) return;
    buttonPressed_ = false;
    if (mouseInside_) SetPicture(picUp_);
    Fire(OnMouseUp, Message(event));
}

void TImgBtn::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    if (picture_.IsOk()) dc.DrawBitmap(picture_, 0, 0);
}

}  // namespace quarnel
