// The download and reading of one channel for a refresh: a conditional
// request with the channel's validators, a body the same as the last one
// not read again, the server's request for rest passed on as ERestHost.
#pragma once

#include "feed/Download.h"
#include "feed/ShortDate.h"
#include "refresh/RefreshEngine.h"

// Downloads into unnamed files of tempDir (nothing is left there, whatever
// ends the program) and reads Atom dates in the given short date format.
TChannelFetcher MakeChannelFetcher(std::string tempDir, TShortDateFormat format, DownloadLimits limits = {});

// The seconds a Retry-After field asks for: a number of seconds, or an
// HTTP date (then counted from now); -1 when there is none or it says
// nothing readable.
std::int64_t RetryAfterSeconds(std::string_view field, std::int64_t now);
