#include "feed/Download.h"

#include "base/Exceptions.h"
#include "base/ExecutablePath.h"
#include "base/NewFiles.h"
#include "xml/NameKey.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr size_t PieceSize = 1024;

std::string ErrorText(const char* what, const std::string& fileName, int error) {
    return std::string(what) + " \"" + fileName + "\": " + std::generic_category().message(error);
}

// The target file. The body is written into a new file beside it, which
// takes the target's place once it is complete: a symbolic link or a pipe
// at the target is replaced, never written through or waited on. Close
// reports what the disk reports only then; the destructor removes a new
// file that an error left unplaced.
class TargetFile {
public:
    TargetFile(std::string fileName, bool inPlace, int fd)
        : fileName_(std::move(fileName)), inPlace_(inPlace || fd >= 0), givenFd_(fd) {}
    ~TargetFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!newName_.empty())
            ::unlink(newName_.c_str());
    }
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    void Open() {
        if (givenFd_ >= 0) {
            // A descriptor of the caller's own: this one is closed here.
            fd_ = ::fcntl(givenFd_, F_DUPFD_CLOEXEC, 0);
            if (fd_ < 0 || ::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0)
                throw EInOutError(ErrorText("Cannot create", fileName_, errno));
            return;
        }
        if (inPlace_) {
            do
                fd_ = ::open(fileName_.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
            while (fd_ < 0 && errno == EINTR);
            if (fd_ < 0)
                throw EInOutError(ErrorText("Cannot create", fileName_, errno));
            return;
        }
        struct stat old {};
        if (::lstat(fileName_.c_str(), &old) == 0) {
            if (S_ISDIR(old.st_mode))
                throw EInOutError(ErrorText("Cannot create", fileName_, EISDIR));
            // A device is no place for a download, and as root its node
            // would be replaced.
            if (S_ISCHR(old.st_mode) || S_ISBLK(old.st_mode) || S_ISSOCK(old.st_mode))
                throw EInOutError(ErrorText("Cannot create", fileName_, EEXIST));
        }
        std::string name;
        do
            fd_ = CreateNewFileBeside(fileName_, name);
        while (fd_ < 0 && errno == EINTR);
        if (fd_ < 0)
            throw EInOutError(ErrorText("Cannot create", fileName_, errno));
        newName_ = name;
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
    // flushed first so that its failure is seen. Then the new file takes
    // the target's place.
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
        if (!inPlace_ && ::rename(newName_.c_str(), fileName_.c_str()) != 0)
            throw EInOutError(ErrorText("Cannot create", fileName_, errno));
        newName_.clear();
    }

private:
    std::string fileName_;
    std::string newName_;  // the new file until it is in place
    bool inPlace_;
    int givenFd_;
    int fd_ = -1;
};

// "HTTP/1.1 404 Not Found" gives "404 Not Found"; a status line without its
// phrase (HTTP/2 has none) gets the usual one.
std::string StatusText(long code, std::string_view statusLine) {
    std::string text = std::to_string(code);
    // The phrase follows the second space of the line.
    const std::size_t first = statusLine.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : statusLine.find(' ', first + 1);
    std::string_view phrase;
    if (second != std::string_view::npos) {
        phrase = statusLine.substr(second + 1);
        while (!phrase.empty() && (phrase.back() == '\r' || phrase.back() == '\n' || phrase.back() == ' '))
            phrase.remove_suffix(1);
    }
    if (phrase.empty()) {
        static const std::pair<long, const char*> usual[] = {
            {300, "Multiple Choices"},    {304, "Not Modified"},
            {400, "Bad Request"},         {401, "Unauthorized"},
            {403, "Forbidden"},           {404, "Not Found"},
            {405, "Method Not Allowed"},  {406, "Not Acceptable"},
            {408, "Request Timeout"},     {410, "Gone"},
            {429, "Too Many Requests"},   {500, "Internal Server Error"},
            {501, "Not Implemented"},     {502, "Bad Gateway"},
            {503, "Service Unavailable"}, {504, "Gateway Timeout"},
        };
        for (const auto& [number, words] : usual)
            if (number == code)
                phrase = words;
    }
    if (!phrase.empty()) {
        text += ' ';
        text += phrase;
    }
    return text;
}

// What the last answer's header says (with redirects, the final one's).
struct AnswerHeader {
    std::string StatusLine;
    std::string ContentEncoding;
    std::string ETag;
    std::string LastModified;
    std::string RetryAfter;
    // The status of each answer, redirects first (interim 1xx left out).
    std::vector<long> Codes;
};

// The value of a field "name: value", trimmed; nullopt for another field.
std::optional<std::string_view> FieldValue(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line[name.size()] != ':' ||
        !SameNameKey(line.substr(0, name.size()), name))
        return std::nullopt;
    line.remove_prefix(name.size() + 1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
        line.remove_suffix(1);
    return line;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    const size_t total = size * count;
    const std::string_view line(data, total);
    auto* header = static_cast<AnswerHeader*>(user);
    // A validator longer than this is no validator worth sending back.
    constexpr std::size_t kLongestValue = 1024;
    if (line.starts_with("HTTP/")) {
        header->StatusLine.assign(line);
        header->ContentEncoding.clear();
        header->ETag.clear();
        header->LastModified.clear();
        header->RetryAfter.clear();
        const std::size_t space = line.find(' ');
        const long code =
            space == std::string_view::npos ? 0 : std::atol(std::string(line.substr(space + 1, 3)).c_str());
        if (code >= 200)
            header->Codes.push_back(code);
    } else if (const auto encoding = FieldValue(line, "content-encoding")) {
        header->ContentEncoding.assign(*encoding);
    } else if (const auto etag = FieldValue(line, "etag"); etag && etag->size() <= kLongestValue) {
        header->ETag.assign(*etag);
    } else if (const auto modified = FieldValue(line, "last-modified");
               modified && modified->size() <= kLongestValue) {
        header->LastModified.assign(*modified);
    } else if (const auto retry = FieldValue(line, "retry-after"); retry && retry->size() <= kLongestValue) {
        header->RetryAfter.assign(*retry);
    }
    return total;
}

struct CurlListFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// The request's conditional fields; a validator with a line break in it
// (no server sends one) is not sent.
CurlList ConditionalFields(const DownloadOptions& options) {
    CurlList fields;
    const auto add = [&fields](const char* name, const std::string& value) {
        if (value.empty() || value.find_first_of("\r\n") != std::string::npos)
            return;
        curl_slist* longer = curl_slist_append(fields.get(), (std::string(name) + ": " + value).c_str());
        if (longer) {
            (void)fields.release();
            fields.reset(longer);
        }
    };
    add("If-None-Match", options.IfNoneMatch);
    add("If-Modified-Since", options.IfModifiedSince);
    return fields;
}

// "256 MB" for a size in whole mebibytes, else the bytes.
std::string SizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
    return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MB" : std::to_string(bytes) + " bytes";
}

// Receives the body from curl. The file is created with the first byte of
// the answer's body; a failure is kept for the caller, since nothing may be
// thrown through curl.
struct BodySink {
    BodySink(TargetFile& target, std::uint64_t limit) : file(target), maxBytes(limit) {}

    TargetFile& file;
    std::uint64_t maxBytes;
    CURL* curl = nullptr;
    std::uint64_t received = 0;
    std::exception_ptr failure;
    bool httpError = false;  // the answer's status is 400 or more
    bool capped = false;     // the body went past maxBytes

    // False once the body passes maxBytes: the transfer then ends as one that
    // broke off. A file that fails throws.
    bool Take(const char* data, size_t size) {
        // An error answer's body is no feed: the transfer stops before the
        // file is touched.
        if (httpError)
            return false;
        if (!file.IsOpen())
            file.Open();
        const size_t room = static_cast<size_t>(std::min<std::uint64_t>(size, maxBytes - received));
        for (size_t done = 0; done < room; done += PieceSize)
            file.Append(data + done, std::min(PieceSize, room - done));
        received += room;
        capped = room != size;
        return !capped;
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* user) {
        auto* sink = static_cast<BodySink*>(user);
        const size_t total = size * count;
        if (sink->curl && !sink->httpError) {
            long code = 0;
            curl_easy_getinfo(sink->curl, CURLINFO_RESPONSE_CODE, &code);
            sink->httpError = code >= 400;
        }
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

// A multi handle running one easy handle; it lets go of the easy handle
// before it is cleaned up itself.
class CurlMulti {
public:
    explicit CurlMulti(CURL* easy) : multi_(curl_multi_init()), easy_(easy) {
        added_ = multi_ && curl_multi_add_handle(multi_, easy_) == CURLM_OK;
    }
    ~CurlMulti() {
        if (added_)
            curl_multi_remove_handle(multi_, easy_);
        if (multi_)
            curl_multi_cleanup(multi_);
    }
    CurlMulti(const CurlMulti&) = delete;
    CurlMulti& operator=(const CurlMulti&) = delete;

    // Runs the transfer to its end, calling pulse between waits of at most
    // a tenth of a second. The result is the transfer's own.
    CURLcode Run(const std::function<void()>& pulse) {
        if (!added_)
            return CURLE_FAILED_INIT;
        int running = 1;
        while (running) {
            if (curl_multi_perform(multi_, &running) != CURLM_OK)
                return CURLE_FAILED_INIT;
            if (running && curl_multi_poll(multi_, nullptr, 0, 100, nullptr) != CURLM_OK)
                return CURLE_FAILED_INIT;
            if (pulse)
                pulse();
        }
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left))
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy_)
                return message->data.result;
        return CURLE_OK;
    }

private:
    CURLM* multi_;
    CURL* easy_;
    bool added_ = false;
};

// The executable's file name without its directory, as the user agent.
const std::string& AgentName() {
    static const std::string name = [] {
        const std::string path = ExecutablePath();
        if (path.empty())
            return std::string(program_invocation_short_name);
        return path.substr(path.rfind('/') + 1);
    }();
    return name;
}

bool CurlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

bool IsSecureAddress(std::string_view address) {
    return address.size() >= 8 && SameNameKey(address.substr(0, 8), "https://");
}

// Why a transfer that ended early left no feed, whatever arrived before:
// the reason for curl's result where curl's own words would mislead; ""
// where they say it well.
std::string UnusableBodyReason(const std::string& address, CURLcode result, const BodySink& sink,
                               const AnswerHeader& header) {
    if (sink.capped)
        return "The feed is larger than " + SizeText(sink.maxBytes);
    if (result == CURLE_UNSUPPORTED_PROTOCOL && IsSecureAddress(address))
        return "The server redirected a secure address to an insecure one";
    if ((result == CURLE_BAD_CONTENT_ENCODING || result == CURLE_WRITE_ERROR) &&
        !header.ContentEncoding.empty())
        return "The server's compression (" + header.ContentEncoding + ") is not supported";
    // An address (or a redirect's) longer than curl takes.
    if (result == CURLE_OUT_OF_MEMORY)
        return "The address is too long";
    return {};
}

// Everything that curl does otherwise by default is set here. A refused
// option leaves the address unopened rather than fetched without its limits.
bool Configure(CURL* curl, const std::string& address, const DownloadLimits& limits, BodySink& sink,
               AnswerHeader& header) {
    bool ok = true;
    auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(curl, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, address.c_str());
    set(CURLOPT_USERAGENT, AgentName().c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    // A secure address is never followed to a plain one.
    set(CURLOPT_REDIR_PROTOCOLS_STR, IsSecureAddress(address) ? "https" : "http,https");
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
    set(CURLOPT_HEADERFUNCTION, &OnHeader);
    set(CURLOPT_HEADERDATA, static_cast<void*>(&header));
    // Every encoding this libcurl decodes (gzip and deflate at least).
    set(CURLOPT_ACCEPT_ENCODING, "");
    // A private authority is trusted as OpenSSL's own tools trust it.
    if (const char* file = std::getenv("SSL_CERT_FILE"); file && *file)
        set(CURLOPT_CAINFO, file);
    if (const char* dir = std::getenv("SSL_CERT_DIR"); dir && *dir)
        set(CURLOPT_CAPATH, dir);
    return ok;
}

}  // namespace

bool IsWebAddress(std::string_view address) {
    const auto hasScheme = [address](std::string_view scheme) {
        return address.size() >= scheme.size() + 3 && address.substr(scheme.size(), 3) == "://" &&
               SameNameKey(address.substr(0, scheme.size()), scheme);
    };
    return hasScheme("http") || hasScheme("https");
}

bool DownloadFile(const std::string& address, const std::string& fileName) {
    return DownloadFile(address, fileName, DownloadOptions{});
}

bool DownloadFile(const std::string& address, const std::string& fileName, const DownloadLimits& limits) {
    DownloadOptions options;
    options.Limits = limits;
    return DownloadFile(address, fileName, options);
}

bool DownloadFile(const std::string& address, const std::string& fileName, const DownloadOptions& options) {
    // Whatever ends the transfer early (no connection, a cut or silent
    // answer, the size bound) is the end of the body; why it ended is only
    // told to a caller that asks. The handle outlives the file and is
    // outlived by its error buffer, also when an error leaves here.
    char reason[CURL_ERROR_SIZE] = {};
    CurlEasy curl(CurlReady() ? curl_easy_init() : nullptr);
    TargetFile file(fileName, options.InPlace, options.Fd);
    BodySink sink(file, options.Limits.MaxBodyBytes);
    sink.curl = curl.get();
    AnswerHeader header;
    const CurlList conditions = ConditionalFields(options);
    CURLcode result = CURLE_FAILED_INIT;
    if (curl && Configure(curl.get(), address, options.Limits, sink, header) &&
        curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, reason) == CURLE_OK &&
        (!conditions || curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, conditions.get()) == CURLE_OK)) {
        CurlMulti transfer(curl.get());
        result = transfer.Run([&options, &sink] {
            if (options.Pulse)
                options.Pulse(sink.received);
        });
    }
    if (sink.failure)
        std::rethrow_exception(sink.failure);
    long code = 0;
    if (curl)
        curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &code);
    if (options.Answer) {
        TAnswerInfo& answer = *options.Answer;
        answer = {};
        answer.Status = code;
        answer.ETag = header.ETag;
        answer.LastModified = header.LastModified;
        answer.RetryAfter = header.RetryAfter;
        const bool permanent =
            header.Codes.size() >= 2 && std::all_of(header.Codes.begin(), header.Codes.end() - 1,
                                                    [](long hop) { return hop == 301 || hop == 308; });
        char* effective = nullptr;
        if (permanent && curl_easy_getinfo(curl.get(), CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
            effective)
            answer.MovedTo = effective;
        char* type = nullptr;
        if (curl && curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
            answer.ContentType = type;
        effective = nullptr;
        answer.FinalAddress = address;
        if (curl && curl_easy_getinfo(curl.get(), CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
            effective)
            answer.FinalAddress = effective;
    }
    if (code >= 400)
        throw EHttpStatus("The server answered " + StatusText(code, header.StatusLine));
    // A 304 to the validators the caller sent: nothing new, and no failure.
    const bool conditional = !options.IfNoneMatch.empty() || !options.IfModifiedSince.empty();
    if (result == CURLE_OK && code == 304 && conditional) {
        if (options.Failure)
            options.Failure->clear();
        if (!file.IsOpen())
            file.Open();
        file.Close();
        return true;
    }
    // A final answer that is a redirect not followed, or a 304 that nobody
    // asked for, brings no feed.
    if (result == CURLE_OK && code >= 300)
        throw EHttpStatus("The server answered " + StatusText(code, header.StatusLine));
    const std::string unusable =
        result == CURLE_OK ? std::string() : UnusableBodyReason(address, result, sink, header);
    if (options.BodyUnusable)
        *options.BodyUnusable = !unusable.empty();
    if (options.Failure) {
        if (result == CURLE_OK)
            options.Failure->clear();
        else
            *options.Failure = !unusable.empty() ? unusable : reason[0] ? reason : curl_easy_strerror(result);
    }
    // No body arrived: the address could not be opened, or its body is empty.
    if (!file.IsOpen())
        file.Open();
    file.Close();
    return true;
}
