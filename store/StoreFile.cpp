#include "store/StoreFile.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

namespace {

// Step N takes a store of version N-1 to version N.
//
// The news list reads only the rows of `item`; what the text view shows
// (the link, the guid and the description, compressed) is in `item_text`,
// so that listing a channel reads a small part of the file. An item's
// `gone` is when it left its feed; a tombstone is the key of an item that
// was removed, so that it never comes back as new.
void Migration1(SQLite::Database& db) {
    db.exec(R"sql(
        CREATE TABLE channel(
            id INTEGER PRIMARY KEY,
            address TEXT NOT NULL UNIQUE,
            format INTEGER NOT NULL DEFAULT 0,
            title TEXT NOT NULL DEFAULT '',
            link TEXT NOT NULL DEFAULT '',
            failure TEXT NOT NULL DEFAULT '',
            failed_at INTEGER NOT NULL DEFAULT 0
        );
        CREATE TABLE item(
            id INTEGER PRIMARY KEY,
            channel INTEGER NOT NULL REFERENCES channel(id) ON DELETE CASCADE,
            key INTEGER NOT NULL,
            fingerprint INTEGER NOT NULL,
            date REAL,
            seen INTEGER NOT NULL,
            gone INTEGER,
            read INTEGER NOT NULL DEFAULT 0,
            starred INTEGER NOT NULL DEFAULT 0,
            title TEXT NOT NULL,
            category TEXT NOT NULL,
            UNIQUE(channel, key)
        );
        CREATE INDEX item_by_date ON item(channel, date);
        CREATE INDEX item_unread ON item(channel) WHERE read = 0;
        CREATE INDEX item_gone ON item(channel, gone) WHERE gone IS NOT NULL;
        CREATE TABLE item_text(
            id INTEGER PRIMARY KEY REFERENCES item(id) ON DELETE CASCADE,
            link TEXT NOT NULL,
            guid TEXT NOT NULL,
            description BLOB NOT NULL
        );
        CREATE TABLE tombstone(
            channel INTEGER NOT NULL REFERENCES channel(id) ON DELETE CASCADE,
            key INTEGER NOT NULL,
            removed INTEGER NOT NULL,
            PRIMARY KEY(channel, key)
        ) WITHOUT ROWID;
    )sql");
}

// What a refresh keeps of each channel: the validators of its last answer
// (sent back as If-None-Match and If-Modified-Since) and a hash of its last
// body, and how often in a row it failed and when it is tried again. A host
// that asked to be left alone (429, 503 with Retry-After) rests until then.
void Migration2(SQLite::Database& db) {
    db.exec(R"sql(
        ALTER TABLE channel ADD COLUMN etag TEXT NOT NULL DEFAULT '';
        ALTER TABLE channel ADD COLUMN last_modified TEXT NOT NULL DEFAULT '';
        ALTER TABLE channel ADD COLUMN body_hash INTEGER NOT NULL DEFAULT 0;
        ALTER TABLE channel ADD COLUMN failures INTEGER NOT NULL DEFAULT 0;
        ALTER TABLE channel ADD COLUMN next_try INTEGER NOT NULL DEFAULT 0;
        CREATE TABLE host_rest(host TEXT PRIMARY KEY, until INTEGER NOT NULL) WITHOUT ROWID;
    )sql");
}

// An item's enclosures (a line each: address, type and length, between
// tabs), and why the channel's feed was not well-formed when it was read.
void Migration3(SQLite::Database& db) {
    db.exec(R"sql(
        ALTER TABLE item_text ADD COLUMN enclosures TEXT NOT NULL DEFAULT '';
        ALTER TABLE channel ADD COLUMN malformed TEXT NOT NULL DEFAULT '';
    )sql");
}

const std::function<void(SQLite::Database&)> kMigrations[] = {Migration1, Migration2, Migration3};
static_assert(std::size(kMigrations) == kStoreSchemaVersion);

int UserVersion(SQLite::Database& db) { return db.execAndGet("PRAGMA user_version").getInt(); }

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Copies the store, with what its journal holds, into a file of its own
// before a migration changes it.
void KeepCopy(SQLite::Database& db, int version, const std::string& path) {
    std::string copy = path + ".v" + std::to_string(version) + ".bak";
    for (int n = 1; Exists(copy); ++n)
        copy = path + ".v" + std::to_string(version) + ".bak." + std::to_string(n);
    SQLite::Statement into(db, "VACUUM INTO ?");
    into.bind(1, copy);
    into.exec();
}

void Configure(SQLite::Database& db) {
    db.setBusyTimeout(5000);
    db.exec("PRAGMA journal_mode=WAL");
    db.exec("PRAGMA synchronous=NORMAL");
    db.exec("PRAGMA foreign_keys=ON");
}

// Opens and checks the store, and brings it to the current schema. Raises
// what SQLite raises; std::runtime_error for a failed check or a newer one.
std::unique_ptr<SQLite::Database> OpenChecked(const std::string& path) {
    // A journal left behind means the last session did not close the store
    // (a kill, a power cut): only then can a write of ours have been cut,
    // and the whole file is checked. The check reads all of it, which at a
    // start with a large store would cost most of a second.
    const bool leftOpen = Exists(path + "-wal");
    auto db = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE |
                                                           SQLite::OPEN_NOFOLLOW);
    Configure(*db);
    // Otherwise reading its schema is the test that it is a store at all.
    const std::string check =
        leftOpen ? db->execAndGet("PRAGMA quick_check").getString()
                 : (db->execAndGet("SELECT count(*) FROM sqlite_schema").getInt(), std::string("ok"));
    if (check != "ok")
        throw std::runtime_error("The check of the store failed: " + check);
    int version = UserVersion(*db);
    if (version > kStoreSchemaVersion)
        throw std::runtime_error("The store was written by a newer version of the program (schema " +
                                 std::to_string(version) + ")");
    if (version > 0 && version < kStoreSchemaVersion)
        KeepCopy(*db, version, path);
    for (; version < kStoreSchemaVersion; ++version) {
        SQLite::Transaction step(*db, SQLite::TransactionBehavior::IMMEDIATE);
        kMigrations[version](*db);
        db->exec("PRAGMA user_version=" + std::to_string(version + 1));
        step.commit();
    }
    return db;
}

}  // namespace

std::string FreeBrokenName(const std::string& path) {
    const std::string base = path + ".broken";
    std::string name = base;
    for (int n = 1; Exists(name); ++n)
        name = base + "." + std::to_string(n);
    return name;
}

std::unique_ptr<SQLite::Database> OpenStoreForWriting(const std::string& path, TStoreOpening& opening) {
    opening = {};
    try {
        return OpenChecked(path);
    } catch (const std::exception& e) {
        if (!Exists(path))
            throw;  // nothing to move aside: the folder is the fault
        opening.Reason = e.what();
    }
    // The broken file goes aside with its journal, which belongs to it.
    opening.KeptAs = FreeBrokenName(path);
    std::filesystem::rename(path, opening.KeptAs);
    for (const char* suffix : {"-wal", "-shm"}) {
        std::error_code ignored;
        if (Exists(path + suffix))
            std::filesystem::rename(path + suffix, opening.KeptAs + suffix, ignored);
    }
    return OpenChecked(path);
}

std::unique_ptr<SQLite::Database> OpenStoreForReading(const std::string& path) {
    auto db = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READONLY | SQLite::OPEN_NOFOLLOW);
    db->setBusyTimeout(5000);
    if (UserVersion(*db) != kStoreSchemaVersion)
        throw SQLite::Exception("The store has no schema this version reads");
    return db;
}
