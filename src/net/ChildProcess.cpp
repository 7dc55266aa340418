#include "net/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

extern char** environ;

namespace hostaq {

namespace {
// Every signal whose disposition can be set.
sigset_t AllSignals() {
    sigset_t all;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    return all;
}
} // namespace

int SpawnChild(pid_t& pid, const std::vector<std::string>& argv, bool searchPath,
               posix_spawn_file_actions_t* actions, int lastKeptFd) {
    if (argv.empty())
        return EINVAL;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t own;
    if (actions == nullptr) {
        ::posix_spawn_file_actions_init(&own);
        actions = &own;
    }
    int rc = ::posix_spawn_file_actions_addclosefrom_np(actions, lastKeptFd + 1);
    posix_spawnattr_t attr;
    ::posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    const sigset_t all = AllSignals();
    if (rc == 0)
        rc = ::posix_spawnattr_setsigmask(&attr, &none);
    if (rc == 0)
        rc = ::posix_spawnattr_setsigdefault(&attr, &all);
    if (rc == 0)
        rc = ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (rc == 0) {
        rc = searchPath ? ::posix_spawnp(&pid, args[0], actions, &attr, args.data(), environ)
                        : ::posix_spawn(&pid, args[0], actions, &attr, args.data(), environ);
    }
    ::posix_spawnattr_destroy(&attr);
    if (actions == &own)
        ::posix_spawn_file_actions_destroy(&own);
    return rc;
}

void ResetChildState() {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig != SIGKILL && sig != SIGSTOP)
            ::sigaction(sig, &dfl, nullptr);
    }
    ::syscall(SYS_close_range, 3U, ~0U, 0U);
}

} // namespace hostaq
