#include "ui/MessageText.h"

#include "feed/HtmlText.h"

#include <algorithm>
#include <cstdio>

std::string ItemPlainText(const TItemText& item) {
    std::string text = HtmlPlainText(ReadHtmlText(item.Description, item.Link)) + "\r\n\r\n" + item.Link;
    for (const TItemEnclosure& enclosure : item.Enclosures)
        text.append("\r\n").append(EnclosureLine(enclosure.Url, enclosure.Type, enclosure.Length));
    return text;
}

std::string StripTags(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t open = text.find('<', i);
        if (open == std::string_view::npos)
            break;
        std::size_t close = text.find('>', open + 1);
        if (close == std::string_view::npos)
            break;
        result.append(text.substr(i, open - i));
        i = close + 1;
    }
    result.append(text.substr(std::min(i, text.size())));
    return result;
}

namespace {

bool IsDelimiter(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::pair<std::size_t, std::size_t> WordBoundsAt(std::string_view text, std::size_t p) {
    const std::size_t length = text.size();
    p = std::max<std::size_t>(p, 1);
    // 1-based positions: the first delimiter at or before p, then the
    // first at or after p; the one at start is trimmed with the blanks.
    std::size_t start = 1;
    for (std::size_t i = std::min(p, length); i >= 1; --i)
        if (IsDelimiter(text[i - 1])) {
            start = i;
            break;
        }
    std::size_t end = length + 1;
    for (std::size_t i = p; i <= length; ++i)
        if (IsDelimiter(text[i - 1])) {
            end = i;
            break;
        }
    std::size_t first = start - 1;
    std::size_t last = std::max(end - 1, first);
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return {first, last};
}

std::string ExtractWordAt(std::string_view text, std::size_t p) {
    auto [first, last] = WordBoundsAt(text, p);
    return std::string(text.substr(first, last - first));
}

bool IsLinkWord(std::string_view word) { return word.starts_with("http://") || word.starts_with("https://"); }

namespace {

constexpr std::string_view kEnclosure = "Enclosure: ";

}  // namespace

std::string EnclosureLine(std::string_view url, std::string_view type, std::uint64_t length) {
    std::string line(kEnclosure);
    line += type;
    if (length > 0) {
        if (!type.empty())
            line += ", ";
        constexpr std::uint64_t kKilo = 1024, kMega = kKilo * kKilo;
        char size[32];
        if (length < kMega)
            std::snprintf(
                size, sizeof size, "%llu KB",
                static_cast<unsigned long long>(std::max<std::uint64_t>(1, (length + kKilo / 2) / kKilo)));
        else
            std::snprintf(size, sizeof size, "%.1f MB", static_cast<double>(length) / kMega);
        line += size;
    }
    if (line.size() > kEnclosure.size())
        line += ": ";
    line += url;
    return line;
}

std::string EnclosureAt(std::string_view text, std::size_t index) {
    if (index > text.size())
        return {};
    const auto breakAt = [&text](std::size_t i) { return text[i] == '\r' || text[i] == '\n'; };
    std::size_t begin = index;
    while (begin > 0 && !breakAt(begin - 1))
        --begin;
    std::size_t end = index;
    while (end < text.size() && !breakAt(end))
        ++end;
    const std::string_view line = text.substr(begin, end - begin);
    if (!line.starts_with(kEnclosure))
        return {};
    const std::string_view url = line.substr(line.find_last_of(' ') + 1);
    return IsLinkWord(url) ? std::string(url) : std::string();
}

namespace {

// The code units of the character that begins with byte b; 0 for a trail byte.
std::size_t UnitsOf(unsigned char b) {
    if (b >= 0xF0)
        return 2;
    return (b & 0xC0) == 0x80 ? 0 : 1;
}

}  // namespace

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (const char c : utf8)
        units += UnitsOf(static_cast<unsigned char>(c));
    return units;
}

std::size_t Utf8Prefix(std::string_view utf8, std::size_t units) {
    std::size_t i = 0;
    for (; i < utf8.size(); ++i) {
        const std::size_t n = UnitsOf(static_cast<unsigned char>(utf8[i]));
        if (n > units)
            break;
        units -= n;
        if (n > 0 && units == 0) {
            // The character's trail bytes belong to it.
            ++i;
            while (i < utf8.size() && UnitsOf(static_cast<unsigned char>(utf8[i])) == 0)
                ++i;
            return i;
        }
    }
    return i;
}
