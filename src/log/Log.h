#pragma once

#include "log/ListBoxLog.h"
#include "log/LogKind.h"

#include <functional>
#include <mutex>
#include <string>

namespace hostaq {

// The one process-wide entry point for everything the program reports. The entry reaches the
// log model (the screen list), the current log file and every extra sink, all with the same
// one-line text (line breaks become blanks). Never throws.
//
// Safe from any thread: one lock serialises entries. An entry logged while another is being
// delivered on the same thread (by a sink, a view following the list, or the report of a log
// file that cannot be written) is delivered right after it, never nested and never deadlocked.
// A log file that cannot be written is reported once, as a LogError entry on the screen, to
// the sinks and on standard error, and is tried again with the next entry.
void AddLog(int kind, const std::string& text);

// An extra receiver of every entry (the headless runner prints entries on standard output).
// Returns an id for RemoveLogSink. Sinks run under the logger's lock: they may log, but must
// not wait for another thread that logs.
using TLogSink = std::function<void(int kind, const std::string& text)>;
int AddLogSink(TLogSink sink);
void RemoveLogSink(int id);

// The process-wide log list that AddLog fills and the main window shows.
TVemoListBoxLog& LogList();

// Holds the logger's lock, for code that reads or changes LogList() while another thread may
// log. Entries may be logged while it is held.
class TLogLock {
public:
    TLogLock();

private:
    std::unique_lock<std::recursive_mutex> lock_;
};

// Runs work under the logger's lock; entries logged meanwhile (warnings about settings being
// read) are held back and delivered, in order, once work is done. Exceptions of work pass on.
void WithLogHeld(const std::function<void()>& work);

// An entry's text as the list shows it: the time stamp of now, " - ", the text (for sinks).
std::string FormatLogLine(const std::string& text);

// The name of the current log file, process-wide: set once the configuration file is known,
// replaced on rotation.
std::string CurrentLogFileName();
void SetCurrentLogFileName(const std::string& name);

// Turns warnings about stored data (config/ErrorReporter.h) into LogWarning entries.
void InstallLogWarningReporter();
// Start-up wiring, once, before the configuration file is located: the warning reporter above,
// and working out the log file name (LogFileNameNow) as soon as the configuration file is known.
void InstallLogging();

// Returns the logger to the state of a fresh process: a list with default properties and no
// items, no sinks, no current file name, no failure reported. For tests.
void ResetLogger();

} // namespace hostaq
