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

// The shown byte of every character below 0x800, the reach of the one- and
// two-byte sequences: "?" where the code page lacks it, and in the second
// table every line feed a space. Lets the common characters convert
// without a branch on what they are.
struct TShortCharTables {
    std::array<std::array<char, 0x800>, 2> Shown;
    TShortCharTables() {
        const std::int16_t* fromUnicode = Win1250FromUnicodeTable();
        for (unsigned c = 0; c < 0x800; ++c) {
            const char shown = fromUnicode[c] < 0 ? '?' : static_cast<char>(fromUnicode[c]);
            Shown[0][c] = shown;
            Shown[1][c] = shown == '\n' ? ' ' : shown;
        }
    }
};

const std::array<char, 0x800>& ShortCharTable(bool lineFeedsToSpaces) {
    static const TShortCharTables tables;
    return tables.Shown[lineFeedsToSpaces ? 1 : 0];
}

// The decoding buffer gives its memory back after a text larger than this.
constexpr std::size_t kKeptBuffer = 1 << 20;

// UTF-8 straight into the display code page, one byte per 16-bit character.
// Lenient on purpose: overlong forms pass, and any byte from 80 up opens a
// two- or three-byte sequence, chosen by bit 20. A lead byte F0..F4 with
// three trail bytes is one character beyond 16 bits, which the code page
// lacks. A missing or out-of-range trail byte empties the whole text.
// Surrogates (three-byte sequences ED A0.. to ED BF..) have no byte; a high
// one followed by a low one is one character and gives one "?". With
// lineFeedsToSpaces every line feed of the result is a space.
class TUtf8Decoder {
public:
    explicit TUtf8Decoder(bool lineFeedsToSpaces)
        : FShortChars(ShortCharTable(lineFeedsToSpaces)), FLineFeedsToSpaces(lineFeedsToSpaces),
          FStop(lineFeedsToSpaces ? '\n' : 0x80) {}

    // Decodes `text` into `out`, which has room for its size and 16 bytes
    // more; returns the length written, or -1 for a broken sequence.
    std::ptrdiff_t Run(std::string_view text, char* out) {
        const auto* in = reinterpret_cast<const unsigned char*>(text.data());
        FDst = out;
        // The body is read sixteen bytes at a time in place; the last
        // bytes, from a padded copy, so that nothing after the text is read.
        const std::size_t done = Decode<false>(in, text.size());
        if (FBroken)
            return -1;
        if (done < text.size()) {
            unsigned char tail[32] = {};
            std::memcpy(tail, in + done, text.size() - done);
            Decode<true>(tail, text.size() - done);
            if (FBroken)
                return -1;
        }
        return FDst - out;
    }

private:
    // Decodes in[0, n) up to the point where fewer than 16 bytes are left
    // (or to its end when `padded`: 16 readable bytes follow every
    // position); returns where it stopped, always between two characters.
    template <bool padded>
    std::size_t Decode(const unsigned char* in, std::size_t n) {
        std::size_t i = 0;
        for (;;) {
            // ASCII is copied as it stands: the whole step is stored and the
            // output moves on by the bytes before the first one to convert.
            // The output has 16 bytes to spare, so the store stays inside it.
            std::size_t run = 16;
            while (padded ? i < n : i + 16 <= n) {
                run = AsciiRun(in + i, FDst);
                if (padded)
                    run = std::min(run, n - i);
                i += run;
                FDst += run;
                if (run > 0)
                    FPrevious = 0;
                if (run < 16)
                    break;
            }
            if (i >= n || run == 16)
                return i;
            i = DecodeChar(in, n, i);
            if (FBroken)
                return n;
        }
    }

    std::size_t AsciiRun(const unsigned char* in, char* dst) const {
#ifdef __SSE2__
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), bytes);
        const __m128i stops = _mm_set1_epi8(static_cast<char>(FStop));
        const int mask = _mm_movemask_epi8(bytes) | _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, stops));
        return mask ? static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) : 16;
#else
        std::size_t run = 0;
        while (run < 16 && in[run] < 0x80 && in[run] != FStop)
            dst[run] = static_cast<char>(in[run]), ++run;
        return run;
#endif
    }

    // The character at in[i], which is no plain ASCII; returns the position
    // after it.
    std::size_t DecodeChar(const unsigned char* in, std::size_t n, std::size_t i) {
        const unsigned char b = in[i];
        // One- and two-byte sequences, the bulk of non-ASCII text, go
        // without branching on the bytes; a bad trail byte is remembered.
        if (b < 0x80 || !(b & 0x20)) {
            const unsigned two = b >> 7;
            if (i + two >= n) {
                FBroken = true;
                return n;
            }
            const unsigned trail = in[i + two];
            FBroken |= (two & ((trail & 0xC0u) != 0x80u)) != 0;
            const unsigned c = two ? ((b & 0x1Fu) << 6) | (trail & 0x3Fu) : b;
            *FDst++ = FShortChars[c];
            FPrevious = 0;  // below 0x800: no surrogate
            return i + 1 + two;
        }
        unsigned c;
        if (b >= 0xF0 && b <= 0xF4 && i + 3 < n && IsTrail(in[i + 1]) && IsTrail(in[i + 2]) &&
            IsTrail(in[i + 3])) {
            c = 0xFFFD;
            i += 4;
        } else {
            if (i + 2 >= n || !IsTrail(in[i + 1]) || !IsTrail(in[i + 2])) {
                FBroken = true;
                return n;
            }
            c = ((b & 0x0Fu) << 12) | ((in[i + 1] & 0x3Fu) << 6) | (in[i + 2] & 0x3Fu);
            i += 3;
        }
        if (IsLowSurrogate(c) && IsHighSurrogate(FPrevious)) {
            FPrevious = 0;  // the pair's "?" is out already
            return i;
        }
        FPrevious = c;
        const int w = IsHighSurrogate(c) || IsLowSurrogate(c) ? -1 : Win1250FromUnicodeTable()[c];
        const char shown = w < 0 ? '?' : static_cast<char>(w);
        *FDst++ = FLineFeedsToSpaces && shown == '\n' ? ' ' : shown;
        return i;
    }

    const std::array<char, 0x800>& FShortChars;
    const bool FLineFeedsToSpaces;
    const unsigned char FStop;  // the ASCII byte that needs converting, 80 when none
    char* FDst = nullptr;
    unsigned FPrevious = 0;  // the last character, for surrogate pairs
    bool FBroken = false;
};

std::string Utf8ToDisplay(std::string_view text, bool lineFeedsToSpaces) {
    // Decoded into a buffer of the thread's, then made a string of its exact
    // size in one allocation.
    thread_local std::string buffer;
    if (buffer.size() < text.size() + 16)
        buffer.resize(text.size() + 16);
    const std::ptrdiff_t length = TUtf8Decoder(lineFeedsToSpaces).Run(text, buffer.data());
    std::string out =
        length < 0 ? std::string() : std::string(buffer.data(), static_cast<std::size_t>(length));
    if (buffer.size() > kKeptBuffer)
        std::string().swap(buffer);
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
