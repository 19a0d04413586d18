// Feeds too large for comfort, read all the way: the reading grows linearly
// with the number of items and the length of their texts.
#include "feed/Feed.h"

#include "base/Exceptions.h"

#include "xml/VexXMLParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace {

std::string Item(int i, const std::string& description) {
    return "<item><category>c</category><title>t" + std::to_string(i) + "</title><description>" +
           description + "</description><link>http://x.pl/" + std::to_string(i) +
           "</link><pubDate>Mon, 07 Dec 2026 22:03:49 GMT</pubDate></item>";
}

std::string Rss(const std::string& items, const std::string& encoding = "utf-8") {
    return "<?xml version=\"1.0\" encoding=\"" + encoding +
           "\"?><rss><channel><title>T</title>"
           "<link>L</link>" +
           items + "</channel></rss>";
}

// The shortest of a few readings of the parsed feed, in seconds.
double ReadTime(int count, std::size_t encodingLength) {
    std::string items;
    for (int i = 0; i < count; ++i)
        items += Item(i, "d");
    TVexXMLParser document;
    document.Parse(Rss(items, std::string(encodingLength, 'x')).c_str());
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        TRSS channel;
        const auto start = std::chrono::steady_clock::now();
        ReadChannelRss(document, channel);
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        EXPECT_EQ(channel.News.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(channel.News.back().Link, "http://x.pl/" + std::to_string(count - 1));
    }
    return best;
}

// A long encoding name was once copied for every text: four times the items
// and the name took sixteen times as long. Linear is four; the bound leaves
// room for a loaded machine and the sanitizers.
TEST(HostileFeed, ReadingGrowsLinearlyWithItemsAndEncodingName) {
    const double small = ReadTime(5000, 20000);
    const double large = ReadTime(20000, 80000);
    EXPECT_LT(large, 10 * small) << small << " s, then " << large << " s";
}

TEST(HostileFeed, SixteenMegabyteDescription) {
    // "\xC5\x82" is l with stroke; one byte cut off at the end is U+FFFD.
    std::string description = "\xC5\x82";
    while (description.size() < 16 << 20)
        description += description;
    TVexXMLParser document;
    description.pop_back();
    document.Parse(Rss(Item(0, description)).c_str());
    TRSS channel;
    ReadChannelRss(document, channel);
    ASSERT_EQ(channel.News.size(), 1u);
    const std::string_view decoded = channel.News[0].Description;
    ASSERT_EQ(decoded.size(), (std::size_t{16} << 20) + 1);
    EXPECT_EQ(decoded.substr(decoded.size() - 5), "\xC5\x82\xEF\xBF\xBD");
}

// Doubles the text, as the unoptimised sanitizer build would take longer
// to append piece by piece than to read the result.
std::string Repeat(const std::string& piece, std::size_t times) {
    const std::size_t size = piece.size() * times;
    std::string text = piece;
    text.reserve(size);
    while (text.size() * 2 <= size)
        text.append(text);
    text.append(text, 0, size - text.size());
    return text;
}

// A description written as markup is rebuilt from the tree without
// recursion: nesting as deep as memory allows costs no stack.
TEST(HostileFeed, DescriptionMarkupNestedDeeply) {
    constexpr int kDepth = 200000;
    TVexXMLParser document;
    document.Parse(Rss(Item(0, Repeat("<b>", kDepth) + "x" + Repeat("</b>", kDepth))).c_str());
    TRSS channel;
    ReadChannelRss(document, channel);
    ASSERT_EQ(channel.News.size(), 1u);
    EXPECT_EQ(channel.News[0].Description, Repeat("<b>", kDepth) + "x" + Repeat("</b>", kDepth));
}

// The day number of a date text, or -1 when it raises (the message would
// repeat the whole text).
double DateOf(const std::string& text) {
    try {
        return ParseRssDate(text);
    } catch (const Exception&) {
        return -1;
    }
}

// Only the first items of a date are read: millions of items after them
// cost no more than reading past them.
TEST(HostileFeed, DatesWithMillionsOfItems) {
    const std::string date = "Mon, 07 Dec 2026";
    for (const std::string& filler : {std::string(","), std::string(" "), std::string(",\"\"")}) {
        SCOPED_TRACE(filler);
        EXPECT_EQ(DateOf(date + Repeat(filler, 16 << 20)), 46363.0);
    }
    EXPECT_EQ(DateOf(date + " " + std::string(50 << 20, 'x')), 46363.0);
}

}  // namespace
