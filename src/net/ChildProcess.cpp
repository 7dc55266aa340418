#include "net/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hostaq {

namespace {
// The default disposition for every signal and an empty mask. (posix_spawn cannot give this:
// it leaves the C library's internal signals ignored across exec.)
void ResetSignals() {
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
}

void CloseRange(unsigned first, unsigned last) {
    if (first <= last)
        ::syscall(SYS_close_range, first, last, 0U);
}

// The program file for argv[0]: as given when it holds a "/", else the first executable file of
// that name in PATH. Worked out before fork, where searching may allocate.
std::string ProgramFile(const std::string& name, bool searchPath) {
    if (!searchPath || name.find('/') != std::string::npos)
        return name;
    const char* env = std::getenv("PATH");
    const std::string path = env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
    for (std::size_t begin = 0; begin <= path.size();) {
        std::size_t end = path.find(':', begin);
        if (end == std::string::npos)
            end = path.size();
        const std::string folder = end > begin ? path.substr(begin, end - begin) : ".";
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        begin = end + 1;
    }
    return name; // exec reports ENOENT
}
} // namespace

int SpawnChild(pid_t& pid, const std::vector<std::string>& argv, bool searchPath,
               const TChildDescriptors& fds) {
    if (argv.empty())
        return EINVAL;
    std::vector<std::string> storage = argv;
    storage[0] = ProgramFile(argv[0], searchPath);
    std::vector<char*> args;
    for (std::string& a : storage)
        args.push_back(a.data());
    args.push_back(nullptr);
    // Tells the parent why exec failed; closed by a successful exec.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return errno;

    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return error;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        int out = report[1];
        if (out <= fds.LastKept)
            out = ::fcntl(out, F_DUPFD_CLOEXEC, fds.LastKept + 1);
        ResetSignals();
        if (fds.NullInput) {
            const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (devNull >= 0 && devNull != STDIN_FILENO)
                ::dup2(devNull, STDIN_FILENO);
        }
        for (const auto& [from, to] : fds.Dup2) {
            if (from == to)
                ::fcntl(to, F_SETFD, 0);
            else
                ::dup2(from, to);
        }
        CloseRange(static_cast<unsigned>(fds.LastKept + 1), static_cast<unsigned>(out - 1));
        CloseRange(static_cast<unsigned>(out + 1), ~0U);
        ::execv(args[0], args.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t n = ::write(out, &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int error = 0;
    ssize_t n;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (n == static_cast<ssize_t>(sizeof error)) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        return error;
    }
    pid = child;
    return 0;
}

void ResetChildState() {
    ResetSignals();
    CloseRange(3U, ~0U);
}

} // namespace hostaq
