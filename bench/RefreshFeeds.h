// The channels of the refresh benchmark: RSS 2.0 feeds of 30 items, about
// 30 KB each, as news sites write them.
#pragma once

#include <string>

namespace bench {

constexpr int kRefreshItems = 30;

// The feed of channel number channel: a title, a link, and 30 items, each
// with a title, link, guid, category, pubDate and an escaped HTML
// description of about 700 bytes. The same channel always gives the same bytes.
std::string RefreshFeed(int channel);

}  // namespace bench
