#include "refresh/ChannelFetcher.h"

#include "feed/ChannelFetch.h"
#include "feed/UnnamedFile.h"

#include <unistd.h>

#include <charconv>
#include <ctime>

namespace {

// Thrown by the download's pulse when the refresh is cancelled.
struct TCancelled : std::runtime_error {
    TCancelled() : std::runtime_error("The refresh was cancelled") {}
};

// A 64-bit FNV-1a hash of the file's bytes, read through its descriptor.
std::int64_t BodyHash(int fd) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, at);
        if (got <= 0)
            break;
        for (ssize_t i = 0; i < got; ++i) {
            hash ^= static_cast<unsigned char>(buffer[i]);
            hash *= 0x100000001b3ull;
        }
        at += got;
    }
    // 0 stands for "no body yet".
    return hash == 0 ? 1 : static_cast<std::int64_t>(hash);
}

}  // namespace

std::int64_t RetryAfterSeconds(std::string_view field, std::int64_t now) {
    while (!field.empty() && (field.front() == ' ' || field.front() == '\t'))
        field.remove_prefix(1);
    while (!field.empty() && (field.back() == ' ' || field.back() == '\r' || field.back() == '\n'))
        field.remove_suffix(1);
    if (field.empty())
        return -1;
    std::int64_t seconds = 0;
    if (const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), seconds);
        error == std::errc() && end == field.data() + field.size())
        return seconds < 0 ? -1 : seconds;
    // An HTTP date: "Wed, 21 Oct 2026 07:28:00 GMT".
    std::tm when{};
    const std::string text(field);
    if (!::strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &when))
        return -1;
    const std::int64_t at = ::timegm(&when);
    return at > now ? at - now : 0;
}

TChannelFetcher MakeChannelFetcher(std::string tempDir, TShortDateFormat format, DownloadLimits limits) {
    return [tempDir = std::move(tempDir), format,
            limits](const std::string& address, const TChannelValidators& known,
                    const std::function<bool()>& cancelled, TFetchedChannel& fetched) {
        const TUnnamedFile body(tempDir);
        DownloadOptions options;
        options.Limits = limits;
        options.Fd = body.Fd();
        options.IfNoneMatch = known.ETag;
        options.IfModifiedSince = known.LastModified;
        TAnswerInfo answer;
        options.Answer = &answer;
        options.Pulse = [&cancelled](std::uint64_t) {
            if (cancelled())
                throw TCancelled();
        };
        std::string read;
        try {
            // A site's page gives the feed it links to.
            read = DownloadFeedFile(address, body.Path(), options);
        } catch (const EHttpStatus& e) {
            const std::int64_t rest = RetryAfterSeconds(answer.RetryAfter, StoreNow());
            if ((answer.Status == 429 || answer.Status == 503) && rest >= 0)
                throw ERestHost(e.what(), rest);
            throw;
        }
        if (read != address)
            fetched.FoundAt = answer.MovedTo.empty() ? read : answer.MovedTo;
        else
            fetched.MovedTo = answer.MovedTo;
        fetched.Validators.ETag = answer.ETag;
        fetched.Validators.LastModified = answer.LastModified;
        if (answer.Status == 304) {
            // What a 304 leaves out stays as it was.
            if (fetched.Validators.ETag.empty())
                fetched.Validators.ETag = known.ETag;
            if (fetched.Validators.LastModified.empty())
                fetched.Validators.LastModified = known.LastModified;
            fetched.Validators.BodyHash = known.BodyHash;
            fetched.Unchanged = true;
            return;
        }
        fetched.Validators.BodyHash = BodyHash(body.Fd());
        if (fetched.Validators.BodyHash == known.BodyHash) {
            fetched.Unchanged = true;
            return;
        }
        fetched.Format = ReadChannelFile(body.Path(), fetched.Channel, format);
    };
}
