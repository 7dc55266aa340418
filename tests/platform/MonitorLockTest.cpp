// The monitor's pid file beside the configuration: whatever another user put in its place is
// replaced, never written through, chowned or truncated, and nothing waits on it.
#include "platform/SingleInstance.h"

#include "LocalUser.h"
#include "TempDir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq {
namespace {

using test::ReadFileText;
using test::TLocalUser;
using test::TTempDir;
using test::WriteFileText;

struct stat LstatOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

class MonitorLockTest : public ::testing::Test {
protected:
    TTempDir dir;
    std::string ini = dir.File("hostaq.ini");
    std::string pidFile = ini + ".pid";
    std::string other = dir.File("someones.txt");
    void SetUp() override {
        WriteFileText(ini, "");
        WriteFileText(other, "someone's bytes\n");
    }
    // The lock is had, the pid file is a new regular file of one link holding this process's id.
    void ExpectFreshPidFile(TMonitorLock& lock) {
        EXPECT_TRUE(lock.Acquire());
        const struct stat st = LstatOf(pidFile);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_nlink, 1u);
        EXPECT_EQ(ReadFileText(pidFile), std::to_string(::getpid()) + "\n");
        EXPECT_EQ(ReadFileText(other), "someone's bytes\n");
        EXPECT_EQ(LstatOf(other).st_nlink, 1u);
    }
};

TEST_F(MonitorLockTest, AHardLinkAsThePidFileIsReplacedNotTruncated) {
    ASSERT_EQ(::link(other.c_str(), pidFile.c_str()), 0);
    TMonitorLock lock(ini);
    ExpectFreshPidFile(lock);
}

TEST_F(MonitorLockTest, AFifoOrALinkAsThePidFileIsReplacedWithoutWaiting) {
    for (const bool fifo : {true, false}) {
        SCOPED_TRACE(fifo ? "fifo" : "symbolic link");
        ::unlink(pidFile.c_str());
        ASSERT_EQ(fifo ? ::mkfifo(pidFile.c_str(), 0666) : ::symlink(other.c_str(), pidFile.c_str()), 0);
        const auto start = std::chrono::steady_clock::now();
        TMonitorLock lock(ini);
        ExpectFreshPidFile(lock);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
}

// Root running a monitor on a user's configuration: a pid file planted by a third user (a hard
// link to that user's file) is neither truncated nor given to the configuration's owner; the new
// one belongs to the configuration's owner.
TEST_F(MonitorLockTest, RootNeverWritesThroughAnotherUsersPidFile) {
    TLocalUser alice("a"), mallory("m");
    if (!alice.Made() || !mallory.Made())
        GTEST_SKIP() << "needs root to make local users";
    ASSERT_EQ(::chown(ini.c_str(), alice.Uid(), alice.Gid()), 0);
    ASSERT_EQ(::chown(other.c_str(), mallory.Uid(), mallory.Gid()), 0);
    ASSERT_EQ(::link(other.c_str(), pidFile.c_str()), 0);
    TMonitorLock lock(ini);
    ExpectFreshPidFile(lock);
    EXPECT_EQ(LstatOf(other).st_uid, mallory.Uid());
    EXPECT_EQ(LstatOf(pidFile).st_uid, alice.Uid());
}

} // namespace
} // namespace hostaq
