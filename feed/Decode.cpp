#include "feed/Decode.h"

#include "base/CodePage.h"
#include "xml/NameKey.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <initializer_list>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

char* PutReplacement(char* out) {
    std::memcpy(out, kReplacement, 3);
    return out + 3;
}

char* PutUtf8(char* out, char32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// The length of the well-formed sequence that begins at `in`, or, when
// there is none, the length of its maximal invalid subpart negated: the
// longest prefix of some well-formed sequence, at least one byte.
int SequenceLength(const unsigned char* in, std::size_t left) {
    const unsigned char b = in[0];
    int length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            low = 0xA0;
        else if (b == 0xED)
            high = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            low = 0x90;
        else if (b == 0xF4)
            high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return -1;
    }
    int k = 1;
    for (; k < length && static_cast<std::size_t>(k) < left; ++k) {
        const unsigned char lo = k == 1 ? low : 0x80;
        const unsigned char hi = k == 1 ? high : 0xBF;
        if (in[k] < lo || in[k] > hi)
            return -k;
    }
    return k == length ? length : -k;
}

// A single-byte code page to UTF-8: each byte's UTF-8 form, up to three
// bytes, and its length.
struct TByteTable {
    std::array<std::array<char, 3>, 256> Bytes{};
    std::array<unsigned char, 256> Length{};
};

TByteTable MakeByteTable(char32_t (*toUnicode)(unsigned char)) {
    TByteTable table;
    for (int b = 0; b < 256; ++b) {
        char* end = PutUtf8(table.Bytes[b].data(), toUnicode(static_cast<unsigned char>(b)));
        table.Length[b] = static_cast<unsigned char>(end - table.Bytes[b].data());
    }
    return table;
}

// Bytes that Windows-1250 leaves undefined, and the C1 controls, which no
// feed means as such, show as U+FFFD.
char32_t Win1250Char(unsigned char b) {
    const char32_t c = Win1250CharToUnicode(b);
    return c >= 0x80 && c < 0xA0 ? 0xFFFD : c;
}

char32_t Iso88592Char(unsigned char b) {
    const char32_t c = Iso88592CharToUnicode(b);
    return c >= 0x80 && c < 0xA0 ? 0xFFFD : c;
}

const TByteTable& Win1250Table() {
    static const TByteTable table = MakeByteTable(Win1250Char);
    return table;
}

const TByteTable& Iso88592Table() {
    static const TByteTable table = MakeByteTable(Iso88592Char);
    return table;
}

char* DecodeBytes(const TByteTable& table, std::string_view text, char* out, bool lineFeedsToSpaces) {
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            *out++ = lineFeedsToSpaces && c == '\n' ? ' ' : c;
            continue;
        }
        std::memcpy(out, table.Bytes[b].data(), 3);
        out += table.Length[b];
    }
    return out;
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    for (std::string_view n : names)
        if (SameNameKey(name, n))
            return true;
    return false;
}

}  // namespace

char* DecodeUtf8(std::string_view text, char* out, bool lineFeedsToSpaces, bool& valid) {
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const unsigned char stop = lineFeedsToSpaces ? '\n' : 0x80;
    valid = true;
    std::size_t i = 0;
    while (i < n) {
        // ASCII is copied as it stands, sixteen bytes a step where SSE2 is
        // there: the whole step is stored and the output moves on by the
        // bytes before the first one to look at. The output is never
        // shorter than the input read, so the store stays inside its room.
#ifdef __SSE2__
        // A step of ASCII and 2-byte letters only (leads C2..DF, each
        // followed by a trail byte, which may open the next step) is copied
        // whole, its line feeds turned when asked: text in Latin scripts
        // seldom leaves this loop.
        const __m128i stops = _mm_set1_epi8(static_cast<char>(stop));
        const __m128i high = _mm_set1_epi8(static_cast<char>(0x80));
        unsigned carry = 0;  // the last step ended with a lead
        while (i + 16 <= n) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            const auto nonAscii = static_cast<unsigned>(_mm_movemask_epi8(bytes));
            const __m128i lineFeeds = _mm_cmpeq_epi8(bytes, stops);
            // Signed, with the top bit flipped: trail bytes are 00..3F, leads 42..5F.
            const __m128i x = _mm_xor_si128(bytes, high);
            const auto trails = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(-1)), _mm_cmplt_epi8(x, _mm_set1_epi8(0x40)))));
            const auto leads = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
                _mm_cmpgt_epi8(x, _mm_set1_epi8(0x41)), _mm_cmplt_epi8(x, _mm_set1_epi8(0x60)))));
            if ((leads | trails) != nonAscii || trails != (((leads << 1) | carry) & 0xFFFFu))
                break;
            carry = leads >> 15;
            if (lineFeedsToSpaces)
                bytes = _mm_or_si128(_mm_andnot_si128(lineFeeds, bytes),
                                     _mm_and_si128(lineFeeds, _mm_set1_epi8(' ')));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
            i += 16;
            out += 16;
        }
        if (carry) {  // the lead goes to the character-wise reading with its trail
            --i;
            --out;
        }
        // Up to the first byte to look at, as it stands.
        while (i + 16 <= n) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
            const int mask = _mm_movemask_epi8(bytes) | _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, stops));
            const std::size_t run =
                mask ? static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) : 16;
            i += run;
            out += run;
            if (run < 16)
                break;
        }
        if (i == n)
            break;
#endif
        const unsigned char b = in[i];
        if (b < 0x80) {
            *out++ = b == stop ? ' ' : static_cast<char>(b);
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF && i + 1 < n && (in[i + 1] & 0xC0) == 0x80) {
            out[0] = static_cast<char>(b);  // the common case, Latin letters
            out[1] = static_cast<char>(in[i + 1]);
            out += 2;
            i += 2;
            continue;
        }
        const int length = SequenceLength(in + i, n - i);
        if (length > 0) {
            std::memcpy(out, in + i, static_cast<std::size_t>(length));
            out += length;
            i += static_cast<std::size_t>(length);
        } else {
            out = PutReplacement(out);
            i += static_cast<std::size_t>(-length);
            valid = false;
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        const int length = in[i] < 0x80 ? 1 : SequenceLength(in + i, text.size() - i);
        if (length < 0)
            return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

// An iconv descriptor into UTF-8, closed with the decoder.
struct TTextDecoder::TIconv {
    iconv_t Cd;
    ~TIconv() { iconv_close(Cd); }
};

TTextDecoder::TTextDecoder(std::string_view encoding) {
    if (IsOneOf(encoding, {"utf-8", "utf8", "utf-16", "utf-16le", "utf-16be", "utf-32", "ucs-2", "ucs-4"})) {
        FKind = TKind::kUtf8;
    } else if (IsOneOf(encoding, {"windows-1250", "cp1250"})) {
        FKind = TKind::kWin1250;
    } else if (IsOneOf(encoding, {"iso-8859-2", "latin2"})) {
        FKind = TKind::kIso88592;
    } else if (!encoding.empty() && encoding.size() < 64 && encoding.find('/') == std::string_view::npos) {
        // "//" would pass options to iconv; a name holds none.
        const bool latin1 = IsOneOf(encoding, {"iso-8859-1", "iso8859-1", "latin1", "us-ascii", "ascii"});
        const std::string name = latin1 ? "WINDOWS-1252" : std::string(encoding);
        const iconv_t cd = iconv_open("UTF-8", name.c_str());
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            FIconv.reset(new TIconv{cd});
            FKind = TKind::kIconv;
        }
    }
}

TTextDecoder::~TTextDecoder() = default;

char* TTextDecoder::Decode(std::string_view text, char* out, bool lineFeedsToSpaces) const {
    switch (FKind) {
    case TKind::kUtf8: {
        bool valid = true;
        return DecodeUtf8(text, out, lineFeedsToSpaces, valid);
    }
    case TKind::kWin1250:
        return DecodeBytes(Win1250Table(), text, out, lineFeedsToSpaces);
    case TKind::kIso88592:
        return DecodeBytes(Iso88592Table(), text, out, lineFeedsToSpaces);
    case TKind::kGuess: {
        bool valid = true;
        char* end = DecodeUtf8(text, out, lineFeedsToSpaces, valid);
        return valid ? end : DecodeBytes(Win1250Table(), text, out, lineFeedsToSpaces);
    }
    case TKind::kIconv:
        break;
    }
    // Each text starts in the initial shift state. A sequence the encoding
    // lacks gives U+FFFD for its first byte, and the conversion goes on
    // after it; a sequence cut at the end gives one U+FFFD.
    iconv(FIconv->Cd, nullptr, nullptr, nullptr, nullptr);
    char* const begin = out;
    char* inPtr = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    std::size_t outLeft = MaxSize(text.size());
    while (inLeft > 0) {
        if (iconv(FIconv->Cd, &inPtr, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG || outLeft < 3)
            break;  // no encoding iconv knows grows a text threefold
        out = PutReplacement(out);
        outLeft -= 3;
        if (errno == EINVAL)
            break;
        ++inPtr;
        --inLeft;
    }
    if (lineFeedsToSpaces)
        for (char* p = begin; p != out; ++p)
            if (*p == '\n')
                *p = ' ';
    return out;
}

std::string TTextDecoder::Decode(std::string_view text, bool lineFeedsToSpaces) const {
    std::string out(MaxSize(text.size()), '\0');
    out.resize(static_cast<std::size_t>(Decode(text, out.data(), lineFeedsToSpaces) - out.data()));
    return out;
}

std::string Decode(std::string_view encoding, std::string_view text) {
    return TTextDecoder(encoding).Decode(text);
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2 * 3 + 3);
    const auto unit = [&](std::size_t at) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return static_cast<std::uint32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    const auto put = [&out](std::uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    constexpr std::uint32_t kReplacement = 0xFFFD;
    std::size_t at = 0;
    for (; at + 1 < bytes.size(); at += 2) {
        const std::uint32_t c = unit(at);
        if (c >= 0xD800 && c <= 0xDBFF && at + 3 < bytes.size()) {
            const std::uint32_t low = unit(at + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                put(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                at += 2;
                continue;
            }
        }
        put(c >= 0xD800 && c <= 0xDFFF ? kReplacement : c);
    }
    if (at < bytes.size())
        put(kReplacement);
    return out;
}
