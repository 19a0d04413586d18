#include "feed/ChannelFetch.h"

#include "base/Exceptions.h"
#include "feed/ChannelReader.h"
#include "feed/Download.h"
#include "xml/NameKey.h"
#include "xml/VexXMLParser.h"

#include <filesystem>
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

TChannelFormat ChannelFormat(const TVexBaseXmlNode& document) {
    const std::string_view name = ChannelRoot(document).Name();
    if (name == "rss" || name == "rdf:RDF")
        return TChannelFormat::cfRss;
    if (name == "feed")
        return TChannelFormat::cfAtom;
    return TChannelFormat::cfUnsupported;
}

TChannelFormat ReadChannel(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format) {
    const TChannelFormat kind = ChannelFormat(document);
    switch (kind) {
    case TChannelFormat::cfRss:
        ReadChannelRss(document, channel);
        break;
    case TChannelFormat::cfAtom:
        ReadChannelAtom(document, channel, format);
        break;
    case TChannelFormat::cfUnsupported:
        break;
    }
    return kind;
}

std::unique_ptr<TVexXMLParser> LoadChannelFile(const std::string& fileName) {
    auto document = std::make_unique<TVexXMLParser>();
    document->LoadFromFile(fileName);
    return document;
}

void DownloadChannelFile(const std::string& address, const std::string& fileName, DownloadOptions options) {
    std::string failure;
    options.Failure = &failure;
    DownloadFile(address, fileName, options);
    // Without a body, why the transfer failed says more than the empty
    // document would.
    std::error_code error;
    if (!failure.empty() && std::filesystem::file_size(fileName, error) == 0 && !error)
        throw Exception(failure);
}

std::unique_ptr<TVexXMLParser> DownloadChannel(const std::string& address, const std::string& fileName,
                                               const std::function<void(std::uint64_t)>& pulse) {
    DownloadOptions options;
    options.Pulse = pulse;
    DownloadChannelFile(address, fileName, options);
    return LoadChannelFile(fileName);
}
