// Deterministic RSS 2.0 feeds for the benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace bench {

struct GeneratedFeed {
    std::string Text;  // CR LF line breaks, as LoadFromFile hands a file to Parse
    int ItemCount = 0;
};

// A feed of at least targetBytes bytes: a declaration, one channel and as many
// items as it takes. The same seed and size always give the same bytes.
// Every item has a title, link, description (escaped HTML or a CDATA
// section), pubDate, guid, category and creator; texts mix ASCII with Polish
// letters and other multi-byte UTF-8. It stays inside what all the measured
// parsers accept: no document type, no byte-order mark, only the five
// predefined entities but &apos;, character references 0..255.
GeneratedFeed GenerateRssFeed(std::size_t targetBytes, std::uint64_t seed);

}  // namespace bench
