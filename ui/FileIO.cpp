#include "ui/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closing may report a late write failure, so it is checked once.
    bool Close() {
        if (fd_ < 0)
            return true;
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// A new file that is removed again unless it was put in place.
class TempFile {
public:
    explicit TempFile(const std::string& target) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && !fd_.Valid(); ++attempt) {
            path_ = target + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            fd_.Reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (!fd_.Valid() && errno != EEXIST)
                break;
        }
        created_ = fd_.Valid();
    }
    ~TempFile() {
        fd_.Close();
        if (created_ && !placed_)
            ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool created() const { return created_; }
    int fd() const { return fd_.Get(); }
    bool Close() { return fd_.Close(); }
    bool PutInPlaceOf(const std::string& target) {
        placed_ = ::rename(path_.c_str(), target.c_str()) == 0;
        return placed_;
    }

private:
    std::string path_;
    FileDescriptor fd_;
    bool created_ = false;
    bool placed_ = false;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid())
        return false;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            bytes.clear();
            return false;
        }
        if (n == 0)
            return true;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes) {
    std::string target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
        if (!resolved)
            return false;
        target = resolved.get();
    }

    struct stat old {};
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        return false;
    if (exists) {
        if (!S_ISREG(old.st_mode))
            return false;
        // Only a file the user may write is replaced; opening it changes nothing.
        FileDescriptor probe(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        if (!probe.Valid())
            return false;
    }

    TempFile temp(target);
    if (!temp.created())
        return false;
    if (exists)
        (void)::fchmod(temp.fd(), old.st_mode & 07777);
    if (!WriteAll(temp.fd(), bytes) || ::fsync(temp.fd()) != 0 || !temp.Close())
        return false;
    if (!temp.PutInPlaceOf(target))
        return false;
    // The new name is durable once the directory is flushed too.
    FileDescriptor dir(::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid())
        ::fsync(dir.Get());
    return true;
}
