#pragma once

#include <cstdint>
#include <string>

namespace hostaq {

// A local (wall-clock) date and time with millisecond resolution. It carries no time zone:
// the program stores and compares local times exactly as the user's clock shows them.
class TDateTime {
public:
    TDateTime() = default;

    // Returns false when the parts name no valid date and time.
    static bool IsValid(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                        int msec = 0);
    // Parts must be valid (see IsValid); an invalid set gives the zero date.
    static TDateTime FromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                               int msec = 0);
    static TDateTime FromMsecs(std::int64_t msecs) { return TDateTime(msecs); }

    int Year() const;
    int Month() const;
    int Day() const;
    int Hour() const;
    int Minute() const;
    int Second() const;
    int Msec() const;
    // 1 = Sunday ... 7 = Saturday.
    int DayOfWeek() const;
    // 1 = January 1st.
    int DayOfYear() const;
    static int DaysInMonth(int year, int month);
    static bool IsLeapYear(int year);

    TDateTime Date() const; // midnight of the same day
    std::int64_t MsecsOfDay() const;

    TDateTime AddMsecs(std::int64_t ms) const { return TDateTime(msecs_ + ms); }
    TDateTime AddSecs(std::int64_t s) const { return AddMsecs(s * 1000); }
    TDateTime AddMinutes(std::int64_t m) const { return AddMsecs(m * 60000); }
    TDateTime AddHours(std::int64_t h) const { return AddMsecs(h * 3600000); }
    TDateTime AddDays(std::int64_t d) const { return AddMsecs(d * 86400000); }
    // Month arithmetic keeps the day where the target month has it, else its last day.
    TDateTime AddMonths(int months) const;

    // Milliseconds since 1970-01-01 00:00:00 of the same wall clock.
    std::int64_t Msecs() const { return msecs_; }
    std::int64_t MsecsTo(const TDateTime& other) const { return other.msecs_ - msecs_; }
    std::int64_t SecsTo(const TDateTime& other) const;

    // "yyyy-MM-dd HH:mm:ss", for diagnostics and test messages.
    std::string ToIsoString() const;

    auto operator<=>(const TDateTime&) const = default;

private:
    explicit TDateTime(std::int64_t msecs) : msecs_(msecs) {}
    std::int64_t msecs_ = 0;
};

// Days since 1970-01-01 of a civil date, and back.
std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

} // namespace hostaq
