#include "feed/RssDate.h"

#include "base/Dates.h"
#include "base/Exceptions.h"
#include "base/IntConvert.h"
#include "xml/NameKey.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

const std::string_view MonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

namespace {

bool IsBlank(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// The first items of a date text, in place: a date costs no allocation.
struct TItems {
    static constexpr std::size_t kWanted = 5;
    std::array<std::string, kWanted> Item;
    std::size_t Count = 0;

    std::size_t size() const { return Count; }
    bool empty() const { return Count == 0; }
    const std::string& operator[](std::size_t i) const { return Item[i]; }
    void push_back(std::string&& item) { Item[Count++] = std::move(item); }
    void emplace_back() { Item[Count++].clear(); }
};

// Splits a comma-and-blank separated text. A double-quoted item runs to its
// closing quote ("" inside stands for one quote) or, unterminated, to the
// end. A comma that is the text's last character adds an empty item.
// Splitting stops once there are TItems::kWanted items: what follows is
// never read, and a text of millions of commas must not become millions of
// strings.
void SplitItems(std::string_view text, TItems& items) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    while (i < n && items.size() < TItems::kWanted) {
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
            if (i + 1 == n && items.size() < TItems::kWanted)
                items.emplace_back();
            ++i;
            while (i < n && IsBlank(text[i]))
                ++i;
        }
    }
}

// "'text" and the tail. (Built by appending: "'" + text draws a false
// -Wrestrict from g++ 12 at -O3.)
std::string Quoted(std::string_view text, std::string_view tail) {
    std::string message = "'";
    message += text;
    message += tail;
    return message;
}

// What a date text holds, or why it holds no date.
class TDateReading {
public:
    explicit TDateReading(bool explain) : FExplain(explain) {}

    bool Fail(std::string message) {
        if (FExplain)
            FWhy = std::move(message);
        return false;
    }
    const std::string& Why() const { return FWhy; }

    // The day and the year must be integers as a whole: StrToInt also skips
    // leading spaces, which only a quoted item can carry, so those are refused.
    bool Number(const std::string& item, int& value) {
        int number = 0;
        if ((!item.empty() && item.front() == ' ') || !TryStrToInt(item, number))
            return Fail(Quoted(item, "' is not a valid integer value"));
        value = static_cast<std::uint16_t>(number);  // wraps as the 16-bit fields did
        return true;
    }

    bool Year(const std::string& item, int& year) {
        if (!Number(item, year))
            return false;
        const bool decimal =
            std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (decimal && item.size() <= 2)
            year += year < 50 ? 2000 : 1900;
        else if (decimal && item.size() == 3)
            year += 1900;
        return true;
    }

    bool Read(std::string_view text, double& date) {
        std::size_t start = 0;
        while (start < text.size() && IsBlank(text[start]))
            ++start;
        if (text.size() - start >= 5 && text[start + 4] == '-')
            return TryParseYmdDate(text.substr(start), date) || Fail(Quoted(text, "' is not a valid date"));

        TItems items;
        SplitItems(text, items);
        int number = 0;
        std::size_t i = 0;
        // A leading word that is no month and no number is the weekday.
        if (!items.empty() && MonthIndex(items[0]) == 0 && !TryStrToInt(items[0], number))
            i = 1;
        if (items.size() < i + 3)
            return Fail(Quoted(text, "' is not a valid date"));
        const bool monthFirst = MonthIndex(items[i]) != 0;
        const std::string& monthName = monthFirst ? items[i] : items[i + 1];
        const int month = MonthIndex(monthName);
        if (month == 0)
            return Fail(Quoted(monthName, "' is not a valid month name"));
        int day = 0, year = 0;
        if (!Number(monthFirst ? items[i + 1] : items[i], day) || !Year(items[i + 2], year))
            return false;
        return TryEncodeDate(year, month, day, date) || Fail("Invalid argument to date encode");
    }

private:
    bool FExplain;
    std::string FWhy;
};

}  // namespace

int MonthIndex(std::string_view name) {
    static const std::string_view fullNames[13] = {"",        "January",  "February", "March",  "April",
                                                   "May",     "June",     "July",     "August", "September",
                                                   "October", "November", "December"};
    // Most dates give the three-letter name: its folded letters are
    // compared as one number.
    if (name.size() == 3) {
        const auto key = [](std::string_view s) {
            return static_cast<unsigned>(FoldNameByte(s[0])) << 16 |
                   static_cast<unsigned>(FoldNameByte(s[1])) << 8 | FoldNameByte(s[2]);
        };
        static const auto keys = [&key] {
            std::array<unsigned, 13> k{};
            for (int m = 1; m <= 12; ++m)
                k[static_cast<std::size_t>(m)] = key(MonthNames[m]);
            return k;
        }();
        const unsigned wanted = key(name);
        for (int m = 1; m <= 12; ++m)
            if (keys[static_cast<std::size_t>(m)] == wanted)
                return m;
        return 0;
    }
    for (int m = 1; m <= 12; ++m)
        if (SameNameKey(name, fullNames[m]))
            return m;
    return SameNameKey(name, "Sept") ? 9 : 0;
}

double ParseRssDate(std::string_view text) {
    TDateReading reading(true);
    double date = 0;
    if (!reading.Read(text, date))
        throw EConvertError(reading.Why());
    return date;
}

bool TryParseRssDate(std::string_view text, double& date) { return TDateReading(false).Read(text, date); }
