#include "app/PasswordPrompt.h"

#include <cerrno>
#include <csignal>
#include <istream>
#include <ostream>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

namespace hostaq {

namespace {

sigset_t EndingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&set, sig);
    return set;
}

// Ends the program by sig as its default action does.
[[noreturn]] void EndBySignal(int sig) {
    ::signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(sig);
    ::_exit(128 + sig); // not reached: the default action of a stop signal ends the program
}

// For the life of the object: the stop signals are held back (a signal the program was told to
// ignore stays ignored) and come through a descriptor, and the terminal does not echo. Nothing
// runs in a signal handler, so no read is ever cut short by one; a stop signal ends the program
// by that signal once the terminal is back as it was.
class TQuietTerminal {
public:
    explicit TQuietTerminal(int fd) : fd_(fd) {
        const sigset_t stops = EndingSignals();
        ::pthread_sigmask(SIG_BLOCK, &stops, &oldMask_);
        signals_ = ::signalfd(-1, &stops, SFD_CLOEXEC);
        if (::tcgetattr(fd, &saved_) != 0)
            return;
        struct termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        echoOff_ = ::tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~TQuietTerminal() {
        Restore();
        if (signals_ >= 0)
            ::close(signals_);
        ::pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
    }
    TQuietTerminal(const TQuietTerminal&) = delete;
    TQuietTerminal& operator=(const TQuietTerminal&) = delete;

    // One line as the terminal hands it over (without its end); false at the end of input with
    // nothing read. A stop signal meanwhile ends the program.
    bool ReadLine(std::string& line) {
        line.clear();
        bool any = false;
        for (;;) {
            pollfd p[2] = {{fd_, POLLIN, 0}, {signals_, POLLIN, 0}};
            if (::poll(p, signals_ >= 0 ? 2 : 1, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return any;
            }
            if (signals_ >= 0 && (p[1].revents & POLLIN) != 0) {
                signalfd_siginfo info{};
                if (::read(signals_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                    Restore();
                    EndBySignal(static_cast<int>(info.ssi_signo));
                }
            }
            if ((p[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                continue;
            char buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                return any;
            any = true;
            const std::string chunk(buffer, static_cast<std::size_t>(n));
            const std::size_t end = chunk.find('\n');
            line += chunk.substr(0, end);
            if (end != std::string::npos)
                break;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return true;
    }

private:
    void Restore() {
        if (echoOff_)
            ::tcsetattr(fd_, TCSAFLUSH, &saved_);
        echoOff_ = false;
    }

    int fd_;
    int signals_ = -1;
    sigset_t oldMask_{};
    struct termios saved_ {};
    bool echoOff_ = false;
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
    TQuietTerminal quiet(fd);
    err << prompt << std::flush;
    return quiet.ReadLine(line);
}

} // namespace hostaq
