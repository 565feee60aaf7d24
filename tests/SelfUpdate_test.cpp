#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/Exceptions.h"
#include "platform/FileHandle.h"
#include "support/Checks.h"
#include "support/Bz2Fixture.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "support/WorkerHarness.h"
#include "support/md5.h"
#include "update/Misc.h"

using namespace quarnel;
using namespace quarnel::test;
using namespace std::chrono_literals;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

extern char** environ;

namespace {

// Waits for what a detached process leaves behind; false when it never comes.
bool WaitFor(const std::function<bool()>& ready) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

Strings Names(const fs::path& folder) {
    Strings names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteProgram(const TempDir& dir, const std::string& name, const std::string& text) {
    dir.Write(name, text);
    fs::permissions(dir.Path() / name, fs::perms::owner_all);
}

// A process this test started: killed and reaped if the test leaves early.
struct Child {
    pid_t pid = -1;
    ~Child() {
        if (pid <= 0) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
};

// A client folder with the launcher "Launcher" in it, and a server release folder.
struct SelfUpdateCase {
    TestHttpServer server;
    TempDir release, client;
    WorkerHarness h;
    std::string updatesUrl = server.Url("/release/");
    std::string status;

    SelfUpdateCase() {
        server.ServeFolder(release.Path().string(), "/release");
        client.Write("Launcher", "old launcher");
    }

    std::exception_ptr Update(const std::string& entry) {
        return h.Run([&](ScriptedWorker& w) {
            w.BaseDir = client.Path().string() + "/";
            w.UpdatesUrl = updatesUrl;
            w.ScriptDelay = 0s;
            w.SelfUpdate(entry);
            status = w.StatusText;
        });
    }

    // The channel's traffic apart from the file gauge's position.
    Strings Shown() const {
        Strings shown;
        for (const auto& line : h.view.log)
            if (line.rfind("pos0:", 0) != 0) shown.push_back(line);
        return shown;
    }
};

}  // namespace

TEST(WriteUpdateScript, SwapsTheExecutableOnlyWhenTheNewOneIsThere) {
    TempDir dir;
    const std::string root = dir.Path().string();
    const std::string folder = root + "/it's here/";
    fs::create_directories(folder);
    const std::string name = "My 'Launcher";

    WriteUpdateScript(folder, name, 4321);
    EXPECT_EQ(dir.Read("it's here/Update.sh"),
              "#!/bin/sh\n"
              "kill -s KILL 4321\n"
              "sleep 2\n"
              "nohup './My '\\''Launcher' </dev/null >/dev/null 2>&1 &\n"
              "rm -f 'Update.sh'\n");

    dir.Write("it's here/My 'Launcher.New", "new");
    WriteUpdateScript(folder, name, 4321, 5s);
    EXPECT_EQ(dir.Read("it's here/Update.sh"),
              "#!/bin/sh\n"
              "kill -s KILL 4321\n"
              "sleep 5\n"
              "rm -f '" + root + "/it'\\''s here/files.lst'\n"
              "rm -f '" + root + "/it'\\''s here/My '\\''Launcher'\n"
              "mv -f './My '\\''Launcher.New' './My '\\''Launcher'\n"
              "chmod +x './My '\\''Launcher'\n"
              "nohup './My '\\''Launcher' </dev/null >/dev/null 2>&1 &\n"
              "rm -f 'Update.sh'\n");
}

TEST(WriteUpdateScript, RefusesProcessGroupsAndUnwritableFolders) {
    TempDir dir;
    const std::string folder = dir.Path().string() + "/";
    // kill would end the script's own group, or every process of the user.
    for (const pid_t pid : {0, -1, -4321}) EXPECT_THROW(WriteUpdateScript(folder, "Launcher", pid), EInvalidOperation);
    EXPECT_TRUE(Names(dir.Path()).empty());
    EXPECT_THROW(WriteUpdateScript(folder + "missing/", "Launcher", 4321), EInOutError);
}

TEST(RunProgram, StartsTheProgramInItsFolderDetached) {
    const CurrentDir keep(fs::current_path());
    TempDir dir;
    // Past 100 characters and with a blank: the path goes whole, unquoted.
    const fs::path folder = dir.Path() / ("a folder " + std::string(100, 'x'));
    fs::create_directories(folder);
    WriteProgram(dir, folder.filename().string() + "/probe",
                 "#!/bin/sh\n"
                 "{ echo $PPID; cut -d ' ' -f 6 /proc/$$/stat; ls /proc/self/fd; } > report.part\n"
                 "mv report.part report\n");
    // A descriptor that a library might have left inheritable.
    const FileHandle leaked(::open("/dev/null", O_RDONLY));
    ASSERT_TRUE(leaked);

    RunProgram((folder / "probe").string());
    EXPECT_EQ(fs::current_path(), folder);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(folder / "report"); }));
    std::istringstream report(dir.Read(folder.filename().string() + "/report"));
    pid_t parent = 0, session = 0;
    report >> parent >> session;
    EXPECT_NE(parent, ::getpid()) << "not left as a child to reap";
    EXPECT_NE(session, ::getsid(0));
    Strings fds;
    for (std::string fd; report >> fd;) fds.push_back(fd);
    EXPECT_EQ(fds, (Strings{"0", "1", "2", "3"})) << "the standard streams and the listing's own";
}

TEST(RunProgram, AFolderThatCannotBeMadeCurrentStartsNothing) {
    const CurrentDir keep(fs::current_path());
    const fs::path before = fs::current_path();
    TempDir dir;
    EXPECT_THROW(RunProgram(dir / "missing/Update.sh"), EInOutError);
    EXPECT_THROW(RunProgram("Update.sh"), EInOutError);
    EXPECT_EQ(fs::current_path(), before);
}

TEST(SelfUpdate, AMatchingExecutableOrAnEmptyEntryDoesNothing) {
    SelfUpdateCase c;
    c.release.Write("Launcher.bz2", Bz2Compress("new launcher"));
    const std::string digest = DigestToHex(DigestFile(c.client / "Launcher"));
    // The size of a matching entry is never read.
    for (const std::string& entry : {"Launcher|" + digest + "|not a number", std::string()}) {
        EXPECT_FALSE(c.Update(entry)) << entry;
        EXPECT_EQ(c.status, "");
        EXPECT_TRUE(c.h.view.log.empty());
        EXPECT_EQ(Names(c.client.Path()), Strings{"Launcher"});
    }
}

TEST(SelfUpdate, AFailedDownloadEndsItSilently) {
    SelfUpdateCase c;
    RefusingPort nowhere;
    c.updatesUrl = "http://127.0.0.1:" + std::to_string(nowhere.Port()) + "/";
    EXPECT_FALSE(c.Update("Launcher|x|12"));
    EXPECT_EQ(c.status, "");
    EXPECT_TRUE(c.Shown().empty()) << "no status text, no gauge maximum";
    EXPECT_EQ(Names(c.client.Path()), Strings{"Launcher"});
}

TEST(SelfUpdate, AFailureAfterTheDownloadKeepsTheExecutable) {
    const struct {
        const char* what;
        std::function<void(SelfUpdateCase&)> arrange;
    } cases[] = {
        {"damaged archive", [](SelfUpdateCase& c) { c.release.Write("Launcher.bz2", "not bzip2 data"); }},
        {"unwritable script",
         [](SelfUpdateCase& c) {
             c.release.Write("Launcher.bz2", Bz2Compress("new launcher"));
             fs::create_directory(c.client.Path() / "Update.sh");
         }},
    };
    for (const auto& k : cases) {
        SelfUpdateCase c;
        k.arrange(c);
        EXPECT_FALSE(c.Update("Launcher|x|12")) << k.what;
        EXPECT_EQ(c.status, "Update Failed") << k.what;
        EXPECT_EQ(c.client.Read("Launcher"), "old launcher") << k.what;
        EXPECT_FALSE(fs::exists(c.client / "Launcher.bz2")) << k.what;
        EXPECT_FALSE(fs::is_regular_file(c.client / "Update.sh")) << k.what;
        EXPECT_EQ(c.Shown(), Strings{"max0:" + std::to_string(fs::file_size(c.release / "Launcher.bz2"))})
            << k.what << ": the failure is not shown";
    }
}

TEST(SelfUpdate, MalformedEntriesEndTheRunBeforeAnyDownload) {
    const struct {
        const char* entry;
        bool (*raises)(std::exception_ptr);
    } cases[] = {
        {"Launcher|x|twelve", Raises<EConvertError>},
        {"Launcher|12", Raises<EStringListError>},
        {"..\\Launcher|x|12", Raises<EUnsafePath>},
    };
    for (const auto& k : cases) {
        SelfUpdateCase c;
        c.release.Write("Launcher.bz2", Bz2Compress("new launcher"));
        EXPECT_TRUE(k.raises(c.Update(k.entry))) << k.entry;
        EXPECT_TRUE(c.h.view.log.empty()) << k.entry;
        EXPECT_EQ(Names(c.client.Path()), Strings{"Launcher"}) << k.entry;
    }
}

// The whole swap: the script ends the running launcher, puts the new version
// in its place and starts that, from the client folder.
TEST(SelfUpdate, TheScriptSwapsAndRestartsTheLauncher) {
    TestHttpServer server;
    TempDir release, root;
    server.ServeFolder(release.Path().string(), "/release");
    const std::string name = "My 'Launcher";
    const fs::path client = root.Path() / "game's folder";
    fs::create_directories(client);
    const CurrentDir inClient(client);

    WriteProgram(root, "game's folder/" + name, "#!/bin/sh\necho old > old.marker\nexec sleep 30\n");
    const std::string newLauncher = "#!/bin/sh\necho new > new.marker\n";
    release.Write(name + ".bz2", Bz2Compress(newLauncher));
    root.Write("game's folder/files.lst", "[self]\n[/self]\n");

    Child running;
    const std::string program = (client / name).string();
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    ASSERT_EQ(::posix_spawn(&running.pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(client / "old.marker"); }));

    WorkerHarness h;
    std::string status;
    ASSERT_FALSE(h.Run([&](ScriptedWorker& w) {
        w.BaseDir = client.string() + "/";
        w.UpdatesUrl = server.Url("/release/");
        w.LauncherPid = running.pid;
        w.ScriptDelay = 0s;
        w.SelfUpdate(name + "|x|" + std::to_string(newLauncher.size()));
        status = w.StatusText;
    }));
    EXPECT_EQ(status, "");

    int exit = 0;
    ASSERT_EQ(::waitpid(running.pid, &exit, 0), running.pid);
    running.pid = -1;
    EXPECT_TRUE(WIFSIGNALED(exit) && WTERMSIG(exit) == SIGKILL) << "the old launcher was ended";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(client / "new.marker") && !fs::exists(client / "Update.sh"); }));
    EXPECT_EQ(root.Read("game's folder/" + name), newLauncher);
    EXPECT_EQ(Names(client), (Strings{name, "new.marker", "old.marker"}));
}
