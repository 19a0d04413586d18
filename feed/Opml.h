// Subscriptions in OPML, the format in which feed readers pass their lists
// of channels to one another.
#pragma once

#include <string>
#include <vector>

struct TOpmlAddresses {
    std::vector<std::string> Addresses;
    // Outlines whose address the list cannot keep: a control character in
    // it (a line break, a zero byte), a scheme other than http, https, feed.
    int Rejected = 0;
};

// The xmlUrl of every "outline" element of an OPML 1.0 or 2.0 file, at any
// depth, in document order, decoded into program text; those the list
// cannot keep are only counted. Raises Exception "The file is not an OPML
// file" when the root element is not "opml", and what the XML library
// raises for broken XML.
TOpmlAddresses ReadOpml(const std::string& fileName);
// The addresses of ReadOpml alone: what an import takes.
std::vector<std::string> ReadOpmlAddresses(const std::string& fileName);

// The addresses (program text) as an OPML 2.0 document in UTF-8, one
// outline of type "rss" each, with the address as its xmlUrl, and as its
// text the channel's title where titles has one (else the address); the
// characters that XML 1.0 does not allow are left out of both.
std::string OpmlDocument(const std::vector<std::string>& addresses,
                         const std::vector<std::string>& titles = {});
