#include "ui/NextUnread.h"

TUnreadPlace NextUnread(const std::vector<int>& unread, int channel, const std::vector<bool>& shownRead,
                        int row) {
    const int rows = static_cast<int>(shownRead.size());
    if (channel >= 0)
        for (int r = row + 1; r < rows; ++r)
            if (!shownRead[static_cast<std::size_t>(r)])
                return {channel, r};
    const int channels = static_cast<int>(unread.size());
    for (int step = 1; step <= channels; ++step) {
        const int next = ((channel < 0 ? -1 : channel) + step + channels) % channels;
        if (next != channel && unread[static_cast<std::size_t>(next)] > 0)
            return {next, -1};
    }
    if (channel >= 0)
        for (int r = 0; r <= row && r < rows; ++r)
            if (!shownRead[static_cast<std::size_t>(r)])
                return {channel, r};
    return {};
}
