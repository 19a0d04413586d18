#include "xml/NameKey.h"

#include <gtest/gtest.h>

TEST(NameKey, ComparesFoldedUnsignedBytesShorterPrefixFirst) {
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    const Case cases[] = {
        {"pubdate", "pubDate", 0},
        {"ITEM", "item", 0},
        {"", "", 0},
        {"", "a", -1},    // the empty key is the smallest
        {"a", "AB", -1},  // a prefix is smaller
        {"ab", "B", -1},
        {"Z", "[", -1},       // 'Z' 0x5A < '[' 0x5B
        {"z", "[", -1},       // 'z' folds to 'Z'
        {"`", "a", 1},        // '`' 0x60 stays, 'a' becomes 0x41
        {"{", "z", 1},        // '{' 0x7B is not folded
        {"\xB9", "\xA5", 1},  // small and capital a with ogonek stay apart
        {"\x80", "z", 1},     // bytes above 0x7F compare unsigned
        {"\xFF", "\x80", 1},
        {"a\xB9", "A\xB9", 0},
    };
    for (const Case& c : cases) {
        const int ab = CompareNameKeys(c.a, c.b);
        const int ba = CompareNameKeys(c.b, c.a);
        EXPECT_EQ((ab > 0) - (ab < 0), c.order) << '"' << c.a << "\" vs \"" << c.b << '"';
        EXPECT_EQ((ba > 0) - (ba < 0), -c.order) << '"' << c.b << "\" vs \"" << c.a << '"';
        EXPECT_EQ(SameNameKey(c.a, c.b), c.order == 0);
    }
}
