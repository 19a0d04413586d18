#include "feed/Feed.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct DecodeCase {
    const char* name;
    std::string encoding;
    std::string text;
    std::string expected;
};

// Keeps the raw bytes out of the test listing.
void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class DecodeCases : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeCases, GivesTheDisplayText) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(Decode(c.encoding, c.text), c.expected);
}

// "\xC4\x85" is a-ogonek in UTF-8, 0xB9 in the display code page.
INSTANTIATE_TEST_SUITE_P(
    Decode, DecodeCases,
    testing::Values(
        // The name: ASCII letters compared without case, nothing trimmed.
        DecodeCase{"UpperName", "UTF-8", "\xC4\x85", "\xB9"},
        DecodeCase{"MixedName", "Utf-8", "\xC4\x85", "\xB9"},
        DecodeCase{"LowerName", "utf-8", "\xC4\x85", "\xB9"},
        DecodeCase{"NameWithoutHyphen", "utf8", "\xC4\x85", "\xC4\x85"},
        DecodeCase{"NameWithBlank", "utf-8 ", "\xC4\x85", "\xC4\x85"},
        DecodeCase{"IsoUpperName", "ISO-8859-2", "\xB1\xA3", "\xB9\xA3"},
        DecodeCase{"EmptyName", "", "\xB1\xC4\x85", "\xB1\xC4\x85"},
        DecodeCase{"OtherName", "windows-1250", "\xB1\xC4\x85", "\xB1\xC4\x85"},
        // UTF-8 text.
        DecodeCase{"Ascii", "utf-8", "Plain <text> & more", "Plain <text> & more"},
        DecodeCase{"PolishLetters", "utf-8", "\xC5\x81\xC3\xB3\x64\xC5\xBA", "\xA3\xF3\x64\x9F"},
        DecodeCase{"ThreeByteCharacter", "utf-8", "\xE2\x80\x93", "\x96"},  // en dash
        DecodeCase{"MissingFromCodePage", "utf-8", "a\xE2\x82\xACz\xE4\xB8\xAD", "a\x80z?"},
        DecodeCase{"Overlong", "utf-8", "\xC1\x81", "A"},
        DecodeCase{"Latin1Byte", "utf-8", "caf\xE9 au lait", ""},
        DecodeCase{"CutAtEnd", "utf-8", "ab\xC4", ""}, DecodeCase{"CutThreeByte", "utf-8", "ab\xE2\x80", ""},
        DecodeCase{"BadTrailByte", "utf-8", "\xC4\x41 long text", ""},
        DecodeCase{"BadTrailByteInLongText", "utf-8", "a text longer than sixteen bytes \xC4\x41 and more",
                   ""},
        DecodeCase{"LoneTrailByteOpensSequence", "utf-8", "\x85x", ""},
        // Four-byte sequences: one character the code page lacks.
        DecodeCase{"Emoji", "utf-8", "Hi \xF0\x9F\x98\x80!", "Hi ?!"},
        DecodeCase{"TwoEmoji", "utf-8", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", "??"},
        DecodeCase{"EmojiBesideLetter", "utf-8", "\xC4\x85\xF0\x9F\x8E\x89", "\xB9?"},
        DecodeCase{"CutEmojiAtEnd", "utf-8", "x\xF0\x9F\x98", "x?"},
        DecodeCase{"CutEmojiBeforeText", "utf-8", "\xF0\x9F", ""},
        // Empty text in every branch.
        DecodeCase{"EmptyUtf8", "utf-8", "", ""}, DecodeCase{"EmptyIso", "iso-8859-2", "", ""},
        DecodeCase{"EmptyOther", "", "", ""}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

// Every line feed of the result becomes a space, also one that an overlong
// form gives, and one after a run of sixteen ASCII bytes or more.
TEST(DecodeLine, TurnsLineFeedsOfTheResultIntoSpaces) {
    const std::string text = "a\nb\xC0\x8A"
                             "0123456789abcdef\n\xC4\x85\n";
    EXPECT_EQ(DecodeLine(TTextEncoding::teUtf8, text), "a b 0123456789abcdef \xB9 ");
    EXPECT_EQ(DecodeLine(TTextEncoding::teIso88592, "\xB1\n\xA9"), "\xB9 \x8A");
    EXPECT_EQ(DecodeLine(TTextEncoding::teAsIs, "x\r\ny"), "x\r y");
}

TEST(IsoToWin, GivesEveryLetterItsWindows1250Byte) {
    // The Polish letters, Czech and Slovak ones (Š š Ť ť Ž ž), and letters
    // that stand at the same code in both (Ł ó).
    EXPECT_EQ(IsoToWin("\xB1\xB6\xBC\xA1\xA6\xA3\xAC"), "\xB9\x9C\x9F\xA5\x8C\xA3\x8F");
    EXPECT_EQ(IsoToWin("\xA9\xB9\xAB\xBB\xAE\xBE"), "\x8A\x9A\x8D\x9D\x8E\x9E");
    EXPECT_EQ(IsoToWin("\xA9\xE1rka \xF3"), "\x8A\xE1rka \xF3");  // Šárka ó
    // A converted byte is not converted again: B1 gives B9, B9 gives 9A.
    EXPECT_EQ(IsoToWin("\xB1\xB9"), "\xB9\x9A");
    EXPECT_EQ(IsoToWin(std::string("a\0\xB1", 3)), std::string("a\0\xB9", 3));
}

TEST(IsoToWin, KeepsTheLengthAndMarksTheControlsItCannotShow) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string out = IsoToWin(all);
    ASSERT_EQ(out.size(), all.size());
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        if (b < 0x80)
            EXPECT_EQ(out[b], all[b]);
        else if (b < 0xA0)
            EXPECT_EQ(out[b], '?');  // C1 controls
        else
            EXPECT_NE(out[b], '?');  // every ISO-8859-2 character has a byte
    }
}

}  // namespace
