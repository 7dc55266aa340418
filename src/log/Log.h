#pragma once

#include <functional>
#include <string>

namespace hostaq {

// The kinds of log entries. Any other value is drawn and marked like "any other".
enum TLogKind : int {
    LogError = 0,
    LogWarning = 1,
    LogProcess = 2,
    LogNormal = 3,
    LogMinor = 4,
    LogProgram = 5,
};

// The one process-wide entry point for everything the program reports. The entry reaches the
// log model (the screen list), the current log file and every extra sink. Never throws.
void AddLog(int kind, const std::string& text);

// An extra receiver of every entry (the headless runner prints entries on standard output).
// Returns an id for RemoveLogSink.
using TLogSink = std::function<void(int kind, const std::string& text)>;
int AddLogSink(TLogSink sink);
void RemoveLogSink(int id);

} // namespace hostaq
