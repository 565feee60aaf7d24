#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/Exceptions.h"
#include "support/BZip2.h"
#include "support/Bz2Fixture.h"
#include "support/TempDir.h"
#include "support/WorkerHarness.h"

using namespace quarnel;
using namespace quarnel::test;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// Text that compresses into several bzip2 blocks of 100k.
std::string Content(size_t size) {
    std::string text;
    for (uint32_t x = 1; text.size() < size; x = x * 1103515245 + 12345) text += static_cast<char>('a' + (x >> 16) % 23);
    return text.substr(0, size);
}

struct UnpackCase {
    WorkerHarness h;
    TempDir dir;

    std::exception_ptr Unpack(const std::string& archive = "file.bz2", const std::string& target = "file") {
        return h.Run([&](ScriptedWorker& w) {
            w.UnpackFile(dir / archive, dir / target);
            EXPECT_EQ(w.SourceStream, nullptr);
        });
    }

    // Only the listed names are left in the folder: no temporary file.
    Strings Names() const {
        Strings names;
        for (const auto& entry : fs::directory_iterator(dir.Path())) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

TEST(UnpackFile, ReplacesTheDestinationAndDeletesTheArchive) {
    UnpackCase c;
    const std::string content = Content(250000);
    const std::string archive = Bz2Compress(content, 1);
    c.dir.Write("file.bz2", archive);
    c.dir.Write("file", Content(400000));
    ::chmod((c.dir / "file").c_str(), 0755);
    ASSERT_FALSE(c.Unpack());
    EXPECT_EQ(c.dir.Read("file"), content);
    EXPECT_EQ(c.Names(), Strings{"file"});
    struct stat info {};
    ::stat((c.dir / "file").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0755u) << "a replaced file keeps its permissions";

    const auto& log = c.h.view.log;
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front(), "max0:" + std::to_string(archive.size()));
    EXPECT_EQ(log.back(), "pos0:0");
    EXPECT_EQ(log[log.size() - 2], "pos0:" + std::to_string(archive.size())) << "the whole archive was taken in";
    EXPECT_EQ(c.h.view.Gauge(TUpdateView::FileGauge).MaxValue(), static_cast<int32_t>(archive.size()));
}

TEST(UnpackFile, ANewProgramIsMadeExecutable) {
    const struct { const char* content; bool executable; } cases[] = {
        {"#!/bin/sh\necho started\n", true}, {"\x7f" "ELF\x02\x01", true}, {"plain data", false}, {"#", false},
    };
    for (const auto& k : cases) {
        UnpackCase c;
        c.dir.Write("file.bz2", Bz2Compress(k.content));
        ASSERT_FALSE(c.Unpack()) << k.content;
        struct stat info {};
        ::stat((c.dir / "file").c_str(), &info);
        EXPECT_EQ((info.st_mode & 0100) != 0, k.executable) << k.content;
    }
}

TEST(UnpackFile, AFailedUnpackLeavesTheOldFileWhole) {
    const std::string multiBlock = Bz2Compress(Content(350000), 1);
    const struct {
        const char* name;
        std::string archive;
        const char* message;
    } cases[] = {
        {"error page", "<html><body>404 Not Found</body></html>", "error -5"},
        {"empty body", "", "error -7"},
        {"cut after two blocks", multiBlock.substr(0, multiBlock.size() * 3 / 4), "error -7"},
        {"cut inside the header", multiBlock.substr(0, 3), "error -7"},
        {"damaged", multiBlock.substr(0, 2000) + std::string(100, '\0') + multiBlock.substr(2100), "error -4"},
    };
    for (const auto& k : cases) {
        UnpackCase c;
        c.dir.Write("file.bz2", k.archive);
        c.dir.Write("file", "the old content");
        const auto escaped = c.Unpack();
        ASSERT_TRUE(escaped) << k.name;
        try {
            std::rethrow_exception(escaped);
        } catch (const EBZDecompressionError& e) {
            EXPECT_EQ(e.Message(), k.message) << k.name;
        }
        EXPECT_EQ(c.dir.Read("file"), "the old content") << k.name;
        EXPECT_EQ(c.Names(), Strings{"file"}) << k.name;
        EXPECT_EQ(c.h.view.log.back(), "pos0:0") << k.name;
    }
}

TEST(UnpackFile, AnArchiveThatCannotBeOpenedStaysAndNothingHappens) {
    UnpackCase c;
    const auto escaped = c.Unpack("missing.bz2");
    ASSERT_TRUE(escaped);
    EXPECT_THROW(std::rethrow_exception(escaped), EFOpenError);
    EXPECT_TRUE(c.h.view.log.empty());
}

TEST(UnpackFile, ADestinationThatCannotBeMadeRaisesAndTheArchiveGoes) {
    UnpackCase c;
    c.dir.Write("file.bz2", Bz2Compress("data"));
    const auto escaped = c.Unpack("file.bz2", "no/such/folder/file");
    ASSERT_TRUE(escaped);
    EXPECT_THROW(std::rethrow_exception(escaped), EFCreateError);
    EXPECT_TRUE(c.Names().empty());
}
