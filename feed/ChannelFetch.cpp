#include "feed/ChannelFetch.h"

#include "feed/ChannelReader.h"
#include "feed/Download.h"
#include "xml/VexXMLParser.h"

TVexXMLNode& ChannelRoot(const TVexBaseXmlNode& document) {
    return *document.Items(1);
}

TChannelFormat ChannelFormat(const TVexBaseXmlNode& document) {
    const std::string& name = ChannelRoot(document).Name();
    if (name == "rss")
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

std::unique_ptr<TVexXMLParser> DownloadChannel(const std::string& address, const std::string& fileName) {
    DownloadFile(address, fileName);
    return LoadChannelFile(fileName);
}
