#pragma once

#include <iosfwd>
#include <string>

namespace hostaq {

// Reads one line (a password) from in. When fd is a terminal the prompt is written to err and
// the line is read from fd itself without echo; the terminal's settings come back on every way
// out: the read ending, an exception, or SIGINT, SIGTERM, SIGHUP or SIGQUIT, which end the
// program by that signal as they would have. False when there is no line.
bool ReadPasswordLine(std::istream& in, int fd, std::ostream& err, const std::string& prompt,
                      std::string& line);

} // namespace hostaq
