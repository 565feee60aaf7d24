#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileLock.h"
#include "support/ReleaseFixture.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "support/WorkerHarness.h"

using namespace quarnel;
using namespace quarnel::test;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

struct RunCase {
    TestHttpServer server;
    ReleaseFixture release;
    TempDir client;
    WorkerHarness h;
    std::string url;
    bool force = false;
    int32_t localRevision = 0;
    int32_t backup = 0;

    RunCase() : url(server.Url("/release")) { server.ServeFolder(release.folder.Path().string(), "/release"); }

    void Run() {
        const CurrentDir inClient(client.Path());
        auto worker = std::make_unique<GFilesThread>(h.loop, h.view);
        worker->UpdatesUrl = url;
        worker->ForceFullCheck = force;
        worker->LocalRevision = localRevision;
        worker->BackupEnabled = backup;
        worker->HostsDir = client.Path().string() + "/no-hosts-here/";
        worker->HttpTimeouts.connect = std::chrono::seconds(5);
        worker->HttpTimeouts.lowSpeedTime = std::chrono::seconds(5);
        EXPECT_FALSE(h.RunToEnd(std::move(worker))) << "nothing escapes a run";
    }

    // The status texts shown, the buttons and the revision stored, in order.
    Strings Story() const {
        Strings story;
        for (const auto& line : h.view.log)
            if (line.rfind("status:", 0) == 0 || line.rfind("buttons:", 0) == 0 || line.rfind("revision:", 0) == 0)
                story.push_back(line);
        return story;
    }

    bool ScratchLeft() const {
        return fs::exists(client / "files.lst") || fs::exists(client / "files.lst.bz2");
    }
};

}  // namespace

TEST(UpdateRun, AFreshClientGetsEveryFileAndTheNewRevision) {
    RunCase c;
    c.release.rev = 5;
    c.release.critical = {{"Game.bin", "the game"}};
    c.release.normal = {{"Data/common.pak", "common data"}};
    c.release.Publish();
    c.Run();
    EXPECT_EQ(c.client.Read("Game.bin"), "the game");
    EXPECT_EQ(c.client.Read("Data/common.pak"), "common data");
    EXPECT_FALSE(c.ScratchLeft());
    EXPECT_EQ(c.Story(), (Strings{"buttons:hidden", "status:Загрузка списка обновлений", "status:",
                                  "status:Проверка файлов", "status:Проверка Game.bin", "status:",
                                  "status:Проверка файлов", "status:Проверка Data\\common.pak", "status:",
                                  "status:Загрузка Game.bin", "status:Извлечение Game.bin",
                                  "status:Загрузка Data\\common.pak", "status:Извлечение Data\\common.pak",
                                  "revision:5", "status:Все файлы были обновлены", "buttons:shown"}));
}

TEST(UpdateRun, AnUpToDateClientChecksOnlyItsCriticalFiles) {
    RunCase c;
    c.release.rev = 7;
    c.release.critical = {{"Game.bin", "the game"}};
    c.release.normal = {{"Data/common.pak", "common data"}};
    c.release.Publish();
    c.client.Write("Game.bin", "the game");
    c.client.Write("backup/old.bin", "kept");
    c.localRevision = 7;
    c.backup = 1;
    c.Run();
    EXPECT_FALSE(fs::exists(c.client / "Data/common.pak"));
    EXPECT_EQ(c.client.Read("backup/old.bin"), "kept");
    EXPECT_EQ(c.Story().back(), "buttons:shown");
    EXPECT_EQ(c.h.view.status, "");
    for (const auto& line : c.h.view.log) EXPECT_NE(line.rfind("revision:", 0), 0u) << line;
}

TEST(UpdateRun, AForcedRunWithBackupsResetsTheBackupFolderAndRepairsEverything) {
    RunCase c;
    c.release.rev = 7;
    c.release.critical = {{"Game.bin", "the game"}};
    c.release.normal = {{"Data/common.pak", "common data"}};
    c.release.Publish();
    c.client.Write("Game.bin", "the game");
    c.client.Write("Data/common.pak", "damaged");
    c.client.Write("backup/stale.bin", "from an earlier run");
    c.localRevision = 7;
    c.backup = 1;
    c.force = true;
    c.url += "/";
    c.Run();
    EXPECT_EQ(c.client.Read("Data/common.pak"), "common data");
    EXPECT_EQ(c.client.Read("backup/Data/common.pak"), "damaged");
    EXPECT_FALSE(fs::exists(c.client / "backup/stale.bin"));
    EXPECT_EQ(c.h.view.status, "Все файлы были обновлены");
}

TEST(UpdateRun, ANewerRevisionIsStoredEvenWhenADownloadFails) {
    RunCase c;
    RefusingPort nowhere;
    c.release.rev = 9;
    c.release.normal = {{"a.pak", "a"}, {"b.pak", "b"}};
    c.release.Publish();
    fs::remove(c.release.folder / "a.pak.bz2");  // files served take precedence over handlers
    c.server.Redirect("/release/a.pak.bz2", "http://127.0.0.1:" + std::to_string(nowhere.Port()) + "/a.pak.bz2");
    c.localRevision = 3;
    c.Run();
    const Strings story = c.Story();
    EXPECT_EQ(Strings(story.end() - 3, story.end()),
              (Strings{"revision:9", "status:Ошибка обновления", "buttons:shown"}));
    EXPECT_FALSE(c.ScratchLeft());
}

TEST(UpdateRun, AManifestThatCannotBeHadEndsInAnErrorWithTheButtonsBack) {
    const struct {
        const char* name;
        void (*spoil)(RunCase&);
        Strings story;
    } cases[] = {
        {"unreachable server", [](RunCase& c) { c.url = "http://127.0.0.1:1/release"; },
         {"buttons:hidden", "status:Загрузка списка обновлений", "status:Ошибка обновления", "buttons:shown"}},
        {"empty update address", [](RunCase& c) { c.url = ""; },
         {"buttons:hidden", "status:Загрузка списка обновлений", "status:Ошибка обновления", "buttons:shown"}},
        {"error page for a manifest",
         [](RunCase& c) { c.server.Respond("/broken/files.lst.bz2", 404, "<html>gone</html>"); c.url = c.server.Url("/broken"); },
         {"buttons:hidden", "status:Загрузка списка обновлений", "status:", "status:Ошибка обновления",
          "status:Ошибка обновления", "buttons:shown"}},
        {"manifest without ModHosts", [](RunCase& c) { c.release.modHosts = ""; c.release.Publish(); },
         {"buttons:hidden", "status:Загрузка списка обновлений", "status:", "status:Ошибка обновления", "buttons:shown"}},
        {"backup folder that is a file",
         [](RunCase& c) {
             c.release.Publish();
             c.client.Write("backup", "a file");
             c.backup = 1;
             c.force = true;
         },
         {"buttons:hidden", "status:Загрузка списка обновлений", "status:", "status:Ошибка обновления", "buttons:shown"}},
    };
    for (const auto& k : cases) {
        RunCase c;
        c.client.Write("files.lst", "an old manifest");
        k.spoil(c);
        c.localRevision = -5;
        c.Run();
        EXPECT_EQ(c.Story(), k.story) << k.name;
        EXPECT_FALSE(c.ScratchLeft()) << k.name;
    }
}

TEST(UpdateRun, ASecondRunInTheSameFolderGivesWayAndTouchesNothing) {
    RunCase c;
    c.release.critical = {{"Game.bin", "the game"}};
    c.release.Publish();
    const TFileLock firstRun(c.client / "update.lock");
    ASSERT_TRUE(firstRun.Held());
    c.Run();
    EXPECT_EQ(c.h.view.log, (Strings{"status:Ошибка обновления", "buttons:shown"}));
    EXPECT_FALSE(fs::exists(c.client / "Game.bin"));
}
