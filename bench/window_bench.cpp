// The window's costs on a display: cutting the 800 x 599 background into
// the window's shape, and the time from the program's start to the first
// paint of the window (the news page's own load comes a second later).
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/image.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "launcher/Settings.h"
#include "launcher/window/UnitMain.h"

using namespace quarnel;
using Clock = std::chrono::steady_clock;

namespace {

const Clock::time_point kStart = Clock::now();

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs the toolkit's events until done holds.
template <typename Done>
void Pump(Done done) {
    auto* loop = static_cast<wxGUIEventLoop*>(wxEventLoopBase::GetActive());
    while (!done()) {
        wxTheApp->ProcessPendingEvents();
        loop->DispatchTimeout(5);
    }
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(wxApp);

int main(int argc, char** argv) {
    if (!wxEntryStart(argc, argv)) {
        std::fputs("window_bench: needs a display\n", stderr);
        return 1;
    }
    wxImage::AddHandler(new wxPNGHandler);
    wxGUIEventLoop loop;
    wxEventLoopActivator active(&loop);

    // A client folder whose settings need no first-run set-up.
    const auto folder = std::filesystem::temp_directory_path() / ("quarnel-window-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "_settings.ini") << "[main]\r\nInstalled=1\r\n";
    std::filesystem::current_path(folder);

    TFMainSetup setup;
    setup.assetsDir = QUARNEL_ASSETS_DIR;
    setup.messageBox = [](const std::string& text, long) { std::fprintf(stderr, "window_bench: %s\n", text.c_str()); };
    auto* form = new TFMain(setup);
    bool painted = false;
    form->Bind(wxEVT_PAINT, [&painted](wxPaintEvent& event) {
        painted = true;
        event.Skip();
    });
    form->Show();
    Pump([&] { return painted; });
    const double firstPaint = Milliseconds(Clock::now() - kStart);

    const wxBitmap& picture = form->Image1;
    std::vector<double> region, shaped;
    for (int i = 0; i < 30; ++i) {
        const auto begin = Clock::now();
        const wxRegion shape = WindowShape(picture);
        const auto built = Clock::now();
        form->SetShape(shape);
        const auto applied = Clock::now();
        region.push_back(Milliseconds(built - begin));
        shaped.push_back(Milliseconds(applied - begin));
    }

    std::printf("window shape of the 800x599 background: %.2f ms (region %.2f ms; target 20 ms)\n", Median(shaped),
                Median(region));
    std::printf("window start to first paint: %.0f ms (target 400 ms)\n", firstPaint);
    form->Close(true);
    Pump([&] { return wxTopLevelWindows.empty(); });
    ReleaseSettings();
    std::filesystem::current_path("/");
    std::filesystem::remove_all(folder);
    wxEntryCleanup();
    return 0;
}
