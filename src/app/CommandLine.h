#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hostaq {

// What the program was asked to do.
enum class TCommand {
    Gui,
    Headless,
    Once,
    DumpConfig,
    Scramble,
    GroupAdd,
    Status,
    Install,
    Uninstall,
    Help,
    Version
};

struct TCommandLine {
    TCommand Command = TCommand::Gui;
    bool Force = false;                  // --once --force
    bool Json = false;                   // --status --json
    std::string DumpFile;                // --dump-config FILE
    std::string GroupName;               // --group-add NAME
    std::string GroupUser;               // --user USER
    std::vector<std::string> GroupHosts; // --hosts A,B,...
    std::string GroupSystem = "hostaq";  // --system
    std::string GroupProfile;            // --profile FILE
    bool GroupInsecure = false;          // --insecure
    bool GroupIPv6 = false;              // --ipv6
    std::string GroupIPv6Suffix;         // --ipv6-suffix ::X
    std::vector<std::string> ConfigArgs; // what the configuration search looks at
    std::string Error;                   // not empty when the line could not be understood
};

// An argument that begins with "-" is an option; one that begins with "/" is an absolute path
// (the configuration file, or the value of an option), except the service switches "/install"
// and "/uninstall".
TCommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

// Reads one environment variable; nullptr when it is not set.
using TEnvLookup = std::function<const char*(const char* name)>;

// Whether there is a desktop to show windows on: DISPLAY (X11) or WAYLAND_DISPLAY is set and not
// empty. Without one, the tray application runs the monitor headless.
bool HasDisplay(const TEnvLookup& env);
bool HasDisplay(); // of this process

} // namespace hostaq
