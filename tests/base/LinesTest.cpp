#include "base/Lines.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

TEST(Lines, SplitsAtEveryKindOfLineEnd) {
    using namespace std::string_literals;
    const struct {
        std::string text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"\r\n\r\nx", {"", "", "x"}},
        {"a\0b\r\nc"s, {"a"}},
        {"a\r\n\0b"s, {"a"}},
        {"\0a"s, {}},
        {"d\xB3ugi \xBF\xF3\xB3w", {"d\xB3ugi \xBF\xF3\xB3w"}},  // długi żółw
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLines(c.text), c.lines) << testing::PrintToString(c.text);
}

TEST(Lines, JoinEndsEveryLineWithCrLf) {
    EXPECT_EQ(JoinLines({}), "");
    EXPECT_EQ(JoinLines({""}), "\r\n");
    EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(JoinLines({"a", "a"}), "a\r\na\r\n");
}

TEST(Lines, JoinedLinesSplitBackUnchanged) {
    const Lines lines = {"http://a.pl/rss", "", "x y", "http://a.pl/rss"};
    EXPECT_EQ(SplitLines(JoinLines(lines)), lines);
}
