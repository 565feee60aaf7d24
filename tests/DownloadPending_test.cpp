#include <gtest/gtest.h>

#include <filesystem>

#include "support/Bz2Fixture.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "support/WorkerHarness.h"

using namespace quarnel;
using namespace quarnel::test;
using Strings = std::vector<std::string>;

namespace {

// A server folder holding the archives and a client folder to repair.
struct RepairCase {
    TestHttpServer server;
    TempDir release, client;
    WorkerHarness h;
    std::string verdict;
    int backupEnabled = 0;

    RepairCase() { server.ServeFolder(release.Path().string(), "/release"); }

    void Publish(const std::string& path, const std::string& content) {
        release.Write(path + ".bz2", Bz2Compress(content));
    }

    void Repair(TStringList queue) {
        h.Run([&](ScriptedWorker& w) {
            w.BaseDir = client.Path().string() + "/";
            w.UpdatesUrl = server.Url("/release/");
            w.BackupEnabled = backupEnabled;
            w.PendingFiles = std::make_unique<TStringList>(std::move(queue));
            w.DownloadPending();
            verdict = w.StatusText;
        });
    }

    // The log without the file gauge's byte counts, which depend on how the body arrives.
    Strings Steps() const {
        Strings steps;
        for (const auto& line : h.view.log)
            if (line.rfind("pos0:", 0) != 0) steps.push_back(line);
        return steps;
    }
};

}  // namespace

TEST(DownloadPending, InstallsEveryQueuedFileWithBackups) {
    RepairCase c;
    c.Publish("Game.bin", "new game");
    c.Publish("Data/sub dir/a#1.pak", "new pak");
    c.client.Write("Game.bin", "old game");
    c.client.Write("backup/Game.bin", "an older backup");
    c.backupEnabled = 1;
    c.Repair({"Game.bin|x|8", "Data\\sub dir\\a#1.pak|y|7"});
    EXPECT_EQ(c.verdict, "Все файлы были обновлены");
    EXPECT_EQ(c.client.Read("Game.bin"), "new game");
    EXPECT_EQ(c.client.Read("Data/sub dir/a#1.pak"), "new pak");
    EXPECT_EQ(c.client.Read("backup/Game.bin"), "old game") << "the copy from before this update";
    EXPECT_FALSE(std::filesystem::exists(c.client / "backup/Data/sub dir/a#1.pak")) << "nothing to back up";
    EXPECT_FALSE(std::filesystem::exists(c.client / "Game.bin.bz2"));
    EXPECT_EQ(c.Steps(), (Strings{"max1:1", "status:Загрузка Game.bin", "max0:8", "status:Извлечение Game.bin",
                                  "max0:" + std::to_string(Bz2Compress("new game").size()), "pos1:1",
                                  "status:Загрузка Data\\sub dir\\a#1.pak", "max0:7",
                                  "status:Извлечение Data\\sub dir\\a#1.pak",
                                  "max0:" + std::to_string(Bz2Compress("new pak").size()), "pos1:2", "pos1:0"}));
}

TEST(DownloadPending, AFailedDownloadStopsTheQueue) {
    RepairCase c;
    RefusingPort nowhere;
    c.Publish("one", "1");
    c.Publish("three", "3");
    c.server.Redirect("/release/two.bz2", "http://127.0.0.1:" + std::to_string(nowhere.Port()) + "/two.bz2");
    c.Repair({"one|x|1", "two|x|1", "three|x|1"});
    EXPECT_EQ(c.verdict, "Ошибка обновления");
    EXPECT_EQ(c.client.Read("one"), "1");
    EXPECT_FALSE(std::filesystem::exists(c.client / "three"));
    EXPECT_EQ(c.Steps().back(), "pos1:0");
    EXPECT_EQ(c.h.view.Gauge(TUpdateView::TotalGauge).Progress(), 0);
}

TEST(DownloadPending, AFailedUnpackIsReportedAndTheQueueGoesOn) {
    const struct {
        TStringList queue;
        const char* verdict;
    } cases[] = {
        {{"broken|x|1", "good|x|4"}, "Извлечение good"},
        {{"good|x|4", "broken|x|1"}, "Update Failed"},
    };
    for (const auto& k : cases) {
        RepairCase c;
        c.Publish("good", "good");
        c.client.Write("broken", "kept");
        c.Repair(k.queue);
        EXPECT_EQ(c.verdict, k.verdict);
        EXPECT_EQ(c.client.Read("good"), "good");
        EXPECT_EQ(c.client.Read("broken"), "kept");
        EXPECT_FALSE(std::filesystem::exists(c.client / "broken.bz2"));
    }
}

TEST(DownloadPending, AnEmptyQueueLeavesAnEmptyVerdictAndShowsNothing) {
    RepairCase c;
    c.Repair({});
    EXPECT_EQ(c.verdict, "");
    EXPECT_TRUE(c.h.view.log.empty());
}
