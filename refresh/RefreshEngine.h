// The refresh of many channels at once, off the caller's thread: a few
// worker threads download and read the channels, at most so many at once
// and at most two from one host, and the store's writer merges each result
// in one transaction. Polite to servers: conditional requests, an unchanged
// body not read, failing channels tried again later and later, a host that
// asked for rest left alone until then.
#pragma once

#include "feed/Channel.h"
#include "store/Merge.h"
#include "store/StoreWriter.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

struct TRefreshLimits {
    int Transfers = 6;
    int PerHost = 2;
    // The automatic refreshes come this often; a failing channel is tried
    // again after 1, 2, 4, ... of them, at most a day later.
    std::int64_t Interval = 30 * 60;
    std::int64_t MaxBackoff = 24 * 3600;
    // An automatic refresh passes over a channel refreshed this recently.
    std::int64_t MinAge = 10 * 60;
    // The longest rest a server may ask for.
    std::int64_t MaxRest = 6 * 3600;
};

// What a download and read of one channel gave.
struct TFetchedChannel {
    // The server said nothing changed (304), or sent the last body again.
    bool Unchanged = false;
    TChannelValidators Validators;
    TChannelFormat Format = TChannelFormat::cfUnsupported;
    TRSS Channel;
    // Where every redirect was permanent (301, 308): the final address.
    std::string MovedTo;
    // The address gave a site's page, and this is the feed it links to
    // (what was read).
    std::string FoundAt;
};

// Downloads and reads the channel, sending the known validators; raises
// with the reason when it fails (ERestHost when the server asks for rest).
// cancelled() turns true when the refresh is cancelled: the fetch then
// raises within a second.
using TChannelFetcher = std::function<void(const std::string& address, const TChannelValidators& known,
                                           const std::function<bool()>& cancelled, TFetchedChannel& fetched)>;

enum class TRefreshKind {
    rkMerged,     // read and merged: Merged tells the counts
    rkUnchanged,  // 304 or the same body: nothing was read or written
    rkFailed,     // Failure says why; the channel is tried again later
    rkSkipped,    // an automatic refresh passed over it (recent, failing, its host resting)
    rkCancelled,
};

struct TRefreshOutcome {
    std::string Address;
    TRefreshKind Kind = TRefreshKind::rkSkipped;
    TMergeResult Merged;
    std::string Failure;
    std::string MovedTo;
    std::string FoundAt;
    bool Asked = false;  // the user asked for this channel
};

// The host of an address, in lower case ("" when it has none).
std::string HostOf(const std::string& address);

class TRefreshEngine {
public:
    // Called once for each channel given to Refresh, on a worker's or the
    // writer's thread, after the channel's write (if any) is committed.
    using TListener = std::function<void(const TRefreshOutcome&)>;

    TRefreshEngine(std::string storePath, TStoreWriter& writer, TChannelFetcher fetcher, TListener listener,
                   TRefreshLimits limits = {});
    // Cancels what runs and waits for the workers (within about a second).
    ~TRefreshEngine();
    TRefreshEngine(const TRefreshEngine&) = delete;
    TRefreshEngine& operator=(const TRefreshEngine&) = delete;

    // Queues the channels. Those the user asked for go to the front and are
    // always fetched; an automatic refresh passes over a channel refreshed
    // less than MinAge ago, one whose retry time has not come, and one whose
    // host rests.
    void Refresh(const std::vector<std::string>& addresses, bool asked);
    // Drops what waits and ends the transfers under way; what was merged stays.
    void Cancel();
    // Waits until every queued channel has its outcome.
    void Wait();

    struct TProgress {
        int Done = 0;
        int Total = 0;  // of the channels queued since the engine was last idle
    };
    TProgress Progress() const;

private:
    struct TJob {
        std::string Address;
        std::string Host;
        bool Asked;
    };

    void Work();
    // The next job a worker may take; false when there is none it may take.
    bool TakeJob(TJob& job);
    void Run(const TJob& job, SQLite::Database* reader);
    void Finish(const TRefreshOutcome& outcome);

    const std::string storePath_;
    TStoreWriter& writer_;
    const TChannelFetcher fetcher_;
    const TListener listener_;
    const TRefreshLimits limits_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TJob> queue_;
    std::unordered_map<std::string, int> transfers_;           // by host
    std::unordered_map<std::string, std::int64_t> rests_;      // host: until
    std::unordered_map<std::string, std::int64_t> refreshed_;  // address: when
    int unfinished_ = 0;                                       // queued, running or merging
    int done_ = 0;
    int total_ = 0;
    unsigned cancels_ = 0;  // a fetch begun before a cancel is cancelled
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

// The failure of a server that asked to be left alone for a while.
class ERestHost : public std::runtime_error {
public:
    ERestHost(const std::string& reason, std::int64_t seconds)
        : std::runtime_error(reason), Seconds(seconds) {}
    std::int64_t Seconds;
};
