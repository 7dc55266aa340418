#pragma once

#include "config/VersionNumbers.h"

#include <string>

namespace hostaq {

inline constexpr const char* AppTitle = "Hostaq Updater";

// "1.0.0 (Build 1)"
std::string VersionText();
// "Hostaq Updater - Version 1.0.0 (Build 1) - Beta": the user agent of every request and the
// signature of every mail.
std::string BuildUserAgent();

} // namespace hostaq
