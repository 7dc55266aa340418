// Where the configuration is: a file named with a folder is that file or none, and nothing is
// ever put beside a program in a folder that is not the running user's own.
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/IniFile.h"

#include "EnvGuard.h"
#include "LocalUser.h"
#include "TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hostaq;
using hostaq::test::TEnvGuard;
using hostaq::test::TLocalUser;
using hostaq::test::TTempDir;
using hostaq::test::WriteFileText;

namespace {

class ConfigLocateTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(programDir);
        hook = AddConfigLocatedHook([this](const std::string& path) { located.push_back(path); });
        SetErrorReporter([this](const std::string& text) { errors.push_back(text); });
    }
    void TearDown() override {
        RemoveConfigLocatedHook(hook);
        SetErrorReporter({});
        SetConfigPath("");
    }
    // Every file and folder under the test's folder, but the program's folder itself.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path()))
            names.push_back(e.path().string().substr(dir.Path().size() + 1));
        std::sort(names.begin(), names.end());
        return names;
    }

    TTempDir dir;
    TEnvGuard xdg{"XDG_CONFIG_HOME", dir.File("xdg")};
    std::string programDir = dir.File("bin");
    std::string program = programDir + "/hostaq";
    std::vector<std::string> located, errors;
    int hook = 0;
};

TEST_F(ConfigLocateTest, ANamedFileThatCannotBeUsedEndsTheSearchWithItsReason) {
    std::filesystem::create_directories(dir.File("etc"));
    const std::string readOnly = dir.File("etc/ro.ini"), fifo = dir.File("etc/fifo.ini"),
                      folder = dir.File("etc/folder.ini"), big = dir.File("etc/big.ini");
    WriteFileText(readOnly, "[A]\nX=1\n");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    WriteFileText(big, "");
    ASSERT_EQ(::truncate(big.c_str(), 17 * 1024 * 1024), 0);
    const auto before = Entries();
    const struct {
        std::string Arg, Path, Reason;
    } cases[] = {
        {dir.File("missing/hostaq.ini"), dir.File("missing/hostaq.ini"),
         "the folder " + dir.File("missing") + " does not exist"},
        {readOnly, readOnly, "it is read-only"},
        {fifo, fifo, "it is not a regular file"},
        {folder, folder, "it is not a regular file"},
        {big, big, "it is larger than 16 MiB"},
        {dir.File("missing/other.cfg"), dir.File("missing/other.ini"),
         "the folder " + dir.File("missing") + " does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arg);
        EXPECT_FALSE(LocateConfigFile({"--once", c.Arg}, program));
        EXPECT_EQ(ConfigLocateError(), "cannot use " + c.Path + ": " + c.Reason);
        EXPECT_EQ(ConfigPath(), c.Path);
        EXPECT_EQ(Entries(), before); // nothing beside the program, no per-user file
    }
    EXPECT_TRUE(located.empty());
    EXPECT_TRUE(errors.empty());
    // A usable one clears the error.
    EXPECT_TRUE(LocateConfigFile({dir.File("etc/ok.ini")}, program));
    EXPECT_EQ(ConfigLocateError(), "");
    EXPECT_EQ(located, std::vector<std::string>{dir.File("etc/ok.ini")});
}

TEST_F(ConfigLocateTest, ANamedFileTheUserMayNotWriteIsRefusedAsThatUser) {
    TLocalUser alice("a");
    if (!alice.Made())
        GTEST_SKIP() << "needs root to make local users";
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    const std::string rootsFile = dir.File("root.ini");
    WriteFileText(rootsFile, "[A]\nX=1\n");
    ASSERT_EQ(::chmod(rootsFile.c_str(), 0644), 0);
    EXPECT_TRUE(alice.RunAs([&] {
        return !LocateConfigFile({rootsFile}, program) &&
               ConfigLocateError() == "cannot use " + rootsFile + ": Permission denied" &&
               !std::filesystem::exists(dir.File("xdg"));
    }));
}

// Root's program folder (/usr/bin for an installed program) never gets a file beside the
// program, named or not: the per-user file is used.
TEST_F(ConfigLocateTest, RootNeverMakesAFileBesideTheProgram) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "the program folder must be root's";
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"custom"}}) {
        EXPECT_TRUE(LocateConfigFile(args, program));
        EXPECT_EQ(ConfigPath(), dir.File("xdg/Vemo Solution/Hostaq Updater/hostaq.ini"));
        EXPECT_TRUE(std::filesystem::is_empty(programDir));
    }
    // A file already there is used.
    WriteFileText(programDir + "/hostaq.ini", "");
    EXPECT_TRUE(LocateConfigFile({}, program));
    EXPECT_EQ(ConfigPath(), programDir + "/hostaq.ini");
}

// A portable copy: a user's own program folder gets the file beside the program; another user
// running that copy gets the per-user file instead.
TEST_F(ConfigLocateTest, AUsersOwnProgramFolderGetsTheFileBesideTheProgram) {
    TLocalUser alice("a"), bob("b");
    if (!alice.Made() || !bob.Made())
        GTEST_SKIP() << "needs root to make local users";
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    ASSERT_EQ(::chown(programDir.c_str(), alice.Uid(), alice.Gid()), 0);
    EXPECT_TRUE(bob.RunAs([&] {
        TEnvGuard bobs("XDG_CONFIG_HOME", dir.File("bobxdg"));
        return LocateConfigFile({}, program) &&
               ConfigPath() == dir.File("bobxdg/Vemo Solution/Hostaq Updater/hostaq.ini") &&
               std::filesystem::is_empty(programDir);
    }));
    EXPECT_TRUE(alice.RunAs([&] {
        return LocateConfigFile({}, program) && ConfigPath() == programDir + "/hostaq.ini" &&
               std::filesystem::exists(programDir + "/hostaq.ini");
    }));
}

} // namespace
