// The file named is the file used: a configuration that cannot be used ends every command with
// its reason and nothing written anywhere; a refused command leaves the file alone; a write
// killed at any moment leaves the file whole and no copy of it behind for long.
#include "ProgramRunner.h"

#include "CaptureServer.h"
#include "EnvGuard.h"
#include "ProviderServer.h"
#include "config/IniFile.h"
#include "groups/DynAcc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sys/stat.h>

namespace hostaq::test {
namespace {

// Every name under a folder, for "nothing else was made" checks.
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder, ec))
        names.push_back(e.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

class TConfigSafetyTest : public ::testing::Test {
protected:
    TTempDir Dir;
    TEnvGuard Xdg{"XDG_CONFIG_HOME", Dir.File("xdg")};
    TEnvGuard Display{"DISPLAY", std::nullopt};
    TEnvGuard Wayland{"WAYLAND_DISPLAY", std::nullopt};
    std::string ProgramFolder = std::filesystem::path(HostaqBinary()).parent_path().string();
};

TEST_F(TConfigSafetyTest, AConfigurationThatCannotBeUsedEndsEveryCommandWithItsReason) {
    ASSERT_EQ(::mkdir(Dir.File("t2").c_str(), 0755), 0);
    const std::string readOnly = Dir.File("t2/hostaq.ini");
    WriteFileText(readOnly, "[Options]\nFirstCheckDelay=1\n");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const std::string missing = Dir.File("etc/hostaq/hostaq.ini");
    const std::string fifo = Dir.File("t2/fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string Path, Reason;
    } files[] = {
        {readOnly, "it is read-only"},
        {missing, "the folder " + Dir.File("etc/hostaq") + " does not exist"},
        {fifo, "it is not a regular file"},
    };
    const std::vector<std::vector<std::string>> commands = {
        {"--once"},
        {"--once", "--force"},
        {"--group-add", "Home", "--user", "joe", "--hosts", "a.example"},
        {"--dump-config", Dir.File("dump.txt")},
        {"--headless"},
        {}, // the tray program, here without a display
    };
    const auto programFolder = Listing(ProgramFolder);
    const auto before = Listing(Dir.Path());
    for (const auto& file : files)
        for (const auto& command : commands) {
            std::vector<std::string> args = command;
            args.push_back(file.Path);
            SCOPED_TRACE(args.front() + " " + file.Path);
            std::string err;
            EXPECT_EQ(RunHostaq(Dir.Path(), args, "secret\n", nullptr, &err), 1);
            EXPECT_NE(err.find("hostaq: cannot use " + file.Path + ": " + file.Reason + "\n"),
                      std::string::npos)
                << err;
        }
    // Nothing was made: not beside the program, not in the per-user folder, not the dump.
    EXPECT_EQ(Listing(ProgramFolder), programFolder);
    auto after = Listing(Dir.Path());
    std::erase_if(after, [](const std::string& name) {
        return name.ends_with(".out") || name.ends_with(".err") || name.ends_with(".in");
    });
    EXPECT_EQ(after, before);
    EXPECT_EQ(ReadFileText(readOnly), "[Options]\nFirstCheckDelay=1\n");
}

// A command refused before any work leaves the file as it was: bytes and inode.
TEST_F(TConfigSafetyTest, ARefusedCommandLeavesTheFileUntouched) {
    const std::string ini = Dir.File("hostaq.ini");
    WriteFileText(ini, "[Options]\nFirstCheckDelay=1\n");
    const ino_t inode = StatOf(ini).st_ino;
    std::string err;
    EXPECT_EQ(RunHostaq(Dir.Path(), {"--group-add", "a]x", "--user", "joe", "--hosts", "a.example", ini},
                        "pw\n", nullptr, &err),
              1);
    EXPECT_NE(err.find("cannot be used"), std::string::npos) << err;
    EXPECT_EQ(ReadFileText(ini), "[Options]\nFirstCheckDelay=1\n");
    EXPECT_EQ(StatOf(ini).st_ino, inode);

    // Where there was no file, a refused command leaves none (no password given here).
    const std::string fresh = Dir.File("fresh.ini");
    EXPECT_EQ(
        RunHostaq(Dir.Path(), {"--group-add", "Home", "--user", "joe", "--hosts", "a.example", fresh}, ""),
        1);
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_EQ(RunHostaq(Dir.Path(), {"--group-add", "Home", "--user", "joe", "--hosts", "a.example", fresh},
                        "pw\n"),
              0);
    EXPECT_EQ(IniReadString(fresh, "Home", "UserID", ""), "joe");
}

// A blank and a repeated name in the list are dropped: one host is saved.
TEST_F(TConfigSafetyTest, HostsGivenTwiceAndBlanksSaveOneHost) {
    const std::string ini = Dir.File("hostaq.ini");
    ASSERT_EQ(RunHostaq(Dir.Path(),
                        {"--group-add", "Home", "--user", "joe", "--hosts", "a.example, a.example, ", ini},
                        "pw\n"),
              0);
    EXPECT_EQ(IniReadString(ini, "Home", "NumOfHosts", ""), "1");
    EXPECT_EQ(IniReadString(ini, "Home", "Host1", ""), "a.example");
    EXPECT_FALSE(IniValueExists(ini, "Home", "Host2"));
}

// The hidden files of a folder the store makes beside a file: temporaries and lock files.
std::vector<std::string> HiddenCopies(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name.starts_with(".hostaq") && !name.ends_with(".lock"))
            names.push_back(name);
    }
    return names;
}

// Sixty kills at random moments of --once over 300 groups, each write's fsync slowed: the file
// is whole after every kill, a temporary never outlives the next writer, and after a run that
// ends nothing of the kind is left.
TEST_F(TConfigSafetyTest, KillsDuringWritesLeaveTheFileWholeAndNoCopiesBehind) {
    TProviderServer provider;
    TCaptureServer checkPage;
    checkPage.Answer(
        "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nCurrent IP Address: 203.0.113.7\r\n");
    const std::string ini = Dir.File("hostaq.ini");
    constexpr int Groups = 300;
    {
        TIniWriteBatch batch;
        IniWriteString(ini, "Options", "UpdateHost", provider.HostPort());
        IniWriteString(ini, "Connection", "ServerIP", checkPage.Url("/"));
        IniWriteString(ini, "Options", "FirstCheckDelay", "1");
        for (int i = 0; i < Groups; ++i) {
            TDynAcc g;
            InitGroup(g);
            g.UserID = "u" + std::to_string(i);
            g.Password = "pw";
            g.Secure = false;
            g.NumOfHosts = 1;
            g.Hosts[0] = "h" + std::to_string(i) + ".example";
            ASSERT_TRUE(SaveGroup(ini, "G" + std::to_string(i), g));
        }
    }
    const auto whole = [&] {
        int groups = 0;
        for (const std::string& name : IniReadSections(ini))
            if (name.starts_with("G") && IniReadString(ini, name, "UserID", "") == "u" + name.substr(1))
                ++groups;
        return groups == Groups && ReadFileText(ini).ends_with("\n");
    };
    ASSERT_TRUE(whole());
    TEnvGuard preload{"LD_PRELOAD", HOSTAQ_SLOW_FSYNC};
    // Under AddressSanitizer the preloaded library comes before its runtime, which is fine here.
    const char* asan = std::getenv("ASAN_OPTIONS");
    TEnvGuard asanOrder{"ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0"};
    std::mt19937 random(20071231);
    std::uniform_int_distribution<int> moment(0, 700);
    for (int kill = 0; kill < 60; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        IniWriteString(ini, "Update", "IP", "198.51.100." + std::to_string(kill % 200 + 1)); // a run is due
        THostaqProcess run(Dir.Path(), {"--once", "--force", ini});
        std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
        run.Signal(SIGKILL);
        run.Wait();
        ASSERT_TRUE(whole());
        // What this run or one before it left: never more than the one temporary a single
        // interrupted writer can leave, since every writer removes those it finds.
        EXPECT_LE(HiddenCopies(Dir.Path()).size(), 1u) << ::testing::PrintToString(HiddenCopies(Dir.Path()));
    }
    THostaqProcess last(Dir.Path(), {"--once", "--force", ini});
    EXPECT_EQ(last.Wait(60000), 0) << last.Err();
    EXPECT_TRUE(whole());
    EXPECT_TRUE(HiddenCopies(Dir.Path()).empty()) << ::testing::PrintToString(HiddenCopies(Dir.Path()));
    EXPECT_FALSE(std::filesystem::exists(Dir.File(".hostaq.ini.lock")));
}

} // namespace
} // namespace hostaq::test
