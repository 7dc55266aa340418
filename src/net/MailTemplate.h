#pragma once

#include <string>

namespace hostaq {

// Replaces the placeholders of a mail subject (and of a launched program's parameters):
// "%CURRENT_IP%", "%UPDATED_IP%" and the date and time tokens below, taken from the clock seam
// and formatted in the machine's locale (LC_TIME of the environment). A token starts with "%" and
// an upper-case letter, runs to the next "%" and matches in any letter case; a well-formed token
// that is not known is dropped. A "%" not followed by an upper-case letter A-Z stays as it is; a
// token without its closing "%" ends the text with "Error!".
//
//   %LONGDATE%        weekday, day, month name and year ("Monday, 31 December 2007")
//   %SHORTDATE%       the locale's date (D_FMT)       %LONGTIME%   the locale's time (T_FMT)
//   %SHORTTIME%       the locale's time without seconds
//   %HOUR% %SHORTHOUR%     hour 00-23 / 0-23          %MINUTE% %SHORTMINUTE%  minute 00 / 0
//   %SECOND% %SHORTSECOND% second 00 / 0              %AMPM%       the locale's AM or PM text
//   %DATE% %SHORTDAY%      day 01 / 1                 %MONTH% %SHORTMONTH%    month 01 / 1
//   %YEAR% %SHORTYEAR%     year 2007 / 07
//   %MONTHSHORTNAME% %MONTHLONGNAME%   %DAYSHORTNAME% %DAYLONGNAME%   the locale's names
std::string ExpandMailTemplate(const std::string& text, const std::string& currentIP,
                               const std::string& updatedIP);

// The same with the date and time texts of a named locale ("C", "de_DE.UTF-8"); an unknown name
// falls back to "C".
std::string ExpandMailTemplate(const std::string& text, const std::string& currentIP,
                               const std::string& updatedIP, const std::string& localeName);

} // namespace hostaq
