#include "feed/Download.h"

#include "base/Exceptions.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

constexpr size_t PieceSize = 1024;

std::string ErrorText(const char* what, const std::string& fileName, int error) {
    return std::string(what) + " \"" + fileName + "\": " + std::generic_category().message(error);
}

// The target file, opened for writing raw bytes on demand. Close reports
// what the disk reports only then; the destructor closes a file that an
// error left open.
class TargetFile {
public:
    explicit TargetFile(std::string fileName) : fileName_(std::move(fileName)) {}
    ~TargetFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    void Open() {
        do
            fd_ = ::open(fileName_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        while (fd_ < 0 && errno == EINTR);
        if (fd_ < 0)
            throw EInOutError(ErrorText("Cannot create", fileName_, errno));
    }

    void Append(const char* data, size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw EInOutError(ErrorText("Cannot write", fileName_, n < 0 ? errno : EIO));
            data += n;
            size -= static_cast<size_t>(n);
        }
    }

    // A full disk or a failing device may show only here: the data is
    // flushed first so that its failure is seen. Files that cannot be
    // synced (devices, pipes) skip that step.
    void Close() {
        int error = 0;
        if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP)
            error = errno;
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR && error == 0)
            error = errno;
        if (error != 0)
            throw EInOutError(ErrorText("Cannot close", fileName_, error));
    }

private:
    std::string fileName_;
    int fd_ = -1;
};

// Receives the body from curl. The file is created with the first byte of
// the answer's body; a failure is kept for the caller, since nothing may be
// thrown through curl.
struct BodySink {
    BodySink(TargetFile& target, std::uint64_t limit) : file(target), maxBytes(limit) {}

    TargetFile& file;
    std::uint64_t maxBytes;
    std::uint64_t received = 0;
    std::exception_ptr failure;

    // False once the body passes maxBytes: the transfer then ends as one that
    // broke off. A file that fails throws.
    bool Take(const char* data, size_t size) {
        if (!file.IsOpen())
            file.Open();
        const size_t room = static_cast<size_t>(std::min<std::uint64_t>(size, maxBytes - received));
        for (size_t done = 0; done < room; done += PieceSize)
            file.Append(data + done, std::min(PieceSize, room - done));
        received += room;
        return room == size;
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* user) {
        auto* sink = static_cast<BodySink*>(user);
        const size_t total = size * count;
        try {
            return sink->Take(data, total) ? total : CURL_WRITEFUNC_ERROR;
        } catch (...) {
            sink->failure = std::current_exception();
            return CURL_WRITEFUNC_ERROR;
        }
    }
};

struct CurlCleanup {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using CurlEasy = std::unique_ptr<CURL, CurlCleanup>;

// The executable's file name without its directory, as the user agent.
const std::string& AgentName() {
    static const std::string name = [] {
        std::error_code error;
        std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
        if (error)
            return std::string(program_invocation_short_name);
        constexpr std::string_view deleted = " (deleted)";
        if (path.ends_with(deleted))
            path.resize(path.size() - deleted.size());
        return std::filesystem::path(path).filename().string();
    }();
    return name;
}

bool CurlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

// Everything that curl does otherwise by default is set here. A refused
// option leaves the address unopened rather than fetched without its limits.
bool Configure(CURL* curl, const std::string& address, const DownloadLimits& limits,
               BodySink& sink) {
    bool ok = true;
    auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(curl, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, address.c_str());
    set(CURLOPT_USERAGENT, AgentName().c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, limits.MaxRedirects);
    set(CURLOPT_CONNECTTIMEOUT, limits.ConnectSeconds);
    // Less than a byte a second for StallSeconds ends the transfer.
    set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(CURLOPT_LOW_SPEED_TIME, limits.StallSeconds);
    // A trickle passes the stall test for ever; this bounds the whole transfer.
    set(CURLOPT_TIMEOUT, limits.TotalSeconds);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_BUFFERSIZE, static_cast<long>(PieceSize));
    set(CURLOPT_WRITEFUNCTION, &BodySink::OnBody);
    set(CURLOPT_WRITEDATA, static_cast<void*>(&sink));
    return ok;
}

} // namespace

bool DownloadFile(const std::string& address, const std::string& fileName) {
    return DownloadFile(address, fileName, DownloadLimits{});
}

bool DownloadFile(const std::string& address, const std::string& fileName,
                  const DownloadLimits& limits) {
    // The handle is released after the file, also when an error leaves here.
    CurlEasy curl(CurlReady() ? curl_easy_init() : nullptr);
    TargetFile file(fileName);
    BodySink sink(file, limits.MaxBodyBytes);
    // Whatever ends the transfer early (no connection, a cut or silent
    // answer, the size bound) is the end of the body: curl's result is not
    // needed beyond that.
    if (curl && Configure(curl.get(), address, limits, sink))
        curl_easy_perform(curl.get());
    if (sink.failure)
        std::rethrow_exception(sink.failure);
    // No body arrived: the address could not be opened, or its body is empty.
    if (!file.IsOpen())
        file.Open();
    file.Close();
    return true;
}
