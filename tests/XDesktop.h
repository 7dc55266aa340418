#pragma once

// A desktop for the tray program to run on, made of Debian's programs: an X server (Xvfb) and a
// notification area (trayer), found and looked at with xwininfo. Shared by the desktop tests and
// the tray benchmark.
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hostaq::test {

inline bool OnPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// What a shell command prints on standard output.
inline std::string Capture(const std::string& command) {
    std::string text;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while (pipe && (n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        text.append(buffer.data(), n);
    return text;
}

// Polls cond every few milliseconds for at most timeoutMs: windows appear when the X server
// says so.
inline bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Starts a program in a folder with its standard streams on /dev/null and no blocked signals.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::string& folder = ".") {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& s : argv)
            args.push_back(const_cast<char*>(s.c_str()));
        args.push_back(nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

inline void StopChild(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

// A helper program of the desktop that ends with its object.
class TChild {
public:
    explicit TChild(const std::vector<std::string>& argv) : pid_(Spawn(argv)) {}
    ~TChild() { StopChild(pid_); }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

private:
    pid_t pid_ = -1;
};

// An X server on a display number of its own choosing (Xvfb -displayfd). -noreset keeps it from
// resetting when its last client leaves: a connection made in that moment would be refused.
class TXServer {
public:
    TXServer() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten",
                     "tcp", "-noreset", nullptr);
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (!number.empty())
            display_ = ":" + number;
    }
    ~TXServer() { StopChild(pid_); }
    TXServer(const TXServer&) = delete;
    TXServer& operator=(const TXServer&) = delete;

    // ":N", or empty when Xvfb did not start.
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// The notification area: trayer as a dock at the top right of the screen.
inline std::vector<std::string> TrayerCommand() {
    return {"trayer",  "--edge",   "top", "--align",       "right", "--widthtype",
            "request", "--height", "24",  "--SetDockType", "true"};
}

// The window tree of the display DISPLAY names.
inline std::string WindowTree() {
    return Capture("xwininfo -root -tree 2>/dev/null");
}
inline bool TrayerRuns() {
    return WindowTree().find("(\"panel\" \"trayer\")") != std::string::npos;
}
// The program's icon is a window of class "hostaq" embedded in trayer's panel.
inline bool IconInTray() {
    const std::string tree = WindowTree();
    const std::size_t panel = tree.find("(\"panel\" \"trayer\")");
    return panel != std::string::npos && tree.find("(\"hostaq\" ", panel) != std::string::npos;
}

} // namespace hostaq::test
