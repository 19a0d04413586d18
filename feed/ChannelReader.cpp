#include "feed/ChannelReader.h"

#include "base/Exceptions.h"
#include "feed/ChannelFetch.h"
#include "feed/Decode.h"
#include "feed/RssDate.h"
#include "xml/VexXMLParser.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace {

TVexXMLNode& Required(TVexXMLNode& parent, std::string_view name) {
    TVexXMLNode* node = parent.NodeByName(name, false);
    if (!node)
        throw Exception("Missing element \"" + std::string(name) + "\" in \"" + std::string(parent.Name()) +
                        "\"");
    return *node;
}

// One read of a document. The declared encoding comes first: every later
// text is decoded with it, so which conversion applies is decided once.
class TReader {
public:
    TReader(TVexBaseXmlNode& document, TRSS& channel) : FChannel(channel) {
        TVexXMLNode* declaration = ChannelDeclaration(document);
        channel.Encoding =
            declaration ? declaration->Parameters().ParamByName("encoding", true)->Value() : std::string();
        FEncoding = TextEncodingOf(channel.Encoding);
    }

    std::string RequiredText(TVexXMLNode& parent, std::string_view name) const {
        return Decode(FEncoding, Required(parent, name).Text());
    }

    // The text with its line feeds turned into spaces.
    std::string RequiredLine(TVexXMLNode& parent, std::string_view name) const {
        return DecodeLine(FEncoding, Required(parent, name).Text());
    }

    // An absent element is created empty, so its text is empty.
    std::string OptionalText(TVexXMLNode& parent, std::string_view name) const {
        return Decode(FEncoding, parent.NodeByName(name, true)->Text());
    }

    // The first of the elements that is there, or the empty text; nothing
    // is created. With lineFeedsToSpaces its line feeds become spaces.
    std::string FirstText(TVexXMLNode& parent, std::initializer_list<std::string_view> names,
                          bool lineFeedsToSpaces = false) const {
        for (std::string_view name : names)
            if (TVexXMLNode* node = parent.NodeByName(name, false))
                return lineFeedsToSpaces ? DecodeLine(FEncoding, node->Text())
                                         : Decode(FEncoding, node->Text());
        return std::string();
    }

    void ReadChannelFields(TVexXMLNode& element) const {
        FChannel.Title = RequiredText(element, "title");
        FChannel.Link = RequiredText(element, "link");
        FChannel.Description = OptionalText(element, "description");
        FChannel.Language = OptionalText(element, "language");
    }

    // Sizes News to the children named exactly itemName, then hands each of
    // them with its entry to readItem, in document order. A list that was
    // longer before gives its room back once every entry is read.
    template <typename ReadItem>
    void ReadItems(TVexXMLNode& element, std::string_view itemName, ReadItem readItem) const {
        const int n = element.Count();
        int items = 0;
        for (int i = 0; i < n; ++i)
            if (element.Items(i)->Name() == itemName)
                ++items;
        std::vector<TRSSItem>& news = FChannel.News;
        news.resize(static_cast<std::size_t>(items));
        std::size_t k = 0;
        for (int i = 0; i < n; ++i) {
            TVexXMLNode& item = *element.Items(i);
            if (item.Name() == itemName)
                readItem(item, news[k++]);
        }
        if (news.capacity() > news.size())
            news.shrink_to_fit();
    }

private:
    TRSS& FChannel;
    TTextEncoding FEncoding = TTextEncoding::teAsIs;
};

}  // namespace

void ReadChannelRss(TVexBaseXmlNode& document, TRSS& channel) {
    const TReader reader(document, channel);
    TVexXMLNode& element = *ChannelRoot(document).Items(0);
    reader.ReadChannelFields(element);
    reader.ReadItems(element, "item", [&reader](TVexXMLNode& item, TRSSItem& entry) {
        entry.Category = reader.FirstText(item, {"category"});
        entry.Title = reader.RequiredText(item, "title");
        entry.Description = reader.RequiredLine(item, "description");
        entry.Link = reader.RequiredText(item, "link");
        entry.Guid = reader.OptionalText(item, "guid");
        entry.Date = ParseRssDate(reader.RequiredText(item, "pubdate"));
    });
}

void ReadChannelAtom(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format) {
    const TReader reader(document, channel);
    TVexXMLNode& element = ChannelRoot(document);
    reader.ReadChannelFields(element);
    reader.ReadItems(element, "entry", [&reader, &format](TVexXMLNode& node, TRSSItem& entry) {
        entry.Category.clear();
        entry.Title = reader.RequiredText(node, "title");
        entry.Description = reader.FirstText(node, {"summary", "content"}, true);
        entry.Link = reader.RequiredText(node, "link");
        entry.Guid = reader.OptionalText(node, "id");
        // "2026-12-07T22:03:49Z": the date is the first 10 characters.
        const std::string updated = reader.RequiredText(node, "updated");
        entry.Date = StrToDate(std::string_view(updated).substr(0, 10), format);
    });
}
