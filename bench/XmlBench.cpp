// Sets our XML parser against pugixml and libxml2 on generated RSS feeds and
// prints one table: load speeds with their ratios, the peak memory of a 50 MB
// load, and the news grid's fill time when the grid benchmark is built.
//
//   nemara_bench_xml [--dir DIR] [--quick]   the whole run
//   nemara_bench_xml --peak KIND FILE        (child) one load, prints its peak growth in bytes
//   nemara_bench_xml --repeat NAME FILE N    N loads by one contender alone, for a profiler
#include "Clock.h"
#include "Contenders.h"
#include "FeedGenerator.h"
#include "PeakMemory.h"

#include "xml/VexXMLParser.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace bench;

namespace {

struct FeedSize {
    const char* Label;
    std::size_t Bytes;
    int Runs;       // interleaved rounds
    bool Targeted;  // the speed targets apply to this size
};

constexpr FeedSize kSizes[] = {
    {"100 KB", 100'000, 301, false},
    {"5 MB", 5'000'000, 31, true},
    {"50 MB", 50'000'000, 9, true},
};
constexpr std::uint64_t kSeed = 0x4E656D617261ull;

// Median seconds of each row, per feed size, and the load times of the
// contenders that ran interleaved, round by round.
struct Medians {
    std::map<std::string, double> Seconds;
    std::map<std::string, std::vector<double>> Rounds;
    std::size_t Bytes = 0;
};

std::string SelfPath() { return fs::read_symlink("/proc/self/exe").string(); }

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

// Cold: every load in fresh memory, as one fetch of the window (freed memory
// goes back to the system between loads; the contenders interleaved). Warm:
// the process keeps what it freed and loads again and again, as a program
// that loads many documents.
enum class Regime { Cold, Warm };

void ForgetFreedMemory() {
    TVexXMLParser::ReleaseSpareMemory();
    malloc_trim(0);
}

Medians Measure(const std::vector<Contender>& contenders, const FeedInput& in, int runs, Regime regime) {
    for (const Contender& c : contenders) {
        const int found = c.CountItems(in);
        if (found != in.ItemCount)
            throw std::runtime_error(c.Name + " found " + std::to_string(found) + " items, the feed has " +
                                     std::to_string(in.ItemCount));
    }

    const std::size_t n = contenders.size();
    std::vector<std::vector<double>> load(n), destroy(n);
    // Warm: one load of each to warm up. The XML loaders then run
    // interleaved without giving memory back; libxml2 and the reading, which
    // free many small blocks (whose merging the next large request of
    // another contender would pay for), run back to back on their own.
    auto solo = [&](std::size_t i) {
        return regime == Regime::Warm &&
               (contenders[i].Name.starts_with("libxml2") || contenders[i].Name == "ours ReadChannelRss");
    };
    if (regime == Regime::Warm)
        for (std::size_t i = 0; i < n; ++i)
            if (!solo(i))
                contenders[i].Run(in);
    for (int round = 0; round < runs; ++round) {
        // A different contender goes first in each round, so that none is
        // always the one after a particular other.
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = (k + static_cast<std::size_t>(round)) % n;
            if (solo(i))
                continue;
            const Sample s = contenders[i].Run(in);
            load[i].push_back(s.Load);
            destroy[i].push_back(s.Destroy);
            if (regime == Regime::Cold)
                ForgetFreedMemory();
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (!solo(i))
            continue;
        ForgetFreedMemory();
        contenders[i].Run(in);
        for (int round = 0; round < runs; ++round) {
            const Sample s = contenders[i].Run(in);
            load[i].push_back(s.Load);
            destroy[i].push_back(s.Destroy);
        }
    }

    Medians m;
    m.Bytes = in.Text.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (!solo(i))
            m.Rounds[contenders[i].Name] = load[i];
        m.Seconds[contenders[i].Name] = Median(load[i]);
        if (!contenders[i].DestroyName.empty())
            m.Seconds[contenders[i].DestroyName] = Median(destroy[i]);
    }
    return m;
}

void PrintRule() { std::printf("%s\n", std::string(96, '-').c_str()); }

const char* Verdict(bool met) { return met ? "met" : "NOT MET"; }

// ours / peer speed: > 1 when ours is faster. Contenders that ran in the
// same rounds are compared round by round, so that a change of the
// machine's speed between rounds falls out; the median of those ratios
// counts. Others, from the medians of both.
// Peer time over ours; with `less`, ours is that much shorter: what ours
// adds to `less`, from the same round.
double Ratio(const Medians& m, const std::string& ours, const std::string& peer, const char* less = nullptr) {
    const auto oursRounds = m.Rounds.find(ours);
    const auto peerRounds = m.Rounds.find(peer);
    const auto lessRounds = less ? m.Rounds.find(less) : peerRounds;
    if (oursRounds != m.Rounds.end() && peerRounds != m.Rounds.end() && lessRounds != m.Rounds.end() &&
        oursRounds->second.size() == peerRounds->second.size() &&
        oursRounds->second.size() == lessRounds->second.size() && !oursRounds->second.empty()) {
        std::vector<double> ratios;
        for (std::size_t r = 0; r < oursRounds->second.size(); ++r) {
            const double t = oursRounds->second[r] - (less ? lessRounds->second[r] : 0.0);
            if (t > 0)
                ratios.push_back(peerRounds->second[r] / t);
        }
        if (!ratios.empty())
            return Median(ratios);
    }
    const auto o = m.Seconds.find(ours);
    const auto p = m.Seconds.find(peer);
    if (o == m.Seconds.end() || p == m.Seconds.end())
        return 0;
    const double t = o->second - (less ? m.Seconds.at(less) : 0.0);
    return t > 0 ? p->second / t : 0;
}

int RunPeakChild(const std::string& kind, const std::string& path) {
    std::vector<PeakLoad> loads = OurPeakLoads();
    for (PeakLoad& p : PeerPeakLoads())
        loads.push_back(std::move(p));
    for (const PeakLoad& p : loads) {
        if (p.Kind == kind) {
            std::printf("%lld\n", p.Measure(path));
            return 0;
        }
    }
    std::fprintf(stderr, "unknown load kind %s\n", kind.c_str());
    return 2;
}

int RunRepeat(const std::string& name, const std::string& path, int count) {
    std::vector<Contender> contenders = OurContenders();
    for (Contender& c : PeerContenders())
        contenders.push_back(std::move(c));
    FeedInput in;
    in.Path = path;
    in.Text = ReadWholeFile(path);
    for (const Contender& c : contenders) {
        if (c.Name != name)
            continue;
        std::vector<double> load, destroy;
        for (int i = 0; i < count; ++i) {
            const Sample s = c.Run(in);
            load.push_back(s.Load);
            destroy.push_back(s.Destroy);
            ForgetFreedMemory();
        }
        std::printf("%s: median load %.3f ms, destroy %.3f ms\n", name.c_str(), Median(load) * 1e3,
                    Median(destroy) * 1e3);
        return 0;
    }
    std::fprintf(stderr, "unknown contender %s\n", name.c_str());
    return 2;
}

// Rows of the grid benchmark, when it was built: "items seconds" for the
// grid fill, then "road bytes items seconds" for the window's whole road of
// each feed.
struct GridRows {
    std::vector<std::pair<int, double>> Fill;
    struct Road {
        long long Bytes;
        int Items;
        double Seconds;
    };
    std::vector<Road> Roads;
    bool empty() const { return Fill.empty(); }
};

GridRows GridFill(const fs::path& program, const std::vector<std::string>& feeds) {
    GridRows rows;
    if (::access(program.c_str(), X_OK) != 0)
        return rows;
    std::istringstream out(RunChild(program.string(), feeds));
    std::string word;
    while (out >> word) {
        if (word == "road") {
            GridRows::Road road{};
            out >> road.Bytes >> road.Items >> road.Seconds;
            rows.Roads.push_back(road);
        } else {
            double seconds = 0;
            out >> seconds;
            rows.Fill.emplace_back(std::stoi(word), seconds);
        }
    }
    return rows;
}

int RunAll(const fs::path& dir, bool quick) {
    fs::create_directories(dir);
    std::vector<Contender> contenders = OurContenders();
    const bool haveOurs = !contenders.empty();
    for (Contender& c : PeerContenders())
        contenders.push_back(std::move(c));

    std::vector<std::string> rows;
    for (const Contender& c : contenders) {
        rows.push_back(c.Name);
        if (!c.DestroyName.empty())
            rows.push_back(c.DestroyName);
    }

    std::vector<Medians> cold, warm;
    std::vector<std::string> feedPaths;
    fs::path largest;
    std::printf("Feeds (generated, seed %llx, CR LF line breaks) in %s\n",
                static_cast<unsigned long long>(kSeed), dir.c_str());
    for (const FeedSize& size : kSizes) {
        FeedInput in;
        GeneratedFeed feed = GenerateRssFeed(size.Bytes, kSeed);
        in.Text = std::move(feed.Text);
        in.ItemCount = feed.ItemCount;
        const fs::path path = dir / ("feed-" + std::to_string(size.Bytes) + ".xml");
        in.Path = path.string();
        WriteFile(path, in.Text);
        largest = path;
        feedPaths.push_back(path.string());
        const int r = quick ? std::max(3, size.Runs / 10) : size.Runs;
        std::printf("  %-7s %11zu bytes, %6d items, %3d runs\n", size.Label, in.Text.size(), in.ItemCount, r);
        std::fflush(stdout);
        ForgetFreedMemory();
        cold.push_back(Measure(contenders, in, r, Regime::Cold));
        // Warm: the allocator keeps what is freed (no mapping of its own for
        // large blocks, no trimming), so every contender reuses its memory.
        mallopt(M_MMAP_MAX, 0);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
        warm.push_back(Measure(contenders, in, r, Regime::Warm));
        mallopt(M_MMAP_MAX, 65536);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024);
        ForgetFreedMemory();
    }

    struct RatioRow {
        const char* Label;
        const char* Ours;
        const char* Peer;
        double Target;               // warm
        double ColdTarget;           // cold
        const char* Less = nullptr;  // ours is its time less this one's
    };
    const RatioRow ratios[] = {
        {"Parse vs pugixml load_buffer", "ours Parse", "pugixml load_buffer", 1.0, 2.0},
        {"LoadFromFile vs pugixml load_file", "ours LoadFromFile+Parse", "pugixml load_file", 0.8, 0.8},
        {"Parse vs libxml2 xmlReadMemory", "ours Parse", "libxml2 xmlReadMemory", 5.0, 5.0},
        // Time of the load over time of the reading: 2x or more when the
        // reading takes at most half as long as the load (warm), the load's
        // time at most when cold.
        {"LoadFromFile time / reading time", "ours ReadChannelRss", "ours LoadFromFile+Parse", 2.0, 1.0},
        // The window's road, where each item is read as the parse completes
        // it: the time the reading adds to the load. No target: the road is
        // taken for its memory (the tree is never held whole).
        {"LoadFromFile / reading in parse", "ours ReadChannelFile", "ours LoadFromFile+Parse", 0, 0,
         "ours LoadFromFile+Parse"},
        // The document destroyed in at most 5% of its load.
        {"LoadFromFile time / destroy time", "ours destroyed after reading", "ours LoadFromFile+Parse", 20.0,
         20.0},
    };
    auto printRegime = [&](const char* title, const std::vector<Medians>& results, bool isCold) {
        std::printf("\n%s: median thread CPU time of interleaved runs in one process; MB = 10^6 bytes\n",
                    title);
        PrintRule();
        std::printf("%-32s", "");
        for (const FeedSize& size : kSizes)
            std::printf("%20s", size.Label);
        std::printf("\n%-32s", "");
        for (std::size_t i = 0; i < std::size(kSizes); ++i)
            std::printf("%11s %8s", "ms", "MB/s");
        std::printf("\n");
        PrintRule();
        for (const std::string& row : rows) {
            std::printf("%-32s", row.c_str());
            for (const Medians& m : results) {
                const double t = m.Seconds.at(row);
                std::printf("%11.3f %8.1f", t * 1e3, t > 0 ? static_cast<double>(m.Bytes) / t / 1e6 : 0.0);
            }
            std::printf("\n");
        }
        if (!haveOurs)
            return;
        PrintRule();
        std::printf("%-32s%20s%20s%20s  %s\n", "speed ratio, ours / peer", "", "", "", "target (5, 50 MB)");
        std::printf("(the median of the rounds' own ratios where both ran in every round)\n");
        for (const RatioRow& r : ratios) {
            const double target = isCold ? r.ColdTarget : r.Target;
            std::printf("%-32s", r.Label);
            bool met = true;
            for (std::size_t i = 0; i < results.size(); ++i) {
                const double x = Ratio(results[i], r.Ours, r.Peer, r.Less);
                if (kSizes[i].Targeted && x < target)
                    met = false;
                std::printf("%19.2fx", x);
            }
            if (target > 0)
                std::printf("  >= %.1fx %s\n", target, Verdict(met));
            else
                std::printf("  (shown, no target)\n");
        }
    };
    printRegime("Cold (each load in fresh memory, as one fetch in the window)", cold, true);
    printRegime("Warm (memory kept in the process between loads)", warm, false);

    PrintRule();
    std::printf("peak memory, 50 MB feed, own process each: growth of the peak resident size / file size\n");
    const auto fileBytes = static_cast<double>(fs::file_size(largest));
    std::vector<PeakLoad> peaks = OurPeakLoads();
    for (PeakLoad& p : PeerPeakLoads())
        peaks.push_back(std::move(p));
    for (const PeakLoad& p : peaks) {
        const long long grown = std::stoll(RunChild(SelfPath(), {"--peak", p.Kind, largest.string()}));
        const double multiple = static_cast<double>(grown) / fileBytes;
        std::printf("%-40s %8.1f MB %7.2fx", p.Label.c_str(), static_cast<double>(grown) / 1e6, multiple);
        if (p.Kind == "ours-file")
            std::printf("   target <= 2.0x %s", Verdict(multiple <= 2.0));
        std::printf("\n");
    }

    const auto grid = GridFill(fs::path(SelfPath()).parent_path() / "nemara_bench_grid", feedPaths);
    PrintRule();
    if (grid.empty()) {
        std::printf("grid fill: not built (needs the news grid)\n");
    } else {
        std::printf("grid fill, offscreen (TitlesAdd per item)\n");
        double t10k = 0, t100k = 0;
        for (const auto& [items, seconds] : grid.Fill) {
            std::printf("%8d items %34.1f ms %8.2f us/item\n", items, seconds * 1e3, seconds * 1e6 / items);
            if (items == 10'000)
                t10k = seconds;
            if (items == 100'000)
                t100k = seconds;
        }
        if (t10k > 0 && t100k > 0) {
            const double growth = t100k / t10k;
            std::printf("100,000 / 10,000 items: %.1fx time (linear: 10x)   target < 500 ms, linear %s\n",
                        growth, Verdict(t100k < 0.5 && growth < 13.0));
        }
        PrintRule();
        std::printf(
            "the window's road from the loaded file to the filled grid (read, TitlesAdd, AlignForm)\n");
        for (const GridRows::Road& road : grid.Roads)
            std::printf("%11lld bytes %8d items %18.1f ms %8.2f us/item\n", road.Bytes, road.Items,
                        road.Seconds * 1e3, road.Seconds * 1e6 / std::max(1, road.Items));
        if (grid.Roads.size() >= 2) {
            const GridRows::Road& small = grid.Roads[grid.Roads.size() - 2];
            const GridRows::Road& large = grid.Roads.back();
            std::printf("%.1fx the items: %.1fx the time (linear: the same)\n",
                        static_cast<double>(large.Items) / small.Items, large.Seconds / small.Seconds);
        }
    }
    PrintRule();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 4 && std::strcmp(argv[1], "--peak") == 0)
            return RunPeakChild(argv[2], argv[3]);
        if (argc == 5 && std::strcmp(argv[1], "--repeat") == 0)
            return RunRepeat(argv[2], argv[3], std::atoi(argv[4]));

        fs::path dir = fs::path(SelfPath()).parent_path().parent_path() / "temp";
        bool quick = false;
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
                dir = argv[++i];
            } else if (std::strcmp(argv[i], "--quick") == 0) {
                quick = true;
            } else {
                std::fprintf(stderr, "usage: %s [--dir DIR] [--quick]\n", argv[0]);
                return 2;
            }
        }
        return RunAll(dir, quick);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nemara_bench_xml: %s\n", e.what());
        return 1;
    }
}
