#include "groups/DynAcc.h"
#include "config/Clock.h"
#include "config/IniFile.h"
#include "config/Stamp.h"

#include "TempDir.h"

#include <gtest/gtest.h>

using namespace hostaq;
using hostaq::test::ReadFileText;
using hostaq::test::TTempDir;
using hostaq::test::WriteFileText;

namespace {

class DynAccTest : public ::testing::Test {
protected:
    TDynAcc Group(int hosts) {
        TDynAcc g;
        InitGroup(g);
        g.UserID = "alice";
        g.Password = "s3cret";
        g.NumOfHosts = hosts;
        for (int i = 0; i < hosts; ++i)
            g.Hosts[static_cast<std::size_t>(i)] = "host" + std::to_string(i + 1) + ".example.net";
        return g;
    }
    TTempDir dir;
    std::string ini = dir.File("hostaq.ini");
    TManualClock clock{TDateTime::FromParts(2007, 6, 15, 12, 0, 0)};
    TClockGuard guard{&clock};
};

TEST_F(DynAccTest, MissingGroupLoadsDefaults) {
    TDynAcc g;
    g.UserID = "stale";
    LoadGroup(ini, "Nowhere", g);
    EXPECT_EQ(g.Type, 0);
    EXPECT_EQ(g.Provider, "hostaq.example");
    EXPECT_EQ(g.UserID, "");
    EXPECT_TRUE(g.Wildcard);
    EXPECT_FALSE(g.BackupMX);
    EXPECT_TRUE(g.Enable);
    EXPECT_TRUE(g.Secure);
    EXPECT_EQ(g.NumOfHosts, 0);
    EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(DynAccTest, SaveWritesKeysInOrderAndLoadsBack) {
    TDynAcc g = Group(3);
    g.Type = SystemStatdns;
    g.MailEx = "mx.example.net";
    g.BackupMX = true;
    ASSERT_TRUE(SaveGroup(ini, "Home", g));

    const auto values = IniReadSectionValues(ini, "Home");
    std::vector<std::string> keys;
    for (const auto& line : values)
        keys.push_back(line.substr(0, line.find('=')));
    EXPECT_EQ(keys, (std::vector<std::string>{"NewConfig", "Type", "UserID", "Provider", "Profile",
                                              "Password", "NumOfHosts", "Host1", "Host2", "Host3", "Wildcard",
                                              "MailEx", "BackupMX", "Enable", "Secure"}));
    EXPECT_EQ(IniReadString(ini, "Home", "Password", "").size(), 128u);

    TDynAcc back;
    LoadGroup(ini, "home", back);
    EXPECT_EQ(back.Type, SystemStatdns);
    EXPECT_EQ(back.Password, "s3cret");
    EXPECT_EQ(back.NumOfHosts, 3);
    EXPECT_EQ(back.Hosts[2], "host3.example.net");
    EXPECT_EQ(back.MailEx, "mx.example.net");
    EXPECT_TRUE(back.BackupMX);
    EXPECT_TRUE(IsGroupSection(ini, "Home"));
}

TEST_F(DynAccTest, SavingAgainDropsResultsAndOldHosts) {
    SaveGroup(ini, "Home", Group(3));
    IniWriteString(ini, "Home", "NewConfig", "0");
    IniWriteString(ini, "Home", "LastUpdate", "20070101000000");
    IniWriteString(ini, "Home", "IP", "203.0.113.7");
    IniWriteString(ini, "Home", "UpdateResult", "4");
    IniWriteString(ini, "Home", "ReturnStr", "abuse");
    IniWriteString(ini, "Home", "host1.example.net", "abuse");

    SaveGroup(ini, "Home", Group(2));
    EXPECT_TRUE(IniReadBool(ini, "Home", "NewConfig", false));
    for (const char* key : {"Host3", "LastUpdate", "IP", "UpdateResult", "ReturnStr", "host1.example.net"})
        EXPECT_FALSE(IniValueExists(ini, "Home", key)) << key;
    EXPECT_EQ(ReadGroupResult(ini, "Home"), 0);
    EXPECT_EQ(ReadGroupIP(ini, "Home"), "");
}

TEST_F(DynAccTest, GroupSectionNeedsAllFourKeys) {
    WriteFileText(ini, "[Options]\nAutoCheck=1\n[Partial]\nUserID=a\nPassword=b\nType=0\n"
                       "[Empty]\nUserID=\nPassword=\nType=\nNumOfHosts=\n");
    EXPECT_FALSE(IsGroupSection(ini, "Options"));
    EXPECT_FALSE(IsGroupSection(ini, "Partial"));
    EXPECT_TRUE(IsGroupSection(ini, "Empty"));

    // A group saved without a password is not a group.
    TDynAcc noPassword = Group(1);
    noPassword.Password.clear();
    SaveGroup(ini, "NoPass", noPassword);
    EXPECT_FALSE(IsGroupSection(ini, "NoPass"));
}

TEST_F(DynAccTest, CountsGroupsHostsAndDisabledOnesInFileOrder) {
    EXPECT_FALSE(AnyGroup(ini));
    SaveGroup(ini, "B", Group(2));
    TDynAcc off = Group(3);
    off.Enable = false;
    SaveGroup(ini, "A", off);
    IniWriteString(ini, "Options", "AutoCheck", "1");
    SaveGroup(ini, "C", Group(1));
    const TGroupCounts counts = CountGroups(ini);
    EXPECT_EQ(counts.Groups, 3);
    EXPECT_EQ(counts.DisabledGroups, 1);
    EXPECT_EQ(counts.Hosts, 6);
    EXPECT_EQ(counts.DisabledHosts, 3);
    EXPECT_EQ(counts.Names, (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_TRUE(AnyGroup(ini));
}

TEST_F(DynAccTest, SplitNames) {
    EXPECT_EQ(SplitGroupName("Home", SystemStatdns), "Home (statdns)");
    EXPECT_FALSE(SplitNameTaken(ini, "Home"));
    SaveGroup(ini, "Home (custom)", Group(1));
    EXPECT_TRUE(SplitNameTaken(ini, "home"));
    EXPECT_FALSE(SplitNameTaken(ini, "Office"));
}

TEST_F(DynAccTest, StoredHostCountAboveCapacityLoadsTwentyAndLeavesTheFile) {
    std::string text = "[Big]\nUserID=u\nPassword=\nType=0\nNumOfHosts=25\n";
    for (int i = 1; i <= 25; ++i)
        text += "Host" + std::to_string(i) + "=h" + std::to_string(i) + "\n";
    WriteFileText(ini, text);
    TDynAcc g;
    LoadGroup(ini, "Big", g);
    EXPECT_EQ(g.NumOfHosts, 20);
    EXPECT_EQ(g.Hosts[19], "h20");
    EXPECT_EQ(ReadFileText(ini), text);
}

TEST_F(DynAccTest, LastUpdateStampsAndTheFutureFix) {
    SaveGroup(ini, "Home", Group(1));
    // Never updated: a year ahead, so never due for a forced update.
    EXPECT_EQ(ReadGroupLastUpdate(ini, "Home"), clock.Now().AddDays(365));
    IniWriteString(ini, "Home", "LastUpdate", "garbage");
    EXPECT_EQ(ReadGroupLastUpdate(ini, "Home"), clock.Now().AddDays(365));

    const TDateTime past = clock.Now().AddDays(-2);
    IniWriteString(ini, "Home", "LastUpdate", EncodeStamp(past));
    FixFutureLastUpdate(ini, "Home");
    EXPECT_EQ(ReadGroupLastUpdate(ini, "Home"), past);

    IniWriteString(ini, "Home", "LastUpdate", EncodeStamp(clock.Now().AddDays(2)));
    FixFutureLastUpdate(ini, "Home");
    EXPECT_EQ(ReadGroupLastUpdate(ini, "Home"), clock.Now());

    IniWriteString(ini, "Home", "Enable", "0");
    IniWriteString(ini, "Home", "LastUpdate", EncodeStamp(clock.Now().AddDays(2)));
    FixFutureLastUpdate(ini, "Home");
    EXPECT_EQ(ReadGroupLastUpdate(ini, "Home"), clock.Now().AddDays(2));
}

TEST_F(DynAccTest, DeleteAndRename) {
    SaveGroup(ini, "Old", Group(2));
    IniWriteString(ini, "Old", "UpdateResult", "4");
    RenameGroup(ini, "Old", "New", Group(2));
    EXPECT_FALSE(IniSectionExists(ini, "Old"));
    EXPECT_TRUE(IsGroupSection(ini, "New"));
    EXPECT_EQ(ReadGroupResult(ini, "New"), 0);
    DeleteGroup(ini, "New");
    EXPECT_FALSE(AnyGroup(ini));
}

TEST_F(DynAccTest, ResultKeysNeverTakeAConfigurationKeyName) {
    for (const char* name : {"UserID", "password", "Host1", "HOST20", "NumOfHosts", "IP", "ReturnStr"})
        EXPECT_TRUE(IsGroupConfigKey(name)) << name;
    for (const char* name : {"Host21", "Host01", "host.example.net", "Hosts", "Host"})
        EXPECT_FALSE(IsGroupConfigKey(name)) << name;
}

} // namespace
