#include "refresh/RefreshEngine.h"

#include "feed/Reasons.h"
#include "store/StoreFile.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace {

std::int64_t Now() { return StoreNow(); }

}  // namespace

std::string HostOf(const std::string& address) {
    const std::size_t scheme = address.find("://");
    std::size_t begin = scheme == std::string::npos ? 0 : scheme + 3;
    std::size_t end = address.find_first_of("/?#", begin);
    if (end == std::string::npos)
        end = address.size();
    // user:password@host:port
    if (const std::size_t at = address.rfind('@', end); at != std::string::npos && at >= begin)
        begin = at + 1;
    std::string host = address.substr(begin, end - begin);
    if (!host.starts_with('[')) {
        if (const std::size_t colon = host.find(':'); colon != std::string::npos)
            host.resize(colon);
    } else if (const std::size_t close = host.find(']'); close != std::string::npos) {
        host.resize(close + 1);
    }
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

TRefreshEngine::TRefreshEngine(std::string storePath, TStoreWriter& writer, TChannelFetcher fetcher,
                               TListener listener, TRefreshLimits limits)
    : storePath_(std::move(storePath)), writer_(writer), fetcher_(std::move(fetcher)),
      listener_(std::move(listener)), limits_(limits) {
    try {
        auto reader = OpenStoreForReading(storePath_);
        for (const auto& [host, until] : HostRests(*reader, Now()))
            rests_[host] = until;
    } catch (const std::exception&) {
        // No store yet: no host rests.
    }
    for (int i = 0; i < std::max(1, limits_.Transfers); ++i)
        workers_.emplace_back([this] { Work(); });
}

// What the writer still holds of this engine's is written before it goes.
TRefreshEngine::~TRefreshEngine() {
    Cancel();
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    Wait();
}

void TRefreshEngine::Refresh(const std::vector<std::string>& addresses, bool asked) {
    {
        const std::lock_guard lock(mutex_);
        if (unfinished_ == 0)
            done_ = total_ = 0;
        // Asked ones go first, in their own order.
        auto front = queue_.begin();
        for (const std::string& address : addresses) {
            // A channel waiting already waits once; one the user asks for
            // moves to the front.
            const auto waiting = std::find_if(queue_.begin(), queue_.end(),
                                              [&](const TJob& job) { return job.Address == address; });
            if (waiting != queue_.end()) {
                if (!asked || waiting->Asked)
                    continue;
                queue_.erase(waiting);
                --unfinished_;
                --total_;
                front = queue_.begin();
                for (; front != queue_.end() && front->Asked; ++front) {
                }
            }
            TJob job{address, HostOf(address), asked};
            if (asked)
                front = std::next(queue_.insert(front, std::move(job)));
            else
                queue_.push_back(std::move(job));
            ++unfinished_;
            ++total_;
        }
    }
    changed_.notify_all();
}

void TRefreshEngine::Cancel() {
    std::vector<TJob> dropped;
    {
        const std::lock_guard lock(mutex_);
        dropped.assign(queue_.begin(), queue_.end());
        queue_.clear();
        ++cancels_;
    }
    for (const TJob& job : dropped) {
        TRefreshOutcome outcome;
        outcome.Address = job.Address;
        outcome.Kind = TRefreshKind::rkCancelled;
        outcome.Asked = job.Asked;
        Finish(outcome);
    }
    changed_.notify_all();
}

void TRefreshEngine::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return unfinished_ == 0; });
}

TRefreshEngine::TProgress TRefreshEngine::Progress() const {
    const std::lock_guard lock(mutex_);
    return {done_, total_};
}

bool TRefreshEngine::TakeJob(TJob& job) {
    const auto open = std::find_if(queue_.begin(), queue_.end(), [this](const TJob& waiting) {
        const auto found = transfers_.find(waiting.Host);
        return found == transfers_.end() || found->second < limits_.PerHost;
    });
    if (open == queue_.end())
        return false;
    job = std::move(*open);
    queue_.erase(open);
    ++transfers_[job.Host];
    return true;
}

void TRefreshEngine::Work() {
    // Background work: the window's thread goes first when cores are few.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    std::unique_ptr<SQLite::Database> reader;
    for (;;) {
        TJob job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || TakeJob(job); });
            if (stopping_ && job.Address.empty())
                return;
        }
        if (!reader) {
            try {
                reader = OpenStoreForReading(storePath_);
            } catch (const std::exception&) {
                // Read again with the next channel: the store may be made meanwhile.
            }
        }
        Run(job, reader.get());
        {
            const std::lock_guard lock(mutex_);
            if (--transfers_[job.Host] == 0)
                transfers_.erase(job.Host);
        }
        changed_.notify_all();
    }
}

void TRefreshEngine::Run(const TJob& job, SQLite::Database* reader) {
    TRefreshOutcome outcome;
    outcome.Address = job.Address;
    outcome.Asked = job.Asked;
    const std::int64_t now = Now();
    TChannelState state;
    if (reader) {
        try {
            state = ChannelState(*reader, job.Address);
        } catch (const std::exception&) {
        }
    }
    unsigned cancels;
    bool skip = false;
    {
        const std::lock_guard lock(mutex_);
        cancels = cancels_;
        if (!job.Asked) {
            const auto rest = rests_.find(job.Host);
            const auto refreshed = refreshed_.find(job.Address);
            skip = (rest != rests_.end() && rest->second > now) ||
                   (refreshed != refreshed_.end() && now - refreshed->second < limits_.MinAge) ||
                   state.NextTry > now;
        }
        if (!skip)
            refreshed_[job.Address] = now;
    }
    if (skip) {
        outcome.Kind = TRefreshKind::rkSkipped;
        Finish(outcome);
        return;
    }

    const auto cancelled = [this, cancels] {
        const std::lock_guard lock(mutex_);
        return cancels_ != cancels;
    };
    auto fetched = std::make_shared<TFetchedChannel>();
    std::string failure;
    std::int64_t rest = 0;
    try {
        fetcher_(job.Address, state.Validators, cancelled, *fetched);
    } catch (const ERestHost& e) {
        failure = e.what();
        rest = std::clamp<std::int64_t>(e.Seconds, 0, limits_.MaxRest);
    } catch (const std::exception& e) {
        failure = ReasonOf(e);
        if (failure.empty())
            failure = "The fetch failed";
    } catch (...) {
        failure = "The fetch failed";
    }
    if (cancelled()) {
        outcome.Kind = TRefreshKind::rkCancelled;
        Finish(outcome);
        return;
    }
    if (failure.empty() && fetched->Unchanged && fetched->Validators.ETag == state.Validators.ETag &&
        fetched->Validators.LastModified == state.Validators.LastModified && state.Failures == 0) {
        // Nothing to write: 304 or the same body, and the same validators.
        outcome.Kind = TRefreshKind::rkUnchanged;
        outcome.MovedTo = fetched->MovedTo;
        outcome.FoundAt = fetched->FoundAt;
        Finish(outcome);
        return;
    }
    if (failure.empty() && fetched->Format == TChannelFormat::cfUnsupported && !fetched->Unchanged)
        failure = "Unsupported channel format";

    // The store's writer merges, or keeps the failure; the outcome is told
    // once that is committed.
    const std::int64_t retry =
        now + std::min(limits_.Interval << std::min(state.Failures, 20), limits_.MaxBackoff) - 60;
    const std::string host = job.Host;
    if (rest > 0) {
        const std::lock_guard lock(mutex_);
        rests_[host] = now + rest;
    }
    writer_.Post([this, outcome, fetched, failure, retry, rest, host, now](SQLite::Database& db) mutable {
        try {
            if (!failure.empty()) {
                NoteFailure(db, outcome.Address, failure, now, retry);
                if (rest > 0)
                    RestHost(db, host, now + rest);
                outcome.Kind = TRefreshKind::rkFailed;
                outcome.Failure = failure;
            } else if (fetched->Unchanged) {
                NoteUnchanged(db, outcome.Address, fetched->Validators);
                outcome.Kind = TRefreshKind::rkUnchanged;
            } else {
                outcome.Merged = MergeChannel(db, outcome.Address, fetched->Format, fetched->Channel, now,
                                              &fetched->Validators);
                outcome.Kind = TRefreshKind::rkMerged;
            }
            outcome.MovedTo = fetched->MovedTo;
            outcome.FoundAt = fetched->FoundAt;
        } catch (const std::exception& e) {
            outcome.Kind = TRefreshKind::rkFailed;
            outcome.Failure = std::string("The store could not be written: ") + e.what();
        }
        fetched->Channel.Clear();
        Finish(outcome);
    });
}

// The count of what is done moves before the listener hears of it, so that
// the progress it reads counts this channel; the engine is idle only after,
// told under the lock: a waiter may destroy the engine as soon as the last
// channel ends, and nothing of it may be touched after the unlock.
void TRefreshEngine::Finish(const TRefreshOutcome& outcome) {
    {
        const std::lock_guard lock(mutex_);
        ++done_;
    }
    if (listener_)
        listener_(outcome);
    const std::lock_guard lock(mutex_);
    --unfinished_;
    changed_.notify_all();
}
