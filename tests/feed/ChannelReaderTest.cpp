#include "feed/ChannelReader.h"

#include "base/Dates.h"
#include "base/Exceptions.h"
#include "xml/VexXMLParser.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

const TShortDateFormat kYmdHyphen{TDateOrder::doYMD, '-'};
const TShortDateFormat kDmyDot{TDateOrder::doDMY, '.'};

TRSS ReadRss(const std::string& xml, TRSS channel = {}) {
    TVexXMLParser document;
    document.Parse(xml.c_str());
    ReadChannelRss(document, channel);
    return channel;
}

TRSS ReadAtom(const std::string& xml, const TShortDateFormat& format = kYmdHyphen, TRSS channel = {}) {
    TVexXMLParser document;
    document.Parse(xml.c_str());
    ReadChannelAtom(document, channel, format);
    return channel;
}

// Every text of an item, one after the other.
std::string AllTexts(const TRSSItem& i) {
    return std::string(i.Category) + std::string(i.Title) + std::string(i.Description) + std::string(i.Link) +
           std::string(i.Guid);
}

// The message of what reading the text raises; "" when it reads.
template <typename Read>
std::string FailureOf(Read read) {
    try {
        read();
    } catch (const Exception& e) {
        return e.what();
    }
    return "";
}

std::string RssItem(const std::string& fields) { return "<item>" + fields + "</item>\n"; }

std::string Rss(const std::string& items, const std::string& declaration = "encoding=\"UTF-8\"",
                const std::string& channelFields = "<title>T</title><link>http://example.com/</link>") {
    return "<?xml version=\"1.0\" " + declaration + "?>\n<rss version=\"2.0\">\n<channel>\n" + channelFields +
           "\n" + items + "</channel>\n</rss>\n";
}

const std::string kFullItem =
    "<category>C</category><title>I</title><description>D</description>"
    "<link>http://example.com/1</link><pubDate>Mon, 07 Dec 2026 22:03:49 GMT</pubDate>";

// --- RSS -----------------------------------------------------------------

TEST(ReadChannelRss, FillsTheRecordFromAUtf8Feed) {
    const TRSS c = ReadRss("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<rss version=\"2.0\">\n"
                           " <channel>\n"
                           "  <title>Wiadomo\xC5\x9B"
                           "ci</title>\n"  // Wiadomości
                           "  <link>http://example.com/</link>\n"
                           "  <description>Kana\xC5\x82 testowy</description>\n"  // Kanał testowy
                           "  <language>pl</language>\n"
                           "  <item>\n"
                           "   <title>Pierwsza &amp; jedyna</title>\n"
                           "   <link>http://example.com/1</link>\n"
                           "   <description>line one\nline two\rthree</description>\n"
                           "   <category domain=\"http://example.com/c\">Kraj</category>\n"
                           "   <pubDate>Mon, 07 Dec 2026 22:03:49 GMT</pubDate>\n"
                           "   <guid isPermaLink=\"false\">id-1</guid>\n"
                           "  </item>\n"
                           " </channel>\n"
                           "</rss>\n");
    EXPECT_EQ(c.Encoding, "UTF-8");
    EXPECT_EQ(c.Title, "Wiadomości");
    EXPECT_EQ(c.Link, "http://example.com/");
    EXPECT_EQ(c.Description, "Kanał testowy");
    EXPECT_EQ(c.Language, "pl");
    ASSERT_EQ(c.News.size(), 1u);
    const TRSSItem& i = c.News[0];
    EXPECT_EQ(i.Category, "Kraj");
    EXPECT_EQ(i.Title, "Pierwsza & jedyna");
    EXPECT_EQ(i.Description, "line one line two\rthree");
    EXPECT_EQ(i.Link, "http://example.com/1");
    EXPECT_EQ(i.Guid, "id-1");
    EXPECT_EQ(FormatDateYmd(i.Date), "2026-12-07");
}

TEST(ReadChannelRss, DecodesTheDeclaredEncoding) {
    const std::string item =
        RssItem("<category>\xB1</category><title>\xA3\xB6</title><description>\xBC</description>"
                "<link>L</link><pubDate>Mon, 07 Dec 2026</pubDate>");
    const TRSS iso = ReadRss(Rss(item, "encoding=\"ISO-8859-2\""));
    EXPECT_EQ(iso.Encoding, "ISO-8859-2");
    EXPECT_EQ(iso.News.at(0).Category, "\xC4\x85");       // ą
    EXPECT_EQ(iso.News.at(0).Title, "\xC5\x81\xC5\x9B");  // Łś
    EXPECT_EQ(iso.News.at(0).Description, "\xC5\xBA");    // ź

    // Without an encoding, text that is not UTF-8 is Windows-1250.
    const TRSS plain = ReadRss(Rss(item, ""));
    EXPECT_EQ(plain.Encoding, "");
    EXPECT_EQ(plain.News.at(0).Category, "\xC2\xB1");       // ±
    EXPECT_EQ(plain.News.at(0).Title, "\xC5\x81\xC2\xB6");  // Ł¶

    // Malformed UTF-8 gives U+FFFD where it stands; the rest stays.
    const TRSS bad = ReadRss(Rss(item, "encoding=\"utf-8\""));
    EXPECT_EQ(bad.News.at(0).Title, "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(bad.News.at(0).Link, "L");
}

TEST(ReadChannelRss, ReadsOnlyChildrenNamedExactlyItem) {
    const TRSS c = ReadRss(Rss(RssItem("<category>A</category><category>B</category><title>1</title>"
                                       "<description>D</description><link>L</link>"
                                       "<PubDate>Mon, 07 Dec 2026</PubDate>") +
                               "<Item>" + kFullItem + "</Item><ITEM>" + kFullItem + "</ITEM>\n" +
                               RssItem("<CATEGORY>C</CATEGORY><TITLE>2</TITLE><Description>D</Description>"
                                       "<LINK>L</LINK><PUBDATE>Tue, 08 Dec 2026</PUBDATE>") +
                               RssItem("<title>3</title><description>D</description><link>L</link>"
                                       "<pubDate>Wed, 09 Dec 2026</pubDate>")));
    ASSERT_EQ(c.News.size(), 3u);
    EXPECT_EQ(c.News[2].Category, "");  // the category is optional
    EXPECT_EQ(c.News[0].Category, "A");
    EXPECT_EQ(c.News[0].Title, "1");
    EXPECT_EQ(c.News[0].Guid, "");
    EXPECT_EQ(FormatDateYmd(c.News[0].Date), "2026-12-07");
    EXPECT_EQ(c.News[1].Title, "2");
    EXPECT_EQ(FormatDateYmd(c.News[1].Date), "2026-12-08");
}

TEST(ReadChannelRss, AChannelWithoutItemsHasNoNews) {
    TRSS old;
    old.News.resize(3);
    const TRSS c = ReadRss(Rss(""), std::move(old));
    EXPECT_TRUE(c.News.empty());
    EXPECT_EQ(c.Description, "");
    EXPECT_EQ(c.Language, "");
}

TEST(ReadChannelRss, NothingMissingSinksTheChannel) {
    // No channel title or link; items with parts missing, dates as feeds
    // write them and dates that are none.
    const TRSS c = ReadRss(Rss(
        RssItem("") + RssItem("<title>T</title><pubDate>17 Jan 2009 21:02:58 EST</pubDate>") +
            RssItem("<pubDate>Sat, Dec 16 2023 02:02:33 PM</pubDate>") +
            RssItem("<pubDate>Mon, 07 DECEMBER 26</pubDate>") +
            RssItem("<pubDate>2018-09-19T05:11:22.000Z</pubDate>") +
            RssItem("<pubDate>Ter, 07 Set 2026</pubDate>") + RssItem("<pubDate>Mon, 31 Feb 2026</pubDate>"),
        "", "<description>D</description>"));
    EXPECT_EQ(c.Title, "");
    EXPECT_EQ(c.Link, "");
    EXPECT_EQ(c.Description, "D");
    ASSERT_EQ(c.News.size(), 7u);
    const TRSSItem& empty = c.News[0];
    EXPECT_EQ(AllTexts(empty), "");
    EXPECT_TRUE(IsNoDate(empty.Date));
    EXPECT_EQ(c.News[1].Title, "T");
    const char* const dates[] = {"", "2009-01-17", "2023-12-16", "2026-12-07", "2018-09-19", "", ""};
    for (std::size_t i = 0; i < c.News.size(); ++i)
        EXPECT_EQ(FormatDateYmd(c.News[i].Date), dates[i]) << i;

    // The channel is the root's child named so, wherever it stands; a root
    // without any is an empty channel. Only a document without any element fails.
    const TRSS named = ReadRss("<rss><!-- c --><x/><Channel><title>N</title></Channel></rss>");
    EXPECT_EQ(named.Title, "N");
    const TRSS bare = ReadRss("<?xml version=\"1.0\"?><rss/>");
    EXPECT_EQ(bare.Title, "");
    EXPECT_TRUE(bare.News.empty());
    EXPECT_EQ(FailureOf([&] { ReadRss(""); }), "The document has no root element");
}

TEST(ReadChannelRss, RawHtmlAndRssOnePointZero) {
    // A description written as markup is read as its markup, the words apart.
    const TRSS html = ReadRss(Rss(RssItem("<description><p>Some <b class=\"x\">bold</b> text<br/>"
                                          "<!-- c -->more <a>link</a>.</p><p>two</p></description>")));
    EXPECT_EQ(html.News.at(0).Description,
              "<p>Some <b class=\"x\">bold</b> text <br></br> more <a>link</a>.</p> <p>two</p>");

    // RSS 1.0: the items stand beside the channel, dates are RFC 3339.
    const TRSS rdf = ReadRss("<?xml version=\"1.0\"?>\n"
                             "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                             "<channel rdf:about=\"http://example.com/\"><title>R</title>"
                             "<link>http://example.com/</link></channel>\n"
                             "<item rdf:about=\"http://example.com/1\"><title>One</title>"
                             "<link>http://example.com/1</link><dc:subject>S</dc:subject>"
                             "<dc:date>2004-06-30T12:00:00+02:00</dc:date></item>\n"
                             "<item><title>Two</title></item>\n"
                             "</rdf:RDF>\n");
    EXPECT_EQ(rdf.Title, "R");
    EXPECT_EQ(rdf.Link, "http://example.com/");
    ASSERT_EQ(rdf.News.size(), 2u);
    EXPECT_EQ(rdf.News[0].Category, "S");
    EXPECT_EQ(rdf.News[0].Link, "http://example.com/1");
    EXPECT_EQ(FormatDateYmd(rdf.News[0].Date), "2004-06-30");
    EXPECT_EQ(rdf.News[1].Title, "Two");
}

TEST(ReadChannelRss, EveryFieldOfAnEarlierChannelIsReplaced) {
    // The records are reused from read to read: a part missing in the new
    // item must not leave the old item's value.
    TRSS old = ReadRss(Rss(RssItem(kFullItem + "<guid>g</guid>") + RssItem(kFullItem)));
    const TRSS c = ReadRss(Rss(RssItem("<title>new</title>")), std::move(old));
    ASSERT_EQ(c.News.size(), 1u);
    EXPECT_EQ(c.News[0].Title, "new");
    EXPECT_EQ(AllTexts(c.News[0]), "new");
    EXPECT_TRUE(IsNoDate(c.News[0].Date));
}

// --- Atom ----------------------------------------------------------------

std::string AtomEntry(const std::string& fields) { return "<entry>" + fields + "</entry>\n"; }

std::string Atom(const std::string& entries,
                 const std::string& feedFields = "<title>A</title><link href=\"http://example.com/\"/>") {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<feed xmlns=\"http://www.w3.org/2005/Atom\">\n" +
           feedFields + "\n<updated>2026-12-07T22:03:49Z</updated>\n" + entries + "</feed>\n";
}

const std::string kFullEntry = "<title>E</title><link>http://example.com/1</link><summary>S</summary>"
                               "<updated>2026-12-07T22:03:49Z</updated>";

TEST(ReadChannelAtom, FillsTheRecord) {
    const TRSS c =
        ReadAtom(Atom(AtomEntry("<title>Pierwszy wpis \xC4\x85</title>"  // ą
                                "<link rel=\"alternate\" href=\"http://example.com/1\"/>"
                                "<id>urn:uuid:1</id><updated>2026-12-07T22:03:49Z</updated>"
                                "<summary>a\nb</summary>") +
                      "<Entry>" + kFullEntry + "</Entry><ENTRY>" + kFullEntry + "</ENTRY>\n" +
                      AtomEntry("<TITLE>2</TITLE><Link>http://example.com/2</Link><SUMMARY>S</SUMMARY>"
                                "<Updated>2026-02-28</Updated>") +
                      // Without a summary the content stands for it; without both, nothing.
                      AtomEntry("<title>3</title><link>L</link><content type=\"html\">c\nd</content>"
                                "<updated>2026-02-28</updated>") +
                      AtomEntry("<title>4</title><link>L</link><updated>2026-02-28</updated>")));
    EXPECT_EQ(c.Encoding, "utf-8");
    EXPECT_EQ(c.Title, "A");
    EXPECT_EQ(c.Link, "http://example.com/");
    EXPECT_EQ(c.Description, "");
    EXPECT_EQ(c.Language, "");
    ASSERT_EQ(c.News.size(), 4u);
    EXPECT_EQ(c.News[2].Description, "c d");
    EXPECT_EQ(c.News[3].Description, "");
    EXPECT_EQ(c.News[0].Category, "");
    EXPECT_EQ(c.News[0].Title, "Pierwszy wpis \xC4\x85");
    EXPECT_EQ(c.News[0].Link, "http://example.com/1");
    EXPECT_EQ(c.News[0].Description, "a b");
    EXPECT_EQ(c.News[0].Guid, "urn:uuid:1");
    EXPECT_EQ(FormatDateYmd(c.News[0].Date), "2026-12-07");
    EXPECT_EQ(c.News[1].Title, "2");
    EXPECT_EQ(c.News[1].Link, "http://example.com/2");
    EXPECT_EQ(c.News[1].Guid, "");
    EXPECT_EQ(FormatDateYmd(c.News[1].Date), "2026-02-28");
}

TEST(ReadChannelAtom, DatesInTheShortDateFormatElseAsRfc3339) {
    const std::string feed = Atom(AtomEntry(kFullEntry));
    EXPECT_EQ(FormatDateYmd(ReadAtom(feed, kDmyDot).News.at(0).Date), "2026-12-07");
    EXPECT_EQ(FormatDateYmd(ReadAtom(feed, TShortDateFormat{}).News.at(0).Date), "2026-12-07");

    const std::string dotted = Atom(
        AtomEntry("<title>E</title><link>L</link><summary>S</summary><updated>07.12.2026 10:00</updated>"));
    EXPECT_EQ(FormatDateYmd(ReadAtom(dotted, kDmyDot).News.at(0).Date), "2026-12-07");
    EXPECT_TRUE(IsNoDate(ReadAtom(dotted, kYmdHyphen).News.at(0).Date));

    const std::string empty = Atom(AtomEntry("<title>E</title><link>L</link><summary>S</summary><updated/>"));
    EXPECT_TRUE(IsNoDate(ReadAtom(empty).News.at(0).Date));
}

TEST(ReadChannelAtom, NothingMissingSinksTheFeed) {
    const TRSS c =
        ReadAtom(Atom(AtomEntry("") +
                          AtomEntry("<published>2026-12-06</published>"
                                    "<link rel=\"self\" href=\"s\"/><link rel=\"alternate\" href=\"a\"/>"
                                    "<title type=\"xhtml\"><div>X <i>Y</i></div></title>") +
                          AtomEntry("<link rel=\"enclosure\" href=\"e\"/><link rel=\"self\" href=\"s\"/>"
                                    "<updated>2026-12-07</updated><published>2026-12-06</published>") +
                          AtomEntry("<link>t</link>"),
                      ""));
    EXPECT_EQ(c.Title, "");
    EXPECT_EQ(c.Link, "");
    ASSERT_EQ(c.News.size(), 4u);
    EXPECT_EQ(AllTexts(c.News[0]), "");
    EXPECT_TRUE(IsNoDate(c.News[0].Date));
    EXPECT_EQ(c.News[1].Link, "a");
    EXPECT_EQ(c.News[1].Title, "<div>X <i>Y</i></div>");
    EXPECT_EQ(FormatDateYmd(c.News[1].Date), "2026-12-06");
    EXPECT_EQ(c.News[2].Link, "e");
    EXPECT_EQ(FormatDateYmd(c.News[2].Date), "2026-12-07");
    EXPECT_EQ(c.News[3].Link, "t");
    EXPECT_EQ(FailureOf([&] { ReadAtom("<?xml version=\"1.0\"?>"); }), "The document has no root element");
}

TEST(ReadChannelAtom, AfterAnRssReadEveryCategoryIsEmpty) {
    TRSS channel = ReadRss(Rss(RssItem(kFullItem) + RssItem(kFullItem) + RssItem(kFullItem)));
    ASSERT_EQ(channel.News.size(), 3u);
    ASSERT_EQ(channel.News[1].Category, "C");
    channel = ReadAtom(Atom(AtomEntry(kFullEntry) + AtomEntry(kFullEntry)), kYmdHyphen, std::move(channel));
    ASSERT_EQ(channel.News.size(), 2u);
    for (const TRSSItem& i : channel.News) {
        EXPECT_EQ(i.Category, "");
        EXPECT_EQ(i.Title, "E");
    }
    EXPECT_EQ(channel.Encoding, "utf-8");
}

}  // namespace

// The full text before the summary, where it holds anything; the files an
// item carries, each address once.
TEST(ReadChannel, FullContentAndEnclosures) {
    const TRSS rss = ReadRss(Rss(
        RssItem(
            "<title>a</title><description>short</description><content:encoded><![CDATA[<p>full\ntext</p>]]>"
            "</content:encoded><enclosure url=\"http://e.pl/a.mp3\" type=\"audio/mpeg\" length=\"24986239\"/>"
            "<media:content url=\"http://e.pl/a.mp3\" fileSize=\"1\"/><media:group>"
            "<media:content url=\"http://e.pl/a.webm\" type=\"video/webm\" fileSize=\"x\"/></media:group>") +
        RssItem("<title>b</title><description>kept</description><content:encoded> </content:encoded>"
                "<enclosure url=\"\"/>")));
    ASSERT_EQ(rss.News.size(), 2u);
    EXPECT_EQ(rss.News[0].Description, "<p>full text</p>");
    ASSERT_EQ(rss.News[0].Enclosures.size(), 2u);
    EXPECT_EQ(rss.News[0].Enclosures[0].Url, "http://e.pl/a.mp3");
    EXPECT_EQ(rss.News[0].Enclosures[0].Type, "audio/mpeg");
    EXPECT_EQ(rss.News[0].Enclosures[0].Length, 24986239u);
    EXPECT_EQ(rss.News[0].Enclosures[1].Url, "http://e.pl/a.webm");
    EXPECT_EQ(rss.News[0].Enclosures[1].Length, 0u);
    EXPECT_EQ(rss.News[1].Description, "kept");
    EXPECT_TRUE(rss.News[1].Enclosures.empty());

    // Atom: content before summary, an enclosure link, Atom 0.3's dates.
    const TRSS atom = ReadAtom(Atom(
        AtomEntry("<title>e</title><summary>s</summary><content type=\"xhtml\"><div>x<b>y</b></div></content>"
                  "<link rel=\"enclosure\" href=\"http://e.pl/e.ogg\" length=\"512\" type=\"audio/ogg\"/>"
                  "<link href=\"http://e.pl/e\"/><issued>2004-01-02T00:00:00Z</issued>") +
        AtomEntry("<title>f</title><summary>s</summary><content/><modified>2004-01-03</modified>")));
    ASSERT_EQ(atom.News.size(), 2u);
    EXPECT_EQ(atom.News[0].Description, "<div>x <b>y</b></div>");
    EXPECT_EQ(atom.News[0].Link, "http://e.pl/e");
    ASSERT_EQ(atom.News[0].Enclosures.size(), 1u);
    EXPECT_EQ(atom.News[0].Enclosures[0].Url, "http://e.pl/e.ogg");
    EXPECT_EQ(atom.News[0].Enclosures[0].Length, 512u);
    EXPECT_EQ(FormatDateYmd(atom.News[0].Date), "2004-01-02");
    EXPECT_EQ(atom.News[1].Description, "s");
    EXPECT_EQ(FormatDateYmd(atom.News[1].Date), "2004-01-03");
}
