#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/panel.h>

#include <string>
#include <vector>

#include "launcher/window/ImgBtn.h"
#include "window/WindowSupport.h"

using namespace quarnel;
using namespace quarnel::test;
using Strings = std::vector<std::string>;

namespace {

wxBitmap Filled(const wxColour& colour) {
    wxImage image(40, 20);
    image.SetRGB(wxRect(0, 0, 40, 20), colour.Red(), colour.Green(), colour.Blue());
    return wxBitmap(image);
}

class ImgBtnTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame->Show();
        button->SetPic(pic);
        button->SetPicDown(down);
        button->SetPicUp(up);
        button->SetPicture(initial);
        button->OnMouseEnter = [this](const TWMMouse&) { log.push_back("enter"); };
        button->OnMouseLeave = [this](const TWMMouse&) { log.push_back("leave"); };
        button->OnMouseDown = [this](const TWMMouse&) { log.push_back("down"); };
        button->OnMouseUp = [this](const TWMMouse& msg) {
            log.push_back("up@" + std::to_string(msg.XPos) + "," + std::to_string(msg.YPos));
        };
        // What the button shows while the click runs.
        button->OnClick = [this] { log.push_back("click:" + Shown()); };
    }
    void TearDown() override {
        frame->Destroy();
        PumpPending();
    }

    std::string Shown() const {
        const wxBitmap& shown = button->Picture();
        if (shown.IsSameAs(pic)) return "Pic";
        if (shown.IsSameAs(up)) return "PicUp";
        if (shown.IsSameAs(down)) return "PicDown";
        if (shown.IsSameAs(initial)) return "Picture";
        return "?";
    }

    void Send(wxEventType type, const wxPoint& at) {
        wxMouseEvent event(type);
        event.SetPosition(at);
        event.SetEventObject(button);
        button->ProcessWindowEvent(event);
    }

    struct Step {
        const char* what;
        wxEventType type;
        wxPoint at;
        bool inside;
        bool pressed;
        const char* shown;
        Strings log;
    };

    void Walk(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.what);
            log.clear();
            Send(step.type, step.at);
            EXPECT_EQ(button->MouseInside(), step.inside);
            EXPECT_EQ(button->ButtonPressed(), step.pressed);
            EXPECT_EQ(Shown(), step.shown);
            EXPECT_EQ(log, step.log);
        }
    }

    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "buttons", {0, 0}, {200, 100});
    // A frame stretches a sole child over its client area; a panel does not.
    wxPanel* panel = new wxPanel(frame);
    TImgBtn* button = new TImgBtn(panel, {10, 10}, {40, 20});
    wxBitmap pic = Filled(*wxBLUE), up = Filled(*wxGREEN), down = Filled(*wxRED), initial = Filled(*wxYELLOW);
    Strings log;
};

const wxPoint kIn{5, 5};
const wxPoint kOut{60, 30};

}  // namespace

TEST_F(ImgBtnTest, StartsOutsideAndUpWithThePictureItWasGiven) {
    EXPECT_FALSE(button->MouseInside());
    EXPECT_FALSE(button->ButtonPressed());
    EXPECT_TRUE(button->Supported);
    EXPECT_EQ(Shown(), "Picture");
}

TEST_F(ImgBtnTest, FollowsTheStateTable) {
    Walk({
        {"enter", wxEVT_ENTER_WINDOW, kIn, true, false, "PicUp", {"enter"}},
        {"press inside", wxEVT_LEFT_DOWN, kIn, true, true, "PicDown", {"down"}},
        {"release inside clicks before PicUp shows", wxEVT_LEFT_UP, kIn, true, false, "PicUp",
         {"click:PicDown", "up@5,5"}},
        {"press again", wxEVT_LEFT_DOWN, kIn, true, true, "PicDown", {"down"}},
        {"leave while pressed", wxEVT_LEAVE_WINDOW, kOut, false, true, "Pic", {"leave"}},
        {"come back while pressed", wxEVT_ENTER_WINDOW, kIn, true, true, "PicDown", {"enter"}},
        {"leave again", wxEVT_LEAVE_WINDOW, kOut, false, true, "Pic", {"leave"}},
        {"release outside: no click", wxEVT_LEFT_UP, kOut, false, false, "Pic", {"up@60,30"}},
        {"enter unpressed", wxEVT_ENTER_WINDOW, kIn, true, false, "PicUp", {"enter"}},
        {"leave unpressed", wxEVT_LEAVE_WINDOW, kOut, false, false, "Pic", {"leave"}},
    });
}

TEST_F(ImgBtnTest, UnsupportedChangesNothingButStillClicks) {
    button->Supported = false;
    Walk({
        {"enter", wxEVT_ENTER_WINDOW, kIn, false, false, "Picture", {}},
        {"press", wxEVT_LEFT_DOWN, kIn, false, false, "Picture", {}},
        {"release inside", wxEVT_LEFT_UP, kIn, false, false, "Picture", {"click:Picture"}},
        {"press again", wxEVT_LEFT_DOWN, kIn, false, false, "Picture", {}},
        {"release outside", wxEVT_LEFT_UP, kOut, false, false, "Picture", {}},
        {"leave", wxEVT_LEAVE_WINDOW, kOut, false, false, "Picture", {}},
    });
}

TEST_F(ImgBtnTest, PicShowsAtOnceWhilePicUpAndPicDownWaitForTheNextReaction) {
    const wxBitmap other = Filled(*wxCYAN);
    button->SetPicUp(other);
    button->SetPicDown(other);
    EXPECT_EQ(Shown(), "Picture");
    Send(wxEVT_ENTER_WINDOW, kIn);
    EXPECT_TRUE(button->Picture().IsSameAs(other));
    button->SetPic(pic);
    EXPECT_EQ(Shown(), "Pic") << "Pic is shown even with the pointer inside";
}

TEST_F(ImgBtnTest, PointerMovingOffWhileHeldCountsAsLeaving) {
    Send(wxEVT_ENTER_WINDOW, kIn);
    Send(wxEVT_LEFT_DOWN, kIn);
    ASSERT_TRUE(button->HasCapture());
    log.clear();
    Send(wxEVT_MOTION, kOut);
    Send(wxEVT_LEAVE_WINDOW, kOut);
    EXPECT_EQ(log, Strings{"leave"}) << "one leave, whichever notification comes first";
    EXPECT_EQ(Shown(), "Pic");
    Send(wxEVT_MOTION, kIn);
    EXPECT_EQ(Shown(), "PicDown");
    Send(wxEVT_LEFT_UP, kIn);
    EXPECT_FALSE(button->HasCapture());
}
