#include "feed/ShortDate.h"

#include "base/Dates.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

const TShortDateFormat kYmdHyphen{TDateOrder::doYMD, '-'};
const TShortDateFormat kDmyDot{TDateOrder::doDMY, '.'};
const TShortDateFormat kMdySlash{TDateOrder::doMDY, '/'};

struct PatternCase {
    const char* pattern;
    TDateOrder order;
    char separator;
};

const PatternCase kPatterns[] = {
    {"%m/%d/%y", TDateOrder::doMDY, '/'},  // C
    {"%d.%m.%Y", TDateOrder::doDMY, '.'},
    {"%Y-%m-%d", TDateOrder::doYMD, '-'},
    {"%d/%m/%y", TDateOrder::doDMY, '/'},
    {"%F", TDateOrder::doYMD, '-'},
    {"%D", TDateOrder::doMDY, '/'},
    {"%Y. %m. %d.", TDateOrder::doYMD, '.'},
    {"%-d.%-m.%Y", TDateOrder::doDMY, '.'},
    {"%e-%b-%Ey", TDateOrder::doDMY, '-'},
    {"%Oy/%Om/%Od", TDateOrder::doYMD, '/'},
    {"%%%d|%m|%Y", TDateOrder::doDMY, '|'},
    // Incomplete patterns give month/day/year with "/".
    {"", TDateOrder::doMDY, '/'},
    {"%Y-%m", TDateOrder::doMDY, '/'},
    {"%H:%M:%S", TDateOrder::doMDY, '/'},
    {"%d.%m.%", TDateOrder::doMDY, '/'},
};

TEST(ShortDateFormat, ReducesTheLocalePattern) {
    for (const PatternCase& c : kPatterns) {
        SCOPED_TRACE(c.pattern);
        const TShortDateFormat f = ShortDateFormatFromPattern(c.pattern);
        EXPECT_EQ(f.Order, c.order);
        EXPECT_EQ(f.Separator, c.separator);
    }
}

// Sets (or, given nullptr, removes) an environment variable for one test
// and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ShortDateFormat, ComesFromTheLcTimeLocale) {
    const TShortDateFormat c = ShortDateFormatOfLocale("C");
    EXPECT_EQ(c.Order, TDateOrder::doMDY);
    EXPECT_EQ(c.Separator, '/');
    const TShortDateFormat missing = ShortDateFormatOfLocale("xx_XX.no-such-locale");
    EXPECT_EQ(missing.Order, TDateOrder::doMDY);
    EXPECT_EQ(missing.Separator, '/');

    ScopedEnv all("LC_ALL", "xx_XX.no-such-locale");
    const TShortDateFormat user = UserShortDateFormat();
    EXPECT_EQ(user.Order, TDateOrder::doMDY);
    EXPECT_EQ(user.Separator, '/');
}

// Real locales compiled from the system's locale sources into a temporary
// folder that LOCPATH points at; skipped where the sources are missing.
TEST(ShortDateFormat, ComesFromCompiledLocales) {
    namespace fs = std::filesystem;
    if (!fs::exists("/usr/share/i18n/locales/sv_SE") || !fs::exists("/usr/share/i18n/locales/de_DE"))
        GTEST_SKIP() << "no locale sources";
    std::string dirTemplate = (fs::temp_directory_path() / "nemara-locales-XXXXXX").string();
    ASSERT_NE(mkdtemp(dirTemplate.data()), nullptr);
    const fs::path dir = dirTemplate;
    struct Remove {
        fs::path dir;
        ~Remove() { fs::remove_all(dir); }
    } remove{dir};
    for (const char* name : {"sv_SE", "de_DE"}) {
        const std::string command = std::string("localedef -i ") + name + " -f UTF-8 '" +
                                    (dir / name).string() + ".UTF-8' >/dev/null 2>&1";
        (void)std::system(command.c_str());
    }
    if (!fs::exists(dir / "sv_SE.UTF-8") || !fs::exists(dir / "de_DE.UTF-8"))
        GTEST_SKIP() << "localedef failed";

    ScopedEnv locpath("LOCPATH", dir.c_str());
    const TShortDateFormat sv = ShortDateFormatOfLocale("sv_SE.UTF-8");
    EXPECT_EQ(sv.Order, TDateOrder::doYMD);
    EXPECT_EQ(sv.Separator, '-');
    const TShortDateFormat de = ShortDateFormatOfLocale("de_DE.UTF-8");
    EXPECT_EQ(de.Order, TDateOrder::doDMY);
    EXPECT_EQ(de.Separator, '.');

    ScopedEnv lcAll("LC_ALL", nullptr);
    ScopedEnv lang("LANG", "de_DE.UTF-8");
    ScopedEnv lcTime("LC_TIME", "sv_SE.UTF-8");
    EXPECT_EQ(FormatDateYmd(StrToDate("2026-12-07", UserShortDateFormat())), "2026-12-07");
}

struct DateCase {
    const char* text;
    const TShortDateFormat* format;
    const char* date;  // yyyy-mm-dd, or nullptr when the text fails
};

const DateCase kDates[] = {
    {"2026-12-07", &kYmdHyphen, "2026-12-07"},
    {"2026-1-7", &kYmdHyphen, "2026-01-07"},
    {"07.12.2026", &kDmyDot, "2026-12-07"},
    {"12/07/2026", &kMdySlash, "2026-12-07"},
    {"0026-12-07", &kYmdHyphen, "0026-12-07"},
    {"026-12-07", &kYmdHyphen, "0026-12-07"},
    {"2000-02-29", &kYmdHyphen, "2000-02-29"},
    // Two-digit years: 1976 to 2075 when the current year is 2026.
    {"26-12-07", &kYmdHyphen, "2026-12-07"},
    {"12/07/75", &kMdySlash, "2075-12-07"},
    {"07.12.76", &kDmyDot, "1976-12-07"},
    {"07.12.0", &kDmyDot, "2000-12-07"},
    // Two numbers: the current year.
    {"12-07", &kYmdHyphen, "2026-12-07"},
    {"12/07", &kMdySlash, "2026-12-07"},
    {"07.12", &kDmyDot, "2026-12-07"},
    // Another order or separator fails.
    {"2026-12-07", &kDmyDot, nullptr},
    {"2026-12-07", &kMdySlash, nullptr},
    {"07.12.2026", &kYmdHyphen, nullptr},
    {"2026/12/07", &kYmdHyphen, nullptr},
    {"2026-02-30", &kYmdHyphen, nullptr},
    {"2026-13-01", &kYmdHyphen, nullptr},
    {"2026-00-01", &kYmdHyphen, nullptr},
    {"0-12-07", &kYmdHyphen, "2000-12-07"},
    {"0000-12-07", &kYmdHyphen, nullptr},
    {"", &kYmdHyphen, nullptr},
    {"2026", &kYmdHyphen, nullptr},
    {"2026-", &kYmdHyphen, nullptr},
    {"2026-12-", &kYmdHyphen, nullptr},
    {"2026-12-07-", &kYmdHyphen, nullptr},
    {"2026-12-07T", &kYmdHyphen, nullptr},
    {" 2026-12-07", &kYmdHyphen, nullptr},
    {"2026-12-07 ", &kYmdHyphen, nullptr},
    {"2026--12-07", &kYmdHyphen, nullptr},
    {"+2026-12-07", &kYmdHyphen, nullptr},
    // More than four digits: a number like any other.
    {"02026-12-7", &kYmdHyphen, "2026-12-07"},
    {"2026-00012-07", &kYmdHyphen, "2026-12-07"},
    {"20261-12-07", &kYmdHyphen, nullptr},
    {"99999999999999999999-12-07", &kYmdHyphen, nullptr},
};

TEST(StrToDate, ReadsTheNumbersInTheFormatsOrder) {
    for (const DateCase& c : kDates) {
        SCOPED_TRACE(c.text);
        if (c.date) {
            EXPECT_EQ(FormatDateYmd(StrToDate(c.text, *c.format, 2026)), c.date);
            continue;
        }
        try {
            StrToDate(c.text, *c.format, 2026);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.what(), "'" + std::string(c.text) + "' is not a valid date");
        }
    }
}

TEST(StrToDate, TheCenturyWindowMovesWithTheCurrentYear) {
    EXPECT_EQ(FormatDateYmd(StrToDate("49-01-01", kYmdHyphen, 2000)), "2049-01-01");
    EXPECT_EQ(FormatDateYmd(StrToDate("50-01-01", kYmdHyphen, 2000)), "1950-01-01");
    EXPECT_EQ(FormatDateYmd(StrToDate("99-01-01", kYmdHyphen, 2050)), "2099-01-01");
    EXPECT_EQ(FormatDateYmd(StrToDate("00-01-01", kYmdHyphen, 2050)), "2000-01-01");
    EXPECT_EQ(FormatDateYmd(StrToDate("07-12", kYmdHyphen, 2030)), "2030-07-12");
}

TEST(StrToDate, TheCLocaleRefusesAtomDates) {
    EXPECT_THROW(StrToDate("2026-12-07", ShortDateFormatOfLocale("C")), EConvertError);
}

}  // namespace
