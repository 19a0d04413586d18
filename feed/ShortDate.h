// The user's short date format and the conversion of a date text in it.
//
// The format is reduced to what a date text needs: the order of day, month
// and year, and the one character between them. It comes from the date
// pattern of the LC_TIME locale (D_FMT); the C locale's "%m/%d/%y" gives
// month/day/year with "/".
#pragma once

#include <string_view>

enum class TDateOrder { doMDY, doDMY, doYMD };

struct TShortDateFormat {
    TDateOrder Order = TDateOrder::doMDY;
    char Separator = '/';
};

// Reduces a strftime date pattern such as "%d.%m.%Y": the order follows the
// first of the day, month and year fields (a pattern that starts with the
// year orders year, month, day), the separator is the first character that
// follows the first field. A pattern without all three fields gives the
// default (month/day/year with "/").
TShortDateFormat ShortDateFormatFromPattern(std::string_view pattern);

// The format of the named locale's LC_TIME category; "" names the user's
// locale as the environment sets it (LC_ALL, LC_TIME, LANG). The program's
// own locale is not changed. A locale that is not installed gives the C
// locale's format.
TShortDateFormat ShortDateFormatOfLocale(const char* name);
TShortDateFormat UserShortDateFormat();

// Converts a text of two or three numbers of 1 to 4 decimal digits, in the
// format's order and separated by its separator, nothing before or after.
// - A year of one or two digits falls in the hundred years that begin 50
//   years before the current year (in 2026: 1976 to 2075).
// - Two numbers are the day and month in the format's order (month first
//   for year/month/day), in the current year.
// Raises EConvertError "'<text>' is not a valid date" for any other text
// and for a date that does not exist.
double StrToDate(std::string_view text, const TShortDateFormat& format);
// The same with the current year given.
double StrToDate(std::string_view text, const TShortDateFormat& format, int currentYear);
// StrToDate that answers false instead of raising.
bool TryStrToDate(std::string_view text, const TShortDateFormat& format, int currentYear, double& date);

// The year of the local date now.
int CurrentYear();
