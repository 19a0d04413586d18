#include "base/FileFolders.h"

#include "base/ExecutablePath.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {

const char* const kChannelFile = "channels.lst";

// $XDG_DATA_HOME or $XDG_CACHE_HOME (xdgName) when absolute, else the
// fallback below the home folder; with "/nemara/" added, and made.
std::string UserFolder(const char* xdgName, const char* fallback) {
    std::string dir;
    const char* xdg = std::getenv(xdgName);
    if (xdg && xdg[0] == '/') {
        dir = xdg;
    } else {
        const char* home = std::getenv("HOME");
        const passwd* user = home && home[0] == '/' ? nullptr : ::getpwuid(::getuid());
        dir = std::string(home && home[0] == '/' ? home : user ? user->pw_dir : "/tmp") + fallback;
    }
    dir += "/nemara/";
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    return dir;
}

}  // namespace

// Taken from the file system as bytes: a folder name that is not UTF-8
// stays as it is. When it cannot be told (no /proc, a path too long), the
// files go where a user's data goes, never to "/".
std::string ProgramDirectory() {
    std::string dir = ExecutableDirectory();
    return dir.empty() ? UserFolder("XDG_DATA_HOME", "/.local/share") : dir;
}

TFileFolders FileFoldersFor(const std::string& programDir) {
    // A folder below /usr is the system's (read-only shared data), never the
    // user's, though root may write it: the list of "sudo nemara" run from a
    // package's /usr/bin goes to root's own folders.
    const bool systemFolder = programDir.starts_with("/usr/");
    if (!systemFolder && ::access(programDir.c_str(), W_OK) == 0)
        return {programDir, programDir};
    // An installation for all users: the list is the user's data, the
    // download his cache; a list he may write in the program's folder
    // (not below /usr) stays where it is.
    const std::string list = programDir + kChannelFile;
    struct stat st {};
    const bool listThere = !systemFolder && ::stat(list.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                           ::access(list.c_str(), W_OK) == 0;
    return {listThere ? programDir : UserFolder("XDG_DATA_HOME", "/.local/share"),
            UserFolder("XDG_CACHE_HOME", "/.cache")};
}

std::string ProgramFolder() { return FileFoldersFor(ProgramDirectory()).List; }
