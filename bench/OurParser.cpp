// Our XML document: Parse of a text in memory, and LoadFromFile.
#include "Clock.h"
#include "Contenders.h"
#include "PeakMemory.h"

#include "feed/ChannelFetch.h"
#include "feed/ChannelReader.h"
#include "xml/VexXMLParser.h"

#include <memory>

namespace bench {

namespace {

const TShortDateFormat kDateFormat{TDateOrder::doYMD, '-'};

int CountItems(const TVexXMLParser& doc) {
    TVexBaseXmlNode* rss = const_cast<TVexXMLParser&>(doc).NodeByName("rss", false);
    TVexBaseXmlNode* channel = rss ? rss->NodeByName("channel", false) : nullptr;
    int n = 0;
    for (int i = 0; channel && i < channel->Count(); ++i) {
        if (channel->Items(i)->Name() == "item")
            ++n;
    }
    return n;
}

template <typename Load>
Sample TimeLoadAndDestroy(Load load) {
    auto doc = std::make_unique<TVexXMLParser>();
    const auto t0 = Now();
    load(*doc);
    const auto t1 = Now();
    doc.reset();
    const auto t2 = Now();
    return {Seconds(t0, t1), Seconds(t1, t2)};
}

}  // namespace

std::vector<Contender> OurContenders() {
    return {
        {"ours Parse", "ours document destroyed",
         [](const FeedInput& in) {
             return TimeLoadAndDestroy([&](TVexXMLParser& d) { d.Parse(in.Text.c_str()); });
         },
         [](const FeedInput& in) {
             TVexXMLParser doc;
             doc.Parse(in.Text.c_str());
             return CountItems(doc);
         }},
        {"ours LoadFromFile+Parse", "",
         [](const FeedInput& in) {
             return TimeLoadAndDestroy([&](TVexXMLParser& d) { d.LoadFromFile(in.Path); });
         },
         [](const FeedInput& in) {
             TVexXMLParser doc;
             doc.LoadFromFile(in.Path);
             return CountItems(doc);
         }},
        // The reading after the load: the document parsed untimed, then read
        // into a channel record (ReadChannel's reader), then destroyed.
        {"ours ReadChannelRss", "ours destroyed after reading",
         [](const FeedInput& in) {
             auto doc = std::make_unique<TVexXMLParser>();
             doc->Parse(in.Text.c_str());
             TRSS channel;
             const auto t0 = Now();
             ReadChannelRss(*doc, channel);
             const auto t1 = Now();
             doc.reset();
             return Sample{Seconds(t0, t1), Seconds(t1, Now())};
         },
         [](const FeedInput& in) {
             TVexXMLParser doc;
             doc.Parse(in.Text.c_str());
             TRSS channel;
             ReadChannelRss(doc, channel);
             return static_cast<int>(channel.News.size());
         }},
        // The window's road: the file loaded with each item read as the
        // parse completes it (the record's destruction untimed).
        {"ours ReadChannelFile", "",
         [](const FeedInput& in) {
             TRSS channel;
             const auto t0 = Now();
             ReadChannelFile(in.Path, channel, kDateFormat);
             return Sample{Seconds(t0, Now()), 0};
         },
         [](const FeedInput& in) {
             TRSS channel;
             ReadChannelFile(in.Path, channel, kDateFormat);
             return static_cast<int>(channel.News.size());
         }},
    };
}

std::vector<PeakLoad> OurPeakLoads() {
    return {
        {"ours-file", "ours LoadFromFile+Parse",
         [](const std::string& path) {
             const long long before = ProcStatusBytes("VmRSS");
             TVexXMLParser doc;
             doc.LoadFromFile(path);
             return ProcStatusBytes("VmHWM") - before;
         }},
        {"ours-text", "ours Parse (text already in memory)",
         [](const std::string& path) {
             const std::string text = ReadWholeFile(path);
             const long long before = ProcStatusBytes("VmRSS");
             TVexXMLParser doc;
             doc.Parse(text.c_str());
             return ProcStatusBytes("VmHWM") - before;
         }},
    };
}

}  // namespace bench
