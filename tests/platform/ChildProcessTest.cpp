#include "engine/ProgramLauncher.h"
#include "net/DialUpPpp.h"
#include "platform/CommandRunner.h"

#include "TempDir.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace hostaq {
namespace {

using test::ReadFileText;
using test::TTempDir;

// What a program should begin with whatever the monitor's own state.
const std::string CleanState = "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\nfds: 0 1 2\n";

// The monitor's state while children are started: stop signals blocked, SIGPIPE and SIGHUP
// ignored, and a descriptor open without close-on-exec. Restored afterwards.
class ChildProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGINT);
        sigaddset(&stop, SIGTERM);
        ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &stop, &oldMask_), 0);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &oldPipe_), 0);
        ASSERT_EQ(::sigaction(SIGHUP, &ignore, &oldHup_), 0);
        leaked_ = ::open("/dev/null", O_RDONLY); // no O_CLOEXEC, as a library might leave it
        ASSERT_GT(leaked_, 2);
    }
    void TearDown() override {
        ::close(leaked_);
        ::sigaction(SIGHUP, &oldHup_, nullptr);
        ::sigaction(SIGPIPE, &oldPipe_, nullptr);
        ::pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
    }

    TTempDir dir_;
    std::string report_ = dir_.File("report");

private:
    sigset_t oldMask_{};
    struct sigaction oldPipe_ {};
    struct sigaction oldHup_ {};
    int leaked_ = -1;
};

TEST_F(ChildProcessTest, CommandsStartAfresh) {
    // systemctl, xdg-open and pkexec go through the command runner.
    ASSERT_EQ(RunCommand({HOSTAQ_CHILD_PROBE, report_}), 0);
    EXPECT_EQ(ReadFileText(report_), CleanState);
}

TEST_F(ChildProcessTest, LaunchedProgramsStartAfresh) {
    ASSERT_GT(TForkExecLauncher::Spawn(HOSTAQ_CHILD_PROBE, {report_}), 0);
    for (int i = 0; i < 500 && !std::filesystem::exists(report_); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // bounded wait for the child
    EXPECT_EQ(ReadFileText(report_), CleanState);
}

TEST_F(ChildProcessTest, PppdStartsAfreshWithOnlyItsPasswordPipe) {
    for (const std::string password : {"", "secret"}) {
        TPppProcess ppp;
        ASSERT_EQ(ppp.Start(HOSTAQ_CHILD_PROBE, "office", "", password), 0);
        std::string out;
        EXPECT_EQ(ppp.Wait([&](const std::string& line) { out += line + "\n"; }), 0);
        // Descriptor 3 is the pipe that carries the password, and only when there is one.
        EXPECT_EQ(out, password.empty()
                           ? CleanState
                           : "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\nfds: 0 1 2 3\n");
    }
}

} // namespace
} // namespace hostaq
