// An HTTP server on 127.0.0.1 for tests: it listens on a free port, answers
// from a script of paths in its own thread, and records every request.
// Connections are served one at a time and closed after each answer.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

class TestHttpServer {
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    struct Request {
        std::string Line;  // the request line, e.g. "GET /feed HTTP/1.1"
        std::string Method;
        std::string Target;
        Headers Fields;
        // The value of the first field of that name (case-insensitive), or
        // "" when there is none.
        std::string Header(std::string_view name) const;
        bool HasHeader(std::string_view name) const;
    };

    enum class Ending {
        Complete,  // the whole body, with its Content-Length
        Cut,       // Content-Length announces more than Body; closes after Body
        Silent,    // reads the request, sends nothing until the client leaves
        Endless,   // a body without length that never ends
        Reset,     // like Cut, but the connection ends with a reset (RST)
        Drip,      // a body without length, one byte every 50 ms for ever
    };

    struct Response {
        int Status = 200;
        std::string Reason = "OK";
        Headers Fields;
        std::string Body;
        Ending End = Ending::Complete;
        std::size_t CutLength = 0;  // the Content-Length announced when Cut or Reset
        int DelayMs = 0;            // a pause before the answer begins
    };

    // Binds and starts listening; throws std::runtime_error when it cannot.
    TestHttpServer();
    // Stops the thread, leaving any connection it is serving.
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string Url(std::string_view path) const;

    // Targets are matched exactly as the request line gives them; a target
    // without a script gets a 404 page.
    void Script(std::string target, Response response);
    void Serve(std::string target, int status, std::string body, Headers fields = {});
    void Redirect(std::string target, std::string location, int status = 302);
    void Cut(std::string target, std::string sent, std::size_t announcedLength);
    void Reset(std::string target, std::string sent, std::size_t announcedLength);
    void StaySilent(std::string target);
    void SendEndless(std::string target);
    void Drip(std::string target);

    std::vector<Request> Requests() const;

    // A file descriptor, closed with its owner.
    class Fd {
    public:
        explicit Fd(int fd = -1) : fd_(fd) {}
        ~Fd();
        Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
        Fd& operator=(Fd&& other) noexcept {
            std::swap(fd_, other.fd_);
            return *this;
        }
        int get() const { return fd_; }

    private:
        int fd_;
    };

private:
    void Run();
    void Handle(int client);
    Response Answer(const std::string& target) const;

    Fd listener_;
    Fd wakeRead_;  // readable once the server is to stop
    Fd wakeWrite_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, Response, std::less<>> script_;
    std::vector<Request> requests_;
    std::thread thread_;
};
