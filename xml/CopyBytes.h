// Copying the short texts of a document: most are a few dozen bytes, where a
// call to memcpy costs more than the copy.
#pragma once

#include <cstddef>
#include <cstring>

namespace vexxml {

// Copies n bytes, Width <= n <= 2 * Width, as two fixed-size moves from the
// front and from the back that may overlap.
template <std::size_t Width>
inline void CopyEnds(char* dst, const char* src, std::size_t n) noexcept {
    char head[Width];
    char tail[Width];
    std::memcpy(head, src, Width);
    std::memcpy(tail, src + n - Width, Width);
    std::memcpy(dst, head, Width);
    std::memcpy(dst + n - Width, tail, Width);
}

// Copies n bytes from src to dst (the two do not overlap). Up to 32 bytes go
// as fixed-size moves inside [src, src + n) and [dst, dst + n); longer
// copies call memcpy.
inline void CopyBytes(char* dst, const char* src, std::size_t n) noexcept {
    if (n > 32) {
        std::memcpy(dst, src, n);
    } else if (n >= 16) {
        CopyEnds<16>(dst, src, n);
    } else if (n >= 8) {
        CopyEnds<8>(dst, src, n);
    } else if (n >= 4) {
        CopyEnds<4>(dst, src, n);
    } else if (n > 0) {
        // 1 to 3 bytes: the first, the middle and the last (some the same).
        const char first = src[0];
        const char middle = src[n / 2];
        const char last = src[n - 1];
        dst[0] = first;
        dst[n / 2] = middle;
        dst[n - 1] = last;
    }
}

}  // namespace vexxml
