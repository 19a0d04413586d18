// Copying the body at a web address into a local file.
#pragma once

#include <cstdint>
#include <string>

// Limits of one transfer. The defaults are the program's; tests shorten them.
struct DownloadLimits {
    long ConnectSeconds = 60;     // to make the connection, TLS included
    long StallSeconds = 60;       // with no byte received, once connected
    long TotalSeconds = 600;      // the whole transfer: a server that drips bytes ends too
    long MaxRedirects = 20;
    std::uint64_t MaxBodyBytes = std::uint64_t{256} << 20;  // an endless body stops here
};

// Copies the body at an http or https address into fileName, byte for byte,
// whatever the status of the answer; redirects are followed. The file is
// created or truncated once the address has been opened, before the first
// byte is written. An address that cannot be opened leaves an empty file, a
// transfer that breaks off (or passes MaxBodyBytes) leaves the bytes
// received; both still return true. A file that cannot be created, written
// or closed raises EInOutError. The result is always true.
bool DownloadFile(const std::string& address, const std::string& fileName);
bool DownloadFile(const std::string& address, const std::string& fileName,
                  const DownloadLimits& limits);
