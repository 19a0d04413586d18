// Fetching a channel: the download into a file, the loading of that file,
// the recognition of the format by the root element's name, and the
// reading into a channel record. The window and the dump tool share it.
#pragma once

#include "feed/Channel.h"
#include "feed/Download.h"
#include "feed/ShortDate.h"
#include "xml/VexXMLParser.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class TVexBaseXmlNode;
class TVexXMLNode;
class TVexXMLParser;

// The XML declaration: top-level node 0 when it is a control tag named
// "xml" (in any case), otherwise nullptr.
TVexXMLNode* ChannelDeclaration(const TVexBaseXmlNode& document);

// The root element: the first top-level element, wherever it stands;
// comments and instructions (a style sheet) before it are passed over.
// Raises Exception when the document holds no element (an empty file).
TVexXMLNode& ChannelRoot(const TVexBaseXmlNode& document);

// By the root's local name and namespace (names compared byte for byte:
// "RSS" or "Feed" are unsupported): RSS for "rss" (with any prefix), or "RDF" in the RDF
// namespace (RSS 1.0; "rdf:RDF" also undeclared); Atom for "feed" without a
// prefix or in the Atom namespace (1.0 or 0.3), and for "entry" in the Atom
// namespace (a channel of one item). Raises as ChannelRoot.
TChannelFormat ChannelFormat(const TVexBaseXmlNode& document);
// The same rule for a root element; namespaces are those it declares.
TChannelFormat RootFormat(const TVexXMLNode& root);
// Whether the root is RSS 1.0's.
bool IsRssVersion1(const TVexXMLNode& root);
// The prefix, with its colon, of the feed's own elements below that root:
// the root's own for Atom and RSS 2.0 ("atom:" for <atom:feed>), the one the root binds
// to RSS 1.0's namespace for RSS 1.0; "" when they are written without.
std::string FeedPrefix(const TVexXMLNode& root);

// Reads the document with the reader of its format. An unsupported format
// is no failure: the result says so and the channel is left untouched.
// Raises what the readers raise; the Atom reader converts dates in the
// given short date format.
TChannelFormat ReadChannel(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format);

// A document read from a file in another encoding than UTF-8: its text was
// converted to UTF-8 before the parse. The readers read its texts as UTF-8
// and give the encoding its declaration named.
class TTranscodedDocument : public TVexXMLParser {
public:
    std::string DeclaredEncoding;
};

// A new document loaded from the file. A file whose XML declaration names a
// known encoding other than UTF-8 is converted to UTF-8 first (a
// TTranscodedDocument). Raises the parser's failures; the document is
// released with the unique_ptr, also when loading fails.
std::unique_ptr<TVexXMLParser> LoadChannelFile(const std::string& fileName);

// LoadChannelFile and ReadChannel in one pass (TChannelItemReader): the
// items are read as the parse completes them and are never all in the tree
// at once. The record is what the two steps give; the document is gone.
// A file that is not well-formed XML is read again in the parser's
// recovering mode: when that finds a channel, it is the record, and its
// Malformed is the strict parse's message; otherwise the strict parse's
// failure is raised. A UTF-16 file (by its byte order mark, or a "<" as its
// first character) is converted to UTF-8 first, as other encodings are.
// When it raises, the record may hold part of the channel.
TChannelFormat ReadChannelFile(const std::string& fileName, TRSS& channel, const TShortDateFormat& format);

// Downloads the address into fileName (DownloadFile with the options). A
// transfer that failed before any of the body arrived raises Exception with
// the transfer's reason ("Could not resolve host: ...").
void DownloadChannelFile(const std::string& address, const std::string& fileName,
                         DownloadOptions options = {});

// DownloadChannelFile; when the answer is an HTML page (IsHtmlPage) that
// links to an RSS or Atom feed (FeedLinks), the first such feed is
// downloaded into fileName instead. Returns the address that fileName then
// holds the body of.
std::string DownloadFeedFile(const std::string& address, const std::string& fileName,
                             DownloadOptions options = {});

// Reads the file that a "file://" address names into the channel
// (ReadChannelFile). Raises Exception for an address that names no file on
// this machine; when it raises, the channel is empty.
TChannelFormat ReadLocalChannel(const std::string& address, TRSS& channel, const TShortDateFormat& format);

// Downloads the address into fileName and reads that file into the channel
// (DownloadFeedFile, then ReadChannelFile). pulse, when given, is
// DownloadOptions::Pulse; readAddress, when given, receives the address
// read (a feed that the page at the address links to). When it raises, the
// channel is empty.
TChannelFormat DownloadChannel(const std::string& address, const std::string& fileName, TRSS& channel,
                               const TShortDateFormat& format,
                               const std::function<void(std::uint64_t)>& pulse = {},
                               std::string* readAddress = nullptr);
