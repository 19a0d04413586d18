// Reading a parsed RSS 2.0 or Atom document into the channel record.
//
// The encoding comes from the XML declaration when the document has one
// (ChannelDeclaration); the root is its first top-level element
// (ChannelRoot). Element names are looked up ignoring
// ASCII case; items and entries are only the children named exactly "item"
// or "entry". Every stored text is decoded from the declared encoding.
//
// A read that fails part-way leaves the fields written so far: News may
// already have its new length, entries filled up to the failing one.
// Absent optional elements are created, empty, in the document.
#pragma once

#include "feed/Channel.h"
#include "feed/ShortDate.h"

class TVexBaseXmlNode;

// The channel element is the root's first child, whatever its name. An item
// without a category has an empty one. Raises Exception when a required
// element is missing or the document has no element, EVexXMLError when the
// root has no child, EConvertError for a pubDate that is no date.
void ReadChannelRss(TVexBaseXmlNode& document, TRSS& channel);

// The feed element itself is the channel. Every Category becomes empty; an
// entry's description is its "summary", else its "content", else empty; its date is the first 10 characters
// of "updated" converted in the given short date format. Raises as ReadChannelRss.
void ReadChannelAtom(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format);
