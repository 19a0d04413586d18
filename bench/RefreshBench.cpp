// The refresh of 500 channels against the peer reader: a local server
// holds 500 feeds of 30 items on 25 loopback addresses, answering each
// request after 20 ms; "nemara-dump --refresh" and "newsboat -x reload"
// (8 threads) each refresh them all into an empty store, then again when
// every answer is 304. Prints wall time, CPU time and peak memory of each
// run side by side, the ratios, the goals, and what the server counted.
// Not part of the test suite; scripts/bench-refresh.sh builds and runs it.
//   nemara_bench_refresh [--ours PATH] [--peer PATH] [--dir DIR] [--rounds N]
//   nemara_bench_refresh --serve SECONDS    only serves the feeds, then prints the counts
#include "FeedServer.h"
#include "MeasuredRun.h"
#include "RefreshFeeds.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using bench::FeedServer;
using bench::MeasuredRun;

namespace {

using bench::kChannels;
using bench::kDelay;
using bench::kHosts;
// The refresh's limit of transfers at once, which sets the second run's floor.
constexpr int kTransfersAtOnce = 6;

struct Options {
    std::string Ours;
    std::string Peer = "/usr/bin/newsboat";
    std::string Dir = "refresh-bench";
    int Rounds = 3;
    int ServeSeconds = 0;
};

// One run of a client and what the server saw of it.
struct Phase {
    MeasuredRun Run;
    FeedServer::Counts Server;
    std::string Written;  // the files of its folder that it wrote, made or removed
    std::string Note;     // the client's own summary, or why it failed
};

// A client's refresh into an empty store and its first refresh that
// finds every answer 304; Between are the runs in between, which still
// fetched bodies (newsboat stores a feed's validators only from its second
// refresh on, so it needs three).
struct Pair {
    Phase First;
    std::vector<Phase> Between;
    Phase Second;
};

void Write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The environment of a child: ours without proxies (the feeds are on
// loopback) and with a home of its own, so that nothing of the user's is read or written.
std::vector<std::string> ChildEnvironment(const fs::path& home) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (lower.ends_with("_proxy") || name == "HOME" || name.starts_with("XDG_"))
            continue;
        env.push_back(entry);
    }
    fs::create_directories(home / ".config");
    fs::create_directories(home / ".local/share");
    fs::create_directories(home / ".cache");
    env.push_back("HOME=" + home.string());
    env.push_back("XDG_CONFIG_HOME=" + (home / ".config").string());
    env.push_back("XDG_DATA_HOME=" + (home / ".local/share").string());
    env.push_back("XDG_CACHE_HOME=" + (home / ".cache").string());
    return env;
}

using Snapshot = std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>>;

// Every file below folder with its size and time of change.
Snapshot FilesOf(const fs::path& folder) {
    Snapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = {entry.file_size(), entry.last_write_time()};
    }
    return files;
}

// The names of the files that differ between two snapshots (the first
// few, then how many more), or "".
std::string Differences(const Snapshot& before, const Snapshot& after) {
    std::vector<std::string> names;
    for (const auto& [name, state] : after) {
        const auto it = before.find(name);
        if (it == before.end() || it->second != state)
            names.push_back(name);
    }
    for (const auto& [name, state] : before) {
        if (!after.contains(name))
            names.push_back(name + " (removed)");
    }
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < 4; ++i)
        text += (i ? ", " : "") + names[i];
    if (names.size() > 4)
        text += " and " + std::to_string(names.size() - 4) + " more";
    return text;
}

// A client of the benchmark: the command of one refresh of its folder.
struct Client {
    std::string Name;
    std::vector<std::string> Argv;
    std::vector<std::string> Env;
    fs::path Data;  // what the refresh writes
    fs::path Logs;
};

Client Ours(const Options& options, const std::vector<std::string>& urls, const fs::path& folder) {
    fs::create_directories(folder / "data");
    std::string list;
    for (const std::string& url : urls)
        list += url + "\n";
    Write(folder / "data/channels.lst", list);
    return Client{"nemara",
                  {options.Ours, "--refresh", "--list", (folder / "data/channels.lst").string()},
                  ChildEnvironment(folder / "home"),
                  folder / "data",
                  folder};
}

Client Peer(const Options& options, const std::vector<std::string>& urls, const fs::path& folder) {
    fs::create_directories(folder / "data");
    std::string list;
    for (const std::string& url : urls)
        list += url + "\n";
    Write(folder / "urls", list);
    Write(folder / "config", "reload-threads 8\n");
    return Client{"newsboat",
                  {options.Peer, "-x", "reload", "-u", (folder / "urls").string(), "-c",
                   (folder / "data/cache.db").string(), "-C", (folder / "config").string()},
                  ChildEnvironment(folder / "home"),
                  folder / "data",
                  folder};
}

// Sums the lines "ADDRESS new N updated N", "ADDRESS not modified",
// "ADDRESS failed: REASON" and "ADDRESS skipped ..." of our refresh, with its summary line.
std::string OurLines(const std::string& output) {
    long lines = 0, notModified = 0, failed = 0, skipped = 0, fresh = 0, updated = 0;
    std::string summary;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.starts_with("http://")) {
            if (!line.empty())
                summary = line;
            continue;
        }
        ++lines;
        if (line.ends_with(" not modified"))
            ++notModified;
        else if (line.find(" failed: ") != std::string::npos)
            ++failed;
        else if (line.find(" skipped") != std::string::npos)
            ++skipped;
        else if (const std::size_t at = line.find(" new "); at != std::string::npos) {
            long n = 0, u = 0;
            if (std::sscanf(line.c_str() + at, " new %ld updated %ld", &n, &u) == 2) {
                fresh += n;
                updated += u;
            }
        }
    }
    return std::to_string(lines) + " lines: " + std::to_string(fresh) + " new items, " +
           std::to_string(updated) + " updated, " + std::to_string(notModified) + " not modified, " +
           std::to_string(failed) + " failed, " + std::to_string(skipped) + " skipped; \"" + summary + "\"";
}

Phase RunOnce(const Client& client, FeedServer& server, const std::string& label) {
    // The previous client's connections close as it ends; let the server see that.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server.Take();
    const Snapshot before = FilesOf(client.Data);
    Phase phase;
    const fs::path out = client.Logs / (label + ".out");
    phase.Run =
        bench::RunMeasured(client.Argv, client.Env, out.string(), (client.Logs / (label + ".err")).string());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    phase.Server = server.Take();
    phase.Written = Differences(before, FilesOf(client.Data));
    if (client.Name == "nemara")
        phase.Note = OurLines(Read(out));
    const std::string err = Read(client.Logs / (label + ".err"));
    if (!err.empty())
        phase.Note += (phase.Note.empty() ? "" : "; ") + std::string("stderr: ") +
                      err.substr(0, std::min<std::size_t>(err.find('\n'), 200));
    return phase;
}

Pair RunPair(const Client& client, FeedServer& server, int between) {
    Pair pair;
    pair.First = RunOnce(client, server, "run1");
    for (int i = 0; i < between; ++i)
        pair.Between.push_back(RunOnce(client, server, "run" + std::to_string(2 + i)));
    pair.Second = RunOnce(client, server, "run" + std::to_string(2 + between));
    return pair;
}

int MaxOf(const std::vector<int>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

void PrintCounts(const FeedServer::Counts& s) {
    std::printf(
        "           server: %ld requests, %ld 200, %ld 304, %ld 404, %ld with If-None-Match, %ld with "
        "If-Modified-Since, %ld connections; at most %d open and %d in flight to one address\n",
        s.Requests, s.Full, s.NotModified, s.Missing, s.IfNoneMatch, s.IfModifiedSince, s.Connections,
        MaxOf(s.PeakOpen), MaxOf(s.PeakInFlight));
}

void PrintPhase(const char* who, int run, const Phase& p) {
    std::printf("  %-8s run %d: exit %d, wall %.2f s, CPU %.2f s (system %.2f s), peak %.1f MB, store %s\n",
                who, run, p.Run.Status, p.Run.WallSeconds, p.Run.CpuSeconds, p.Run.SystemSeconds,
                static_cast<double>(p.Run.PeakRssBytes) / 1e6,
                p.Written.empty() ? "unchanged" : ("written: " + p.Written).c_str());
    PrintCounts(p.Server);
    if (!p.Note.empty())
        std::printf("           %s\n", p.Note.c_str());
}

void PrintPair(const char* who, const Pair& pair) {
    int run = 1;
    PrintPhase(who, run++, pair.First);
    for (const Phase& p : pair.Between)
        PrintPhase(who, run++, p);
    PrintPhase(who, run, pair.Second);
    std::fflush(stdout);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

template <typename Get>
double MedianOf(const std::vector<Pair>& pairs, Get get) {
    std::vector<double> v;
    for (const Pair& p : pairs)
        v.push_back(get(p));
    return Median(v);
}

std::string Figure(std::optional<double> value, const char* unit, double scale = 1) {
    if (!value)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %s", *value / scale, unit);
    return text;
}

void PrintTable(const std::vector<Pair>& ours, const std::vector<Pair>& peer,
                const std::string& oursMissing) {
    struct Row {
        const char* Name;
        const char* Unit;
        double Scale;
        double (*Get)(const Pair&);
    };
    const Row rows[] = {
        {"first refresh, wall", "s", 1, [](const Pair& p) { return p.First.Run.WallSeconds; }},
        {"first refresh, CPU", "s", 1, [](const Pair& p) { return p.First.Run.CpuSeconds; }},
        {"first refresh, peak memory", "MB", 1e6,
         [](const Pair& p) { return static_cast<double>(p.First.Run.PeakRssBytes); }},
        {"all-304 refresh, wall", "s", 1, [](const Pair& p) { return p.Second.Run.WallSeconds; }},
        {"all-304 refresh, CPU", "s", 1, [](const Pair& p) { return p.Second.Run.CpuSeconds; }},
        {"all-304 refresh, peak memory", "MB", 1e6,
         [](const Pair& p) { return static_cast<double>(p.Second.Run.PeakRssBytes); }},
    };
    std::printf("\nRefresh of %d channels (%d items, about %zu KB each, %lld ms an answer, %d addresses), "
                "median of %zu rounds\n",
                kChannels, bench::kRefreshItems, bench::RefreshFeed(0).size() / 1024,
                static_cast<long long>(kDelay.count()), kHosts, peer.size());
    std::printf("%-30s %12s %12s %10s\n", "", "nemara", "newsboat", "ours/peer");
    std::map<std::string, double> ratio;
    std::map<std::string, double> mine;
    for (const Row& row : rows) {
        std::optional<double> a;
        if (!ours.empty())
            a = MedianOf(ours, row.Get);
        const double b = MedianOf(peer, row.Get);
        std::string r = "-";
        if (a && b > 0) {
            char text[16];
            std::snprintf(text, sizeof text, "%.2fx", *a / b);
            r = text;
            ratio[row.Name] = *a / b;
            mine[row.Name] = *a;
        }
        std::printf("%-30s %12s %12s %10s\n", row.Name, Figure(a, row.Unit, row.Scale).c_str(),
                    Figure(b, row.Unit, row.Scale).c_str(), r.c_str());
    }
    if (!peer.empty() && !peer.front().Between.empty()) {
        const auto middle = [&](auto get) {
            std::vector<double> v;
            for (const Pair& p : peer)
                v.push_back(get(p.Between.front().Run));
            return Median(v);
        };
        std::printf(
            "newsboat's all-304 refresh is its third run: its second sends no validators, as it stores\n"
            "them only from a feed's second refresh on; that second run took %.2f s wall, %.2f s CPU, "
            "%.1f MB.\n",
            middle([](const MeasuredRun& r) { return r.WallSeconds; }),
            middle([](const MeasuredRun& r) { return r.CpuSeconds; }),
            middle([](const MeasuredRun& r) { return static_cast<double>(r.PeakRssBytes); }) / 1e6);
    }
    const auto politeness = [](const std::vector<Pair>& pairs) {
        int open = 0, inFlight = 0;
        for (const Pair& p : pairs) {
            for (const Phase* phase : {&p.First, &p.Second}) {
                open = std::max(open, MaxOf(phase->Server.PeakOpen));
                inFlight = std::max(inFlight, MaxOf(phase->Server.PeakInFlight));
            }
            for (const Phase& phase : p.Between) {
                open = std::max(open, MaxOf(phase.Server.PeakOpen));
                inFlight = std::max(inFlight, MaxOf(phase.Server.PeakInFlight));
            }
        }
        return std::to_string(open) + " open, " + std::to_string(inFlight) + " in flight";
    };
    std::printf("At most to one address: nemara %s; newsboat %s\n",
                ours.empty() ? "-" : politeness(ours).c_str(), politeness(peer).c_str());

    std::printf("\nGoals\n");
    if (ours.empty()) {
        std::printf("  not measured: %s\n", oursMissing.c_str());
        return;
    }
    const auto verdict = [](bool met) { return met ? "met" : "MISSED"; };
    const double wall = ratio["first refresh, wall"];
    const double cpu = ratio["first refresh, CPU"];
    std::printf("  first refresh wall <= 0.5x the peer's:  %.2fx  %s\n", wall, verdict(wall <= 0.5));
    std::printf("  first refresh CPU  <= 0.5x the peer's:  %.2fx  %s\n", cpu, verdict(cpu <= 0.5));
    const double oursPeak =
        std::max(mine["first refresh, peak memory"], mine["all-304 refresh, peak memory"]);
    const double peerPeak = std::max(MedianOf(peer, rows[2].Get), MedianOf(peer, rows[5].Get));
    std::printf("  peak memory <= the peer's:              %.1f MB against %.1f MB  %s\n", oursPeak / 1e6,
                peerPeak / 1e6, verdict(oursPeak <= peerPeak));
    const double second = mine["all-304 refresh, wall"];
    bool unchanged = true;
    for (const Pair& p : ours)
        unchanged = unchanged && p.Second.Written.empty();
    const double floor = static_cast<double>(kChannels) * static_cast<double>(kDelay.count()) / 1000.0 /
                         static_cast<double>(kTransfersAtOnce);
    long notModified = kChannels;
    for (const Pair& p : ours)
        notModified = std::min(notModified, p.Second.Server.NotModified);
    std::printf(
        "  second refresh <= 2.5 s (floor %.2f s):  %.2f s  %s; nothing written: %s; %ld of %d answers 304\n",
        floor, second, verdict(second <= 2.5), unchanged ? "yes" : "NO", notModified, kChannels);
}

// Whether our tool can refresh: a refresh of an empty list answers other than with wrong usage.
std::string OursMissing(const Options& options, const fs::path& dir) {
    if (!fs::exists(options.Ours))
        return options.Ours + " is not built";
    const fs::path probe = dir / "probe";
    fs::create_directories(probe);
    Write(probe / "channels.lst", "");
    const MeasuredRun run =
        bench::RunMeasured({options.Ours, "--refresh", "--list", (probe / "channels.lst").string()},
                           ChildEnvironment(probe / "home"), (probe / "out").string(),
                           (probe / "err").string(), std::chrono::seconds(60));
    if (run.Status == 64 || run.Status == 127)
        return options.Ours + " has no --refresh (exit " + std::to_string(run.Status) + ")";
    if (run.Status == 137)
        return options.Ours + " --refresh did not end within a minute on an empty list";
    return "";
}

std::optional<Options> Parse(int argc, char** argv) {
    Options options;
    options.Ours = (fs::path(argv[0]).parent_path() / "nemara-dump").string();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc)
            return std::nullopt;
        const std::string value = argv[++i];
        if (a == "--ours")
            options.Ours = value;
        else if (a == "--peer")
            options.Peer = value;
        else if (a == "--dir")
            options.Dir = value;
        else if (a == "--rounds")
            options.Rounds = std::max(1, std::atoi(value.c_str()));
        else if (a == "--serve")
            options.ServeSeconds = std::max(1, std::atoi(value.c_str()));
        else
            return std::nullopt;
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], bench::kLauncherFlag) == 0)
        return bench::LauncherMain(argc, argv);
    const std::optional<Options> parsed = Parse(argc, argv);
    if (!parsed) {
        std::fprintf(stderr,
                     "usage: %s [--ours PATH] [--peer PATH] [--dir DIR] [--rounds N] [--serve SECONDS]\n",
                     argv[0]);
        return 64;
    }
    const Options& options = *parsed;
    try {
        // 20 channels an address, in the list's order.
        std::vector<std::string> urls;
        const std::unique_ptr<FeedServer> served = bench::ServeRefreshFeeds(urls);
        FeedServer& server = *served;

        if (options.ServeSeconds > 0) {
            std::printf("serving %d feeds on port %d, e.g. %s\n", kChannels, server.Port(),
                        urls.back().c_str());
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::seconds(options.ServeSeconds));
            PrintCounts(server.Take());
            return 0;
        }

        const fs::path dir = fs::absolute(options.Dir);
        fs::remove_all(dir);
        fs::create_directories(dir);
        const std::string oursMissing = OursMissing(options, dir);
        if (!oursMissing.empty())
            std::printf("nemara: not measured: %s\n", oursMissing.c_str());
        if (!fs::exists(options.Peer))
            throw std::runtime_error(options.Peer + " is missing (scripts/deps.sh --bench installs it)");

        std::vector<Pair> ours, peer;
        for (int r = 1; r <= options.Rounds; ++r) {
            const fs::path round = dir / ("round" + std::to_string(r));
            std::printf("round %d\n", r);
            std::fflush(stdout);
            // The order alternates, so that neither always runs on a machine the other warmed.
            const bool oursFirst = r % 2 == 1;
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == oursFirst) {
                    if (!oursMissing.empty())
                        continue;
                    ours.push_back(RunPair(Ours(options, urls, round / "nemara"), server, 0));
                    PrintPair("nemara", ours.back());
                } else {
                    peer.push_back(RunPair(Peer(options, urls, round / "newsboat"), server, 1));
                    PrintPair("newsboat", peer.back());
                }
            }
        }
        PrintTable(ours, peer, oursMissing);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nemara_bench_refresh: %s\n", e.what());
        return 1;
    }
    return 0;
}
