#include "feed/ChannelReader.h"

#include "base/Dates.h"
#include "feed/ChannelFetch.h"
#include "feed/Decode.h"
#include "feed/RssDate.h"
#include "xml/NameKey.h"
#include "xml/XmlEscape.h"
#include "xml/VexXMLParser.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One read of a document into a channel record. The declared encoding
// comes first: every later text is decoded with it, so which conversion
// applies is decided once. Each text is decoded straight into the
// channel's store.
class TReader {
public:
    // `prefix` is the one under which the feed's own elements are written
    // (FeedPrefix).
    TReader(TVexBaseXmlNode& document, TRSS& channel, std::string prefix)
        : FChannel(channel), FDecoder(Transcoded(document) ? "utf-8" : DeclaredEncoding(document)),
          FPrefix(std::move(prefix)) {
        if (const auto* parsed = dynamic_cast<const TVexXMLParser*>(&document))
            FCut = &parsed->CutShort();
        channel.Clear();
        const TTranscodedDocument* transcoded = Transcoded(document);
        channel.Encoding = Keep(
            TTextDecoder(""), transcoded ? transcoded->DeclaredEncoding : DeclaredEncoding(document), false);
    }

    // The decoded content of an element; with lineFeedsToSpaces its line
    // feeds become spaces. An absent element reads as the empty text.
    std::string_view Content(const TVexXMLNode* node, bool lineFeedsToSpaces = false) {
        if (!node)
            return {};
        if (node->Count() == 0)
            return Decode(node->Text(), lineFeedsToSpaces);
        FMarkup.clear();
        AppendInnerMarkup(*node, FMarkup);
        return Decode(FMarkup, lineFeedsToSpaces);
    }

    std::string_view Decode(std::string_view text, bool lineFeedsToSpaces) {
        return Keep(FDecoder, text, lineFeedsToSpaces);
    }

    const std::string& Prefix() const { return FPrefix; }

    // The name of a feed's element without the feed's prefix.
    std::string_view Local(std::string_view name) const {
        return !FPrefix.empty() && name.starts_with(FPrefix) ? name.substr(FPrefix.size()) : name;
    }

    // The first element child of each of the names, found in one pass over
    // the children (what NodeByName gives for each, without an index): an
    // item is read by looking at each of its children once, and a channel
    // with many items costs no index. Names without a colon are the feed's
    // own, written with its prefix or without.
    template <std::size_t N>
    std::array<const TVexXMLNode*, N> Children(const TVexXMLNode& parent,
                                               const std::array<std::string_view, N>& names) const {
        std::array<const TVexXMLNode*, N> found{};
        std::size_t missing = N;
        const int n = parent.Count();
        for (int i = 0; i < n && missing > 0; ++i) {
            // Children not in the cache yet are asked for a few steps ahead.
            if (i + kAhead < n)
                __builtin_prefetch(parent.Items(i + kAhead));
            const TVexXMLNode* child = parent.Items(i);
            if (child->Kind() != nkElement)
                continue;
            const std::string_view name = Local(child->Name());
            for (std::size_t k = 0; k < N; ++k)
                if (!found[k] && name.size() == names[k].size() && SameNameKey(name, names[k])) {
                    found[k] = child;
                    --missing;
                    break;
                }
        }
        return found;
    }

    // Title, description and language, and with rssLink the RSS link; the
    // Atom link is AtomLink.
    void ReadChannelFields(const TVexXMLNode* element, bool rssLink) {
        if (!element)
            return;
        static constexpr std::array<std::string_view, 4> kFields = {"title", "description", "language",
                                                                    "link"};
        const auto f = Children(*element, kFields);
        FChannel.Title = Content(f[0]);
        FChannel.Description = Content(f[1]);
        FChannel.Language = Content(f[2]);
        if (rssLink)
            FChannel.Link = Content(f[3]);
    }

    // Adds an entry to News for each child named exactly itemName and
    // hands both to readItem, in document order.
    template <typename ReadItem>
    void ReadItems(const TVexXMLNode* element, std::string_view itemName, ReadItem readItem) {
        const int n = element ? element->Count() : 0;
        TRSSItems& news = FChannel.News;
        // Room for every child: the few that are no items cost less than a
        // pass to count them.
        news.reserve(news.size() + static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            if (i + kAheadItems < n)
                FetchStretch(*element, i + kAheadItems);
            const TVexXMLNode& item = *element->Items(i);
            if (Local(item.Name()) == itemName && Whole(item))
                readItem(item, news.emplace_back());
        }
    }

    // A new last entry of News.
    TRSSItem& NewItem() { return FChannel.News.emplace_back(); }

    // False for an item that the end of a broken document cut short before
    // its title was whole: it is not shown.
    bool Whole(const TVexXMLNode& item) const {
        if (!FCut || FCut->empty() || !IsCut(&item))
            return true;
        static constexpr std::array<std::string_view, 1> kTitle = {"title"};
        const TVexXMLNode* title = Children(item, kTitle)[0];
        return title && !IsCut(title);
    }

    // The enclosures among the item's children (and in a Media RSS group),
    // kept with the channel's texts.
    std::span<const TEnclosure> Enclosures(const TVexXMLNode& item) {
        FEnclosures.clear();
        std::vector<const TVexXMLNode*> groups;
        const auto scan = [this, &groups](const TVexXMLNode& parent) {
            for (int i = 0; i < parent.Count(); ++i) {
                const TVexXMLNode& child = *parent.Items(i);
                if (child.Kind() != nkElement)
                    continue;
                const std::string_view name = Local(child.Name());
                if (SameNameKey(name, "enclosure"))
                    AddEnclosure(child, "url", "length");
                else if (SameNameKey(name, "media:content"))
                    AddEnclosure(child, "url", "fileSize");
                else if (SameNameKey(name, "media:group"))
                    groups.push_back(&child);
                else if (SameNameKey(name, "link") && Value(child, "rel") == "enclosure")
                    AddEnclosure(child, "href", "length");
            }
        };
        scan(item);
        for (std::size_t i = 0; i < groups.size(); ++i)
            scan(*groups[i]);
        return FChannel.Texts.KeepArray(std::span<const TEnclosure>(FEnclosures));
    }

private:
    static constexpr int kAhead = 4;
    static constexpr int kAheadItems = 2;

    // A parsed document lays out each child with all it holds (its nodes,
    // texts and child arrays) in one stretch of memory, up to the next
    // child. Reading a large feed is mostly waiting for that memory, so the
    // stretch of an item ahead is asked for while this one is read. Elsewhere
    // (a tree built by hand) this only wastes a few requests.
    static void FetchStretch(const TVexXMLNode& parent, int i) {
        constexpr std::ptrdiff_t kLine = 64, kMost = 4096;
        const char* from = reinterpret_cast<const char*>(parent.Items(i));
        std::ptrdiff_t size = kLine * 4;
        if (i + 1 < parent.Count()) {
            const std::ptrdiff_t next = reinterpret_cast<const char*>(parent.Items(i + 1)) - from;
            if (next > 0)
                size = std::min(next, kMost);
        }
        for (std::ptrdiff_t at = 0; at < size; at += kLine)
            __builtin_prefetch(from + at);
    }

    // A document converted to UTF-8 before its parse.
    static const TTranscodedDocument* Transcoded(const TVexBaseXmlNode& document) {
        return dynamic_cast<const TTranscodedDocument*>(&document);
    }

    static std::string_view DeclaredEncoding(TVexBaseXmlNode& document) {
        TVexXMLNode* declaration = ChannelDeclaration(document);
        const TVexXMLParameter* encoding = declaration ? declaration->Attribute("encoding") : nullptr;
        return encoding ? std::string_view(encoding->Value()) : std::string_view();
    }

    std::string_view Keep(const TTextDecoder& decoder, std::string_view text, bool lineFeedsToSpaces) {
        if (text.empty())
            return {};
        TTextStore& store = FChannel.Texts;
        char* out = store.Reserve(TTextDecoder::MaxSize(text.size()));
        return store.KeepWritten(decoder.Decode(text, out, lineFeedsToSpaces));
    }

    bool IsCut(const TVexXMLNode* node) const {
        return std::find(FCut->begin(), FCut->end(), node) != FCut->end();
    }

    static std::string_view Value(const TVexXMLNode& element, std::string_view attribute) {
        const TVexXMLParameter* found = element.Attribute(attribute);
        return found ? std::string_view(found->Value()) : std::string_view();
    }

    // One enclosure, unless its address is empty or the item has it already
    // (an RSS enclosure repeated as Media RSS content).
    void AddEnclosure(const TVexXMLNode& element, std::string_view urlName, std::string_view lengthName) {
        const std::string_view url = Value(element, urlName);
        if (url.empty())
            return;
        const std::string_view kept = Decode(url, false);
        for (const TEnclosure& known : FEnclosures)
            if (known.Url == kept)
                return;
        std::uint64_t length = 0;
        for (const char c : Value(element, lengthName)) {
            if (c < '0' || c > '9' || length > (UINT64_MAX - 9) / 10) {
                length = 0;
                break;
            }
            length = length * 10 + static_cast<std::uint64_t>(c - '0');
        }
        FEnclosures.push_back({kept, Decode(Value(element, "type"), false), length});
    }

    TRSS& FChannel;
    TTextDecoder FDecoder;
    std::string FPrefix;
    const std::vector<const TVexXMLNode*>* FCut = nullptr;
    std::string FMarkup;  // an element with children, rebuilt as markup
    std::vector<TEnclosure> FEnclosures;
};

// FeedPrefix of the document's first top-level element; "" without one.
std::string DocumentPrefix(const TVexBaseXmlNode& document) {
    for (int i = 0; i < document.Count(); ++i)
        if (const TVexXMLNode* node = document.Items(i); node->Kind() == nkElement)
            return FeedPrefix(*node);
    return {};
}

// What an element holds: its text, or children.
bool HasContent(const TVexXMLNode* node) { return node && (!node->Text().empty() || node->Count() > 0); }

// The root's child named "channel", else its first element child.
const TVexXMLNode* ChannelElement(const TReader& reader, const TVexXMLNode& root) {
    static constexpr std::array<std::string_view, 1> kChannel = {"channel"};
    if (const TVexXMLNode* channel = reader.Children(root, kChannel)[0])
        return channel;
    for (int i = 0; i < root.Count(); ++i)
        if (TVexXMLNode* child = root.Items(i); child->Kind() == nkElement)
            return child;
    return nullptr;
}

double RssDate(std::string_view text) {
    double date = 0;
    return TryParseRssDate(text, date) ? date : kNoDate;
}

// "2026-12-07T22:03:49Z": the date is the first 10 characters.
double AtomDate(std::string_view text, const TShortDateFormat& format, int currentYear) {
    const std::string_view day = text.substr(0, 10);
    double date = 0;
    if (TryStrToDate(day, format, currentYear, date) || TryParseYmdDate(day, date))
        return date;
    return kNoDate;
}

void ReadRssItem(TReader& reader, const TVexXMLNode& item, TRSSItem& entry) {
    static constexpr std::array<std::string_view, 9> kFields = {
        "category", "dc:subject", "title",   "description",    "link",
        "guid",     "pubdate",    "dc:date", "content:encoded"};
    const auto f = reader.Children(item, kFields);
    entry.Category = reader.Content(f[0] ? f[0] : f[1]);
    entry.Title = reader.Content(f[2]);
    // The full text, where the feed gives it, before the summary.
    entry.Description = reader.Content(HasContent(f[8]) ? f[8] : f[3], true);
    entry.Link = reader.Content(f[4]);
    entry.Guid = reader.Content(f[5]);
    const TVexXMLNode* date = f[6] ? f[6] : f[7];
    entry.Date = RssDate(date ? date->Text() : std::string_view());
    entry.Enclosures = reader.Enclosures(item);
}

// How Atom dates are read: a short date without a year falls in the year
// asked once per read.
struct TAtomDates {
    const TShortDateFormat& Format;
    int CurrentYear;
};

void ReadAtomEntry(TReader& reader, const TVexXMLNode& node, TRSSItem& entry, const TAtomDates& dates) {
    // Atom 0.3's dates (modified, issued, created) after 1.0's.
    static constexpr std::array<std::string_view, 9> kFields = {
        "title", "summary", "content", "id", "updated", "published", "modified", "issued", "created"};
    const auto f = reader.Children(node, kFields);
    entry.Title = reader.Content(f[0]);
    // The full text, where the feed gives it, before the summary.
    entry.Description = reader.Content(HasContent(f[2]) ? f[2] : f[1] ? f[1] : f[2], true);
    entry.Link = reader.Decode(AtomLink(node, reader.Prefix()), false);
    entry.Guid = reader.Content(f[3]);
    const TVexXMLNode* date = nullptr;
    for (std::size_t k = 4; k < f.size() && !date; ++k)
        date = f[k];
    entry.Date = AtomDate(date ? date->Text() : std::string_view(), dates.Format, dates.CurrentYear);
    entry.Enclosures = reader.Enclosures(node);
}

// The channel's fields and the items still in the document, after any read
// already.
void ReadRss(TReader& reader, TVexBaseXmlNode& document) {
    TVexXMLNode& root = ChannelRoot(document);
    const TVexXMLNode* element = ChannelElement(reader, root);
    reader.ReadChannelFields(element, true);
    // RSS 1.0 keeps its items beside the channel, not inside it.
    const TVexXMLNode* items = IsRssVersion1(root) ? &root : element;
    reader.ReadItems(items, "item", [&reader](const TVexXMLNode& item, TRSSItem& entry) {
        ReadRssItem(reader, item, entry);
    });
}

void ReadAtom(TReader& reader, TVexBaseXmlNode& document, TRSS& channel, const TAtomDates& dates) {
    TVexXMLNode& element = ChannelRoot(document);
    if (reader.Local(element.Name()) == "entry") {
        // A document of one entry: a channel of one item, which links to it.
        if (reader.Whole(element))
            ReadAtomEntry(reader, element, reader.NewItem(), dates);
        channel.Link = reader.Decode(AtomLink(element, reader.Prefix()), false);
        return;
    }
    reader.ReadChannelFields(&element, false);
    channel.Link = reader.Decode(AtomLink(element, reader.Prefix()), false);
    reader.ReadItems(&element, "entry", [&reader, &dates](const TVexXMLNode& node, TRSSItem& entry) {
        ReadAtomEntry(reader, node, entry, dates);
    });
}

}  // namespace

std::string InnerMarkup(const TVexXMLNode& element) {
    std::string out;
    AppendInnerMarkup(element, out);
    return out;
}

void AppendInnerMarkup(const TVexXMLNode& element, std::string& out) {
    enum TPiece { pText, pOpening, pClosing };
    out += element.Text();
    TPiece last = out.empty() ? pOpening : pText;
    const auto appendText = [&](std::string_view text) {
        if (text.empty())
            return;
        // Punctuation keeps to the word before it: "<a>link</a>." stays so.
        if (last == pClosing && std::string_view(".,;:!?)]").find(text.front()) == std::string_view::npos)
            out += ' ';
        out += text;
        last = pText;
    };
    struct TFrame {
        const TVexXMLNode* node;
        int next;
    };
    std::vector<TFrame> open{{&element, 0}};
    while (!open.empty()) {
        const TVexXMLNode* node = open.back().node;
        const int index = open.back().next++;
        if (index == node->Count()) {
            open.pop_back();
            if (!open.empty()) {
                out += "</";
                out += node->Name();
                out += '>';
                last = pClosing;
                appendText(node->Tail());
            }
            continue;
        }
        const TVexXMLNode* child = node->Items(index);
        if (child->Kind() != nkElement) {
            appendText(child->Tail());
            continue;
        }
        if (last != pOpening)
            out += ' ';
        out += '<';
        out += child->Name();
        const TVexXMLParameters& attributes = child->Parameters();
        for (int i = 0; i < attributes.Count(); ++i) {
            out += ' ';
            out += attributes.Items(i)->Name();
            out += "=\"";
            AppendXmlEscaped(out, attributes.Items(i)->Value());
            out += '"';
        }
        out += '>';
        last = pOpening;
        appendText(child->Text());
        open.push_back({child, 0});
    }
}

std::string_view AtomLink(const TVexXMLNode& element, std::string_view prefix) {
    TVexXMLNode* first = nullptr;
    TVexXMLNode* chosen = nullptr;
    for (int i = 0; i < element.Count() && !chosen; ++i) {
        TVexXMLNode* child = element.Items(i);
        std::string_view name = child->Name();
        if (!prefix.empty() && name.starts_with(prefix))
            name.remove_prefix(prefix.size());
        if (child->Kind() != nkElement || !SameNameKey(name, "link"))
            continue;
        if (!first)
            first = child;
        const TVexXMLParameter* rel = child->Attribute("rel");
        if (!rel || rel->Value() == "alternate")
            chosen = child;
    }
    if (!chosen)
        chosen = first;
    if (!chosen)
        return {};
    const TVexXMLParameter* href = chosen->Attribute("href");
    return href ? std::string_view(href->Value()) : chosen->Text();
}

void ReadChannelRss(TVexBaseXmlNode& document, TRSS& channel) {
    TReader reader(document, channel, DocumentPrefix(document));
    ReadRss(reader, document);
}

void ReadChannelAtom(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format) {
    TReader reader(document, channel, DocumentPrefix(document));
    ReadAtom(reader, document, channel, {format, CurrentYear()});
}

struct TChannelItemReader::TState {
    TState(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format)
        : Document(document), Channel(channel), Dates{format, CurrentYear()} {}

    TVexBaseXmlNode& Document;
    TRSS& Channel;
    TAtomDates Dates;
    // Made with the first item taken, when the declaration is complete, or
    // by Finish; it empties the record as a read does.
    std::optional<TReader> Reader;
    const TVexXMLNode* Root = nullptr;  // the open root seen last
    // What the items of Root are read as; cfUnsupported also when Root is
    // not the document's root element, or items are taken no more.
    TChannelFormat Format = TChannelFormat::cfUnsupported;
    bool RssVersion1 = false;  // Root is "rdf:RDF"
    bool ChannelSeen = false;  // a child of Root named "channel" is complete
    std::string Prefix;        // FeedPrefix of Root

    TReader& ReaderNow() {
        if (!Reader)
            Reader.emplace(Document, Channel, Root ? FeedPrefix(*Root) : DocumentPrefix(Document));
        return *Reader;
    }

    // The first root met is the document's root element unless an element
    // completed at the top level before it; any later one is not.
    void Enter(const TVexXMLNode& root) {
        Format = TChannelFormat::cfUnsupported;
        if (!Root) {
            bool first = true;
            for (int i = 0; i < Document.Count() && first; ++i)
                first = Document.Items(i)->Kind() != nkElement;
            if (first)
                Format = RootFormat(root);
        }
        RssVersion1 = IsRssVersion1(root);
        Prefix = FeedPrefix(root);
        Root = &root;
    }

    std::string_view Local(std::string_view name) const {
        return !Prefix.empty() && name.starts_with(Prefix) ? name.substr(Prefix.size()) : name;
    }
};

TChannelItemReader::TChannelItemReader(TVexBaseXmlNode& document, TRSS& channel,
                                       const TShortDateFormat& format)
    : FState(std::make_unique<TState>(document, channel, format)) {}

TChannelItemReader::~TChannelItemReader() = default;

bool TChannelItemReader::NodeCompleted(const TVexXMLNode& element, std::span<TVexXMLNode* const> open) {
    TState& s = *FState;
    if (open.front() != s.Root)
        s.Enter(*open.front());
    const std::string_view name = s.Local(element.Name());
    switch (s.Format) {
    case TChannelFormat::cfAtom:
        if (open.size() != 1 || name != "entry")
            return false;
        {
            TReader& reader = s.ReaderNow();
            if (reader.Whole(element))
                ReadAtomEntry(reader, element, reader.NewItem(), s.Dates);
            return true;
        }
    case TChannelFormat::cfRss:
        if (s.RssVersion1 && open.size() == 1 && name == "item") {
            // Before its channel, an item may be what the channel is read
            // from; it and every item after it stay for Finish, in order.
            if (!s.ChannelSeen) {
                s.Format = TChannelFormat::cfUnsupported;
                return false;
            }
        } else if (open.size() == 1) {
            s.ChannelSeen = s.ChannelSeen || (element.Kind() == nkElement && SameNameKey(name, "channel"));
            return false;
        } else if (s.RssVersion1 || open.size() != 2 || name != "item" || s.ChannelSeen ||
                   !SameNameKey(s.Local(open[1]->Name()), "channel")) {
            // Only the items of the first child named "channel" are read.
            return false;
        }
        {
            TReader& reader = s.ReaderNow();
            if (reader.Whole(element))
                ReadRssItem(reader, element, reader.NewItem());
            return true;
        }
    case TChannelFormat::cfUnsupported:
        break;
    }
    return false;
}

TChannelFormat TChannelItemReader::Finish() {
    TState& s = *FState;
    const TChannelFormat kind = ChannelFormat(s.Document);
    switch (kind) {
    case TChannelFormat::cfRss:
        ReadRss(s.ReaderNow(), s.Document);
        break;
    case TChannelFormat::cfAtom:
        ReadAtom(s.ReaderNow(), s.Document, s.Channel, s.Dates);
        break;
    case TChannelFormat::cfUnsupported:
        break;
    }
    return kind;
}
