// The name key: how the XML library decides that two names are the same.
// A name's key is the name with the ASCII letters a-z upper-cased; every
// other byte, 0x80 and above included, stays as it is. Keys compare byte by
// byte as unsigned values, and a key that is a prefix of another is smaller.
//
// The keys are never built: both names are folded byte by byte while they
// are compared, so a comparison allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

inline unsigned char FoldNameByte(char c) noexcept {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 0x20) : b;
}

// Negative, zero or positive as the key of a is smaller than, equal to or
// greater than the key of b.
inline int CompareNameKeys(std::string_view a, std::string_view b) noexcept {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = FoldNameByte(a[i]);
        const unsigned char y = FoldNameByte(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

inline bool SameNameKey(std::string_view a, std::string_view b) noexcept {
    const std::size_t n = a.size();
    if (n != b.size())
        return false;
    // Names are mostly spelt alike: equal stretches go a word at a time, and
    // a byte is folded only where the two names differ.
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y)
            break;
    }
    if (i + 8 > n && i + 4 <= n) {
        std::uint32_t x;
        std::uint32_t y;
        std::memcpy(&x, a.data() + i, 4);
        std::memcpy(&y, b.data() + i, 4);
        if (x == y)
            i += 4;
    }
    for (; i < n; ++i)
        if (a[i] != b[i] && FoldNameByte(a[i]) != FoldNameByte(b[i]))
            return false;
    return true;
}
