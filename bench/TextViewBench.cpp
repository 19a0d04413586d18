// Time to show an item in the text view: its HTML read, the document built,
// laid out and painted, for descriptions of about 20 KB and 200 KB; then the
// time of one step through a channel's stored items with the arrow key, and
// how many times the view paints when the key repeats faster than it is
// answered. Thread CPU time of the window's thread, medians in milliseconds.
#include "Clock.h"

#include "feed/HtmlText.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// A news article as feeds give it: paragraphs with links and emphasis,
// references, a list, a quote, an image, now and then a table.
std::string Description(std::size_t bytes) {
    std::string html;
    for (int part = 0; html.size() < bytes; ++part) {
        html += "<h3>Section " + std::to_string(part) + "</h3>";
        html += "<p>The city council met on Monday to discuss the new <b>tram line</b> along the main "
                "street. According to <a href=\"https://example.com/council/" +
                std::to_string(part) +
                "\">the minutes</a>, the works will start in spring &ndash; weather permitting &mdash; "
                "and last until autumn. Residents&rsquo; questions were answered by the mayor, who said "
                "that &ldquo;nobody will be left without a stop&rdquo;.</p>";
        html +=
            "<p><img src=\"https://example.com/img/" + std::to_string(part) +
            ".jpg\" alt=\"The new tram\" width=\"600\" height=\"400\"> Caf&eacute; owners along the route "
            "expect <i>more customers</i> once the line opens; see also http://example.com/map for the "
            "stops.</p>";
        html += "<ul><li>Stop one: Main Square</li><li>Stop two: <em>Old Market</em></li>"
                "<li>Stop three: Station<ul><li>west entrance</li><li>east entrance</li></ul></li></ul>";
        html += "<blockquote>It is the best tram we have ever had, said a passenger.</blockquote>";
        if (part % 4 == 0)
            html += "<table><tr><th>Line</th><th>First</th><th>Last</th></tr><tr><td>10</td><td>05:00</td>"
                    "<td>23:00</td></tr><tr><td>12</td><td>05:15</td><td>22:45</td></tr></table>";
    }
    return html;
}

TItemText Item(const std::string& description) {
    return {"A tram line along the main street, and what the council said of it",
            "2026-12-07",
            description,
            "https://example.com/news/tram",
            {}};
}

struct TShown {
    double Read = 0, Show = 0;
};

// The view's road for one item, the median of several showings.
TShown ShowTimes(QApplication& app, TForm1& form, const std::string& description) {
    std::vector<double> read, show;
    for (int run = 0; run < 21; ++run) {
        auto t0 = bench::Now();
        const THtmlText text = ReadHtmlText(description, "https://example.com/news/tram");
        read.push_back(bench::Seconds(t0, bench::Now()));
        form.Message->SetText("");
        app.processEvents();
        // The paint that the showing asks for, done at once; the events
        // after it find nothing more to do.
        t0 = bench::Now();
        form.Message->ShowItem(Item(description));
        form.Message->viewport()->repaint();
        app.processEvents();
        show.push_back(bench::Seconds(t0, bench::Now()));
    }
    return {bench::Median(read) * 1000, bench::Median(show) * 1000};
}

class TPaintCounter : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        Paints += event->type() == QEvent::Paint;
        return false;
    }
};

void SendKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string exeDir = dir.path().toStdString() + "/";

    {
        TForm1 form(exeDir);
        form.resize(900, 700);
        form.show();
        app.processEvents();
        std::printf("%-28s %10s %10s\n", "description", "read ms", "shown ms");
        for (const std::size_t bytes : {std::size_t{20'000}, std::size_t{200'000}}) {
            const std::string description = Description(bytes);
            const TShown formatted = ShowTimes(app, form, description);
            std::printf("%-28s %10.2f %10.2f\n",
                        (std::to_string(description.size() / 1000) + " KB formatted").c_str(), formatted.Read,
                        formatted.Show);
            form.Message->SetPlainMode(true);
            const TShown plain = ShowTimes(app, form, description);
            form.Message->SetPlainMode(false);
            std::printf("%-28s %10s %10.2f\n",
                        (std::to_string(description.size() / 1000) + " KB plain text").c_str(), "",
                        plain.Show);
        }
    }

    // A channel of 200 items of about 20 KB each, read from a file into the
    // store, then stepped through with the arrow key.
    const std::string feed = dir.filePath("feed.xml").toStdString();
    {
        std::ofstream out(feed, std::ios::binary);
        out << "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel><title>Bench</title>"
               "<link>https://example.com/</link><description>d</description>";
        const std::string description = Description(20'000);
        std::string escaped;
        for (const char c : description)
            escaped += c == '<' ? "&lt;" : c == '&' ? "&amp;" : std::string(1, c);
        for (int i = 0; i < 200; ++i)
            out << "<item><title>Item " << i << "</title><link>https://example.com/" << i << "</link><guid>g"
                << i << "</guid><pubDate>Mon, 07 Dec 2026 10:00:00 GMT</pubDate><description>" << escaped
                << "</description></item>";
        out << "</channel></rss>";
    }
    TForm1 form(exeDir);
    form.resize(900, 700);
    form.show();
    app.processEvents();
    form.Channels->Add("file://" + feed);
    form.Channels->SelectOnly(form.Channels->Count() - 1);
    form.ChannelsDblClick(nullptr);
    form.Store->WaitForWrites();
    app.processEvents();
    form.Titles->setFocus();
    form.Titles->setCurrentCell(0, 0);
    app.processEvents();
    std::vector<double> steps;
    for (int i = 0; i < 150; ++i) {
        const auto t0 = bench::Now();
        SendKey(form.Titles, Qt::Key_Down);
        form.Message->viewport()->repaint();
        app.processEvents();
        steps.push_back(bench::Seconds(t0, bench::Now()));
    }
    std::sort(steps.begin(), steps.end());
    std::printf("arrow key step: median %.2f ms, slowest %.2f ms over %zu steps (row %d)\n",
                bench::Median(steps) * 1000, steps.back() * 1000, steps.size(), form.Titles->currentRow());

    // Thirty repeats queued at once, as a held key sends them to a busy window.
    form.Titles->setCurrentCell(0, 0);
    app.processEvents();
    TPaintCounter counter;
    form.Message->viewport()->installEventFilter(&counter);
    const auto t0 = bench::Now();
    for (int i = 0; i < 30; ++i) {
        QApplication::postEvent(form.Titles, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
        QApplication::postEvent(form.Titles, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier));
    }
    app.processEvents();
    app.processEvents();
    std::printf("30 queued steps: %.2f ms in all, the text view painted %d times, row %d\n",
                bench::Seconds(t0, bench::Now()) * 1000, counter.Paints, form.Titles->currentRow());
    return 0;
}
