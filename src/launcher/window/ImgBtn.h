// A picture that works as a button: it shows one of three pictures by where
// the pointer is and whether the left button went down on it.
#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

#include <functional>

namespace quarnel {

// The pointer notification the button passes on to its own four events.
struct TWMMouse {
    wxEventType Msg = wxEVT_NULL;
    // Client coordinates of the pointer.
    int XPos = 0;
    int YPos = 0;
};

using TOnMouseEvent = std::function<void(const TWMMouse& Msg)>;

class TImgBtn : public wxWindow {
public:
    TImgBtn(wxWindow* owner, const wxPoint& position, const wxSize& size);

    // Shown while the pointer is outside; setting it shows it at once.
    const wxBitmap& Pic() const { return pic_; }
    void SetPic(const wxBitmap& picture);
    // Shown while the pointer is over the button with the left button held
    // after pressing on it; setting it changes nothing shown.
    const wxBitmap& PicDown() const { return picDown_; }
    void SetPicDown(const wxBitmap& picture) { picDown_ = picture; }
    // Shown while the pointer is over the button with the left button up.
    const wxBitmap& PicUp() const { return picUp_; }
    void SetPicUp(const wxBitmap& picture) { picUp_ = picture; }

    // The picture shown, drawn from the top-left corner and clipped.
    const wxBitmap& Picture() const { return picture_; }
    void SetPicture(const wxBitmap& picture);

    bool MouseInside() const { return mouseInside_; }
    bool ButtonPressed() const { return buttonPressed_; }

    // False: the pictures never change and the four events never fire,
    // while clicks still work.
    bool Supported = true;
    TOnMouseEvent OnMouseEnter;
    TOnMouseEvent OnMouseLeave;
    TOnMouseEvent OnMouseDown;
    TOnMouseEvent OnMouseUp;
    // A left press and release both on the button.
    std::function<void()> OnClick;

private:
    void PointerEntered(const TWMMouse& msg);
    void PointerLeft(const TWMMouse& msg);
    // Enter and leave come from the system, and from the pointer's moves
    // while the button holds it, whichever tells first.
    void TrackPointer(wxMouseEvent& event, bool inside);
    void LeftButtonDown(wxMouseEvent& event);
    void LeftButtonUp(wxMouseEvent& event);
    void OnPaint(wxPaintEvent& event);

    bool mouseInside_ = false;
    bool buttonPressed_ = false;
    // The press that may become a click, as the plain picture control keeps it.
    bool clickBegan_ = false;
    wxBitmap picture_;
    wxBitmap pic_;
    wxBitmap picDown_;
    wxBitmap picUp_;
};

}  // namespace quarnel
