// What the window tests share: an X server of their own, the toolkit's
// event loop driven until something happens, and a look at the X side of
// a window (its shape and the screen's pixels).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <wx/gdicmn.h>
#include <wx/image.h>

namespace quarnel::test {

// Xvfb on a display number it picks itself; DISPLAY names it while the
// object lives.
class Xvfb {
public:
    Xvfb();
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

private:
    pid_t pid_ = -1;
};

// Runs the toolkit's events until done() holds; false when it still does
// not after timeout.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(30));
// Runs the events that are waiting now.
void PumpPending();

// The mapped top-level X window titled title, 0 when there is none.
unsigned long FindTopLevel(const std::string& title);
// The window's bounding shape as rectangles in its own coordinates.
std::vector<wxRect> ShapeRectangles(unsigned long window);
// The window's position on the screen.
wxPoint ScreenPosition(unsigned long window);
// The screen's pixels.
wxImage GrabScreen();

}  // namespace quarnel::test
