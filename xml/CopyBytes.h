// Copying the short texts of a document: most are a few dozen bytes, where a
// call to memcpy costs more than the copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vexxml {

// Copies n bytes from src to dst (the two do not overlap). Up to 32 bytes
// go as two fixed-size loads and stores that may overlap each other, each
// inside [src, src + n) and [dst, dst + n); longer copies call memcpy.
inline void CopyBytes(char* dst, const char* src, std::size_t n) noexcept {
    if (n >= 16) {
        if (n > 32) {
            std::memcpy(dst, src, n);
            return;
        }
        char head[16];
        char tail[16];
        std::memcpy(head, src, 16);
        std::memcpy(tail, src + n - 16, 16);
        std::memcpy(dst, head, 16);
        std::memcpy(dst + n - 16, tail, 16);
    } else if (n >= 8) {
        std::uint64_t head;
        std::uint64_t tail;
        std::memcpy(&head, src, 8);
        std::memcpy(&tail, src + n - 8, 8);
        std::memcpy(dst, &head, 8);
        std::memcpy(dst + n - 8, &tail, 8);
    } else if (n >= 4) {
        std::uint32_t head;
        std::uint32_t tail;
        std::memcpy(&head, src, 4);
        std::memcpy(&tail, src + n - 4, 4);
        std::memcpy(dst, &head, 4);
        std::memcpy(dst + n - 4, &tail, 4);
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
