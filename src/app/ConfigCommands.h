#pragma once

#include "app/CommandLine.h"

#include <iosfwd>

namespace hostaq {

// hostaq --dump-config FILE [CONFIG]: writes the configuration dump. 0 when written, 1 when not.
int RunDumpConfig(const TCommandLine& cl);

// hostaq --scramble: reads one line and prints its scrambled form, as the file stores passwords.
// 1 when there is no line to read.
int RunScramble(std::istream& in, std::ostream& out, std::ostream& err);

// hostaq --group-add NAME --user USER --hosts A,B,... [--system S] [--profile FILE] [--insecure]:
// saves a new group as the group editor would, with the password read from in. The checks and
// their messages are the editor's; a refused group writes nothing and gives 1; an unknown
// system gives 2.
int RunGroupAdd(const TCommandLine& cl, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace hostaq
