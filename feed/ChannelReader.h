// Reading a parsed RSS 2.0, RSS 1.0 or Atom document into the channel record.
//
// The encoding comes from the XML declaration when the document has one
// (ChannelDeclaration), or, for a TTranscodedDocument, from what the file
// declared (its texts are UTF-8 already); the root is its first top-level element
// (ChannelRoot). Element names are looked up ignoring ASCII case; items and
// entries are only the children named exactly "item" or "entry". Every
// stored text is decoded from the declared encoding into UTF-8 (TTextDecoder),
// straight into the channel's store; a read first empties the record.
//
// Every element the readers look up is optional: a missing text is empty, a
// missing or unreadable date is kNoDate. Nothing is added to the
// document. An element with children (a description written as raw HTML,
// an Atom text of type "xhtml") is read as its inner markup (InnerMarkup).
#pragma once

#include "feed/Channel.h"
#include "feed/ShortDate.h"
#include "xml/XmlDocument.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>

class TVexBaseXmlNode;
class TVexXMLNode;

// The feed's own elements are found by their local names under the root's
// prefix for the feed's namespace (FeedPrefix), or without one.
//
// RSS 2.0: the channel element is the root's child named "channel", else its
// first element child; the items are the channel's. RSS 1.0 (a root "RDF"):
// the same channel, the items are the root's. An item's
// category is "category", else "dc:subject"; its description is
// "content:encoded" when it holds anything, else "description"; its date
// is "pubDate", else "dc:date", read by TryParseRssDate. Its enclosures
// are its "enclosure" and "media:content" elements (also in a
// "media:group"), each address once. Raises Exception only when the
// document has no element.
//
// After a recovering parse an item that the end of the text cut short is
// read only when its title was complete (TVexXMLParser::CutShort).
void ReadChannelRss(TVexBaseXmlNode& document, TRSS& channel);

// The feed element itself is the channel; a root "entry" is a channel of
// that one item. Every Category becomes empty; an entry's description is
// its "content" when that holds anything, else its "summary"; its link and
// the feed's are AtomLink, its enclosures its links of rel "enclosure"
// (and Media RSS content); its date is the first 10 characters of
// "updated", else of "published", "modified", "issued" or "created",
// converted in the given short date format or else read as "yyyy-mm-dd".
// Raises as ReadChannelRss.
void ReadChannelAtom(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format);

// Reads a channel while its document is parsed, as the sink of the parse:
// each item or entry that ReadChannel would read is read as the parse
// completes it and then leaves the tree, so the tree of an item-dense feed
// is never held whole. Finish, after the parse, reads the rest; the record
// is then what ReadChannel gives for the whole document. Where taking an
// item early could change what the rest reads as (an RSS 1.0 item before
// its channel), the items stay in the tree and are read by Finish.
class TChannelItemReader final : public TVexXMLNodeSink {
public:
    // `document` is about to be parsed; a TTranscodedDocument has its
    // DeclaredEncoding already.
    TChannelItemReader(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format);
    ~TChannelItemReader() override;

    bool NodeCompleted(const TVexXMLNode& element, std::span<TVexXMLNode* const> open) override;

    // ReadChannel of what the parse left. Raises what it raises.
    TChannelFormat Finish();

private:
    struct TState;
    std::unique_ptr<TState> FState;
};

// The element's text with its children rebuilt as markup: its text, then
// for each child element its tag with its attributes, the child's own inner
// markup, its closing tag and the child's tail (comments and instructions
// give their tails only). A space stands between a text and the tag that
// follows it and between a closing tag and the text after it (unless that
// begins with punctuation), since the parser trims the whitespace there and
// the words must not run together.
// Not decoded. Any depth, without recursion. AppendInnerMarkup appends it.
std::string InnerMarkup(const TVexXMLNode& element);
void AppendInnerMarkup(const TVexXMLNode& element, std::string& out);

// The href of the first "link" child whose "rel" is "alternate" or absent,
// else of the first "link"; that link's text when it has no href; "" when
// there is no link. Not decoded. A link's name may carry the prefix.
std::string_view AtomLink(const TVexXMLNode& element, std::string_view prefix = {});
