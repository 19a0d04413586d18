#include "store/Merge.h"

#include "store/ItemKey.h"
#include "store/TextPack.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <chrono>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

// The text stays where it is until the statement has run: not copied. An
// empty view may have no data, which SQLite would take for NULL.
void BindText(SQLite::Statement& statement, int index, std::string_view text) {
    statement.bindNoCopy(index, text.empty() ? "" : text.data(), static_cast<int>(text.size()));
}

void BindDate(SQLite::Statement& statement, int index, double date) {
    if (IsNoDate(date))
        statement.bind(index);
    else
        statement.bind(index, date);
}

// The channel's row, made when there is none yet.
std::int64_t ChannelId(SQLite::Database& db, const std::string& address) {
    SQLite::Statement insert(db, "INSERT INTO channel(address) VALUES(?) ON CONFLICT(address) DO NOTHING");
    insert.bind(1, address);
    insert.exec();
    SQLite::Statement select(db, "SELECT id FROM channel WHERE address = ?");
    select.bind(1, address);
    select.executeStep();
    return select.getColumn(0).getInt64();
}

struct TKnownItem {
    std::int64_t Id;
    std::int64_t Fingerprint;
    bool Gone;
    bool Seen = false;
};

// Marks are few and small: their transaction waits for the journal to
// reach the disk, unlike a merge, which a later fetch can repeat.
class TSyncedTransaction {
public:
    explicit TSyncedTransaction(SQLite::Database& db) : db_(db) { db_.exec("PRAGMA synchronous=FULL"); }
    ~TSyncedTransaction() {
        try {
            db_.exec("PRAGMA synchronous=NORMAL");
        } catch (...) {
        }
    }
    TSyncedTransaction(const TSyncedTransaction&) = delete;
    TSyncedTransaction& operator=(const TSyncedTransaction&) = delete;

private:
    SQLite::Database& db_;
};

void MarkItems(SQLite::Database& db, const char* sql, const std::vector<std::int64_t>& ids, bool value) {
    TSyncedTransaction synced(db);
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    SQLite::Statement mark(db, sql);
    for (const std::int64_t id : ids) {
        mark.bind(1, value ? 1 : 0);
        mark.bind(2, id);
        mark.exec();
        mark.reset();
    }
    transaction.commit();
}

}  // namespace

std::int64_t StoreNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

TMergeResult MergeChannel(SQLite::Database& db, const std::string& address, TChannelFormat format,
                          const TRSS& channel, std::int64_t now, const TChannelValidators* validators) {
    TMergeResult result;
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    const std::int64_t channelId = ChannelId(db, address);

    // The row changes only when something of it did.
    SQLite::Statement head(db, R"sql(
        UPDATE channel SET format = ?2, title = ?3, link = ?4, malformed = ?5,
                           failure = '', failed_at = 0, failures = 0, next_try = 0
        WHERE id = ?1 AND (format IS NOT ?2 OR title IS NOT ?3 OR link IS NOT ?4 OR malformed IS NOT ?5
                           OR failure != '' OR failures != 0))sql");
    head.bind(1, channelId);
    head.bind(2, static_cast<int>(format));
    BindText(head, 3, channel.Title);
    BindText(head, 4, channel.Link);
    BindText(head, 5, channel.Malformed);
    head.exec();
    if (validators)
        NoteUnchanged(db, address, *validators);

    std::unordered_map<std::int64_t, TKnownItem> known;
    {
        SQLite::Statement select(db,
                                 "SELECT key, id, fingerprint, gone IS NOT NULL FROM item WHERE channel = ?");
        select.bind(1, channelId);
        while (select.executeStep())
            known.emplace(select.getColumn(0).getInt64(),
                          TKnownItem{select.getColumn(1).getInt64(), select.getColumn(2).getInt64(),
                                     select.getColumn(3).getInt() != 0});
    }
    std::unordered_map<std::int64_t, std::int64_t> tombstones;
    {
        SQLite::Statement select(db, "SELECT key, removed FROM tombstone WHERE channel = ?");
        select.bind(1, channelId);
        while (select.executeStep())
            tombstones.emplace(select.getColumn(0).getInt64(), select.getColumn(1).getInt64());
    }

    SQLite::Statement insert(db, R"sql(
        INSERT INTO item(channel, key, fingerprint, date, seen, title, category) VALUES(?, ?, ?, ?, ?, ?, ?))sql");
    SQLite::Statement insertText(
        db, "INSERT INTO item_text(id, link, guid, description, enclosures) VALUES(?, ?, ?, ?, ?)");
    SQLite::Statement update(db, R"sql(
        UPDATE item SET fingerprint = ?, date = ?, title = ?, category = ?, gone = NULL WHERE id = ?)sql");
    SQLite::Statement updateText(
        db, "UPDATE item_text SET link = ?, guid = ?, description = ?, enclosures = ? WHERE id = ?");
    SQLite::Statement back(db, "UPDATE item SET gone = NULL WHERE id = ?");
    SQLite::Statement stillForgotten(db, "UPDATE tombstone SET removed = ? WHERE channel = ? AND key = ?");
    std::string packed, enclosures;

    const std::vector<std::int64_t> keys = ItemKeys(channel.News);
    // The last item of the document is stored first: among items of one
    // date, the one higher in the feed has the later row, and shows first.
    for (std::size_t i = channel.News.size(); i-- > 0;) {
        const std::int64_t key = keys[i];
        if (key == 0)
            continue;
        const TRSSItem& item = channel.News[i];
        const std::int64_t fingerprint = ItemFingerprint(item);
        if (const auto found = known.find(key); found != known.end()) {
            TKnownItem& stored = found->second;
            stored.Seen = true;
            if (stored.Fingerprint != fingerprint) {
                update.bind(1, fingerprint);
                BindDate(update, 2, item.Date);
                BindText(update, 3, item.Title);
                BindText(update, 4, item.Category);
                update.bind(5, stored.Id);
                update.exec();
                update.reset();
                packed = PackText(item.Description);
                BindText(updateText, 1, item.Link);
                BindText(updateText, 2, item.Guid);
                updateText.bindNoCopy(3, packed.data(), static_cast<int>(packed.size()));
                enclosures = EnclosuresText(item);
                updateText.bind(4, enclosures);
                updateText.bind(5, stored.Id);
                updateText.exec();
                updateText.reset();
                ++result.Updated;
            } else if (stored.Gone) {
                back.bind(1, stored.Id);
                back.exec();
                back.reset();
            }
            continue;
        }
        if (const auto forgotten = tombstones.find(key); forgotten != tombstones.end()) {
            // Still in the feed: its tombstone lasts while it stays there,
            // renewed now and then rather than at every merge.
            if (now - forgotten->second > 30 * 86400) {
                stillForgotten.bind(1, now);
                stillForgotten.bind(2, channelId);
                stillForgotten.bind(3, key);
                stillForgotten.exec();
                stillForgotten.reset();
            }
            continue;
        }
        insert.bind(1, channelId);
        insert.bind(2, key);
        insert.bind(3, fingerprint);
        BindDate(insert, 4, item.Date);
        insert.bind(5, now);
        BindText(insert, 6, item.Title);
        BindText(insert, 7, item.Category);
        insert.exec();
        insert.reset();
        packed = PackText(item.Description);
        insertText.bind(1, db.getLastInsertRowid());
        BindText(insertText, 2, item.Link);
        BindText(insertText, 3, item.Guid);
        insertText.bindNoCopy(4, packed.data(), static_cast<int>(packed.size()));
        enclosures = EnclosuresText(item);
        insertText.bind(5, enclosures);
        insertText.exec();
        insertText.reset();
        ++result.New;
    }

    // Items that left the feed are kept; the time they left is noted once.
    SQLite::Statement left(db, "UPDATE item SET gone = ? WHERE id = ?");
    for (const auto& [key, stored] : known)
        if (!stored.Seen && !stored.Gone) {
            left.bind(1, now);
            left.bind(2, stored.Id);
            left.exec();
            left.reset();
        }

    SQLite::Statement bury(db, R"sql(
        INSERT OR REPLACE INTO tombstone(channel, key, removed)
        SELECT channel, key, ?2 FROM item WHERE channel = ?1 AND gone < ?3 AND starred = 0)sql");
    bury.bind(1, channelId);
    bury.bind(2, now);
    bury.bind(3, now - kKeepGoneItems);
    bury.exec();
    SQLite::Statement expire(db, "DELETE FROM item WHERE channel = ?1 AND gone < ?2 AND starred = 0");
    expire.bind(1, channelId);
    expire.bind(2, now - kKeepGoneItems);
    result.Expired = expire.exec();
    SQLite::Statement forget(db, "DELETE FROM tombstone WHERE channel = ? AND removed < ?");
    forget.bind(1, channelId);
    forget.bind(2, now - kKeepTombstones);
    forget.exec();

    transaction.commit();
    return result;
}

void NoteFailure(SQLite::Database& db, const std::string& address, const std::string& reason,
                 std::int64_t now, std::int64_t nextTry) {
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    const std::int64_t channelId = ChannelId(db, address);
    SQLite::Statement note(
        db,
        "UPDATE channel SET failure = ?, failed_at = ?, failures = failures + 1, next_try = ? WHERE id = ?");
    note.bind(1, reason.empty() ? std::string("The fetch failed") : reason);
    note.bind(2, now);
    note.bind(3, nextTry);
    note.bind(4, channelId);
    note.exec();
    transaction.commit();
}

void NoteUnchanged(SQLite::Database& db, const std::string& address, const TChannelValidators& validators) {
    SQLite::Statement note(db, R"sql(
        UPDATE channel SET etag = ?2, last_modified = ?3, body_hash = ?4,
                           failure = '', failed_at = 0, failures = 0, next_try = 0
        WHERE address = ?1 AND (etag != ?2 OR last_modified != ?3 OR body_hash != ?4 OR failures != 0))sql");
    note.bind(1, address);
    note.bind(2, validators.ETag);
    note.bind(3, validators.LastModified);
    note.bind(4, validators.BodyHash);
    note.exec();
}

TChannelState ChannelState(SQLite::Database& db, const std::string& address) {
    TChannelState state;
    SQLite::Statement select(
        db, "SELECT etag, last_modified, body_hash, failures, next_try FROM channel WHERE address = ?");
    select.bind(1, address);
    if (select.executeStep()) {
        state.Validators.ETag = select.getColumn(0).getString();
        state.Validators.LastModified = select.getColumn(1).getString();
        state.Validators.BodyHash = select.getColumn(2).getInt64();
        state.Failures = select.getColumn(3).getInt();
        state.NextTry = select.getColumn(4).getInt64();
    }
    return state;
}

std::vector<std::pair<std::string, std::int64_t>> HostRests(SQLite::Database& db, std::int64_t now) {
    std::vector<std::pair<std::string, std::int64_t>> rests;
    SQLite::Statement select(db, "SELECT host, until FROM host_rest WHERE until > ?");
    select.bind(1, now);
    while (select.executeStep())
        rests.emplace_back(select.getColumn(0).getString(), select.getColumn(1).getInt64());
    return rests;
}

void RestHost(SQLite::Database& db, const std::string& host, std::int64_t until) {
    SQLite::Statement rest(db, "INSERT OR REPLACE INTO host_rest(host, until) VALUES(?, ?)");
    rest.bind(1, host);
    rest.bind(2, until);
    rest.exec();
}

void MoveChannel(SQLite::Database& db, const std::string& from, const std::string& to) {
    SQLite::Statement move(db, "UPDATE OR IGNORE channel SET address = ? WHERE address = ?");
    move.bind(1, to);
    move.bind(2, from);
    move.exec();
}

void MarkRead(SQLite::Database& db, const std::vector<std::int64_t>& ids, bool read) {
    MarkItems(db, "UPDATE item SET read = ? WHERE id = ? AND read != ?1", ids, read);
}

void MarkStarred(SQLite::Database& db, const std::vector<std::int64_t>& ids, bool starred) {
    MarkItems(db, "UPDATE item SET starred = ? WHERE id = ? AND starred != ?1", ids, starred);
}

void MarkChannelRead(SQLite::Database& db, const std::string& address) {
    TSyncedTransaction synced(db);
    SQLite::Statement mark(db, R"sql(
        UPDATE item SET read = 1
        WHERE read = 0 AND channel = (SELECT id FROM channel WHERE address = ?))sql");
    mark.bind(1, address);
    mark.exec();
}

void ForgetUnlisted(SQLite::Database& db, const std::vector<std::string>& listed) {
    const std::unordered_set<std::string> keep(listed.begin(), listed.end());
    std::vector<std::int64_t> gone;
    SQLite::Statement select(db, "SELECT id, address FROM channel");
    while (select.executeStep())
        if (!keep.contains(select.getColumn(1).getString()))
            gone.push_back(select.getColumn(0).getInt64());
    if (gone.empty())
        return;
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    SQLite::Statement remove(db, "DELETE FROM channel WHERE id = ?");
    for (const std::int64_t id : gone) {
        remove.bind(1, id);
        remove.exec();
        remove.reset();
    }
    transaction.commit();
}
