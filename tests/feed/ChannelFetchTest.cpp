#include "feed/Feed.h"

#include "base/Dates.h"
#include "base/Exceptions.h"
#include "xml/VexXMLParser.h"

#include <gtest/gtest.h>

namespace {

const TShortDateFormat kYmdHyphen{TDateOrder::doYMD, '-'};

std::unique_ptr<TVexXMLParser> Parsed(const std::string& text) {
    auto document = std::make_unique<TVexXMLParser>();
    document->Parse(text.c_str());
    return document;
}

}  // namespace

TEST(ChannelFormat, OnlyTheExactRootNamesAreKnown) {
    const struct {
        const char* text;
        TChannelFormat format;
    } cases[] = {
        {"<?xml version=\"1.0\"?><rss/>", TChannelFormat::cfRss},
        {"<?xml version=\"1.0\"?><feed/>", TChannelFormat::cfAtom},
        {"<?xml version=\"1.0\"?><RSS/>", TChannelFormat::cfUnsupported},
        {"<?xml version=\"1.0\"?><Feed/>", TChannelFormat::cfUnsupported},
        {"<?xml version=\"1.0\"?><rdf:RDF/>", TChannelFormat::cfRss},
        {"<?xml version=\"1.0\"?><RDF/>", TChannelFormat::cfUnsupported},
        {"<?xml version=\"1.0\"?><rss2/>", TChannelFormat::cfUnsupported},
        // The root is the first element: comments and instructions before it
        // are passed over, and the declaration may be missing.
        {"<?xml version=\"1.0\"?><!-- c --><rss/>", TChannelFormat::cfRss},
        {"<?xml version=\"1.0\"?><?xml-stylesheet href=\"s.xsl\"?><feed/>", TChannelFormat::cfAtom},
        {"<rss><channel/></rss>", TChannelFormat::cfRss},
        {"<!-- c --><?xml-stylesheet href=\"s.xsl\"?><FEED/><rss/>", TChannelFormat::cfUnsupported},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ChannelFormat(*Parsed(c.text)), c.format);
    }
}

TEST(ChannelFormat, ADocumentWithoutAnElementFails) {
    for (const char* text : {"", "<?xml version=\"1.0\"?>", "<!-- a --><!-- b -->"}) {
        SCOPED_TRACE(text);
        auto document = Parsed(text);
        try {
            ChannelFormat(*document);
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "The document has no root element");
        }
    }
}

TEST(ReadChannel, ReadsByTheRootAndLeavesAnUnsupportedChannelAlone) {
    TRSS channel;
    auto rss = Parsed("<?xml version=\"1.0\" encoding=\"utf-8\"?><rss><channel><title>r</title><link>l</link>"
                      "<item><category>c</category><title>i</title><description>d</description><link>l</link>"
                      "<pubDate>Mon, 07 Dec 2026 22:03:49 GMT</pubDate></item></channel></rss>");
    EXPECT_EQ(ReadChannel(*rss, channel, kYmdHyphen), TChannelFormat::cfRss);
    ASSERT_EQ(channel.News.size(), 1u);
    EXPECT_EQ(channel.News[0].Category, "c");

    auto other =
        Parsed("<?xml version=\"1.0\" encoding=\"x\"?><Rss><channel><title>o</title></channel></Rss>");
    EXPECT_EQ(ReadChannel(*other, channel, kYmdHyphen), TChannelFormat::cfUnsupported);
    EXPECT_EQ(channel.Encoding, "utf-8");
    EXPECT_EQ(channel.Title, "r");
    ASSERT_EQ(channel.News.size(), 1u);

    auto atom =
        Parsed("<?xml version=\"1.0\"?><feed><title>a</title><link>l</link><entry><title>e</title>"
               "<summary>s</summary><link>l</link><updated>2026-12-07T22:03:49Z</updated></entry></feed>");
    EXPECT_EQ(ReadChannel(*atom, channel, kYmdHyphen), TChannelFormat::cfAtom);
    EXPECT_EQ(channel.Title, "a");
    ASSERT_EQ(channel.News.size(), 1u);
    EXPECT_EQ(channel.News[0].Category, "");
    EXPECT_EQ(FormatDateYmd(channel.News[0].Date), "2026-12-07");
    // The date format is the one passed.
    auto dotted = Parsed("<feed><entry><updated>07.12.2026</updated></entry></feed>");
    ReadChannel(*dotted, channel, {TDateOrder::doDMY, '.'});
    EXPECT_EQ(FormatDateYmd(channel.News.at(0).Date), "2026-12-07");
}
