// The launcher's one window: a frameless window cut to the shape of its
// background picture, with the news panel, the status line, two gauges and
// four picture buttons. It starts the update workers and is the receiving
// side of their UI channel.
#pragma once

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/region.h>
#include <wx/timer.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "launcher/window/Gauge.h"
#include "launcher/window/ImgBtn.h"
#include "launcher/window/WindowQueue.h"
#include "update/GetFilesThr.h"

class wxPanel;
class wxStaticText;
class wxWebView;

namespace quarnel {

inline constexpr const char* kApplicationTitle = "Brennox";

// What the window takes from the program; the tests give their own.
struct TFMainSetup {
    // The background and button pictures, ending in "/".
    std::string assetsDir;
    // A modal message box titled with the application title, one OK button;
    // style carries the icon (wxICON_NONE or wxICON_STOP).
    std::function<void(const std::string& text, long style)> messageBox;
    // A suspended worker reporting to view through mainThread.
    std::function<std::unique_ptr<GFilesThread>(std::shared_ptr<TMainThreadQueue> mainThread, TUpdateView& view)>
        makeWorker;
};

// The window's shape: every pixel of the picture whose colour differs from
// its top-left pixel's.
wxRegion WindowShape(const wxBitmap& picture);

// An error's text as the error box shows it: with "." appended unless it
// ends in a character ordered at or before ".".
std::string ErrorBoxText(const std::string& message);

class TFMain : public wxFrame, public TUpdateView {
public:
    explicit TFMain(TFMainSetup setup);
    ~TFMain() override;

    TGauge* Gauge1;
    TGauge* Gauge2;
    wxBitmap Image1;
    wxStaticText* Label1;
    wxStaticText* Label2;
    wxStaticText* Label3;
    TImgBtn* ImgBtn1;
    TImgBtn* ImgBtn2;
    TImgBtn* ImgBtn3;
    TImgBtn* ImgBtn4;
    wxPanel* Panel1;
    // Made once the window has been painted, or when the news is asked for.
    wxWebView* WebBrowser1 = nullptr;
    wxTimer Timer1;

    bool DragActive = false;
    int32_t DragOriginX = 0;
    int32_t DragOriginY = 0;

    // The handlers; each shows in the error box what escapes it.
    void FormCreate();
    void FormMouseDown(int x, int y);
    void FormMouseMove(int x, int y);
    void FormMouseUp();
    void ImgBtn4Click();
    void ImgBtn3Click();
    void ImgBtn2Click();
    void ImgBtn1Click();
    void FormClose();
    void WebBrowser1NavigateComplete2();
    void Timer1Timer();

    // The receiving side of the workers' channel.
    void SetStatusCaption(const std::string& text) override;
    void SetButtonsVisible(bool visible) override;
    void UpdateRevision(const std::string& value) override;

    // True while a worker this window started has not ended.
    bool WorkerRunning() const { return workerRunning_; }
    // The shape given to the window; empty until it has been cut.
    const wxRegion& Shape() const { return shape_; }

protected:
    void GaugeChanged(TGaugeIndex index) override;

private:
    wxBitmap LoadPicture(const std::string& name) const;
    TImgBtn* AddButton(const wxPoint& position, const wxSize& size, const std::string& picture,
                       void (TFMain::*click)());
    wxStaticText* AddLabel(const wxPoint& position, const wxSize& size, const char* caption, const wxColour& colour,
                           long style);
    void CreateBrowser();
    void StartWorker(bool forceFullCheck);
    // Runs a handler; an error it raises goes to the error box.
    void Guard(const std::function<void()>& handler);
    // Mouse events on the bare background; none over a child control.
    void OnFormMouse(wxMouseEvent& event);
    void OnPaint(wxPaintEvent& event);

    TFMainSetup setup_;
    std::shared_ptr<TWindowQueue> queue_;
    wxRegion shape_;
    bool newsRequested_ = false;
    bool workerRunning_ = false;
    bool closed_ = false;
};

}  // namespace quarnel
