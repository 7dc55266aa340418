#pragma once

#include "app/CommandLine.h"

#include <string>

namespace hostaq {

// hostaq [CONFIG]: the tray program (main window, tray icon, hot key) over the same engine the
// headless monitor runs.
int RunGui(const TCommandLine& cl, int argc, char** argv);

// Whether the toolkit can open the desktop's display: an X display that accepts a connection, a
// Wayland socket that does, or a platform that needs none (QT_QPA_PLATFORM=offscreen ...). A
// stale DISPLAY (over ssh, inherited by a service) would make the toolkit abort; the caller runs
// the monitor headless instead. `problem` says why when it cannot.
bool DisplayOpens(std::string* problem);

} // namespace hostaq
