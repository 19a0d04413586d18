// An unnamed file for a download: whatever ends the program (a signal, a
// kill, a crash), nothing is left behind. Read and written through its
// descriptor; "/proc/self/fd/N" names it for reading.
#pragma once

#include "base/Exceptions.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

class TUnnamedFile {
public:
    explicit TUnnamedFile(const std::string& dir) {
        fd_ = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            // A file system without O_TMPFILE: a named file, unlinked at once.
            std::string name = dir + "/nemara-XXXXXX";
            fd_ = ::mkostemp(name.data(), O_CLOEXEC);
            if (fd_ >= 0)
                ::unlink(name.c_str());
        }
        if (fd_ < 0)
            throw EInOutError("Cannot create a temporary file in " + dir);
    }
    ~TUnnamedFile() { ::close(fd_); }
    TUnnamedFile(const TUnnamedFile&) = delete;
    TUnnamedFile& operator=(const TUnnamedFile&) = delete;

    int Fd() const { return fd_; }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};
