#include "feed/Opml.h"

#include "base/Exceptions.h"
#include "feed/ChannelFetch.h"
#include "feed/Decode.h"
#include "feed/Download.h"
#include "xml/NameKey.h"
#include "xml/VexXMLParser.h"
#include "xml/XmlEscape.h"

#include <memory>
#include <string_view>
#include <utility>

namespace {

// An address the channel list can keep: one line, no control character,
// and a scheme the program reads (http, https, feed).
bool IsListableAddress(std::string_view address) {
    for (const char c : address)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F')
            return false;
    return IsWebAddress(address) || (address.size() >= 5 && SameNameKey(address.substr(0, 5), "feed:"));
}

// The text without the characters that XML 1.0 does not allow: the
// control characters other than tab, and U+FFFE and U+FFFF. A tab is
// written as a reference, since a parser turns a raw one into a space.
std::string XmlCharactersOnly(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\t') {
            kept += "&#9;";
            continue;
        }
        if (byte < 0x20)
            continue;
        if (byte == 0xEF && text.substr(i, 3) == "\xEF\xBF\xBE") {
            i += 2;
            continue;
        }
        if (byte == 0xEF && text.substr(i, 3) == "\xEF\xBF\xBF") {
            i += 2;
            continue;
        }
        kept += text[i];
    }
    return kept;
}

}  // namespace

std::vector<std::string> ReadOpmlAddresses(const std::string& fileName) {
    return ReadOpml(fileName).Addresses;
}

TOpmlAddresses ReadOpml(const std::string& fileName) {
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
    TOpmlAddresses found;
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
            if (const TVexXMLParameter* url = child->Attribute("xmlUrl"); url && !url->Value().empty()) {
                std::string address = decoder.Decode(url->Value());
                if (IsListableAddress(address))
                    found.Addresses.push_back(std::move(address));
                else
                    ++found.Rejected;
            }
        open.push_back({child, 0});
    }
    return found;
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
        escaped = XmlCharactersOnly(escaped);
        if (i < titles.size() && !titles[i].empty()) {
            AppendXmlEscaped(title, titles[i]);
            title = XmlCharactersOnly(title);
        }
        text += "    <outline type=\"rss\" text=\"" + (title.empty() ? escaped : title) + "\" xmlUrl=\"" +
                escaped + "\"/>\n";
    }
    text += "  </body>\n"
            "</opml>\n";
    return text;
}
