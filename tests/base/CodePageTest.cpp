#include "base/CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage, PolishLettersInUtf8) {
    // "Zażółć gęślą jaźń" in Windows-1250.
    const std::string win = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1";
    EXPECT_EQ(Win1250ToUtf8(win), "Zażółć gęślą jaźń");
    EXPECT_EQ(Win1250ToUtf8("\x80\x81"), "\u20AC\u0081");  // euro; an undefined byte keeps its number
    EXPECT_EQ(Iso88592CharToUnicode(0xB1), u'\u0105');     // ą
}
