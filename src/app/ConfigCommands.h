#pragma once

#include "app/CommandLine.h"

#include <iosfwd>

namespace hostaq {

// hostaq --dump-config FILE [CONFIG]: writes the configuration dump. 0 when written, 1 when not.
int RunDumpConfig(const TCommandLine& cl);

// hostaq --scramble: reads one line and prints its scrambled form, as the file stores passwords.
// 1 when there is no line to read.
// On a terminal (terminalFd, -1 for none) the line is read without echo.
int RunScramble(std::istream& in, std::ostream& out, std::ostream& err, int terminalFd = -1);

// hostaq --group-add NAME --user USER --hosts A,B,... [--system S] [--profile FILE] [--insecure]:
// saves a new group as the group editor would, with the password read from in. The checks and
// their messages are the editor's; a refused group writes nothing and gives 1; an unknown
// system gives 2.
// On a terminal (terminalFd, -1 for none) the password is asked for and read without echo.
int RunGroupAdd(const TCommandLine& cl, std::istream& in, std::ostream& out, std::ostream& err,
                int terminalFd = -1);

} // namespace hostaq
