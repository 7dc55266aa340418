#pragma once

#include "config/DateTime.h"

#include <string>

namespace hostaq {

// Log files sit beside the configuration file: its path without the extension (the stem), a
// suffix for the period and ".log", e.g. /etc/hostaq20071231.log for /etc/hostaq.ini.

// Values of Logging/ChangeLogInt.
inline constexpr int LogPeriodDay = 0;
inline constexpr int LogPeriodWeek = 1;
inline constexpr int LogPeriodMonth = 2;

// The path without the extension of its file name.
std::string LogFileStem(const std::string& configPath);

// The week number of weekly file names. R is 1 January plus (9 - w) days, w being the weekday
// of 1 January (1 Sunday ... 7 Saturday); the week is the whole days from R to d (time of day
// included, truncated toward zero) divided by 7 (truncated toward zero), plus 1. Dates before
// R give week 1, or 0 a full week before R.
int WeekOfYear(const TDateTime& d);

// The file name of the period holding d: stem + yyyyMMdd (day), yyyy + week (week), yyyyMM
// (month) or nothing (any other period) + ".log".
std::string LogFileNameAt(const std::string& stem, int changeLogInt, const TDateTime& d);

// The current file name for the configuration file, with its Logging/ChangeLogInt; also stored
// in FileLocation/LogFile of that file.
std::string LogFileNameFor(const std::string& configPath);
// The same name, not stored: what a command that writes no log works out.
std::string LogFileNameNow(const std::string& configPath);
// Stores name in FileLocation/LogFile of the configuration when it differs.
void StoreLogFileName(const std::string& configPath, const std::string& name);

// The most periods Logging/LogKept keeps (the settings dialog offers 0 to 9); a larger stored
// value reads as this, a negative one as 0.
inline constexpr int MaxLogKept = 999;

// Deletes the one file of Logging/LogKept + 1 periods ago, when it exists and is not the current
// file. Files of earlier periods stay; a file that cannot be deleted is left without a word.
void DeleteOldLog(const std::string& configPath, const std::string& currentName);

} // namespace hostaq
