// The thread that owns the store's writing connection: merges and marks
// are posted to it and run one after the other, so that whoever posts them
// (the window) never waits on a write.
#pragma once

#include <SQLiteCpp/Database.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class TStoreWriter {
public:
    // A job runs on the writer's thread with the writing connection. What
    // it raises is its own to catch: the writer drops an escaped failure.
    using TJob = std::function<void(SQLite::Database&)>;

    explicit TStoreWriter(std::unique_ptr<SQLite::Database> db);
    // Runs what was posted, then ends the thread.
    ~TStoreWriter();
    TStoreWriter(const TStoreWriter&) = delete;
    TStoreWriter& operator=(const TStoreWriter&) = delete;

    void Post(TJob job);
    // Waits until every job posted so far has run.
    void Drain();

private:
    void Run();

    std::unique_ptr<SQLite::Database> db_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<TJob> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};
