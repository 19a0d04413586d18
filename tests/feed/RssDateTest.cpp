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
    // Two-digit years are years of the first century.
    {"Mon, 07 Dec 26 10:00:00 GMT", "0026-12-07"},
    // Day and year may be signed or hexadecimal.
    {"Mon, $7 Dec 2026", "2026-12-07"},
    {"Mon, 0x7 Dec $7EA", "2026-12-07"},
    {"Mon, +07 Dec x7ea", "2026-12-07"},
    // Quoted items keep blanks and commas; "" is one quote.
    {"\"Mon, 7\" 07 Dec 2026", "2026-12-07"},
    {"\"\" \"07\" \"Dec\" \"2026\"", "2026-12-07"},
    {"\"a\"\"b\",07,Dec,2026", "2026-12-07"},
    // Unknown month names, wrong case included, give January.
    {"Mon, 07 DEC 2026", "2026-01-07"},
    {"Mon, 07 December 2026", "2026-01-07"},
    {"Mon, 07 dec 2026", "2026-01-07"},
    {"Mon, 07 \"\" 2026", "2026-01-07"},
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
    // No weekday: the day item is "Dec".
    {"07 Dec 2026 22:03:49 GMT", "'Dec' is not a valid integer value"},
    {"Mon, 31 Feb 2026 10:00:00 GMT", "Invalid argument to date encode"},
    {"Mon, 29 Feb 1900", "Invalid argument to date encode"},
    {"Mon, 0 Dec 2026", "Invalid argument to date encode"},
    {"Mon, 07 Dec 0", "Invalid argument to date encode"},
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

TEST(MonthIndex, MatchesTheTableExactly) {
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(MonthIndex(MonthNames[m]), m);
    EXPECT_EQ(MonthNames[12], "Dec");
    EXPECT_EQ(MonthIndex("Dec "), 1);
    EXPECT_EQ(MonthIndex("DEC"), 1);
    EXPECT_EQ(MonthIndex("De"), 1);
    EXPECT_EQ(MonthIndex(""), 1);
    EXPECT_EQ(MonthIndex(std::string("Dec\0", 4)), 1);
}

}  // namespace
