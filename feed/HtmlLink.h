// Where a link of an item's text goes: only an address that a browser may
// be given safely, relative ones resolved against the item's own.
#pragma once

#include <string>
#include <string_view>

// href (character references decoded) with the blanks at its ends and the
// tabs and line breaks in it removed; a relative one resolved against base.
// "" when it is no address a browser should be given (javascript:, data:,
// file:, a relative link without a web address to resolve it against).
// The schemes kept are http, https, ftp and mailto.
std::string ResolveLink(std::string_view href, std::string_view base);
