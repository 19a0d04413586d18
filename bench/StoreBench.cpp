// The item store with a large load: 500 channels and 150,000 items
// (30,000 unread), one channel of 20,000. Prints the window's start with
// that store against its start with none, the time to show the 20,000-item
// channel, merging that channel's feed unchanged and changed, and the
// store's size per item. Wall-clock medians; not part of the test suite.
#include "feed/Feed.h"
#include "store/Store.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QTemporaryDir>

#include <SQLiteCpp/Statement.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kChannels = 500;
constexpr int kItems = 150'000;
constexpr int kBigChannel = 20'000;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

const char* const kWords[] = {"market", "election", "research", "summit", "weather", "city",   "river",
                              "budget", "science",  "football", "music",  "school",  "bridge", "energy"};

// An RSS feed of the given items, each about 1.3 KB of XML with an escaped
// HTML description, as news sites write them. edition changes every
// title and text (a changed feed), not the guids.
std::string Feed(int channel, int items, int edition) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\"><channel><title>Channel " +
        std::to_string(channel) + "</title><link>https://site" + std::to_string(channel) +
        ".example/</link><description>News</description>\n";
    for (int i = 0; i < items; ++i) {
        const std::string n = std::to_string(i);
        std::string words;
        for (int w = 0; w < 100; ++w) {
            words += kWords[(i * 7 + w * 3 + edition) % 14];
            words += w % 12 == 11 ? ". " : " ";
        }
        xml += "<item><title>" + std::string(kWords[i % 14]) + " and " + kWords[(i + 3) % 14] + ": story " +
               n + (edition ? " (updated)" : "") + "</title><link>https://site" + std::to_string(channel) +
               ".example/2026/12/story-" + n + ".html</link><guid isPermaLink=\"false\">urn:site" +
               std::to_string(channel) + ":story:" + n + "</guid><category>" + kWords[(i + 5) % 14] +
               "</category><pubDate>" + "Mon, " + std::to_string(1 + i % 28) +
               " Dec 2026 10:00:00 GMT</pubDate><description>&lt;p&gt;" + words.substr(0, 300) +
               "&lt;/p&gt;&lt;p&gt;" + words.substr(300) + " &lt;a href=\"https://site" +
               std::to_string(channel) + ".example/2026/12/story-" + n +
               ".html\"&gt;Read more&lt;/a&gt;&lt;/p&gt;</description></item>\n";
    }
    return xml + "</channel></rss>\n";
}

std::string Address(int channel) { return "https://site" + std::to_string(channel) + ".example/feed.xml"; }

TRSS Read(const std::string& dir, const std::string& xml) {
    const std::string file = dir + "feed.xml";
    std::ofstream(file, std::ios::binary) << xml;
    TRSS channel;
    ReadChannelFile(file, channel, {});
    return channel;
}

// A window made and shown, its list and counts painted.
double StartWindow(QApplication& app, const std::string& dir) {
    const double t0 = Now();
    auto form = std::make_unique<TForm1>(dir);
    form->show();
    app.processEvents();
    form->repaint();
    const double seconds = Now() - t0;
    form.reset();
    app.processEvents();
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir full, empty;
    const std::string dir = full.path().toStdString() + "/", emptyDir = empty.path().toStdString() + "/";

    std::string list;
    for (int c = 0; c < kChannels; ++c)
        list += Address(c) + "\r\n";
    std::ofstream(dir + "channels.lst", std::ios::binary) << list;
    std::ofstream(emptyDir + "channels.lst", std::ios::binary) << list;

    // The store: channel 0 with 20,000 items, the rest shared by the others.
    double xmlBytes = 0;
    {
        TStoreOpening opening;
        auto db = OpenStoreForWriting(dir + kStoreFile, opening);
        for (int c = 0; c < kChannels; ++c) {
            const int items = c == 0 ? kBigChannel
                                     : (kItems - kBigChannel) / (kChannels - 1) +
                                           (c <= (kItems - kBigChannel) % (kChannels - 1) ? 1 : 0);
            const std::string xml = Feed(c, items, 0);
            xmlBytes += static_cast<double>(xml.size());
            MergeChannel(*db, Address(c), TChannelFormat::cfRss, Read(dir, xml), StoreNow());
        }
        db->exec("UPDATE item SET read = (id % 5 != 0)");
        db->exec("PRAGMA wal_checkpoint(TRUNCATE)");
        const int items = db->execAndGet("SELECT count(*) FROM item").getInt();
        const int unread = db->execAndGet("SELECT count(*) FROM item WHERE read = 0").getInt();
        const auto size = static_cast<double>(std::filesystem::file_size(dir + kStoreFile));
        std::printf(
            "store: %d channels, %d items (%d unread), %.1f MB, %.0f bytes an item for %.0f bytes of XML "
            "an item\n",
            kChannels, items, unread, size / 1e6, size / items, xmlBytes / items);
        // The peer's figure: 16.6 MB for 15,000 items of 1.3 KB of XML.
        std::printf(
            "  the peer's cache: %.0f bytes an item for 1300 bytes of XML; ours at 1300: %.0f (%.2fx)\n",
            16.6e6 / 15000, size / items * 1300 / (xmlBytes / items),
            (size / items * 1300 / (xmlBytes / items)) / (16.6e6 / 15000));
    }

    std::vector<double> withStore, withNone;
    for (int run = 0; run < 5; ++run) {
        withNone.push_back(StartWindow(app, emptyDir));
        withStore.push_back(StartWindow(app, dir));
    }
    std::printf(
        "start to a window with every title and count: %.3f s with the store, %.3f s without: +%.3f s "
        "(goal +0.25 s)\n",
        Median(withStore), Median(withNone), Median(withStore) - Median(withNone));

    {
        TForm1 form(dir);
        form.resize(800, 600);
        form.show();
        app.processEvents();
        std::vector<double> shows;
        for (int run = 0; run < 7; ++run) {
            form.Channels->SelectOnly(1);
            app.processEvents();
            const double t0 = Now();
            form.Channels->SelectOnly(0);
            app.processEvents();
            form.repaint();
            shows.push_back(Now() - t0);
        }
        std::printf("a channel of %d items shown: %.1f ms (goal 50 ms), %d rows\n", kBigChannel,
                    Median(shows) * 1000, form.Titles->RowCount());
    }

    TStoreOpening opening;
    auto db = OpenStoreForWriting(dir + kStoreFile, opening);
    const TRSS same = Read(dir, Feed(0, kBigChannel, 0));
    const TRSS changed = Read(dir, Feed(0, kBigChannel, 1));
    std::vector<double> unchanged, rewritten;
    for (int run = 0; run < 5; ++run) {
        const int before = db->getTotalChanges();
        double t0 = Now();
        MergeChannel(*db, Address(0), TChannelFormat::cfRss, same, StoreNow());
        unchanged.push_back(Now() - t0);
        const int written = db->getTotalChanges() - before;
        if (run == 0)
            std::printf("merging the unchanged %d-item feed writes %d rows\n", kBigChannel, written);
        t0 = Now();
        MergeChannel(*db, Address(0), TChannelFormat::cfRss, run % 2 ? same : changed, StoreNow());
        rewritten.push_back(Now() - t0);
    }
    std::printf("merge of %d items: unchanged %.1f ms, every item changed %.1f ms\n", kBigChannel,
                Median(unchanged) * 1000, Median(rewritten) * 1000);
    return 0;
}
