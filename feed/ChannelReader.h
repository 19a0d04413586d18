// Reading a parsed RSS 2.0 or Atom document into the channel record.
//
// The document's top-level node 0 is taken as the XML declaration and node 1
// as the root element ("rss" or "feed"). Element names are looked up ignoring
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

// The channel element is the root's first child, whatever its name. Raises
// Exception when a required element is missing, EVexXMLError when the
// document has no node 1 or the root no child, EConvertError for a pubDate
// that is no date.
void ReadChannelRss(TVexBaseXmlNode& document, TRSS& channel);

// The feed element itself is the channel. Every Category becomes empty; an
// entry's date is the first 10 characters of "updated" converted in the
// given short date format. Raises as ReadChannelRss.
void ReadChannelAtom(TVexBaseXmlNode& document, TRSS& channel, const TShortDateFormat& format);
