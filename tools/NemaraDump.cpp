// nemara-dump: reads one channel as the window does and prints it as JSON.
//
//   nemara-dump SOURCE
//
// SOURCE is an http:// or https:// address, downloaded into a temporary
// file of its own, or the path of a local file; an address without a scheme
// ("example.org/blog") is https's. A web page that links to its feed gives
// that feed, and the tool says so on standard error. Exit status: 0 with the
// channel on standard output, 1 when the channel cannot be fetched, 2 for
// an unsupported format, 64 for wrong usage.
#include "base/Dates.h"
#include "base/Exceptions.h"
#include "feed/Feed.h"
#include "xml/VexXMLParser.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

enum ExitCode { kOk = 0, kFetchFailed = 1, kUnsupported = 2, kUsage = 64 };

// An unnamed file in the temporary folder for the download: whatever ends
// the tool (a signal, a kill, a crash), nothing is left behind. Read and
// written through its descriptor; "/proc/self/fd/N" names it for reading.
class UnnamedFile {
public:
    UnnamedFile() {
        const std::string dir = std::filesystem::temp_directory_path().string();
        fd_ = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            // A file system without O_TMPFILE: a named file, unlinked at once.
            std::string name = dir + "/nemara-dump-XXXXXX";
            fd_ = ::mkostemp(name.data(), O_CLOEXEC);
            if (fd_ >= 0)
                ::unlink(name.c_str());
        }
        if (fd_ < 0)
            throw EInOutError("Cannot create a temporary file");
    }
    ~UnnamedFile() { ::close(fd_); }
    UnnamedFile(const UnnamedFile&) = delete;
    UnnamedFile& operator=(const UnnamedFile&) = delete;

    int Fd() const { return fd_; }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

nlohmann::ordered_json Text(std::string_view text) { return std::string(text); }

nlohmann::ordered_json Enclosures(const TRSSItem& item) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const TEnclosure& enclosure : item.Enclosures)
        list.push_back(
            {{"url", Text(enclosure.Url)}, {"type", Text(enclosure.Type)}, {"length", enclosure.Length}});
    return list;
}

// One item as its own JSON object, indented to stand in the items array.
std::string ItemJson(const TRSSItem& item) {
    const nlohmann::ordered_json json = {{"category", Text(item.Category)},
                                         {"title", Text(item.Title)},
                                         {"description", Text(item.Description)},
                                         {"link", Text(item.Link)},
                                         {"guid", Text(item.Guid)},
                                         {"date", FormatDateYmd(item.Date)},
                                         {"enclosures", Enclosures(item)}};
    std::string text = "    ";
    for (const char c : json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)) {
        text += c;
        if (c == '\n')
            text += "    ";
    }
    return text;
}

// The channel as one JSON object, as nlohmann's dump(2) of it would read,
// written item by item: the whole text is never held at once.
void WriteJson(std::ostream& out, const TRSS& channel, TChannelFormat format) {
    nlohmann::ordered_json head = {{"format", format == TChannelFormat::cfRss ? "rss" : "atom"},
                                   {"encoding", Text(channel.Encoding)},
                                   {"title", Text(channel.Title)},
                                   {"link", Text(channel.Link)},
                                   {"description", Text(channel.Description)},
                                   {"language", Text(channel.Language)}};
    if (!channel.Malformed.empty())
        head["malformed"] = Text(channel.Malformed);
    std::string text = head.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    text.pop_back();  // the closing brace: the items follow
    text.pop_back();  // and the line break before it
    out << text << ",\n  \"items\": [";
    for (std::size_t i = 0; i < channel.News.size(); ++i)
        out << (i == 0 ? "\n" : ",\n") << ItemJson(channel.News[i]);
    out << (channel.News.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

int Dump(const std::string& source) {
    std::optional<UnnamedFile> download;
    std::string fileName = source;
    // A local file is read as it is; "example.org/blog" is https's.
    std::error_code error;
    const std::string address = std::filesystem::exists(source, error) ? source : TypedAddress(source);
    if (IsWebAddress(address)) {
        download.emplace();
        fileName = download->Path();
        DownloadOptions options;
        options.Fd = download->Fd();
        const std::string read = DownloadFeedFile(address, fileName, options);
        if (read != address)
            std::cerr << "Found the feed at " << read << '\n';
        else if (read != source)
            std::cerr << "Reading " << read << '\n';
    }
    // Each item leaves the tree once read: the records are all the output needs.
    TRSS channel;
    const TChannelFormat format = ReadChannelFile(fileName, channel, UserShortDateFormat());
    download.reset();
    if (format == TChannelFormat::cfUnsupported) {
        std::cerr << "Unsupported channel format\n";
        return kUnsupported;
    }
    WriteJson(std::cout, channel, format);
    std::cout << std::flush;
    if (!std::cout)
        throw EInOutError("Cannot write to standard output");
    return kOk;
}

// The addresses of an OPML file, one a line, in UTF-8.
int DumpOpml(const std::string& fileName) {
    try {
        for (const std::string& address : ReadOpmlAddresses(fileName))
            std::cout << address << '\n';
        std::cout << std::flush;
        if (!std::cout)
            throw EInOutError("Cannot write to standard output");
        return kOk;
    } catch (const std::exception& e) {
        std::cerr << "Could not read the OPML file: " << e.what() << '\n';
    }
    return kFetchFailed;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && std::string_view(argv[1]) == "--opml" && argv[2][0] != '\0')
        return DumpOpml(argv[2]);
    // No other option exists: anything that looks like one is a mistake (a
    // file whose name begins with "-" is given as ./-name).
    if (argc != 2 || argv[1][0] == '-' || argv[1][0] == '\0') {
        std::cerr << "usage: nemara-dump SOURCE   (an http:// or https:// address or a local file)\n"
                     "       nemara-dump --opml FILE   (the addresses of an OPML file, one a line)\n";
        return kUsage;
    }
    try {
        return Dump(argv[1]);
    } catch (const std::exception& e) {
        std::cerr << "Could not fetch the channel: " << e.what() << '\n';
    } catch (...) {
        std::cerr << "Could not fetch the channel\n";
    }
    return kFetchFailed;
}
