// The refresh benchmark's feed server: answers "GET /feed/N.xml" on several
// loopback addresses at one port, every answer after a fixed delay, with an
// ETag and a Last-Modified; a request whose If-None-Match or
// If-Modified-Since names the current version gets 304 without a body.
// Connections are kept alive. One thread with epoll serves every address;
// it counts requests, answers and the connections open to each address.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bench {

class FeedServer {
public:
    struct Counts {
        long Requests = 0;
        long Full = 0;         // 200 with the body
        long NotModified = 0;  // 304
        long Missing = 0;      // 404, an unknown target
        long IfNoneMatch = 0;  // requests that sent it
        long IfModifiedSince = 0;
        long Connections = 0;  // accepted
        long long BodyBytes = 0;
        // For each address, the most connections open at once and the most
        // requests read and not yet fully answered at once.
        std::vector<int> PeakOpen;
        std::vector<int> PeakInFlight;
    };

    // Binds every address (e.g. "127.0.0.7") at one free port and starts
    // serving bodies[N] as "/feed/N.xml"; throws std::runtime_error when it cannot.
    FeedServer(std::vector<std::string> addresses, std::vector<std::string> bodies,
               std::chrono::milliseconds delay);
    ~FeedServer();
    FeedServer(const FeedServer&) = delete;
    FeedServer& operator=(const FeedServer&) = delete;

    int Port() const { return port_; }
    // "http://ADDRESS:PORT/feed/N.xml" for address number host.
    std::string Url(int host, int feed) const;
    static std::string ETag(int feed);
    static const char* LastModified();

    // What was counted since the last call; the peaks start again from the
    // connections open now.
    Counts Take();

private:
    class Loop;
    std::vector<std::string> addresses_;
    int port_ = 0;
    std::unique_ptr<Loop> loop_;
    std::thread thread_;
};

}  // namespace bench
