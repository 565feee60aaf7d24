#include "window/WindowSupport.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <thread>

#include <wx/app.h>
#include <wx/evtloop.h>

namespace quarnel::test {

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr OpenDisplay() {
    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) throw std::runtime_error("cannot open the X display");
    return display;
}

}  // namespace

Xvfb::Xvfb() {
    int ready[2];
    if (::pipe(ready) != 0) throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(ready[0]);
        const std::string fd = std::to_string(ready[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ready[1]);
    // Xvfb writes its display number once it accepts connections.
    std::string number;
    char c;
    while (::read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(ready[0]);
    if (pid_ < 0 || number.empty()) throw std::runtime_error("Xvfb did not start");
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
}

Xvfb::~Xvfb() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

void PumpPending() {
    wxTheApp->ProcessPendingEvents();
    while (wxEventLoopBase::GetActive()->Pending()) wxEventLoopBase::GetActive()->Dispatch();
    wxTheApp->ProcessIdle();
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto* loop = static_cast<wxGUIEventLoop*>(wxEventLoopBase::GetActive());
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        wxTheApp->ProcessPendingEvents();
        loop->DispatchTimeout(10);
        wxTheApp->ProcessIdle();
    }
    return true;
}

unsigned long FindTopLevel(const std::string& title) {
    const DisplayPtr display = OpenDisplay();
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(display.get(), DefaultRootWindow(display.get()), &root, &parent, &children, &count);
    unsigned long found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        char* name = nullptr;
        if (XGetWindowAttributes(display.get(), children[i], &attributes) && attributes.map_state == IsViewable &&
            XFetchName(display.get(), children[i], &name) && name != nullptr && title == name)
            found = children[i];
        if (name != nullptr) XFree(name);
    }
    if (children != nullptr) XFree(children);
    return found;
}

std::vector<wxRect> ShapeRectangles(unsigned long window) {
    const DisplayPtr display = OpenDisplay();
    int count = 0, ordering = 0;
    XRectangle* rectangles = XShapeGetRectangles(display.get(), window, ShapeBounding, &count, &ordering);
    std::vector<wxRect> shape;
    for (int i = 0; i < count; ++i)
        shape.emplace_back(rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height);
    if (rectangles != nullptr) XFree(rectangles);
    return shape;
}

wxPoint ScreenPosition(unsigned long window) {
    const DisplayPtr display = OpenDisplay();
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display.get(), window, DefaultRootWindow(display.get()), 0, 0, &x, &y, &child);
    return {x, y};
}

wxImage GrabScreen() {
    const DisplayPtr display = OpenDisplay();
    const Window root = DefaultRootWindow(display.get());
    XWindowAttributes attributes;
    XGetWindowAttributes(display.get(), root, &attributes);
    XImage* shot = XGetImage(display.get(), root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (shot == nullptr) throw std::runtime_error("cannot read the screen");
    wxImage image(attributes.width, attributes.height);
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long pixel = XGetPixel(shot, x, y);
            image.SetRGB(x, y, (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
        }
    }
    XDestroyImage(shot);
    return image;
}

}  // namespace quarnel::test
