#pragma once

#include "app/CommandLine.h"

#include <iosfwd>
#include <string>

namespace hostaq {

// Exit statuses of the monitor commands.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1; // --once: the run's worst class is 3 or more, or no public address
inline constexpr int ExitUsage = 2;

// The process-wide start-up every command that works on the configuration shares: logging is
// wired, the configuration file located, the message table loaded, and reported errors become
// error entries and lines on standard error. False when the CONFIG named cannot be used: the
// reason is on standard error ("hostaq: cannot use PATH: REASON") and the command ends with
// status 1, having written nothing.
bool PrepareProgram(const TCommandLine& cl);

// Blocks SIGTERM, SIGINT and SIGHUP in the calling thread, before any other thread exists, so
// that every thread inherits the mask and the monitor's loop alone receives them (signalfd).
void BlockStopSignals();

// hostaq --headless [CONFIG]: the monitor without a window until SIGTERM or SIGINT. The first
// signal takes the stop path (a run or check in progress finishes first; a pending dial is
// cancelled), a second one stops at once. SIGHUP reloads everything, as the settings dialog's
// OK does. Log entries are also written to standard output, status changes as "-- " lines.
int RunHeadless(const TCommandLine& cl);

// A monitor running on the configuration (tray, headless or service) is asked to reload; out
// says so, err says why it could not be asked. Nothing is said when no monitor runs.
void TellMonitorToReload(const std::string& configPath, std::ostream& out, std::ostream& err);

// hostaq --once [--force] [CONFIG]: one address check and, when an update is due (always with
// --force), one update run, waiting for the report mail when one is sent.
int RunOnce(const TCommandLine& cl);

} // namespace hostaq
