#include "feed/ChannelReader.h"

#include "base/Dates.h"
#include "base/Exceptions.h"
#include "xml/VexXMLParser.h"

#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ(c.Title, "Wiadomo\x9C"
                       "ci");
    EXPECT_EQ(c.Link, "http://example.com/");
    EXPECT_EQ(c.Description, "Kana\xB3 testowy");
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
    EXPECT_EQ(iso.News.at(0).Category, "\xB9");
    EXPECT_EQ(iso.News.at(0).Title, "\xA3\x9C");
    EXPECT_EQ(iso.News.at(0).Description, "\x9F");

    // Without an encoding the bytes are taken as they stand.
    const TRSS plain = ReadRss(Rss(item, ""));
    EXPECT_EQ(plain.Encoding, "");
    EXPECT_EQ(plain.News.at(0).Category, "\xB1");
    EXPECT_EQ(plain.News.at(0).Title, "\xA3\xB6");

    // Malformed UTF-8 empties the text it is in.
    const TRSS bad = ReadRss(Rss(item, "encoding=\"utf-8\""));
    EXPECT_EQ(bad.News.at(0).Title, "");
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
    const TRSS c = ReadRss(Rss(""), old);
    EXPECT_TRUE(c.News.empty());
    EXPECT_EQ(c.Description, "");
    EXPECT_EQ(c.Language, "");
}

TEST(ReadChannelRss, RequiredElementsMustBeThere) {
    struct Case {
        std::string xml;
        const char* message;
    };
    const std::string noTitle = "<link>L</link>", noLink = "<title>T</title>";
    const Case cases[] = {
        {Rss("", "", noTitle), "Missing element \"title\" in \"channel\""},
        {Rss("", "", noLink), "Missing element \"link\" in \"channel\""},
        {Rss(RssItem("<category>C</category><description>D</description><link>L</link>"
                     "<pubDate>Mon, 07 Dec 2026</pubDate>")),
         "Missing element \"title\" in \"item\""},
        {Rss(RssItem("<category>C</category><title>I</title><link>L</link>"
                     "<pubDate>Mon, 07 Dec 2026</pubDate>")),
         "Missing element \"description\" in \"item\""},
        {Rss(RssItem("<category>C</category><title>I</title><description>D</description>"
                     "<pubDate>Mon, 07 Dec 2026</pubDate>")),
         "Missing element \"link\" in \"item\""},
        {Rss(RssItem("<category>C</category><title>I</title><description>D</description>"
                     "<link>L</link><date>Mon, 07 Dec 2026</date>")),
         "Missing element \"pubdate\" in \"item\""},
        // An element nested deeper does not count.
        {Rss(RssItem("<category>C</category><title>I</title><description>D</description>"
                     "<link>L</link><x><pubDate>Mon, 07 Dec 2026</pubDate></x>")),
         "Missing element \"pubdate\" in \"item\""},
        // The channel element is the root's first child, whatever it is.
        {"<?xml version=\"1.0\"?><rss><!-- c --><channel><title>T</title><link>L</link>"
         "</channel></rss>",
         "Missing element \"title\" in \"\""},
        {"<?xml version=\"1.0\"?><rss/>", "Nieprawid\xB3owy indeks!"},  // Nieprawidłowy indeks!
        {"", "The document has no root element"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        EXPECT_EQ(FailureOf([&] { ReadRss(c.xml); }), c.message);
    }
}

TEST(ReadChannelRss, ReadsPubDatesThatAreDates) {
    struct Case {
        const char* pubDate;
        const char* date;     // yyyy-mm-dd when it reads
        const char* message;  // else the failure
    };
    const Case cases[] = {
        {"Mon, 07 Dec 2026 22:03:49 GMT", "2026-12-07", ""},
        {"Mon, 07 DEC 2026 22:03:49 GMT", "2026-01-07", ""},
        {"Mon, 07 Dec 26 10:00:00 GMT", "0026-12-07", ""},
        {"Mon, $7 Dec 2026", "2026-12-07", ""},
        {"07 Dec 2026 22:03:49 GMT", "", "'Dec' is not a valid integer value"},
        {"Mon, 31 Feb 2026 10:00:00 GMT", "", "Invalid argument to date encode"},
        {"", "", "'' is not a valid date"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pubDate);
        const std::string xml =
            Rss(RssItem(std::string("<category>C</category><title>I</title><description>D</description>"
                                    "<link>L</link><pubDate>") +
                        c.pubDate + "</pubDate>"));
        TRSS channel;
        EXPECT_EQ(FailureOf([&] { channel = ReadRss(xml); }), c.message);
        if (*c.date) {
            EXPECT_EQ(FormatDateYmd(channel.News.at(0).Date), c.date);
        }
    }
}

TEST(ReadChannelRss, AFailedReadKeepsWhatWasWrittenBeforeIt) {
    TRSS old;
    old.Title = "old";
    old.News.resize(3);
    for (TRSSItem& i : old.News) {
        i.Category = i.Title = "old";
        i.Date = 1;
    }
    TVexXMLParser document;
    document.Parse(
        Rss(RssItem(kFullItem) + RssItem("<category>new</category><description>D</description>")).c_str());
    EXPECT_THROW(ReadChannelRss(document, old), Exception);
    EXPECT_EQ(old.Title, "T");
    ASSERT_EQ(old.News.size(), 2u);
    EXPECT_EQ(old.News[0].Title, "I");
    EXPECT_EQ(old.News[1].Category, "new");
    EXPECT_EQ(old.News[1].Title, "old");
    EXPECT_EQ(old.News[1].Date, 1.0);
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
    EXPECT_EQ(c.Link, "");  // the address stands in an attribute
    EXPECT_EQ(c.Description, "");
    EXPECT_EQ(c.Language, "");
    ASSERT_EQ(c.News.size(), 4u);
    EXPECT_EQ(c.News[2].Description, "c d");
    EXPECT_EQ(c.News[3].Description, "");
    EXPECT_EQ(c.News[0].Category, "");
    EXPECT_EQ(c.News[0].Title, "Pierwszy wpis \xB9");
    EXPECT_EQ(c.News[0].Link, "");
    EXPECT_EQ(c.News[0].Description, "a b");
    EXPECT_EQ(c.News[0].Guid, "urn:uuid:1");
    EXPECT_EQ(FormatDateYmd(c.News[0].Date), "2026-12-07");
    EXPECT_EQ(c.News[1].Title, "2");
    EXPECT_EQ(c.News[1].Link, "http://example.com/2");
    EXPECT_EQ(c.News[1].Guid, "");
    EXPECT_EQ(FormatDateYmd(c.News[1].Date), "2026-02-28");
}

TEST(ReadChannelAtom, DatesFollowTheShortDateFormat) {
    const std::string feed = Atom(AtomEntry(kFullEntry));
    EXPECT_EQ(FailureOf([&] { ReadAtom(feed, kDmyDot); }), "'2026-12-07' is not a valid date");
    EXPECT_EQ(FailureOf([&] { ReadAtom(feed, TShortDateFormat{}); }), "'2026-12-07' is not a valid date");

    const std::string dotted = Atom(
        AtomEntry("<title>E</title><link>L</link><summary>S</summary><updated>07.12.2026 10:00</updated>"));
    EXPECT_EQ(FormatDateYmd(ReadAtom(dotted, kDmyDot).News.at(0).Date), "2026-12-07");

    const std::string empty = Atom(AtomEntry("<title>E</title><link>L</link><summary>S</summary><updated/>"));
    EXPECT_EQ(FailureOf([&] { ReadAtom(empty); }), "'' is not a valid date");
}

TEST(ReadChannelAtom, RequiredElementsMustBeThere) {
    struct Case {
        std::string xml;
        const char* message;
    };
    const Case cases[] = {
        {Atom("", "<link>L</link>"), "Missing element \"title\" in \"feed\""},
        {Atom("", "<title>T</title>"), "Missing element \"link\" in \"feed\""},
        {Atom(AtomEntry("<link>L</link><summary>S</summary><updated>2026-12-07</updated>")),
         "Missing element \"title\" in \"entry\""},
        {Atom(AtomEntry("<title>E</title><summary>S</summary><updated>2026-12-07</updated>")),
         "Missing element \"link\" in \"entry\""},
        {Atom(AtomEntry("<title>E</title><link>L</link><summary>S</summary>"
                        "<published>2026-12-07</published>")),
         "Missing element \"updated\" in \"entry\""},
        {"<?xml version=\"1.0\"?>", "The document has no root element"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        EXPECT_EQ(FailureOf([&] { ReadAtom(c.xml); }), c.message);
    }
}

TEST(ReadChannelAtom, AfterAnRssReadEveryCategoryIsEmpty) {
    TRSS channel = ReadRss(Rss(RssItem(kFullItem) + RssItem(kFullItem) + RssItem(kFullItem)));
    ASSERT_EQ(channel.News.size(), 3u);
    ASSERT_EQ(channel.News[1].Category, "C");
    channel = ReadAtom(Atom(AtomEntry(kFullEntry) + AtomEntry(kFullEntry)), kYmdHyphen, channel);
    ASSERT_EQ(channel.News.size(), 2u);
    for (const TRSSItem& i : channel.News) {
        EXPECT_EQ(i.Category, "");
        EXPECT_EQ(i.Title, "E");
    }
    EXPECT_EQ(channel.Encoding, "utf-8");
}

}  // namespace
