#include "ProgramRunner.h"

#include "app/ConfigCommands.h"
#include "app/HeadlessPresenter.h"
#include "config/IniFile.h"
#include "config/Scramble.h"
#include "config/Text.h"
#include "engine/ManualEventLoop.h"
#include "groups/DynAcc.h"
#include "log/Log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace hostaq::test {
namespace {

TEST(ScrambleCommandTest, PrintsTheStoredFormOfOneLine) {
    std::istringstream in("top secret\r\nsecond line\n");
    std::ostringstream out, err;
    EXPECT_EQ(RunScramble(in, out, err), 0);
    std::string line = out.str();
    ASSERT_FALSE(line.empty());
    line.pop_back();
    EXPECT_EQ(UnscramblePassword(line), "top secret");
    std::istringstream empty("");
    EXPECT_EQ(RunScramble(empty, out, err), 1);
}

class TGroupAddTest : public ::testing::Test {
protected:
    int Add(const std::vector<std::string>& args, const std::string& password, std::string* err = nullptr) {
        std::vector<std::string> all{"--group-add"};
        all.insert(all.end(), args.begin(), args.end());
        all.push_back("./hostaq.ini");
        return RunHostaq(Dir.Path(), all, password, nullptr, err);
    }
    TTempDir Dir;
    std::string Ini = Dir.File("hostaq.ini");
};

TEST_F(TGroupAddTest, SavesTheGroupAsTheEditorWould) {
    ASSERT_EQ(
        Add({"Home", "--user", "joe", "--hosts", "a.example, b.example,a.example", "--system", "statdns"},
            "secret\n"),
        0);
    TDynAcc g;
    LoadGroup(Ini, "Home", g);
    EXPECT_EQ(g.Type, SystemStatdns);
    EXPECT_EQ(g.UserID, "joe");
    EXPECT_EQ(g.Password, "secret");
    EXPECT_EQ(g.NumOfHosts, 2) << "a name given twice is added once";
    EXPECT_EQ(g.Hosts[1], "b.example");
    EXPECT_TRUE(g.Secure);
    EXPECT_TRUE(g.Enable);
    EXPECT_EQ(IniReadString(Ini, "Home", "NewConfig", ""), "1");
    EXPECT_EQ(ReadFileText(Ini).find("secret"), std::string::npos);
}

TEST_F(TGroupAddTest, IPv6AndItsSuffix) {
    std::string err;
    EXPECT_EQ(Add({"Nas", "--user", "joe", "--hosts", "nas.example", "--ipv6-suffix", "::12"}, "pw\n", &err),
              2);
    EXPECT_NE(err.find("--ipv6-suffix needs --ipv6"), std::string::npos) << err;
    EXPECT_EQ(Add({"Nas", "--user", "joe", "--hosts", "nas.example", "--ipv6", "--ipv6-suffix", "1::12"},
                  "pw\n", &err),
              1);
    EXPECT_NE(err.find("The IPv6 suffix \"1::12\" is not an interface identifier"), std::string::npos) << err;
    EXPECT_FALSE(IniSectionExists(Ini, "Nas"));
    ASSERT_EQ(
        Add({"Nas", "--user", "joe", "--hosts", "nas.example", "--ipv6", "--ipv6-suffix", "::12"}, "pw\n"),
        0);
    TDynAcc g;
    LoadGroup(Ini, "Nas", g);
    EXPECT_TRUE(g.IPv6);
    EXPECT_EQ(g.IPv6Suffix, "::12");
}

TEST_F(TGroupAddTest, RefusesWhatTheEditorRefusesWithItsMessages) {
    std::string err;
    EXPECT_EQ(Add({"Home", "--user", "joe", "--hosts", "a.example"}, "\n", &err), 1);
    EXPECT_NE(err.find("Password is needed when updating your account.\nThe password cannot be blank"),
              std::string::npos);
    EXPECT_EQ(Add({"Home", "--user", "", "--hosts", "a.example"}, "pw\n", &err), 1);
    EXPECT_NE(err.find("Username is needed when updating your account."), std::string::npos);
    EXPECT_EQ(Add({" ", "--user", "joe", "--hosts", "a.example"}, "pw\n", &err), 1);
    EXPECT_NE(err.find("Group name is used to identify your hostnames group by Hostaq Updater."),
              std::string::npos);
    EXPECT_EQ(Add({"Home", "--user", "joe", "--hosts", ","}, "pw\n", &err), 1);
    EXPECT_NE(err.find("You need at least one hostname to use Hostaq Updater."), std::string::npos);
    EXPECT_FALSE(IniSectionExists(Ini, "Home"));
    ASSERT_EQ(Add({"Home", "--user", "joe", "--hosts", "a.example"}, "pw\n"), 0);
    EXPECT_EQ(Add({"Home", "--user", "ann", "--hosts", "b.example"}, "pw\n", &err), 1);
    EXPECT_NE(err.find("Group name Home already exists. Please select different name."), std::string::npos);
    EXPECT_EQ(Add({"Options", "--user", "ann", "--hosts", "b.example"}, "pw\n", &err), 1);
    EXPECT_EQ(Add({"Work", "--user", "ann", "--hosts", "b.example", "--system", "other"}, "pw\n", &err), 2);
}

TEST_F(TGroupAddTest, RefusesNamesTheFileCannotHoldAsAGroup) {
    ASSERT_EQ(Add({"a", "--user", "joe", "--hosts", "a.example"}, "pw\n"), 0);
    const std::string before = ReadFileText(Ini);
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"a]x", "it holds \"]\""},
        {" Home", "it begins or ends with a blank"},
        {"Home\t", "it begins or ends with a blank"},
        {"[Home", "it begins with \"[\" or \";\""},
        {";Home", "it begins with \"[\" or \";\""},
        {"Ho\nme", "line break"},
        {"Ho\rme", "line break"},
        {"Update", "the program keeps its own settings in a section of that name"},
        {"options", "the program keeps its own settings"},
        {"LOCALIP", "the program keeps its own settings"},
        {"DisconnectRun", "the program keeps its own settings"},
        {"LogWindow", "the program keeps its own settings"},
    };
    for (const auto& [name, why] : refused) {
        std::string err;
        EXPECT_EQ(Add({name, "--user", "joe", "--hosts", "b.example"}, "pw\n", &err), 1) << name;
        // Shown with its line breaks made blanks, so the refusal cannot break the terminal's lines.
        const std::string shown = CleanText(name);
        EXPECT_NE(err.find("The group name \"" + shown + "\" cannot be used: "), std::string::npos) << err;
        EXPECT_NE(err.find(why), std::string::npos) << err;
        EXPECT_EQ(ReadFileText(Ini), before) << name;
    }
    std::string err;
    EXPECT_EQ(Add({"", "--user", "joe", "--hosts", "b.example"}, "pw\n", &err), 1);
    EXPECT_NE(err.find("Please provide the group name"), std::string::npos);
    // A name differing only in case is the same section.
    EXPECT_EQ(Add({"A", "--user", "joe", "--hosts", "b.example"}, "pw\n", &err), 1);
    EXPECT_EQ(ReadFileText(Ini), before);
    // Names that only look unusual are fine.
    EXPECT_EQ(Add({"My [home] net", "--user", "joe", "--hosts", "b.example"}, "pw\n"), 1) << "holds ]";
    EXPECT_EQ(Add({"Home (2) = work; a", "--user", "joe", "--hosts", "b.example"}, "pw\n"), 0);
    EXPECT_EQ(Add({"Updates", "--user", "joe", "--hosts", "b.example"}, "pw\n"), 0);
    EXPECT_EQ(CountGroups(Ini).Names, (std::vector<std::string>{"a", "Home (2) = work; a", "Updates"}));
}

TEST_F(TGroupAddTest, KeepsTheFirstTwentyHostsOfALongList) {
    std::string hosts;
    for (int i = 1; i <= 25; ++i)
        hosts += "h" + std::to_string(i) + ".example,";
    std::string err;
    ASSERT_EQ(Add({"Big", "--user", "joe", "--hosts", hosts}, "pw\n", &err), 0);
    EXPECT_NE(err.find("Only the first 20 hosts on this group will be recorded."), std::string::npos);
    EXPECT_EQ(IniReadString(Ini, "Big", "NumOfHosts", ""), "20");
    EXPECT_EQ(IniReadString(Ini, "Big", "Host21", "none"), "none");
}

TEST(DumpCommandTest, WritesTheDumpWithoutTouchingTheConfiguration) {
    TTempDir dir;
    ASSERT_EQ(RunHostaq(dir.Path(),
                        {"--group-add", "Home", "--user", "joe", "--hosts", "a.example", "./hostaq.ini"},
                        "pw\n"),
              0);
    const std::string before = ReadFileText(dir.File("hostaq.ini"));
    ASSERT_EQ(RunHostaq(dir.Path(), {"--dump-config", "dump.txt", "./hostaq.ini"}), 0);
    const std::string dump = ReadFileText(dir.File("dump.txt"));
    EXPECT_EQ(dump.rfind("Configuration information for Hostaq Updater\n", 0), 0u);
    EXPECT_NE(dump.find("\tGroup Home:\n\t\tProvider: hostaq.example\n\t\tUsername: joe\n"),
              std::string::npos);
    EXPECT_EQ(ReadFileText(dir.File("hostaq.ini")), before);
    EXPECT_EQ(RunHostaq(dir.Path(), {"--dump-config", "no/such/folder/dump.txt", "./hostaq.ini"}), 1);
}

class THeadlessPresenterTest : public ::testing::Test {
protected:
    THeadlessPresenterTest() : out_(std::tmpfile()), presenter_(loop_, out_) {}
    ~THeadlessPresenterTest() override { std::fclose(out_); }
    std::string Output() {
        std::fflush(out_);
        std::rewind(out_);
        std::string text;
        char buf[512];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, out_)) > 0)
            text.append(buf, n);
        return text;
    }
    TManualClock clock_{TDateTime::FromParts(2008, 3, 10, 12, 0, 0)};
    TClockGuard guard_{&clock_};
    TManualEventLoop loop_{clock_};
    std::FILE* out_;
    THeadlessPresenter presenter_;
};

TEST_F(THeadlessPresenterTest, WritesStatusChangesOnceAndAnswersQuestionsWithNo) {
    presenter_.SetTrayState(TrayNormal);
    presenter_.SetTrayState(TrayAnim3); // animation frames are no status
    presenter_.SetTrayState(TrayNormal);
    presenter_.SetTrayState(TrayError);
    presenter_.SetTrayHint("Hostaq Updater\r\nIP: 203.0.113.7\r\nUpdated: 2 minutes");
    presenter_.SetTrayHint("Hostaq Updater\r\nIP: 203.0.113.7\r\nUpdated: 2 minutes");
    EXPECT_FALSE(presenter_.Confirm("Do you really want to do offline update?"));
    presenter_.ShowBalloon("Hostaq Updater", "Update result: Winsock error", TNoticeKind::Error, 30);
    EXPECT_EQ(Output(), "-- tray: normal\n"
                        "-- tray: error\n"
                        "-- hint: Hostaq Updater - IP: 203.0.113.7 - Updated: 2 minutes\n"
                        "-- question: Do you really want to do offline update? -> No\n"
                        "-- balloon (error): Update result: Winsock error\n");
}

TEST_F(THeadlessPresenterTest, CountdownRunsOutAfterSixtySecondsAndGoesAhead) {
    int answers = 0;
    bool goAhead = false;
    presenter_.StartOfflineCountdown([&](bool yes) {
        ++answers;
        goAhead = yes;
    });
    loop_.AdvanceSecs(59);
    EXPECT_EQ(answers, 0);
    loop_.AdvanceSecs(1);
    EXPECT_EQ(answers, 1);
    EXPECT_TRUE(goAhead);
    loop_.AdvanceSecs(120);
    EXPECT_EQ(answers, 1);
    EXPECT_NE(Output().find("The process will be performed within 60 seconds."), std::string::npos);
    presenter_.SetExitCode(3);
    presenter_.Terminate();
    EXPECT_TRUE(loop_.QuitRequested());
}

TEST_F(THeadlessPresenterTest, NewVersionNoticeIsALogEntryNamingTheDownloadPage) {
    std::vector<std::pair<int, std::string>> log;
    const int sink = AddLogSink([&](int kind, const std::string& text) { log.push_back({kind, text}); });
    bool closed = false;
    presenter_.ShowUpdateNotice(
        "A new version 3.2.0 (Build 18) of Hostaq Updater is available.\r\nDo you want "
        "to visit the download website now?",
        [&] { closed = true; });
    RemoveLogSink(sink);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].first, LogNormal);
    EXPECT_EQ(log[0].second, "A new version 3.2.0 (Build 18) of Hostaq Updater is available. Download page: "
                             "http://www.hostaq.example/updater/");
    EXPECT_TRUE(closed) << "nothing stays open, so the next notice can come";
}

} // namespace
} // namespace hostaq::test
