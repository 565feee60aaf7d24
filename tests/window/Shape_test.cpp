#include <gtest/gtest.h>

#include <wx/image.h>
#include <wx/region.h>

#include "launcher/window/UnitMain.h"

using namespace quarnel;

namespace {

int64_t Area(const wxRegion& region) {
    int64_t area = 0;
    for (wxRegionIterator it(region); it; ++it) area += static_cast<int64_t>(it.GetW()) * it.GetH();
    return area;
}

int64_t KeyPixels(const wxImage& image) {
    int64_t count = 0;
    const unsigned char* key = image.GetData();
    const unsigned char* pixel = image.GetData();
    for (int i = 0; i < image.GetWidth() * image.GetHeight(); ++i, pixel += 3)
        if (pixel[0] == key[0] && pixel[1] == key[1] && pixel[2] == key[2]) ++count;
    return count;
}

}  // namespace

TEST(WindowShape, EveryPixelOfTheTopLeftColourIsAHole) {
    // A grey picture in a frame of a colour that is not white, with one
    // more pixel of that colour inside and one almost like it.
    const wxColour key(10, 200, 30);
    wxImage image(40, 30);
    image.SetRGB(wxRect(0, 0, 40, 30), key.Red(), key.Green(), key.Blue());
    image.SetRGB(wxRect(2, 3, 35, 24), 90, 90, 90);
    image.SetRGB(20, 15, key.Red(), key.Green(), key.Blue());
    image.SetRGB(21, 15, key.Red(), key.Green(), key.Blue() + 1);

    const wxRegion shape = WindowShape(wxBitmap(image));
    EXPECT_EQ(Area(shape), 40 * 30 - KeyPixels(image));
    EXPECT_EQ(shape.Contains(0, 0), wxOutRegion);
    EXPECT_EQ(shape.Contains(20, 15), wxOutRegion) << "a single key pixel inside";
    EXPECT_EQ(shape.Contains(21, 15), wxInRegion) << "only the exact colour is cut";
    EXPECT_EQ(shape.Contains(2, 3), wxInRegion);
    EXPECT_EQ(shape.Contains(36, 26), wxInRegion);
    EXPECT_EQ(shape.Contains(37, 26), wxOutRegion);
}

TEST(WindowShape, TheBackgroundKeepsItsSurroundOut) {
    wxImage picture(QUARNEL_ASSETS_DIR "background.png", wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(picture.IsOk());
    EXPECT_EQ(picture.GetSize(), wxSize(800, 599));
    EXPECT_FALSE(picture.HasAlpha());
    EXPECT_EQ(wxColour(picture.GetRed(0, 0), picture.GetGreen(0, 0), picture.GetBlue(0, 0)), *wxWHITE);

    const int64_t holes = KeyPixels(picture);
    const wxRegion shape = WindowShape(wxBitmap(picture));
    EXPECT_GT(holes, 0);
    EXPECT_EQ(Area(shape), 800 * 599 - holes);
    EXPECT_EQ(shape.Contains(400, 300), wxInRegion);
}
