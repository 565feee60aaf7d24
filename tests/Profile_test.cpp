#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/Exceptions.h"
#include "platform/Profile.h"

using namespace quarnel;

namespace {

class Profile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "profile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = (dir_ / "_settings.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Put(const std::string& content) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << content;
    }
    std::string Contents() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string Get(const std::string& section, const std::string& key, const std::string& def = "<default>") {
        return GetProfileString(section, key, def, path_);
    }

    std::filesystem::path dir_;
    std::string path_;
};

std::string ToCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

TEST_F(Profile, ReadsValuesByTheMatchingRulesWithEitherLineEnd) {
    const std::string file =
        "; settings\n"
        "[other]\n"
        "NewsUrl=wrong\n"
        "AtRevision=5\n"
        "  [ Main ]  \n"
        "  newsurl =  http://news/ \t\n"
        "UpdatesUrl=\"http://up/\"\n"
        "LinkName=' My Link '\n"
        "Mixed=\"abc'\n"
        "Lone=\"\n"
        "Quoted=\"\"\n"
        "Inner=a \"b\" c\n"
        "Installed=\n"
        ";AtRevision=99\n"
        "  ; RunCustom=x.exe\n"
        "NoEquals\n"
        "Dup=first\n"
        "DUP=second\n"
        "[main]\n"
        "CreateBackup=1\n"
        "[Extra]\n"
        "AtRevision=7\n";
    const struct { const char* section; const char* key; const char* expected; } cases[] = {
        {"main", "NewsUrl", "http://news/"},       // blanks around header, key and value
        {"MAIN", "UPDATESURL", "http://up/"},      // names fold case; double quotes drop
        {"main", "LinkName", " My Link "},         // single quotes drop, blanks inside stay
        {"main", "Mixed", "\"abc'"},               // unmatched quotes stay
        {"main", "Lone", "\""},                    // one quote is not a pair
        {"main", "Quoted", ""},
        {"main", "Inner", "a \"b\" c"},
        {"main", "Installed", ""},                 // present but empty: not the default
        {"main", "AtRevision", "<default>"},       // commented out; other sections don't leak
        {"main", ";AtRevision", "<default>"},      // a comment is never a key
        {"main", "RunCustom", "<default>"},
        {"main", "NoEquals", "<default>"},
        {"main", "Dup", "first"},
        {"main", "CreateBackup", "<default>"},     // only the first [main] is searched
        {"extra", "atrevision", "7"},
        {"other", "NewsUrl", "wrong"},
        {"nosuch", "NewsUrl", "<default>"},
    };
    for (const std::string& content : {file, ToCrLf(file)}) {
        Put(content);
        for (const auto& c : cases)
            EXPECT_EQ(Get(c.section, c.key), c.expected)
                << c.section << "/" << c.key << (content == file ? " (LF)" : " (CR LF)");
    }
}

TEST_F(Profile, FallsBackToTheDefaultAndCutsLongValues) {
    const std::string longValue(3000, 'v');
    const struct { std::optional<std::string> content; const char* expected; } cases[] = {
        {std::nullopt, "<default>"},  // no file at all
        {"", "<default>"},
        {"[other]\r\nInstalled=1\r\n", "<default>"},
        {"Installed=1\r\n[main]\r\n", "<default>"},  // a key before any section is in none
        {"[main]\nInstalled=1", "1"},               // last line without a line end
        {"[main]\r\nInstalled=" + longValue + "\r\n", nullptr},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(path_);
        if (c.content) Put(*c.content);
        const std::string value = Get("main", "Installed");
        if (c.expected)
            EXPECT_EQ(value, c.expected) << c.content.value_or("(missing)");
        else
            EXPECT_EQ(value, std::string(2047, 'v'));
    }
}

TEST_F(Profile, WriteChangesOnlyWhatIsNeeded) {
    const struct { const char* name; const char* before; const char* key; const char* after; } cases[] = {
        {"replace keeps every other byte and the line's own end",
         "; top\r\n[Other]\r\nAtRevision=1\r\n  [ main ]\n  atrevision = 3 \nLinkName = x \r\n;AtRevision=2\r\n",
         "AtRevision",
         "; top\r\n[Other]\r\nAtRevision=1\r\n  [ main ]\nAtRevision=15\nLinkName = x \r\n;AtRevision=2\r\n"},
        {"replace the first of duplicates in the first section",
         "[main]\r\nAtRevision=1\r\natrevision=2\r\n[main]\r\nAtRevision=3\r\n", "AtRevision",
         "[main]\r\nAtRevision=15\r\natrevision=2\r\n[main]\r\nAtRevision=3\r\n"},
        {"replace an empty value", "[main]\nAtRevision=\n", "AtRevision", "[main]\nAtRevision=15\n"},
        {"add a key after the section's last non-blank line",
         "[main]\r\nA=1\r\n\r\n[other]\r\nAtRevision=1\r\n", "AtRevision",
         "[main]\r\nA=1\r\nAtRevision=15\r\n\r\n[other]\r\nAtRevision=1\r\n"},
        {"add a key under a bare header", "[main]\n[other]\n", "AtRevision",
         "[main]\nAtRevision=15\r\n[other]\n"},
        {"add a key behind an unterminated last line", "[main]\nA=1", "AtRevision",
         "[main]\nA=1\r\nAtRevision=15\r\n"},
        {"a commented key is not the key", "[main]\r\n;AtRevision=1\r\n", "AtRevision",
         "[main]\r\n;AtRevision=1\r\nAtRevision=15\r\n"},
        {"add the section at the end", "; c\r\n[other]\r\nB=2\r\n", "AtRevision",
         "; c\r\n[other]\r\nB=2\r\n[main]\r\nAtRevision=15\r\n"},
        {"add the section behind an unterminated last line", "[other]\nB=2", "AtRevision",
         "[other]\nB=2\r\n[main]\r\nAtRevision=15\r\n"},
        {"empty file", "", "AtRevision", "[main]\r\nAtRevision=15\r\n"},
    };
    for (const auto& c : cases) {
        Put(c.before);
        WriteProfileString("main", c.key, "15", path_);
        EXPECT_EQ(Contents(), c.after) << c.name;
        EXPECT_EQ(Get("main", c.key), "15") << c.name;
    }
}

TEST_F(Profile, WriteCreatesAMissingFile) {
    WriteProfileString("main", "AtRevision", "15", path_);
    EXPECT_EQ(Contents(), "[main]\r\nAtRevision=15\r\n");
}

TEST_F(Profile, RefusedWriteNamesTheFile) {
    const std::string directory = (dir_ / "folder.ini").string();
    std::filesystem::create_directory(directory);
    for (const std::string& path : {directory, (dir_ / "missing" / "_settings.ini").string()}) {
        try {
            WriteProfileString("main", "AtRevision", "15", path);
            ADD_FAILURE() << "wrote " << path;
        } catch (const EIniFileError& e) {
            EXPECT_EQ(e.Message(), "Unable to write to " + path);
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(directory));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
}
