// Copying the body at a web address into a local file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/Exceptions.h"

// Limits of one transfer. The defaults are the program's; tests shorten them.
struct DownloadLimits {
    long ConnectSeconds = 60;  // to make the connection, TLS included
    long StallSeconds = 60;    // with no byte received, once connected
    long TotalSeconds = 600;   // the whole transfer: a server that drips bytes ends too
    long MaxRedirects = 20;
    std::uint64_t MaxBodyBytes = std::uint64_t{256} << 20;  // an endless body stops here
};

// What the final answer said of itself, for a caller that keeps it.
struct TAnswerInfo {
    long Status = 0;
    // Its validators, sent back on the next request; "" when it gave none.
    std::string ETag;
    std::string LastModified;
    // Its Retry-After field as written (a 429 or 503 asks for rest so).
    std::string RetryAfter;
    // The address it came from when the request was redirected and every
    // redirect was permanent (301, 308); else "".
    std::string MovedTo;
    // Its Content-Type ("" without one), and the address it came from at
    // last, after any redirects.
    std::string ContentType;
    std::string FinalAddress;
};

// What a caller may add to a transfer besides its limits.
struct DownloadOptions {
    DownloadLimits Limits;
    // Called several times a second while the transfer runs or waits, with
    // the count of body bytes received so far, so that a window can repaint
    // and show the progress meanwhile. What it throws ends the transfer and
    // leaves DownloadFile once everything is released, fileName as it was.
    std::function<void(std::uint64_t received)> Pulse;
    // Receives why the transfer ended early (curl's words: a refused
    // connection, a time-out, a name not resolved), or stays empty.
    std::string* Failure = nullptr;
    // Set when that failure makes what arrived no feed, whatever its size:
    // a body cut at MaxBodyBytes, a compression that is not understood, a
    // secure address redirected to a plain one, an address too long.
    bool* BodyUnusable = nullptr;
    // Writes into fileName itself instead of a new file put in its place:
    // for a file the caller has just made for the download.
    bool InPlace = false;
    // Writes into this open file (from its start, truncating it) instead of
    // fileName: for an unnamed file, which nothing can leave behind.
    int Fd = -1;
    // Sent as If-None-Match and If-Modified-Since when not empty. A 304 to
    // them is no failure: the file is left empty and Answer says 304.
    std::string IfNoneMatch;
    std::string IfModifiedSince;
    // Receives what the final answer said of itself, also when it fails.
    TAnswerInfo* Answer = nullptr;
};

// Copies the body at an http or https address into fileName; redirects are
// followed, a compressed body (gzip, deflate) is stored decompressed and
// MaxBodyBytes counts its decompressed bytes. Certificates are verified
// against the system's store, or against SSL_CERT_FILE and SSL_CERT_DIR when
// they are set. A final answer of 400 or more raises Exception "The server
// answered 404 Not Found" (EHttpStatus) and leaves fileName as it was; so
// does a final answer of 300 to 399 (a 304 nobody asked for, a redirect
// without a place to go). A redirect from https to http is not followed. The body goes
// into a new file beside fileName that then takes its place: whatever stood
// there (a file, a symbolic link, a pipe) is replaced, never written
// through, and a directory or device there is an error. An address that
// cannot be opened leaves an empty file, a transfer that breaks off (or
// passes MaxBodyBytes) leaves the bytes received; both still return true. A
// file that cannot be created, written or closed raises EInOutError, and
// fileName keeps what it held. The result is always true.
bool DownloadFile(const std::string& address, const std::string& fileName);

// The failure of a final answer of 400 or more.
class EHttpStatus : public Exception {
public:
    using Exception::Exception;
};

// True for an address whose scheme is "http" or "https", in any letter case.
bool IsWebAddress(std::string_view address);
bool DownloadFile(const std::string& address, const std::string& fileName, const DownloadLimits& limits);
bool DownloadFile(const std::string& address, const std::string& fileName, const DownloadOptions& options);
