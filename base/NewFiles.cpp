#include "base/NewFiles.h"

#include "base/Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <fstream>
#include <memory>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kBootLength = 8;
constexpr std::time_t kYoungSeconds = 10;

// The first characters of the boot id; "00000000" where there is none.
const std::string& BootTag() {
    static const std::string tag = [] {
        std::string id;
        std::ifstream("/proc/sys/kernel/random/boot_id") >> id;
        std::string hex;
        for (const char c : id)
            if (hex.size() < kBootLength && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
                hex += c;
        return hex.size() == kBootLength ? hex : std::string(kBootLength, '0');
    }();
    return tag;
}

bool AllOf(std::string_view text, bool (*good)(char)) {
    if (text.empty())
        return false;
    for (const char c : text)
        if (!good(c))
            return false;
    return true;
}

// "<8 hex>-<digits>-<digits>", nothing more.
bool IsNewFileTail(std::string_view tail) {
    const std::size_t first = tail.find('-');
    const std::size_t second = first == std::string_view::npos ? first : tail.find('-', first + 1);
    if (first != kBootLength || second == std::string_view::npos)
        return false;
    const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return AllOf(tail.substr(0, first), hex) && AllOf(tail.substr(first + 1, second - first - 1), digit) &&
           AllOf(tail.substr(second + 1), digit);
}

}  // namespace

int CreateNewFileBeside(const std::string& target, std::string& path) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        path =
            target + ".new-" + BootTag() + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // Where locks are not kept (some network file systems) the file
            // is still written; it is only older than the clean-up's grace.
            (void)::flock(fd, LOCK_EX | LOCK_NB);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

void RemoveDeadNewFiles(const std::string& target) {
    const std::string dirName = DirectoryOf(target);
    const std::string prefix = target.substr(target.rfind('/') + 1) + ".new-";
    struct DirCloser {
        void operator()(DIR* dir) const { ::closedir(dir); }
    };
    std::unique_ptr<DIR, DirCloser> dir(::opendir(dirName.c_str()));
    if (!dir)
        return;
    std::vector<std::string> candidates;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name.starts_with(prefix) && IsNewFileTail(name.substr(prefix.size())))
            candidates.emplace_back(name);
    }
    const std::time_t now = std::time(nullptr);
    for (const std::string& name : candidates) {
        const std::string full = dirName + "/" + name;
        const int fd = ::open(full.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        struct stat named {};
        // A live writer holds the lock; a file of this moment may not have it yet.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && now - opened.st_mtime >= kYoungSeconds &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(full.c_str(), &named) == 0 &&
            named.st_ino == opened.st_ino && named.st_dev == opened.st_dev)
            ::unlink(full.c_str());
        ::close(fd);
    }
}
