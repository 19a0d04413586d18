// The channel on show and its news items.
#pragma once

#include <string>
#include <vector>

// One news item: an RSS item or an Atom entry. Texts are Windows-1250.
struct TRSSItem {
    std::string Category;
    std::string Title;
    std::string Description;
    std::string Link;
    std::string Guid;
    double Date = 0;  // whole days from 1899-12-30
};

struct TRSS {
    std::string Encoding;  // as written in the XML declaration
    std::string Title;
    std::string Link;
    std::string Description;
    std::string Language;
    std::vector<TRSSItem> News;
};
