#pragma once

#include <spawn.h>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hostaq {

// Programs the system starts (launched programs, pppd, systemctl, xdg-open, pkexec) begin
// afresh: the monitor blocks its stop signals and ignores SIGPIPE, but a child gets the default
// signal mask and dispositions, and no descriptor but its standard ones.

// Starts argv[0] (looked up in PATH when searchPath) with argv, without a shell. actions, when
// given, are carried out first (the standard descriptors of the child); every descriptor above
// lastKeptFd is then closed. Returns 0, or the errno of the failure; pid receives the child.
int SpawnChild(pid_t& pid, const std::vector<std::string>& argv, bool searchPath,
               posix_spawn_file_actions_t* actions = nullptr, int lastKeptFd = 2);

// For a child made with fork: restores the default signal mask and dispositions and closes
// every descriptor above 2. Async-signal-safe.
void ResetChildState();

} // namespace hostaq
