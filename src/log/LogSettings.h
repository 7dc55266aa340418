#pragma once

namespace hostaq {

// How the monitor drives the process-wide log list.

// Gives the list the current file name, the version title as MyAppName, Logging/LogToScreen,
// LogToFile and MaxLogLines and the Options/DateFormat and TimeFormat; clears the list and
// refills it from the file; then adds the LogProgram entry "%s started..." ("%s started (as
// service)..." for the service) or, after a change of file, "Rotating log file...", which
// creates the new file with its header.
void ApplyLogSettings(bool fileChanged, bool asService = false);

// Works out the file name for now (LogFileNameFor on the configuration path); when it differs
// from the current one, "Rotating log file..." is logged into the old file, the name is replaced
// and ApplyLogSettings runs with a change of file. Returns true when the file changed. Does
// nothing before the configuration file is known.
bool RotateLogIfDue();

} // namespace hostaq
