#pragma once

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
    Install,
    Uninstall,
    Help,
    Version
};

struct TCommandLine {
    TCommand Command = TCommand::Gui;
    bool Force = false;                  // --once --force
    std::string DumpFile;                // --dump-config FILE
    std::string GroupName;               // --group-add NAME
    std::string GroupUser;               // --user USER
    std::vector<std::string> GroupHosts; // --hosts A,B,...
    std::string GroupSystem = "hostaq";  // --system
    std::string GroupProfile;            // --profile FILE
    bool GroupInsecure = false;          // --insecure
    std::vector<std::string> ConfigArgs; // what the configuration search looks at
    std::string Error;                   // not empty when the line could not be understood
};

TCommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

} // namespace hostaq
