#include "base/Exceptions.h"
#include "base/IntConvert.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Good {
    const char* text;
    int value;
};

const Good kGood[] = {
    {"0", 0},
    {"7", 7},
    {"0065", 65},
    {"+12", 12},
    {"-12", -12},
    {"   42", 42},
    {"  -0", 0},
    {"2147483647", 2147483647},
    {"-2147483648", -2147483647 - 1},
    {"$41", 65},
    {"x41", 65},
    {"X41", 65},
    {"0x41", 65},
    {"0X41", 65},
    {"$00e9", 233},
    {"$aBcD", 0xABCD},
    {"-$10", -16},
    {"+x10", 16},
    {" 0x7FFFFFFF", 2147483647},
    // Hexadecimal values take all 32 bits as a two's-complement pattern.
    {"$80000000", -2147483647 - 1},
    {"$FFFFFFFF", -1},
    {"-$FFFFFFFF", 1},
    {"-$80000000", -2147483647 - 1},
    {"$0000000000000001", 1},
};

TEST(IntConvert, ConvertsValidTexts) {
    for (const Good& row : kGood) {
        int value = 12345;
        EXPECT_TRUE(TryStrToInt(row.text, value)) << row.text;
        EXPECT_EQ(value, row.value) << row.text;
        EXPECT_EQ(StrToInt(row.text), row.value) << row.text;
    }
}

const char* const kBad[] = {
    "",           " ",           "-",           "+",          "$",           "x",
    "0x",         "-$",          "abc",         "ABC",        "12a",         "1 ",
    "\t1",        "1.5",         "+-1",         "--1",        "- 1",         "$ 1",
    "0x-1",       "00x1",        "$G1",         "2147483648", "-2147483649", "99999999999999999999",
    "$100000000", "-$100000000", "0x1FFFFFFFF",
};

TEST(IntConvert, RejectsInvalidTexts) {
    for (const char* text : kBad) {
        int value = 12345;
        EXPECT_FALSE(TryStrToInt(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 12345) << '"' << text << '"';
        try {
            StrToInt(text);
            ADD_FAILURE() << "no error for \"" << text << '"';
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

TEST(IntConvert, StopsAtTheViewsEnd) {
    const std::string text = "123456";
    EXPECT_EQ(StrToInt(std::string_view(text).substr(0, 3)), 123);
    // A NUL inside the view is a stray character, not an end.
    EXPECT_THROW(StrToInt(std::string_view("12\0"
                                           "3",
                                           4)),
                 EConvertError);
}

}  // namespace
