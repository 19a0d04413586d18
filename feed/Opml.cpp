#include "feed/Opml.h"

#include "base/Exceptions.h"
#include "feed/ChannelFetch.h"
#include "feed/Decode.h"
#include "xml/NameKey.h"
#include "xml/VexXMLParser.h"
#include "xml/XmlEscape.h"

#include <memory>

std::vector<std::string> ReadOpmlAddresses(const std::string& fileName) {
    const std::unique_ptr<TVexXMLParser> document = LoadChannelFile(fileName);
    TVexXMLNode* root = nullptr;
    for (int i = 0; i < document->Count() && !root; ++i)
        if (document->Items(i)->Kind() == nkElement)
            root = document->Items(i);
    if (!root || !SameNameKey(root->Name(), "opml"))
        throw Exception("The file is not an OPML file");
    const TVexXMLNode* declaration = ChannelDeclaration(*document);
    const TVexXMLParameter* encoding = declaration ? declaration->Attribute("encoding") : nullptr;
    const TTextDecoder decoder(encoding ? std::string_view(encoding->Value()) : std::string_view());

    // Depth first in document order, without recursion: folders nest.
    std::vector<std::string> addresses;
    struct TFrame {
        const TVexXMLNode* node;
        int next;
    };
    std::vector<TFrame> open{{root, 0}};
    while (!open.empty()) {
        TFrame& frame = open.back();
        if (frame.next == frame.node->Count()) {
            open.pop_back();
            continue;
        }
        const TVexXMLNode* child = frame.node->Items(frame.next++);
        if (child->Kind() != nkElement)
            continue;
        if (SameNameKey(child->Name(), "outline"))
            if (const TVexXMLParameter* url = child->Attribute("xmlUrl"); url && !url->Value().empty())
                addresses.push_back(decoder.Decode(url->Value()));
        open.push_back({child, 0});
    }
    return addresses;
}

std::string OpmlDocument(const std::vector<std::string>& addresses, const std::vector<std::string>& titles) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<opml version=\"2.0\">\n"
                       "  <head>\n"
                       "    <title>Nemara channels</title>\n"
                       "  </head>\n"
                       "  <body>\n";
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        std::string escaped, title;
        AppendXmlEscaped(escaped, addresses[i]);
        if (i < titles.size() && !titles[i].empty())
            AppendXmlEscaped(title, titles[i]);
        text += "    <outline type=\"rss\" text=\"" + (title.empty() ? escaped : title) + "\" xmlUrl=\"" +
                escaped + "\"/>\n";
    }
    text += "  </body>\n"
            "</opml>\n";
    return text;
}
