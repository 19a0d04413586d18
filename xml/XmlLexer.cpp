#include "xml/XmlLexer.h"

#include "base/Exceptions.h"
#include "base/IntConvert.h"
#include "xml/CopyBytes.h"
#include "xml/CountByte.h"
#include "xml/NameKey.h"
#include "xml/XmlMessages.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vexxml {

namespace {

constexpr int kCDataOpenerLength = 9;  // "<![CDATA["

std::string UpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(FoldNameByte(c));
    return result;
}

#if defined(__SSE2__)
// Reads the text in aligned 16-byte blocks. An aligned block never crosses
// a page boundary, so the block holding the final NUL is safe to read even
// where it reaches past the end of the text's allocation.
//
// Whitespace pairs are found in two steps: bytes up to 0x20 in a row mark a
// block, and only such a block, rare in prose, is looked at exactly.
template <bool Trim, bool Quoted>
__attribute__((no_sanitize_address)) const char* ScanPlainBlocks(const char* p, char quote) {
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(p);
    const unsigned skip = static_cast<unsigned>(address & 15);
    const char* block = reinterpret_cast<const char*>(address - skip);
    const __m128i nul = _mm_setzero_si128();
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i q = _mm_set1_epi8(quote);
    const __m128i x20 = _mm_set1_epi8(' ');
    unsigned valid = 0xFFFFu << skip & 0xFFFFu;  // the bytes from p on
    unsigned carry = 0;                          // the byte before the block is whitespace
    for (;;) {
        const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
        __m128i markup =
            _mm_or_si128(_mm_cmpeq_epi8(b, nul), _mm_or_si128(_mm_cmpeq_epi8(b, lt), _mm_cmpeq_epi8(b, amp)));
        if constexpr (Quoted)
            markup = _mm_or_si128(markup, _mm_cmpeq_epi8(b, q));
        unsigned stop = static_cast<unsigned>(_mm_movemask_epi8(markup)) & valid;
        if constexpr (Trim) {
            const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(b, x20), b);  // bytes up to 0x20
            unsigned ws = static_cast<unsigned>(_mm_movemask_epi8(low)) & valid;
            if (ws & ((ws << 1) | carry)) {
                const __m128i white =
                    _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, x20), _mm_cmpeq_epi8(b, _mm_set1_epi8('\t'))),
                                 _mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8('\n')),
                                              _mm_cmpeq_epi8(b, _mm_set1_epi8('\r'))));
                ws = static_cast<unsigned>(_mm_movemask_epi8(white)) & valid;
                const unsigned pairs = ws & ((ws << 1) | carry);  // bit i: bytes i-1 and i are whitespace
                if (pairs & 1)
                    return block - 1;
                stop |= pairs >> 1;
            } else {
                // The last byte is up to 0x20: whether it is whitespace the
                // next block needs to know.
                ws &= 0x8000u;
                if (ws)
                    ws = HasClass(block[15], kClassSpace) ? ws : 0;
            }
            carry = ws >> 15;
        }
        if (stop)
            return block + __builtin_ctz(stop);
        valid = 0xFFFFu;
        block += 16;
    }
}

#endif

}  // namespace

#if defined(__SSE2__)
const char* ScanPlain(const char* p, char quote, bool trim) {
    if (trim)
        return quote ? ScanPlainBlocks<true, true>(p, quote) : ScanPlainBlocks<true, false>(p, quote);
    return quote ? ScanPlainBlocks<false, true>(p, quote) : ScanPlainBlocks<false, false>(p, quote);
}
#else
const char* ScanPlain(const char* p, char quote, bool trim) {
    const std::uint8_t stops =
        kClassMarkup | (quote == '\'' ? kClassApostrophe : 0) | (quote == '"' ? kClassQuote : 0);
    for (;; ++p) {
        if (HasClass(*p, stops))
            return p;
        if (trim && HasClass(*p, kClassSpace) && HasClass(p[1], kClassSpace))
            return p;
    }
}
#endif

std::uint32_t HexToInt(std::string_view digits) {
    std::uint32_t result = 0;
    for (const char c : digits) {
        std::uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else
            throw EVexXMLError(kBadHexNumber);
        result = result * 16 + digit;  // unsigned: the high digits fall off
    }
    return result;
}

int TVexXMLLexer::Line() const { return 1 + FLinesBefore + static_cast<int>(CountByte(FBegin, FCur, '\n')); }

int TVexXMLLexer::Column() const {
    const char* lineStart = FCur;
    while (lineStart != FBegin && lineStart[-1] != '\n')
        --lineStart;
    const int before = lineStart == FBegin ? FColumnsBefore : 0;
    return 1 + before + static_cast<int>((FCur - lineStart) - std::count(lineStart, FCur, '\r'));
}

void TVexXMLLexer::Forget(const char* p) {
    assert(p >= FBegin && p <= FCur);
    const char* lineStart = p;
    while (lineStart != FBegin && lineStart[-1] != '\n')
        --lineStart;
    if (lineStart != FBegin)
        FColumnsBefore = 0;
    FColumnsBefore += static_cast<int>((p - lineStart) - std::count(lineStart, p, '\r'));
    FLinesBefore += static_cast<int>(CountByte(FBegin, p, '\n'));
    FBegin = p;
}

std::string TVexXMLLexer::SyntaxMessage(std::string_view tail) const {
    std::string message(kSyntaxPrefix);
    message += std::to_string(Line());
    message += kSyntaxColumn;
    message += std::to_string(Column());
    message += tail;
    return message;
}

void TVexXMLLexer::SyntaxError(std::string_view tail) const { throw EVexXMLError(SyntaxMessage(tail)); }

std::string_view TVexXMLLexer::ReadComment() {
    const char* body = FCur + 4;
    const char* close = std::strstr(body, "-->");
    if (!close) {
        FCur = body + std::strlen(body);
        SyntaxError(kTailEndInTag);
    }
    FCur = close + 3;
    return {body, static_cast<std::size_t>(close - body)};
}

char TVexXMLLexer::ReadEntity() {
    const char* name = FCur + 1;
    const char* semicolon = std::strchr(name, ';');
    if (!semicolon) {
        FCur = name + std::strlen(name);
        SyntaxError(kTailEndInEntity);
    }
    FCur = semicolon + 1;
    const std::string_view entity(name, static_cast<std::size_t>(semicolon - name));

    if (SameNameKey(entity, "AMP"))
        return '&';
    if (SameNameKey(entity, "LT"))
        return '<';
    if (SameNameKey(entity, "GT"))
        return '>';
    if (SameNameKey(entity, "QUOT"))
        return '"';
    if (SameNameKey(entity, "NBSP"))
        return ' ';
    if (entity.size() >= 2 && entity[0] == '#' && (entity[1] == 'x' || entity[1] == 'X')) {
        const std::uint32_t value = HexToInt(entity.substr(2));
        if (value > 255)
            SyntaxError(kTailHexEntityRange);
        return static_cast<char>(value);
    }
    if (!entity.empty() && entity[0] == '#') {
        int value = 0;
        if (!TryStrToInt(entity.substr(1), value))
            StrToInt(UpperAscii(entity.substr(1)));  // raises, naming the upper-cased text
        if (value < 0 || value > 255)
            SyntaxError(kTailDecEntityRange);
        return static_cast<char>(value);
    }
    SyntaxError(kTailUnknownEntity);
}

namespace {

std::string& ThreadPieces() {
    thread_local std::string pieces;
    return pieces;
}

// Beyond this the buffer gives its memory back when a document is done.
constexpr std::size_t kKeptPieces = 1 << 20;

}  // namespace

TVexXMLLexer::TVexXMLLexer(const char* text) : FBegin(text), FCur(text), FPieces(ThreadPieces()) {}

TVexXMLLexer::~TVexXMLLexer() {
    if (FPieces.capacity() > kKeptPieces) {
        FPieces.clear();
        FPieces.shrink_to_fit();
    }
}

namespace {

// The pieces of a text that does not read as written: in the window while
// they fit, then in the lexer's buffer.
class TPieces {
public:
    TPieces(std::string& buffer, TVexXMLLexer::TTextWindow* window)
        : FBuffer(buffer), FWindow(window), FCur(window ? window->Begin : nullptr) {
        FBuffer.clear();
    }

    bool Empty() const { return FCur == (FWindow ? FWindow->Begin : nullptr) && FBuffer.empty(); }

    [[gnu::always_inline]] void Append(const char* from, const char* to) {
        const auto size = static_cast<std::size_t>(to - from);
        if (FCur && static_cast<std::size_t>(FWindow->End - FCur) >= size) {
            CopyBytes(FCur, from, size);
            FCur += size;
            return;
        }
        Spill();
        FBuffer.append(from, to);
    }

    [[gnu::always_inline]] void Push(char c) {
        if (FCur && FCur != FWindow->End) {
            *FCur++ = c;
            return;
        }
        Spill();
        FBuffer += c;
    }

    std::string_view Text() {
        if (FCur) {
            FWindow->InWindow = true;
            return {FWindow->Begin, static_cast<std::size_t>(FCur - FWindow->Begin)};
        }
        return FBuffer;
    }

private:
    // The window is full: what it holds moves to the buffer.
    void Spill() {
        if (!FCur)
            return;
        FBuffer.assign(FWindow->Begin, FCur);
        FCur = nullptr;
    }

    std::string& FBuffer;
    TVexXMLLexer::TTextWindow* FWindow;
    char* FCur;  // the end of the pieces in the window; null once they left it
};

}  // namespace

std::string_view TVexXMLLexer::ReadDecodedText(const char* run, const char* p, char terminator, bool trim,
                                               TTextWindow* window) {
    const char quote = terminator == '<' ? '\0' : terminator;
    // The decoded pieces gather in the window or in FPieces, whose memory is
    // kept from one text to the next.
    TPieces pieces(FPieces, window);
    const auto finish = [&pieces](const char* from, const char* to) {
        if (pieces.Empty())
            return std::string_view(from, static_cast<std::size_t>(to - from));
        pieces.Append(from, to);
        return pieces.Text();
    };
    // Characters from `run` up to p are still to be copied as written; they
    // go out in one piece when something that reads differently is met.
    for (bool scanned = true;; scanned = false) {
        if (!scanned)
            p = ScanPlain(p, quote, trim);
        const char c = *p;
        if (c == terminator && !(c == '<' && AtCDataOpener(p))) {
            // A single whitespace character before the end is trailing space.
            const char* end = p;
            if (trim && end != run && HasClass(end[-1], kClassSpace))
                --end;
            FCur = p;
            return finish(run, end);
        }
        if (c == '\0') {
            FCur = p;
            SyntaxError(kTailEndOfText);
        }
        if (c == '<') {
            if (!AtCDataOpener(p)) {  // a plain "<" inside an attribute value
                ++p;
                continue;
            }
            pieces.Append(run, p);
            const char* body = p + kCDataOpenerLength;
            const char* close = std::strstr(body, "]]>");
            if (!close) {
                FCur = body + std::strlen(body);
                SyntaxError(kTailEndOfText);
            }
            pieces.Append(body, close);
            p = run = close + 3;
            continue;
        }
        if (c == '&') {
            pieces.Append(run, p);
            // The usual spellings at once, without looking for the semicolon.
            char decoded;
            if (p[1] == 'l' && p[2] == 't' && p[3] == ';') {
                decoded = '<';
                p += 4;
            } else if (p[1] == 'g' && p[2] == 't' && p[3] == ';') {
                decoded = '>';
                p += 4;
            } else if (p[1] == 'a' && p[2] == 'm' && p[3] == 'p' && p[4] == ';') {
                decoded = '&';
                p += 5;
            } else if (p[1] == 'q' && p[2] == 'u' && p[3] == 'o' && p[4] == 't' && p[5] == ';') {
                decoded = '"';
                p += 6;
            } else {
                FCur = p;
                decoded = ReadEntity();
                p = FCur;
            }
            pieces.Push(decoded);
            run = p;
            continue;
        }
        // Two or more whitespace characters: the run stands for its last
        // character, and disappears before the end of the text.
        const char* first = p;
        do
            ++p;
        while (HasClass(*p, kClassSpace));
        if (*p == terminator && !AtCDataOpener(p)) {
            FCur = p;
            return finish(run, first);
        }
        pieces.Append(run, first);
        run = p - 1;
    }
}

}  // namespace vexxml
