// nemara-dump: reads one channel as the window does and prints it as JSON.
//
//   nemara-dump SOURCE
//   nemara-dump --stored [--list FILE]
//   nemara-dump --refresh [--list FILE]
//
// SOURCE is an http:// or https:// address, downloaded into a temporary
// file of its own, or a local file: its path or its file:// address; an
// address without a scheme ("example.org/blog") is https's. A web page that
// links to its feed gives that feed, and the tool says so on standard error.
// Exit status: 0 with the
// channel on standard output, 1 when the channel cannot be fetched, 2 for
// an unsupported format, 64 for wrong usage. --stored prints what the item
// store beside the channel list holds (the window's list, or FILE);
// --refresh refreshes every channel of that list into that store, as the
// window's automatic refresh does, and exits 1 when any failed.
#include "base/CodePage.h"
#include "base/Dates.h"
#include "base/Exceptions.h"
#include "base/FileFolders.h"
#include "base/Lines.h"
#include "feed/Feed.h"
#include "feed/UnnamedFile.h"
#include "refresh/ChannelFetcher.h"
#include "refresh/RefreshEngine.h"
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
#include <vector>
#include <unordered_map>
#include <mutex>

namespace {

enum ExitCode { kOk = 0, kFetchFailed = 1, kUnsupported = 2, kUsage = 64 };

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
        head["malformed"] = EnglishReason(channel.Malformed);
    std::string text = head.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    text.pop_back();  // the closing brace: the items follow
    text.pop_back();  // and the line break before it
    out << text << ",\n  \"items\": [";
    for (std::size_t i = 0; i < channel.News.size(); ++i)
        out << (i == 0 ? "\n" : ",\n") << ItemJson(channel.News[i]);
    out << (channel.News.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

int Dump(const std::string& source) {
    std::optional<TUnnamedFile> download;
    std::string fileName = source;
    // A local file is read as it is; "example.org/blog" is https's.
    std::error_code error;
    const std::string address = std::filesystem::exists(source, error) ? source : TypedAddress(source);
    if (IsWebAddress(address)) {
        download.emplace(std::filesystem::temp_directory_path().string());
        fileName = download->Path();
        DownloadOptions options;
        options.Fd = download->Fd();
        const std::string read = DownloadFeedFile(address, fileName, options);
        if (read != address)
            std::cerr << "Found the feed at " << read << '\n';
        else if (read != source)
            std::cerr << "Reading " << read << '\n';
    } else if (IsFileAddress(source)) {
        fileName = LocalPathOf(source);
        if (fileName.empty())
            throw Exception("The address names no file on this machine");
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
        std::cerr << "Could not read the OPML file: " << ReasonOf(e, "The file") << '\n';
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
    nlohmann::ordered_json enclosures = nlohmann::ordered_json::array();
    for (const TStoredEnclosure& enclosure : item.Enclosures)
        enclosures.push_back(
            {{"url", enclosure.Url}, {"type", enclosure.Type}, {"length", enclosure.Length}});
    return {{"category", item.Category}, {"title", item.Title}, {"description", item.Description},
            {"link", item.Link},         {"guid", item.Guid},   {"date", FormatDateYmd(item.Date)},
            {"enclosures", enclosures},  {"read", item.Read},   {"starred", item.Starred}};
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

// Every channel of the list refreshed into the store beside it, with the
// window's engine and limits; a line a channel in the list's order, then a
// summary. A window writing the same store meanwhile is waited for.
int DumpRefresh(const std::string& listFile) {
    std::vector<std::string> addresses;
    std::unique_ptr<TStoreWriter> writer;
    const std::string storePath = std::filesystem::path(listFile).parent_path().append(kStoreFile).string();
    try {
        addresses = ReadChannelList(listFile);
        TStoreOpening opening;
        writer = std::make_unique<TStoreWriter>(OpenStoreForWriting(storePath, opening));
        if (!opening.KeptAs.empty())
            std::cerr << "The item store could not be read (" << opening.Reason << "); it is kept as "
                      << opening.KeptAs << " and a new one was started\n";
    } catch (const std::exception& e) {
        std::cerr << "Could not open the item store: " << e.what() << '\n';
        return kFetchFailed;
    }
    std::mutex mutex;
    std::unordered_map<std::string, TRefreshOutcome> outcomes;
    {
        TRefreshEngine engine(
            storePath, *writer,
            MakeChannelFetcher(std::filesystem::temp_directory_path().string(), UserShortDateFormat()),
            [&](const TRefreshOutcome& outcome) {
                const std::lock_guard lock(mutex);
                outcomes[outcome.Address] = outcome;
            });
        // Only web addresses are refreshed; a file:// entry is the user's own.
        std::vector<std::string> web;
        std::copy_if(addresses.begin(), addresses.end(), std::back_inserter(web),
                     [](const std::string& address) { return IsWebAddress(address); });
        engine.Refresh(web, false);
        engine.Wait();
    }
    writer.reset();
    int fresh = 0, updated = 0, unchanged = 0, skipped = 0, failed = 0;
    for (const std::string& address : addresses) {
        const auto found = outcomes.find(address);
        if (found == outcomes.end())
            continue;
        const TRefreshOutcome& outcome = found->second;
        std::cout << address;
        switch (outcome.Kind) {
        case TRefreshKind::rkMerged:
            std::cout << " new " << outcome.Merged.New << " updated " << outcome.Merged.Updated;
            fresh += outcome.Merged.New;
            updated += outcome.Merged.Updated;
            break;
        case TRefreshKind::rkUnchanged:
            std::cout << " not modified";
            ++unchanged;
            break;
        case TRefreshKind::rkFailed:
            std::cout << " failed: " << outcome.Failure;
            ++failed;
            break;
        case TRefreshKind::rkSkipped:
        case TRefreshKind::rkCancelled:
            std::cout << " skipped (its host rests, or it failed lately and waits)";
            ++skipped;
            break;
        }
        if (!outcome.MovedTo.empty())
            std::cout << " (moved permanently to " << outcome.MovedTo << ")";
        std::cout << '\n';
    }
    std::cout << "Refreshed " << outcomes.size() << " channels: " << fresh << " new items, " << updated
              << " updated, " << unchanged << " not modified, " << skipped << " skipped, " << failed
              << " failed\n"
              << std::flush;
    return failed > 0 || !std::cout ? kFetchFailed : kOk;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && std::string_view(argv[1]) == "--opml" && argv[2][0] != '\0')
        return DumpOpml(argv[2]);
    for (const auto& [option, run] :
         {std::pair{"--stored", &DumpStored}, std::pair{"--refresh", &DumpRefresh}}) {
        if (argc < 2 || std::string_view(argv[1]) != option)
            continue;
        if (argc == 2)
            return run(FileFoldersFor(ProgramDirectory()).List + "channels.lst");
        if (argc == 4 && std::string_view(argv[2]) == "--list" && argv[3][0] != '\0')
            return run(argv[3]);
    }
    // No other option exists: anything that looks like one is a mistake (a
    // file whose name begins with "-" is given as ./-name).
    if (argc != 2 || argv[1][0] == '-' || argv[1][0] == '\0') {
        std::cerr
            << "usage: nemara-dump SOURCE   (an http:// or https:// address or a local file)\n"
               "       nemara-dump --opml FILE   (the addresses of an OPML file, one a line)\n"
               "       nemara-dump --stored [--list FILE]   (what the item store beside the list holds)\n"
               "       nemara-dump --refresh [--list FILE]   (every channel of the list refreshed into that "
               "store)\n";
        return kUsage;
    }
    try {
        return Dump(argv[1]);
    } catch (const std::exception& e) {
        std::cerr << "Could not fetch the channel: " << ReasonOf(e) << '\n';
    } catch (...) {
        std::cerr << "Could not fetch the channel\n";
    }
    return kFetchFailed;
}
