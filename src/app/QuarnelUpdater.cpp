// QuarnelUpdater: the launcher players start from the game client's folder.
// It reads no command line; its settings are _settings.ini in the current
// folder and its pictures are in assets/ beside the executable.
#include <wx/app.h>
#include <wx/msgdlg.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>

#include "launcher/window/UnitMain.h"

using namespace quarnel;

namespace {

wxString Text(const std::string& utf8) {
    return wxString::FromUTF8(utf8.data(), utf8.size());
}

TFMainSetup DefaultSetup() {
    std::error_code ignored;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", ignored);
    TFMainSetup setup;
    setup.assetsDir = (program.parent_path() / "assets").string() + "/";
    setup.messageBox = [](const std::string& text, long style) {
        wxMessageBox(Text(text), kApplicationTitle, wxOK | style);
    };
    setup.makeWorker = [](std::shared_ptr<TMainThreadQueue> mainThread, TUpdateView& view) {
        return std::make_unique<GFilesThread>(std::move(mainThread), view);
    };
    return setup;
}

class TQuarnelApp : public wxApp {
public:
    // The toolkit's own option parsing is left out: no command line is read.
    bool OnInit() override {
        SetAppName(kApplicationTitle);
        SetAppDisplayName(kApplicationTitle);
        try {
            auto* form = new TFMain(DefaultSetup());
            form->Show();
        } catch (const std::exception& error) {
            wxMessageBox(Text(ErrorBoxText(error.what())), kApplicationTitle, wxOK | wxICON_STOP);
            return false;
        }
        return true;
    }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(TQuarnelApp);

int main(int argc, char** argv) {
    const int result = wxEntry(argc, argv);
    // A worker may still be running; the window has cut it off from
    // everything it shared, and the process ends without waiting for it.
    std::fflush(nullptr);
    std::_Exit(result);
}
