#pragma once

#include "app/CommandLine.h"

namespace hostaq {

// Exit statuses of the monitor commands.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1; // --once: the run's worst class is 3 or more, or no public address
inline constexpr int ExitUsage = 2;

// The process-wide start-up every command that works on the configuration shares: logging is
// wired, the configuration file located, the message table loaded, and reported errors become
// error entries and lines on standard error.
void PrepareProgram(const TCommandLine& cl);

// Blocks SIGTERM and SIGINT in the calling thread, before any other thread exists, so that
// every thread inherits the mask and the monitor's loop alone receives them (signalfd).
void BlockStopSignals();

// hostaq --headless [CONFIG]: the monitor without a window until SIGTERM or SIGINT. The first
// signal takes the stop path (a run or check in progress finishes first), a second one stops
// at once. Log entries are also written to standard output, status changes as "-- " lines.
int RunHeadless(const TCommandLine& cl);

// hostaq --once [--force] [CONFIG]: one address check and, when an update is due (always with
// --force), one update run, waiting for the report mail when one is sent.
int RunOnce(const TCommandLine& cl);

} // namespace hostaq
