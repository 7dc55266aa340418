#pragma once

namespace hostaq {

// Gives memory the monitor holds but does not need back to the system, as the working-set trim
// of a long-running tray program does: the stacks of ended workers, the heap's free memory
// (malloc_trim) and the resident pages of program and library code and read-only data never
// written, which are read again from the files when next used.
void TrimWorkingSet();

} // namespace hostaq
