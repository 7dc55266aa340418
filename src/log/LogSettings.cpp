#include "log/LogSettings.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "log/Log.h"
#include "log/LogFileName.h"
#include "log/LogMessages.h"

namespace hostaq {

void ApplyLogSettings(bool fileChanged, bool asService) {
    // Stored once a monitor starts to log: a command refused before any work leaves the file alone.
    StoreLogFileName(ConfigPath(), CurrentLogFileName());
    // Warnings about malformed values wait until the list has been refilled, so they show.
    WithLogHeld([] {
        TVemoListBoxLog& list = LogList();
        list.SetLogFileName(CurrentLogFileName());
        list.SetMyAppName(BuildUserAgent());
        list.SetLogToScreen(ReadBool(Keys::LogToScreen));
        list.SetLogToFile(ReadBool(Keys::LogToFile));
        list.SetMaxLogLine(ReadInteger(Keys::MaxLogLines));
        list.SetDateFormat(ReadString(Keys::DateFormat));
        list.SetTimeFormat(ReadString(Keys::TimeFormat));
        list.ClearLog();
        list.LoadFromLogFile();
    });
    if (fileChanged)
        AddLog(LogProgram, Msg(MsgRotatingLog));
    else
        AddLog(LogProgram, FormatMsg(asService ? MsgAppStartedAsService : MsgAppStarted, {AppTitle}));
}

bool RotateLogIfDue() {
    const std::string configPath = ConfigPath();
    if (configPath.empty())
        return false;
    const std::string name = LogFileNameFor(configPath);
    if (name == CurrentLogFileName())
        return false;
    AddLog(LogNormal, Msg(MsgRotatingLog));
    SetCurrentLogFileName(name);
    ApplyLogSettings(true);
    return true;
}

} // namespace hostaq
