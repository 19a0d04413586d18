#include "base/CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage, PolishLettersBothWays) {
    // "Zażółć gęślą jaźń" in Windows-1250.
    const std::string win = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1";
    const std::string utf8 =
        "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9Bl\xC4\x85 ja\xC5\xBA\xC5\x84";
    EXPECT_EQ(Win1250ToUtf8(win), utf8);
    EXPECT_EQ(Utf8ToWin1250(utf8), win);
    EXPECT_EQ(Utf16ToWin1250(Win1250ToUtf16(win)), win);
}

TEST(CodePage, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf16ToWin1250(Win1250ToUtf16(all)), all);
    EXPECT_EQ(Utf8ToWin1250(Win1250ToUtf8(all)), all);
}

TEST(CodePage, MissingCharactersBecomeQuestionMarks) {
    EXPECT_EQ(Utf16ToWin1250(u"a\u00F1b"), "a?b");      // n with tilde: not in the code page
    EXPECT_EQ(Utf16ToWin1250(u"a\U0001F600b"), "a?b");  // surrogate pair: one character
    EXPECT_EQ(Utf16ToWin1250(std::u16string(1, u'\xD800')), "?");
    EXPECT_EQ(Utf8ToWin1250("a\xF0\x9F\x98\x80"
                            "b"),
              "a?b");
    EXPECT_EQ(Utf8ToWin1250("a\xFF"
                            "b"),
              "a?b");
    EXPECT_EQ(Win1250ToUtf16("\x80"), u"\u20AC");
}
