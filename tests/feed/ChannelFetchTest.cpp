#include "feed/Feed.h"

#include "base/Dates.h"
#include "base/Exceptions.h"
#include "xml/VexXMLParser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const TShortDateFormat kYmdHyphen{TDateOrder::doYMD, '-'};

std::unique_ptr<TVexXMLParser> Parsed(const std::string& text) {
    auto document = std::make_unique<TVexXMLParser>();
    document->Parse(text.c_str());
    return document;
}

}  // namespace

TEST(ChannelFormat, RootsByLocalNameAndNamespace) {
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
        // The feed's namespace under any prefix; an Atom entry of its own.
        {"<atom:feed xmlns:atom=\"http://www.w3.org/2005/Atom\"/>", TChannelFormat::cfAtom},
        {"<a:feed xmlns:a=\"http://purl.org/atom/ns#\"/>", TChannelFormat::cfAtom},
        {"<x:feed xmlns:x=\"http://example.org/feed\"/>", TChannelFormat::cfUnsupported},
        {"<entry xmlns=\"http://www.w3.org/2005/Atom\"/>", TChannelFormat::cfAtom},
        {"<entry/>", TChannelFormat::cfUnsupported},
        {"<RDF xmlns=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"/>", TChannelFormat::cfRss},
        {"<r:rss xmlns:r=\"http://backend.userland.com/rss2\"/>", TChannelFormat::cfRss},
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
        // The feed's elements under its prefix.
        "<a:feed xmlns:a='http://www.w3.org/2005/Atom'><a:title>F</a:title><a:link href='f'/>"
        "<a:entry><a:title>a</a:title><a:link href='h'/><a:content>c</a:content></a:entry>"
        "<entry><title>b</title></entry></a:feed>",
        "<entry xmlns='http://www.w3.org/2005/Atom'><title>a</title><link href='h'/></entry>",
        "<RDF xmlns='http://www.w3.org/1999/02/22-rdf-syntax-ns#' xmlns:r='http://purl.org/rss/1.0/'>"
        "<r:channel><r:title>C</r:title></r:channel><r:item><r:title>a</r:title></r:item></RDF>",
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

namespace {

// Files of one test in a fresh folder.
class FeedFiles : public testing::Test {
protected:
    FeedFiles() {
        std::string pattern = (std::filesystem::temp_directory_path() / "nemara-feed-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            dir_ = pattern;
    }
    ~FeedFiles() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string File(const std::string& name, const std::string& bytes) const {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    std::filesystem::path dir_;
};

// Each byte of ASCII text as a UTF-16 code unit in the given order.
std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii)
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

std::string Titles(const TRSS& channel) {
    std::string out;
    for (const TRSSItem& item : channel.News)
        out.append(item.Title).append("|").append(item.Description) += ';';
    return out;
}

}  // namespace

TEST_F(FeedFiles, Utf16FeedsAreReadInEitherByteOrder) {
    const std::string feed = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<rss><channel><title>T</title>"
                             "<item><title>&#x105;</title></item></channel></rss>\n";
    for (const bool big : {false, true}) {
        SCOPED_TRACE(big);
        TRSS channel;
        ASSERT_EQ(ReadChannelFile(File("utf16.xml", Utf16(feed, big)), channel, kYmdHyphen),
                  TChannelFormat::cfRss);
        EXPECT_EQ(channel.Encoding, "UTF-16");
        EXPECT_EQ(channel.Title, "T");
        EXPECT_EQ(Titles(channel), "\xC4\x85|;");
        EXPECT_EQ(channel.Malformed, "");
    }
    EXPECT_EQ(DecodeUtf16(std::string("\x3C\xD8\x89\xDF"
                                      "a\0\x00\xDC"
                                      "b",
                                      9),
                          false),
              "\xF0\x9F\x8E\x89"
              "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

// A feed that is not well-formed is read as far as it can be, and says why
// it is broken; a page that is no feed stays a failure.
TEST_F(FeedFiles, BrokenFeedsAreRecovered) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss><channel><title>T</title>\n";
    const struct {
        std::string text;
        std::string titles;
        std::string reason;  // how the strict parse's message ends
    } cases[] = {
        // Cut short: an item is kept only when its title came whole.
        {head + "<item><title>a</title><description>d</description></item>\n<item><title>b</title><descr",
         "a|d;b|;", "Nieoczekiwany koniec pliku!"},
        {head + "<item><title>a</title></item>\n<item><title>b is cu", "a|;", "Nieoczekiwany koniec pliku."},
        // An HTML paragraph never closed in a description.
        {head + "<item><title>a</title><description><p>one</description></item></channel></rss>",
         "a|<p>one</p>;", "nie pasuje do taga otwierającego (p) !"},
        // HTML's entities, a bare ampersand, and text after the root.
        {head + "<item><title>caf&eacute; &amp; R&D&nbsp;x</title></item></channel></rss>trailing",
         "café & R&D x|;", "Nieprawidłowa (nie obsługiwana) encja!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TRSS channel;
        ASSERT_EQ(ReadChannelFile(File("broken.xml", c.text), channel, kYmdHyphen), TChannelFormat::cfRss);
        EXPECT_EQ(channel.Title, "T");
        EXPECT_EQ(Titles(channel), c.titles);
        EXPECT_TRUE(channel.Malformed.starts_with("Błąd w składni XML (linia ")) << channel.Malformed;
        EXPECT_TRUE(channel.Malformed.ends_with(c.reason)) << channel.Malformed;
    }
    TRSS channel;
    try {
        ReadChannelFile(File("page.html", "<html><body><p>R&D</body></html>"), channel, kYmdHyphen);
        ADD_FAILURE() << "a broken page read as a feed";
    } catch (const EVexXMLError& e) {
        EXPECT_TRUE(std::string_view(e.what()).starts_with("Błąd w składni XML (linia ")) << e.what();
    }
    EXPECT_TRUE(channel.News.empty());
}

TEST(FeedDiscovery, APageLinksToItsFeeds) {
    const std::string page =
        "<!DOCTYPE html><html><head><!-- <link rel=alternate type=application/rss+xml href=/old> -->"
        "<link rel=\"alternate\" type=\"application/feed+json\" href=\"feed.json\">"
        "<LINK REL='Alternate feed' TYPE='application/atom+xml' href='../atom.xml?a=1&amp;b=2'>"
        "<link rel=alternate type=application/rss+xml href=//cdn.example.org/rss></head></html>";
    EXPECT_EQ(FeedLinks(page, "https://example.org/blog/post/"),
              (std::vector<std::string>{"https://example.org/blog/atom.xml?a=1&b=2",
                                        "https://cdn.example.org/rss"}));
    EXPECT_TRUE(IsHtmlPage("", page));
    EXPECT_TRUE(IsHtmlPage("text/html; charset=utf-8", "<body>"));
    EXPECT_FALSE(IsHtmlPage("text/html", "<?xml version=\"1.0\"?><rss version=\"2.0\">"));
    EXPECT_FALSE(IsHtmlPage("application/xml", "<feed>"));

    const struct {
        const char* reference;
        const char* resolved;
    } cases[] = {
        {"feed.xml", "http://a.org/b/feed.xml"},
        {"../x/./y", "http://a.org/x/y"},
        {"/rss", "http://a.org/rss"},
        {"?q=1", "http://a.org/b/c?q=1"},
        {"https://z.org/f", "https://z.org/f"},
        {"../../../r", "http://a.org/r"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveAddress("http://a.org/b/c?old#f", c.reference), c.resolved) << c.reference;

    EXPECT_EQ(TypedAddress("example.org/blog"), "https://example.org/blog");
    EXPECT_EQ(TypedAddress("localhost:8080/rss"), "https://localhost:8080/rss");
    EXPECT_EQ(TypedAddress("http://example.org/"), "http://example.org/");
    EXPECT_EQ(TypedAddress("feed:https://example.org/"), "feed:https://example.org/");
    EXPECT_EQ(TypedAddress("notes"), "notes");
}
