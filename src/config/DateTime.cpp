#include "config/DateTime.h"

#include <algorithm>
#include <cstdio>

namespace hostaq {

namespace {
constexpr std::int64_t MsPerDay = 86400000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}
} // namespace

// Howard Hinnant's civil-calendar algorithms.
std::int64_t DaysFromCivil(int year, int month, int day) {
    std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = yoe + era * 400;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2 ? 1 : 0));
}

bool TDateTime::IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int TDateTime::DaysInMonth(int year, int month) {
    static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : Days[month - 1];
}

bool TDateTime::IsValid(int year, int month, int day, int hour, int minute, int second, int msec) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
           second >= 0 && second <= 59 && msec >= 0 && msec <= 999;
}

TDateTime TDateTime::FromParts(int year, int month, int day, int hour, int minute, int second, int msec) {
    if (!IsValid(year, month, day, hour, minute, second, msec))
        return TDateTime();
    const std::int64_t days = DaysFromCivil(year, month, day);
    return TDateTime(days * MsPerDay + ((hour * 60 + minute) * 60 + second) * 1000LL + msec);
}

namespace {
struct Parts {
    int y, mo, d;
};
Parts Split(std::int64_t msecs) {
    Parts p{};
    CivilFromDays(FloorDiv(msecs, MsPerDay), p.y, p.mo, p.d);
    return p;
}
} // namespace

std::int64_t TDateTime::MsecsOfDay() const {
    return msecs_ - FloorDiv(msecs_, MsPerDay) * MsPerDay;
}
int TDateTime::Year() const {
    return Split(msecs_).y;
}
int TDateTime::Month() const {
    return Split(msecs_).mo;
}
int TDateTime::Day() const {
    return Split(msecs_).d;
}
int TDateTime::Hour() const {
    return static_cast<int>(MsecsOfDay() / 3600000);
}
int TDateTime::Minute() const {
    return static_cast<int>(MsecsOfDay() / 60000 % 60);
}
int TDateTime::Second() const {
    return static_cast<int>(MsecsOfDay() / 1000 % 60);
}
int TDateTime::Msec() const {
    return static_cast<int>(MsecsOfDay() % 1000);
}

int TDateTime::DayOfWeek() const {
    // 1970-01-01 was a Thursday (5 in 1 = Sunday numbering).
    const std::int64_t days = FloorDiv(msecs_, MsPerDay);
    return static_cast<int>(((days + 4) % 7 + 7) % 7) + 1;
}

int TDateTime::DayOfYear() const {
    const Parts p = Split(msecs_);
    return static_cast<int>(DaysFromCivil(p.y, p.mo, p.d) - DaysFromCivil(p.y, 1, 1)) + 1;
}

TDateTime TDateTime::Date() const {
    return TDateTime(FloorDiv(msecs_, MsPerDay) * MsPerDay);
}

TDateTime TDateTime::AddMonths(int months) const {
    const Parts p = Split(msecs_);
    std::int64_t total = static_cast<std::int64_t>(p.y) * 12 + (p.mo - 1) + months;
    const int year = static_cast<int>(FloorDiv(total, 12));
    const int month = static_cast<int>(total - static_cast<std::int64_t>(year) * 12) + 1;
    const int day = std::min(p.d, DaysInMonth(year, month));
    return TDateTime(DaysFromCivil(year, month, day) * MsPerDay + MsecsOfDay());
}

std::int64_t TDateTime::SecsTo(const TDateTime& other) const {
    return (other.msecs_ - msecs_) / 1000;
}

std::string TDateTime::ToIsoString() const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", Year(), Month(), Day(), Hour(), Minute(),
                  Second());
    return buf;
}

} // namespace hostaq
