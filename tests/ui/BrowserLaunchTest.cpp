// The real launcher, with a recording xdg-open first in PATH: an address
// reaches it as one argument, byte for byte, and no shell ever reads it.
#include "ui/Browser.h"

#include "Support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old, hadOld_ = true;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (hadOld_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

// Writes the argument count on a line, then each argument ended by NUL,
// and renames the record into place only when it is whole.
constexpr char FakeXdgOpen[] =
    "#!/bin/sh\n"
    "{ printf '%s\\n' \"$#\"; for a in \"$@\"; do printf '%s\\0' \"$a\"; done; }"
    " > \"$NEMARA_RECORD.part\" && mv \"$NEMARA_RECORD.part\" \"$NEMARA_RECORD\"\n";

std::string WaitForFile(const std::string& path) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(path) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadBytes(path);
}

TEST(BrowserLaunch, AHostileAddressIsOneUnchangedArgument) {
    TempDir dir;
    const std::string bin = dir.File("bin");
    std::filesystem::create_directory(bin);
    WriteBytes(bin + "/xdg-open", FakeXdgOpen);
    ::chmod((bin + "/xdg-open").c_str(), 0755);
    const char* path = std::getenv("PATH");
    ScopedEnv pathEnv("PATH", bin + ":" + (path ? path : "/usr/bin:/bin"));
    const std::string record = dir.File("record");
    ScopedEnv recordEnv("NEMARA_RECORD", record);
    const TBrowserLauncher previous = SetBrowserLauncher({});

    // Each would create the file "pwned" if a shell read it.
    const std::string pwned = dir.File("pwned");
    const std::string addresses[] = {
        "http://x.pl/$(touch " + pwned + ")",
        "http://x.pl/`touch " + pwned + "`",
        "http://x.pl/;touch " + pwned + ";",
        "http://x.pl/|touch " + pwned,
        "http://x.pl/&&touch " + pwned + "&",
        "http://x.pl/>" + pwned,
        "http://x.pl/a b\tc",
        "http://x.pl/\"q'uo\"te'",
        "http://x.pl/a\ntouch " + pwned + "\n",
        "http://x.pl/${HOME}*?[a]~\\",
        "http://x.pl/%s%n%x?a=1&b=2#frag",
        "http://",
    };
    for (const std::string& address : addresses) {
        SCOPED_TRACE(address);
        std::filesystem::remove(record);
        OpenInBrowser(address);
        EXPECT_EQ(WaitForFile(record), "1\n" + address + std::string(1, '\0'));
    }
    SetBrowserLauncher(previous);
    EXPECT_FALSE(std::filesystem::exists(pwned));
}

}  // namespace
