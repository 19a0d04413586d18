// Subscriptions in OPML, the format in which feed readers pass their lists
// of channels to one another.
#pragma once

#include <string>
#include <vector>

// The xmlUrl of every "outline" element of an OPML 1.0 or 2.0 file, at any
// depth, in document order, decoded into program text. Raises Exception
// "The file is not an OPML file" when the root element is not "opml", and
// what the XML library raises for broken XML.
std::vector<std::string> ReadOpmlAddresses(const std::string& fileName);

// The addresses (program text) as an OPML 2.0 document in UTF-8, one
// outline of type "rss" each, with the address as its xmlUrl, and as its
// text the channel's title where titles has one (else the address).
std::string OpmlDocument(const std::vector<std::string>& addresses,
                         const std::vector<std::string>& titles = {});
