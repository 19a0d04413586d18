// Time to fill the news grid: TitlesAdd once per item, as the RSS reader
// calls it, then the layout and one paint of the shown window. Prints one
// line "items seconds" per size (the median of a few fills, thread CPU time);
// nemara_bench_xml runs it and puts the lines in its table.
#include "Clock.h"

#include "feed/ChannelFetch.h"
#include "ui/Unit1.h"
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
    // the channel record and shown in the grid.
    for (int i = 1; i < argc; ++i) {
        std::vector<double> times;
        int items = 0;
        for (int run = 0; run < 3; ++run) {
            auto form = std::make_unique<TForm1>(exeDir);
            form->resize(800, 600);
            form->show();
            app.processEvents();
            auto document = LoadChannelFile(argv[i]);
            const auto t0 = bench::Now();
            form->GetChannelRss(*document);
            app.processEvents();
            times.push_back(bench::Seconds(t0, bench::Now()));
            items = static_cast<int>(form->FChannel.News.size());
        }
        std::printf("road %lld %d %.6f\n", static_cast<long long>(std::filesystem::file_size(argv[i])), items,
                    bench::Median(times));
        std::fflush(stdout);
    }
    return 0;
}
