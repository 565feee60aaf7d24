// The launcher as a player starts it: its own process in a client folder,
// a release and a news page on a loopback server, the X server of the tests.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <wx/colour.h>
#include <wx/image.h>

#include "platform/Profile.h"
#include "support/ReleaseFixture.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "window/WindowSupport.h"

extern char** environ;

using namespace quarnel;
using namespace quarnel::test;

namespace {

// The launcher's process, ended with the test.
class Launcher {
public:
    Launcher(const std::filesystem::path& folder, const std::filesystem::path& home) {
        std::vector<std::string> environment;
        for (char** variable = environ; *variable != nullptr; ++variable)
            if (std::string(*variable).rfind("HOME=", 0) != 0) environment.emplace_back(*variable);
        environment.push_back("HOME=" + home.string());
        std::vector<char*> envp;
        for (std::string& variable : environment) envp.push_back(variable.data());
        envp.push_back(nullptr);
        std::string program = QUARNEL_LAUNCHER;
        char* argv[] = {program.data(), nullptr};

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        const int error = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) throw std::runtime_error("cannot start " + program);
    }
    ~Launcher() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    // False once the process has ended.
    bool Running() { return ::waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    pid_t pid_ = -1;
};

bool SameArea(const wxImage& screen, const wxPoint& at, const wxImage& picture, const wxSize& size) {
    for (int y = 0; y < size.y; ++y)
        for (int x = 0; x < size.x; ++x)
            if (screen.GetRed(at.x + x, at.y + y) != picture.GetRed(x, y) ||
                screen.GetGreen(at.x + x, at.y + y) != picture.GetGreen(x, y) ||
                screen.GetBlue(at.x + x, at.y + y) != picture.GetBlue(x, y))
                return false;
    return true;
}

wxImage Asset(const char* name) {
    return wxImage(std::string(QUARNEL_ASSETS_DIR) + name, wxBITMAP_TYPE_PNG);
}

}  // namespace

TEST(Launcher, UpdatesTheClientShowsTheNewsAndKeepsItsShape) {
    ReleaseFixture release;
    release.rev = 3;
    release.critical = {{"Wow.exe", "MZ the game"}, {"Data/common.dat", std::string(300000, 'c')}};
    release.normal = {{"Data/patch-3.dat", std::string(200000, 'p')}, {"readme.txt", "Вперёд!\n"}};
    release.Publish();
    TestHttpServer server;
    server.ServeFolder(release.folder.Path().string(), "/release");
    const wxColour newsColour(0x1B, 0x2A, 0x3C);
    server.Respond("/news.html", 200,
                   "<html><body style='margin:0;background:#1b2a3c;color:#c8d4e4;font:15px sans-serif'>"
                   "<h2 style='margin:18px'>Новости Quarnel</h2><p style='margin:18px'>Обновление 3: новые земли, "
                   "исправления и подарки для всех героев.</p></body></html>",
                   "text/html; charset=utf-8");

    TempDir client, home;
    std::filesystem::create_directory(home.Path() / "Desktop");
    client.Write("Wow.exe", "an old game");
    client.Write("_settings.ini", "[main]\r\nNewsUrl=" + server.Url("/news.html") +
                                      "\r\nUpdatesUrl=" + server.Url("/release") +
                                      "\r\nLinkName=Quarnel\r\nInstalled=0\r\nCreateBackup=0\r\nAtRevision=1\r\n");

    Launcher launcher(client.Path(), home.Path());
    unsigned long window = 0;
    ASSERT_TRUE(PumpUntil([&] { return (window = FindTopLevel("Brennox")) != 0 || !launcher.Running(); }));
    ASSERT_NE(window, 0u) << "the launcher ended";

    // The run is over once it has stored the revision and shown Play again.
    const auto settings = client / "_settings.ini";
    ASSERT_TRUE(PumpUntil([&] { return GetProfileString("main", "AtRevision", "", settings) == "3"; }));
    const wxPoint origin = ScreenPosition(window);
    const wxImage play = Asset("play_lit.png");
    wxImage screen;
    const bool shown = PumpUntil([&] {
        screen = GrabScreen();
        auto colour = [&](const wxPoint& at) {
            return wxColour(screen.GetRed(origin.x + at.x, origin.y + at.y),
                            screen.GetGreen(origin.x + at.x, origin.y + at.y),
                            screen.GetBlue(origin.x + at.x, origin.y + at.y));
        };
        // The page fills the whole panel, from its top to its bottom row.
        return SameArea(screen, origin + wxPoint(689, 484), play, {96, 99}) &&
               colour({400, 169}) == newsColour && colour({760, 480}) == newsColour;
    });
    const std::string artifacts = QUARNEL_ARTIFACTS_DIR;
    std::filesystem::create_directories(artifacts);
    screen.SaveFile(artifacts + "/launcher.png", wxBITMAP_TYPE_PNG);
    std::printf("screenshot: %s/launcher.png\n", artifacts.c_str());
    ASSERT_TRUE(shown) << "Play shown again and the news page on the panel";

    for (const auto* files : {&release.critical, &release.normal})
        for (const auto& [path, content] : *files) EXPECT_EQ(client.Read(path), content) << path;
    EXPECT_FALSE(std::filesystem::exists(client / "files.lst"));
    EXPECT_FALSE(std::filesystem::exists(client / "files.lst.bz2"));
    EXPECT_EQ(GetProfileString("main", "Installed", "", settings), "1");
    const std::string entry = home.Read("Desktop/Quarnel.desktop");
    EXPECT_NE(entry.find("\nExec=\"" + std::filesystem::canonical(QUARNEL_LAUNCHER).string() + "\"\n"),
              std::string::npos)
        << entry;

    // Exactly the background's non-white pixels make the window.
    const wxImage background = Asset("background.png");
    int64_t opaque = 0, area = 0;
    for (int y = 0; y < background.GetHeight(); ++y)
        for (int x = 0; x < background.GetWidth(); ++x)
            opaque += background.GetRed(x, y) != 255 || background.GetGreen(x, y) != 255 ||
                      background.GetBlue(x, y) != 255;
    for (const wxRect& rect : ShapeRectangles(window)) area += static_cast<int64_t>(rect.width) * rect.height;
    EXPECT_EQ(area, opaque);
    EXPECT_EQ(origin, wxPoint((1024 - 800) / 2, (768 - 599) / 2));
    // The desktop shows through the cut-away corner.
    EXPECT_EQ(screen.GetRed(origin.x, origin.y) == 255 && screen.GetGreen(origin.x, origin.y) == 255, false);
    EXPECT_TRUE(launcher.Running());
}
