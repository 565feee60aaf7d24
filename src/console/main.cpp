// quarnel-update: one update run of the client folder it is started in,
// without the window, for operators, scripts and players without a desktop.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "console/ConsoleView.h"
#include "launcher/Settings.h"
#include "platform/EventLoop.h"
#include "platform/Exceptions.h"
#include "platform/IntConv.h"
#include "update/GetFilesThr.h"

using namespace quarnel;

namespace {

constexpr const char* kUsage = "usage: quarnel-update [--force]\n";
constexpr const char* kHelp =
    "Brings the game client in the current folder up to the release its\n"
    "_settings.ini points at, as the launcher does at start-up.\n"
    "\n"
    "  --force     check every file, not only the critical ones\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: 0 when every file is up to date, 1 when the update failed,\n"
    "2 when the settings are missing or wrong.\n";

// The run's last words: success is all files updated, or nothing to do.
bool Succeeded(const std::string& status) {
    return status.empty() || status == "Все файлы были обновлены";
}

}  // namespace

int main(int argc, char** argv) {
    bool force = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--force") == 0) {
            force = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quarnel-update %s\n", QUARNEL_VERSION);
            return 0;
        } else {
            std::fprintf(stderr, "quarnel-update: unknown argument '%s'\n%s", argv[i], kUsage);
            return 2;
        }
    }

    if (!LoadSettings()) {
        std::fputs("ОШИБКА: _settings.ini Не найден!\n", stderr);
        return 2;
    }
    auto loop = std::make_shared<TEventLoop>();
    TConsoleView view(stdout, stderr, ::isatty(STDERR_FILENO) != 0);
    try {
        auto worker = std::make_unique<GFilesThread>(loop, view);
        worker->UpdatesUrl = (*SettingsList)[UpdatesUrlSlot];
        worker->ForceFullCheck = force;
        worker->BackupEnabled = StrToInt((*SettingsList)[CreateBackupSlot]);
        worker->LocalRevision = StrToInt((*SettingsList)[AtRevisionSlot]);
        worker->OnTerminate = [&loop](TThread&) { loop->Quit(); };
        TThread::Resume(std::move(worker));
    } catch (const EConvertError& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 2;
    }
    loop->Run();
    loop->Close();
    view.Finish();
    ReleaseSettings();
    return Succeeded(view.Status()) ? 0 : 1;
}
