// Files other users may control: what stands where the configuration, its lock file or its
// temporaries should be is never trusted, never waited on for ever, and never written through.
#include "config/ErrorReporter.h"
#include "config/IniFile.h"

#include "LocalUser.h"
#include "TempDir.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hostaq;
using hostaq::test::ReadFileText;
using hostaq::test::TLocalUser;
using hostaq::test::TTempDir;
using hostaq::test::WriteFileText;

namespace {

class TReports {
public:
    TReports() {
        SetErrorReporter([this](const std::string& text) { texts.push_back(text); });
    }
    ~TReports() { SetErrorReporter({}); }
    std::vector<std::string> texts;
};

struct stat LstatOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string().starts_with(".hostaq.ini.tmp-"))
            names.push_back(e.path().filename().string());
    return names;
}

class IniSafetyTest : public ::testing::Test {
protected:
    TTempDir dir;
    std::string ini = dir.File("hostaq.ini");
    TReports reports;
};

// A FIFO, a folder and a device in the configuration's place: reads give the defaults at once
// and say why once, writes fail, the probe names the reason; nothing waits for a writer.
TEST_F(IniSafetyTest, SomethingElseThanARegularFileIsAClearErrorNeverAHang) {
    const std::string fifo = dir.File("fifo.ini"), folder = dir.File("folder.ini"),
                      zero = dir.File("zero.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : {fifo, folder, zero}) {
        SCOPED_TRACE(path);
        reports.texts.clear();
        EXPECT_EQ(IniReadString(path, "A", "X", "def"), "def");
        EXPECT_EQ(IniReadString(path, "A", "Y", "def"), "def");
        EXPECT_FALSE(IniWriteString(path, "A", "X", "1"));
        std::string reason;
        EXPECT_FALSE(IniWriteTest(path, &reason));
        EXPECT_EQ(reason, "it is not a regular file");
        ASSERT_GE(reports.texts.size(), 1u);
        EXPECT_EQ(reports.texts[0], "Cannot read " + path + ": it is not a regular file");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(S_ISFIFO(LstatOf(fifo).st_mode));
    EXPECT_FALSE(std::filesystem::exists("/dev/.zero.lock"));
}

TEST_F(IniSafetyTest, AFileLargerThanSixteenMebibytesIsRefused) {
    WriteFileText(ini, "[A]\nX=1\n");
    ASSERT_EQ(::truncate(ini.c_str(), 16 * 1024 * 1024 + 1), 0); // sparse: costs nothing
    EXPECT_EQ(IniReadString(ini, "A", "X", "def"), "def");
    EXPECT_FALSE(IniWriteString(ini, "A", "X", "2"));
    std::string reason;
    EXPECT_FALSE(IniWriteTest(ini, &reason));
    EXPECT_EQ(reason, "it is larger than 16 MiB");
    EXPECT_EQ(LstatOf(ini).st_size, 16 * 1024 * 1024 + 1);
    ASSERT_EQ(::truncate(ini.c_str(), 8), 0);
    EXPECT_EQ(IniReadString(ini, "A", "X", "def"), "1");
}

// A FIFO or a hard link to another file as the lock file: replaced by a new lock file, the
// write goes through at once, and the other file keeps its bytes, owner and link count.
TEST_F(IniSafetyTest, ALockFileThatIsNotAPrivateRegularFileIsMadeAfresh) {
    WriteFileText(ini, "[A]\nX=1\n");
    const std::string lock = dir.File(".hostaq.ini.lock");
    ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(IniWriteString(ini, "A", "X", "2"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(IniReadString(ini, "A", "X", ""), "2");

    const std::string other = dir.File("other.txt");
    WriteFileText(other, "someone's file\n");
    ASSERT_EQ(::link(other.c_str(), lock.c_str()), 0);
    EXPECT_TRUE(IniWriteString(ini, "A", "X", "3"));
    EXPECT_EQ(ReadFileText(other), "someone's file\n");
    EXPECT_EQ(LstatOf(other).st_nlink, 1u);
    EXPECT_TRUE(reports.texts.empty());
}

// As root, for a configuration of another user: a lock file that is a hard link to a third
// user's file is never chowned to the configuration's owner.
TEST_F(IniSafetyTest, RootNeverChownsAHardLinkedLockFile) {
    TLocalUser alice("a"), bob("b");
    if (!alice.Made() || !bob.Made())
        GTEST_SKIP() << "needs root to make local users";
    WriteFileText(ini, "[A]\nX=1\n");
    ASSERT_EQ(::chown(ini.c_str(), alice.Uid(), alice.Gid()), 0);
    const std::string bobs = dir.File("bobs.txt");
    WriteFileText(bobs, "bob's\n");
    ASSERT_EQ(::chown(bobs.c_str(), bob.Uid(), bob.Gid()), 0);
    ASSERT_EQ(::link(bobs.c_str(), dir.File(".hostaq.ini.lock").c_str()), 0);
    EXPECT_TRUE(IniWriteString(ini, "A", "X", "2"));
    EXPECT_EQ(LstatOf(bobs).st_uid, bob.Uid());
    EXPECT_EQ(LstatOf(ini).st_uid, alice.Uid());
    EXPECT_EQ(ReadFileText(bobs), "bob's\n");
}

// Root writing through a link another user made: followed only where that user owns the link's
// folder and the file it names; otherwise the write fails naming the link, the file it names
// keeps its bytes and no lock file appears beside it.
TEST_F(IniSafetyTest, RootFollowsAnotherUsersLinkOnlyToThatUsersOwnFile) {
    TLocalUser alice("a");
    if (!alice.Made())
        GTEST_SKIP() << "needs root to make local users";
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    const std::string home = dir.File("alice");
    ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
    ASSERT_EQ(::chown(home.c_str(), alice.Uid(), alice.Gid()), 0);
    const std::string secret = dir.File("root-only.conf");
    WriteFileText(secret, "root's\n");
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    const std::string alicesIni = home + "/hostaq.ini";
    ASSERT_TRUE(alice.RunAs([&] { return ::symlink(secret.c_str(), alicesIni.c_str()) == 0; }));

    EXPECT_FALSE(IniWriteString(alicesIni, "Grp", "Password", "x"));
    EXPECT_EQ(ReadFileText(secret), "root's\n");
    ASSERT_EQ(reports.texts.size(), 1u);
    EXPECT_EQ(reports.texts[0], "Unable to write to " + alicesIni + ": the symbolic link " + alicesIni +
                                    " belongs to another user and is not followed");
    std::string reason;
    EXPECT_FALSE(IniWriteTest(alicesIni, &reason));
    EXPECT_NE(reason.find(alicesIni), std::string::npos);

    // A link of hers to /dev/zero: nothing is made in /dev.
    const std::string zero = home + "/zero.ini";
    ASSERT_TRUE(alice.RunAs([&] { return ::symlink("/dev/zero", zero.c_str()) == 0; }));
    EXPECT_FALSE(IniWriteString(zero, "A", "X", "1"));
    EXPECT_FALSE(std::filesystem::exists("/dev/.zero.lock"));

    // Her link to her own file in her folder is followed: the file is replaced, the link stays.
    const std::string own = home + "/real.ini";
    ASSERT_TRUE(alice.RunAs([&] {
        WriteFileText(own, "[A]\nX=1\n");
        return ::unlink(alicesIni.c_str()) == 0 && ::symlink(own.c_str(), alicesIni.c_str()) == 0;
    }));
    EXPECT_TRUE(IniWriteString(alicesIni, "A", "X", "2"));
    EXPECT_TRUE(S_ISLNK(LstatOf(alicesIni).st_mode));
    EXPECT_EQ(ReadFileText(own), "[A]\nX=2\n");
    EXPECT_EQ(LstatOf(own).st_uid, alice.Uid());
}

// Temporaries carry the file's name, are 0600, and whatever a writer that died left of them is
// removed by the next writer.
TEST_F(IniSafetyTest, TemporariesAreNamedAfterTheirFilePrivateAndRemovedWhenStale) {
    WriteFileText(ini, "[A]\nX=1\n");
    ASSERT_EQ(::chmod(ini.c_str(), 0644), 0);
    const std::string stale = dir.File(".hostaq.ini.tmp-AbC123");
    WriteFileText(stale, "[A]\nPassword=old copy\n");
    const std::string othersTemp = dir.File(".other.ini.tmp-AbC123");
    WriteFileText(othersTemp, "not ours\n");
    static std::string seenName;
    static mode_t seenMode = 0;
    const TIniWriteFn old = SetIniWriteFn([](int fd, const char* data, std::size_t size) {
        char name[4096] = {};
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        if (::readlink(link.c_str(), name, sizeof name - 1) > 0)
            seenName = std::filesystem::path(name).filename().string();
        struct stat st {};
        ::fstat(fd, &st);
        seenMode = st.st_mode & 07777;
        return ::write(fd, data, size) == static_cast<ssize_t>(size);
    });
    EXPECT_TRUE(IniWriteString(ini, "A", "X", "2"));
    SetIniWriteFn(old);
    EXPECT_TRUE(seenName.starts_with(".hostaq.ini.tmp-")) << seenName;
    EXPECT_EQ(seenName.size(), std::string(".hostaq.ini.tmp-").size() + 6);
    EXPECT_EQ(seenMode, 0600u);
    EXPECT_EQ(LstatOf(ini).st_mode & 07777, 0644u); // the file keeps its own mode
    EXPECT_TRUE(Temporaries(dir.Path()).empty());
    EXPECT_TRUE(std::filesystem::exists(othersTemp));
}

// On a file system with second stamps, a same-size rewrite within the second keeps size and
// every stamp; a parse read while the file was that young is never trusted again.
TEST_F(IniSafetyTest, AYoungFileIsReadAgainEvenWhenItsStampsAreTheSame) {
    const long long old = SetIniStampResolution(1000000000LL);
    for (int i = 0; i < 50; ++i) {
        const std::string a = "[A]\nX=" + std::to_string(1000 + i) + "\n";
        const std::string b = "[A]\nX=" + std::to_string(5000 + i) + "\n";
        WriteFileText(ini, a);
        ASSERT_EQ(IniReadString(ini, "A", "X", ""), std::to_string(1000 + i));
        // In place, as an editor that overwrites does: same inode, same size.
        const int fd = ::open(ini.c_str(), O_WRONLY);
        ASSERT_EQ(::pwrite(fd, b.data(), b.size(), 0), static_cast<ssize_t>(b.size()));
        ::close(fd);
        ASSERT_EQ(IniReadString(ini, "A", "X", ""), std::to_string(5000 + i)) << "pass " << i;
    }
    SetIniStampResolution(old);
}

// The replace is atomic for every user: a hard link held on the old file keeps the old bytes
// and the name gets a new inode.
TEST_F(IniSafetyTest, AWriteReplacesTheFileWithANewInode) {
    WriteFileText(ini, "[A]\nX=1\n");
    const std::string held = dir.File("held.ini");
    ASSERT_EQ(::link(ini.c_str(), held.c_str()), 0);
    const ino_t before = LstatOf(ini).st_ino;
    EXPECT_TRUE(IniWriteString(ini, "A", "X", "2"));
    EXPECT_NE(LstatOf(ini).st_ino, before);
    EXPECT_EQ(LstatOf(held).st_ino, before);
    EXPECT_EQ(ReadFileText(held), "[A]\nX=1\n");
    EXPECT_EQ(ReadFileText(ini), "[A]\nX=2\n");
}

// The start-up probe changes nothing of an existing file: not its bytes, not its inode.
TEST_F(IniSafetyTest, TheWriteProbeLeavesAnExistingFileAsItIs) {
    WriteFileText(ini, "[Z]\nY=1");
    const struct stat before = LstatOf(ini);
    EXPECT_TRUE(IniWriteTest(ini));
    EXPECT_EQ(ReadFileText(ini), "[Z]\nY=1");
    EXPECT_EQ(LstatOf(ini).st_ino, before.st_ino);
    EXPECT_EQ(LstatOf(ini).st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    // A missing file is made, empty and private.
    const std::string fresh = dir.File("fresh.ini");
    EXPECT_TRUE(IniWriteTest(fresh));
    EXPECT_EQ(LstatOf(fresh).st_size, 0);
    EXPECT_EQ(LstatOf(fresh).st_mode & 07777, 0600u);
    EXPECT_EQ(std::filesystem::directory_iterator(dir.Path()) == std::filesystem::directory_iterator(),
              false);
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_TRUE(e.path().filename() == "hostaq.ini" || e.path().filename() == "fresh.ini") << e.path();
}

} // namespace
