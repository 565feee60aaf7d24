#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include "platform/FileStream.h"
#include "platform/HttpClient.h"
#include "publish/CommandLine.h"
#include "publish/ReleaseBuild.h"
#include "publish/ReleaseCheck.h"
#include "publish/ReleaseServer.h"
#include "support/BZip2.h"
#include "support/Bz2Fixture.h"
#include "support/TempDir.h"
#include "support/Checks.h"
#include "update/LstFile.h"

using namespace quarnel;
using namespace quarnel::test;
using namespace std::string_literals;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

constexpr unsigned kThreads = 2;

std::string Entry(const std::string& path, const std::string& content) {
    return path + "|" + Md5Of(content) + "|" + std::to_string(content.size());
}

std::string Unpacked(const std::string& archive) {
    TFileStream file(archive, fmOpenRead);
    TBZDecompressionStream stream(file);
    std::string data;
    char piece[65536];
    for (int32_t got; (got = stream.Read(piece, sizeof piece)) > 0;) data.append(piece, static_cast<size_t>(got));
    EXPECT_TRUE(stream.EndReached()) << archive;
    return data;
}

// Bytes of every value, runs and noise, so that the archive is not trivial.
std::string Binary(size_t size, uint32_t seed) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i, seed = seed * 1103515245 + 12345) data[i] = static_cast<char>(i % 7 ? seed >> 16 : 0);
    return data;
}

// A client folder, its release folder, and what the launcher's reader sees
// in the release's manifest.
struct PublishCase {
    TempDir dir;
    std::string client = dir / "client";
    std::string release = dir / "release";

    void Put(const std::string& path, const std::string& content) const { dir.Write("client/" + path, content); }

    TBuildOptions Options(int32_t rev = 7) const {
        TBuildOptions options;
        options.clientDir = client;
        options.releaseDir = release;
        options.rev = rev;
        return options;
    }

    TBuildSummary Build(const TBuildOptions& options) const { return BuildRelease(options, kThreads); }

    TListFile Manifest() const {
        dir.Write("files.lst", Unpacked(release + "/files.lst.bz2"));
        return TListFile(dir / "files.lst");
    }

    // The archive of a client path, with its inode and modification time.
    struct stat Archive(const std::string& path) const {
        struct stat info {};
        EXPECT_EQ(::stat((release + "/" + path + ".bz2").c_str(), &info), 0) << path;
        return info;
    }

    Strings ReleaseFiles() const {
        Strings names;
        for (const auto& entry : fs::recursive_directory_iterator(release)) {
            if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), release).string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TStringList List(std::initializer_list<std::string> items) {
    return TStringList(items);
}

// Every file below root by its relative path, with its content.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[fs::relative(entry.path(), root).string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

// Loopback requests must not go through a proxy the environment names.
void BypassProxy() {
    for (const char* name : {"no_proxy", "NO_PROXY"}) ::setenv(name, "127.0.0.1", 1);
}

// A release folder served over HTTP on a loopback port for the test's span.
class ServedRelease {
public:
    explicit ServedRelease(const std::string& release) : server_(release), port_(server_.Bind(0)) {
        BypassProxy();
        thread_ = std::thread([this] { server_.Run(); });
    }
    ~ServedRelease() {
        server_.Stop();
        thread_.join();
    }

    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

private:
    TReleaseServer server_;
    int port_;
    std::thread thread_;
};

}  // namespace

TEST(PublishBuild, ArchivesAndManifestListTheClient) {
    PublishCase c;
    const std::string launcher = Binary(150000, 1);
    const std::string dll = Binary(400000, 2);
    const std::string pak = Binary(1200000, 3);
    const std::string text = "Hello, \xcf\xf0\xe8\xe2\xe5\xf2!\r\n";
    c.Put("Launcher.exe", launcher);
    c.Put("bin/game.dll", dll);
    c.Put("Data/sub/a.pak", pak);
    c.Put("Data/sub/readme.txt", text);
    c.Put("empty", "");
    c.Put("logs/today.log", "left out with its folder");
    c.Put("Data/cache.tmp", "left out by name");
    c.dir.Write("hosts", "# game servers\n203.0.113.10  login.example\tgame.example\n\n198.51.100.7 patch.example # cdn\n");

    TBuildOptions options = c.Options(42);
    options.releaseDir = c.client + "/release";  // inside the client: skipped
    c.release = options.releaseDir;
    options.critical = {"*.dll"};
    options.exclude = {"logs", "*.tmp"};
    options.selfName = "Launcher.exe";
    options.hostsFile = c.dir / "hosts";
    const TBuildSummary summary = c.Build(options);
    EXPECT_EQ(summary.files, 5);
    EXPECT_EQ(summary.compressed, 5);
    EXPECT_EQ(summary.bytesIn, static_cast<int64_t>(launcher.size() + dll.size() + pak.size() + text.size()));

    EXPECT_EQ(c.ReleaseFiles(), (Strings{".quarnel-publish-state", "Data/sub/a.pak.bz2", "Data/sub/readme.txt.bz2",
                                         "Launcher.exe.bz2", "bin/game.dll.bz2", "empty.bz2", "files.lst.bz2"}));
    EXPECT_EQ(Unpacked(c.release + "/Launcher.exe.bz2"), launcher);
    EXPECT_EQ(Unpacked(c.release + "/bin/game.dll.bz2"), dll);
    EXPECT_EQ(Unpacked(c.release + "/Data/sub/a.pak.bz2"), pak);
    EXPECT_EQ(Unpacked(c.release + "/Data/sub/readme.txt.bz2"), text);
    EXPECT_EQ(Unpacked(c.release + "/empty.bz2"), "");

    TListFile manifest = c.Manifest();
    EXPECT_EQ(manifest.ReadValue("settings", "Rev"), "42");
    EXPECT_EQ(manifest.ReadValue("settings", "ModHosts"), "1");
    EXPECT_EQ(manifest.ReadSection("hosts"),
              List({"203.0.113.10|login.example", "203.0.113.10|game.example", "198.51.100.7|patch.example"}));
    EXPECT_EQ(manifest.ReadSection("self"), List({Entry("Launcher.exe", launcher)}));
    EXPECT_EQ(manifest.ReadSection("files_critical"), List({Entry("bin\\game.dll", dll)}));
    EXPECT_EQ(manifest.ReadSection("files_normal"),
              List({Entry("Data\\sub\\a.pak", pak), Entry("Data\\sub\\readme.txt", text), Entry("empty", "")}))
        << "sorted, without the self file";

    const TCheckReport report = CheckRelease(c.release, kThreads);
    EXPECT_EQ(report.problems, Strings{});
    EXPECT_EQ(report.rev, 42);
    EXPECT_EQ(report.files, 5);
}

TEST(PublishBuild, RebuildReplacesOnlyWhatChanged) {
    PublishCase c;
    c.Put("same.pak", Binary(300000, 1));
    c.Put("touched.pak", Binary(200000, 2));
    c.Put("changed.pak", Binary(250000, 3));
    c.Put("old/gone.pak", Binary(1000, 4));
    c.Put("old/deeper/gone.txt", "bye");
    TBuildOptions options = c.Options(1);
    options.hostsFile = c.dir / "hosts";
    c.dir.Write("hosts", "203.0.113.10 login.example\n");
    c.Build(options);
    const struct stat same = c.Archive("same.pak");
    const struct stat touched = c.Archive("touched.pak");
    const struct stat changed = c.Archive("changed.pak");

    const std::string newContent = Binary(250000, 5);
    c.Put("changed.pak", newContent);
    c.Put("touched.pak", Binary(200000, 2));  // rewritten with the same bytes
    c.Put("new/added.txt", "fresh");
    fs::remove_all(c.client + "/old");
    options.rev = 2;
    options.hostsFile.clear();
    const TBuildSummary summary = c.Build(options);
    EXPECT_EQ(summary.compressed, 2);
    EXPECT_EQ(summary.removed, 2);

    for (const auto& [path, before] : {std::pair{"same.pak", same}, std::pair{"touched.pak", touched}}) {
        const struct stat after = c.Archive(path);
        EXPECT_EQ(after.st_ino, before.st_ino) << path;
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << path;
        EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec) << path;
    }
    EXPECT_NE(c.Archive("changed.pak").st_ino, changed.st_ino);
    EXPECT_EQ(Unpacked(c.release + "/changed.pak.bz2"), newContent);
    EXPECT_EQ(c.ReleaseFiles(), (Strings{".quarnel-publish-state", "changed.pak.bz2", "files.lst.bz2",
                                         "new/added.txt.bz2", "same.pak.bz2", "touched.pak.bz2"}))
        << "the archives of removed files, their emptied folders and no temporary file";

    TListFile manifest = c.Manifest();
    EXPECT_EQ(manifest.ReadValue("settings", "Rev"), "2");
    EXPECT_EQ(manifest.ReadValue("settings", "ModHosts"), "0");
    EXPECT_EQ(manifest.ReadSection("hosts"), List({"FAIL"}));
    EXPECT_EQ(manifest.ReadSection("self"), List({"FAIL"}));
    EXPECT_EQ(CheckRelease(c.release, kThreads).problems, Strings{});

    // A release whose archive was replaced behind the build's back is mended.
    c.dir.Write("release/same.pak.bz2", "not bzip2");
    EXPECT_EQ(c.Build(options).compressed, 1);
    EXPECT_EQ(CheckRelease(c.release, kThreads).problems, Strings{});
}

TEST(PublishBuild, RefusesWhatTheLauncherCannotTakeAndWritesNothing) {
    const struct {
        std::string path;
        std::string why;
        std::string shown;
    } cases[] = {
        {"a|b.txt", "field separator", "a|b.txt"},
        {"Data/tab\there", "control byte 0x09", "Data/tab\\x09here"},
        {"cr\rx", "control byte 0x0D", "cr\\x0Dx"},
        {"lf\nx", "control byte 0x0A", "lf\\x0Ax"},
        {"eof\x1Ax", "control byte 0x1A", "eof\\x1Ax"},
        {" lead.txt", "blank", " lead.txt"},
        {"Data/trail ", "blank", "Data/trail "},
        {"back\\slash", "folder separator", "back\\slash"},
        {"C:x", "refuses", "C:x"},
        {"files.lst", "name of the manifest", "files.lst"},
        {"data/A.txt", "letter case", "data/A.txt"},
    };
    for (const auto& k : cases) {
        PublishCase c;
        c.Put("Data/a.txt", "fine");
        c.Put(k.path, "bad");
        try {
            c.Build(c.Options());
            ADD_FAILURE() << "built with " << k.shown;
        } catch (const EBuildRefused& e) {
            ASSERT_EQ(e.Problems().size(), 1u) << e.Message();
            EXPECT_TRUE(e.Problems()[0].starts_with(k.shown + ": ")) << e.Message();
            EXPECT_NE(e.Problems()[0].find(k.why), std::string::npos) << e.Message();
        }
        EXPECT_FALSE(fs::exists(c.release)) << k.shown;
    }

    PublishCase c;
    c.Put("Launcher.exe", "x");
    c.dir.Write("hosts", "203.0.113.10 ok.example\n203.0.113.11\n");
    c.Build(c.Options(1));
    const Strings before = c.ReleaseFiles();
    TBuildOptions options = c.Options(2);
    options.selfName = "Missing.exe";
    options.hostsFile = c.dir / "hosts";
    try {
        c.Build(options);
        ADD_FAILURE() << "built with a missing self file and a bad hosts line";
    } catch (const EBuildRefused& e) {
        EXPECT_EQ(e.Problems(), (Strings{"--self Missing.exe: no such file in the client folder",
                                         c.dir / "hosts" + ":2: an address needs a host name after it"}));
    }
    EXPECT_EQ(c.ReleaseFiles(), before);
    EXPECT_EQ(c.Manifest().ReadValue("settings", "Rev"), "1");
}

TEST(PublishCheck, ReportsEveryFaultWithItsPath) {
    const std::string a = Binary(120000, 1), b = Binary(50000, 2);
    auto manifest = [](const std::string& settings, const std::string& files) {
        return "[settings]\r\n" + settings + "[/settings]\r\n[files_normal]\r\n" + files + "[/files_normal]\r\n";
    };
    const std::string goodSettings = "Rev|3\r\nModHosts|0\r\n";
    const std::string goodFiles = Entry("a.pak", a) + "\r\n" + Entry("Data\\b.pak", b) + "\r\n";
    const struct {
        const char* name;
        std::string manifest;
        std::function<void(const TempDir&)> damage;
        std::string problem;
    } cases[] = {
        {"sound", manifest(goodSettings, goodFiles), [](const TempDir&) {}, ""},
        {"damaged archive", manifest(goodSettings, goodFiles),
         [](const TempDir& d) {
             std::string bytes = d.Read("a.pak.bz2");
             bytes[bytes.size() / 2] ^= 0x55;
             d.Write("a.pak.bz2", bytes);
         },
         "a.pak: damaged archive"},
        {"cut-short archive", manifest(goodSettings, goodFiles),
         [](const TempDir& d) { d.Write("a.pak.bz2", d.Read("a.pak.bz2").substr(0, 100)); }, "a.pak: damaged archive"},
        {"wrong digest", manifest(goodSettings, goodFiles + "c.txt|" + Md5Of("other") + "|1\r\n"),
         [](const TempDir& d) { WriteBz2File(d / "c.txt.bz2", "c"); }, "c.txt: unpacks to digest " + Md5Of("c")},
        {"wrong size", manifest(goodSettings, goodFiles + "c.txt|" + Md5Of("c") + "|2\r\n"),
         [](const TempDir& d) { WriteBz2File(d / "c.txt.bz2", "c"); }, "c.txt: unpacks to 1 bytes"},
        {"missing archive", manifest(goodSettings, goodFiles),
         [](const TempDir& d) { fs::remove(d / "Data/b.pak.bz2"); }, "Data\\b.pak: missing archive"},
        {"capital digest", manifest(goodSettings, "x|" + std::string(32, 'A') + "|1\r\n"), [](const TempDir&) {},
         "x: digest \"" + std::string(32, 'A') + "\" is not 32 lowercase hex digits"},
        {"bad rev", manifest("Rev|abc\r\nModHosts|0\r\n", goodFiles), [](const TempDir&) {},
         "[settings] Rev: \"abc\" is not an integer"},
        {"no ModHosts", manifest("Rev|3\r\n", goodFiles), [](const TempDir&) {}, "[settings] ModHosts: missing"},
        {"unsafe path", manifest(goodSettings, "..\\evil|" + Md5Of("") + "|0\r\n"), [](const TempDir&) {},
         "..\\evil: is a path the launcher refuses"},
        {"short entry", manifest(goodSettings, "a.pak||120000\r\n"), [](const TempDir&) {},
         "[files_normal] a.pak||120000: is not an entry path|md5|size"},
        {"no manifest", "", [](const TempDir& d) { fs::remove(d / "files.lst.bz2"); }, "files.lst.bz2: cannot be fetched"},
    };
    for (const auto& k : cases) {
        TempDir release;
        WriteBz2File(release / "a.pak.bz2", a);
        release.Write("Data/b.pak.bz2", Bz2Compress(b));
        WriteBz2File(release / "files.lst.bz2", k.manifest);
        k.damage(release);
        const TCheckReport report = CheckRelease(release.Path().string(), kThreads);
        if (k.problem.empty()) {
            EXPECT_EQ(report.problems, Strings{}) << k.name;
            EXPECT_EQ(report.rev, 3);
            EXPECT_EQ(report.bytes, static_cast<int64_t>(a.size() + b.size()));
            continue;
        }
        ASSERT_EQ(report.problems.size(), 1u) << k.name;
        EXPECT_TRUE(report.problems[0].starts_with(k.problem)) << k.name << ": " << report.problems[0];
    }
}

TEST(PublishServe, ServesTheReleaseForCheckAndHidesTheState) {
    PublishCase c;
    c.Put("Data/a b#1.pak", Binary(70000, 1));
    c.Put("game.exe", Binary(30000, 2));
    c.Build(c.Options(5));
    const ServedRelease served(c.release);
    const std::string base = served.Url();

    const TCheckReport report = CheckRelease(base, kThreads);
    EXPECT_EQ(report.problems, Strings{});
    EXPECT_EQ(report.files, 2);
    const THttpSession session("test");
    EXPECT_EQ(THttpRequest(session, base + ".quarnel-publish-state").StatusCode(), 404);

    fs::remove(c.release + "/game.exe.bz2");
    const Strings problems = CheckRelease(base, kThreads).problems;
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "game.exe: missing archive (HTTP status 404)");
}

TEST(PublishEndToEnd, TheConsoleUpdaterInstallsAReleaseByteForByte) {
    PublishCase c;
    c.Put("Game", "#!/bin/sh\necho started\n");
    c.Put("Data/pack1.pak", Binary(300000, 1));
    c.Put("Data/sub/deep/pack2.pak", Binary(90000, 2));
    c.Put("Maps/map one #1 50%.txt", "a map");
    c.Put("Sound/\xd0\x97\xd0\xb2\xd1\x83\xd0\xba.ogg", Binary(20000, 3));
    c.Put("empty.cfg", "");
    TBuildOptions options = c.Options(1);
    options.critical = {"Game", "Data/*"};
    c.Build(options);
    const ServedRelease served(c.release);
    c.dir.Write("player/_settings.ini", "[main]\r\nUpdatesUrl=" + served.Url() + "\r\nInstalled=1\r\n");

    // Runs the updater in the player's folder as a player would; its exit
    // status. Under the sanitizers a leak report would replace the status, and
    // the updater's leaks are its own tests' business.
    auto update = [&c] {
        const std::string command = "cd '" + (c.dir / "player") + "' && ASAN_OPTIONS=detect_leaks=0 '" +
                                    QUARNEL_UPDATE_PROGRAM "' >'" + (c.dir / "update.log") + "' 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    // The player's files but the launcher's own.
    auto installed = [&c] {
        auto files = Tree(c.dir / "player");
        files.erase("_settings.ini");
        files.erase("update.lock");
        return files;
    };

    ASSERT_EQ(update(), 0) << c.dir.Read("update.log");
    EXPECT_EQ(installed(), Tree(c.client));
    EXPECT_NE(c.dir.Read("player/_settings.ini").find("AtRevision=1"), std::string::npos);

    // The next release changes a file, adds one and drops one, which players keep.
    c.Put("Data/pack1.pak", Binary(300000, 4));
    c.Put("Maps/new.txt", "new");
    fs::remove(c.client + "/empty.cfg");
    options.rev = 2;
    c.Build(options);
    ASSERT_EQ(update(), 0) << c.dir.Read("update.log");
    auto expected = Tree(c.client);
    expected["empty.cfg"] = "";
    EXPECT_EQ(installed(), expected);
    EXPECT_NE(c.dir.Read("player/_settings.ini").find("AtRevision=2"), std::string::npos);
}

TEST(PublishCommandLine, TakesOptionsAndRefusesBadOnes) {
    const TCommandLine line = ParseCommandLine({"build", "in", "out", "--rev", "12", "--critical=*.dll", "--critical",
                                                "bin/*", "--self", "L.exe", "--hosts", "h", "--exclude", "logs"});
    EXPECT_EQ(line.command, TCommand::Build);
    EXPECT_EQ(line.build.clientDir, "in");
    EXPECT_EQ(line.build.releaseDir, "out");
    EXPECT_EQ(line.build.rev, 12);
    EXPECT_EQ(line.build.critical, (Strings{"*.dll", "bin/*"}));
    EXPECT_EQ(line.build.exclude, Strings{"logs"});
    EXPECT_EQ(line.build.selfName, "L.exe");
    EXPECT_EQ(line.build.hostsFile, "h");
    EXPECT_EQ(ParseCommandLine({"serve", "out", "--port", "0"}).port, 0);
    EXPECT_EQ(ParseCommandLine({"serve", "out"}).port, 8080);
    EXPECT_TRUE(ParseCommandLine({"check", "--help"}).help);
    EXPECT_EQ(ParseCommandLine({"help", "serve"}).command, TCommand::Serve);

    const struct {
        Strings args;
        TCommand command;
        std::string message;
    } cases[] = {
        {{}, TCommand::None, "no command given"},
        {{"publish"}, TCommand::None, "unknown command 'publish'"},
        {{"build", "in", "out"}, TCommand::Build, "missing --rev N"},
        {{"build", "in", "--rev", "1"}, TCommand::Build, "missing CLIENT_DIR and RELEASE_DIR"},
        {{"build", "in", "out", "--rev", "-1"}, TCommand::Build, "--rev takes a whole number from 0 to 2147483647, not '-1'"},
        {{"build", "in", "out", "--rev", "$10"}, TCommand::Build, "--rev takes a whole number from 0 to 2147483647, not '$10'"},
        {{"build", "in", "out", "--rev", "2147483648"}, TCommand::Build, "--rev takes a whole number from 0 to 2147483647, not '2147483648'"},
        {{"build", "in", "out", "--rev", "1", "--rev", "2"}, TCommand::Build, "--rev is given more than once"},
        {{"build", "in", "out", "--rev", "1", "--self"}, TCommand::Build, "--self needs a value"},
        {{"build", "in", "out", "--rev", "1", "--verbose"}, TCommand::Build, "unknown option '--verbose'"},
        {{"check"}, TCommand::Check, "missing RELEASE_URL_OR_DIR"},
        {{"check", "a", "b"}, TCommand::Check, "unexpected argument 'b'"},
        {{"serve", "out", "--port", "65536"}, TCommand::Serve, "--port takes a whole number from 0 to 65535, not '65536'"},
    };
    for (const auto& k : cases) {
        try {
            ParseCommandLine(k.args);
            ADD_FAILURE() << "accepted " << k.message;
        } catch (const EUsage& e) {
            EXPECT_EQ(e.Message(), k.message);
            EXPECT_EQ(e.Command(), k.command) << k.message;
        }
    }
    EXPECT_NE(HelpText(TCommand::Build).find("listed in [self] only"), std::string::npos);
}
