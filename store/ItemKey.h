// The identity of an item within its channel, and a fingerprint of what it
// shows, both as 64-bit hashes.
#pragma once

#include "feed/Channel.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Its guid; else its link; else its title and description. The date is
// never part of it: feeds rewrite dates. A guid that an earlier item of the
// same document has already is told apart by the link; an item whose key
// an earlier one has already (a duplicate) gets the key 0, and is skipped.
std::vector<std::int64_t> ItemKeys(const TRSSItems& items);

// Changes when any text, an enclosure or the date of the item changes.
std::int64_t ItemFingerprint(const TRSSItem& item);

// The item's enclosures as the store keeps them: a line each, its address,
// type and length between tabs (a tab or line break in them a space).
std::string EnclosuresText(const TRSSItem& item);

struct TStoredEnclosure {
    std::string Url;
    std::string Type;
    std::uint64_t Length = 0;
};
std::vector<TStoredEnclosure> EnclosuresOf(std::string_view text);
