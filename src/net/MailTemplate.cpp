#include "net/MailTemplate.h"

#include "config/Clock.h"

#include <cctype>
#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace hostaq {

namespace {

constexpr const char* MissingClose = "Error!";

// An owned locale_t, "C" when the name is not known.
class TLocale {
public:
    explicit TLocale(const std::string& name) {
        locale_ = newlocale(LC_ALL_MASK, name.c_str(), static_cast<locale_t>(nullptr));
        if (locale_ == static_cast<locale_t>(nullptr))
            locale_ = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    }
    ~TLocale() {
        if (locale_ != static_cast<locale_t>(nullptr))
            freelocale(locale_);
    }
    TLocale(const TLocale&) = delete;
    TLocale& operator=(const TLocale&) = delete;
    locale_t Get() const { return locale_; }

private:
    locale_t locale_;
};

std::tm ToTm(const TDateTime& t) {
    std::tm tm{};
    tm.tm_year = t.Year() - 1900;
    tm.tm_mon = t.Month() - 1;
    tm.tm_mday = t.Day();
    tm.tm_hour = t.Hour();
    tm.tm_min = t.Minute();
    tm.tm_sec = t.Second();
    tm.tm_wday = t.DayOfWeek() - 1;
    tm.tm_yday = t.DayOfYear() - 1;
    tm.tm_isdst = -1;
    return tm;
}

std::string Strftime(const std::string& format, const std::tm& tm, locale_t loc) {
    if (format.empty())
        return {};
    char buffer[256];
    const std::size_t n = strftime_l(buffer, sizeof buffer, format.c_str(), &tm, loc);
    return std::string(buffer, n);
}

// The locale's time format without its seconds.
std::string ShortTimeFormat(std::string format) {
    if (format == "%T")
        return "%H:%M";
    if (format == "%r")
        return "%I:%M %p";
    for (const char* seconds : {":%S", ".%S", "%S"}) {
        const std::size_t at = format.find(seconds);
        if (at != std::string::npos) {
            format.erase(at, std::string(seconds).size());
            break;
        }
    }
    return format;
}

std::string TwoDigits(int value) {
    std::string s = std::to_string(value % 100);
    return s.size() < 2 ? "0" + s : s;
}

std::string TokenValue(const std::string& token, const std::string& currentIP, const std::string& updatedIP,
                       const TDateTime& now, locale_t loc) {
    if (token == "CURRENT_IP")
        return currentIP;
    if (token == "UPDATED_IP")
        return updatedIP;
    const std::tm tm = ToTm(now);
    if (token == "LONGDATE")
        return Strftime("%A, %-d %B %Y", tm, loc);
    if (token == "SHORTDATE")
        return Strftime(nl_langinfo_l(D_FMT, loc), tm, loc);
    if (token == "LONGTIME")
        return Strftime(nl_langinfo_l(T_FMT, loc), tm, loc);
    if (token == "SHORTTIME")
        return Strftime(ShortTimeFormat(nl_langinfo_l(T_FMT, loc)), tm, loc);
    if (token == "HOUR")
        return TwoDigits(now.Hour());
    if (token == "SHORTHOUR")
        return std::to_string(now.Hour());
    if (token == "MINUTE")
        return TwoDigits(now.Minute());
    if (token == "SHORTMINUTE")
        return std::to_string(now.Minute());
    if (token == "SECOND")
        return TwoDigits(now.Second());
    if (token == "SHORTSECOND")
        return std::to_string(now.Second());
    if (token == "AMPM")
        return nl_langinfo_l(now.Hour() < 12 ? AM_STR : PM_STR, loc);
    if (token == "DATE")
        return TwoDigits(now.Day());
    if (token == "SHORTDAY")
        return std::to_string(now.Day());
    if (token == "MONTH")
        return TwoDigits(now.Month());
    if (token == "SHORTMONTH")
        return std::to_string(now.Month());
    if (token == "YEAR")
        return std::to_string(now.Year());
    if (token == "SHORTYEAR")
        return TwoDigits(now.Year());
    if (token == "MONTHSHORTNAME")
        return Strftime("%b", tm, loc);
    if (token == "MONTHLONGNAME")
        return Strftime("%B", tm, loc);
    if (token == "DAYSHORTNAME")
        return Strftime("%a", tm, loc);
    if (token == "DAYLONGNAME")
        return Strftime("%A", tm, loc);
    return {};
}

} // namespace

std::string ExpandMailTemplate(const std::string& text, const std::string& currentIP,
                               const std::string& updatedIP) {
    return ExpandMailTemplate(text, currentIP, updatedIP, "");
}

std::string ExpandMailTemplate(const std::string& text, const std::string& currentIP,
                               const std::string& updatedIP, const std::string& localeName) {
    const TLocale loc(localeName);
    const TDateTime now = Now();
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const bool opensToken = c == '%' && i + 1 < text.size() && text[i + 1] >= 'A' && text[i + 1] <= 'Z';
        if (!opensToken) {
            out += c;
            ++i;
            continue;
        }
        const std::size_t close = text.find('%', i + 1);
        if (close == std::string::npos) {
            out += MissingClose;
            break;
        }
        std::string token = text.substr(i + 1, close - i - 1);
        for (char& ch : token)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        out += TokenValue(token, currentIP, updatedIP, now, loc.Get());
        i = close + 1;
    }
    return out;
}

} // namespace hostaq
