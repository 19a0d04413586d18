#include "feed/ChannelFetch.h"

#include "base/Exceptions.h"
#include "feed/ChannelReader.h"
#include "feed/Decode.h"
#include "feed/Download.h"
#include "feed/FeedDiscovery.h"
#include "feed/FileAddress.h"
#include "xml/NameKey.h"
#include "xml/VexXMLParser.h"
#include "xml/XmlFileText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
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

namespace {

constexpr std::string_view kAtomNamespace = "http://www.w3.org/2005/Atom";
constexpr std::string_view kAtom03Namespace = "http://purl.org/atom/ns#";
constexpr std::string_view kRdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr std::string_view kRss10Namespace = "http://purl.org/rss/1.0/";
constexpr std::string_view kXmlns = "xmlns";

// A name's prefix (without its colon) and its local name.
std::pair<std::string_view, std::string_view> SplitName(std::string_view name) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos)
        return {{}, name};
    return {name.substr(0, colon), name.substr(colon + 1)};
}

// The namespace the element binds the prefix to ("": the default one);
// "" when it binds none.
std::string_view BoundNamespace(const TVexXMLNode& element, std::string_view prefix) {
    std::string attribute(kXmlns);
    if (!prefix.empty())
        attribute.append(":").append(prefix);
    const TVexXMLParameter* bound = element.Attribute(attribute);
    return bound ? std::string_view(bound->Value()) : std::string_view();
}

bool IsAtomNamespace(std::string_view name) { return name == kAtomNamespace || name == kAtom03Namespace; }

}  // namespace

TChannelFormat RootFormat(const TVexXMLNode& root) {
    const auto [prefix, local] = SplitName(root.Name());
    if (local == "rss" || IsRssVersion1(root))
        return TChannelFormat::cfRss;
    if (local == "feed" && (prefix.empty() || IsAtomNamespace(BoundNamespace(root, prefix))))
        return TChannelFormat::cfAtom;
    if (local == "entry" && IsAtomNamespace(BoundNamespace(root, prefix)))
        return TChannelFormat::cfAtom;
    return TChannelFormat::cfUnsupported;
}

bool IsRssVersion1(const TVexXMLNode& root) {
    const auto [prefix, local] = SplitName(root.Name());
    return root.Name() == "rdf:RDF" || (local == "RDF" && BoundNamespace(root, prefix) == kRdfNamespace);
}

std::string FeedPrefix(const TVexXMLNode& root) {
    const auto [prefix, local] = SplitName(root.Name());
    if (IsRssVersion1(root)) {
        const TVexXMLParameters& attributes = root.Parameters();
        for (int i = 0; i < attributes.Count(); ++i) {
            const TVexXMLParameter& attribute = *attributes.Items(i);
            const auto [xmlns, bound] = SplitName(attribute.Name());
            if (xmlns == kXmlns && !bound.empty() && attribute.Value() == kRss10Namespace)
                return std::string(bound) + ':';
        }
        return {};
    }
    if (prefix.empty() || RootFormat(root) == TChannelFormat::cfUnsupported)
        return {};
    return std::string(prefix) + ':';
}

TChannelFormat ChannelFormat(const TVexBaseXmlNode& document) { return RootFormat(ChannelRoot(document)); }

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

// The first `size` bytes of the file, or all of them; "" when it cannot be read.
std::string FileHead(const std::string& fileName, std::size_t size) {
    std::string head(size, '\0');
    if (std::FILE* file = std::fopen(fileName.c_str(), "rb")) {
        head.resize(std::fread(head.data(), 1, head.size(), file));
        std::fclose(file);
    } else {
        head.clear();
    }
    return head;
}

enum class TUtf16 { kNo, kLittleEndian, kBigEndian };

// UTF-16 by its byte order mark, or by a "<" as its first character.
TUtf16 Utf16Order(std::string_view head) {
    if (head.starts_with("\xFF\xFE") && !head.starts_with(std::string_view("\xFF\xFE\0\0", 4)))
        return TUtf16::kLittleEndian;
    if (head.starts_with("\xFE\xFF"))
        return TUtf16::kBigEndian;
    if (head.starts_with(std::string_view("<\0", 2)) && !head.starts_with(std::string_view("<\0\0", 3)))
        return TUtf16::kLittleEndian;
    if (head.starts_with(std::string_view("\0<", 2)))
        return TUtf16::kBigEndian;
    return TUtf16::kNo;
}

// A UTF-16 file as UTF-8, up to its first NUL, its declaration naming
// UTF-8; `declared` gets the encoding it named ("UTF-16" when none).
vexxml::TFileText Utf16FileText(const std::string& fileName, TUtf16 order, std::string& declared) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw EInOutError("Cannot open file \"" + fileName + "\"");
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const bool big = order == TUtf16::kBigEndian;
    const std::size_t mark = bytes.starts_with(big ? "\xFE\xFF" : "\xFF\xFE") ? 2 : 0;
    std::string utf8 = DecodeUtf16(std::string_view(bytes).substr(mark), big);
    utf8.resize(std::strlen(utf8.c_str()));
    const auto [at, end] = DeclaredEncodingAt(utf8);
    declared = end > at ? utf8.substr(at, end - at) : "UTF-16";
    if (end > at)
        utf8.replace(at, end - at, "UTF-8");
    vexxml::TFileText text;
    text.Append(utf8.data(), utf8.data() + utf8.size());
    return text;
}

// A new document loaded from the file as LoadChannelFile says, parsed in
// the given mode; `sinkFor` is handed the document before its parse and
// gives the parse's sink.
template <typename SinkFor>
std::unique_ptr<TVexXMLParser> LoadWithSink(const std::string& fileName, SinkFor sinkFor,
                                            TVexXMLParseMode mode = TVexXMLParseMode::pmStrict) {
    // The first bytes tell the declared encoding.
    const std::string head = FileHead(fileName, 256);
    if (const TUtf16 order = Utf16Order(head); order != TUtf16::kNo) {
        auto document = std::make_unique<TTranscodedDocument>();
        vexxml::TFileText text = Utf16FileText(fileName, order, document->DeclaredEncoding);
        document->SetParseMode(mode);
        document->Parse(text, sinkFor(*document));
        return document;
    }
    const auto [first, last] = DeclaredEncodingAt(head);
    const std::string encoding = head.substr(first, last - first);
    const TTextDecoder decoder(encoding);
    if (!decoder.Converts()) {
        auto document = std::make_unique<TVexXMLParser>();
        document->SetParseMode(mode);
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
    document->SetParseMode(mode);
    document->Parse(text, sinkFor(*document));
    return document;
}

TChannelFormat ReadFileInMode(const std::string& fileName, TRSS& channel, const TShortDateFormat& format,
                              TVexXMLParseMode mode) {
    std::optional<TChannelItemReader> items;
    const std::unique_ptr<TVexXMLParser> document = LoadWithSink(
        fileName, [&](TVexXMLParser& parsed) { return &items.emplace(parsed, channel, format); }, mode);
    return items->Finish();
}

}  // namespace

std::unique_ptr<TVexXMLParser> LoadChannelFile(const std::string& fileName) {
    return LoadWithSink(fileName, [](TVexXMLParser&) -> TVexXMLNodeSink* { return nullptr; });
}

TChannelFormat ReadChannelFile(const std::string& fileName, TRSS& channel, const TShortDateFormat& format) {
    std::exception_ptr strict;
    std::string reason;
    try {
        return ReadFileInMode(fileName, channel, format, TVexXMLParseMode::pmStrict);
    } catch (const EVexXMLError& e) {
        strict = std::current_exception();
        reason = e.what();
    } catch (const EConvertError& e) {  // a character reference that is no number
        strict = std::current_exception();
        reason = e.what();
    }
    // Not well-formed: what can be read is read, and the record says why
    // it is broken. A document that is not a feed even so stays a failure.
    TChannelFormat kind = TChannelFormat::cfUnsupported;
    try {
        kind = ReadFileInMode(fileName, channel, format, TVexXMLParseMode::pmRecovering);
    } catch (const Exception&) {
    }
    if (kind == TChannelFormat::cfUnsupported) {
        channel.Clear();
        std::rethrow_exception(strict);
    }
    channel.Malformed = channel.Texts.Keep(reason);
    return kind;
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

std::string DownloadFeedFile(const std::string& address, const std::string& fileName,
                             DownloadOptions options) {
    TAnswerInfo answer;
    if (!options.Answer)
        options.Answer = &answer;
    DownloadChannelFile(address, fileName, options);
    // A page's links to its feeds stand in its head, near the start.
    constexpr std::size_t kHead = 4096, kPageHead = 1 << 20;
    if (!IsHtmlPage(options.Answer->ContentType, FileHead(fileName, kHead)))
        return address;
    const std::string page = options.Answer->FinalAddress.empty() ? address : options.Answer->FinalAddress;
    for (const std::string& feed : FeedLinks(FileHead(fileName, kPageHead), page))
        if (IsWebAddress(feed)) {
            DownloadChannelFile(feed, fileName, options);
            return feed;
        }
    return address;
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
                               const std::function<void(std::uint64_t)>& pulse, std::string* readAddress) {
    DownloadOptions options;
    options.Pulse = pulse;
    const std::string read = DownloadFeedFile(address, fileName, options);
    if (readAddress)
        *readAddress = read;
    try {
        return ReadChannelFile(fileName, channel, format);
    } catch (...) {
        channel.Clear();  // no part of a channel that failed
        throw;
    }
}
