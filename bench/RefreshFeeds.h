// The channels of the refresh benchmark: RSS 2.0 feeds of 30 items, about
// 30 KB each, as news sites write them.
#pragma once

#include "FeedServer.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace bench {

constexpr int kRefreshItems = 30;
// 500 channels, 20 on each of 25 loopback addresses, 20 ms an answer.
constexpr int kChannels = 500;
constexpr int kHosts = 25;
constexpr auto kDelay = std::chrono::milliseconds(20);

// The feed of channel number channel: a title, a link, and 30 items, each
// with a title, link, guid, category, pubDate and an escaped HTML
// description of about 700 bytes. The same channel always gives the same bytes.
std::string RefreshFeed(int channel);

// The 500 feeds served from 127.0.0.1 to 127.0.0.25, and their addresses in
// the list's order (urls).
std::unique_ptr<FeedServer> ServeRefreshFeeds(std::vector<std::string>& urls);

}  // namespace bench
