#include "feed/HtmlReference.h"

#include "xml/HtmlEntities.h"

#include <algorithm>

namespace {

// Numeric references 128 to 159 name the Windows-1252 characters there, as
// browsers read them (feeds written on Windows use &#146; for an apostrophe).
constexpr std::uint16_t kWindows1252[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view lower) {
    if (a.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != lower[i])
            return false;
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::uint32_t ReadCharacterReference(std::string_view text, std::size_t& i, bool inAttribute) {
    std::size_t p = i + 1;
    const std::size_t n = text.size();
    if (p < n && text[p] == '#') {
        ++p;
        const bool hex = p < n && (text[p] == 'x' || text[p] == 'X');
        if (hex)
            ++p;
        const std::size_t digits = p;
        std::uint32_t value = 0;
        for (; p < n; ++p) {
            const char c = text[p];
            std::uint32_t d;
            if (IsAsciiDigit(c))
                d = static_cast<std::uint32_t>(c - '0');
            else if (hex && AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f')
                d = static_cast<std::uint32_t>(AsciiLower(c) - 'a' + 10);
            else
                break;
            value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + d, 0x110000);
        }
        if (p == digits)
            return kNoReference;
        if (p < n && text[p] == ';')
            ++p;
        i = p;
        if (value >= 0x80 && value < 0xA0)
            return kWindows1252[value - 0x80];
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return 0xFFFD;
        return value;
    }
    constexpr std::size_t kLongestName = 32;
    while (p < n && p - i <= kLongestName && IsAsciiAlnum(text[p]))
        ++p;
    std::string_view name = text.substr(i + 1, p - i - 1);
    if (name.empty() || name.size() > kLongestName)
        return kNoReference;
    // "apos" is XML's and HTML 5's; the table holds HTML 4's names.
    const auto codePoint = [](std::string_view n) {
        return n == "apos" ? 0x27 : vexxml::HtmlEntityCodePoint(n);
    };
    std::uint32_t value = codePoint(name);
    if (value != 0 && p < n && text[p] == ';') {
        i = p + 1;
        return value;
    }
    if (value != 0) {
        if (inAttribute && p < n && text[p] == '=')
            return kNoReference;
        i = p;
        return value;
    }
    // In text, a name without ";" may run into the letters after it
    // ("&copy2026"), as browsers read it.
    if (inAttribute)
        return kNoReference;
    for (name.remove_suffix(1); name.size() >= 2; name.remove_suffix(1))
        if ((value = codePoint(name)) != 0) {
            i += 1 + name.size();
            return value;
        }
    return kNoReference;
}

std::string DecodeAttribute(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size();) {
        if (value[i] == '&') {
            const std::uint32_t cp = ReadCharacterReference(value, i, true);
            if (cp != kNoReference) {
                AppendUtf8(out, cp);
                continue;
            }
        }
        out += value[i++];
    }
    return out;
}
