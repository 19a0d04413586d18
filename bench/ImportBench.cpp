// Time to import the channels of an OPML file into the window's list, as
// "Import channels…" does: the file read, each address compared with the
// list's (a tenth of them are there already, in other letter case), the new
// ones added and the list saved. Prints one line "outlines seconds" per size
// (thread CPU time, until the box that tells the counts shows).
#include "Clock.h"

#include "ui/MainWindow.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

std::string Opml(int outlines) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\"><body>\n";
    for (int i = 0; i < outlines; ++i) {
        const std::string address = (i % 10 == 9 ? "HTTP://NEWS" : "http://news") +
                                    std::to_string(i % 10 == 9 ? i - 9 : i) + ".example.org/rss";
        text += "<outline type=\"rss\" text=\"" + address + "\" xmlUrl=\"" + address + "\"/>\n";
    }
    return text + "</body></opml>\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int outlines : {10'000, 20'000, 100'000}) {
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString() + "/";
        const std::string file = folder + "in.opml";
        std::ofstream(file, std::ios::binary) << Opml(outlines);
        auto form = std::make_unique<TForm1>(folder);
        form->show();
        app.processEvents();
        double seconds = 0;
        bench::TimePoint start = bench::Now();
        // The box that tells the counts ends the import.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                seconds = bench::Seconds(start, bench::Now());
                box->close();
            }
        });
        answer.start(1);
        start = bench::Now();
        form->ImportChannels(file);
        std::printf("%d %.3f (%d in the list)\n", outlines, seconds, form->Channels->Count());
        std::fflush(stdout);
    }
    return 0;
}
