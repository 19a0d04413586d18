// Where "next unread" goes: the next unread row of the shown channel, else
// the next channel in the list that has unread items, else an unread row
// above the current one.
#pragma once

#include <vector>

struct TUnreadPlace {
    int Channel = -1;  // -1: nothing is unread
    int Row = -1;      // -1: the first unread row of that channel, once shown
};

// unread: each channel's unread count, in list order; channel and row: the
// shown channel and its current row (-1 for none); shownRead: the read mark
// of each row of the shown channel.
TUnreadPlace NextUnread(const std::vector<int>& unread, int channel, const std::vector<bool>& shownRead,
                        int row);
