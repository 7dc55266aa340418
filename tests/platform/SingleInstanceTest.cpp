#include "platform/SingleInstance.h"
#include "EnvGuard.h"
#include "LocalUser.h"
#include "TempDir.h"
#ifdef HOSTAQ_BINARY
#include "ProgramRunner.h"
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace hostaq {
namespace {

using test::TTempDir;

// Runs the probe program; returns its exit status.
int RunProbe(const std::string& folder, const char* mode = nullptr) {
    std::vector<char*> argv = {const_cast<char*>(HOSTAQ_INSTANCE_PROBE), const_cast<char*>(folder.c_str())};
    if (mode != nullptr)
        argv.push_back(const_cast<char*>(mode));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The show requests that reached the main thread (here: the test's thread through a queue).
class TShowRequests {
public:
    TSingleInstance::TPost Post() {
        return [this](std::function<void()> fn) {
            std::lock_guard lock(mutex_);
            queued_.push_back(std::move(fn));
            changed_.notify_all();
        };
    }
    // Runs queued calls until count show requests arrived, at most five seconds.
    bool WaitFor(int count) {
        std::unique_lock lock(mutex_);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (shown_ < count) {
            if (queued_.empty() && changed_.wait_until(lock, until) == std::cv_status::timeout)
                return false;
            auto calls = std::move(queued_);
            queued_.clear();
            lock.unlock();
            for (auto& fn : calls)
                fn();
            lock.lock();
        }
        return true;
    }
    void Shown() {
        std::lock_guard lock(mutex_);
        ++shown_;
    }
    int Count() {
        std::lock_guard lock(mutex_);
        return shown_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::function<void()>> queued_;
    int shown_ = 0;
};

TEST(SingleInstanceTest, SecondProcessEndsAndTheFirstIsAskedToShowItself) {
    TTempDir dir;
    TShowRequests requests;
    TSingleInstance first(dir.Path());
    ASSERT_TRUE(first.Acquire());
    first.Listen(requests.Post(), [&] { requests.Shown(); });

    EXPECT_EQ(RunProbe(dir.Path()), 3) << "the second instance ends at once";
    ASSERT_TRUE(requests.WaitFor(1));
    EXPECT_EQ(RunProbe(dir.Path()), 3);
    ASSERT_TRUE(requests.WaitFor(2));
}

TEST(SingleInstanceTest, CrashedFirstInstanceDoesNotBlockTheNext) {
    TTempDir dir;
    ASSERT_EQ(RunProbe(dir.Path(), "--crash"), 0);
    ASSERT_TRUE(std::filesystem::exists(dir.File("Hostaq_Updater.sock"))) << "the crash left its socket";
    TShowRequests requests;
    TSingleInstance instance(dir.Path());
    EXPECT_TRUE(instance.Acquire());
    instance.Listen(requests.Post(), [&] { requests.Shown(); });
    EXPECT_EQ(RunProbe(dir.Path()), 3);
    EXPECT_TRUE(requests.WaitFor(1)) << "the stale socket was replaced by a listening one";
}

TEST(SingleInstanceTest, OnlyTheExactRequestShowsTheWindow) {
    TTempDir dir;
    TShowRequests requests;
    TSingleInstance first(dir.Path());
    ASSERT_TRUE(first.Acquire());
    first.Listen(requests.Post(), [&] { requests.Shown(); });
    // Some other text on the socket is ignored; a real request still gets through afterwards.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof(addr.sun_path), "%s", first.SocketPath().c_str());
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
        ASSERT_GT(::write(fd, "hello\n", 6), 0);
        ::close(fd);
    }
    EXPECT_TRUE(TSingleInstance::SendShowRequest(first.SocketPath()));
    ASSERT_TRUE(requests.WaitFor(1));
    EXPECT_EQ(requests.Count(), 1);
}

// A listener that reads the request and closes without taking it (one that gave up on a slow
// client): the request counts as not delivered, so the second instance tries again.
TEST(SingleInstanceTest, ARequestCountsOnlyWhenTheFirstInstanceTookIt) {
    TTempDir dir;
    const std::string path = dir.File("other.sock");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof(addr.sun_path), "%s", path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    std::thread server([listener] {
        const int client = ::accept(listener, nullptr, nullptr);
        char buffer[64];
        std::string text;
        while (text.find('\n') == std::string::npos) {
            const ssize_t n = ::read(client, buffer, sizeof(buffer));
            if (n <= 0)
                break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(client);
    });
    EXPECT_FALSE(TSingleInstance::SendShowRequest(path)) << "read but not taken";
    server.join();
    ::close(listener);
}

// Every second start that reports a delivered request has its request queued already: nothing
// is left to chance between the second process's end and the first one's main thread.
TEST(SingleInstanceTest, ADeliveredRequestIsQueuedBeforeTheSecondInstanceEnds) {
    TTempDir dir;
    TShowRequests requests;
    TSingleInstance first(dir.Path());
    ASSERT_TRUE(first.Acquire());
    std::atomic<int> posted{0};
    first.Listen(
        [&](std::function<void()> fn) {
            ++posted;
            requests.Post()(std::move(fn));
        },
        [&] { requests.Shown(); });
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(RunProbe(dir.Path()), 3);
        EXPECT_EQ(posted.load(), i) << "queued before the probe ended";
    }
    EXPECT_TRUE(requests.WaitFor(3));
}

#ifdef HOSTAQ_BINARY
// The tray program (without a display: the monitor) started twice: the second ends at once and
// the first goes on.
TEST(SingleInstanceTest, TheProgramRunsOnce) {
    TTempDir dir;
    test::TEnvGuard runtime("XDG_RUNTIME_DIR", dir.Path());
    test::TEnvGuard home("HOME", dir.Path());
    test::TEnvGuard config("XDG_CONFIG_HOME", dir.Path());
    // An argument starting with "/" is a switch: the file is named from the folder it runs in.
    test::THostaqProcess first(dir.Path(), {"./hostaq.ini"});
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(dir.File("Hostaq_Updater.sock")) &&
           std::chrono::steady_clock::now() < until)
        ::usleep(20000);
    ASSERT_TRUE(std::filesystem::exists(dir.File("Hostaq_Updater.sock")));

    EXPECT_EQ(test::RunHostaq(dir.Path(), {"./hostaq.ini"}), 0) << "the second instance ends at once";
    EXPECT_TRUE(std::filesystem::exists(dir.File("Hostaq_Updater.sock"))) << "the first goes on";
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(), 0) << "the first went on until asked to stop";
    EXPECT_FALSE(std::filesystem::exists(dir.File("Hostaq_Updater.sock")));
}
#endif

// A reload request goes only to a monitor whose mark the running user or the configuration's
// owner made: anyone else who can write the folder could otherwise aim SIGHUP at a process.
TEST(MonitorReloadTest, ReloadFollowsOnlyAMarkOfTheRunningUserOrTheConfigurationsOwner) {
    test::TLocalUser mallory("mall");
    if (!mallory.Made())
        GTEST_SKIP() << "needs root to make a local user";
    TTempDir dir;
    const std::string config = dir.File("hostaq.ini");
    test::WriteFileText(config, "");
    // A process of this program that must not be disturbed.
    const pid_t child = ::fork();
    if (child == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGHUP, SIG_DFL);
        for (;;)
            ::pause();
    }
    ASSERT_GT(child, 0);
    const std::string mark = TMonitorLock::PathFor(config);
    test::WriteFileText(mark, std::to_string(child) + "\n");
    const int held = ::open(mark.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    ASSERT_EQ(::chown(mark.c_str(), mallory.Uid(), mallory.Gid()), 0);
    TReloadRequest request = RequestMonitorReload(config);
    EXPECT_EQ(request.Pid, 0);
    EXPECT_FALSE(request.Sent);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, WNOHANG), 0) << "not signalled";

    ASSERT_EQ(::chown(mark.c_str(), 0, 0), 0);
    request = RequestMonitorReload(config);
    EXPECT_EQ(request.Pid, child);
    EXPECT_TRUE(request.Sent);
    pid_t ended = 0;
    for (int i = 0; i < 500 && ended == 0; ++i) {
        ended = ::waitpid(child, &status, WNOHANG);
        if (ended == 0)
            ::usleep(10000);
    }
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << "the owner's mark is followed";
    ::close(held);
}

TEST(SingleInstanceTest, StoppingRemovesTheSocket) {
    TTempDir dir;
    std::string socket;
    {
        TSingleInstance first(dir.Path());
        ASSERT_TRUE(first.Acquire());
        first.Listen([](std::function<void()>) {}, [] {});
        socket = first.SocketPath();
        EXPECT_TRUE(std::filesystem::exists(socket));
    }
    EXPECT_FALSE(std::filesystem::exists(socket));
    EXPECT_FALSE(TSingleInstance::SendShowRequest(socket));
}

} // namespace
} // namespace hostaq
