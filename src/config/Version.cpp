#include "config/Version.h"

#include "config/Messages.h"

namespace hostaq {

std::string VersionText() {
    return std::to_string(VersionMajor) + "." + std::to_string(VersionMinor) + "." +
           std::to_string(VersionRelease) + " (Build " + std::to_string(VersionBuild) + ")";
}

std::string BuildUserAgent() {
    return FormatText("%s - Version %s %s", {AppTitle, VersionText(), "- Beta"});
}

} // namespace hostaq
