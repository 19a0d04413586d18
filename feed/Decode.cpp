#include "feed/Decode.h"

#include "base/CodePage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
// one followed by a low one is one character and gives one "?". With
// lineFeedsToSpaces every line feed of the result is a space.
std::string Utf8ToDisplay(std::string_view text, bool lineFeedsToSpaces) {
    const std::int16_t* fromUnicode = Win1250FromUnicodeTable();
    std::string out(text.size(), '\0');
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const unsigned char stop = lineFeedsToSpaces ? '\n' : 0x80;
    char* dst = out.data();
    std::size_t i = 0;
    unsigned previous = 0;  // the last character, for surrogate pairs
    while (i < n) {
        // ASCII is copied as it stands, sixteen bytes a step where SSE2 is
        // there: the whole step is stored and the output moves on by the
        // bytes before the first one to convert. The output is never longer
        // than the input read, so the store stays inside it.
#ifdef __SSE2__
        const __m128i stops = _mm_set1_epi8(static_cast<char>(stop));
        while (i + 16 <= n) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), bytes);
            const int mask = _mm_movemask_epi8(bytes) | _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, stops));
            const std::size_t run =
                mask ? static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) : 16;
            i += run;
            dst += run;
            if (run > 0)
                previous = 0;
            if (run < 16)
                break;
        }
        if (i == n)
            break;
#endif
        if (in[i] < 0x80 && in[i] != stop) {
            *dst++ = static_cast<char>(in[i++]);
            previous = 0;
            continue;
        }
        const unsigned char b = in[i];
        unsigned c;
        if (b < 0x80) {  // a line feed that becomes a space
            c = b;
            i += 1;
        } else if (b >= 0xF0 && b <= 0xF4 && i + 3 < n && IsTrail(in[i + 1]) && IsTrail(in[i + 2]) &&
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
        const char shown = w < 0 ? '?' : static_cast<char>(w);
        *dst++ = lineFeedsToSpaces && shown == '\n' ? ' ' : shown;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
}

std::string IsoToDisplay(std::string_view text, bool lineFeedsToSpaces) {
    std::array<char, 256> table = Iso88592ToWin1250Table();
    if (lineFeedsToSpaces)
        table['\n'] = ' ';
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = table[static_cast<unsigned char>(text[i])];
    return out;
}

std::string AsIs(std::string_view text, bool lineFeedsToSpaces) {
    std::string out(text);
    if (lineFeedsToSpaces)
        std::replace(out.begin(), out.end(), '\n', ' ');
    return out;
}

std::string DecodeText(TTextEncoding encoding, std::string_view text, bool lineFeedsToSpaces) {
    switch (encoding) {
    case TTextEncoding::teUtf8:
        return Utf8ToDisplay(text, lineFeedsToSpaces);
    case TTextEncoding::teIso88592:
        return IsoToDisplay(text, lineFeedsToSpaces);
    case TTextEncoding::teAsIs:
        break;
    }
    return AsIs(text, lineFeedsToSpaces);
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
    return DecodeText(encoding, text, false);
}

std::string DecodeLine(TTextEncoding encoding, std::string_view text) {
    return DecodeText(encoding, text, true);
}

std::string Decode(std::string_view encoding, std::string_view text) {
    return Decode(TextEncodingOf(encoding), text);
}

std::string IsoToWin(std::string_view text) { return IsoToDisplay(text, false); }
