#include "feed/RssDate.h"

#include "base/Dates.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DateCase {
    const char* text;
    const char* date;  // yyyy-mm-dd
};

const DateCase kReadable[] = {
    {"Mon, 07 Dec 2026 22:03:49 GMT", "2026-12-07"},
    {"Mon,07 Dec 2026", "2026-12-07"},
    {"  Mon 7 Dec 2026", "2026-12-07"},
    {"\tMon,\r\n 07,Dec , 2026,", "2026-12-07"},
    {"Tue, 29 Feb 2000 00:00:00 +0000", "2000-02-29"},
    {"Fri, 31 Dec 9999 23:59:59 GMT", "9999-12-31"},
    {"Mon, 01 Jan 0001 00:00:00 GMT", "0001-01-01"},
    // Two-digit years as RFC 2822 reads them, three digits from 1900.
    {"Mon, 07 Dec 26 10:00:00 GMT", "2026-12-07"},
    {"Mon, 07 Dec 49", "2049-12-07"},
    {"Mon, 07 Dec 50", "1950-12-07"},
    {"Mon, 07 Dec 099", "1999-12-07"},
    // No weekday, the month first, RFC 3339.
    {"07 Dec 2026 22:03:49 GMT", "2026-12-07"},
    {"Sat, Dec 16 2023 02:02:33 PM", "2023-12-16"},
    {"December 16, 2023", "2023-12-16"},
    {" 2018-09-19T05:11:22.000Z", "2018-09-19"},
    {"2018-09-19", "2018-09-19"},
    // Day and year may be signed or hexadecimal.
    {"Mon, $7 Dec 2026", "2026-12-07"},
    {"Mon, 0x7 Dec $7EA", "2026-12-07"},
    {"Mon, +07 Dec x7ea", "2026-12-07"},
    // Quoted items keep blanks and commas; "" is one quote.
    {"\"Mon, 7\" 07 Dec 2026", "2026-12-07"},
    {"\"\" \"07\" \"Dec\" \"2026\"", "2026-12-07"},
    {"\"a\"\"b\",07,Dec,2026", "2026-12-07"},
    // Month names in any case, abbreviated or in full.
    {"Mon, 07 DEC 2026", "2026-12-07"},
    {"Mon, 07 december 2026", "2026-12-07"},
    {"Mon, 07 Sept 2026", "2026-09-07"},
    // Day and year wrap as 16-bit unsigned values.
    {"Mon, 65543 Dec 67562", "2026-12-07"},
    {"Mon, -65529 Dec 2026", "2026-12-07"},
};

TEST(ParseRssDate, ReadsDayMonthAndYear) {
    for (const DateCase& c : kReadable) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatDateYmd(ParseRssDate(c.text)), c.date);
    }
    EXPECT_EQ(ParseRssDate("Mon, 07 Dec 2026 22:03:49 GMT"), 46363.0);
}

struct BadCase {
    const char* text;
    const char* message;
};

const BadCase kUnreadable[] = {
    // A month's name that is none of the English ones is no month.
    {"Ter, 07 Set 2026", "'Set' is not a valid month name"},
    {"Mon, 07 \"\" 2026", "'' is not a valid month name"},
    {"Mon, 07 Decem 2026", "'Decem' is not a valid month name"},
    {"2018-13-19T05:11:22Z", "'2018-13-19T05:11:22Z' is not a valid date"},
    {"2018-09-190", "'2018-09-190' is not a valid date"},
    {"Mon, 31 Feb 2026 10:00:00 GMT", "Invalid argument to date encode"},
    {"Mon, 29 Feb 1900", "Invalid argument to date encode"},
    {"Mon, 0 Dec 2026", "Invalid argument to date encode"},
    {"Mon, 07 Dec 0000", "Invalid argument to date encode"},
    {"Mon, 07 Dec 10000", "Invalid argument to date encode"},
    {"Mon, 07 Dec -1", "Invalid argument to date encode"},
    {"Mon, 7th Dec 2026", "'7th' is not a valid integer value"},
    {"Mon, 07 Dec 2026.", "'2026.' is not a valid integer value"},
    {"Mon, \" 7\" Dec 2026", "' 7' is not a valid integer value"},
    {"Mon, 07 Dec \"\"", "'' is not a valid integer value"},
    {"Mon, 07 Dec 99999999999", "'99999999999' is not a valid integer value"},
    // A trailing comma adds an empty fourth item.
    {"Mon, 07 Dec,", "'' is not a valid integer value"},
    {"Mon, 07, Dec", "'Mon, 07, Dec' is not a valid date"},
    {"07 Dec", "'07 Dec' is not a valid date"},
    {"Mon, 07 Dec, ", "'Mon, 07 Dec, ' is not a valid date"},
    {"", "'' is not a valid date"},
    {"   ", "'   ' is not a valid date"},
};

TEST(ParseRssDate, RefusesWhatIsNoDate) {
    for (const BadCase& c : kUnreadable) {
        SCOPED_TRACE(c.text);
        try {
            ParseRssDate(c.text);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(ParseRssDate, AnUnterminatedQuoteRunsToTheEnd) {
    EXPECT_EQ(FormatDateYmd(ParseRssDate("Mon, 07 Dec \"2026")), "2026-12-07");
    EXPECT_THROW(ParseRssDate("Mon, 07 Dec \"2026 GMT"), EConvertError);
    EXPECT_EQ(FormatDateYmd(ParseRssDate("Mon 07 Dec 2026 \"GMT")), "2026-12-07");
}

TEST(MonthIndex, MatchesEnglishNamesInAnyCase) {
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(MonthIndex(MonthNames[m]), m);
    EXPECT_EQ(MonthIndex("nov"), 11);
    EXPECT_EQ(MonthIndex("NOVEMBER"), 11);
    EXPECT_EQ(MonthIndex("Dec "), 0);
    EXPECT_EQ(MonthIndex("De"), 0);
    EXPECT_EQ(MonthIndex(""), 0);
    EXPECT_EQ(MonthIndex(std::string("Dec\0", 4)), 0);
}

}  // namespace
