#pragma once

#include "TempDir.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hostaq::test {

// The hostaq program of this build.
inline std::string HostaqBinary() {
    return HOSTAQ_BINARY;
}

// The argument vector of a run of the hostaq program, for execv.
class THostaqArgv {
public:
    explicit THostaqArgv(const std::vector<std::string>& args) : storage_{HostaqBinary()} {
        storage_.insert(storage_.end(), args.begin(), args.end());
        for (std::string& s : storage_)
            argv_.push_back(s.data());
        argv_.push_back(nullptr);
    }
    THostaqArgv(const THostaqArgv&) = delete;
    THostaqArgv& operator=(const THostaqArgv&) = delete;
    // Runs the program in place of this (child) process; never returns.
    [[noreturn]] void Exec() {
        ::execv(argv_[0], argv_.data());
        ::_exit(127);
    }

private:
    std::vector<std::string> storage_;
    std::vector<char*> argv_;
};

// Ends a child that was not waited for: killed and reaped, so no zombie stays behind.
inline void KillUnwaited(pid_t pid, int status) {
    if (pid > 0 && status < 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

// A run of the real hostaq program in a folder of the test, with standard input from a text and
// standard output and error into files of that folder.
class THostaqProcess {
public:
    THostaqProcess(const std::string& folder, const std::vector<std::string>& args,
                   const std::string& input = "")
        : folder_(folder) {
        static int serial = 0;
        const std::string stem = folder + "/run" + std::to_string(++serial);
        outPath_ = stem + ".out";
        errPath_ = stem + ".err";
        const std::string inPath = stem + ".in";
        WriteFileText(inPath, input);
        THostaqArgv argv(args);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::chdir(folder.c_str()) != 0)
                ::_exit(126);
            const int in = ::open(inPath.c_str(), O_RDONLY);
            const int out = ::open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(err, 2);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            argv.Exec();
        }
    }
    ~THostaqProcess() { KillUnwaited(pid_, status_); }
    THostaqProcess(const THostaqProcess&) = delete;
    THostaqProcess& operator=(const THostaqProcess&) = delete;

    // The exit status, or -1 when the program did not end within timeoutMs (it is then killed).
    int Wait(int timeoutMs = 20000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (status_ < 0) {
            int status = 0;
            const pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
                status_ = -1;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return status_;
    }
    // Waits (bounded) until the standard output holds text.
    bool WaitForOutput(const std::string& text, int timeoutMs = 20000) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Out().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
    void Signal(int sig) const { ::kill(pid_, sig); }
    std::string Out() const { return ReadFileText(outPath_); }
    std::string Err() const { return ReadFileText(errPath_); }

private:
    std::string folder_;
    std::string outPath_;
    std::string errPath_;
    pid_t pid_ = -1;
    int status_ = -1;
};

// Runs hostaq to its end and returns the exit status.
inline int RunHostaq(const std::string& folder, const std::vector<std::string>& args,
                     const std::string& input = "", std::string* out = nullptr, std::string* err = nullptr) {
    THostaqProcess p(folder, args, input);
    const int status = p.Wait();
    if (out)
        *out = p.Out();
    if (err)
        *err = p.Err();
    return status;
}

} // namespace hostaq::test
