#include "base/Dates.h"

#include "base/Exceptions.h"

#include <cmath>
#include <cstdio>

namespace {

// Days from 0001-01-01 (day 0) to the given date, proleptic Gregorian.
long long DaysFromYearOne(int year, int month, int day) {
    static const int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    long long y = year - 1;
    long long days = y * 365 + y / 4 - y / 100 + y / 400;
    days += before[month - 1] + (month > 2 && IsLeapYear(year) ? 1 : 0);
    return days + day - 1;
}

// 1899-12-30 counted from 0001-01-01.
constexpr long long kDayZero = 693593;

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, double& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    date = static_cast<double>(DaysFromYearOne(year, month, day) - kDayZero);
    return true;
}

double EncodeDate(int year, int month, int day) {
    double date = 0;
    if (!TryEncodeDate(year, month, day, date))
        throw EConvertError("Invalid argument to date encode");
    return date;
}

void DecodeDate(double date, int& year, int& month, int& day) {
    long long n = static_cast<long long>(std::floor(date)) + kDayZero;  // days since 0001-01-01
    // 400-year cycles of 146097 days, then centuries, 4-year cycles, years.
    long long cycles = n >= 0 ? n / 146097 : (n - 146096) / 146097;
    n -= cycles * 146097;
    long long centuries = n / 36524;
    if (centuries == 4)
        centuries = 3;
    n -= centuries * 36524;
    long long quads = n / 1461;
    n -= quads * 1461;
    long long years = n / 365;
    if (years == 4)
        years = 3;
    n -= years * 365;
    year = static_cast<int>(cycles * 400 + centuries * 100 + quads * 4 + years + 1);
    month = 1;
    while (n >= DaysInMonth(year, month)) {
        n -= DaysInMonth(year, month);
        ++month;
    }
    day = static_cast<int>(n) + 1;
}

std::string FormatDateYmd(double date) {
    if (!std::isfinite(date))
        return std::string();
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

bool TryParseYmdDate(std::string_view text, double& date) {
    const auto digits = [text](std::size_t from, std::size_t count, int& value) {
        value = 0;
        for (std::size_t i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    int year = 0, month = 0, day = 0;
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !digits(0, 4, year) || !digits(5, 2, month) ||
        !digits(8, 2, day))
        return false;
    if (text.size() > 10 && text[10] >= '0' && text[10] <= '9')
        return false;
    return TryEncodeDate(year, month, day, date);
}
