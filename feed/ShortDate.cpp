#include "feed/ShortDate.h"

#include "base/Dates.h"
#include "base/Exceptions.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <string>
#include <type_traits>

namespace {

// Fields of a date pattern, in the order they first appear.
struct TPatternFields {
    char order[3] = {};
    int count = 0;
    char separator = 0;
    bool afterFirst = false;  // between the first and the second field

    void Field(char f) {
        for (int i = 0; i < count; ++i)
            if (order[i] == f)
                return;
        if (count == 3)
            return;
        order[count++] = f;
        afterFirst = count == 1;
    }
    void Literal(char c) {
        if (afterFirst && separator == 0)
            separator = c;
    }
};

struct TLocaleDeleter {
    void operator()(locale_t loc) const { freelocale(loc); }
};
using TLocalePtr = std::unique_ptr<std::remove_pointer_t<locale_t>, TLocaleDeleter>;

// Reads decimal digits at pos, as many as there are ("02026" is a year like
// any other). A value past every valid field saturates, so it stays out of
// range instead of overflowing.
bool ScanNumber(std::string_view text, std::size_t& pos, int& value, int& length) {
    constexpr int kSaturated = 1000000;
    value = 0;
    length = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        ++length;
        value = std::min(value * 10 + (text[pos++] - '0'), kSaturated);
    }
    return length > 0;
}

bool ScanSeparator(std::string_view text, std::size_t& pos, char separator) {
    if (pos < text.size() && text[pos] == separator) {
        ++pos;
        return true;
    }
    return false;
}

}  // namespace

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

bool TryStrToDate(std::string_view text, const TShortDateFormat& format, int currentYear, double& date) {
    std::size_t pos = 0;
    int n1 = 0, n2 = 0, n3 = 0, len1 = 0, len2 = 0, len3 = 0;
    if (!ScanNumber(text, pos, n1, len1) || !ScanSeparator(text, pos, format.Separator) ||
        !ScanNumber(text, pos, n2, len2))
        return false;
    int year = currentYear, month = 0, day = 0;
    if (pos == text.size()) {
        if (format.Order == TDateOrder::doDMY) {
            day = n1;
            month = n2;
        } else {
            month = n1;
            day = n2;
        }
    } else {
        if (!ScanSeparator(text, pos, format.Separator) || !ScanNumber(text, pos, n3, len3) ||
            pos != text.size())
            return false;
        int yearLength = 0;
        switch (format.Order) {
        case TDateOrder::doYMD:
            year = n1;
            month = n2;
            day = n3;
            yearLength = len1;
            break;
        case TDateOrder::doMDY:
            month = n1;
            day = n2;
            year = n3;
            yearLength = len3;
            break;
        case TDateOrder::doDMY:
            day = n1;
            month = n2;
            year = n3;
            yearLength = len3;
            break;
        }
        if (yearLength <= 2) {
            const int windowStart = currentYear - 50;
            year += windowStart - windowStart % 100;
            if (year < windowStart)
                year += 100;
        }
    }
    return TryEncodeDate(year, month, day, date);
}

TShortDateFormat ShortDateFormatFromPattern(std::string_view pattern) {
    TPatternFields fields;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            fields.Literal(pattern[i]);
            continue;
        }
        // Flags, width and the E / O modifiers come between "%" and the
        // conversion character.
        ++i;
        while (i < pattern.size() &&
               std::string_view("_-0^#123456789EO").find(pattern[i]) != std::string_view::npos)
            ++i;
        if (i == pattern.size())
            break;
        switch (pattern[i]) {
        case 'd':
        case 'e':
            fields.Field('d');
            break;
        case 'm':
        case 'b':
        case 'B':
        case 'h':
            fields.Field('m');
            break;
        case 'y':
        case 'Y':
        case 'C':
        case 'G':
        case 'g':
            fields.Field('y');
            break;
        case 'D':  // %m/%d/%y
            fields.Field('m');
            fields.Literal('/');
            fields.Field('d');
            fields.Literal('/');
            fields.Field('y');
            break;
        case 'F':  // %Y-%m-%d
            fields.Field('y');
            fields.Literal('-');
            fields.Field('m');
            fields.Literal('-');
            fields.Field('d');
            break;
        case '%':
            fields.Literal('%');
            break;
        case 'n':
            fields.Literal('\n');
            break;
        case 't':
            fields.Literal('\t');
            break;
        default:
            break;
        }
    }
    TShortDateFormat format;
    if (fields.count < 3)
        return format;
    format.Order = fields.order[0] == 'y'   ? TDateOrder::doYMD
                   : fields.order[0] == 'd' ? TDateOrder::doDMY
                                            : TDateOrder::doMDY;
    if (fields.separator != 0)
        format.Separator = fields.separator;
    return format;
}

TShortDateFormat ShortDateFormatOfLocale(const char* name) {
    TLocalePtr loc(newlocale(LC_TIME_MASK, name, static_cast<locale_t>(nullptr)));
    if (!loc)
        loc.reset(newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr)));
    if (!loc)
        return {};
    return ShortDateFormatFromPattern(nl_langinfo_l(D_FMT, loc.get()));
}

TShortDateFormat UserShortDateFormat() { return ShortDateFormatOfLocale(""); }

double StrToDate(std::string_view text, const TShortDateFormat& format, int currentYear) {
    double date = 0;
    if (!TryStrToDate(text, format, currentYear, date))
        throw EConvertError("'" + std::string(text) + "' is not a valid date");
    return date;
}

double StrToDate(std::string_view text, const TShortDateFormat& format) {
    return StrToDate(text, format, CurrentYear());
}
