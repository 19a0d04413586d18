// Writing to the item store: a fetched channel merged in, a failure kept,
// read and star marks, channels the list no longer holds.
#pragma once

#include "feed/Channel.h"

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <string>
#include <vector>

// Seconds since 1970; the store's clock, which tests set.
std::int64_t StoreNow();

// How long an item that left its feed is kept, unless starred, and how long
// its key is kept after that so that it never comes back as new.
inline constexpr std::int64_t kKeepGoneItems = 90 * 86400;
inline constexpr std::int64_t kKeepTombstones = 365 * 86400;

// What the last answer of a channel's server said of its body: sent back
// as If-None-Match and If-Modified-Since, and the hash of the body itself,
// so that an unchanged body is not read again.
struct TChannelValidators {
    std::string ETag;
    std::string LastModified;
    std::int64_t BodyHash = 0;
};

struct TMergeResult {
    int New = 0;
    int Updated = 0;
    int Expired = 0;
};

// Merges a channel read from its feed in one transaction: new items are
// stored unread; a known item whose texts or date changed is updated in
// place and keeps its marks; items that left the feed stay, and go 90 days
// later unless starred, leaving a tombstone; an unchanged item is not
// written. Clears the channel's failure; keeps the validators when given.
// Raises SQLite::Exception (a full disk, a read-only file), the store then
// being as it was.
TMergeResult MergeChannel(SQLite::Database& db, const std::string& address, TChannelFormat format,
                          const TRSS& channel, std::int64_t now,
                          const TChannelValidators* validators = nullptr);

// Keeps the reason of a failed fetch with the channel, counts the failure
// and notes when to try again (nextTry; 0: at the next refresh); no item
// changes.
void NoteFailure(SQLite::Database& db, const std::string& address, const std::string& reason,
                 std::int64_t now, std::int64_t nextTry = 0);

// An answer that brought nothing new (304, or the last body again): writes
// only what changed, the validators or a failure mark that it ends.
void NoteUnchanged(SQLite::Database& db, const std::string& address, const TChannelValidators& validators);

// A channel's refresh state: its validators, its failures in a row and
// when it is tried again; all empty for a channel not stored.
struct TChannelState {
    TChannelValidators Validators;
    int Failures = 0;
    std::int64_t NextTry = 0;
};
TChannelState ChannelState(SQLite::Database& db, const std::string& address);

// Hosts resting until a time past now, by host; and a host's rest.
std::vector<std::pair<std::string, std::int64_t>> HostRests(SQLite::Database& db, std::int64_t now);
void RestHost(SQLite::Database& db, const std::string& host, std::int64_t until);

// The channel's stored items and state go to its new address, unless the
// store has a channel there already.
void MoveChannel(SQLite::Database& db, const std::string& from, const std::string& to);

// Marks items read or unread, starred or not, committed with the journal
// synced: a mark survives a power cut once this returns.
void MarkRead(SQLite::Database& db, const std::vector<std::int64_t>& ids, bool read);
void MarkStarred(SQLite::Database& db, const std::vector<std::int64_t>& ids, bool starred);
void MarkChannelRead(SQLite::Database& db, const std::string& address);

// Removes the channels, with their items, whose address is not listed.
void ForgetUnlisted(SQLite::Database& db, const std::vector<std::string>& listed);
