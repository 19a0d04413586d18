// nemara-dump: reads one channel as the window does and prints it as JSON.
//
//   nemara-dump SOURCE
//   nemara-dump --stored [--list FILE]
//
// SOURCE is an http:// or https:// address, downloaded into a temporary
// file of its own, or the path of a local file; an address without a scheme
// ("example.org/blog") is https's. A web page that links to its feed gives
// that feed, and the tool says so on standard error. Exit status: 0 with the
// channel on standard output, 1 when the channel cannot be fetched, 2 for
// an unsupported format, 64 for wrong usage. --stored prints what the item
// store beside the channel list holds (the window's list, or FILE).
#include "base/CodePage.h"
#include "base/Dates.h"
#include "base/Exceptions.h"
#include "base/FileFolders.h"
#include "base/Lines.h"
#include "feed/Feed.h"
#include "store/Store.h"
#include "xml/VexXMLParser.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// The addresses of a channel list as the window reads them: up to a zero
// byte, UTF-8 or else Windows-1250, one a line.
std::vector<std::string> ReadChannelList(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw EInOutError("Cannot open the channel list " + fileName);
    // As the window, no more than 16 MB of it.
    std::string bytes(std::min<std::uintmax_t>(std::filesystem::file_size(fileName), 16u << 20), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    const std::string_view text = std::string_view(bytes).substr(0, bytes.find('\0'));
    return SplitLines(IsValidUtf8(text) ? std::string(text) : Win1250ToUtf8(text));
}

nlohmann::ordered_json StoredItemJson(const TStoredItem& item) {
    return {{"category", item.Category}, {"title", item.Title},    {"description", item.Description},
            {"link", item.Link},         {"guid", item.Guid},      {"date", FormatDateYmd(item.Date)},
            {"read", item.Read},         {"starred", item.Starred}};
}

// The channels of the list in its order, each with what the store beside
// it holds. The store is only read: a window writing it meanwhile is not
// held up, and this sees its last committed state.
int DumpStored(const std::string& listFile) {
    try {
        const std::vector<std::string> addresses = ReadChannelList(listFile);
        const std::string storePath =
            std::filesystem::path(listFile).parent_path().append(kStoreFile).string();
        std::unique_ptr<SQLite::Database> db;
        std::unordered_map<std::string, TChannelSummary> summaries;
        if (std::filesystem::exists(storePath)) {
            db = OpenStoreForReading(storePath);
            summaries = ChannelSummaries(*db);
        }
        nlohmann::ordered_json channels = nlohmann::ordered_json::array();
        for (const std::string& address : addresses) {
            const auto found = summaries.find(address);
            const TChannelSummary summary = found == summaries.end() ? TChannelSummary{} : found->second;
            nlohmann::ordered_json items = nlohmann::ordered_json::array();
            if (db && found != summaries.end())
                for (const TStoredItem& item : ChannelItems(*db, address))
                    items.push_back(StoredItemJson(item));
            channels.push_back({{"address", address},
                                {"title", summary.Title},
                                {"unread", summary.Unread},
                                {"failure", summary.Failure},
                                {"items", std::move(items)}});
        }
        const nlohmann::ordered_json all = {{"channels", std::move(channels)}};
        std::cout << all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n'
                  << std::flush;
        if (!std::cout)
            throw EInOutError("Cannot write to standard output");
        return kOk;
    } catch (const std::exception& e) {
        std::cerr << "Could not read the item store: " << e.what() << '\n';
    }
    return kFetchFailed;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && std::string_view(argv[1]) == "--opml" && argv[2][0] != '\0')
        return DumpOpml(argv[2]);
    if (argc >= 2 && std::string_view(argv[1]) == "--stored") {
        if (argc == 2)
            return DumpStored(FileFoldersFor(ProgramDirectory()).List + "channels.lst");
        if (argc == 4 && std::string_view(argv[2]) == "--list" && argv[3][0] != '\0')
            return DumpStored(argv[3]);
    }
    // No other option exists: anything that looks like one is a mistake (a
    // file whose name begins with "-" is given as ./-name).
    if (argc != 2 || argv[1][0] == '-' || argv[1][0] == '\0') {
        std::cerr
            << "usage: nemara-dump SOURCE   (an http:// or https:// address or a local file)\n"
               "       nemara-dump --opml FILE   (the addresses of an OPML file, one a line)\n"
               "       nemara-dump --stored [--list FILE]   (what the item store beside the list holds)\n";
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
