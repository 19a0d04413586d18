#include "feed/Decode.h"

#include "base/CodePage.h"

#include <optional>

namespace {

// a s z A S L Z with ogonek, acute or stroke; the same position in both.
constexpr std::string_view IsoLetters = "\xB1\xB6\xBC\xA1\xA6\xA3\xAC";
constexpr std::string_view WinLetters = "\xB9\x9C\x9F\xA5\x8C\xA3\x8F";

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool IsTrail(unsigned char b) { return b >= 0x80 && b <= 0xBF; }

// UTF-8 into 16-bit characters. Lenient on purpose: overlong forms pass, and
// any byte from 80 up opens a two- or three-byte sequence, chosen by bit 20.
// A lead byte F0..F4 with three trail bytes is one character beyond 16 bits.
// A missing or out-of-range trail byte fails the
// whole text.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const size_t n = text.size();
    auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    size_t i = 0;
    while (i < n) {
        const unsigned char b = at(i);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            i += 1;
        } else if (b >= 0xF0 && b <= 0xF4 && i + 3 < n && IsTrail(at(i + 1)) &&
                   IsTrail(at(i + 2)) && IsTrail(at(i + 3))) {
            // The code page has nothing outside the 16-bit range, so which
            // character it was does not matter: the replacement character
            // stands for it.
            out += u'\xFFFD';
            i += 4;
        } else if (b & 0x20) {
            if (i + 2 >= n || !IsTrail(at(i + 1)) || !IsTrail(at(i + 2)))
                return std::nullopt;
            out += static_cast<char16_t>(((b & 0x0F) << 12) | ((at(i + 1) & 0x3F) << 6) |
                                         (at(i + 2) & 0x3F));
            i += 3;
        } else {
            if (i + 1 >= n || !IsTrail(at(i + 1)))
                return std::nullopt;
            out += static_cast<char16_t>(((b & 0x1F) << 6) | (at(i + 1) & 0x3F));
            i += 2;
        }
    }
    return out;
}

} // namespace

std::string Decode(std::string_view encoding, std::string_view text) {
    const std::string name = AsciiLower(encoding);
    if (name == "utf-8") {
        const std::optional<std::u16string> wide = Utf8ToUtf16(text);
        return wide ? Utf16ToWin1250(*wide) : std::string();
    }
    if (name == "iso-8859-2")
        return IsoToWin(text);
    return std::string(text);
}

std::string IsoToWin(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const size_t k = IsoLetters.find(c);
        if (k != std::string_view::npos)
            c = WinLetters[k];
    }
    return out;
}
