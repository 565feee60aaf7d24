#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "platform/Exceptions.h"
#include "platform/FileRewrite.h"
#include "support/TempDir.h"

using namespace quarnel;
using namespace quarnel::test;
namespace fs = std::filesystem;

namespace {

struct FileState {
    ino_t inode;
    mode_t mode;
};

FileState StateOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return {info.st_ino, info.st_mode & 07777};
}

size_t EntriesIn(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

int RefuseRename(const char*, const char*) {
    errno = EBUSY;
    return -1;
}

}  // namespace

TEST(FileRewrite, ReplacesTheFileKeepingItsPermissions) {
    TempDir dir;
    dir.Write("hosts", "old content\n");
    fs::permissions(dir / "hosts", fs::perms(0640));
    const FileState before = StateOf(dir / "hosts");

    TFileRewrite file(dir / "hosts");
    file.Commit("new\r\n");
    EXPECT_EQ(dir.Read("hosts"), "new\r\n");
    const FileState after = StateOf(dir / "hosts");
    EXPECT_NE(after.inode, before.inode);
    EXPECT_EQ(after.mode, 0640u);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(FileRewrite, ALinkStaysALinkToTheRewrittenFile) {
    TempDir dir;
    dir.Write("real/hosts", "old\n");
    fs::create_symlink(dir / "real/hosts", dir / "hosts");
    TFileRewrite(dir / "hosts").Commit("new\n");
    EXPECT_TRUE(fs::is_symlink(dir / "hosts"));
    EXPECT_EQ(dir.Read("real/hosts"), "new\n");
    EXPECT_EQ(EntriesIn(dir / "real"), 1u);
}

TEST(FileRewrite, WritesInPlaceWhereTheRenameIsRefused) {
    TempDir dir;
    dir.Write("hosts", "a longer old content than the new one\n");
    fs::permissions(dir / "hosts", fs::perms(0604));
    const FileState before = StateOf(dir / "hosts");

    TFileRewrite(dir / "hosts", RefuseRename).Commit("new\n");
    EXPECT_EQ(dir.Read("hosts"), "new\n");
    const FileState after = StateOf(dir / "hosts");
    EXPECT_EQ(after.inode, before.inode);
    EXPECT_EQ(after.mode, 0604u);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(FileRewrite, AFailedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    dir.Write("hosts", "old\n");
    TFileRewrite file(dir / "hosts");

    // Files may grow to 16 bytes only, and a write past that fails instead of
    // ending the process.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool raised = false;
    try {
        file.Commit(std::string(4096, 'x'));
    } catch (const EInOutError&) {
        raised = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);

    EXPECT_TRUE(raised);
    EXPECT_EQ(dir.Read("hosts"), "old\n");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(FileRewrite, AMissingFileIsRefusedAtOpening) {
    TempDir dir;
    EXPECT_THROW(TFileRewrite(dir / "hosts"), EInOutError);
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}
