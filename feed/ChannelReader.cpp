#include "feed/ChannelReader.h"

#include "base/Exceptions.h"
#include "feed/Decode.h"
#include "feed/RssDate.h"
#include "xml/VexXMLParser.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

TVexXMLNode& Required(TVexXMLNode& parent, std::string_view name) {
    TVexXMLNode* node = parent.NodeByName(name, false);
    if (!node)
        throw Exception("Missing element \"" + std::string(name) + "\" in \"" +
                        std::string(parent.Name()) + "\"");
    return *node;
}

std::string RequiredText(TVexXMLNode& parent, std::string_view name, const TRSS& channel) {
    return Decode(channel.Encoding, Required(parent, name).Text());
}

// An absent element is created empty, so its text is empty.
std::string OptionalText(TVexXMLNode& parent, std::string_view name, const TRSS& channel) {
    return Decode(channel.Encoding, parent.NodeByName(name, true)->Text());
}

std::string LineFeedsToSpaces(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// The declared encoding comes first: every later text is decoded with it.
void ReadEncoding(TVexBaseXmlNode& document, TRSS& channel) {
    channel.Encoding = document.Items(0)->Parameters().ParamByName("encoding", true)->Value();
}

void ReadChannelFields(TVexXMLNode& element, TRSS& channel) {
    channel.Title = RequiredText(element, "title", channel);
    channel.Link = RequiredText(element, "link", channel);
    channel.Description = OptionalText(element, "description", channel);
    channel.Language = OptionalText(element, "language", channel);
}

// Sizes News to the children named exactly itemName, then hands each of them
// with its entry to readItem, in document order.
template <typename ReadItem>
void ReadItems(TVexXMLNode& element, std::string_view itemName, TRSS& channel, ReadItem readItem) {
    const int n = element.Count();
    int items = 0;
    for (int i = 0; i < n; ++i)
        if (element.Items(i)->Name() == itemName)
            ++items;
    channel.News.resize(static_cast<std::size_t>(items));
    std::size_t k = 0;
    for (int i = 0; i < n; ++i) {
        TVexXMLNode& item = *element.Items(i);
        if (item.Name() == itemName)
            readItem(item, channel.News[k++]);
    }
}

} // namespace

void ReadChannelRss(TVexBaseXmlNode& document, TRSS& channel) {
    ReadEncoding(document, channel);
    TVexXMLNode& element = *document.Items(1)->Items(0);
    ReadChannelFields(element, channel);
    ReadItems(element, "item", channel, [&channel](TVexXMLNode& item, TRSSItem& entry) {
        entry.Category = RequiredText(item, "category", channel);
        entry.Title = RequiredText(item, "title", channel);
        entry.Description = LineFeedsToSpaces(RequiredText(item, "description", channel));
        entry.Link = RequiredText(item, "link", channel);
        entry.Guid = OptionalText(item, "guid", channel);
        entry.Date = ParseRssDate(RequiredText(item, "pubdate", channel));
    });
}

void ReadChannelAtom(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format) {
    ReadEncoding(document, channel);
    TVexXMLNode& element = *document.Items(1);
    ReadChannelFields(element, channel);
    ReadItems(element, "entry", channel, [&channel, &format](TVexXMLNode& node, TRSSItem& entry) {
        entry.Category.clear();
        entry.Title = RequiredText(node, "title", channel);
        entry.Description = LineFeedsToSpaces(RequiredText(node, "summary", channel));
        entry.Link = RequiredText(node, "link", channel);
        entry.Guid = OptionalText(node, "id", channel);
        // "2026-12-07T22:03:49Z": the date is the first 10 characters.
        const std::string updated = RequiredText(node, "updated", channel);
        entry.Date = StrToDate(std::string_view(updated).substr(0, 10), format);
    });
}
