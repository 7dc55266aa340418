// The one-shot commands take SIGINT and SIGTERM as any program does, and a password typed on a
// terminal is not shown; the terminal is as it was afterwards, however the program ended.
#include "ProgramRunner.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace hostaq::test {
namespace {

// The program on a pseudo-terminal: standard input, output and error are the terminal, and
// the test types and reads at the other end. Started with the stop signals blocked, as a
// program that inherited a blocked mask would be.
class TTerminalRun {
public:
    TTerminalRun(const std::string& folder, const std::vector<std::string>& args) {
        THostaqArgv argv(args);
        pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            if (::chdir(folder.c_str()) != 0)
                ::_exit(126);
            sigset_t blocked;
            sigemptyset(&blocked);
            sigaddset(&blocked, SIGINT);
            sigaddset(&blocked, SIGTERM);
            ::sigprocmask(SIG_SETMASK, &blocked, nullptr);
            argv.Exec();
        }
    }
    ~TTerminalRun() {
        KillUnwaited(pid_, status_);
        if (master_ >= 0)
            ::close(master_);
    }
    TTerminalRun(const TTerminalRun&) = delete;
    TTerminalRun& operator=(const TTerminalRun&) = delete;

    void Type(const std::string& text) {
        ASSERT_EQ(::write(master_, text.data(), text.size()), ssize_t(text.size()));
    }
    // What the terminal showed until it shows text (or up to timeoutMs).
    std::string ReadUntil(const std::string& text, int timeoutMs = 10000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (shown_.find(text) == std::string::npos && std::chrono::steady_clock::now() < until) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                char buffer[256];
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                shown_.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return shown_;
    }
    void Signal(int sig) { ::kill(pid_, sig); }
    // The raw wait status, or -1 when the program did not end within timeoutMs.
    int Wait(int timeoutMs = 10000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (status_ < 0 && std::chrono::steady_clock::now() < until) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_)
                status_ = status;
            else
                ReadUntil("\x01", 20); // keeps the terminal drained
        }
        return status_;
    }
    bool EchoOn() const {
        struct termios t {};
        return ::tcgetattr(master_, &t) == 0 && (t.c_lflag & ECHO) != 0;
    }

private:
    int master_ = -1;
    pid_t pid_ = -1;
    int status_ = -1;
    std::string shown_;
};

TEST(OneShotSignalsTest, PasswordTypedOnATerminalIsNotShown) {
    TTempDir dir;
    TTerminalRun run(dir.Path(),
                     {"--group-add", "Home", "--user", "joe", "--hosts", "a.example", "./hostaq.ini"});
    run.ReadUntil("Password for joe: ");
    run.Type("s3cretword\r");
    const int status = run.Wait();
    const std::string shown = run.ReadUntil("saved in");
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
    EXPECT_NE(shown.find("Password for joe: "), std::string::npos) << shown;
    EXPECT_EQ(shown.find("s3cretword"), std::string::npos) << shown;
    EXPECT_TRUE(run.EchoOn()) << "the terminal echoes again";
}

// Ctrl-C and SIGTERM end a waiting prompt, and the terminal echoes again afterwards.
TEST(OneShotSignalsTest, StopSignalsEndThePasswordPromptAndRestoreTheTerminal) {
    for (int sig : {SIGINT, SIGTERM}) {
        TTempDir dir;
        TTerminalRun run(dir.Path(),
                         {"--group-add", "Home", "--user", "joe", "--hosts", "a.example", "./hostaq.ini"});
        const std::string prompt = run.ReadUntil("Password for joe: ");
        ASSERT_NE(prompt.find("Password for joe: "), std::string::npos) << prompt;
        run.Signal(sig);
        const int status = run.Wait();
        ASSERT_NE(status, -1) << "signal " << sig << " did not end the prompt";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig)
            << "signal " << sig << ", status " << status << ", terminal: " << run.ReadUntil("\x01", 100);
        EXPECT_TRUE(run.EchoOn()) << "signal " << sig;
        EXPECT_EQ(ReadFileText(dir.File("hostaq.ini")).find("[Home]"), std::string::npos) << "no group saved";
    }
}

TEST(OneShotSignalsTest, ScrambleWaitingForItsLineEndsOnSigterm) {
    TTempDir dir;
    TTerminalRun run(dir.Path(), {"--scramble"});
    run.ReadUntil("Text to scramble: ");
    run.Signal(SIGTERM);
    const int status = run.Wait();
    ASSERT_NE(status, -1) << "SIGTERM did not end --scramble";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(run.EchoOn());
}

} // namespace
} // namespace hostaq::test
