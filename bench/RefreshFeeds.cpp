#include "RefreshFeeds.h"

#include <array>
#include <string_view>

namespace bench {

namespace {

constexpr std::array<std::string_view, 16> kWords = {
    "market",  "election", "research", "summit", "weather", "city",   "river",   "budget",
    "science", "football", "music",    "school", "bridge",  "energy", "railway", "museum"};

std::string Words(int from, int count) {
    std::string text;
    for (int w = 0; w < count; ++w) {
        text += kWords[static_cast<std::size_t>(from + w * 5) % kWords.size()];
        text += w % 11 == 10 ? ". " : " ";
    }
    return text;
}

}  // namespace

std::string RefreshFeed(int channel) {
    const std::string c = std::to_string(channel);
    const std::string site = "https://site" + c + ".example";
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\">\n<channel>\n<title>Channel " + c +
        "</title>\n<link>" + site + "/</link>\n<description>The news of site " + c +
        "</description>\n<language>en</language>\n";
    for (int i = 0; i < kRefreshItems; ++i) {
        const std::string n = std::to_string(i);
        const std::string link = site + "/2026/12/story-" + n + ".html";
        // Newest first, an hour apart.
        const int hour = 23 - i % 24;
        const int day = 8 - i / 24;
        xml += "<item>\n<title>" +
               std::string(kWords[static_cast<std::size_t>(channel + i) % kWords.size()]) + " and " +
               std::string(kWords[static_cast<std::size_t>(i + 3) % kWords.size()]) + ": story " + n +
               " of channel " + c + "</title>\n<link>" + link +
               "</link>\n<guid isPermaLink=\"false\">urn:site" + c + ":story:" + n + "</guid>\n<category>" +
               std::string(kWords[static_cast<std::size_t>(i + 5) % kWords.size()]) +
               "</category>\n<pubDate>" + (day == 8 ? "Tue, 08" : "Mon, 07") + " Dec 2026 " +
               (hour < 10 ? "0" : "") + std::to_string(hour) +
               ":15:00 GMT</pubDate>\n<description>&lt;p&gt;&lt;img src=&quot;" + site + "/img/" + n +
               ".jpg&quot; alt=&quot;&quot; width=&quot;300&quot;&gt;&lt;/p&gt;&lt;p&gt;&lt;strong&gt;" +
               Words(channel + i, 8) + "&lt;/strong&gt; " + Words(i * 3 + channel, 55) +
               "&lt;/p&gt;&lt;p&gt;&lt;a href=&quot;" + link +
               "&quot;&gt;Read more &amp;raquo;&lt;/a&gt;&lt;/p&gt;" + "</description>\n</item>\n";
    }
    xml += "</channel>\n</rss>\n";
    return xml;
}

std::unique_ptr<FeedServer> ServeRefreshFeeds(std::vector<std::string>& urls) {
    std::vector<std::string> addresses;
    for (int h = 1; h <= kHosts; ++h)
        addresses.push_back("127.0.0." + std::to_string(h));
    std::vector<std::string> bodies;
    for (int c = 0; c < kChannels; ++c)
        bodies.push_back(RefreshFeed(c));
    auto server = std::make_unique<FeedServer>(addresses, bodies, kDelay);
    urls.clear();
    for (int c = 0; c < kChannels; ++c)
        urls.push_back(server->Url(c / (kChannels / kHosts), c));
    return server;
}

}  // namespace bench
