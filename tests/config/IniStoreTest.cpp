// The kept parse must never show a stale value, batched writes must reach the file whole, and a
// write must leave the file's owner, group, mode and links as they were.
#include "config/ErrorReporter.h"
#include "config/IniFile.h"

#include "TempDir.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hostaq;
using hostaq::test::ReadFileText;
using hostaq::test::TTempDir;
using hostaq::test::WriteFileText;

namespace {

class TReportCapture {
public:
    TReportCapture() {
        SetErrorReporter([this](const std::string& text) { reports.push_back(text); });
    }
    ~TReportCapture() { SetErrorReporter({}); }
    std::vector<std::string> reports;
};

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

// Runs fn in a child process and waits for it; true when it ended with status 0.
template <typename Fn> bool InChild(Fn fn) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(fn() ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

constexpr uid_t Nobody = 65534;
constexpr gid_t NoGroup = 65534;

class IniStoreTest : public ::testing::Test {
protected:
    TTempDir dir;
    std::string ini = dir.File("hostaq.ini");
};

TEST_F(IniStoreTest, EveryChangeOfTheFileIsSeenByTheNextRead) {
    WriteFileText(ini, "[A]\nX=1\n");
    EXPECT_EQ(IniReadString(ini, "A", "X", ""), "1");
    // A hand edit in place: same inode, same size.
    WriteFileText(ini, "[A]\nX=2\n");
    EXPECT_EQ(IniReadString(ini, "A", "X", ""), "2");

    // Another process's write.
    ASSERT_TRUE(InChild([&] { return IniWriteString(ini, "A", "X", "3"); }));
    EXPECT_EQ(IniReadString(ini, "A", "X", ""), "3");

    // A new file of the same size under the name, with the old file's times: the inode and the
    // change time still tell them apart.
    const struct stat before = StatOf(ini);
    const std::string other = dir.File("other.ini");
    WriteFileText(other, "[A]\nX=4\n");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ::utimensat(AT_FDCWD, other.c_str(), times, 0);
    ASSERT_EQ(::rename(other.c_str(), ini.c_str()), 0);
    EXPECT_EQ(IniReadString(ini, "A", "X", ""), "4");

    // Removed, then created again.
    std::filesystem::remove(ini);
    EXPECT_EQ(IniReadString(ini, "A", "X", "none"), "none");
    EXPECT_FALSE(std::filesystem::exists(ini));
    WriteFileText(ini, "[A]\nX=5\n");
    EXPECT_EQ(IniReadString(ini, "A", "X", ""), "5");
}

TEST_F(IniStoreTest, FailedWriteLeavesTheFileAndTheReadsAsTheyWere) {
    WriteFileText(ini, "[A]\nX=1\n");
    ASSERT_EQ(IniReadString(ini, "A", "X", ""), "1");
    TReportCapture capture;
    const TIniWriteFn old = SetIniWriteFn([](int, const char*, std::size_t) {
        errno = ENOSPC;
        return false;
    });
    EXPECT_FALSE(IniWriteString(ini, "A", "X", "2"));
    {
        // A batch that cannot be written: its changes are seen until it ends, then not.
        TIniWriteBatch batch;
        IniWriteString(ini, "A", "Y", "3");
        EXPECT_EQ(IniReadString(ini, "A", "Y", ""), "3");
    }
    SetIniWriteFn(old);
    EXPECT_EQ(ReadFileText(ini), "[A]\nX=1\n");
    EXPECT_EQ(IniReadString(ini, "A", "X", ""), "1");
    EXPECT_EQ(IniReadString(ini, "A", "Y", "none"), "none");
    EXPECT_EQ(capture.reports, std::vector<std::string>(2, "Unable to write to " + ini));
}

TEST_F(IniStoreTest, BatchWritesOnceAndKeepsAnotherProcessesKeys) {
    WriteFileText(ini, "[A]\nX=1\n");
    const ino_t first = StatOf(ini).st_ino;
    // A second name keeps the first file's inode taken, so a replacement can never reuse its number.
    ASSERT_EQ(::link(ini.c_str(), (ini + ".first").c_str()), 0);
    {
        TIniWriteBatch batch;
        IniWriteString(ini, "A", "X", "2");
        IniWriteString(ini, "G", "IP", "203.0.113.7");
        EXPECT_EQ(IniReadString(ini, "G", "IP", ""), "203.0.113.7");
        EXPECT_EQ(ReadFileText(ini), "[A]\nX=1\n");
        // Another process writes meanwhile; its key is kept and ours are applied over its file.
        ASSERT_TRUE(InChild([&] {
            WriteFileText(ini + ".new", "[A]\nX=1\n[Other]\nK=v\n");
            return ::rename((ini + ".new").c_str(), ini.c_str()) == 0;
        }));
        EXPECT_EQ(IniReadString(ini, "Other", "K", ""), "v");
        EXPECT_EQ(IniReadString(ini, "A", "X", ""), "2");
    }
    EXPECT_EQ(ReadFileText(ini), "[A]\nX=2\n[Other]\nK=v\n[G]\nIP=203.0.113.7\n");
    EXPECT_NE(StatOf(ini).st_ino, first);
}

TEST_F(IniStoreTest, UnchangedLinesKeepTheirBytesAndTidyKeepsTheByteOrderMark) {
    WriteFileText(ini, "[A]\r\nX = 1 \nY=2");
    IniWriteString(ini, "A", "Y", "3");
    EXPECT_EQ(ReadFileText(ini), "[A]\r\nX = 1 \nY=3");
    IniWriteString(ini, "A", "Z", "4");
    EXPECT_EQ(ReadFileText(ini), "[A]\r\nX = 1 \nY=3\r\nZ=4\r\n");

    WriteFileText(ini, "\xEF\xBB\xBF  [A]\n\n X=1\n[B]\n");
    IniTidy(ini);
    EXPECT_EQ(ReadFileText(ini), "\xEF\xBB\xBF[A]\nX=1\n\n[B]\n");
}

TEST_F(IniStoreTest, WritesKeepOwnerGroupAndModeAndFollowLinks) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    WriteFileText(ini, "[A]\nX=1\n");
    ASSERT_EQ(::chown(ini.c_str(), Nobody, NoGroup), 0);
    ASSERT_EQ(::chmod(ini.c_str(), 0640), 0);
    const ino_t first = StatOf(ini).st_ino;
    ASSERT_TRUE(IniWriteString(ini, "A", "X", "2"));
    struct stat st = StatOf(ini);
    EXPECT_EQ(st.st_uid, Nobody);
    EXPECT_EQ(st.st_gid, NoGroup);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(st.st_ino, first); // replaced atomically
    EXPECT_EQ(ReadFileText(ini), "[A]\nX=2\n");

    // Through a symbolic link the file it names is replaced and the link stays.
    const std::string link = dir.File("link.ini");
    ASSERT_EQ(::symlink("hostaq.ini", link.c_str()), 0);
    ASSERT_TRUE(IniWriteString(link, "A", "X", "3"));
    EXPECT_TRUE(S_ISLNK(StatOf(link).st_mode));
    st = StatOf(ini);
    EXPECT_EQ(st.st_uid, Nobody);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFileText(ini), "[A]\nX=3\n");
    EXPECT_EQ(IniReadString(link, "A", "X", ""), "3");

    // A writer that may write the file but cannot give a new one its owner rewrites it in place.
    const std::string shared = dir.File("shared.ini");
    WriteFileText(shared, "[A]\nX=1\n");
    ASSERT_EQ(::chmod(shared.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    const ino_t sharedInode = StatOf(shared).st_ino;
    EXPECT_TRUE(InChild([&] {
        return ::setgid(NoGroup) == 0 && ::setuid(Nobody) == 0 && IniWriteString(shared, "A", "X", "22");
    }));
    st = StatOf(shared);
    EXPECT_EQ(st.st_ino, sharedInode);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    EXPECT_EQ(ReadFileText(shared), "[A]\nX=22\n");
    // No lock or temporary file is left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 3);
}

TEST_F(IniStoreTest, LockHeldByAnotherProcessFailsTheWriteWithinItsBound) {
    WriteFileText(ini, "[A]\nX=1\n");
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(dir.File(".hostaq.ini.lock").c_str(), O_RDWR | O_CREAT, 0600);
        ::flock(fd, LOCK_EX);
        [[maybe_unused]] ssize_t w = ::write(ready[1], "x", 1);
        char c;
        [[maybe_unused]] ssize_t r = ::read(release[0], &c, 1);
        ::_exit(0);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    TReportCapture capture;
    const int oldWait = SetIniLockWait(100);
    EXPECT_FALSE(IniWriteString(ini, "A", "X", "2"));

    // A pending stop request ends even a long wait at once.
    SetIniLockWait(60000);
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &term, &previous);
    ::kill(::getpid(), SIGTERM);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(IniWriteString(ini, "A", "X", "3"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    const timespec none{0, 0};
    ::sigtimedwait(&term, nullptr, &none);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    SetIniLockWait(oldWait);

    [[maybe_unused]] ssize_t w = ::write(release[1], "x", 1);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(ReadFileText(ini), "[A]\nX=1\n");
    EXPECT_EQ(capture.reports, std::vector<std::string>(2, "Unable to write to " + ini));
    // Free again, the lock file private and gone after use.
    EXPECT_TRUE(IniWriteString(ini, "A", "X", "4"));
    EXPECT_EQ(IniReadString(ini, "A", "X", ""), "4");
}

} // namespace
