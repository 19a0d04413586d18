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

TEST_P(DecodeCases, GivesUtf8) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(Decode(c.encoding, c.text), c.expected);
}

constexpr const char* kBad = "\xEF\xBF\xBD";  // U+FFFD

INSTANTIATE_TEST_SUITE_P(
    Decode, DecodeCases,
    testing::Values(
        // The name: ASCII letters compared without case, nothing trimmed.
        DecodeCase{"UpperName", "UTF-8", "\xC4\x85", "\xC4\x85"},
        DecodeCase{"NameWithoutHyphen", "utf8", "\xC4\x85", "\xC4\x85"},
        DecodeCase{"IsoUpperName", "ISO-8859-2", "\xB1\xA3\xA9", "\xC4\x85\xC5\x81\xC5\xA0"},  // ąŁŠ
        DecodeCase{"Windows1250", "windows-1250", "\xB9\x9C\x81", std::string("\xC4\x85\xC5\x9B") + kBad},
        // Through iconv: Cyrillic, KOI8-R, Japanese, and ISO-8859-1 read as
        // its superset Windows-1252 (curly quotes).
        DecodeCase{"Windows1251", "windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2",
                   "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},  // Привет
        DecodeCase{"Koi8r", "KOI8-R", "\xF0\xD2\xC9", "\xD0\x9F\xD1\x80\xD0\xB8"},
        DecodeCase{"ShiftJis", "shift_jis", "\x93\xFA\x96\x7B", "\xE6\x97\xA5\xE6\x9C\xAC"},  // 日本
        DecodeCase{"Latin1", "iso-8859-1",
                   "\x93"
                   "caf\xE9\x94",
                   "\xE2\x80\x9C"
                   "caf\xC3\xA9\xE2\x80\x9D"},
        DecodeCase{"IconvBadByte", "windows-1252", "a\x81z", std::string("a") + kBad + "z"},
        DecodeCase{"IconvCutAtEnd", "shift_jis", "a\x93", std::string("a") + kBad},
        // No name or an unknown one: UTF-8 when valid, else Windows-1250.
        DecodeCase{"EmptyNameUtf8", "", "\xC4\x85\xF0\x9F\x98\x80", "\xC4\x85\xF0\x9F\x98\x80"},
        DecodeCase{"EmptyNameWindows1250", "", "\xB9 \xC4", "\xC4\x85 \xC3\x84"},
        DecodeCase{"UnknownName", "no-such-code", "\xB9", "\xC4\x85"},
        DecodeCase{"OptionsInName", "utf-8//IGNORE", "\xB9", "\xC4\x85"},
        // UTF-8: kept as it is; every maximal invalid subpart one U+FFFD.
        DecodeCase{"Emoji", "utf-8", "Hi \xF0\x9F\x98\x80!", "Hi \xF0\x9F\x98\x80!"},
        DecodeCase{"Latin1Byte", "utf-8", "caf\xE9 au lait", std::string("caf") + kBad + " au lait"},
        DecodeCase{"CutAtEnd", "utf-8", "ab\xE2\x80", std::string("ab") + kBad},
        DecodeCase{"BadTrailInLongText", "utf-8", "a text longer than sixteen bytes \xC4\x41 and more",
                   std::string("a text longer than sixteen bytes ") + kBad + "A and more"},
        DecodeCase{"Overlong", "utf-8", "\xC0\xAF", std::string(kBad) + kBad},
        DecodeCase{"Surrogate", "utf-8", "\xED\xA0\x80", std::string(kBad) + kBad + kBad},
        DecodeCase{"BadSecondOfFour", "utf-8", "\xF0\x80\x80", std::string(kBad) + kBad + kBad},
        DecodeCase{"CutFour", "utf-8", "\xF0\x9F\x98x", std::string(kBad) + "x"},
        DecodeCase{"BeyondUnicode", "utf-8", "\xF4\x90\x80\x80", std::string(kBad) + kBad + kBad + kBad},
        // Empty text in every branch.
        DecodeCase{"EmptyUtf8", "utf-8", "", ""}, DecodeCase{"EmptyIso", "iso-8859-2", "", ""},
        DecodeCase{"EmptyIconv", "koi8-r", "", ""}, DecodeCase{"EmptyOther", "", "", ""}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

// Every line feed of the result becomes a space, also one after a run of
// sixteen ASCII bytes or more, in every branch.
TEST(TTextDecoder, TurnsLineFeedsIntoSpacesWhenAsked) {
    const std::string text = "a\nb0123456789abcdef\n\xC4\x85\n";
    EXPECT_EQ(TTextDecoder("utf-8").Decode(text, true), "a b0123456789abcdef \xC4\x85 ");
    EXPECT_EQ(TTextDecoder("utf-8").Decode(text, false), text);
    EXPECT_EQ(TTextDecoder("iso-8859-2").Decode("\xB1\n\xA9", true), "\xC4\x85 \xC5\xA0");
    EXPECT_EQ(TTextDecoder("koi8-r").Decode("x\r\ny", true), "x\r y");
}

// The table agrees with the system's converter on every character.
TEST(TTextDecoder, ReadsEveryIso88592LetterAsIconvDoes) {
    std::string all;
    for (int b = 0xA0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string table = TTextDecoder("iso-8859-2").Decode(all);
    const std::string iconv = TTextDecoder("ISO_8859-2:1987").Decode(all);
    EXPECT_EQ(table, iconv);
    EXPECT_EQ(table.size(), 2 * all.size());
}

}  // namespace
