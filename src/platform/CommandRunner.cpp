#include "platform/CommandRunner.h"

#include "net/ChildProcess.h"

#include <cerrno>
#include <sys/wait.h>

namespace hostaq {

int RunCommand(const std::vector<std::string>& argv) {
    if (argv.empty())
        return -EINVAL;
    pid_t pid = 0;
    const int rc = SpawnChild(pid, argv, true);
    if (rc != 0)
        return -rc;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -errno;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -EINVAL;
}

} // namespace hostaq
