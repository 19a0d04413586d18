// ParseRssDate, and StrToDate in each field order: either a whole day of
// years 1 to 9999, or EConvertError.
#include "base/Exceptions.h"
#include "feed/RssDate.h"
#include "feed/ShortDate.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// Day numbers of 0001-01-01 and 9999-12-31.
constexpr double FirstDay = -693593;
constexpr double LastDay = 2958465;

void CheckDay(double day) {
    if (!(day >= FirstDay && day <= LastDay) || day != std::floor(day))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        CheckDay(ParseRssDate(text));
    } catch (const EConvertError&) {
    }
    for (TDateOrder order : {TDateOrder::doMDY, TDateOrder::doDMY, TDateOrder::doYMD}) {
        try {
            CheckDay(StrToDate(text, TShortDateFormat{order, '-'}, 2026));
        } catch (const EConvertError&) {
        }
    }
    return 0;
}
