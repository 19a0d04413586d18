// nemara-dump: reads one channel as the window does and prints it as JSON.
//
//   nemara-dump SOURCE
//
// SOURCE is an http:// or https:// address, downloaded into a temporary
// file of its own, or the path of a local file. Exit status: 0 with the
// channel on standard output, 1 when the channel cannot be fetched, 2 for
// an unsupported format, 64 for wrong usage.
#include "base/CodePage.h"
#include "base/Dates.h"
#include "base/Exceptions.h"
#include "feed/Feed.h"
#include "xml/VexXMLParser.h"

#include <nlohmann/json.hpp>

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

namespace {

enum ExitCode { kOk = 0, kFetchFailed = 1, kUnsupported = 2, kUsage = 64 };

// The temporary file's name, for the signal handler: a signal that ends the
// tool (Ctrl-C, SIGTERM, SIGPIPE from a closed pipe) removes it too.
char gTempPath[PATH_MAX];
volatile std::sig_atomic_t gTempPathSet = 0;
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT};

extern "C" void RemoveTempAndEnd(int signal) {
    if (gTempPathSet)
        ::unlink(gTempPath);
    // Ends as the signal would have ended the tool.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Signals that end the tool wait while the file's name is being recorded.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : kEndingSignals)
            sigaddset(&set, signal);
        ::sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t old_;
};

// A new empty file in the temporary directory, removed with the object or
// by a signal that ends the tool.
class TempFile {
public:
    TempFile() {
        path_ = (std::filesystem::temp_directory_path() / "nemara-dump-XXXXXX").string();
        if (path_.size() >= sizeof gTempPath)
            throw EInOutError("Cannot create a temporary file");
        SignalsHeld held;
        int fd = ::mkstemp(path_.data());
        if (fd < 0)
            throw EInOutError("Cannot create a temporary file");
        ::close(fd);
        std::memcpy(gTempPath, path_.c_str(), path_.size() + 1);
        gTempPathSet = 1;
        struct sigaction action {};
        action.sa_handler = RemoveTempAndEnd;
        sigemptyset(&action.sa_mask);
        for (int signal : kEndingSignals) {
            struct sigaction previous {};
            // A signal the caller chose to ignore stays ignored.
            if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
                ::sigaction(signal, &action, nullptr);
        }
    }
    ~TempFile() {
        SignalsHeld held;
        ::unlink(path_.c_str());
        gTempPathSet = 0;
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

nlohmann::ordered_json Text(const std::string& text) { return Win1250ToUtf8(text); }

nlohmann::ordered_json ToJson(const TRSS& channel, TChannelFormat format) {
    nlohmann::ordered_json items = nlohmann::ordered_json::array();
    for (const TRSSItem& item : channel.News)
        items.push_back({{"category", Text(item.Category)},
                         {"title", Text(item.Title)},
                         {"description", Text(item.Description)},
                         {"link", Text(item.Link)},
                         {"guid", Text(item.Guid)},
                         {"date", FormatDateYmd(item.Date)}});
    return {{"format", format == TChannelFormat::cfRss ? "rss" : "atom"},
            {"encoding", Text(channel.Encoding)},
            {"title", Text(channel.Title)},
            {"link", Text(channel.Link)},
            {"description", Text(channel.Description)},
            {"language", Text(channel.Language)},
            {"items", std::move(items)}};
}

int Dump(const std::string& source) {
    std::optional<TempFile> download;
    std::string fileName = source;
    if (IsWebAddress(source)) {
        download.emplace();
        fileName = download->Path();
        DownloadOptions options;
        options.InPlace = true;
        DownloadChannelFile(source, fileName, options);
    }
    std::unique_ptr<TVexXMLParser> document = LoadChannelFile(fileName);
    TRSS channel;
    TChannelFormat format = ReadChannel(*document, channel, UserShortDateFormat());
    if (format == TChannelFormat::cfUnsupported) {
        std::cerr << "Unsupported channel format\n";
        return kUnsupported;
    }
    std::cout << ToJson(channel, format).dump(2) << '\n' << std::flush;
    if (!std::cout)
        throw EInOutError("Cannot write to standard output");
    return kOk;
}

}  // namespace

int main(int argc, char* argv[]) {
    // No options exist: anything that looks like one is a mistake (a file
    // whose name begins with "-" is given as ./-name).
    if (argc != 2 || argv[1][0] == '-' || argv[1][0] == '\0') {
        std::cerr << "usage: nemara-dump SOURCE   (an http:// or https:// address or a local file)\n";
        return kUsage;
    }
    try {
        return Dump(argv[1]);
    } catch (const std::exception& e) {
        std::cerr << "Could not fetch the channel: " << Win1250ToUtf8(e.what()) << '\n';
    } catch (...) {
        std::cerr << "Could not fetch the channel\n";
    }
    return kFetchFailed;
}
