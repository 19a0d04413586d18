#include "feed/ChannelFetch.h"

#include "base/Exceptions.h"
#include "feed/ChannelReader.h"
#include "feed/Decode.h"
#include "feed/Download.h"
#include "feed/FileAddress.h"
#include "xml/NameKey.h"
#include "xml/VexXMLParser.h"
#include "xml/XmlFileText.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

TVexXMLNode* ChannelDeclaration(const TVexBaseXmlNode& document) {
    if (document.Count() == 0)
        return nullptr;
    TVexXMLNode* first = document.Items(0);
    return first->Kind() == nkControlTag && SameNameKey(first->Name(), "xml") ? first : nullptr;
}

TVexXMLNode& ChannelRoot(const TVexBaseXmlNode& document) {
    const int n = document.Count();
    for (int i = 0; i < n; ++i)
        if (TVexXMLNode* node = document.Items(i); node->Kind() == nkElement)
            return *node;
    throw Exception("The document has no root element");
}

TChannelFormat RootFormat(std::string_view rootName) {
    if (rootName == "rss" || rootName == "rdf:RDF")
        return TChannelFormat::cfRss;
    if (rootName == "feed")
        return TChannelFormat::cfAtom;
    return TChannelFormat::cfUnsupported;
}

TChannelFormat ChannelFormat(const TVexBaseXmlNode& document) {
    return RootFormat(ChannelRoot(document).Name());
}

TChannelFormat ReadChannel(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format) {
    // A reader that took nothing during a parse reads the whole document.
    return TChannelItemReader(document, channel, format).Finish();
}

namespace {

// Where the value of the encoding that the XML declaration at the start of
// the text names lies: [first, second); {0, 0} when there is none. The
// declaration is ASCII in every encoding that the parser can read.
std::pair<std::size_t, std::size_t> DeclaredEncodingAt(std::string_view text) {
    std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    if (text.substr(start, 6) != "<?xml ")
        return {0, 0};
    const std::size_t end = text.find("?>", start);
    const std::string_view declaration = text.substr(0, end);
    std::size_t at = declaration.find("encoding", start);
    if (at == std::string_view::npos)
        return {0, 0};
    at = declaration.find_first_not_of(" \t\r\n", at + 8);
    if (at == std::string_view::npos || declaration[at] != '=')
        return {0, 0};
    at = declaration.find_first_not_of(" \t\r\n", at + 1);
    if (at == std::string_view::npos || (declaration[at] != '"' && declaration[at] != '\''))
        return {0, 0};
    const std::size_t close = declaration.find(declaration[at], at + 1);
    return close == std::string_view::npos ? std::pair<std::size_t, std::size_t>{0, 0}
                                           : std::pair<std::size_t, std::size_t>{at + 1, close};
}

// A new document loaded from the file as LoadChannelFile says; `sinkFor`
// is handed the document before its parse and gives the parse's sink.
template <typename SinkFor>
std::unique_ptr<TVexXMLParser> LoadWithSink(const std::string& fileName, SinkFor sinkFor) {
    // The first bytes tell the declared encoding.
    std::string head(256, '\0');
    if (std::FILE* file = std::fopen(fileName.c_str(), "rb")) {
        head.resize(std::fread(head.data(), 1, head.size(), file));
        std::fclose(file);
    } else {
        head.clear();
    }
    const auto [first, last] = DeclaredEncodingAt(head);
    const std::string encoding = head.substr(first, last - first);
    const TTextDecoder decoder(encoding);
    if (!decoder.Converts()) {
        auto document = std::make_unique<TVexXMLParser>();
        document->LoadFromFile(fileName, sinkFor(*document));
        return document;
    }
    // Another encoding: the text is read in UTF-8, its declaration saying so,
    // so that a character reference gives its Unicode character, as it
    // means, not a byte of the old code page. It is converted straight into
    // room that is only touched as far as it is written, and the file's
    // text goes before the parse.
    vexxml::TFileText text;
    {
        const vexxml::TFileText file = vexxml::ReadFileText(fileName);
        const std::string_view bytes = file.View();
        const auto [at, end] = DeclaredEncodingAt(bytes);
        constexpr std::string_view kUtf8 = "UTF-8";
        char* const begin = text.Room(TTextDecoder::MaxSize(bytes.size()) + kUtf8.size());
        char* out = decoder.Decode(bytes.substr(0, at), begin);
        if (end > at)
            out = std::copy(kUtf8.begin(), kUtf8.end(), out);
        out = decoder.Decode(bytes.substr(end), out);
        text.Commit(static_cast<std::size_t>(out - begin));
    }
    auto document = std::make_unique<TTranscodedDocument>();
    document->DeclaredEncoding = encoding;
    document->Parse(text, sinkFor(*document));
    return document;
}

}  // namespace

std::unique_ptr<TVexXMLParser> LoadChannelFile(const std::string& fileName) {
    return LoadWithSink(fileName, [](TVexXMLParser&) -> TVexXMLNodeSink* { return nullptr; });
}

TChannelFormat ReadChannelFile(const std::string& fileName, TRSS& channel, const TShortDateFormat& format) {
    std::optional<TChannelItemReader> items;
    const std::unique_ptr<TVexXMLParser> document = LoadWithSink(
        fileName, [&](TVexXMLParser& parsed) { return &items.emplace(parsed, channel, format); });
    return items->Finish();
}

void DownloadChannelFile(const std::string& address, const std::string& fileName, DownloadOptions options) {
    std::string failure;
    bool unusable = false;
    options.Failure = &failure;
    options.BodyUnusable = &unusable;
    DownloadFile(address, fileName, options);
    // Without a body, why the transfer failed says more than the empty
    // document would; a body cut at the size bound, or not decoded, is no
    // feed whatever its size.
    std::error_code error;
    if (!failure.empty() && (unusable || (std::filesystem::file_size(fileName, error) == 0 && !error)))
        throw Exception(failure);
}

TChannelFormat ReadLocalChannel(const std::string& address, TRSS& channel, const TShortDateFormat& format) {
    const std::string path = LocalPathOf(address);
    if (path.empty())
        throw Exception("The address names no file on this machine");
    try {
        return ReadChannelFile(path, channel, format);
    } catch (...) {
        channel.Clear();
        throw;
    }
}

TChannelFormat DownloadChannel(const std::string& address, const std::string& fileName, TRSS& channel,
                               const TShortDateFormat& format,
                               const std::function<void(std::uint64_t)>& pulse) {
    DownloadOptions options;
    options.Pulse = pulse;
    DownloadChannelFile(address, fileName, options);
    try {
        return ReadChannelFile(fileName, channel, format);
    } catch (...) {
        channel.Clear();  // no part of a channel that failed
        throw;
    }
}
