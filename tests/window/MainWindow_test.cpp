#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/weakref.h>
#include <wx/webview.h>

#include "launcher/Settings.h"
#include "launcher/window/UnitMain.h"
#include "platform/Exceptions.h"
#include "platform/Profile.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "support/WorkerHarness.h"
#include "window/WindowSupport.h"

using namespace quarnel;
using namespace quarnel::test;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kMissing = "ОШИБКА: _settings.ini Не найден!";

// A worker's launch parameters, as it saw them when its run began.
struct Launch {
    std::string updatesUrl;
    bool force;
    int32_t backup;
    int32_t revision;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* home = std::getenv("HOME")) savedHome = home;
        ::setenv("HOME", home.Path().c_str(), 1);
        std::filesystem::create_directory(home.Path() / "Desktop");
    }
    void TearDown() override {
        if (form) form->Close(true);
        EXPECT_TRUE(PumpUntil([this] { return !form; }));
        {
            // Let every worker that is still waiting go on to its end.
            std::lock_guard lock(mutex);
            release = true;
        }
        ::setenv("HOME", savedHome.c_str(), 1);
        ReleaseSettings();
    }

    void Settings(const std::string& text) { client.Write("_settings.ini", text); }

    TFMain& Open() {
        TFMainSetup setup;
        setup.assetsDir = QUARNEL_ASSETS_DIR;
        setup.messageBox = [this](const std::string& text, long style) {
            boxes.push_back(text + (style == wxICON_STOP ? " [stop]" : style == wxICON_NONE ? " [plain]" : " [?]"));
        };
        setup.makeWorker = [this](std::shared_ptr<TMainThreadQueue> mainThread, TUpdateView& view) {
            return std::make_unique<ScriptedWorker>(std::move(mainThread), view, [this](ScriptedWorker& w) {
                {
                    std::lock_guard lock(mutex);
                    launches.push_back({w.UpdatesUrl, w.ForceFullCheck, w.BackupEnabled, w.LocalRevision});
                }
                script(w);
            });
        };
        form = new TFMain(std::move(setup));
        form->Show();
        return *form;
    }

    size_t Launches() {
        std::lock_guard lock(mutex);
        return launches.size();
    }

    // For a worker's script: blocks until the test lets it go on.
    void WaitForRelease() {
        while (true) {
            {
                std::lock_guard lock(mutex);
                if (release) return;
            }
            std::this_thread::yield();
        }
    }
    void Release() {
        std::lock_guard lock(mutex);
        release = true;
    }

    std::string Setting(const char* key) { return GetProfileString("main", key, "?", client / "_settings.ini"); }

    TempDir client;
    TempDir home;
    CurrentDir current{client.Path()};
    std::string savedHome;
    wxWeakRef<TFMain> form;
    Strings boxes;
    std::function<void(ScriptedWorker&)> script = [](ScriptedWorker&) {};
    std::mutex mutex;
    std::vector<Launch> launches;
    bool release = false;
};

wxColour Pixel(const wxImage& image, const wxPoint& at) {
    return {image.GetRed(at.x, at.y), image.GetGreen(at.x, at.y), image.GetBlue(at.x, at.y)};
}

}  // namespace

TEST_F(MainWindowTest, EveryWidgetSitsWhereTheLayoutSays) {
    Settings("[main]\nInstalled=1\n");
    TFMain& f = Open();
    EXPECT_EQ(f.GetTitle(), "Brennox");
    EXPECT_EQ(f.GetClientSize(), wxSize(800, 599));
    EXPECT_EQ(f.Image1.GetSize(), wxSize(800, 599));
    EXPECT_TRUE(f.Label3->GetFont().IsOk());
    ASSERT_TRUE(PumpUntil([&] { return f.WebBrowser1 != nullptr; })) << "the browser starts after the first paint";
    const struct {
        const char* name;
        wxWindow* widget;
        wxRect rect;
    } layout[] = {
        {"Label3", f.Label3, {128, 512, 429, 13}}, {"Label1", f.Label1, {33, 526, 82, 13}},
        {"Gauge1", f.Gauge1, {127, 531, 430, 5}},  {"Label2", f.Label2, {33, 540, 85, 13}},
        {"Gauge2", f.Gauge2, {127, 546, 430, 5}},  {"ImgBtn1", f.ImgBtn1, {689, 484, 96, 99}},
        {"ImgBtn2", f.ImgBtn2, {576, 506, 102, 25}}, {"ImgBtn3", f.ImgBtn3, {576, 534, 100, 25}},
        {"ImgBtn4", f.ImgBtn4, {767, 14, 20, 20}}, {"Panel1", f.Panel1, {32, 168, 737, 313}},
        {"WebBrowser1", f.WebBrowser1, {-8, -3, 753, 441}},
    };
    for (const auto& widget : layout) EXPECT_EQ(widget.widget->GetRect(), widget.rect) << widget.name;

    EXPECT_EQ(f.Label3->GetLabel().utf8_string(), "... Загрузка ...");
    EXPECT_EQ(f.Label1->GetLabel().utf8_string(), "Загрузка файла");
    EXPECT_EQ(f.Label2->GetLabel().utf8_string(), "Общий прогресс");
    EXPECT_EQ(f.Label3->GetForegroundColour(), wxColour(0x5E, 0x7F, 0x8F));
    EXPECT_EQ(f.Label1->GetForegroundColour(), wxColour(0x85, 0x9D, 0xB3));
    EXPECT_EQ(f.Label2->GetForegroundColour(), wxColour(0x85, 0x9D, 0xB3));
    EXPECT_FALSE(f.Panel1->IsShown());
    EXPECT_EQ(f.WebBrowser1->GetParent(), f.Panel1);
    EXPECT_TRUE(f.Timer1.IsRunning());
    EXPECT_EQ(f.Timer1.GetInterval(), 1000);
    for (const TImgBtn* button : {f.ImgBtn1, f.ImgBtn2, f.ImgBtn3, f.ImgBtn4}) {
        EXPECT_TRUE(button->Supported);
        EXPECT_TRUE(button->Picture().IsSameAs(button->PicUp())) << "lit when the window opens";
        EXPECT_TRUE(button->Pic().IsSameAs(button->PicDown()));
        EXPECT_FALSE(button->Pic().IsSameAs(button->PicUp()));
    }
    EXPECT_EQ(f.ImgBtn2->Pic().GetSize(), wxSize(101, 27));
    EXPECT_EQ(f.ImgBtn3->Pic().GetSize(), wxSize(101, 27));
    EXPECT_EQ(f.ImgBtn1->Pic().GetSize(), wxSize(96, 99));
    EXPECT_EQ(f.ImgBtn4->Pic().GetSize(), wxSize(20, 20));
}

TEST_F(MainWindowTest, TheXShapeIsThePicturesNonKeyPixels) {
    Settings("[main]\nInstalled=1\n");
    TFMain& f = Open();
    unsigned long window = 0;
    ASSERT_TRUE(PumpUntil([&] { return (window = FindTopLevel("Brennox")) != 0; }));
    std::vector<wxRect> shape;
    ASSERT_TRUE(PumpUntil([&] { return (shape = ShapeRectangles(window)).size() > 1; }));

    const wxImage picture = f.Image1.ConvertToImage();
    int64_t opaque = 0, area = 0;
    for (int y = 0; y < 599; ++y)
        for (int x = 0; x < 800; ++x)
            opaque += Pixel(picture, {x, y}) != *wxWHITE;
    bool cornerIn = false;
    for (const wxRect& rect : shape) {
        area += static_cast<int64_t>(rect.width) * rect.height;
        cornerIn = cornerIn || rect.Contains(0, 0);
    }
    EXPECT_EQ(area, opaque);
    EXPECT_FALSE(cornerIn);
    EXPECT_EQ(ScreenPosition(window), wxPoint((1024 - 800) / 2, (768 - 599) / 2)) << "centred";
}

TEST_F(MainWindowTest, AnyButtonOnTheBareBackgroundDragsTheWindow) {
    Settings("[main]\nInstalled=1\n");
    TFMain& f = Open();
    const struct {
        const char* what;
        wxEventType down, up;
        wxPoint at;
        bool drags;
    } cases[] = {
        {"left", wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, {300, 140}, true},
        {"middle", wxEVT_MIDDLE_DOWN, wxEVT_MIDDLE_UP, {300, 140}, true},
        {"right", wxEVT_RIGHT_DOWN, wxEVT_RIGHT_UP, {300, 140}, true},
        {"on a label", wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, {40, 530}, false},
        {"on a gauge", wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, {200, 532}, false},
        {"on a button", wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, {700, 530}, false},
    };
    auto send = [&](wxEventType type, const wxPoint& at) {
        wxMouseEvent event(type);
        event.SetPosition(at);
        event.SetEventObject(&f);
        f.ProcessWindowEvent(event);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const wxPoint start = f.GetPosition();
        send(c.down, c.at);
        EXPECT_EQ(f.DragActive, c.drags);
        send(wxEVT_MOTION, c.at + wxPoint(25, -10));
        const wxPoint moved = c.drags ? start + wxPoint(25, -10) : start;
        EXPECT_EQ(f.GetPosition(), moved);
        // The grabbed point is back under the pointer: the pointer now sits
        // at the old client position again.
        send(wxEVT_MOTION, c.at + wxPoint(25, -10) - (moved - start));
        EXPECT_EQ(f.GetPosition(), moved);
        send(c.up, c.at);
        EXPECT_FALSE(f.DragActive);
        send(wxEVT_MOTION, c.at + wxPoint(40, 40));
        EXPECT_EQ(f.GetPosition(), moved) << "no drag after the release";
    }
}

TEST_F(MainWindowTest, FirstRunMarksTheSettingsAndPutsAnEntryOnTheDesktop) {
    Settings("[main]\ninstalled = 0\nLinkName=Quarnel Online\n");
    Open();
    EXPECT_EQ(Setting("Installed"), "1");
    const auto entry = home.Path() / "Desktop" / "Quarnel Online.desktop";
    ASSERT_TRUE(std::filesystem::exists(entry));
    const std::string text = home.Read("Desktop/Quarnel Online.desktop");
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=\"" + program + "\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nPath=" + client.Path().string() + "/\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nComment=Quarnel\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nName=Quarnel Online\n"), std::string::npos) << text;
    EXPECT_NE(std::filesystem::status(entry).permissions() & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
    EXPECT_TRUE(boxes.empty());

    // The next start finds the marker and leaves the desktop alone.
    form->Close(true);
    ASSERT_TRUE(PumpUntil([this] { return !form; }));
    std::filesystem::remove(entry);
    Open();
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(MainWindowTest, FirstRunFollowsTheUsersDesktopFolderAndSkipsAnEmptyName) {
    home.Write(".config/user-dirs.dirs", "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Рабочий стол\"\n");
    std::filesystem::create_directory(home.Path() / "Рабочий стол");
    Settings("[main]\nInstalled=0\n");
    Open();
    EXPECT_TRUE(std::filesystem::exists(home.Path() / "Рабочий стол" / "Quarnel.desktop")) << "LinkName's default";
    form->Close(true);
    ASSERT_TRUE(PumpUntil([this] { return !form; }));

    std::filesystem::remove_all(home.Path() / "Рабочий стол");
    std::filesystem::create_directory(home.Path() / "Рабочий стол");
    Settings("[main]\nInstalled=0\nLinkName=\n");
    Open();
    EXPECT_EQ(Setting("Installed"), "1");
    EXPECT_TRUE(std::filesystem::is_empty(home.Path() / "Рабочий стол"));
}

TEST_F(MainWindowTest, MissingSettingsShowTheMessageAndEnd) {
    TFMain& f = Open();
    EXPECT_EQ(boxes, Strings{std::string(kMissing) + " [plain]"});
    EXPECT_FALSE(f.Timer1.IsRunning());
    EXPECT_FALSE(f.Shape().IsEmpty()) << "the window is shaped all the same";
    EXPECT_TRUE(PumpUntil([this] { return !form; })) << "the window closes by itself";
    EXPECT_EQ(Launches(), 0u);
    EXPECT_FALSE(SettingsList);
    EXPECT_FALSE(std::filesystem::exists(client / "_settings.ini"));
}

TEST_F(MainWindowTest, AFailingMarkerWriteLeavesTheWindowUnshapedAndRunning) {
    Settings("[main]\nInstalled=0\n");
    // No file may grow, so the marker write fails, even for root.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit none = saved;
    none.rlim_cur = 0;
    ::setrlimit(RLIMIT_FSIZE, &none);
    TFMain& f = Open();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);
    EXPECT_EQ(boxes, Strings{"Unable to write to " + client / "_settings.ini" + ". [stop]"});
    EXPECT_TRUE(f.Shape().IsEmpty()) << "the rest of the set-up is skipped";
    EXPECT_FALSE(std::filesystem::exists(home.Path() / "Desktop" / "Quarnel.desktop"));
    EXPECT_TRUE(f.Timer1.IsRunning());
}

TEST_F(MainWindowTest, AConversionErrorStopsTheWorkerStartAndIsShown) {
    Settings("[main]\nInstalled=1\nNewsUrl=about:blank\nAtRevision=12abc\n");
    TFMain& f = Open();
    f.Timer1Timer();
    EXPECT_EQ(boxes, Strings{"'12abc' is not a valid integer value. [stop]"});
    EXPECT_FALSE(f.Timer1.IsRunning());
    EXPECT_EQ(f.Label3->GetLabel(), "");
    EXPECT_TRUE(f.ImgBtn1->IsShown());
    EXPECT_TRUE(f.ImgBtn2->IsShown());
    EXPECT_FALSE(f.WorkerRunning());

    f.ImgBtn2Click();
    EXPECT_EQ(boxes.size(), 2u) << "the full check fails alike";
    PumpPending();
    EXPECT_EQ(Launches(), 0u);
}

TEST_F(MainWindowTest, TheTimerStartsOneAutomaticRunOnce) {
    Settings("[main]\nInstalled=1\nUpdatesUrl=http://127.0.0.1:1/up\nCreateBackup=1\nAtRevision=$1F\n");
    script = [](ScriptedWorker&) { throw EInOutError("the run fails at once"); };
    TFMain& f = Open();
    ASSERT_TRUE(PumpUntil([&] { return Launches() == 1 && !f.WorkerRunning(); }))
        << Launches() << " " << f.WorkerRunning() << " " << f.Timer1.IsRunning() << " " << boxes.size();
    EXPECT_FALSE(f.Timer1.IsRunning());
    std::lock_guard lock(mutex);
    EXPECT_EQ(launches[0].updatesUrl, "http://127.0.0.1:1/up");
    EXPECT_FALSE(launches[0].force);
    EXPECT_EQ(launches[0].backup, 1);
    EXPECT_EQ(launches[0].revision, 31);
    EXPECT_TRUE(boxes.empty()) << "a failed run is not the window's error";
}

TEST_F(MainWindowTest, TheChannelDrivesTheWidgetsAndASecondStartWaitsForTheRun) {
    Settings("[main]\nInstalled=1\nAtRevision=7\n");
    std::atomic<bool> hidden = false;
    script = [&](ScriptedWorker& w) {
        w.HideButtons();
        w.StatusText = "Проверка файлов";
        w.ShowStatus();
        w.GaugeSelector = 0;
        w.GaugeValue = 200;
        w.SetGaugeMax();
        w.GaugeValue = 200;
        w.SetFileProgress();
        w.GaugeSelector = 1;
        w.GaugeValue = 4;
        w.SetGaugeMax();
        w.GaugeValue = 1;
        w.SetTotalProgress();
        hidden = true;
        WaitForRelease();
        w.LocalRevision = 9;
        w.StoreRevision();
        w.StatusText = "Все файлы были обновлены";
        w.ShowStatus();
        w.ShowButtons();
    };
    TFMain& f = Open();
    f.Timer1.Stop();
    f.ImgBtn2Click();
    ASSERT_TRUE(PumpUntil([&] { return hidden.load() && f.Label3->GetLabel() != ""; }));
    PumpPending();
    EXPECT_FALSE(f.ImgBtn1->IsShown());
    EXPECT_FALSE(f.ImgBtn2->IsShown());
    EXPECT_TRUE(f.ImgBtn3->IsShown());
    EXPECT_TRUE(f.ImgBtn4->IsShown());
    EXPECT_EQ(f.Label3->GetLabel().utf8_string(), "Проверка файлов");
    EXPECT_EQ(f.Gauge(TUpdateView::FileGauge).MaxValue(), 200);
    EXPECT_EQ(f.Gauge1->FillWidth(), 430);
    EXPECT_EQ(f.Gauge2->FillWidth(), 430 / 4);

    // The bars as drawn, in their colours on black.
    f.Update();
    PumpPending();
    const wxImage screen = GrabScreen();
    const wxPoint origin = f.GetPosition();
    EXPECT_EQ(Pixel(screen, origin + wxPoint(127 + 200, 533)), wxColour(0x3E, 0x5B, 0x96));
    EXPECT_EQ(Pixel(screen, origin + wxPoint(127 + 50, 548)), wxColour(0x8E, 0x41, 0x49));
    EXPECT_EQ(Pixel(screen, origin + wxPoint(127 + 300, 548)), *wxBLACK);

    f.ImgBtn2Click();
    f.Timer1Timer();
    PumpPending();
    EXPECT_EQ(Launches(), 1u) << "no second run while one is under way";

    Release();
    ASSERT_TRUE(PumpUntil([&] { return !f.WorkerRunning(); }));
    EXPECT_TRUE(f.ImgBtn1->IsShown());
    EXPECT_TRUE(f.ImgBtn2->IsShown());
    EXPECT_EQ(f.Label3->GetLabel().utf8_string(), "Все файлы были обновлены");
    EXPECT_EQ(Setting("AtRevision"), "9");
    EXPECT_EQ((*SettingsList)[AtRevisionSlot], "7");
    std::lock_guard lock(mutex);
    EXPECT_TRUE(launches[0].force);
    EXPECT_EQ(launches[0].revision, 7);
}

TEST_F(MainWindowTest, ClosingDuringARunIsImmediateAndTheWorkerNeverReturns) {
    Settings("[main]\nInstalled=1\n");
    std::atomic<bool> started = false, cut = false, ended = false;
    script = [&](ScriptedWorker& w) {
        w.HideButtons();
        started = true;
        WaitForRelease();
        try {
            w.LocalRevision = 5;
            w.StoreRevision();
        } catch (const EUiClosed&) {
            cut = true;
        }
        ended = true;
    };
    TFMain& f = Open();
    f.Timer1.Stop();
    f.ImgBtn2Click();
    ASSERT_TRUE(PumpUntil([&] { return started.load(); }));
    f.ImgBtn3Click();
    EXPECT_FALSE(SettingsList) << "released on close";
    ASSERT_TRUE(PumpUntil([this] { return !form; }));
    Release();
    ASSERT_TRUE(PumpUntil([&] { return ended.load(); }));
    EXPECT_TRUE(cut);
    EXPECT_EQ(Setting("AtRevision"), "?");
}

TEST_F(MainWindowTest, TheNewsPanelShowsOnlyForTheNewsPage) {
    TestHttpServer server;
    server.Respond("/news.html", 200, "<html><body style='background:#123456'>Новости</body></html>",
                   "text/html; charset=utf-8");
    Settings("[main]\nInstalled=1\nNewsUrl=" + server.Url("/news.html") + "\n");
    script = [](ScriptedWorker&) {};
    TFMain& f = Open();
    f.WebBrowser1NavigateComplete2();
    EXPECT_FALSE(f.Panel1->IsShown()) << "the blank page the browser starts with";
    f.Timer1Timer();
    ASSERT_TRUE(PumpUntil([&] { return f.Panel1->IsShown(); }));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindowTest, PlayStartsTheGameInItsFolderAndCloses) {
    // A stand-in for wine that tells where and with what it ran.
    TempDir tools;
    tools.Write("wine", "#!/bin/sh\n{ pwd; echo \"$@\"; } > \"$1.ran\"\n");
    ::chmod((tools / "wine").c_str(), 0755);
    const std::string savedPath = std::getenv("PATH");
    ::setenv("PATH", (tools.Path().string() + ":" + savedPath).c_str(), 1);
    client.Write("bin/game", "#!/bin/sh\npwd > ran\n");
    ::chmod((client / "bin/game").c_str(), 0755);
    client.Write("Game.exe", std::string("MZ\x90\0", 4));

    const std::string appDir = client.Path().string() + "/";
    const struct {
        const char* runCustom;
        const char* report;  // the file the program writes, empty for none
        std::string reported;
        Strings boxes;
        bool closes;
    } cases[] = {
        {"bin\\game", "bin/ran", appDir + "bin\n", {}, true},
        {"Game.exe", "Game.exe.ran", client.Path().string() + "\n" + appDir + "Game.exe\n", {}, true},
        {"bin\\absent", "", "", {}, true},
        {"missing\\game", "", "",
         {"Cannot change the current folder to \"" + appDir + "missing/\". No such file or directory. [stop]"},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runCustom);
        boxes.clear();
        Settings(std::string("[main]\nInstalled=1\nRunCustom=") + c.runCustom + "\n");
        Open().ImgBtn1Click();
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(PumpUntil([this] { return !form; }, std::chrono::seconds(c.closes ? 30 : 0)), c.closes);
        if (*c.report != '\0') {
            ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(client / c.report); }));
            ASSERT_TRUE(PumpUntil([&] { return client.Read(c.report) == c.reported; })) << client.Read(c.report);
        }
        if (form) form->Close(true);
        ASSERT_TRUE(PumpUntil([this] { return !form; }));
        std::filesystem::current_path(client.Path());
    }
    ::setenv("PATH", savedPath.c_str(), 1);
}

TEST(ErrorBox, AppendsAFullStopUnlessTheTextEndsAtOrBeforeOne) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"Unable to write to x", "Unable to write to x."},
        {"Stream read error.", "Stream read error."},
        {"Done!", "Done!"},
        {"(a)", "(a)"},
        {"Ошибка", "Ошибка."},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}
