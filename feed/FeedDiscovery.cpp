#include "feed/FeedDiscovery.h"

#include "xml/NameKey.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool StartsNoCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && SameNameKey(text.substr(0, start.size()), start);
}

// The scheme of an absolute address ("https"), or "" for a relative one.
std::string_view SchemeOf(std::string_view address) {
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(address[0])))
        return {};
    for (const char c : address.substr(0, colon))
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return {};
    return address.substr(0, colon);
}

// The name of the first element of a text: declarations, instructions,
// comments and a document type before it are passed over; "" when the text
// begins otherwise. `doctype` gets the document type's name.
std::string_view FirstElementName(std::string_view text, std::string_view& doctype) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    for (;;) {
        text = Trim(text);
        if (text.starts_with("<?")) {
            const std::size_t end = text.find("?>");
            if (end == std::string_view::npos)
                return {};
            text.remove_prefix(end + 2);
        } else if (text.starts_with("<!--")) {
            const std::size_t end = text.find("-->");
            if (end == std::string_view::npos)
                return {};
            text.remove_prefix(end + 3);
        } else if (StartsNoCase(text, "<!DOCTYPE")) {
            text.remove_prefix(9);
            text = Trim(text);
            std::size_t n = 0;
            while (n < text.size() && !IsSpace(text[n]) && text[n] != '>' && text[n] != '[')
                ++n;
            doctype = text.substr(0, n);
            const std::size_t end = text.find('>');
            if (end == std::string_view::npos)
                return {};
            text.remove_prefix(end + 1);
        } else if (text.starts_with("<")) {
            std::size_t n = 1;
            while (n < text.size() && !IsSpace(text[n]) && text[n] != '>' && text[n] != '/')
                ++n;
            return text.substr(1, n - 1);
        } else {
            return {};
        }
    }
}

// The attributes of the tag whose name ends at `at`, up to its ">":
// quoted, unquoted or without a value; names in lower case.
std::vector<std::pair<std::string, std::string>> TagAttributes(std::string_view page, std::size_t& at) {
    std::vector<std::pair<std::string, std::string>> attributes;
    while (at < page.size() && page[at] != '>') {
        if (IsSpace(page[at]) || page[at] == '/') {
            ++at;
            continue;
        }
        std::string name;
        while (at < page.size() && !IsSpace(page[at]) && page[at] != '=' && page[at] != '>' &&
               page[at] != '/')
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(page[at++])));
        while (at < page.size() && IsSpace(page[at]))
            ++at;
        std::string value;
        if (at < page.size() && page[at] == '=') {
            ++at;
            while (at < page.size() && IsSpace(page[at]))
                ++at;
            if (at < page.size() && (page[at] == '"' || page[at] == '\'')) {
                const char quote = page[at++];
                const std::size_t end = std::min(page.find(quote, at), page.size());
                value = page.substr(at, end - at);
                at = end + 1;
            } else {
                while (at < page.size() && !IsSpace(page[at]) && page[at] != '>')
                    value += page[at++];
            }
        }
        attributes.emplace_back(std::move(name), std::move(value));
    }
    return attributes;
}

// The few character references an address in a page is written with.
std::string UnescapeHref(std::string_view href) {
    std::string out;
    for (std::size_t i = 0; i < href.size(); ++i) {
        if (href.substr(i).starts_with("&amp;")) {
            out += '&';
            i += 4;
        } else if (href.substr(i).starts_with("&#38;")) {
            out += '&';
            i += 4;
        } else {
            out += href[i];
        }
    }
    return out;
}

bool HasToken(std::string_view list, std::string_view token) {
    std::size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && IsSpace(list[at]))
            ++at;
        std::size_t end = at;
        while (end < list.size() && !IsSpace(list[end]))
            ++end;
        if (end > at && SameNameKey(list.substr(at, end - at), token))
            return true;
        at = end;
    }
    return false;
}

// Removes "." and ".." segments from a path.
std::string RemoveDots(std::string_view path) {
    std::vector<std::string_view> segments;
    std::size_t at = 0;
    const bool absolute = path.starts_with('/');
    if (absolute)
        at = 1;
    bool directory = false;  // the path ends with a "/"
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view segment = path.substr(at, end - at);
        if (end == path.size())
            directory = segment.empty() || segment == "." || segment == "..";
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (segment != "." && !(segment.empty() && end == path.size())) {
            segments.push_back(segment);
        }
        at = end + 1;
    }
    std::string out = absolute ? "/" : "";
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0)
            out += '/';
        out += segments[i];
    }
    if (directory && !segments.empty())
        out += '/';
    return out;
}

}  // namespace

std::string TypedAddress(std::string_view text) {
    const std::string_view address = Trim(text);
    if (address.empty() || address.find("://") != std::string_view::npos || address.front() == '/' ||
        address.front() == '.' || address.find_first_of(" \t") != std::string_view::npos)
        return std::string(text);
    const std::string_view host = address.substr(0, address.find_first_of("/?#"));
    const std::string_view name = host.substr(0, host.find(':'));
    const std::string_view scheme = SchemeOf(address);
    // "feed:", "mailto:" and the like have a scheme; "example.org:8080" has a port.
    const bool port = !scheme.empty() && scheme == name &&
                      std::all_of(host.begin() + static_cast<std::ptrdiff_t>(name.size()) + 1, host.end(),
                                  [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    if (!scheme.empty() && !port)
        return std::string(text);
    if (name.find('.') == std::string_view::npos && !SameNameKey(name, "localhost"))
        return std::string(text);
    return "https://" + std::string(address);
}

bool IsHtmlPage(std::string_view contentType, std::string_view head) {
    std::string_view doctype;
    const std::string_view root = FirstElementName(head, doctype);
    if (SameNameKey(root, "html") || (root.empty() && SameNameKey(doctype, "html")))
        return true;
    const std::string_view type = Trim(contentType.substr(0, contentType.find(';')));
    if (!SameNameKey(type, "text/html") && !SameNameKey(type, "application/xhtml+xml"))
        return false;
    const std::string_view local =
        root.substr(root.find(':') == std::string_view::npos ? 0 : root.find(':') + 1);
    return local != "rss" && local != "feed" && local != "RDF" && local != "entry";
}

std::vector<std::string> FeedLinks(std::string_view page, std::string_view pageAddress) {
    std::vector<std::string> found;
    std::size_t at = 0;
    while ((at = page.find('<', at)) != std::string_view::npos) {
        if (page.substr(at).starts_with("<!--")) {
            const std::size_t end = page.find("-->", at + 4);
            if (end == std::string_view::npos)
                break;
            at = end + 3;
            continue;
        }
        ++at;
        if (!StartsNoCase(page.substr(at), "link") || at + 4 >= page.size() ||
            (!IsSpace(page[at + 4]) && page[at + 4] != '/' && page[at + 4] != '>'))
            continue;
        at += 4;
        std::string rel, type, href;
        for (auto& [name, value] : TagAttributes(page, at)) {
            if (name == "rel")
                rel = value;
            else if (name == "type")
                type = value;
            else if (name == "href")
                href = value;
        }
        const std::string_view kind = Trim(std::string_view(type).substr(0, type.find(';')));
        if (!HasToken(rel, "alternate") || Trim(href).empty() ||
            (!SameNameKey(kind, "application/rss+xml") && !SameNameKey(kind, "application/atom+xml")))
            continue;
        found.push_back(ResolveAddress(pageAddress, UnescapeHref(Trim(href))));
    }
    return found;
}

std::string ResolveAddress(std::string_view base, std::string_view reference) {
    if (!SchemeOf(reference).empty())
        return std::string(reference);
    const std::string_view scheme = SchemeOf(base);
    if (scheme.empty())
        return std::string(reference);
    // The base's parts: scheme ":" "//" authority path [? query] [# fragment].
    std::string_view rest = base.substr(scheme.size() + 1);
    rest = rest.substr(0, rest.find('#'));
    std::string_view authority;
    if (rest.starts_with("//")) {
        const std::size_t end = std::min(rest.find_first_of("/?", 2), rest.size());
        authority = rest.substr(0, end);
        rest.remove_prefix(end);
    }
    const std::string_view path = rest.substr(0, rest.find('?'));
    const std::string_view query = rest.substr(path.size());
    const std::string prefix = std::string(scheme) + ":" + std::string(authority);

    if (reference.starts_with("//"))
        return std::string(scheme) + ":" + std::string(reference);
    if (reference.empty())
        return prefix + std::string(path) + std::string(query);
    if (reference.starts_with('#'))
        return prefix + std::string(path) + std::string(query) + std::string(reference);
    if (reference.starts_with('?'))
        return prefix + std::string(path) + std::string(reference);
    const std::size_t tail = std::min(reference.find_first_of("?#"), reference.size());
    const std::string_view refPath = reference.substr(0, tail);
    std::string merged;
    if (refPath.starts_with('/')) {
        merged = refPath;
    } else {
        const std::size_t slash = path.rfind('/');
        merged = slash == std::string_view::npos ? (authority.empty() ? "" : "/")
                                                 : std::string(path.substr(0, slash + 1));
        merged += refPath;
    }
    return prefix + RemoveDots(merged) + std::string(reference.substr(tail));
}
