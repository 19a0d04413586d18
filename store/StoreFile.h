// The item store's database file: opened, checked, made or brought up to
// the current schema. Its file name is "nemara.db", beside "channels.lst".
#pragma once

#include <SQLiteCpp/Database.h>

#include <memory>
#include <string>

inline constexpr const char* kStoreFile = "nemara.db";

// The schema version this build writes.
inline constexpr int kStoreSchemaVersion = 3;

// What opening the store for writing had to do besides opening it.
struct TStoreOpening {
    // A file that could not be opened, failed its check or was written by a
    // newer version was moved here (empty when nothing was moved).
    std::string KeptAs;
    // Why it was moved.
    std::string Reason;
};

// Opens the store for writing: WAL journal, synchronous=NORMAL, foreign
// keys on; a missing file is made, an older schema migrated (each step in
// one transaction, the file copied to "nemara.db.v<N>.bak" first). A file
// that cannot be opened or fails `quick_check` is moved aside as
// "nemara.db.broken" (then ".broken.1", ...) and a new store is made;
// opening says so. Raises SQLite::Exception when not even a new store can
// be made (a folder that cannot be written).
std::unique_ptr<SQLite::Database> OpenStoreForWriting(const std::string& path, TStoreOpening& opening);

// Opens an existing store for reading only: it never blocks a writer (WAL).
// Raises SQLite::Exception when there is no readable store.
std::unique_ptr<SQLite::Database> OpenStoreForReading(const std::string& path);

// The first of "<path>.broken", "<path>.broken.1", ... that no file takes.
std::string FreeBrokenName(const std::string& path);
