#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Exceptions.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "support/WorkerHarness.h"

using namespace quarnel;
using namespace quarnel::test;
using Strings = std::vector<std::string>;

namespace {

struct DownloadCase {
    WorkerHarness h;
    TempDir dir;
    bool result = false;

    void Download(const std::string& url, const std::string& name = "file.bz2") {
        const std::string target = dir / name;
        h.Run([&](ScriptedWorker& w) {
            w.HttpTimeouts.connect = std::chrono::seconds(2);
            w.HttpTimeouts.lowSpeedTime = std::chrono::seconds(1);
            result = w.DownloadFile(url, target, true);
        });
    }
};

// The reports a body of size bytes makes: the running total after every
// 1024-byte piece, once more for the final empty read, then 0.
Strings ProgressOf(int size) {
    Strings reports;
    for (int done = 0; done < size;) {
        done = std::min(done + 1024, size);
        reports.push_back("pos0:" + std::to_string(done));
    }
    reports.push_back("pos0:" + std::to_string(size));
    reports.push_back("pos0:0");
    return reports;
}

}  // namespace

TEST(DownloadFile, WritesTheBodyOfAnyAnswerAndReportsEveryPiece) {
    TestHttpServer server;
    const std::string body(5000, 'b');
    const std::string page = "<html><body>Not Found</body></html>";
    server.Respond("/good", 200, body, "application/octet-stream");
    server.Respond("/missing", 404, page);
    server.Respond("/empty", 200, "");
    server.Redirect("/moved", "/good");
    const struct { const char* path; std::string content; } cases[] = {
        {"/good", body}, {"/missing", page}, {"/empty", ""}, {"/moved", body},
    };
    for (const auto& c : cases) {
        DownloadCase d;
        d.dir.Write("file.bz2", "an older, longer content than any body here........................");
        d.Download(server.Url(c.path));
        EXPECT_TRUE(d.result) << c.path;
        EXPECT_EQ(d.dir.Read("file.bz2"), c.content) << c.path;
        EXPECT_EQ(d.h.view.log, ProgressOf(static_cast<int>(c.content.size()))) << c.path;
    }
}

TEST(DownloadFile, AnUnreachableServerLeavesNoFile) {
    RefusingPort port;
    DownloadCase d;
    d.Download("http://127.0.0.1:" + std::to_string(port.Port()) + "/files.lst.bz2");
    EXPECT_FALSE(d.result);
    EXPECT_FALSE(std::filesystem::exists(d.dir / "file.bz2"));
    EXPECT_EQ(d.h.view.log, Strings{"pos0:0"});
}

TEST(DownloadFile, ABrokenOrStalledTransferKeepsWhatArrived) {
    TestHttpServer server;
    server.CutOff("/cut", std::string(3000, 'c'), 10000);
    server.Stall("/stall", "s", 10000);
    for (const char* path : {"/cut", "/stall"}) {
        DownloadCase d;
        d.Download(server.Url(path));
        EXPECT_TRUE(d.result) << path;
        EXPECT_EQ(d.dir.Read("file.bz2"), path == std::string("/cut") ? std::string(3000, 'c') : "s") << path;
        EXPECT_EQ(d.h.view.log.back(), "pos0:0") << path;
    }
}

TEST(DownloadFile, ALocalFileThatCannotBeMadeRaises) {
    TestHttpServer server;
    server.Respond("/good", 200, "data");
    DownloadCase d;
    const auto escaped = d.h.Run([&](ScriptedWorker& w) { w.DownloadFile(server.Url("/good"), d.dir / "no/such/folder", true); });
    ASSERT_TRUE(escaped);
    EXPECT_THROW(std::rethrow_exception(escaped), EInOutError);
    EXPECT_TRUE(d.h.view.log.empty()) << "the gauge keeps its last position";
}
