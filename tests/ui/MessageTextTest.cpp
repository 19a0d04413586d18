#include "ui/MessageText.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Tag removal as a repeated search from the start of the text.
std::string StripTagsBySearch(std::string text) {
    for (;;) {
        auto open = text.find('<');
        if (open == std::string::npos)
            return text;
        auto close = text.find('>', open);
        if (close == std::string::npos)
            return text;
        text.erase(open, close - open + 1);
    }
}

}  // namespace

TEST(StripTags, RemovesEachTagAndKeepsTheRest) {
    const struct {
        const char* text;
        const char* stripped;
    } cases[] = {
        {"", ""},
        {"plain text, no tags > here", "plain text, no tags > here"},
        {"<p><b>two words</b></p>", "two words"},
        {"a > b <i>c</i> d", "a > b c d"},
        {"<a<b>c>", "c>"},
        {"a<>b", "ab"},
        {"a<b", "a<b"},
        {"x<y>z<w", "xz<w"},
        {"x<y z<w>", "x"},
        {"&amp; <br/>\r\n\r\nhttp://a.pl/", "&amp; \r\n\r\nhttp://a.pl/"},
        {">>", ">>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripTags(c.text), c.stripped) << c.text;
}

TEST(StripTags, MatchesTheRepeatedSearch) {
    std::mt19937 random(7);
    const char alphabet[] = "<>a \r";
    for (int round = 0; round < 5000; ++round) {
        std::string text(random() % 24, ' ');
        for (char& c : text)
            c = alphabet[random() % 5];
        ASSERT_EQ(StripTags(text), StripTagsBySearch(text)) << text;
    }
}

TEST(StripTags, HandlesAHundredThousandTags) {
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += "<b>x</b>";
    EXPECT_EQ(StripTags(text), std::string(100000, 'x'));
    EXPECT_EQ(StripTags("<" + std::string(200000, 'a')), "<" + std::string(200000, 'a'));
}

TEST(ExtractWordAt, FindsTheRunAroundAPosition) {
    const std::string text = "see http://a.pl/x\r\nnext\tword  end";
    //                        1234567890123456789 0 1234 5678901234
    const struct {
        std::size_t p;
        const char* word;
    } cases[] = {
        {1, "see"},
        {3, "see"},
        {4, ""},  // the space itself
        {5, "http://a.pl/x"},
        {17, "http://a.pl/x"},
        {18, ""},  // CR
        {19, ""},  // LF
        {20, "next"},
        {24, ""},  // tab
        {25, "word"},
        {29, ""},
        {30, ""},
        {31, "end"},
        {33, "end"},
        {34, "end"},  // past the end: the last run
        {1000, "end"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractWordAt(text, c.p), c.word) << c.p;
}

TEST(ExtractWordAt, EdgesOfTheText) {
    EXPECT_EQ(ExtractWordAt("", 1), "");
    EXPECT_EQ(ExtractWordAt("", 5), "");
    EXPECT_EQ(ExtractWordAt("word ", 6), "");
    EXPECT_EQ(ExtractWordAt("word ", 9), "");
    EXPECT_EQ(ExtractWordAt("one", 2), "one");
    // Other control characters are no delimiters but are trimmed off the ends.
    EXPECT_EQ(ExtractWordAt("a \x01x\x02y\x03 b", 5), "x\x02y");
    // Bytes above 127 are letters.
    EXPECT_EQ(ExtractWordAt("z \xBF\xF3\xB3w z", 4), "\xBF\xF3\xB3w");
    EXPECT_EQ(WordBoundsAt("ab http://x cd", 6), (std::pair<std::size_t, std::size_t>(3, 11)));
}

TEST(EnclosureLine, SaysTypeAndSizeWhereKnown) {
    EXPECT_EQ(EnclosureLine("http://a.pl/e", "audio/mpeg", 1), "Enclosure: audio/mpeg, 1 KB: http://a.pl/e");
    EXPECT_EQ(EnclosureLine("http://a.pl/e", "", 1048575), "Enclosure: 1024 KB: http://a.pl/e");
    EXPECT_EQ(EnclosureLine("http://a.pl/e", "video/mp4", std::uint64_t{5} << 30),
              "Enclosure: video/mp4, 5120.0 MB: http://a.pl/e");
    EXPECT_EQ(EnclosureLine("http://a.pl/e", "", 0), "Enclosure: http://a.pl/e");
    const std::string text =
        "d\r\n\r\nhttp://a.pl/\r\nEnclosure: image/png: http://a.pl/p.png\r\nEnclosure: ftp://x";
    EXPECT_EQ(EnclosureAt(text, 20), "http://a.pl/p.png");
    EXPECT_EQ(EnclosureAt(text, 5), "");
    EXPECT_EQ(EnclosureAt(text, text.size()), "");  // not a web address
}
