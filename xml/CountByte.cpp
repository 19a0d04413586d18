#include "xml/CountByte.h"

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vexxml {

std::size_t CountByte(const char* first, const char* last, char c) {
    std::size_t total = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    while (last - first >= 16) {
        // Up to 255 blocks add up their matches per byte (a match compares
        // as -1), then the bytes are summed into the total.
        const std::ptrdiff_t blocks = std::min<std::ptrdiff_t>((last - first) / 16, 255);
        __m128i sums = _mm_setzero_si128();
        for (std::ptrdiff_t k = 0; k < blocks; ++k, first += 16)
            sums = _mm_sub_epi8(
                sums, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first)), wanted));
        const __m128i wide = _mm_sad_epu8(sums, _mm_setzero_si128());
        total += static_cast<std::size_t>(_mm_cvtsi128_si32(wide)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(wide, wide)));
    }
#endif
    return total + static_cast<std::size_t>(std::count(first, last, c));
}

}  // namespace vexxml
