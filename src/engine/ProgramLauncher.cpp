#include "engine/ProgramLauncher.h"

#include "config/IniFile.h"
#include "net/ChildProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hostaq {

void TForkExecLauncher::Launch(const std::string& program, const std::vector<std::string>& arguments) {
    // A program started now finds every change made so far in the configuration.
    IniFlush();
    Spawn(program, arguments);
}

int TForkExecLauncher::Spawn(const std::string& program, const std::vector<std::string>& arguments) {
    // Everything the child needs is built before fork: after it only async-signal-safe calls.
    std::vector<std::string> storage;
    storage.reserve(arguments.size() + 1);
    storage.push_back(program);
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        // The intermediate child: a new session, then the grandchild runs the program and is
        // adopted by init, so the monitor never collects it.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        // The monitor blocks its stop signals and ignores SIGPIPE; the program starts afresh.
        ResetChildState();
        const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (devNull >= 0) {
            ::dup2(devNull, STDIN_FILENO);
            if (devNull != STDIN_FILENO)
                ::close(devNull);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return child;
}

} // namespace hostaq
