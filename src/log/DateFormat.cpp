#include "log/DateFormat.h"

#include <cctype>

namespace hostaq {

namespace {
constexpr const char* MonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};
constexpr const char* DayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                    "Thursday", "Friday", "Saturday"};
constexpr char DateSeparator = '/';
constexpr char TimeSeparator = ':';

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view what) {
    if (text.size() - at < what.size())
        return false;
    for (std::size_t i = 0; i < what.size(); ++i)
        if (Upper(text[at + i]) != Upper(what[i]))
            return false;
    return true;
}

// Whether the pattern asks for a 12-hour clock (outside quoted text).
bool HasAmPm(std::string_view pattern) {
    char quote = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (StartsWithNoCase(pattern, i, "am/pm") || StartsWithNoCase(pattern, i, "a/p") ||
                   StartsWithNoCase(pattern, i, "ampm")) {
            return true;
        }
    }
    return false;
}

void AppendNumber(std::string& out, int value, int digits) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < digits)
        out.append(static_cast<std::size_t>(digits) - s.size(), '0');
    out += s;
}

// The text of an am/pm specifier in the letter case the pattern wrote it.
std::string AmPmText(std::string_view written, bool pm) {
    const std::size_t slash = written.find('/');
    return std::string(pm ? written.substr(slash + 1) : written.substr(0, slash));
}
} // namespace

std::string FormatDateTime(std::string_view pattern, const TDateTime& t) {
    const bool twelveHour = HasAmPm(pattern);
    std::string out;
    char lastToken = 0;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\'' || c == '"') {
            const std::size_t end = pattern.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? pattern.size() : end;
            out.append(pattern.substr(i + 1, stop - i - 1));
            i = end == std::string_view::npos ? stop : stop + 1;
            continue;
        }
        if (c == '/') {
            out += DateSeparator;
            ++i;
            continue;
        }
        if (c == ':') {
            out += TimeSeparator;
            ++i;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            out += c;
            ++i;
            continue;
        }

        char token = Upper(c);
        if (token == 'A') {
            std::size_t length = 0;
            if (StartsWithNoCase(pattern, i, "am/pm"))
                length = 5;
            else if (StartsWithNoCase(pattern, i, "a/p"))
                length = 3;
            if (length) {
                out += AmPmText(pattern.substr(i, length), t.Hour() >= 12);
                i += length;
            } else if (StartsWithNoCase(pattern, i, "ampm")) {
                out += t.Hour() >= 12 ? "PM" : "AM";
                i += 4;
            } else {
                out += c;
                ++i;
            }
            lastToken = token;
            continue;
        }

        std::size_t run = 1;
        while (i + run < pattern.size() && Upper(pattern[i + run]) == token)
            ++run;
        const int count = static_cast<int>(run);
        if (token == 'M' && lastToken == 'H')
            token = 'N';
        switch (token) {
        case 'Y':
            if (count <= 2)
                AppendNumber(out, t.Year() % 100, 2);
            else
                AppendNumber(out, t.Year(), 4);
            break;
        case 'M':
            if (count <= 2)
                AppendNumber(out, t.Month(), count);
            else if (count == 3)
                out += std::string(MonthNames[t.Month() - 1]).substr(0, 3);
            else
                out += MonthNames[t.Month() - 1];
            break;
        case 'D':
            if (count <= 2)
                AppendNumber(out, t.Day(), count);
            else if (count == 3)
                out += std::string(DayNames[t.DayOfWeek() - 1]).substr(0, 3);
            else
                out += DayNames[t.DayOfWeek() - 1];
            break;
        case 'H': {
            int hour = t.Hour();
            if (twelveHour) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            AppendNumber(out, hour, count >= 2 ? 2 : 1);
            break;
        }
        case 'N':
            AppendNumber(out, t.Minute(), count >= 2 ? 2 : 1);
            break;
        case 'S':
            AppendNumber(out, t.Second(), count >= 2 ? 2 : 1);
            break;
        case 'Z':
            AppendNumber(out, t.Msec(), count >= 3 ? 3 : 1);
            break;
        default:
            out.append(pattern.substr(i, run));
            break;
        }
        lastToken = token;
        i += run;
    }
    return out;
}

} // namespace hostaq
