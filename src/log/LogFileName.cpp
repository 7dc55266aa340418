#include "log/LogFileName.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/IniFile.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace hostaq {

namespace {
constexpr std::int64_t MsecsPerDay = 86400000;

std::string Digits(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}
} // namespace

std::string LogFileStem(const std::string& configPath) {
    const std::size_t slash = configPath.rfind('/');
    const std::size_t dot = configPath.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return configPath.substr(0, dot);
    return configPath;
}

int WeekOfYear(const TDateTime& d) {
    const TDateTime january1 = TDateTime::FromParts(d.Year(), 1, 1);
    const TDateTime reference = january1.AddDays(9 - january1.DayOfWeek());
    const std::int64_t days = reference.MsecsTo(d) / MsecsPerDay; // truncates toward zero
    return static_cast<int>(days / 7 + 1);
}

std::string LogFileNameAt(const std::string& stem, int changeLogInt, const TDateTime& d) {
    switch (changeLogInt) {
    case LogPeriodDay:
        return stem + Digits(d.Year(), 4) + Digits(d.Month(), 2) + Digits(d.Day(), 2) + ".log";
    case LogPeriodWeek:
        return stem + Digits(d.Year(), 4) + std::to_string(WeekOfYear(d)) + ".log";
    case LogPeriodMonth:
        return stem + Digits(d.Year(), 4) + Digits(d.Month(), 2) + ".log";
    default:
        return stem + ".log";
    }
}

std::string LogFileNameNow(const std::string& configPath) {
    return LogFileNameAt(LogFileStem(configPath), ReadInteger(configPath, Keys::ChangeLogInt), Now());
}

void StoreLogFileName(const std::string& configPath, const std::string& name) {
    // Worked out on every check: the file is rewritten only when the stored name changes.
    if (!configPath.empty() && !name.empty() &&
        IniReadString(configPath, Keys::LogFile.Section, Keys::LogFile.Key, "") != name)
        IniWriteString(configPath, Keys::LogFile.Section, Keys::LogFile.Key, name);
}

std::string LogFileNameFor(const std::string& configPath) {
    const std::string name = LogFileNameNow(configPath);
    StoreLogFileName(configPath, name);
    return name;
}

void DeleteOldLog(const std::string& configPath, const std::string& currentName) {
    // Hand-edited values are held to what the date arithmetic can take.
    const int periods = std::clamp(ReadInteger(configPath, Keys::LogKept), 0, MaxLogKept) + 1;
    const int changeLogInt = ReadInteger(configPath, Keys::ChangeLogInt);
    const TDateTime now = Now();
    TDateTime old;
    switch (changeLogInt) {
    case LogPeriodDay:
        old = now.AddDays(-periods);
        break;
    case LogPeriodWeek:
        old = now.AddDays(-7LL * periods);
        break;
    case LogPeriodMonth:
        old = now.AddMonths(-periods);
        break;
    default:
        return; // one file for ever: nothing is old
    }
    const std::string name = LogFileNameAt(LogFileStem(configPath), changeLogInt, old);
    if (name != currentName && ::access(name.c_str(), F_OK) == 0)
        ::unlink(name.c_str());
}

} // namespace hostaq
