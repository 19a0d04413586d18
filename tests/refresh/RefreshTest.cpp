// Refreshes of a handful of channels from a loopback server: conditional
// requests, what is not read again, failures tried again later, a host that
// asked for rest, and a cancel in the middle.
#include "refresh/ChannelFetcher.h"
#include "refresh/RefreshEngine.h"
#include "store/Store.h"
#include "support/TestHttpServer.h"

#include "../xml/TempDir.h"

#include <gtest/gtest.h>

#include <SQLiteCpp/Statement.h>

#include <chrono>
#include <map>
#include <mutex>

namespace {

std::string Rss(const std::string& title, int items) {
    std::string rss = "<?xml version=\"1.0\"?><rss><channel><title>" + title + "</title><link>l</link>";
    for (int i = 0; i < items; ++i)
        rss += "<item><title>" + title + " " + std::to_string(i) + "</title><guid>" + std::to_string(i) +
               "</guid></item>";
    return rss + "</channel></rss>";
}

class Refresh : public testing::Test {
protected:
    Refresh() {
        for (const char* name :
             {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
            ::unsetenv(name);
        TStoreOpening opening;
        writer_.emplace(OpenStoreForWriting(store, opening));
    }
    ~Refresh() override {
        engine_.reset();
        writer_.reset();
    }

    TRefreshEngine& Engine(TRefreshLimits limits = {}) {
        if (!engine_)
            engine_.emplace(
                store, *writer_, MakeChannelFetcher(dir.PathOf(""), {}),
                [this](const TRefreshOutcome& outcome) {
                    const std::lock_guard lock(mutex_);
                    outcomes[outcome.Address] = outcome;
                },
                limits);
        return *engine_;
    }

    // Refreshes the channels and waits for every outcome.
    void Run(const std::vector<std::string>& addresses, bool asked) {
        outcomes.clear();
        Engine().Refresh(addresses, asked);
        Engine().Wait();
    }

    std::size_t RequestsFor(const std::string& target) const {
        std::size_t count = 0;
        for (const auto& request : server.Requests())
            count += request.Target == target;
        return count;
    }

    TempDir dir;
    std::string store = dir.PathOf("nemara.db");
    TestHttpServer server;
    std::optional<TStoreWriter> writer_;
    std::optional<TRefreshEngine> engine_;
    std::mutex mutex_;
    std::map<std::string, TRefreshOutcome> outcomes;
};

TEST_F(Refresh, ValidatorsAreSentAndWhatDidNotChangeIsNotReadAgain) {
    server.Serve("/etag", 200, Rss("E", 3), {{"ETag", "\"v1\""}});
    server.Serve("/dated", 200, Rss("D", 2), {{"Last-Modified", "Mon, 07 Dec 2026 10:00:00 GMT"}});
    server.Serve("/plain", 200, Rss("P", 4));
    const std::vector<std::string> all = {server.Url("/etag"), server.Url("/dated"), server.Url("/plain")};
    Run(all, true);
    for (const std::string& address : all)
        EXPECT_EQ(outcomes[address].Kind, TRefreshKind::rkMerged)
            << address << ": " << outcomes[address].Failure;
    EXPECT_EQ(outcomes[server.Url("/plain")].Merged.New, 4);

    // The second time: a 304 (without validators of its own), and the same
    // body again: nothing is read or written.
    server.Serve("/etag", 304, "");
    server.Serve("/dated", 304, "");
    auto reader = OpenStoreForReading(store);
    const int changes = reader->execAndGet("SELECT count(*) FROM item").getInt();
    Run(all, true);
    for (const std::string& address : all)
        EXPECT_EQ(outcomes[address].Kind, TRefreshKind::rkUnchanged)
            << address << ": " << outcomes[address].Failure;
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 6u);
    for (const auto& request : requests) {
        const bool second = &request >= &requests[3];
        if (request.Target == "/etag") {
            EXPECT_EQ(request.Header("If-None-Match"), second ? "\"v1\"" : "");
        } else if (request.Target == "/dated") {
            EXPECT_EQ(request.Header("If-Modified-Since"), second ? "Mon, 07 Dec 2026 10:00:00 GMT" : "");
        }
    }
    // The 304 kept the stored validators: the third request sends them again.
    Run({server.Url("/etag")}, true);
    EXPECT_EQ(server.Requests().back().Header("If-None-Match"), "\"v1\"");
    EXPECT_EQ(reader->execAndGet("SELECT count(*) FROM item").getInt(), changes);

    // A channel moved for good says where; one moved for now does not.
    server.Redirect("/moved", server.Url("/plain"), 301);
    server.Redirect("/away", server.Url("/plain"), 302);
    Run({server.Url("/moved"), server.Url("/away")}, true);
    EXPECT_EQ(outcomes[server.Url("/moved")].MovedTo, server.Url("/plain"));
    EXPECT_EQ(outcomes[server.Url("/away")].MovedTo, "");
}

TEST_F(Refresh, AFailingChannelWaitsLongerAndARestingHostIsLeftAlone) {
    server.Serve("/down", 500, "");
    server.Serve("/busy", 429, "", {{"Retry-After", "3600"}});
    server.Serve("/other", 200, Rss("O", 1));
    // "localhost" is a host of its own, apart from 127.0.0.1.
    const std::string down = server.Url("/down");
    const std::string busy = "http://localhost:" + std::to_string(server.Port()) + "/busy";
    const std::string neighbour = "http://localhost:" + std::to_string(server.Port()) + "/other";
    Run({down, busy}, false);
    EXPECT_EQ(outcomes[down].Kind, TRefreshKind::rkFailed);
    const std::string reason = outcomes[down].Failure;
    EXPECT_TRUE(reason.starts_with("The server answered 500")) << reason;
    EXPECT_EQ(outcomes[busy].Kind, TRefreshKind::rkFailed);

    // The automatic refreshes pass over both; the failure stays with the
    // channel; what the user asks for is fetched.
    TRefreshLimits limits;
    limits.MinAge = 0;
    engine_.reset();
    Engine(limits);
    Run({down, busy, neighbour}, false);
    EXPECT_EQ(outcomes[down].Kind, TRefreshKind::rkSkipped);
    EXPECT_EQ(outcomes[busy].Kind, TRefreshKind::rkSkipped);
    EXPECT_EQ(outcomes[neighbour].Kind, TRefreshKind::rkSkipped);
    EXPECT_EQ(RequestsFor("/other"), 0u);
    auto reader = OpenStoreForReading(store);
    const TChannelState state = ChannelState(*reader, down);
    EXPECT_EQ(state.Failures, 1);
    EXPECT_GT(state.NextTry, StoreNow() + 25 * 60);
    EXPECT_EQ(ChannelSummary(*reader, down).Failure, reason);

    server.Serve("/down", 200, Rss("Back", 2));
    Run({down}, true);
    EXPECT_EQ(outcomes[down].Kind, TRefreshKind::rkMerged);
    EXPECT_EQ(ChannelSummary(*reader, down).Failure, "");
    EXPECT_EQ(ChannelState(*reader, down).Failures, 0);
}

TEST_F(Refresh, ACancelEndsTheTransfersAndKeepsWhatWasMerged) {
    server.Serve("/quick", 200, Rss("Q", 5));
    std::vector<std::string> slow;
    for (int i = 0; i < 8; ++i) {
        server.Drip("/slow" + std::to_string(i));
        slow.push_back(server.Url("/slow" + std::to_string(i)));
    }
    Run({server.Url("/quick")}, true);
    Engine().Refresh(slow, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    Engine().Cancel();
    Engine().Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    for (const std::string& address : slow)
        EXPECT_EQ(outcomes[address].Kind, TRefreshKind::rkCancelled) << address;
    // No more than two transfers to the one host were under way.
    std::size_t asked = 0;
    for (int i = 0; i < 8; ++i)
        asked += RequestsFor("/slow" + std::to_string(i));
    EXPECT_LE(asked, 2u);
    auto reader = OpenStoreForReading(store);
    EXPECT_EQ(reader->execAndGet("PRAGMA quick_check").getString(), "ok");
    EXPECT_EQ(ChannelSummary(*reader, server.Url("/quick")).Unread, 5);
}

}  // namespace
