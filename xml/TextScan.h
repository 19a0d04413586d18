// The scan for the end of a plain run of text: the parser's innermost loop,
// run once for every text of a document, so it is inline.
#pragma once

#include "xml/CharClasses.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vexxml {

namespace detail {
#if defined(__SSE2__)
// Reads the text in aligned 16-byte blocks. An aligned block never crosses
// a page boundary, so the block holding the final NUL is safe to read even
// where it reaches past the end of the text's allocation.
//
// Whitespace pairs are found in two steps: bytes up to 0x20 in a row mark a
// block, and only such a block, rare in prose, is looked at exactly.
template <bool Trim, bool Quoted>
inline __attribute__((no_sanitize_address)) const char* ScanPlainBlocks(const char* p, char quote) {
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
}  // namespace detail

// The first character at or after p that does not read as written: NUL,
// "<", "&", the quote (when not NUL) or, with trim, the first of two
// whitespace characters in a row. Single whitespace characters between
// words are plain, so ordinary prose is scanned in one go.
#if defined(__SSE2__)
inline const char* ScanPlain(const char* p, char quote, bool trim) {
    if (trim)
        return quote ? detail::ScanPlainBlocks<true, true>(p, quote)
                     : detail::ScanPlainBlocks<true, false>(p, quote);
    return quote ? detail::ScanPlainBlocks<false, true>(p, quote)
                 : detail::ScanPlainBlocks<false, false>(p, quote);
}
#else
inline const char* ScanPlain(const char* p, char quote, bool trim) {
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

}  // namespace vexxml
