#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/IntConv.h"

using namespace quarnel;

TEST(IntConv, AcceptsDecimalAndHexForms) {
    const struct { const char* text; int32_t value; } cases[] = {
        {"0", 0},           {"42", 42},         {"+7", 7},          {"-3", -3},
        {"2147483647", 2147483647},             {"-2147483648", INT32_MIN},
        {"$1F", 31},        {"x1f", 31},        {"X1F", 31},        {"0x1F", 31},
        {"0X1f", 31},       {"$FFFFFFFF", -1},  {"$80000000", INT32_MIN},
        {"-$10", -16},      {"$000000001", 1},  {"   12", 12},      {" -$a", -10},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
}

TEST(IntConv, RejectsEverythingElseWithTheTextInTheMessage) {
    const char* bad[] = {"",   " ",     "12abc", "2147483648", "-2147483649", "$",    "0x",   "+",
                         "-",  "12 ",   "\t12",  "$100000000", "$G",          "1.5",  "1e3",  "--1",
                         "+-1", "0x-1", "$ 1",   "99999999999999999999"};
    for (const char* text : bad) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}
