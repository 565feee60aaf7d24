// Draws the window's pictures into a folder: the background and the lit and
// plain picture of each button. It needs a display for its fonts:
//   cmake --build build --target drawskin && xvfb-run build/drawskin assets
#include <wx/app.h>
#include <wx/brush.h>
#include <wx/font.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/pen.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 599;
// The key colour: whatever is painted in it is cut out of the window.
const wxColour kKey(255, 255, 255);

using Canvas = std::unique_ptr<wxGraphicsContext>;

Canvas Draw(wxImage& image) {
    Canvas gc(wxGraphicsContext::Create(image));
    gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
    return gc;
}

wxFont Face(double pixels, bool bold, const char* face = "DejaVu Sans") {
    wxFontInfo info(wxSize(0, static_cast<int>(pixels)));
    info.FaceName(face);
    if (bold) info.Bold();
    return wxFont(info);
}

// Text centred on (cx, cy), with extra room between the letters.
void CentredText(wxGraphicsContext& gc, const wxString& text, double cx, double cy, double spacing = 0) {
    double total = 0;
    for (const wxUniChar c : text) {
        double w, h;
        gc.GetTextExtent(wxString(c), &w, &h);
        total += w + spacing;
    }
    total -= spacing;
    double th;
    gc.GetTextExtent(text, nullptr, &th);
    double x = cx - total / 2;
    for (const wxUniChar c : text) {
        double w, h;
        gc.GetTextExtent(wxString(c), &w, &h);
        gc.DrawText(wxString(c), x, cy - th / 2);
        x += w + spacing;
    }
}

// The window's outline: a rounded body with a tab at the top and bottom
// centre and a grip on either side. Hard-edged, so no pixel of the rim is
// blended with the key colour.
bool InsideBody(double x, double y) {
    const double left = 6, top = 6, right = 794, bottom = 593, radius = 16;
    auto trapezoid = [&](double edge, double outer, double from, double to, double v, double u) {
        // A tab from the edge outwards, narrowing by one pixel per pixel.
        const double depth = std::fabs(v - edge);
        if ((outer < edge && (v < outer || v > edge)) || (outer > edge && (v > outer || v < edge))) return false;
        return u >= from + depth && u <= to - depth;
    };
    if (trapezoid(top, 0, 316, 484, y, x) || trapezoid(bottom, kHeight, 316, 484, y, x)) return true;
    if (trapezoid(left, 0, 250, 350, x, y) || trapezoid(right, kWidth, 250, 350, x, y)) return true;
    if (x < left || x > right || y < top || y > bottom) return false;
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    return std::hypot(x - cx, y - cy) <= radius;
}

void Background(wxImage& image) {
    image.Create(kWidth, kHeight);
    {
        Canvas gc = Draw(image);
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(gc->CreateLinearGradientBrush(0, 0, 0, kHeight, wxColour(26, 34, 50), wxColour(9, 12, 18)));
        gc->DrawRectangle(0, 0, kWidth, kHeight);

        // A cold glow behind the title.
        gc->SetBrush(gc->CreateRadialGradientBrush(400, 70, 400, 70, 330, wxColour(52, 80, 128, 150),
                                                   wxColour(52, 80, 128, 0)));
        gc->DrawRectangle(0, 0, kWidth, 240);

        // Title and its ornaments.
        gc->SetFont(Face(50, true, "DejaVu Serif"), wxColour(0, 0, 0, 160));
        CentredText(*gc, "QUARNEL", 402, 74, 10);
        gc->SetFont(Face(50, true, "DejaVu Serif"), wxColour(222, 190, 118));
        CentredText(*gc, "QUARNEL", 400, 71, 10);
        gc->SetFont(Face(13, false), wxColour(133, 157, 179));
        CentredText(*gc, wxString::FromUTF8("НОВОСТИ  ·  ОБНОВЛЕНИЯ  ·  ИГРА"), 400, 118, 2);
        for (const int side : {-1, 1}) {
            const double inner = 400 + side * 190.0, outer = 400 + side * 360.0;
            gc->SetPen(*wxTRANSPARENT_PEN);
            gc->SetBrush(gc->CreateLinearGradientBrush(inner, 0, outer, 0, wxColour(222, 190, 118, 220),
                                                       wxColour(222, 190, 118, 0)));
            gc->DrawRectangle(std::min(inner, outer), 70, std::fabs(outer - inner), 1.5);
            wxGraphicsPath diamond = gc->CreatePath();
            const double dx = inner - side * 12.0;
            diamond.MoveToPoint(dx, 64);
            diamond.AddLineToPoint(dx + 6, 70.5);
            diamond.AddLineToPoint(dx, 77);
            diamond.AddLineToPoint(dx - 6, 70.5);
            diamond.CloseSubpath();
            gc->SetBrush(wxBrush(wxColour(222, 190, 118)));
            gc->FillPath(diamond);
        }

        // The frame of the news panel, which fills 32,168 737 x 313.
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(wxBrush(wxColour(12, 16, 24)));
        gc->DrawRectangle(32, 168, 737, 313);
        gc->SetBrush(*wxTRANSPARENT_BRUSH);
        gc->SetPen(wxPen(wxColour(54, 72, 102), 1));
        gc->DrawRectangle(29.5, 165.5, 742, 318);
        gc->SetPen(wxPen(wxColour(20, 27, 40), 1));
        gc->DrawRectangle(30.5, 166.5, 740, 316);
        gc->SetFont(Face(12, false), wxColour(54, 70, 96));
        gc->DrawText(wxString::FromUTF8("НОВОСТИ"), 34, 148);
        gc->SetFont(Face(40, true), wxColour(22, 30, 44));
        CentredText(*gc, "QUARNEL", 400, 325, 14);

        // The bottom bar: status line, captions and gauges.
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(gc->CreateLinearGradientBrush(0, 494, 0, 593, wxColour(8, 11, 16), wxColour(3, 4, 6)));
        gc->DrawRectangle(12, 494, 776, 96);
        gc->SetBrush(gc->CreateLinearGradientBrush(12, 0, 788, 0, wxColour(54, 72, 102, 0),
                                                   wxColour(90, 116, 158)));
        gc->DrawRectangle(12, 493, 388, 1);
        gc->SetBrush(gc->CreateLinearGradientBrush(400, 0, 788, 0, wxColour(90, 116, 158),
                                                   wxColour(54, 72, 102, 0)));
        gc->DrawRectangle(400, 493, 388, 1);
        gc->SetBrush(*wxTRANSPARENT_BRUSH);
        gc->SetPen(wxPen(wxColour(38, 52, 74), 1));
        gc->DrawRectangle(125.5, 529.5, 433, 8);
        gc->DrawRectangle(125.5, 544.5, 433, 8);

        // A black well for the round Play button.
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(gc->CreateRadialGradientBrush(737, 533, 737, 533, 64, wxColour(0, 0, 0),
                                                   wxColour(0, 0, 0, 0)));
        gc->DrawEllipse(737 - 64, 533 - 64, 128, 128);
        gc->SetBrush(wxBrush(wxColour(0, 0, 0)));
        gc->DrawEllipse(737 - 52, 533 - 52, 104, 104);
        gc->SetBrush(*wxTRANSPARENT_BRUSH);
        gc->SetPen(wxPen(wxColour(90, 116, 158), 1.5));
        gc->DrawEllipse(737 - 52, 533 - 52, 104, 104);
    }
    // Key colour outside the outline, never inside it; the outline's rim
    // in two rings, a light one outside a dark one.
    auto inside = [](int x, int y) { return InsideBody(x + 0.5, y + 0.5); };
    auto ring = [&](int x, int y, int distance) {
        for (int dy = -distance; dy <= distance; ++dy)
            for (int dx = -distance; dx <= distance; ++dx)
                if (!inside(x + dx, y + dy)) return true;
        return false;
    };
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (!inside(x, y))
                image.SetRGB(x, y, kKey.Red(), kKey.Green(), kKey.Blue());
            else if (ring(x, y, 1))
                image.SetRGB(x, y, 84, 108, 146);
            else if (ring(x, y, 2))
                image.SetRGB(x, y, 20, 26, 38);
            else if (image.GetRed(x, y) == kKey.Red() && image.GetGreen(x, y) == kKey.Green() &&
                     image.GetBlue(x, y) == kKey.Blue())
                image.SetRGB(x, y, 254, 254, 254);
        }
    }
}

// A button's picture starts from the background under the button.
wxImage Under(const wxImage& background, int left, int top, int width, int height) {
    return background.GetSubImage(wxRect(left, top, width, height));
}

wxImage Play(const wxImage& background, bool lit) {
    wxImage image = Under(background, 689, 484, 96, 99);
    Canvas gc = Draw(image);
    gc->SetPen(*wxTRANSPARENT_PEN);
    const double cx = 48, cy = 49.5, r = 45;
    const wxColour light = lit ? wxColour(255, 214, 120) : wxColour(214, 164, 70);
    const wxColour dark = lit ? wxColour(150, 82, 20) : wxColour(104, 56, 14);
    gc->SetBrush(gc->CreateLinearGradientBrush(0, cy - r, 0, cy + r, wxColour(120, 132, 150), wxColour(30, 36, 46)));
    gc->DrawEllipse(cx - r, cy - r, 2 * r, 2 * r);
    gc->SetBrush(gc->CreateRadialGradientBrush(cx, cy - 22, cx, cy, r - 4, light, dark));
    gc->DrawEllipse(cx - r + 4, cy - r + 4, 2 * (r - 4), 2 * (r - 4));
    // A glassy highlight on the upper half.
    gc->SetBrush(gc->CreateLinearGradientBrush(0, cy - r + 6, 0, cy, wxColour(255, 255, 255, lit ? 110 : 70),
                                               wxColour(255, 255, 255, 0)));
    gc->DrawEllipse(cx - r + 14, cy - r + 7, 2 * (r - 14), r - 6);
    gc->SetFont(Face(17, true), wxColour(40, 20, 4, 170));
    CentredText(*gc, wxString::FromUTF8("Играть"), cx + 1, cy + 2);
    gc->SetFont(Face(17, true), lit ? wxColour(255, 250, 236) : wxColour(246, 232, 204));
    CentredText(*gc, wxString::FromUTF8("Играть"), cx, cy + 1);
    return image;
}

// Shown 102 or 100 wide and 25 high: the plate keeps inside 100 x 25.
wxImage Plate(const wxImage& background, int top, const char* caption, bool lit) {
    wxImage image = Under(background, 576, top, 101, 27);
    Canvas gc = Draw(image);
    wxGraphicsPath plate = gc->CreatePath();
    plate.AddRoundedRectangle(1.5, 1.5, 97, 22, 5);
    gc->SetBrush(lit ? gc->CreateLinearGradientBrush(0, 1, 0, 24, wxColour(76, 108, 164), wxColour(36, 54, 90))
                     : gc->CreateLinearGradientBrush(0, 1, 0, 24, wxColour(46, 64, 96), wxColour(22, 32, 52)));
    gc->SetPen(wxPen(lit ? wxColour(150, 182, 232) : wxColour(82, 106, 146), 1));
    gc->DrawPath(plate);
    gc->SetFont(Face(12, true), lit ? wxColour(255, 255, 255) : wxColour(204, 216, 234));
    CentredText(*gc, wxString::FromUTF8(caption), 50, 12.5);
    return image;
}

wxImage Cross(const wxImage& background, bool lit) {
    wxImage image = Under(background, 767, 14, 20, 20);
    Canvas gc = Draw(image);
    gc->SetPen(wxPen(lit ? wxColour(150, 182, 232) : wxColour(70, 92, 126), 1));
    gc->SetBrush(wxBrush(lit ? wxColour(60, 30, 36) : wxColour(20, 26, 38)));
    gc->DrawRoundedRectangle(0.5, 0.5, 19, 19, 4);
    gc->SetPen(wxPen(lit ? wxColour(255, 236, 236) : wxColour(170, 186, 210), 2));
    gc->StrokeLine(6, 6, 14, 14);
    gc->StrokeLine(14, 6, 6, 14);
    return image;
}

bool Save(const wxImage& image, const std::string& folder, const std::string& name) {
    const std::string path = folder + "/" + name;
    if (image.SaveFile(path, wxBITMAP_TYPE_PNG)) return true;
    std::fprintf(stderr, "drawskin: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(wxApp);

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: drawskin FOLDER\n", stderr);
        return 2;
    }
    if (!wxEntryStart(argc, argv)) {
        std::fputs("drawskin: the toolkit needs a display\n", stderr);
        return 1;
    }
    wxImage::AddHandler(new wxPNGHandler);
    const std::string folder = argv[1];
    wxImage background;
    Background(background);
    bool saved = Save(background, folder, "background.png");
    for (const bool lit : {false, true}) {
        const std::string suffix = lit ? "_lit.png" : ".png";
        saved = Save(Play(background, lit), folder, "play" + suffix) && saved;
        saved = Save(Plate(background, 506, "Проверка", lit), folder, "check" + suffix) && saved;
        saved = Save(Plate(background, 534, "Отмена", lit), folder, "cancel" + suffix) && saved;
        saved = Save(Cross(background, lit), folder, "close" + suffix) && saved;
    }
    wxEntryCleanup();
    return saved ? 0 : 1;
}
