// Time to fill the news grid: TitlesAdd once per item, as the RSS reader
// calls it, then the layout and one paint of the shown window. Prints one
// line "items seconds" per size (the median of a few fills, thread CPU time);
// nemara_bench_xml runs it and puts the lines in its table.
#include "Clock.h"

#include "feed/ChannelFetch.h"
#include "ui/MainWindow.h"
#include "xml/VexXMLParser.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// Titles of the kind a feed gives, in Windows-1250 bytes.
std::vector<std::string> MakeTitles(int count) {
    static const char* const kWords[] = {
        "Rz\xb9"
        "d",  // Rząd
        "gospodarka",
        "pogoda",
        "miasto",
        "election",
        "market",
        "\xa3\xf3"
        "d\x9f",      // Łódź
        "Krak\xf3w",  // Kraków
        "research",
        "summit",
    };
    std::vector<std::string> titles;
    titles.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        std::string t = "News " + std::to_string(i);
        for (int w = 0; w < 6; ++w) {
            t += ' ';
            t += kWords[(i * 7 + w * 3) % 10];
        }
        titles.push_back(std::move(t));
    }
    return titles;
}

double FillOnce(QApplication& app, const std::string& exeDir, const std::vector<std::string>& titles) {
    auto form = std::make_unique<TForm1>(exeDir);
    form->resize(800, 600);
    form->show();
    app.processEvents();
    form->Titles->SetColCount(2);
    form->ResetTitles();

    const auto t0 = bench::Now();
    for (std::size_t i = 0; i < titles.size(); ++i)
        form->TitlesAdd(titles[i], i % 3 ? "[Gospodarka]"
                                         : "[\x8c"
                                           "wiat]");  // [Świat]
    form->AlignForm();
    app.processEvents();
    form->repaint();
    return bench::Seconds(t0, bench::Now());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;  // the window's channel list lives here, not beside the program
    const std::string exeDir = dir.path().toStdString() + "/";

    for (int count : {10'000, 100'000}) {
        const std::vector<std::string> titles = MakeTitles(count);
        std::vector<double> times;
        for (int run = 0; run < 3; ++run)
            times.push_back(FillOnce(app, exeDir, titles));
        std::printf("%d %.6f\n", count, bench::Median(times));
        std::fflush(stdout);
    }
    // The window's road for each feed given: the loaded document read into
    // the channel record and shown in the grid. The feeds take turns in
    // every run, so that a change of the machine's speed between runs does
    // not fall on one size alone.
    const auto feeds = static_cast<std::size_t>(argc - 1);
    std::vector<std::vector<double>> times(feeds);
    std::vector<int> items(feeds);
    for (int run = 0; run < 5; ++run) {
        for (std::size_t i = 0; i < feeds; ++i) {
            auto form = std::make_unique<TForm1>(exeDir);
            form->resize(800, 600);
            form->show();
            app.processEvents();
            auto document = LoadChannelFile(argv[i + 1]);
            const auto t0 = bench::Now();
            form->GetChannelRss(*document);
            app.processEvents();
            times[i].push_back(bench::Seconds(t0, bench::Now()));
            items[i] = static_cast<int>(form->FChannel.News.size());
        }
    }
    for (std::size_t i = 0; i < feeds; ++i)
        std::printf("road %lld %d %.6f\n", static_cast<long long>(std::filesystem::file_size(argv[i + 1])),
                    items[i], bench::Median(times[i]));
    return 0;
}
