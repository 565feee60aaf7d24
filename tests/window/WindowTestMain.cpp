// The window tests' main. Listing the tests touches nothing; running them
// starts an X server and the toolkit on it first.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>

#include <memory>

#include "window/WindowSupport.h"

wxIMPLEMENT_APP_NO_MAIN(wxApp);

// The toolkit's libraries keep what they allocate until the process ends.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libgtk-3\nleak:libgdk-3\nleak:libglib-2\nleak:libgobject-2\nleak:libgio-2\nleak:libfontconfig\n"
           "leak:libpango\nleak:libcairo\nleak:libwebkit2gtk\nleak:libjavascriptcore\nleak:libwx_\nleak:libatk\n"
           "leak:libgdk_pixbuf\nleak:libharfbuzz\nleak:libX11\nleak:libdbus\nleak:libepoxy\nleak:libEGL\n";
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();

    quarnel::test::Xvfb xvfb;
    if (!wxEntryStart(argc, argv)) {
        std::fputs("the toolkit did not start\n", stderr);
        return 1;
    }
    wxImage::AddHandler(new wxPNGHandler);
    // A failed check of the toolkit's own is a failed test, not a dialog.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond,
                          const wxString& msg) {
        ADD_FAILURE() << "toolkit assertion " << cond << " in " << func << " (" << file << ":" << line
                      << "): " << msg;
    });
    int result;
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator active(&loop);
        result = RUN_ALL_TESTS();
        quarnel::test::PumpPending();
    }
    wxEntryCleanup();
    return result;
}
