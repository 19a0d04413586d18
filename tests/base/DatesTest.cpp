#include "base/Dates.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

TEST(Dates, KnownDayNumbers) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2026, 12, 7), 46363.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(FormatDateYmd(0), "1899-12-30");
    EXPECT_EQ(FormatDateYmd(46363), "2026-12-07");
    EXPECT_EQ(FormatDateYmd(EncodeDate(2012, 3, 5)), "2012-03-05");
    EXPECT_EQ(FormatDateYmd(EncodeDate(26, 12, 7)), "0026-12-07");
}

TEST(Dates, RoundTripsEveryDayOfTheRange) {
    double expected = EncodeDate(1, 1, 1);
    for (int y = 1; y <= 9999; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= DaysInMonth(y, m); ++d) {
                double date = 0;
                ASSERT_TRUE(TryEncodeDate(y, m, d, date));
                ASSERT_EQ(date, expected) << y << '-' << m << '-' << d;
                int yy, mm, dd;
                DecodeDate(date, yy, mm, dd);
                ASSERT_EQ(yy * 10000 + mm * 100 + dd, y * 10000 + m * 100 + d);
                expected += 1;
            }
}

TEST(Dates, ImpossibleDatesFail) {
    double date = 0;
    EXPECT_FALSE(TryEncodeDate(2026, 2, 29, date));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, date));
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, date));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, date));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1, date));
    EXPECT_FALSE(TryEncodeDate(2026, 13, 1, date));
    EXPECT_FALSE(TryEncodeDate(2026, 0, 1, date));
    EXPECT_FALSE(TryEncodeDate(2026, 4, 31, date));
    EXPECT_THROW(EncodeDate(2026, 2, 31), EConvertError);
}
