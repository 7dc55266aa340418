#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hostaq {

// Runs a program (argv[0] looked up in PATH) without a shell and waits for it; it starts with
// the default signal state and only the standard descriptors. The answer is its
// exit status, 128 + the signal number when a signal ended it, or -errno when it could not be
// started. Installing the service runs systemctl through this seam, so tests can stand in for it.
using TCommandRunner = std::function<int(const std::vector<std::string>& argv)>;

int RunCommand(const std::vector<std::string>& argv);

} // namespace hostaq
