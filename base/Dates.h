// Day numbers: whole days counted from 30 December 1899 (day 0), in the
// Gregorian calendar, for the years 1 to 9999.
#pragma once

#include <string>

// False when year, month or day make no date of the years 1 to 9999.
bool TryEncodeDate(int year, int month, int day, double& date);

// Raises EConvertError "Invalid argument to date encode" for an impossible date.
double EncodeDate(int year, int month, int day);

// The calendar date of a day number (its fractional part is dropped).
void DecodeDate(double date, int& year, int& month, int& day);

// "yyyy-mm-dd".
std::string FormatDateYmd(double date);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
