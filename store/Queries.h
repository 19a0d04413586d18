// Reading the item store: what the window shows and the dump tool prints.
// Each query is bounded by an index.
#pragma once

#include "feed/Channel.h"
#include "store/ItemKey.h"

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// A channel as the list shows it.
struct TChannelSummary {
    TChannelFormat Format = TChannelFormat::cfUnsupported;  // none read yet
    std::string Title;
    std::string Failure;    // the reason of the last fetch when it failed
    std::string Malformed;  // the last feed read was not well-formed: why
    std::int64_t FailedAt = 0;
    int Unread = 0;
};

// Every stored channel, by address.
std::unordered_map<std::string, TChannelSummary> ChannelSummaries(SQLite::Database& db);

// The stored channel of that address; a default summary when there is none.
TChannelSummary ChannelSummary(SQLite::Database& db, const std::string& address);

// An item as its row in the news list shows it.
struct TStoredRow {
    std::int64_t Id = 0;
    std::string Title;
    std::string Category;
    double Date = kNoDate;
    bool Read = false;
    bool Starred = false;
};

// The channel's items, newest first: by date (items without one last),
// then the one first seen later, or higher in the feed.
std::vector<TStoredRow> ChannelRows(SQLite::Database& db, const std::string& address);

// An item whole, as the text view and the dump tool show it.
struct TStoredItem {
    std::int64_t Id = 0;
    std::string Category, Title, Description, Link, Guid;
    std::vector<TStoredEnclosure> Enclosures;
    double Date = kNoDate;
    bool Read = false;
    bool Starred = false;
};

// False when there is no such item (it expired meanwhile).
bool StoredItem(SQLite::Database& db, std::int64_t id, TStoredItem& item);

// Every item of the channel whole, newest first (the dump tool's).
std::vector<TStoredItem> ChannelItems(SQLite::Database& db, const std::string& address);
