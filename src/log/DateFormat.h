#pragma once

#include "config/DateTime.h"

#include <string>
#include <string_view>

namespace hostaq {

// Formats a date-time for display with a pattern in the notation of Options/DateFormat,
// TimeFormat and DateTimeFormat. Letters are read without regard to case:
//   y, yy        year, two digits          yyy, yyyy  year, four digits
//   m, mm        month (1, 01)             mmm, mmmm  month name (Dec, December)
//   d, dd        day (1, 01)               ddd, dddd  weekday name (Mon, Monday)
//   h, hh        hour (0-23; 1-12 when the pattern holds am/pm, a/p or ampm)
//   n, nn        minute                    s, ss      second
//   z, zzz       millisecond (1, 001)
//   am/pm, a/p   "am"/"pm", "a"/"p" in the letter case written; ampm gives "AM"/"PM"
// An m or mm that follows an hour (other letters in between reset this) is the minute, so
// "HH:mm:ss" and "MM/dd/yyyy" both read as expected. "/" and ":" are the date and time separators
// ("/" and ":" here). Text in single or double quotes is copied as it stands; every other
// character is copied too.
std::string FormatDateTime(std::string_view pattern, const TDateTime& t);

} // namespace hostaq
