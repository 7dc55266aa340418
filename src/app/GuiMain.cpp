#include "app/GuiMain.h"

#include "app/MonitorCommands.h"

namespace hostaq {

int RunGui(const TCommandLine& cl, int, char**) {
    // The window program is being built; until then the monitor runs without a window.
    return RunHeadless(cl);
}

} // namespace hostaq
