#include "feed/HtmlLink.h"

#include "feed/HtmlReference.h"

#include <algorithm>

namespace {

bool HasAllowedScheme(std::string_view address, std::size_t colon) {
    const std::string_view scheme = address.substr(0, colon);
    for (const std::string_view allowed : {"http", "https", "ftp", "mailto"})
        if (EqualsIgnoringCase(scheme, allowed))
            return true;
    return false;
}

// The end of an address's scheme (its ":"), or npos when it has none.
std::size_t SchemeEnd(std::string_view address) {
    if (address.empty() || !IsAsciiLetter(address[0]))
        return std::string_view::npos;
    for (std::size_t i = 1; i < address.size(); ++i) {
        const char c = address[i];
        if (c == ':')
            return i;
        if (!IsAsciiAlnum(c) && c != '+' && c != '-' && c != '.')
            break;
    }
    return std::string_view::npos;
}

// A path without its "." and ".." segments.
std::string RemoveDotSegments(std::string_view path) {
    std::string out;
    std::size_t i = 0;
    while (i < path.size()) {
        std::size_t end = path.find('/', i + 1);
        if (end == std::string_view::npos)
            end = path.size();
        // A segment with its leading "/" (the first may have none).
        const std::string_view segment = path.substr(i, end - i);
        const std::string_view bare = segment.starts_with('/') ? segment.substr(1) : segment;
        if (bare == ".") {
            if (end == path.size())
                out += '/';
        } else if (bare == "..") {
            const std::size_t last = out.rfind('/');
            out.resize(last == std::string::npos ? 0 : last);
            if (end == path.size())
                out += '/';
        } else {
            out.append(segment);
        }
        i = end;
    }
    return out;
}

}  // namespace

std::string ResolveLink(std::string_view href, std::string_view base) {
    std::string address;
    address.reserve(href.size());
    for (const char c : href)
        if (c != '\t' && c != '\n' && c != '\r')
            address += c;
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!address.empty() && blank(address.back()))
        address.pop_back();
    const std::size_t first =
        static_cast<std::size_t>(std::find_if_not(address.begin(), address.end(), blank) - address.begin());
    address.erase(0, first);
    if (address.empty())
        return {};
    if (const std::size_t colon = SchemeEnd(address); colon != std::string_view::npos)
        return HasAllowedScheme(address, colon) ? address : std::string();

    // A relative link needs a web address with a host to stand on.
    const std::size_t baseColon = SchemeEnd(base);
    if (baseColon == std::string_view::npos || !HasAllowedScheme(base, baseColon) ||
        EqualsIgnoringCase(base.substr(0, baseColon), "mailto") || base.substr(baseColon + 1, 2) != "//")
        return {};
    const std::size_t hostBegin = baseColon + 3;
    const std::size_t pathBegin = std::min(base.find_first_of("/?#", hostBegin), base.size());
    const std::string_view origin = base.substr(0, pathBegin);
    const std::size_t queryBegin = std::min(base.find_first_of("?#", pathBegin), base.size());
    const std::string_view basePath = base.substr(pathBegin, queryBegin - pathBegin);

    if (address.starts_with("//"))
        return std::string(base.substr(0, baseColon + 1)) + address;
    if (address.starts_with('#')) {
        const std::size_t fragment = std::min(base.find('#'), base.size());
        return std::string(base.substr(0, fragment)) + address;
    }
    if (address.starts_with('?'))
        return std::string(origin) + (basePath.empty() ? std::string("/") : std::string(basePath)) + address;
    const std::size_t suffixAt = std::min(address.find_first_of("?#"), address.size());
    std::string path = address.substr(0, suffixAt);
    if (!path.starts_with('/')) {
        const std::size_t slash = basePath.rfind('/');
        path = std::string(slash == std::string_view::npos ? "/" : basePath.substr(0, slash + 1)) + path;
    }
    return std::string(origin) + RemoveDotSegments(path) + address.substr(suffixAt);
}
