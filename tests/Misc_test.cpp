#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "update/Misc.h"

using namespace quarnel;
using namespace std::string_literals;

TEST(SplitFields, DeliversNonEmptyFieldsLastFirst) {
    const struct { std::string text, separators; TStringList fields; } cases[] = {
        {"A|B|C", "|", {"C", "B", "A"}},
        {"A||C", "|", {"C", "A"}},
        {"A|B|", "|", {"B", "A"}},
        {"|A", "|", {"A"}},
        {"A", "|", {"A"}},
        {"", "|", {}},
        {"|", "|", {}},
        {"||", "|", {}},
        {" A | B ", "|", {" B ", " A "}},
        {"A;B|C", "|;", {"C", "B", "A"}},
        {"A|B", "", {"A|B"}},
        {"\xcf\xf0\xe8\xe2\xe5\xf2|\xd0\x9c\xd0\xb8\xd1\x80", "|", {"\xd0\x9c\xd0\xb8\xd1\x80", "\xcf\xf0\xe8\xe2\xe5\xf2"}},
        // NUL is text, never a separator, even when the set holds one.
        {"A\0B|C"s, "|", {"C", "A\0B"s}},
        {"A\0B|C"s, "|\0"s, {"C", "A\0B"s}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitFields(c.text, c.separators), c.fields) << c.text;
}

TEST(SplitFields, FileEntryWithEmptyDigestLosesAnElement) {
    const TStringList fields = SplitFields("Data\\a.pak||1024", "|");
    EXPECT_EQ(fields, (TStringList{"1024", "Data\\a.pak"}));
    EXPECT_THROW(fields[2], EStringListError);
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutRescanning) {
    const struct { const char *source, *pattern, *replacement, *result; } cases[] = {
        {"Data\\sub\\a.pak", "\\", "/", "Data/sub/a.pak"},
        {"a.pak", "\\", "/", "a.pak"},
        {"aaa", "aa", "b", "ba"},
        {"abc", "b", "bb", "abbc"},
        {"abc", "", "x", "abc"},
        {"", "a", "b", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplaceAll(c.source, c.pattern, c.replacement), c.result) << c.source;
}

TEST(LocalPath, NamesFilesInsideTheClientFolderOnly) {
    EXPECT_EQ(LocalPath("/game/", "Data\\sub\\a.pak"), "/game/Data/sub/a.pak");
    EXPECT_EQ(LocalPath("/game/", "a..b\\.hidden"), "/game/a..b/.hidden");
    for (const char* path : {"", "\\etc\\passwd", "/etc/passwd", "C:\\Windows\\hosts", "c:x", "..\\x", "Data\\..\\..\\x",
                             "Data\\.\\x", "Data\\\\x", "Data\\", "Data/../x", ".", ".."}) {
        EXPECT_THROW(LocalPath("/game/", path), EUnsafePath) << path;
    }
}
