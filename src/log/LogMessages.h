#pragma once

namespace hostaq {

inline constexpr int MsgLogFileUnwritable = 10154;   // "Cannot write to the log file %s: %s"
inline constexpr int MsgRotatingLog = 10209;         // "Rotating log file..."
inline constexpr int MsgAppStarted = 10211;          // "%s started..."
inline constexpr int MsgAppStartedAsService = 10425; // "%s started (as service)..."

} // namespace hostaq
