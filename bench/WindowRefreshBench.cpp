// The window's event loop during a refresh of 500 channels: the feeds of
// the refresh benchmark (30 items each, 25 loopback addresses, 20 ms an
// answer) are refreshed from the window as F5 does, while a probe timer
// ticking every 5 ms records the gaps between its ticks. Three runs: into
// an empty store, again (every answer 304), and into an empty store with
// one of the refreshed channels on show. Prints, for each, the largest gap,
// the 99th percentile gap, the refresh's wall time, the CPU time the
// window's thread spent meanwhile, and the longest the thread worked on one
// event, which tells a stall of the window's own work from a thread that
// waited for a core.
// Not part of the test suite; scripts/bench-refresh.sh builds and runs it.
//   nemara_bench_window_refresh [--rounds N]   N rounds of the three runs (1)
#include "Clock.h"
#include "FeedServer.h"
#include "RefreshFeeds.h"

#include "ui/MainWindow.h"
#include "ui/StoreLink.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

using bench::FeedServer;

namespace {

using bench::kChannels;
using bench::kDelay;
using bench::kHosts;
constexpr int kProbeMs = 5;
constexpr double kGoalMs = 50;
// A refresh that has not landed whole by then has hung.
constexpr int kGiveUpMs = 180'000;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The longest the window's thread spent on one event, as CPU time of the
// thread and as wall time; a wall time far above the CPU time is a thread
// that was not running.
struct LongestEvent {
    double CpuMs = 0;
    double WallMs = 0;
    int Type = 0;
};

class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool done = QApplication::notify(receiver, event);
            --depth_;
            return done;
        }
        const int type = event->type();
        const bench::TimePoint cpu = bench::Now();
        const double wall = Now();
        const bool done = QApplication::notify(receiver, event);
        const double cpuMs = bench::Seconds(cpu, bench::Now()) * 1000;
        if (cpuMs > longest_.CpuMs)
            longest_ = {cpuMs, (Now() - wall) * 1000, type};
        --depth_;
        return done;
    }

    LongestEvent TakeLongest() { return std::exchange(longest_, {}); }

private:
    int depth_ = 0;
    LongestEvent longest_;
};

const char* EventName(int type) {
    switch (type) {
    case QEvent::MetaCall:
        return "a landed outcome";
    case QEvent::UpdateRequest:
        return "painting";
    case QEvent::Timer:
        return "a timer";
    default:
        return "another event";
    }
}

struct Gap {
    double Ms;
    int Landed;  // outcomes landed when it ended
};

struct Run {
    std::vector<Gap> Gaps;
    double WallSeconds = 0;
    double WindowCpuSeconds = 0;  // the window's thread, busy meanwhile
    LongestEvent Longest;
    int Landed = 0, Merged = 0, Unchanged = 0, Failed = 0, Other = 0;
    int ShownRows = -1;
};

// Refreshes every channel of the window as F5 does and probes the event
// loop until the last outcome has landed; the loop runs meanwhile.
Run ProbeRefresh(TimedApplication& app, TForm1& form) {
    Run run;
    QEventLoop loop;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(kProbeMs);
    double last = 0, started = 0;
    bench::TimePoint cpu{};
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const double now = Now();
        run.Gaps.push_back({(now - last) * 1000, run.Landed});
        last = now;
    });
    // Connected after the window's own handler, so it runs after it.
    QObject::connect(form.Store, &TStoreLink::refreshed, &loop, [&](const TRefreshOutcome& outcome) {
        ++run.Landed;
        switch (outcome.Kind) {
        case TRefreshKind::rkMerged:
            ++run.Merged;
            break;
        case TRefreshKind::rkUnchanged:
            ++run.Unchanged;
            break;
        case TRefreshKind::rkFailed:
            ++run.Failed;
            break;
        default:
            ++run.Other;
            break;
        }
        if (run.Landed == kChannels) {
            run.WallSeconds = Now() - started;
            run.WindowCpuSeconds = bench::Seconds(cpu, bench::Now());
            loop.quit();
        }
    });
    QTimer::singleShot(kGiveUpMs, &loop, [&] { loop.quit(); });
    // The call itself is inside the first gap.
    QTimer::singleShot(0, &loop, [&] {
        started = Now();
        cpu = bench::Now();
        form.RefreshAllChannels(true);
    });
    app.TakeLongest();
    last = Now();
    probe.start();
    loop.exec();
    probe.stop();
    run.Longest = app.TakeLongest();
    // What is still queued (nothing, when every outcome landed).
    form.Store->WaitForRefresh();
    return run;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

double Largest(const Run& run) {
    double largest = 0;
    for (const Gap& gap : run.Gaps)
        largest = std::max(largest, gap.Ms);
    return largest;
}

void Print(const char* name, const Run& run) {
    std::vector<double> ms;
    for (const Gap& gap : run.Gaps)
        ms.push_back(gap.Ms);
    std::printf("%-34s %8.1f %8.1f %8.1f %8.2f %8.2f %8.1f   %d merged, %d unchanged, %d failed, %d other",
                name, Largest(run), Percentile(ms, 0.99), Percentile(ms, 0.5), run.WallSeconds,
                run.WindowCpuSeconds, run.Longest.CpuMs, run.Merged, run.Unchanged, run.Failed, run.Other);
    if (run.ShownRows >= 0)
        std::printf(", %d rows shown", run.ShownRows);
    if (run.Landed < kChannels)
        std::printf(", only %d of %d landed", run.Landed, kChannels);
    std::vector<Gap> worst = run.Gaps;
    std::sort(worst.begin(), worst.end(), [](const Gap& a, const Gap& b) { return a.Ms > b.Ms; });
    std::printf("\n%-34s largest gaps:", "");
    for (std::size_t i = 0; i < worst.size() && i < 3; ++i)
        std::printf(" %.1f ms (%d landed)", worst[i].Ms, worst[i].Landed);
    std::printf("; longest event: %s, %.1f ms CPU in %.1f ms\n", EventName(run.Longest.Type),
                run.Longest.CpuMs, run.Longest.WallMs);
}

// A window on a folder holding only the list of the feeds, shown.
std::unique_ptr<TForm1> Window(QApplication& app, const std::string& dir,
                               const std::vector<std::string>& urls) {
    std::string list;
    for (const std::string& url : urls)
        list += url + "\r\n";
    std::ofstream(dir + "channels.lst", std::ios::binary) << list;
    auto form = std::make_unique<TForm1>(dir);
    form->show();
    app.processEvents();
    return form;
}

// The machine's load: other work takes the cores the window needs.
std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " " + five;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            rounds = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: %s [--rounds N]\n", argv[0]);
            return 64;
        }
    }
    // The feeds are on loopback: no proxy may stand between.
    std::vector<std::string> proxies;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (lower.ends_with("_proxy"))
            proxies.push_back(name);
    }
    for (const std::string& name : proxies)
        unsetenv(name.c_str());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);

    // 20 channels an address, in the list's order.
    std::vector<std::string> urls;
    const std::unique_ptr<FeedServer> served = bench::ServeRefreshFeeds(urls);
    FeedServer& server = *served;

    std::printf("the window's event loop while it refreshes %d channels of %d items (%d hosts, %d ms an "
                "answer), probed every %d ms; %u cores, load average %s\n",
                kChannels, bench::kRefreshItems, kHosts, static_cast<int>(kDelay.count()), kProbeMs,
                std::thread::hardware_concurrency(), LoadAverage().c_str());
    std::printf("%-34s %8s %8s %8s %8s %8s %8s\n", "", "largest", "p99", "median", "wall", "window",
                "longest");
    std::printf("%-34s %8s %8s %8s %8s %8s %8s\n", "", "gap ms", "gap ms", "gap ms", "s", "CPU s",
                "event ms");
    double worst = 0, longest = 0;
    const auto count = [&](const Run& run) {
        worst = std::max(worst, Largest(run));
        longest = std::max(longest, run.Longest.CpuMs);
    };
    for (int round = 0; round < rounds; ++round) {
        {
            // No channel on show: only the list's entries and caption change.
            QTemporaryDir folder;
            auto form = Window(app, folder.path().toStdString() + "/", urls);
            form->Channels->setCurrentRow(-1);
            app.processEvents();
            const Run first = ProbeRefresh(app, *form);
            Print("first refresh, empty store", first);
            const Run second = ProbeRefresh(app, *form);
            Print("second refresh, all 304", second);
            count(first);
            count(second);
        }
        {
            // A channel in the middle of the list on show: its rows come as it lands.
            QTemporaryDir folder;
            auto form = Window(app, folder.path().toStdString() + "/", urls);
            form->Channels->SelectOnly(kChannels / 2);
            app.processEvents();
            Run shown = ProbeRefresh(app, *form);
            shown.ShownRows = form->Titles->RowCount();
            Print("first refresh, a channel on show", shown);
            count(shown);
        }
        app.processEvents();
    }
    const FeedServer::Counts counts = server.Take();
    std::printf("server: %ld requests, %ld full, %ld 304; load average now %s\n", counts.Requests,
                counts.Full, counts.NotModified, LoadAverage().c_str());
    std::printf("longest the window's thread worked on one event: %.1f ms CPU\n", longest);
    std::printf("largest stall %.1f ms (goal: largest stall <= %.0f ms): %s\n", worst, kGoalMs,
                worst <= kGoalMs ? "met" : "NOT met");
    return 0;
}
