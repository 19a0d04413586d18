// Finding a site's feed: the feeds an HTML page links to, and addresses
// typed without a scheme.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// An address as a user types it: one without a scheme ("example.org/blog",
// "localhost:8080/rss") is taken as https; any other text stays as it is.
std::string TypedAddress(std::string_view text);

// Whether a downloaded body is an HTML page rather than a feed: its first
// element is "html" (or it declares the HTML document type), or the server
// called it text/html and its first element is none of a feed's roots.
// `head` is the body's beginning.
bool IsHtmlPage(std::string_view contentType, std::string_view head);

// The addresses of the RSS and Atom feeds the page names in its
// <link rel="alternate" type="application/rss+xml|application/atom+xml"
// href="..."> elements, in page order, resolved against the page's address.
std::vector<std::string> FeedLinks(std::string_view page, std::string_view pageAddress);

// A reference resolved against a base address, as a browser resolves a
// link: an absolute one stays, "//host/x", "/x", "x", "../x", "?q" and "#f"
// are taken from the base, and "." and ".." segments are removed.
std::string ResolveAddress(std::string_view base, std::string_view reference);
