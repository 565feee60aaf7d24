#include <gtest/gtest.h>

#include <cstdint>
#include <random>

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

TEST(PosFrom, FindsTheLeftmostOccurrenceFromStart) {
    const struct { size_t start; std::string text, pattern; size_t position; } cases[] = {
        {1, "abc", "c", 3},
        {1, "abc", "a", 1},
        {1, "abcabc", "abc", 1},
        {2, "abcabc", "abc", 4},
        {4, "abcabc", "abc", 4},
        {5, "abcabc", "abc", 0},
        {1, "xbcabc", "abc", 4},
        {1, "aabaabaaab", "aaab", 7},
        {1, "abababc", "ababc", 3},
        {3, "abcd", "cde", 0},
        {1, "ab", "abc", 0},
        {1, "", "a", 0},
        {1, "10.0.0.1 GAME-LOGIN", "game-login", 0},
        {1, "a\xd0\xb8\xff" "b", "\xd0\xb8\xff", 2},
        {1, "a\0b\0c"s, "\0c"s, 4},
        {0, "abc", "a", 1},
        {7, "abcabc", "c", 0},
        {SIZE_MAX, "abc", "abc", 0},
        {1, "abc", "", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(PosFrom(c.start, c.text, c.pattern), c.position) << c.text << " / " << c.pattern;
}

TEST(PosFrom, AgreesWithAPlainSearchOnSmallAlphabets) {
    std::mt19937 random(7);
    auto word = [&random](size_t maxLength) {
        std::string text(random() % (maxLength + 1), 'a');
        for (char& c : text) c = "ab\xff"[random() % 3];
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string text = word(12);
        std::string pattern = word(4);
        if (pattern.empty()) pattern = "a";
        const size_t start = 1 + random() % (text.size() + 2);
        const size_t found = text.find(pattern, start - 1);
        ASSERT_EQ(PosFrom(start, text, pattern), found == std::string::npos ? 0 : found + 1)
            << text << " / " << pattern << " from " << start;
    }
}
