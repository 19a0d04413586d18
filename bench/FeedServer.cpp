#include "FeedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <queue>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace bench {

namespace {

// A descriptor, closed with its owner.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }

private:
    int fd_;
};

constexpr char kLastModified[] = "Mon, 07 Dec 2026 12:00:00 GMT";
constexpr std::uint64_t kListenerTag = 1ull << 32;
constexpr std::uint64_t kWakeTag = 2ull << 32;

using Clock = std::chrono::steady_clock;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[i]);
        const auto b = static_cast<unsigned char>(prefix[i]);
        if (std::tolower(a) != std::tolower(b))
            return false;
    }
    return true;
}

// The value of the header field name in a request head, trimmed; found is
// false when the head has no such field.
std::string_view Field(std::string_view head, std::string_view name, bool& found) {
    found = false;
    std::size_t at = head.find("\r\n");
    while (at != std::string_view::npos && at + 2 < head.size()) {
        const std::size_t begin = at + 2;
        const std::size_t end = std::min(head.find("\r\n", begin), head.size());
        std::string_view line = head.substr(begin, end - begin);
        if (StartsWithNoCase(line, name) && line.size() > name.size() && line[name.size()] == ':') {
            line.remove_prefix(name.size() + 1);
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
                line.remove_prefix(1);
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
                line.remove_suffix(1);
            found = true;
            return line;
        }
        at = end == head.size() ? std::string_view::npos : end;
    }
    return {};
}

// An HTTP date ("Mon, 07 Dec 2026 12:00:00 GMT") as seconds since 1970, or -1.
long long HttpDate(std::string_view text) {
    std::tm tm{};
    const std::string copy(text);
    const char* end = ::strptime(copy.c_str(), "%a, %d %b %Y %H:%M:%S", &tm);
    if (end == nullptr)
        return -1;
    return static_cast<long long>(::timegm(&tm));
}

// The feed number of "/feed/N.xml", or -1.
int FeedNumber(std::string_view target, std::size_t feeds) {
    constexpr std::string_view prefix = "/feed/";
    constexpr std::string_view suffix = ".xml";
    if (target.size() <= prefix.size() + suffix.size() || target.substr(0, prefix.size()) != prefix ||
        target.substr(target.size() - suffix.size()) != suffix)
        return -1;
    const std::string_view digits =
        target.substr(prefix.size(), target.size() - prefix.size() - suffix.size());
    if (digits.size() > 6)
        return -1;
    int n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return static_cast<std::size_t>(n) < feeds ? n : -1;
}

}  // namespace

class FeedServer::Loop {
public:
    Loop(std::vector<Fd> listeners, std::vector<std::string> bodies, std::chrono::milliseconds delay)
        : listeners_(std::move(listeners)), delay_(delay), epoll_(::epoll_create1(EPOLL_CLOEXEC)),
          wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (epoll_.get() < 0 || wake_.get() < 0)
            throw std::runtime_error("epoll or eventfd failed");
        for (std::size_t i = 0; i < bodies.size(); ++i) {
            const std::string common = "Content-Type: application/rss+xml; charset=utf-8\r\nETag: " +
                                       FeedServer::ETag(static_cast<int>(i)) +
                                       "\r\nLast-Modified: " + kLastModified + "\r\n";
            full_.push_back("HTTP/1.1 200 OK\r\n" + common +
                            "Content-Length: " + std::to_string(bodies[i].size()) + "\r\n");
            notModified_.push_back("HTTP/1.1 304 Not Modified\r\n" + common);
        }
        bodies_ = std::move(bodies);
        lastModified_ = HttpDate(kLastModified);
        open_.assign(listeners_.size(), 0);
        inFlight_.assign(listeners_.size(), 0);
        counts_.PeakOpen.assign(listeners_.size(), 0);
        counts_.PeakInFlight.assign(listeners_.size(), 0);
        for (std::size_t i = 0; i < listeners_.size(); ++i)
            Watch(listeners_[i].get(), EPOLLIN, kListenerTag | i);
        Watch(wake_.get(), EPOLLIN, kWakeTag);
    }

    void Run() {
        epoll_event events[64];
        for (;;) {
            int timeout = -1;
            if (!due_.empty()) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(due_.top().At - Clock::now());
                timeout = static_cast<int>(std::max<long long>(0, left.count()));
            }
            const int n = ::epoll_wait(epoll_.get(), events, 64, timeout);
            if (n < 0 && errno != EINTR)
                return;
            for (int i = 0; i < n; ++i) {
                const std::uint64_t tag = events[i].data.u64;
                if (tag == kWakeTag)
                    return;
                if (tag & kListenerTag)
                    Accept(static_cast<int>(tag & 0xffffffffu));
                else
                    Ready(static_cast<int>(tag), events[i].events);
            }
            const auto now = Clock::now();
            while (!due_.empty() && due_.top().At <= now) {
                const Due d = due_.top();
                due_.pop();
                const auto it = connections_.find(d.Socket);
                if (it != connections_.end() && it->second.Serial == d.Serial) {
                    it->second.Waiting = false;
                    Flush(it->second);
                }
            }
        }
    }

    void Stop() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_.get(), &one, sizeof one);
    }

    Counts Take() {
        const std::lock_guard lock(mutex_);
        Counts taken = counts_;
        counts_ = Counts{};
        counts_.PeakOpen = open_;
        counts_.PeakInFlight = inFlight_;
        return taken;
    }

private:
    struct Connection {
        Fd Socket;
        int Host = 0;
        std::uint64_t Serial = 0;
        std::string In;
        std::string Out;
        std::size_t Sent = 0;
        bool Waiting = false;  // a request read, its answer not yet due
        bool Writing = false;
        bool CloseAfter = false;
        bool WatchingOut = false;
    };
    struct Due {
        Clock::time_point At;
        int Socket;
        std::uint64_t Serial;
        bool operator>(const Due& other) const { return At > other.At; }
    };

    void Watch(int fd, std::uint32_t events, std::uint64_t tag, int op = EPOLL_CTL_ADD) {
        epoll_event e{};
        e.events = events;
        e.data.u64 = tag;
        if (::epoll_ctl(epoll_.get(), op, fd, &e) != 0)
            throw std::runtime_error(std::string("epoll_ctl failed: ") + std::strerror(errno));
    }

    void Accept(int host) {
        for (;;) {
            const int fd = ::accept4(listeners_[static_cast<std::size_t>(host)].get(), nullptr, nullptr,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0)
                return;
            Connection& c = connections_[fd];
            c.Socket = Fd(fd);
            c.Host = host;
            c.Serial = ++serial_;
            Watch(fd, EPOLLIN | EPOLLRDHUP, static_cast<std::uint64_t>(fd));
            const std::lock_guard lock(mutex_);
            ++counts_.Connections;
            auto& open = open_[static_cast<std::size_t>(host)];
            ++open;
            auto& peak = counts_.PeakOpen[static_cast<std::size_t>(host)];
            peak = std::max(peak, open);
        }
    }

    void Ready(int fd, std::uint32_t events) {
        const auto it = connections_.find(fd);
        if (it == connections_.end())
            return;
        Connection& c = it->second;
        if (events & EPOLLOUT && c.Writing) {
            Flush(c);
            return;
        }
        char buffer[16384];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                c.In.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                Close(c);
                return;
            }
            if (errno == EAGAIN)
                break;
        }
        if (c.In.size() > 65536) {
            Close(c);
            return;
        }
        NextRequest(c);
    }

    // Reads the next whole request head, if one has arrived, and schedules its answer.
    void NextRequest(Connection& c) {
        if (c.Waiting || c.Writing)
            return;
        const std::size_t end = c.In.find("\r\n\r\n");
        if (end == std::string::npos)
            return;
        const std::string head = c.In.substr(0, end + 2);
        c.In.erase(0, end + 4);

        const std::string_view line = std::string_view(head).substr(0, head.find("\r\n"));
        const std::size_t space1 = line.find(' ');
        const std::size_t space2 = line.rfind(' ');
        const std::string_view target = space1 == std::string_view::npos || space2 <= space1
                                            ? std::string_view{}
                                            : line.substr(space1 + 1, space2 - space1 - 1);
        const bool http10 = line.ends_with("HTTP/1.0");
        bool hasEtag = false, hasDate = false, hasConnection = false;
        const std::string_view etag = Field(head, "If-None-Match", hasEtag);
        const std::string_view date = Field(head, "If-Modified-Since", hasDate);
        const std::string_view connection = Field(head, "Connection", hasConnection);
        c.CloseAfter =
            http10 ? !StartsWithNoCase(connection, "keep-alive") : StartsWithNoCase(connection, "close");

        const int feed = FeedNumber(target, bodies_.size());
        int status = 404;
        if (feed >= 0) {
            bool current = false;
            // If-None-Match decides alone when it is there.
            if (hasEtag)
                current = etag == "*" || etag.find(FeedServer::ETag(feed)) != std::string_view::npos;
            else if (hasDate) {
                const long long since = HttpDate(date);
                current = since >= 0 && since >= lastModified_;
            }
            status = current ? 304 : 200;
        }
        const std::string close = c.CloseAfter ? "Connection: close\r\n" : "";
        if (status == 200)
            c.Out = full_[static_cast<std::size_t>(feed)] + close + "\r\n" +
                    bodies_[static_cast<std::size_t>(feed)];
        else if (status == 304)
            c.Out = notModified_[static_cast<std::size_t>(feed)] + close + "\r\n";
        else
            c.Out = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n" + close + "\r\n";
        c.Sent = 0;
        c.Waiting = true;
        c.Writing = true;
        due_.push(Due{Clock::now() + delay_, c.Socket.get(), c.Serial});

        const std::lock_guard lock(mutex_);
        ++counts_.Requests;
        counts_.IfNoneMatch += hasEtag;
        counts_.IfModifiedSince += hasDate;
        if (status == 200) {
            ++counts_.Full;
            counts_.BodyBytes += static_cast<long long>(bodies_[static_cast<std::size_t>(feed)].size());
        } else if (status == 304)
            ++counts_.NotModified;
        else
            ++counts_.Missing;
        auto& inFlight = inFlight_[static_cast<std::size_t>(c.Host)];
        ++inFlight;
        auto& peak = counts_.PeakInFlight[static_cast<std::size_t>(c.Host)];
        peak = std::max(peak, inFlight);
    }

    // Writes what the socket takes of a due answer; the next request follows
    // once it is all written.
    void Flush(Connection& c) {
        if (c.Waiting || !c.Writing)
            return;
        while (c.Sent < c.Out.size()) {
            const ssize_t n =
                ::send(c.Socket.get(), c.Out.data() + c.Sent, c.Out.size() - c.Sent, MSG_NOSIGNAL);
            if (n > 0) {
                c.Sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN) {
                if (!c.WatchingOut) {
                    Watch(c.Socket.get(), EPOLLIN | EPOLLOUT | EPOLLRDHUP,
                          static_cast<std::uint64_t>(c.Socket.get()), EPOLL_CTL_MOD);
                    c.WatchingOut = true;
                }
                return;
            }
            Close(c);
            return;
        }
        c.Writing = false;
        c.Out.clear();
        {
            const std::lock_guard lock(mutex_);
            --inFlight_[static_cast<std::size_t>(c.Host)];
        }
        if (c.CloseAfter) {
            Close(c);
            return;
        }
        if (c.WatchingOut) {
            Watch(c.Socket.get(), EPOLLIN | EPOLLRDHUP, static_cast<std::uint64_t>(c.Socket.get()),
                  EPOLL_CTL_MOD);
            c.WatchingOut = false;
        }
        NextRequest(c);
    }

    void Close(Connection& c) {
        const int fd = c.Socket.get();
        ::epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, fd, nullptr);
        {
            const std::lock_guard lock(mutex_);
            --open_[static_cast<std::size_t>(c.Host)];
            if (c.Writing)
                --inFlight_[static_cast<std::size_t>(c.Host)];
        }
        connections_.erase(fd);
    }

    std::vector<Fd> listeners_;
    std::vector<std::string> bodies_;
    std::vector<std::string> full_;         // the head of each 200 but its last line
    std::vector<std::string> notModified_;  // the head of each 304 but its last line
    long long lastModified_ = 0;
    std::chrono::milliseconds delay_;
    Fd epoll_;
    Fd wake_;
    std::unordered_map<int, Connection> connections_;
    std::priority_queue<Due, std::vector<Due>, std::greater<>> due_;
    std::uint64_t serial_ = 0;

    std::mutex mutex_;  // guards what follows, which Take reads from another thread
    Counts counts_;
    std::vector<int> open_;
    std::vector<int> inFlight_;
};

namespace {

// Listening sockets for every address at one port: the first takes a free
// port, the others that one; tried again from the start when another
// program holds that port on a later address.
std::vector<Fd> Listen(const std::vector<std::string>& addresses, int& port) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::vector<Fd> listeners;
        port = 0;
        for (const std::string& address : addresses) {
            Fd s(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            if (s.get() < 0)
                throw std::runtime_error("socket failed");
            const int yes = 1;
            ::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<std::uint16_t>(port));
            if (::inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1)
                throw std::runtime_error("not an IPv4 address: " + address);
            if (::bind(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
                if (errno == EADDRINUSE && port != 0)
                    break;
                throw std::runtime_error("cannot bind " + address + ": " + std::strerror(errno));
            }
            if (::listen(s.get(), 1024) != 0)
                throw std::runtime_error("listen failed");
            if (port == 0) {
                socklen_t length = sizeof a;
                ::getsockname(s.get(), reinterpret_cast<sockaddr*>(&a), &length);
                port = ntohs(a.sin_port);
            }
            listeners.push_back(std::move(s));
        }
        if (listeners.size() == addresses.size())
            return listeners;
    }
    throw std::runtime_error("no port free on every address");
}

}  // namespace

FeedServer::FeedServer(std::vector<std::string> addresses, std::vector<std::string> bodies,
                       std::chrono::milliseconds delay)
    : addresses_(std::move(addresses)) {
    loop_ = std::make_unique<Loop>(Listen(addresses_, port_), std::move(bodies), delay);
    thread_ = std::thread([this] { loop_->Run(); });
}

FeedServer::~FeedServer() {
    loop_->Stop();
    thread_.join();
}

std::string FeedServer::Url(int host, int feed) const {
    return "http://" + addresses_[static_cast<std::size_t>(host)] + ":" + std::to_string(port_) + "/feed/" +
           std::to_string(feed) + ".xml";
}

std::string FeedServer::ETag(int feed) { return "\"c" + std::to_string(feed) + "-v1\""; }

const char* FeedServer::LastModified() { return kLastModified; }

FeedServer::Counts FeedServer::Take() { return loop_->Take(); }

}  // namespace bench
