#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>

#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "platform/IntConv.h"
#include "update/LstFile.h"
#include "update/Misc.h"

using namespace quarnel;
using namespace std::string_literals;

namespace {

const char kManifest[] =
    "[settings]\n"
    "Rev|42\n"
    "ModHosts|1\n"
    "[/settings]\n"
    "[hosts]\n"
    "203.0.113.10|game-login\n"
    "[/hosts]\n"
    "[self]\n"
    "Launcher.exe|4f1c8a2e9b7d3065c1e8f40a2b9d7c16|1843200\n"
    "[/self]\n"
    "[files_critical]\n"
    "Client.exe|a07e5c3d91f2b8460e7d2c9a5b1f3e88|7340032\n"
    "[/files_critical]\n"
    "[files_normal]\n"
    "Data\\common.pak|e2b94d170c6af8359d1e7a4c0b6f2d53|52428800\n"
    "[/files_normal]\n";

template <typename Read>
void ExpectInOutError(Read read, const std::string& path, const std::string& cause) {
    try {
        read();
        ADD_FAILURE() << "no error reading " << path;
    } catch (const EInOutError& e) {
        EXPECT_NE(e.Message().find("\"" + path + "\""), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find(cause), std::string::npos) << e.Message();
    }
}

class LstFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "lstfile.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/files.lst";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& text, const std::string& path) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
        ASSERT_TRUE(out.flush());
    }
    void Write(const std::string& text) { Write(text, path_); }

    std::string dir_;
    std::string path_;
};

TEST_F(LstFileTest, ReadsTheSectionsOfAManifest) {
    Write(kManifest);
    TListFile list(path_);
    EXPECT_EQ(list.ReadValue("settings", "Rev"), "42");
    EXPECT_EQ(list.ReadValue("settings", "ModHosts"), "1");
    const TStringList hosts = list.ReadSection("hosts");
    ASSERT_EQ(hosts.Count(), 1);
    EXPECT_EQ(SplitFields(hosts[0], "|"), (TStringList{"game-login", "203.0.113.10"}));
    const TStringList self = list.ReadSection("self");
    ASSERT_EQ(self.Count(), 1);
    EXPECT_EQ(SplitFields(self[0], "|"),
              (TStringList{"1843200", "4f1c8a2e9b7d3065c1e8f40a2b9d7c16", "Launcher.exe"}));
    EXPECT_EQ(list.ReadSection("files_critical"),
              TStringList{"Client.exe|a07e5c3d91f2b8460e7d2c9a5b1f3e88|7340032"});
    EXPECT_EQ(list.ReadSection("files_normal"),
              TStringList{"Data\\common.pak|e2b94d170c6af8359d1e7a4c0b6f2d53|52428800"});
    // Reads come in any order and any number of times.
    EXPECT_EQ(list.ReadValue("settings", "Rev"), "42");

    std::string withoutSelf = kManifest;
    const size_t from = withoutSelf.find("[self]");
    withoutSelf.erase(from, withoutSelf.find("[files_critical]") - from);
    Write(withoutSelf);
    EXPECT_EQ(TListFile(path_).ReadSection("self"), TStringList{"FAIL"});
}

TEST_F(LstFileTest, SectionBlocksAndLines) {
    const struct { const char* what; std::string text; TStringList entries; } cases[] = {
        {"empty manifest", "", {"FAIL"}},
        {"absent section", "[self]\na\n[/self]\n", {"FAIL"}},
        {"capital letter", "[Hosts]\na\n[/Hosts]\n", {"FAIL"}},
        {"more on the marker line", "[hosts] x\na\n[/hosts]\n", {"FAIL"}},
        {"blanks and tabs around markers", " \t[hosts]\t \na\n\t [/hosts] \n", {"a"}},
        {"control bytes around markers", "\x01\0[hosts]\x1f\na\n[/hosts]\0"s, {"a"}},
        {"byte-order mark", "\xEF\xBB\xBF[hosts]\na\n[/hosts]\n", {"FAIL"}},
        {"only blank lines", "[hosts]\n\n  \n\t\r\n[/hosts]\n", {"FAIL"}},
        {"only markers", "[hosts]\n[/hosts]\n", {"FAIL"}},
        {"entries trimmed, blanks skipped", "[hosts]\n\n  a|b \n\n\tc\n[/hosts]\n", {"a|b", "c"}},
        {"8-bit bytes kept", "[hosts]\n\xA0\xcf\xf0\xe8|\xFF\n[/hosts]\n", {"\xA0\xcf\xf0\xe8|\xFF"}},
        {"other markers are entries", "[hosts]\n[self]\nx\n[/self]\n[/hosts]\n", {"[self]", "x", "[/self]"}},
        {"first block only", "x\n[hosts]\na\n[/hosts]\n[hosts]\nb\n[/hosts]\n", {"a"}},
        {"first block empty", "[hosts]\n[/hosts]\n[hosts]\nb\n[/hosts]\n", {"FAIL"}},
        {"LF", "[hosts]\na|b\nc\n[/hosts]\n", {"a|b", "c"}},
        {"CR LF", "[hosts]\r\na|b\r\nc\r\n[/hosts]\r\n", {"a|b", "c"}},
        {"no final line end", "[hosts]\na\n[/hosts]", {"a"}},
        {"lone CR dropped", "[hosts]\na\rb|c\r\r\n[ho\rsts]\n[/hosts]\n", {"ab|c", "[hosts]"}},
        {"lone CR does not end a line", "[hosts]\ra\n[/hosts]\n", {"FAIL"}},
        {"0x1A cuts its line", "[hosts]\x1Ajunk\nab\x1A|c\r\nd\n[/hosts]\x1A\n", {"ab", "d"}},
        {"0x1A opening the first line ends the search", "\x1A[hosts]\na\n[/hosts]\n", {"FAIL"}},
        {"0x1A opening a later line ends the search", "x\n\x1A\n[hosts]\na\n[/hosts]\n", {"FAIL"}},
        {"0x1A after a blank leaves a blank line", " \x1A\n[hosts]\na\n[/hosts]\n", {"a"}},
        {"0x1A opening a line in a block", "[hosts]\n\x1A" "b\nc\n[/hosts]\n", {"c"}},
        {"never closed", "[hosts]\na|b\nc\n", {"FAIL"}},
        {"closing marker cut short", "[hosts]\na\n[/host", {"FAIL"}},
        {"closing marker behind 0x1A", "[hosts]\na\n\x1A[/hosts]\n", {"FAIL"}},
    };
    for (const auto& c : cases) {
        Write(c.text);
        EXPECT_EQ(TListFile(path_).ReadSection("hosts"), c.entries) << c.what;
    }
}

TEST_F(LstFileTest, ValuesOfSettings) {
    const struct { const char* what; std::string text; const char* key; const char* value; } cases[] = {
        {"empty manifest", "", "Rev", ""},
        {"CR LF", "[settings]\r\nRev|42\r\n[/settings]\r\n", "Rev", "42"},
        {"blank before the bar", "[settings]\nRev |42\n[/settings]\n", "Rev", ""},
        {"blank after the bar", "[settings]\nRev| 42\n[/settings]\n", "Rev", " 42"},
        {"key compared by case", "[settings]\nrev|42\n[/settings]\n", "Rev", ""},
        {"first of two", "[settings]\nRev|1\nRev|2\n[/settings]\n", "Rev", "1"},
        {"other section not seen", "[other]\nRev|9\n[/other]\n[settings]\nModHosts|1\n[/settings]\n", "Rev", ""},
        {"second block not seen", "[settings]\nA|1\n[/settings]\n[settings]\nRev|2\n[/settings]\n", "Rev", ""},
        {"after the closing marker", "[settings]\n[/settings]\nRev|3\n", "Rev", ""},
        {"missing key", "[settings]\nModHosts|1\n[/settings]\n", "Rev", ""},
        {"key alone", "[settings]\nRev\n[/settings]\n", "Rev", "Rev"},
        {"key and bar", "[settings]\nRev|\n[/settings]\n", "Rev", "Rev"},
        {"last of three fields", "[settings]\nRev|a|7\n[/settings]\n", "Rev", "7"},
        {"empty field skipped", "[settings]\nRev||7\n[/settings]\n", "Rev", "7"},
        {"line of bars passed over", "[settings]\n|\n||\nRev|5\n[/settings]\n", "Rev", "5"},
        {"never closed, key found", "[settings]\nA|1\nRev|5\n", "Rev", "5"},
        {"never closed, key missing", "[settings]\nA|1\n", "Rev", ""},
    };
    for (const auto& c : cases) {
        Write(c.text);
        EXPECT_EQ(TListFile(path_).ReadValue("settings", c.key), c.value) << c.what;
    }
}

TEST_F(LstFileTest, ValueConvertsOnlyWhenPresent) {
    Write("[settings]\nRev| 42\n[/settings]\n");
    TListFile list(path_);
    EXPECT_EQ(StrToInt(list.ReadValue("settings", "Rev")), 42);
    EXPECT_THROW(StrToInt(list.ReadValue("settings", "ModHosts")), EConvertError);
}

TEST_F(LstFileTest, MissingFileRaisesAtTheFirstRead) {
    TListFile list(path_);
    ExpectInOutError([&] { list.ReadSection("hosts"); }, path_, "No such file");
    ExpectInOutError([&] { list.ReadValue("settings", "Rev"); }, path_, "No such file");
    // The reader stays bound to its path.
    Write(kManifest);
    EXPECT_EQ(list.ReadValue("settings", "Rev"), "42");
}

TEST_F(LstFileTest, ReadFailureRaises) {
    TListFile list(dir_);
    ExpectInOutError([&] { list.ReadSection("hosts"); }, dir_, "Is a directory");
}

TEST_F(LstFileTest, EveryReadStartsOnTheCurrentFile) {
    Write("[settings]\nRev|1\n[/settings]\n");
    TListFile list(path_);
    EXPECT_EQ(list.ReadValue("settings", "Rev"), "1");
    Write("[settings]\nRev|2\n[/settings]\n");
    EXPECT_EQ(list.ReadValue("settings", "Rev"), "2");
    Write("[settings]\nRev|3\n[/settings]\n", dir_ + "/new.lst");
    std::filesystem::rename(dir_ + "/new.lst", path_);
    EXPECT_EQ(list.ReadValue("settings", "Rev"), "3");
}

TEST_F(LstFileTest, HoldsTheFileReadOnlyBetweenReads) {
    Write(kManifest);
    {
        TListFile list(path_);
        list.ReadSection("hosts");
        EXPECT_THROW(TFileStream(path_, fmCreate), EFCreateError);
        EXPECT_NO_THROW(TFileStream(path_, fmOpenRead | fmShareDenyWrite));
    }
    EXPECT_NO_THROW(TFileStream(path_, fmCreate));
}

TEST_F(LstFileTest, LargeManifestAcrossReadChunks) {
    // Line lengths vary so that chunk edges fall everywhere, between CR and
    // LF included; one line is far longer than a chunk.
    std::string text = "[settings]\r\nRev|7\r\n[/settings]\r\n[files_normal]\r\n";
    TStringList expected;
    for (int i = 0; i < 30000; ++i) {
        std::string entry = std::to_string(i);
        entry.append("|").append(static_cast<size_t>(i % 97), 'x').append("|1");
        if (i == 1234) entry += std::string(300000, 'y');
        text += (i % 5 == 0 ? "  \r\n" : "") + entry + "\r\n";
        expected.Add(entry);
    }
    text += "[/files_normal]\r\n";
    Write(text);
    TListFile list(path_);
    EXPECT_EQ(list.ReadSection("files_normal"), expected);
    EXPECT_EQ(list.ReadValue("settings", "Rev"), "7");
}

}  // namespace
