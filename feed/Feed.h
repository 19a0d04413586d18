// The feed layer: channel records, download, decoding, the channel readers
// and the fetch.
#pragma once

#include "feed/Channel.h"
#include "feed/Decode.h"
#include "feed/Download.h"
#include "feed/RssDate.h"
#include "feed/ShortDate.h"
#include "feed/ChannelReader.h"
#include "feed/ChannelFetch.h"
#include "feed/Opml.h"
#include "feed/FeedDiscovery.h"
#include "feed/FileAddress.h"
#include "feed/Reasons.h"
