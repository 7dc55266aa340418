#pragma once

#include <string>

namespace hostaq {

// "Start with Windows": an XDG autostart entry hostaq.desktop that the desktop session runs at
// log-in.
class TAutostart {
public:
    // folder empty: $XDG_CONFIG_HOME/autostart (default ~/.config/autostart).
    explicit TAutostart(std::string folder = {});

    static std::string DefaultFolder();
    std::string EntryPath() const;
    bool Exists() const;
    // Creates the entry for the program when it is missing; an existing entry is left as it is.
    // Returns false when it could not be written.
    bool Create(const std::string& programPath) const;
    // Removes the entry; true when none is left.
    bool Delete() const;
    // Creates or deletes the entry.
    bool Apply(bool wanted, const std::string& programPath) const;

    // The entry's text for a program.
    static std::string BuildEntry(const std::string& programPath);

private:
    std::string folder_;
};

// The state of the "Start with Windows" box (and its tray item) at load: while the process is the
// service or the service is installed it is cleared and disabled and the entry removed; otherwise
// it takes Options/AutoStart and the entry follows it.
struct TStartWithWindows {
    bool Checked = false;
    bool Enabled = true;
};
TStartWithWindows LoadStartWithWindows(bool isService, bool serviceInstalled, const TAutostart& autostart,
                                       const std::string& programPath);
// A click on the box: writes Options/AutoStart and creates or deletes the entry.
void SetStartWithWindows(bool checked, const TAutostart& autostart, const std::string& programPath);

} // namespace hostaq
