#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/HttpClient.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

using namespace quarnel;
using quarnel::test::TempDir;

namespace {

constexpr int32_t kPiece = 1024;

std::string RandomBytes(size_t size) {
    std::mt19937 generator(static_cast<unsigned>(size));
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator());
    return bytes;
}

struct Fetched {
    bool open = false;
    std::vector<int32_t> pieces;  // sizes of the reads, the final 0 included
    std::string body;
    bool complete = false;
    long status = 0;
    std::string error;
};

Fetched Fetch(const THttpSession& session, const std::string& url) {
    THttpRequest request(session, url);
    Fetched fetched;
    fetched.open = request.IsOpen();
    char piece[kPiece];
    int32_t n;
    do {
        n = request.Read(piece, kPiece);
        fetched.pieces.push_back(n);
        fetched.body.append(piece, static_cast<size_t>(n));
    } while (n > 0);
    fetched.complete = request.Complete();
    fetched.status = request.StatusCode();
    fetched.error = request.ErrorText();
    return fetched;
}

const THttpSession kSession("Quarnel Updater");

}  // namespace

TEST(HttpClient, DeliversTheBodyByteExactInFullPieces) {
    TestHttpServer server;
    TempDir folder;
    const std::string large = RandomBytes(50 * kPiece + 123);
    folder.Write("large.bin", large);
    folder.Write("exact.bin", RandomBytes(2 * kPiece));
    folder.Write("small.bin", "tiny");
    server.ServeFolder(folder.Path().string());
    // Chunks of the wire that straddle piece boundaries.
    const std::vector<size_t> chunkSizes = {700, 3000, 1, 5000, 1024, 2048, 17};
    std::string chunkedBody;
    for (size_t size : chunkSizes) chunkedBody += RandomBytes(size);
    server.Get("/chunked", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("application/octet-stream", [&](size_t, httplib::DataSink& sink) {
            size_t at = 0;
            for (size_t size : chunkSizes) {
                sink.write(chunkedBody.data() + at, size);
                at += size;
            }
            sink.done();
            return true;
        });
    });

    const struct { const char* path; std::string body; } cases[] = {
        {"/large.bin", large},
        {"/exact.bin", RandomBytes(2 * kPiece)},
        {"/small.bin", "tiny"},
        {"/chunked", chunkedBody},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Fetched fetched = Fetch(kSession, server.Url(c.path));
        ASSERT_TRUE(fetched.open);
        EXPECT_EQ(fetched.status, 200);
        EXPECT_TRUE(fetched.body == c.body) << "body differs, " << fetched.body.size() << " bytes";
        // Every read but the last two fills the piece; the last is the empty one.
        ASSERT_GE(fetched.pieces.size(), 2u);
        EXPECT_EQ(fetched.pieces.back(), 0);
        for (size_t i = 0; i + 2 < fetched.pieces.size(); ++i) EXPECT_EQ(fetched.pieces[i], kPiece) << "read " << i;
        EXPECT_GT(fetched.pieces[fetched.pieces.size() - 2], 0);
        EXPECT_TRUE(fetched.complete);
        EXPECT_EQ(fetched.error, "");
    }
}

TEST(HttpClient, DeliversErrorPagesAndEmptyBodies) {
    TestHttpServer server;
    const std::string page = "<html><body><h1>404 Not Found</h1></body></html>";
    server.Respond("/missing", 404, page);
    server.Respond("/empty", 200, "", "application/octet-stream");

    const Fetched missing = Fetch(kSession, server.Url("/missing"));
    EXPECT_TRUE(missing.open);
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.body, page);
    EXPECT_TRUE(missing.complete);

    const Fetched empty = Fetch(kSession, server.Url("/empty"));
    EXPECT_TRUE(empty.open);
    EXPECT_EQ(empty.pieces, std::vector<int32_t>{0});
    EXPECT_TRUE(empty.complete);
}

TEST(HttpClient, FollowsRedirectionsToAnAnswer) {
    TestHttpServer server;
    RefusingPort refusing;
    server.Respond("/file", 200, "moved content", "text/plain");
    server.Redirect("/moved", "/file", 301);
    server.Redirect("/twice", server.Url("/moved"), 302);
    server.Redirect("/dead-end", "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/file");
    server.Redirect("/loop", "/loop");

    const struct { const char* path; bool open; } cases[] = {
        {"/moved", true}, {"/twice", true}, {"/dead-end", false}, {"/loop", false},
    };
    for (const auto& c : cases) {
        const Fetched fetched = Fetch(kSession, server.Url(c.path));
        EXPECT_EQ(fetched.open, c.open) << c.path;
        if (c.open) {
            EXPECT_EQ(fetched.status, 200) << c.path;
            EXPECT_EQ(fetched.body, "moved content") << c.path;
            EXPECT_TRUE(fetched.complete) << c.path;
        } else {
            EXPECT_EQ(fetched.body, "") << c.path;
            EXPECT_FALSE(fetched.complete) << c.path;
            EXPECT_NE(fetched.error, "") << c.path;
        }
    }
}

TEST(HttpClient, ReportsABodyCutOffMidTransferAsBroken) {
    TestHttpServer server;
    const std::string sent = RandomBytes(3000);
    server.CutOff("/cut", sent, 10000);

    const Fetched fetched = Fetch(kSession, server.Url("/cut"));
    EXPECT_TRUE(fetched.open);
    EXPECT_TRUE(fetched.body == sent) << fetched.body.size() << " bytes";
    EXPECT_EQ(fetched.pieces.back(), 0);
    EXPECT_FALSE(fetched.complete);
    EXPECT_NE(fetched.error, "");
}

// With one-second limits a stall must end far sooner than the 30 s defaults
// would. The stalled body's single byte lets curl's rolling speed average fall
// under the limit at once.
TEST(HttpClient, GivesUpOnAServerThatStalls) {
    TestHttpServer server;
    server.Stall("/stall", "x", 5000);
    server.Silent("/silent");
    const THttpSession impatient("Quarnel Updater", {std::chrono::seconds(2), std::chrono::seconds(1), 1});

    const auto start = std::chrono::steady_clock::now();
    const Fetched stalled = Fetch(impatient, server.Url("/stall"));
    const Fetched silent = Fetch(impatient, server.Url("/silent"));
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_TRUE(stalled.open);
    EXPECT_EQ(stalled.body, "x");
    EXPECT_FALSE(stalled.complete);
    EXPECT_NE(stalled.error, "");

    EXPECT_FALSE(silent.open);
    EXPECT_EQ(silent.pieces, std::vector<int32_t>{0});
    EXPECT_FALSE(silent.complete);

    EXPECT_LT(elapsed, std::chrono::seconds(20));
}

TEST(HttpClient, CannotOpenWhatDoesNotAnswer) {
    RefusingPort refusing;
    const std::string port = std::to_string(refusing.Port());
    const std::string urls[] = {
        "http://127.0.0.1:" + port + "/files.lst.bz2", "http://", "not a url at all", "file:///etc/hostname",
        "ftp://127.0.0.1:" + port + "/",
    };
    for (const std::string& url : urls) {
        const Fetched fetched = Fetch(kSession, url);
        EXPECT_FALSE(fetched.open) << url;
        EXPECT_EQ(fetched.pieces, std::vector<int32_t>{0}) << url;
        EXPECT_FALSE(fetched.complete) << url;
        EXPECT_EQ(fetched.status, 0) << url;
        EXPECT_NE(fetched.error, "") << url;
    }
}

TEST(HttpClient, SendsTheSessionsUserAgent) {
    TestHttpServer server;
    server.Get("/agent", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.get_header_value("User-Agent"), "text/plain");
    });
    EXPECT_EQ(Fetch(kSession, server.Url("/agent")).body, "Quarnel Updater");
}

TEST(HttpClient, EncodesTheBytesAPathCannotHold) {
    const struct { const char* path; const char* encoded; } cases[] = {
        {"a b.txt", "a%20b.txt"},
        {"base dir/x#1?.bin", "base%20dir/x%231%3F.bin"},
        {"100%.txt", "100%25.txt"},
        {"\xD0\xB4\xD0\xBE\xD0\xBC.bz2", "%D0%B4%D0%BE%D0%BC.bz2"},
        {"\xE0\xFF\x80", "%E0%FF%80"},
        {"t\tn\n\x01\x7F", "t%09n%0A%01%7F"},
        {"\"<>\\^`{|}[]", "%22%3C%3E%5C%5E%60%7B%7C%7D%5B%5D"},
        {"a-b_c.~!$&'()*+,;=:@/d", "a-b_c.~!$&'()*+,;=:@/d"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EncodeUrlPath(c.path), c.encoded) << c.path;
}

TEST(HttpClient, DownloadsFilesWithAwkwardNamesThroughTheEncoder) {
    TestHttpServer server;
    TempDir folder;
    std::filesystem::create_directory(folder.Path() / "sub dir");
    const std::string names[] = {
        "a b.txt", "100%.txt", "#1.txt", "what?.txt", "x+y=z&w.txt", "\xD0\xB4\xD0\xBE\xD0\xBC.txt", "\xE0\xEE.txt",
        "sub dir/%20 #?.txt",
    };
    for (const std::string& name : names) folder.Write(name, "content of " + name);
    server.ServeFolder(folder.Path().string(), "/game");

    for (const std::string& name : names) {
        const Fetched fetched = Fetch(kSession, server.Url("/game/") + EncodeUrlPath(name));
        EXPECT_EQ(fetched.status, 200) << name;
        EXPECT_EQ(fetched.body, "content of " + name) << name;
    }
}
