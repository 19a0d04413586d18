#include "FeedGenerator.h"

#include "xml/XmlEscape.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace bench {

namespace {

// SplitMix64: small, fast, and the same sequence on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : FState(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A number in [lo, hi].
    int Between(int lo, int hi) {
        return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    template <typename T, std::size_t N>
    const T& Pick(const std::array<T, N>& items) {
        return items[Next() % N];
    }

private:
    std::uint64_t FState;
};

constexpr std::array<std::string_view, 48> kWords = {
    "the",
    "market",
    "government",
    "report",
    "city",
    "council",
    "new",
    "plan",
    "energy",
    "prices",
    "river",
    "bridge",
    "school",
    "students",
    "budget",
    "minister",
    "election",
    "vote",
    "storm",
    "weather",
    "football",
    "league",
    "season",
    "coach",
    "museum",
    "exhibition",
    "science",
    "research",
    "climate",
    "summit",
    "railway",
    "station",
    // Polish words with their letters in UTF-8
    "zażółć",
    "gęślą",
    "jaźń",
    "Łódź",
    "Kraków",
    "Gdańsk",
    "wiadomości",
    "pogoda",
    "gospodarka",
    "świat",
    "ulica",
    "miasto",
    "źródło",
    "rząd",
    "żółw",
    "Wrocław",
};

// Other multi-byte UTF-8: accented Latin, a euro sign, a long dash, an emoji.
constexpr std::array<std::string_view, 6> kRareWords = {
    "café", "€12", "naïve", "—", "Zürich", "😀",
};

constexpr std::array<std::string_view, 8> kCategories = {
    "Kraj", "Świat", "Gospodarka", "Nauka", "Sport", "Kultura", "Pogoda", "Technology & Science",
};

constexpr std::array<std::string_view, 5> kAuthors = {
    "Jan Kowalski", "Anna Nowak", "Zofia Wójcik", "Piotr Zieliński", "Editorial Team",
};

constexpr std::array<std::string_view, 7> kDays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<std::string_view, 12> kMonths = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec",
};

std::string Words(Random& rnd, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i)
            s += ' ';
        s += rnd.Chance(4) ? rnd.Pick(kRareWords) : rnd.Pick(kWords);
    }
    return s;
}

std::string Sentence(Random& rnd) {
    std::string s = Words(rnd, rnd.Between(6, 18));
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z')
        s[0] = static_cast<char>(s[0] - 'a' + 'A');
    if (rnd.Chance(15))
        s += " & \"more\"";
    s += '.';
    return s;
}

// The paragraphs of an item's description as HTML.
std::string DescriptionHtml(Random& rnd, int id) {
    std::string html;
    const int paragraphs = rnd.Between(1, 3);
    for (int p = 0; p < paragraphs; ++p) {
        if (p)
            html += "\r\n";
        html += "<p>";
        const int sentences = rnd.Between(1, 4);
        for (int s = 0; s < sentences; ++s) {
            if (s)
                html += ' ';
            html += Sentence(rnd);
        }
        if (rnd.Chance(40)) {
            char link[96];
            std::snprintf(link, sizeof link, " <a href=\"http://news.example.com/story/%d\">%s</a>", id,
                          "Read more");
            html += link;
        }
        if (rnd.Chance(20))
            html += " <b>" + Words(rnd, 3) + "</b>";
        html += "</p>";
    }
    return html;
}

void AppendLine(std::string& out, int indent, std::string_view open, std::string_view body,
                std::string_view close) {
    out.append(static_cast<std::size_t>(indent), ' ');
    out += open;
    out += body;
    out += close;
    out += "\r\n";
}

void AppendItem(std::string& out, Random& rnd, int id) {
    out += "    <item>\r\n";

    std::string title;
    AppendXmlEscaped(title, Words(rnd, rnd.Between(4, 10)));
    if (rnd.Chance(10))
        title += " &#169; &#233;t&#xE9;";  // character references below 256
    AppendLine(out, 6, "<title>", title, "</title>");

    char link[96];
    std::snprintf(link, sizeof link, "http://news.example.com/%04d/%02d/story-%d.html?ref=rss&amp;id=%d",
                  2020 + id % 7, 1 + id % 12, id, id);
    AppendLine(out, 6, "<link>", link, "</link>");

    const std::string html = DescriptionHtml(rnd, id);
    if (rnd.Chance(50)) {
        std::string escaped;
        AppendXmlEscaped(escaped, html);
        AppendLine(out, 6, "<description>", escaped, "</description>");
    } else {
        AppendLine(out, 6, "<description><![CDATA[", html, "]]></description>");
    }

    char date[64];
    std::snprintf(date, sizeof date, "%s, %02d %s %04d %02d:%02d:%02d %s", rnd.Pick(kDays).data(),
                  rnd.Between(1, 28), rnd.Pick(kMonths).data(), rnd.Between(2019, 2026), rnd.Between(0, 23),
                  rnd.Between(0, 59), rnd.Between(0, 59), rnd.Chance(50) ? "+0100" : "GMT");
    AppendLine(out, 6, "<pubDate>", date, "</pubDate>");

    char guid[96];
    if (rnd.Chance(50)) {
        std::snprintf(guid, sizeof guid, "<guid isPermaLink=\"false\">urn:nemara:item:%08x-%d</guid>",
                      static_cast<unsigned>(rnd.Next()), id);
    } else {
        std::snprintf(guid, sizeof guid, "<guid isPermaLink='true'>http://news.example.com/story/%d</guid>",
                      id);
    }
    AppendLine(out, 6, "", guid, "");

    std::string category;
    AppendXmlEscaped(category, rnd.Pick(kCategories));
    AppendLine(out, 6, "<category>", category, "</category>");
    AppendLine(out, 6, "<dc:creator>", rnd.Pick(kAuthors), "</dc:creator>");
    if (rnd.Chance(10))
        AppendLine(out, 6,
                   "<enclosure url=\"http://media.example.com/a.jpg\" length=\"12345\" type=\"image/jpeg\"",
                   "", "/>");

    out += "    </item>\r\n";
}

}  // namespace

GeneratedFeed GenerateRssFeed(std::size_t targetBytes, std::uint64_t seed) {
    Random rnd(seed);
    GeneratedFeed feed;
    std::string& out = feed.Text;
    out.reserve(targetBytes + 4096);
    out += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
    out += "<rss version=\"2.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\r\n";
    out += "  <channel>\r\n";
    AppendLine(out, 4, "<title>", "Wiadomości &amp; News — przegląd dnia", "</title>");
    AppendLine(out, 4, "<link>", "http://news.example.com/", "</link>");
    AppendLine(out, 4, "<description>", "Najważniejsze wiadomości z kraju i ze świata", "</description>");
    AppendLine(out, 4, "<language>", "pl", "</language>");
    AppendLine(out, 4, "<!--", " items below are generated ", "-->");

    static constexpr std::string_view kTail = "  </channel>\r\n</rss>\r\n";
    while (out.size() + kTail.size() < targetBytes)
        AppendItem(out, rnd, ++feed.ItemCount);
    out += kTail;
    return feed;
}

}  // namespace bench
