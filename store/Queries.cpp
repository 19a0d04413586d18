#include "store/Queries.h"

#include "store/TextPack.h"

#include <SQLiteCpp/Statement.h>

namespace {

const char* const kSummary = R"sql(
    SELECT address, format, title, failure, failed_at, malformed,
           (SELECT count(*) FROM item WHERE item.channel = channel.id AND read = 0)
    FROM channel)sql";

TChannelSummary SummaryOf(SQLite::Statement& row) {
    TChannelSummary summary;
    summary.Format = static_cast<TChannelFormat>(row.getColumn(1).getInt());
    summary.Title = row.getColumn(2).getString();
    summary.Failure = row.getColumn(3).getString();
    summary.FailedAt = row.getColumn(4).getInt64();
    summary.Malformed = row.getColumn(5).getString();
    summary.Unread = row.getColumn(6).getInt();
    return summary;
}

double DateOf(const SQLite::Column& column) { return column.isNull() ? kNoDate : column.getDouble(); }

// The order of the news list, which the index on (channel, date) serves
// read backwards: NULL dates sort lowest, so last.
const char* const kNewestFirst = " ORDER BY date DESC, item.id DESC";

}  // namespace

std::unordered_map<std::string, TChannelSummary> ChannelSummaries(SQLite::Database& db) {
    std::unordered_map<std::string, TChannelSummary> summaries;
    SQLite::Statement select(db, kSummary);
    while (select.executeStep())
        summaries.emplace(select.getColumn(0).getString(), SummaryOf(select));
    return summaries;
}

TChannelSummary ChannelSummary(SQLite::Database& db, const std::string& address) {
    SQLite::Statement select(db, std::string(kSummary) + " WHERE address = ?");
    select.bind(1, address);
    return select.executeStep() ? SummaryOf(select) : TChannelSummary{};
}

std::vector<TStoredRow> ChannelRows(SQLite::Database& db, const std::string& address) {
    std::vector<TStoredRow> rows;
    SQLite::Statement select(db, std::string(R"sql(
        SELECT id, title, category, date, read, starred FROM item
        WHERE channel = (SELECT id FROM channel WHERE address = ?))sql") +
                                     kNewestFirst);
    select.bind(1, address);
    while (select.executeStep()) {
        TStoredRow& row = rows.emplace_back();
        row.Id = select.getColumn(0).getInt64();
        row.Title = select.getColumn(1).getString();
        row.Category = select.getColumn(2).getString();
        row.Date = DateOf(select.getColumn(3));
        row.Read = select.getColumn(4).getInt() != 0;
        row.Starred = select.getColumn(5).getInt() != 0;
    }
    return rows;
}

namespace {

const char* const kWholeItem =
    "SELECT item.id, category, title, description, link, guid, date, read, starred, enclosures "
    "FROM item JOIN item_text ON item_text.id = item.id ";

void ReadWhole(SQLite::Statement& select, TStoredItem& item) {
    item.Id = select.getColumn(0).getInt64();
    item.Category = select.getColumn(1).getString();
    item.Title = select.getColumn(2).getString();
    const SQLite::Column description = select.getColumn(3);
    item.Description = UnpackText(std::string_view(static_cast<const char*>(description.getBlob()),
                                                   static_cast<std::size_t>(description.getBytes())));
    item.Link = select.getColumn(4).getString();
    item.Guid = select.getColumn(5).getString();
    item.Date = DateOf(select.getColumn(6));
    item.Read = select.getColumn(7).getInt() != 0;
    item.Starred = select.getColumn(8).getInt() != 0;
    item.Enclosures = EnclosuresOf(select.getColumn(9).getString());
}

}  // namespace

bool StoredItem(SQLite::Database& db, std::int64_t id, TStoredItem& item) {
    SQLite::Statement select(db, std::string(kWholeItem) + "WHERE item.id = ?");
    select.bind(1, id);
    if (!select.executeStep())
        return false;
    ReadWhole(select, item);
    return true;
}

std::vector<TStoredItem> ChannelItems(SQLite::Database& db, const std::string& address) {
    std::vector<TStoredItem> items;
    SQLite::Statement select(db, std::string(kWholeItem) +
                                     "WHERE channel = (SELECT id FROM channel WHERE address = ?)" +
                                     kNewestFirst);
    select.bind(1, address);
    while (select.executeStep())
        ReadWhole(select, items.emplace_back());
    return items;
}
