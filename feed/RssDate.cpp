#include "feed/RssDate.h"

#include "base/Dates.h"
#include "base/Exceptions.h"
#include "base/IntConvert.h"

#include <cstdint>
#include <string>
#include <vector>

const std::string_view MonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

namespace {

bool IsBlank(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// Splits a comma-and-blank separated text. A double-quoted item runs to its
// closing quote ("" inside stands for one quote) or, unterminated, to the
// end. A comma that is the text's last character adds an empty item.
// Splitting stops once there are `wanted` items: what follows is never read,
// and a text of millions of commas must not become millions of strings.
std::vector<std::string> SplitItems(std::string_view text, std::size_t wanted) {
    std::vector<std::string> items;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    while (i < n && items.size() < wanted) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            const std::size_t start = i;
            while (i < n && !IsBlank(text[i]) && text[i] != ',')
                ++i;
            item.assign(text.substr(start, i - start));
        }
        items.push_back(std::move(item));
        while (i < n && IsBlank(text[i]))
            ++i;
        if (i < n && text[i] == ',') {
            if (i + 1 == n)
                items.emplace_back();
            ++i;
            while (i < n && IsBlank(text[i]))
                ++i;
        }
    }
    return items;
}

// The day and the year must be integers as a whole: StrToInt also skips
// leading spaces, which only a quoted item can carry, so those are refused.
std::uint16_t DateNumber(const std::string& item) {
    if (!item.empty() && item.front() == ' ')
        throw EConvertError("'" + item + "' is not a valid integer value");
    return static_cast<std::uint16_t>(StrToInt(item));
}

}  // namespace

int MonthIndex(std::string_view name) {
    for (int m = 1; m <= 12; ++m)
        if (MonthNames[m] == name)
            return m;
    return 1;
}

double ParseRssDate(std::string_view text) {
    const std::vector<std::string> items = SplitItems(text, 4);
    if (items.size() < 4)
        throw EConvertError("'" + std::string(text) + "' is not a valid date");
    const int month = MonthIndex(items[2]);
    const std::uint16_t day = DateNumber(items[1]);
    const std::uint16_t year = DateNumber(items[3]);
    return EncodeDate(year, month, day);
}
