// Memory of the window for a feed of many small items, as a user meets it.
// The parent serves the feed on 127.0.0.1; a child process holds the window
// and fetches it by its double-click handler, so that its peak counts only
// the window. Another child splits the cost into the whole parsed tree, the
// records and the grid. Prints one table.
//   nemara_bench_window [items]      (default 1,000,000)
#include "PeakMemory.h"

#include "feed/ChannelFetch.h"
#include "feed/ChannelReader.h"
#include "support/TestHttpServer.h"
#include "ui/MainWindow.h"
#include "xml/VexXMLParser.h"

#include <QApplication>
#include <QTemporaryDir>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string SmallItems(int count) {
    std::string feed = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<rss version=\"2.0\"><channel>"
                       "<title>Many</title><link>http://example.pl/</link>\r\n";
    feed.reserve(static_cast<std::size_t>(count) * 150 + 200);
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        feed += "<item><category>kraj</category><title>News " + n + "</title><description>Text " + n +
                "</description><link>http://example.pl/" + n +
                "</link><pubDate>Mon, 07 Dec 2026 22:03:49 GMT</pubDate></item>\r\n";
    }
    return feed + "</channel></rss>\r\n";
}

long long Rss() { return bench::ProcStatusBytes("VmRSS"); }

// The resident size once freed memory has gone back to the system.
long long LiveRss() {
    TVexXMLParser::ReleaseSpareMemory();
    ::malloc_trim(0);
    return Rss();
}

// The window shown, its files in a folder of its own.
struct ShownWindow {
    ShownWindow(int& argc, char** argv) : app(argc, argv), form(dir.path().toStdString() + "/") {
        form.show();
        app.processEvents();
    }
    QApplication app;
    QTemporaryDir dir;
    TForm1 form;
};

// The window's own road: a double click on each address in turn.
int WindowChild(int argc, char** argv, const std::string& large, const std::string& small) {
    ShownWindow window(argc, argv);
    QApplication& app = window.app;
    TForm1& form = window.form;
    const long long before = Rss();
    form.Channels->Add(large);
    form.Channels->Add(small);
    form.Channels->setCurrentRow(0);
    form.ChannelsDblClick(nullptr);
    app.processEvents();
    const long long shown = Rss();
    const long long peak = bench::ProcStatusBytes("VmHWM");
    form.Channels->setCurrentRow(1);
    form.ChannelsDblClick(nullptr);
    app.processEvents();
    std::printf("%lld %lld %lld %lld %d\n", before, peak, shown, Rss(), form.Titles->RowCount());
    return 0;
}

// Each part alone: the tree of the loaded file (which the window's fetch,
// reading each item as the parse completes it, never holds whole), the
// records read from it (the tree released), and the grid filled from them.
int SplitChild(int argc, char** argv, const std::string& file) {
    ShownWindow window(argc, argv);
    TForm1& form = window.form;
    const long long base = LiveRss();
    auto document = LoadChannelFile(file);
    const long long tree = LiveRss() - base;
    ReadChannelRss(*document, form.FChannel);
    document.reset();
    const long long records = LiveRss() - base;
    form.ShowChannel(TChannelFormat::cfRss);
    window.app.processEvents();
    const long long grid = LiveRss() - base - records;
    std::printf("%lld %lld %lld\n", tree, records, grid);
    return 0;
}

double Mb(long long bytes) { return static_cast<double>(bytes) / (1 << 20); }

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--window")
        return WindowChild(argc, argv, argv[2], argv[3]);
    if (argc == 3 && std::string(argv[1]) == "--split")
        return SplitChild(argc, argv, argv[2]);

    const int items = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    const std::string feed = SmallItems(items);
    const std::string file = dir.path().toStdString() + "/large.xml";
    std::ofstream(file, std::ios::binary) << feed;
    TestHttpServer server;
    server.Serve("/large", 200, feed);
    server.Serve("/small", 200, SmallItems(3));

    long long before = 0, peak = 0, shown = 0, after = 0, rows = 0;
    std::sscanf(bench::RunChild(argv[0], {"--window", server.Url("/large"), server.Url("/small")}).c_str(),
                "%lld %lld %lld %lld %lld", &before, &peak, &shown, &after, &rows);
    long long tree = 0, records = 0, grid = 0;
    std::sscanf(bench::RunChild(argv[0], {"--split", file}).c_str(), "%lld %lld %lld", &tree, &records,
                &grid);

    const double size = static_cast<double>(feed.size());
    std::printf("window memory, a feed of %d small items (%.1f MB)\n", items,
                Mb(static_cast<long long>(size)));
    std::printf("  resident before the fetch      %8.1f MB\n", Mb(before));
    std::printf("  peak during the fetch          %8.1f MB  (%.2fx the feed; %.2fx above the start)\n",
                Mb(peak), static_cast<double>(peak) / size, static_cast<double>(peak - before) / size);
    std::printf("    whole parsed tree (not held) %8.1f MB  (%.2fx)\n", Mb(tree),
                static_cast<double>(tree) / size);
    std::printf("    records                      %8.1f MB  (%.2fx)\n", Mb(records),
                static_cast<double>(records) / size);
    std::printf("    grid                         %8.1f MB  (%.2fx)\n", Mb(grid),
                static_cast<double>(grid) / size);
    std::printf("  resident with the feed shown   %8.1f MB\n", Mb(shown));
    std::printf("  resident after a 3-item feed   %8.1f MB  (%+.1f MB against before; %lld rows)\n",
                Mb(after), Mb(after - before), rows);
    return 0;
}
