#pragma once

#include <string>

namespace hostaq {

// Whether the desktop shows tray icons as StatusNotifierItems (KDE Plasma, GNOME with the
// AppIndicator extension, most current panels): a StatusNotifierWatcher owns its name on the
// session bus (or the bus at address) and a host is registered with it. Qt then presents the
// icon through that host, which reports every click as one activation and never a double click.
// False when no bus, no watcher or no host answers within a second.
bool StatusNotifierHostRegistered(const std::string& address = {});

} // namespace hostaq
