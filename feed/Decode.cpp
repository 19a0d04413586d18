#include "feed/Decode.h"

#include "base/CodePage.h"

#include <cstdint>
#include <cstring>

namespace {

bool EqualsIgnoringAsciiCase(std::string_view name, std::string_view lower) {
    if (name.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i])
            return false;
    }
    return true;
}

bool IsTrail(unsigned char b) { return b >= 0x80 && b <= 0xBF; }
bool IsHighSurrogate(unsigned c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(unsigned c) { return c >= 0xDC00 && c <= 0xDFFF; }

// UTF-8 straight into the display code page, one byte per 16-bit character.
// Lenient on purpose: overlong forms pass, and any byte from 80 up opens a
// two- or three-byte sequence, chosen by bit 20. A lead byte F0..F4 with
// three trail bytes is one character beyond 16 bits, which the code page
// lacks. A missing or out-of-range trail byte empties the whole text.
// Surrogates (three-byte sequences ED A0.. to ED BF..) have no byte; a high
// one followed by a low one is one character and gives one "?".
std::string Utf8ToDisplay(std::string_view text) {
    const std::int16_t* fromUnicode = Win1250FromUnicodeTable();
    std::string out(text.size(), '\0');
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    char* dst = out.data();
    std::size_t i = 0;
    unsigned previous = 0;  // the last character, for surrogate pairs
    while (i < n) {
        // Runs of ASCII are copied as they stand.
        std::size_t run = i;
        while (run < n && in[run] < 0x80)
            ++run;
        if (run > i) {
            std::memcpy(dst, in + i, run - i);
            dst += run - i;
            i = run;
            previous = 0;
            if (i == n)
                break;
        }
        const unsigned char b = in[i];
        unsigned c;
        if (b >= 0xF0 && b <= 0xF4 && i + 3 < n && IsTrail(in[i + 1]) && IsTrail(in[i + 2]) &&
            IsTrail(in[i + 3])) {
            c = 0xFFFD;
            i += 4;
        } else if (b & 0x20) {
            if (i + 2 >= n || !IsTrail(in[i + 1]) || !IsTrail(in[i + 2]))
                return std::string();
            c = ((b & 0x0Fu) << 12) | ((in[i + 1] & 0x3Fu) << 6) | (in[i + 2] & 0x3Fu);
            i += 3;
        } else {
            if (i + 1 >= n || !IsTrail(in[i + 1]))
                return std::string();
            c = ((b & 0x1Fu) << 6) | (in[i + 1] & 0x3Fu);
            i += 2;
        }
        if (IsLowSurrogate(c) && IsHighSurrogate(previous)) {
            previous = 0;  // the pair's "?" is out already
            continue;
        }
        previous = c;
        const int w = IsHighSurrogate(c) || IsLowSurrogate(c) ? -1 : fromUnicode[c];
        *dst++ = w < 0 ? '?' : static_cast<char>(w);
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
}

}  // namespace

TTextEncoding TextEncodingOf(std::string_view encoding) {
    if (EqualsIgnoringAsciiCase(encoding, "utf-8"))
        return TTextEncoding::teUtf8;
    if (EqualsIgnoringAsciiCase(encoding, "iso-8859-2"))
        return TTextEncoding::teIso88592;
    return TTextEncoding::teAsIs;
}

std::string Decode(TTextEncoding encoding, std::string_view text) {
    switch (encoding) {
    case TTextEncoding::teUtf8:
        return Utf8ToDisplay(text);
    case TTextEncoding::teIso88592:
        return IsoToWin(text);
    case TTextEncoding::teAsIs:
        break;
    }
    return std::string(text);
}

std::string Decode(std::string_view encoding, std::string_view text) {
    return Decode(TextEncodingOf(encoding), text);
}

std::string IsoToWin(std::string_view text) {
    const std::array<char, 256>& table = Iso88592ToWin1250Table();
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = table[static_cast<unsigned char>(text[i])];
    return out;
}
