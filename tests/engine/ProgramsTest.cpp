#include "EngineFixture.h"

#include "engine/ProgramLauncher.h"
#include "engine/ServU.h"

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace hostaq::test {
namespace {

TEST(ProgramCommandTest, CommandLineSplitsIntoProgramAndParameters) {
    auto none = [](const std::string&) { return false; };
    TProgramCommand c = SplitProgramCommand("/bin/prog %CURRENT_IP% x", none);
    EXPECT_EQ(c.Program, "/bin/prog");
    EXPECT_EQ(c.Parameters, " %CURRENT_IP% x");
    c = SplitProgramCommand("\"/opt/my prog/run\" -v \"a b\"", none);
    EXPECT_EQ(c.Program, "/opt/my prog/run");
    EXPECT_EQ(c.Parameters, " -v \"a b\"");
    // A blank near the end of a quoted name is part of the name, not the start of the parameters.
    c = SplitProgramCommand("\"/opt/app 2\" -v", none);
    EXPECT_EQ(c.Program, "/opt/app 2");
    EXPECT_EQ(c.Parameters, " -v");
    c = SplitProgramCommand("/bin/prog", none);
    EXPECT_EQ(c.Parameters, "");
    // A line that names an existing file is the program, blanks and all.
    c = SplitProgramCommand("/opt/my prog", [](const std::string& p) { return p == "/opt/my prog"; });
    EXPECT_EQ(c.Program, "/opt/my prog");
    EXPECT_EQ(c.Parameters, "");
    EXPECT_EQ(SplitArguments(" -v \"a b\"  c\"d e\"f \"say \"\"hi\"\"\" \"\""),
              (std::vector<std::string>{"-v", "a b", "cd ef", "say \"hi\"", ""}));
}

TEST(ProgramCommandTest, ListReadsDigitKeysInFileOrderWithTheirFlags) {
    TTempDir dir;
    const std::string path = dir.File("hostaq.ini");
    WriteFileText(path, "[Run]\n2=/bin/b\nEnb2=0\nname=/bin/word\n1=/bin/a\nIP1=1\n3=\n4=/bin/d\n"
                        "[DisconnectRun]\n1=/bin/x\nIP1=1\n");
    const auto run = ReadProgramList(path, RunSection, true);
    ASSERT_EQ(run.size(), 3u);
    EXPECT_EQ(run[0], (TProgramEntry{"/bin/b", false, false}));
    EXPECT_EQ(run[1], (TProgramEntry{"/bin/a", true, true}));
    EXPECT_EQ(run[2], (TProgramEntry{"/bin/d", true, false}));
    const auto disc = ReadProgramList(path, DisconnectRunSection, false);
    ASSERT_EQ(disc.size(), 1u);
    EXPECT_FALSE(disc[0].OnlyWhenIPChanges);
    // The editor's save replaces the section and numbers the entries from 1.
    ASSERT_TRUE(SaveProgramList(path, RunSection, true, {run[1], run[2]}, "Delay", 9));
    EXPECT_EQ(IniReadString(path, "Run", "1", ""), "/bin/a");
    EXPECT_EQ(IniReadString(path, "Run", "IP1", ""), "1");
    EXPECT_EQ(IniReadString(path, "Run", "name", "gone"), "gone");
    EXPECT_EQ(IniReadString(path, "Options", "Delay", ""), "9");
}

class TProgramsTest : public TEngineFixture {
protected:
    void SetUp() override {
        prog1 = Dir.File("one");
        prog2 = Dir.File("two");
        prog3 = Dir.File("three");
        for (const auto& p : {prog1, prog2, prog3})
            WriteFileText(p, "#!/bin/sh\n");
        AddGroup("Home", {"a.example"});
        Set("Options", "RunPrograms", "1");
    }
    std::string prog1, prog2, prog3;
};

TEST_F(TProgramsTest, RunListStartsOneDelayApartWithAddressesInTheParameters) {
    Set("Options", "Delay", "5");
    Set("Run", "1", prog1 + " %CURRENT_IP% %UPDATED_IP%");
    Set("Run", "2", prog2 + " \"%CURRENT_IP%;rm -rf x\"");
    Set("Run", "3", prog3);
    Updater.Hold = true; // the run stays open: programs start while it runs
    Start();
    const TDateTime seen = RunCheck();
    Updater.ReleaseHeld();
    Loop.AdvanceSecs(20);
    ASSERT_EQ(Launcher.Launched.size(), 3u);
    EXPECT_EQ(Launcher.Launched[0].Program, prog1);
    EXPECT_EQ(Launcher.Launched[0].Arguments, (std::vector<std::string>{"203.0.113.7", "203.0.113.7"}));
    EXPECT_EQ(Launcher.Launched[1].Arguments, (std::vector<std::string>{"203.0.113.7;rm -rf x"}));
    EXPECT_TRUE(Launcher.Launched[2].Arguments.empty());
    EXPECT_EQ(Launcher.Launched[0].At, seen.AddSecs(5));
    EXPECT_EQ(Launcher.Launched[1].At, seen.AddSecs(10));
    EXPECT_EQ(Launcher.Launched[2].At, seen.AddSecs(15));
}

TEST_F(TProgramsTest, ZeroDelayStartsProgramsOneSecondApartAndSkipsWhatCannotRun) {
    Set("Run", "1", prog1);
    Set("Run", "Enb1", "0");
    Set("Run", "2", Dir.File("missing") + " x");
    Set("Run", "3", prog2);
    Set("Run", "4", prog3);
    Start();
    const TDateTime seen = RunCheck();
    Loop.AdvanceSecs(10);
    ASSERT_EQ(Launcher.Launched.size(), 2u);
    EXPECT_EQ(Launcher.Launched[0].Program, prog2);
    EXPECT_EQ(Launcher.Launched[0].At, seen.AddSecs(3)) << "skipped entries still take their turn";
    EXPECT_EQ(Launcher.Launched[1].At, seen.AddSecs(4));
    EXPECT_FALSE(Engine->TimerRunProgram.Enabled());
}

TEST_F(TProgramsTest, OnlyWhenAddressChangesWaitsForASuccessfulRunWithANewAddress) {
    Set("Options", "Delay", "2");
    Set("Run", "1", prog1);
    Set("Run", "IP1", "1");
    Set("Run", "2", prog2);
    Set("Run", "IP2", "1");
    Updater.Hold = true;
    Start();
    RunCheck();
    Loop.AdvanceSecs(2); // program 1's turn: the run has not finished
    EXPECT_TRUE(Launcher.Launched.empty());
    Updater.ReleaseHeld();
    FinishRun();
    Loop.AdvanceSecs(2); // program 2's turn, after the run stored a new updated address
    ASSERT_EQ(Launcher.Launched.size(), 1u);
    EXPECT_EQ(Launcher.Launched[0].Program, prog2);
    Loop.AdvanceSecs(2); // the list is done
    EXPECT_FALSE(Engine->UpdatedAddressChanged());
}

TEST_F(TProgramsTest, DisconnectListRunsWhenNoPublicAddressIsFound) {
    Set("Options", "DiscRunPrograms", "1");
    Set("DisconnectRun", "1", prog3 + " %UPDATED_IP%");
    WebCheck.Address = "10.1.1.1";
    Set("LocalIP", "IP0", "10.0.0.0-10.255.255.255");
    Start();
    RunCheck();
    Loop.AdvanceSecs(1);
    ASSERT_EQ(Launcher.Launched.size(), 1u);
    EXPECT_EQ(Launcher.Launched[0].Arguments, std::vector<std::string>{"192.168.1.5"});
}

TEST_F(TProgramsTest, NewAddressRewritesTheServUDomainsBeforeThePrograms) {
    const std::string servu = Dir.File("ServUDaemon.ini");
    WriteFileText(servu, "[Domains]\nDomain1=1.2.3.4|ftp.example|21|x\nDomain2=abc|rest\nDomain3=plain\n");
    Set("Options", "UpdateServU", "1");
    Set("Options", "ServUIniLoc", servu);
    Start();
    RunCheck();
    EXPECT_EQ(IniReadString(servu, "Domains", "Domain1", ""), "1.2.3.4|203.0.113.7|21|x");
    EXPECT_EQ(IniReadString(servu, "Domains", "Domain2", ""), "abc|203.0.113.7rest");
    EXPECT_EQ(IniReadString(servu, "Domains", "Domain3", ""), "203.0.113.7plain");
    EXPECT_EQ(IniReadString(servu, "Global", "ReloadSettings", ""), "TRUE");
    const std::string empty = Dir.File("empty.ini");
    ASSERT_TRUE(UpdateServUAddress(empty, "203.0.113.7"));
    EXPECT_EQ(IniReadString(empty, "Global", "ReloadSettings", ""), "TRUE");
}

TEST(ForkExecLauncherTest, ProgramRunsWithoutAShellAndArgumentsStayWhole) {
    TTempDir dir;
    // A shell would split, substitute and pipe this name; exec passes it as one argument.
    const std::string odd = dir.File("a;b|c$(id) *");
    const std::string plain = dir.File("plain file");
    ASSERT_GT(TForkExecLauncher::Spawn("/usr/bin/touch", {odd, plain}), 0);
    auto exists = [](const std::string& p) { return std::filesystem::exists(p); };
    for (int i = 0; i < 500 && !(exists(odd) && exists(plain)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // bounded wait for the child
    EXPECT_TRUE(exists(odd));
    EXPECT_TRUE(exists(plain));
}

} // namespace
} // namespace hostaq::test
