#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace hostaq {

// Programs the system starts (launched programs, pppd, systemctl, xdg-open, pkexec) begin
// afresh: the monitor blocks its stop signals and ignores SIGPIPE, but a child gets the default
// signal mask and dispositions, and no descriptor but its standard ones.

struct TChildDescriptors {
    bool NullInput = false;                // standard input from /dev/null
    std::vector<std::pair<int, int>> Dup2; // (ours, the child's number), applied in order
    int LastKept = 2;                      // every descriptor above this is closed
};

// Starts argv[0] (looked up in PATH when searchPath and it holds no "/") with argv, without a
// shell. Returns 0, or the errno of the failure (also when the program could not be executed);
// pid receives the child, which the caller waits for.
int SpawnChild(pid_t& pid, const std::vector<std::string>& argv, bool searchPath,
               const TChildDescriptors& fds = {});

// For a child made with fork: restores the default signal mask and dispositions and closes
// every descriptor above 2. Async-signal-safe.
void ResetChildState();

} // namespace hostaq
