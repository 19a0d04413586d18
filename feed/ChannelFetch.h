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

// RSS for a root named exactly "rss" or "rdf:RDF" (RSS 1.0), Atom for one
// named exactly "feed" (byte for byte: "RSS" or "Feed" are unsupported).
// Raises as ChannelRoot.
TChannelFormat ChannelFormat(const TVexBaseXmlNode& document);
// The same rule for a root element of the given name.
TChannelFormat RootFormat(std::string_view rootName);

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
// When it raises, the record may hold part of the channel.
TChannelFormat ReadChannelFile(const std::string& fileName, TRSS& channel, const TShortDateFormat& format);

// Downloads the address into fileName (DownloadFile with the options). A
// transfer that failed before any of the body arrived raises Exception with
// the transfer's reason ("Could not resolve host: ...").
void DownloadChannelFile(const std::string& address, const std::string& fileName,
                         DownloadOptions options = {});

// Reads the file that a "file://" address names into the channel
// (ReadChannelFile). Raises Exception for an address that names no file on
// this machine; when it raises, the channel is empty.
TChannelFormat ReadLocalChannel(const std::string& address, TRSS& channel, const TShortDateFormat& format);

// Downloads the address into fileName and reads that file into the channel
// (DownloadChannelFile, then ReadChannelFile). pulse, when given, is
// DownloadOptions::Pulse. When it raises, the channel is empty.
TChannelFormat DownloadChannel(const std::string& address, const std::string& fileName, TRSS& channel,
                               const TShortDateFormat& format,
                               const std::function<void(std::uint64_t)>& pulse = {});
