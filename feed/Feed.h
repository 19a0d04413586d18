// The feed layer: channel records, download, decoding and the channel readers.
#pragma once

#include "feed/Channel.h"
#include "feed/Decode.h"
#include "feed/Download.h"
#include "feed/ChannelFetch.h"
