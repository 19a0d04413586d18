// The parsers that the benchmark sets against each other.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace bench {

// The feed as the contenders see it: the file and the same bytes in memory.
struct FeedInput {
    std::string Path;
    std::string Text;
    int ItemCount = 0;
};

// Seconds spent loading a document and then destroying it.
struct Sample {
    double Load = 0;
    double Destroy = 0;
};

struct Contender {
    std::string Name;         // row label of the load
    std::string DestroyName;  // row label of the destruction, "" when not shown
    std::function<Sample(const FeedInput&)> Run;
    // Loads once and returns the number of item elements it found.
    std::function<int(const FeedInput&)> CountItems;
};

// One load whose peak memory is measured in a child process of its own.
struct PeakLoad {
    std::string Kind;   // the child's command-line word
    std::string Label;  // row label
    // Loads the file, keeps the document alive, and returns how much the
    // peak resident size grew over the load, in bytes.
    std::function<long long(const std::string& path)> Measure;
};

std::vector<Contender> OurContenders();
std::vector<Contender> PeerContenders();
std::vector<PeakLoad> OurPeakLoads();
std::vector<PeakLoad> PeerPeakLoads();

// The file read whole, byte for byte.
std::string ReadWholeFile(const std::string& path);

}  // namespace bench
