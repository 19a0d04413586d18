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

// Items taken during the parse must give the record that the whole tree
// gives: the same channel element, the same items in document order.
TEST(ChannelItemReader, ReadsWhatTheWholeTreeReads) {
    const char* const texts[] = {
        // RSS 1.0: an item before the channel, and none at all.
        "<rdf:RDF><item><title>a</title></item><channel><title>C</title></channel>"
        "<item><title>b</title></item></rdf:RDF>",
        "<rdf:RDF><item><title>a</title><link>l</link></item><item><title>b</title></item></rdf:RDF>",
        "<rdf:RDF><channel><title>C</title></channel><item><title>a</title></item>"
        "<?item x='1'?><item><title>b</title></item></rdf:RDF>",
        // RSS 2.0: the items of the first channel only, text and nodes between them.
        "<rss><x><item><title>x</title></item></x><channel><title>C</title><item><title>a</title></item>"
        " stray <!--c--><?item?><item><title>b</title><description>d<b>e</b>f</description></item></channel>"
        "<Channel><item><title>z</title></item></Channel></rss>",
        "<rss><x><item><title>x</title></item></x><y/></rss>",
        // Atom, and a root that is not the first element.
        "<feed><title>F</title><entry><title>a</title><link href='h'/></entry>tail<link href='f'/>"
        "<entry><title>b</title><updated>2026-12-07</updated></entry></feed>",
        "<x/><feed><entry><title>a</title></entry></feed>",
    };
    const auto titles = [](const TRSS& channel) {
        std::string out;
        for (const TRSSItem& item : channel.News)
            out.append(item.Title).append("|").append(item.Description).append("|").append(item.Link) += ';';
        return out;
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        TRSS whole;
        const TChannelFormat wholeFormat = ReadChannel(*Parsed(text), whole, kYmdHyphen);
        TRSS taken;
        TVexXMLParser document;
        TChannelItemReader items(document, taken, kYmdHyphen);
        document.Parse(text, &items);
        EXPECT_EQ(items.Finish(), wholeFormat);
        EXPECT_EQ(taken.Title, whole.Title);
        EXPECT_EQ(taken.Link, whole.Link);
        EXPECT_EQ(titles(taken), titles(whole));
    }
}
