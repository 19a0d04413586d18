// Channels read on several threads at once share the pool of spare huge
// blocks and the static tables of the decoders: nothing of it may race
// (this runs under ThreadSanitizer too).
#include "feed/Feed.h"
#include "xml/VexXMLParser.h"

#include "../xml/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

TEST(ParseThreads, ChannelsReadOnSeveralThreadsAtOnceGiveWhatOneThreadGives) {
    TempDir dir;
    // Large enough for huge blocks, in two encodings (tables and iconv).
    std::vector<std::string> files;
    for (const char* encoding : {"utf-8", "windows-1250", "iso-8859-2", "koi8-r"}) {
        std::string xml = std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?><rss><channel>";
        for (int i = 0; i < 12000; ++i)
            xml += "<item><title>T " + std::to_string(i) + "</title><description>" + std::string(200, 'd') +
                   "</description><pubDate>Mon, 07 Dec 2026 22:03:49 GMT</pubDate></item>";
        files.push_back(dir.Write(std::string(encoding) + ".xml", xml + "</channel></rss>"));
    }
    std::vector<std::thread> threads;
    std::vector<std::size_t> counts(files.size() * 2);
    for (std::size_t t = 0; t < counts.size(); ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 2; ++round) {
                TRSS channel;
                ReadChannelFile(files[t % files.size()], channel, {});
                counts[t] = channel.News.size();
                channel.Clear();
                TVexXMLParser::ReleaseSpareMemory();
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    for (const std::size_t count : counts)
        EXPECT_EQ(count, 12000u);
}
