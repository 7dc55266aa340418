#include "app/PasswordPrompt.h"

#include <csignal>
#include <istream>
#include <ostream>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>

namespace hostaq {

namespace {

// The terminal as it was, for the signal handler: set before the handlers are installed.
int savedFd = -1;
struct termios savedTerminal {};

constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The stop signal that arrived during the prompt, if the program still lives after it.
volatile std::sig_atomic_t stopSignal = 0;

// Ends the program by sig as the default action would, here and now: unblocked first, so that
// the end does not depend on the mask the interrupted code goes back to.
void EndBySignal(int sig) {
    ::signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(sig);
}

// Puts the terminal back, then lets the signal end the program as it would have.
void RestoreAndRaise(int sig) {
    stopSignal = sig;
    ::tcsetattr(savedFd, TCSANOW, &savedTerminal);
    EndBySignal(sig);
}

// Echo off for the life of the object.
class TNoEcho {
public:
    explicit TNoEcho(int fd) {
        if (::tcgetattr(fd, &savedTerminal) != 0)
            return;
        savedFd = fd;
        struct sigaction action {};
        action.sa_handler = RestoreAndRaise;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(EndingSignals); ++i) {
            ::sigaction(EndingSignals[i], nullptr, &old_[i]);
            // A signal the program was told to ignore stays ignored.
            if (old_[i].sa_handler != SIG_IGN)
                ::sigaction(EndingSignals[i], &action, nullptr);
        }
        struct termios quiet = savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        active_ = ::tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
        installed_ = true;
    }
    ~TNoEcho() {
        if (!installed_)
            return;
        if (active_)
            ::tcsetattr(savedFd, TCSAFLUSH, &savedTerminal);
        for (std::size_t i = 0; i < std::size(EndingSignals); ++i)
            ::sigaction(EndingSignals[i], &old_[i], nullptr);
        savedFd = -1;
    }
    TNoEcho(const TNoEcho&) = delete;
    TNoEcho& operator=(const TNoEcho&) = delete;

private:
    struct sigaction old_[std::size(EndingSignals)]{};
    bool installed_ = false;
    bool active_ = false;
};

bool ReadLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

} // namespace

bool ReadPasswordLine(std::istream& in, int fd, std::ostream& err, const std::string& prompt,
                      std::string& line) {
    if (fd < 0 || ::isatty(fd) == 0)
        return ReadLine(in, line);
    bool read = false;
    {
        TNoEcho quiet(fd);
        err << prompt << std::flush;
        read = ReadLine(in, line);
    }
    // A read cut short by a stop signal ends the program by that signal, never as an empty line.
    if (!read && stopSignal != 0)
        EndBySignal(stopSignal);
    return read;
}

} // namespace hostaq
