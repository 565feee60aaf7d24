#include "launcher/window/UnitMain.h"

#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/webview.h>

#include <cstdlib>

#include "launcher/Settings.h"
#include "launcher/Shortcut.h"
#include "platform/Exceptions.h"
#include "platform/IntConv.h"
#include "update/Misc.h"

namespace quarnel {

namespace {

constexpr int kClientWidth = 800;
constexpr int kClientHeight = 599;
constexpr int kFontHeight = 11;

// Toolkit colour numbers hold red in the lowest byte.
wxColour ColourNumber(uint32_t value) {
    return wxColour(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

wxString Text(const std::string& utf8) {
    return wxString::FromUTF8(utf8.data(), utf8.size());
}

// Where the face is missing, the system's font matching puts its sans face
// in its place, which carries Cyrillic.
wxFont WindowFont() {
    return wxFont(wxFontInfo(wxSize(0, kFontHeight)).FaceName("MS Sans Serif"));
}

}  // namespace

wxRegion WindowShape(const wxBitmap& picture) {
    const wxImage corner = picture.GetSubBitmap(wxRect(0, 0, 1, 1)).ConvertToImage();
    return wxRegion(picture, wxColour(corner.GetRed(0, 0), corner.GetGreen(0, 0), corner.GetBlue(0, 0)));
}

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

TFMain::TFMain(TFMainSetup setup)
    : wxFrame(nullptr, wxID_ANY, kApplicationTitle, wxDefaultPosition, wxDefaultSize,
              wxFRAME_SHAPED | wxBORDER_NONE),
      Timer1(this),
      setup_(std::move(setup)),
      queue_(std::make_shared<TWindowQueue>(*this)) {
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
    SetClientSize(kClientWidth, kClientHeight);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetFont(WindowFont());

    Image1 = LoadPicture("background.png");
    const wxColour statusColour = ColourNumber(9404254);
    const wxColour captionColour = ColourNumber(11771269);
    Label3 = AddLabel({128, 512}, {429, 13}, "... Загрузка ...", statusColour,
                      wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    Label1 = AddLabel({33, 526}, {82, 13}, "Загрузка файла", captionColour, 0);
    Gauge1 = new TGauge(this, {127, 531}, {430, 5}, Gauge(FileGauge), ColourNumber(9853758));
    Label2 = AddLabel({33, 540}, {85, 13}, "Общий прогресс", captionColour, 0);
    Gauge2 = new TGauge(this, {127, 546}, {430, 5}, Gauge(TotalGauge), ColourNumber(4800910));
    ImgBtn1 = AddButton({689, 484}, {96, 99}, "play", &TFMain::ImgBtn1Click);
    ImgBtn2 = AddButton({576, 506}, {102, 25}, "check", &TFMain::ImgBtn2Click);
    ImgBtn3 = AddButton({576, 534}, {100, 25}, "cancel", &TFMain::ImgBtn3Click);
    ImgBtn4 = AddButton({767, 14}, {20, 20}, "close", &TFMain::ImgBtn4Click);

    Panel1 = new wxPanel(this, wxID_ANY, {32, 168}, {737, 313}, wxBORDER_NONE);
    Panel1->Hide();

    Bind(wxEVT_PAINT, &TFMain::OnPaint, this);
    for (const wxEventType type : {wxEVT_LEFT_DOWN, wxEVT_MIDDLE_DOWN, wxEVT_RIGHT_DOWN, wxEVT_MOTION, wxEVT_LEFT_UP,
                                   wxEVT_MIDDLE_UP, wxEVT_RIGHT_UP})
        Bind(wxEventTypeTag<wxMouseEvent>(type), &TFMain::OnFormMouse, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { FormMouseUp(); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) {
        FormClose();
        Destroy();
    });
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Timer1Timer(); }, Timer1.GetId());
    Timer1.Start(1000);

    FormCreate();
    Centre();
}

TFMain::~TFMain() {
    queue_->Close();
}

wxBitmap TFMain::LoadPicture(const std::string& name) const {
    const std::string path = setup_.assetsDir + name;
    wxLogNull quiet;
    wxBitmap picture(Text(path), wxBITMAP_TYPE_PNG);
    if (!picture.IsOk()) throw EFOpenError("Cannot open picture " + path);
    return picture;
}

// Lit when the window opens and while hovered, plain otherwise.
TImgBtn* TFMain::AddButton(const wxPoint& position, const wxSize& size, const std::string& picture,
                           void (TFMain::*click)()) {
    auto* button = new TImgBtn(this, position, size);
    const wxBitmap plain = LoadPicture(picture + ".png");
    const wxBitmap lit = LoadPicture(picture + "_lit.png");
    button->SetPic(plain);
    button->SetPicDown(plain);
    button->SetPicUp(lit);
    button->SetPicture(lit);
    button->OnClick = [this, click] { (this->*click)(); };
    return button;
}

wxStaticText* TFMain::AddLabel(const wxPoint& position, const wxSize& size, const char* caption,
                               const wxColour& colour, long style) {
    auto* label = new wxStaticText(this, wxID_ANY, Text(caption), position, size, style);
    label->SetForegroundColour(colour);
    return label;
}

void TFMain::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        setup_.messageBox(ErrorBoxText(error.what()), wxICON_STOP);
    }
}

void TFMain::FormCreate() {
    Guard([this] {
        if (LoadSettings()) {
            if ((*SettingsList)[InstalledSlot] == "0") {
                WriteInstalledMarker();
                CreateDesktopShortcut((*SettingsList)[LinkNameSlot], (*SettingsList)[AppDirSlot], "Quarnel");
            }
        } else {
            // Neither the news page nor a worker may start, even while the
            // message is open.
            Timer1.Stop();
            setup_.messageBox("ОШИБКА: _settings.ini Не найден!", wxICON_NONE);
            CallAfter([this] { Close(true); });
        }
        shape_ = WindowShape(Image1);
        SetShape(shape_);
        Refresh(false);
    });
}

// Starting the browser takes longer than everything else the window does;
// the news panel is hidden until a page has come, so the browser starts
// once the window has been painted.
void TFMain::CreateBrowser() {
    if (WebBrowser1 != nullptr) return;
    // The browser's composited drawing puts the page at the wrong height
    // in a panel that was hidden; a news page needs none of it.
    ::setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
    // Larger than its panel, which crops 8 pixels left and right, 3 at the
    // top and 125 at the bottom.
    WebBrowser1 = wxWebView::New(Panel1, wxID_ANY, wxWebViewDefaultURLStr, {-8, -3}, {753, 441});
    WebBrowser1->Bind(wxEVT_WEBVIEW_NAVIGATED, [this](wxWebViewEvent&) { WebBrowser1NavigateComplete2(); });
}

void TFMain::OnPaint(wxPaintEvent&) {
    if (WebBrowser1 == nullptr) CallAfter([this] { CreateBrowser(); });
    wxPaintDC dc(this);
    if (!shape_.IsEmpty()) {
        dc.DrawBitmap(Image1, 0, 0);
        return;
    }
    // Creation failed before the window got its picture.
    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
    dc.Clear();
}

void TFMain::OnFormMouse(wxMouseEvent& event) {
    const wxPoint point = event.GetPosition();
    if (event.ButtonDown()) {
        // Labels have no window of their own, so their presses come here.
        for (const wxWindow* child : GetChildren())
            if (child->IsShown() && child->GetRect().Contains(point)) return;
        if (!HasCapture()) CaptureMouse();
        FormMouseDown(point.x, point.y);
    } else if (event.ButtonUp()) {
        if (HasCapture()) ReleaseMouse();
        FormMouseUp();
    } else {
        FormMouseMove(point.x, point.y);
    }
}

void TFMain::FormMouseDown(int x, int y) {
    DragActive = true;
    DragOriginX = x;
    DragOriginY = y;
}

// The grabbed point returns under the pointer.
void TFMain::FormMouseMove(int x, int y) {
    if (!DragActive) return;
    Move(GetPosition() + wxPoint(x - DragOriginX, y - DragOriginY));
}

void TFMain::FormMouseUp() {
    DragActive = false;
}

void TFMain::Timer1Timer() {
    Guard([this] {
        Timer1.Stop();
        newsRequested_ = true;
        CreateBrowser();
        WebBrowser1->LoadURL(Text((*SettingsList)[NewsUrlSlot]));
        if (workerRunning_) return;
        Label3->SetLabelText(wxString());
        StartWorker(false);
    });
}

void TFMain::ImgBtn2Click() {
    Guard([this] {
        if (workerRunning_) return;
        Label3->SetLabelText(wxString());
        StartWorker(true);
    });
}

void TFMain::StartWorker(bool forceFullCheck) {
    auto worker = setup_.makeWorker(queue_, *this);
    worker->UpdatesUrl = (*SettingsList)[UpdatesUrlSlot];
    worker->ForceFullCheck = forceFullCheck;
    worker->BackupEnabled = StrToInt((*SettingsList)[CreateBackupSlot]);
    worker->LocalRevision = StrToInt((*SettingsList)[AtRevisionSlot]);
    // Runs on this thread, and only while the window is open.
    worker->OnTerminate = [this](TThread&) { workerRunning_ = false; };
    workerRunning_ = true;
    TThread::Resume(std::move(worker));
}

// A game program written for Windows names its subfolders with "\".
void TFMain::ImgBtn1Click() {
    Guard([this] {
        RunProgram((*SettingsList)[AppDirSlot] + ReplaceAll((*SettingsList)[RunCustomSlot], "\\", "/"));
        Close(true);
    });
}

void TFMain::ImgBtn3Click() {
    Guard([this] { Close(true); });
}

void TFMain::ImgBtn4Click() {
    Guard([this] { Close(true); });
}

void TFMain::FormClose() {
    Guard([this] {
        if (closed_) return;
        closed_ = true;
        // Workers still running never reach the window again.
        queue_->Close();
        Timer1.Stop();
        ReleaseSettings();
    });
}

// The blank page the browser opens with is no news.
void TFMain::WebBrowser1NavigateComplete2() {
    Guard([this] {
        if (newsRequested_) Panel1->Show();
    });
}

void TFMain::SetStatusCaption(const std::string& text) {
    Label3->SetLabelText(Text(text));
}

void TFMain::SetButtonsVisible(bool visible) {
    ImgBtn1->Show(visible);
    ImgBtn2->Show(visible);
}

void TFMain::UpdateRevision(const std::string& value) {
    quarnel::UpdateRevision(value);
}

void TFMain::GaugeChanged(TGaugeIndex index) {
    (index == FileGauge ? Gauge1 : Gauge2)->Refresh(false);
}

}  // namespace quarnel
