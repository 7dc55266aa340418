#pragma once

#include "app/CommandLine.h"

namespace hostaq {

// hostaq [CONFIG]: the tray program (main window, tray icon, hot key) over the same engine the
// headless monitor runs.
int RunGui(const TCommandLine& cl, int argc, char** argv);

} // namespace hostaq
