#include "ui/FileIO.h"

#include "base/NewFiles.h"
#include "base/Paths.h"

#include "base/ExecutablePath.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

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
        fd_.Reset(CreateNewFileBeside(target, path_));
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
    const std::string& Path() const { return path_; }
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

// The file a link at path names, or path itself.
bool ResolveLink(const std::string& path, std::string& target) {
    target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
        if (!resolved)
            return false;
        target = resolved.get();
    }
    return true;
}

bool CopyFile(const std::string& from, int to) {
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!in.Valid())
        return false;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!WriteAll(to, std::string_view(buffer, static_cast<std::size_t>(n))))
            return false;
    }
}

}  // namespace

TReadOutcome ReadFileBytes(const std::string& path, std::size_t maxBytes, std::string& bytes) {
    bytes.clear();
    // Opening a pipe without O_NONBLOCK waits for a writer.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid())
        return errno == ENOENT ? TReadOutcome::roMissing : TReadOutcome::roRefused;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        return TReadOutcome::roRefused;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        // A file that grows past the bound while it is read is refused too.
        if (n < 0 || bytes.size() + static_cast<std::size_t>(std::max<ssize_t>(n, 0)) > maxBytes) {
            bytes.clear();
            bytes.shrink_to_fit();
            return TReadOutcome::roRefused;
        }
        if (n == 0)
            return TReadOutcome::roRead;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes) {
    std::string target;
    if (!ResolveLink(path, target))
        return false;

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
    if (!temp.created()) {
        // A folder the user may not write, a file he may: the file is
        // written in place, not atomically, since nothing else can be done.
        if (!exists || (errno != EACCES && errno != EPERM))
            return false;
        FileDescriptor file(::open(target.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC));
        return file.Valid() && WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0 && file.Close();
    }
    if (exists) {
        (void)::fchmod(temp.fd(), old.st_mode & 07777);
        // Run as root, the program keeps the file its owner's.
        // A failure leaves the file root's, as it would be without this.
        if (::geteuid() == 0 && (old.st_uid != 0 || old.st_gid != 0) &&
            ::fchown(temp.fd(), old.st_uid, old.st_gid) != 0) {
        }
    }
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

bool KeepBackup(const std::string& path, const std::string& backupPath) {
    std::string target;
    if (!ResolveLink(path, target))
        return true;  // a dangling link: nothing to keep
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return true;
    // A file of its own, never a second name of the same file: the list is
    // often rewritten in place (an editor, a shell's ">"), which would
    // change both names at once. Where the file system can share the
    // blocks (a clone) the copy costs nothing until one of them changes.
    TempFile temp(backupPath);
    if (!temp.created())
        return false;
    (void)::fchmod(temp.fd(), st.st_mode & 0777);
    bool copied = false;
    {
        FileDescriptor in(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        copied = in.Valid() && ::ioctl(temp.fd(), FICLONE, in.Get()) == 0;
    }
    if (!copied && !CopyFile(target, temp.fd()))
        return false;
    if (::fsync(temp.fd()) != 0 || !temp.Close())
        return false;
    return temp.PutInPlaceOf(backupPath);
}

void RemoveStaleNewFiles(const std::string& path) { RemoveDeadNewFiles(path); }
