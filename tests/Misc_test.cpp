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
