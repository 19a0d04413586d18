#include "support/TestHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::size_t MaxRequestHead = 64 * 1024;
constexpr int LingerMilliseconds = 2000;

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string("TestHttpServer: ") + what + ": " + std::strerror(errno));
}

// Waits until fd is ready for events or the stop pipe is readable (or the
// timeout passes). True only when fd is ready.
bool WaitFor(int fd, short events, int stop, int timeoutMs = -1) {
    pollfd fds[2] = {{fd, events, 0}, {stop, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || (fds[1].revents & POLLIN))
            return false;
        return fds[0].revents != 0;
    }
}

bool SendAll(int fd, std::string_view data, int stop) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitFor(fd, POLLOUT, stop))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// Reads until the peer closes, an error, the stop pipe or the timeout;
// whatever arrives is dropped.
void Drain(int fd, int stop, int timeoutMs) {
    char buffer[4096];
    while (WaitFor(fd, POLLIN, stop, timeoutMs)) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return;
    }
}

std::string Head(const TestHttpServer::Response& r, bool withLength, std::size_t length) {
    std::string head = "HTTP/1.1 " + std::to_string(r.Status) + " " + r.Reason + "\r\n";
    for (const auto& [name, value] : r.Fields)
        head += name + ": " + value + "\r\n";
    if (withLength)
        head += "Content-Length: " + std::to_string(length) + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head;
}

}  // namespace

TestHttpServer::Fd::~Fd() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string TestHttpServer::Request::Header(std::string_view name) const {
    for (const auto& [field, value] : Fields)
        if (SameName(field, name))
            return value;
    return {};
}

bool TestHttpServer::Request::HasHeader(std::string_view name) const {
    for (const auto& field : Fields)
        if (SameName(field.first, name))
            return true;
    return false;
}

TestHttpServer::TestHttpServer() {
    listener_ = Fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (listener_.get() < 0)
        Fail("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        Fail("bind");
    if (::listen(listener_.get(), 16) != 0)
        Fail("listen");
    socklen_t size = sizeof address;
    if (::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        Fail("getsockname");
    port_ = ntohs(address.sin_port);
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
        Fail("pipe2");
    wakeRead_ = Fd(wake[0]);
    wakeWrite_ = Fd(wake[1]);
    thread_ = std::thread([this] { Run(); });
}

TestHttpServer::~TestHttpServer() {
    const char stop = 's';
    while (::write(wakeWrite_.get(), &stop, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
}

std::string TestHttpServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void TestHttpServer::Script(std::string target, Response response) {
    std::lock_guard lock(mutex_);
    script_[std::move(target)] = std::move(response);
}

void TestHttpServer::Serve(std::string target, int status, std::string body, Headers fields) {
    Response r;
    r.Status = status;
    r.Reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Status";
    r.Fields = std::move(fields);
    r.Body = std::move(body);
    Script(std::move(target), std::move(r));
}

void TestHttpServer::Redirect(std::string target, std::string location, int status) {
    Response r;
    r.Status = status;
    r.Reason = "Moved";
    r.Fields = {{"Location", std::move(location)}};
    r.Body = "moved";
    Script(std::move(target), std::move(r));
}

void TestHttpServer::Cut(std::string target, std::string sent, std::size_t announcedLength) {
    Response r;
    r.Body = std::move(sent);
    r.End = Ending::Cut;
    r.CutLength = announcedLength;
    Script(std::move(target), std::move(r));
}

void TestHttpServer::Reset(std::string target, std::string sent, std::size_t announcedLength) {
    Response r;
    r.Body = std::move(sent);
    r.End = Ending::Reset;
    r.CutLength = announcedLength;
    Script(std::move(target), std::move(r));
}

void TestHttpServer::StaySilent(std::string target) {
    Response r;
    r.End = Ending::Silent;
    Script(std::move(target), std::move(r));
}

void TestHttpServer::SendEndless(std::string target) {
    Response r;
    r.End = Ending::Endless;
    Script(std::move(target), std::move(r));
}

void TestHttpServer::Drip(std::string target) {
    Response r;
    r.End = Ending::Drip;
    Script(std::move(target), std::move(r));
}

std::vector<TestHttpServer::Request> TestHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

TestHttpServer::Response TestHttpServer::Answer(const std::string& target) const {
    std::lock_guard lock(mutex_);
    const auto it = script_.find(target);
    if (it != script_.end())
        return it->second;
    Response r;
    r.Status = 404;
    r.Reason = "Not Found";
    r.Body = "<html><body>Not Found</body></html>";
    return r;
}

void TestHttpServer::Run() {
    const int stop = wakeRead_.get();
    while (WaitFor(listener_.get(), POLLIN, stop)) {
        Fd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (client.get() >= 0)
            Handle(client.get());
    }
}

void TestHttpServer::Handle(int client) {
    const int stop = wakeRead_.get();
    std::string head;
    std::size_t end;
    while ((end = head.find("\r\n\r\n")) == std::string::npos) {
        if (head.size() > MaxRequestHead || !WaitFor(client, POLLIN, stop))
            return;
        char buffer[4096];
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return;
        if (n > 0)
            head.append(buffer, static_cast<std::size_t>(n));
    }
    head.resize(end);

    Request request;
    std::size_t lineEnd = head.find("\r\n");
    request.Line = head.substr(0, lineEnd);
    const std::size_t space1 = request.Line.find(' ');
    const std::size_t space2 = request.Line.find(' ', space1 + 1);
    request.Method = request.Line.substr(0, space1);
    if (space1 != std::string::npos)
        request.Target = request.Line.substr(space1 + 1, space2 - space1 - 1);
    while (lineEnd != std::string::npos) {
        const std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string_view line = std::string_view(head).substr(
            start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos)
            request.Fields.emplace_back(std::string(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    }
    const Response response = Answer(request.Target);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(std::move(request));
    }
    if (response.DelayMs > 0) {
        pollfd pause{stop, POLLIN, 0};
        if (::poll(&pause, 1, response.DelayMs) != 0)
            return;
    }

    switch (response.End) {
    case Ending::Complete:
        if (!SendAll(client, Head(response, true, response.Body.size()) + response.Body, stop))
            return;
        break;
    case Ending::Cut:
        if (!SendAll(client, Head(response, true, response.CutLength) + response.Body, stop))
            return;
        break;
    case Ending::Reset: {
        if (!SendAll(client, Head(response, true, response.CutLength) + response.Body, stop))
            return;
        // A zero linger time makes the close send RST instead of FIN.
        const linger abort{1, 0};
        ::setsockopt(client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        return;
    }
    case Ending::Drip:
        if (!SendAll(client, Head(response, false, 0), stop))
            return;
        {
            // Waiting on the stop pipe is the pause between bytes.
            pollfd pause{stop, POLLIN, 0};
            while (SendAll(client, "x", stop) && ::poll(&pause, 1, 50) == 0) {
            }
            return;
        }
    case Ending::Silent:
        Drain(client, stop, -1);
        return;
    case Ending::Endless: {
        if (!SendAll(client, Head(response, false, 0), stop))
            return;
        const std::string chunk(64 * 1024, 'x');
        while (SendAll(client, chunk, stop)) {
        }
        return;
    }
    }
    // Closing while the client still sends would reset the connection and
    // could lose the answer on its way: let the client close first.
    ::shutdown(client, SHUT_WR);
    Drain(client, stop, LingerMilliseconds);
}
