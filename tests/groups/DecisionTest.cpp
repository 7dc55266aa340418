#include "config/Clock.h"
#include "config/Stamp.h"
#include "groups/UpdateDecision.h"
#include "groups/UpdateReport.h"
#include "log/Log.h"

#include "ProtocolFixture.h"

using namespace hostaq;

namespace {

class DecisionTest : public test::TProtocolFixture {
protected:
    void SetUp() override {
        TProtocolFixture::SetUp();
        sink_ = AddLogSink([this](int kind, const std::string& text) { Log.push_back({kind, text}); });
        UpdateReport().Start("");
    }
    void TearDown() override {
        RemoveLogSink(sink_);
        TProtocolFixture::TearDown();
    }

    // A group that was updated with the address days ago.
    void Updated(const std::string& name, const std::string& ip, int daysAgo) {
        Save(name, Group({"a"}));
        Set(name, "NewConfig", "0");
        Set(name, "IP", ip);
        Set(name, "UpdateResult", "0");
        Set(name, "LastUpdate", EncodeStamp(Clock.Now().AddDays(-daysAgo)));
    }

    struct TEntry {
        int Kind;
        std::string Text;
        bool operator==(const TEntry&) const = default;
    };
    std::vector<TEntry> Log;
    TManualClock Clock{TDateTime::FromParts(2008, 3, 1, 12, 0, 0)};
    TClockGuard ClockGuard{&Clock};

private:
    int sink_ = 0;
};

TEST_F(DecisionTest, ForcedUpdateOnBothSidesOfTheInterval) {
    Updated("G", "192.0.2.1", 10);
    TUpdateDecision d = NeedsUpdate(Path, "G", "192.0.2.1", 28, false, false);
    EXPECT_FALSE(d.Send);
    EXPECT_EQ(d.Code, 0);
    EXPECT_EQ(Log, (std::vector<TEntry>{{LogNormal, "No need to update group G"}}));
    EXPECT_EQ(UpdateReport().Text(), "No need to update group G\r\n\r\n");
    EXPECT_FALSE(UpdateReport().ReportHasResults());

    Log.clear();
    d = NeedsUpdate(Path, "G", "192.0.2.1", 7, false, false);
    EXPECT_TRUE(d.Send);
    EXPECT_EQ(Log, (std::vector<TEntry>{{LogNormal, "Group G requires force update"}}));

    // Exactly at the end of the interval the update is due.
    Log.clear();
    EXPECT_TRUE(NeedsUpdate(Path, "G", "192.0.2.1", 10, false, false).Send);
}

TEST_F(DecisionTest, GroupThatNeverSucceededIsNeverForced) {
    Save("G", Group({"a"}));
    Set("G", "NewConfig", "0");
    Set("G", "IP", "192.0.2.1");
    EXPECT_FALSE(NeedsUpdate(Path, "G", "192.0.2.1", 0, false, false).Send);
    // A malformed stamp reads as missing, reported once.
    Set("G", "LastUpdate", "yesterday");
    EXPECT_FALSE(NeedsUpdate(Path, "G", "192.0.2.1", 0, false, false).Send);
    EXPECT_FALSE(NeedsUpdate(Path, "G", "192.0.2.1", 0, false, false).Send);
    EXPECT_EQ(Warnings.size(), 1u);
}

TEST_F(DecisionTest, ChangedAddressAndNewConfigurationSend) {
    Updated("G", "192.0.2.1", 1);
    Log.clear();
    EXPECT_TRUE(NeedsUpdate(Path, "G", "192.0.2.2", 28, false, false).Send);
    EXPECT_TRUE(Log.empty());

    Set("G", "NewConfig", "1");
    EXPECT_TRUE(NeedsUpdate(Path, "G", "192.0.2.1", 28, false, false).Send);
    EXPECT_EQ(Get("G", "NewConfig"), "0");
}

TEST_F(DecisionTest, BlockedGroupIsSkippedByAutomaticRunsOnly) {
    Updated("G", "192.0.2.1", 1);
    Set("G", "UpdateResult", "4");
    const TUpdateDecision d = NeedsUpdate(Path, "G", "192.0.2.9", 28, false, false);
    EXPECT_FALSE(d.Send);
    EXPECT_EQ(d.Code, 4);
    EXPECT_EQ(Log, (std::vector<TEntry>{{LogError, "Group G cannot be updated again"}}));
    EXPECT_EQ(UpdateReport().Text(), "Group G cannot be updated again\r\n\r\n");

    Log.clear();
    EXPECT_TRUE(NeedsUpdate(Path, "G", "192.0.2.9", 28, true, false).Send);
    EXPECT_TRUE(NeedsUpdate(Path, "G", "192.0.2.9", 28, false, true).Send);
    EXPECT_TRUE(Log.empty());

    // Saving the configuration again ends the block.
    Save("G", Group({"a"}));
    EXPECT_TRUE(NeedsUpdate(Path, "G", "192.0.2.1", 28, false, false).Send);
}

TEST_F(DecisionTest, DisabledGroupIsSkipped) {
    Updated("G", "192.0.2.1", 1);
    Set("G", "Enable", "0");
    Set("G", "NewConfig", "1");
    const TUpdateDecision d = NeedsUpdate(Path, "G", "192.0.2.2", 28, false, false);
    EXPECT_FALSE(d.Send);
    EXPECT_EQ(d.Code, 0);
    EXPECT_EQ(Log, (std::vector<TEntry>{{LogWarning, "Group G is disabled"}}));
    EXPECT_EQ(Get("G", "NewConfig"), "1");
}

TEST_F(DecisionTest, AnyGroupNeedsUpdateReasons) {
    Updated("A", "192.0.2.1", 1);
    Updated("B", "192.0.2.1", 1);
    const std::vector<std::string> groups{"A", "B"};

    TUpdateDue due = AnyGroupNeedsUpdate(Path, "192.0.2.2", "192.0.2.1", groups, false);
    EXPECT_TRUE(due.Due);
    EXPECT_EQ(due.Reason, "IP changes (192.0.2.1 > 192.0.2.2 [automatic])");
    EXPECT_EQ(AnyGroupNeedsUpdate(Path, "192.0.2.2", "192.0.2.1", groups, true).Reason,
              "IP changes (192.0.2.1 > 192.0.2.2 [manual])");

    due = AnyGroupNeedsUpdate(Path, "192.0.2.1", "192.0.2.1", groups, false);
    EXPECT_FALSE(due.Due);
    EXPECT_EQ(due.Reason, "");

    Set("B", "IP", "192.0.2.5");
    EXPECT_EQ(AnyGroupNeedsUpdate(Path, "192.0.2.1", "192.0.2.1", groups, false).Reason,
              "At least one group needs update");
    // Blocked and disabled groups do not count.
    Set("B", "UpdateResult", "4");
    EXPECT_FALSE(AnyGroupNeedsUpdate(Path, "192.0.2.1", "192.0.2.1", groups, false).Due);
    Set("B", "UpdateResult", "0");
    Set("B", "Enable", "0");
    Set("B", "NewConfig", "1");
    EXPECT_FALSE(AnyGroupNeedsUpdate(Path, "192.0.2.1", "192.0.2.1", groups, false).Due);
    Set("A", "NewConfig", "1");
    EXPECT_EQ(AnyGroupNeedsUpdate(Path, "192.0.2.1", "192.0.2.1", groups, false).Reason,
              "At least one group changes configurations");
}

TEST_F(DecisionTest, AnyGroupNeedsUpdateCorrectsFutureStamps) {
    Updated("A", "192.0.2.1", -2);
    AnyGroupNeedsUpdate(Path, "192.0.2.1", "192.0.2.1", {"A"}, false);
    EXPECT_EQ(Get("A", "LastUpdate"), EncodeStamp(Clock.Now()));
}

} // namespace
