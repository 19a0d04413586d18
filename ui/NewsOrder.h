// The order in which the news list shows its rows.
#pragma once

#include "ui/GridModel.h"

#include <cstdint>
#include <string_view>
#include <vector>

struct TNewsKey {
    std::string_view Title;
    std::string_view Category;
    double Date = kNoDate;
    // Among rows of the same date the higher comes first when newest are
    // first: the store's order, or the feed's.
    std::int64_t Rank = 0;
};

// The rows' indexes in the order they show. Texts compare as a reader
// expects (letter case aside, "2" before "10"); rows without a date are the
// oldest. Descending is the exact reverse of ascending, so a second click
// on a header turns the list round.
std::vector<std::size_t> NewsOrder(const std::vector<TNewsKey>& keys, TNewsSort sort);
