#include "log/LogFileName.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"

#include "LogTestSupport.h"

namespace hostaq {
namespace {

using test::Exists;
using test::WriteFileText;

TDateTime At(int y, int m, int d, int h = 12, int n = 0, int s = 0) {
    return TDateTime::FromParts(y, m, d, h, n, s);
}

TEST(WeekOfYearTest, WeeksCountFromTheMondayAfterNewYear) {
    // 2007 starts on a Monday: week 1 starts on 8 January, a full week before it is week 0.
    EXPECT_EQ(WeekOfYear(At(2007, 1, 1, 0, 0, 0)), 0);
    EXPECT_EQ(WeekOfYear(At(2007, 1, 1, 0, 0, 1)), 1); // the time of day takes part
    EXPECT_EQ(WeekOfYear(At(2007, 1, 7, 23, 59, 59)), 1);
    EXPECT_EQ(WeekOfYear(At(2007, 1, 8, 0, 0, 0)), 1);
    EXPECT_EQ(WeekOfYear(At(2007, 12, 31, 23, 59)), 52);
    // 2006 starts on a Sunday: week 1 starts on 9 January.
    EXPECT_EQ(WeekOfYear(At(2006, 1, 1)), 0);
    EXPECT_EQ(WeekOfYear(At(2006, 1, 2, 0, 0, 0)), 0);
    EXPECT_EQ(WeekOfYear(At(2006, 1, 8)), 1);
    EXPECT_EQ(WeekOfYear(At(2006, 12, 31)), 51);
    // 2008 starts on a Tuesday, 2000 on a Saturday: week 1 starts on the first Monday.
    EXPECT_EQ(WeekOfYear(At(2008, 1, 1, 0, 0, 0)), 1);
    EXPECT_EQ(WeekOfYear(At(2000, 1, 1)), 1);
    EXPECT_EQ(WeekOfYear(At(2000, 1, 10, 0, 0, 0)), 2);
}

TEST(LogFileNameTest, NamesByPeriod) {
    const TDateTime d = At(2007, 12, 31, 23, 59);
    EXPECT_EQ(LogFileNameAt("/App/Hostaq", LogPeriodDay, d), "/App/Hostaq20071231.log");
    EXPECT_EQ(LogFileNameAt("/App/Hostaq", LogPeriodWeek, At(2007, 2, 5)), "/App/Hostaq20075.log");
    EXPECT_EQ(LogFileNameAt("/App/Hostaq", LogPeriodWeek, At(2007, 12, 17)), "/App/Hostaq200750.log");
    EXPECT_EQ(LogFileNameAt("/App/Hostaq", LogPeriodMonth, At(2008, 1, 5)), "/App/Hostaq200801.log");
    EXPECT_EQ(LogFileNameAt("/App/Hostaq", 5, d), "/App/Hostaq.log");

    EXPECT_EQ(LogFileStem("/etc/hostaq.ini"), "/etc/hostaq");
    EXPECT_EQ(LogFileStem("/etc/hostaq.d/hostaq"), "/etc/hostaq.d/hostaq");
    EXPECT_EQ(LogFileStem("/srv/my.hostaq.ini"), "/srv/my.hostaq");
    EXPECT_EQ(LogFileStem("hostaq.ini"), "hostaq");
}

class LogFileNameForTest : public test::TLogFixture {
protected:
    std::string Stem() const { return dir_.File("hostaq"); }
    void SetPeriod(int changeLogInt, int logKept) {
        IniWriteInteger(configPath_, "Logging", "ChangeLogInt", changeLogInt);
        IniWriteInteger(configPath_, "Logging", "LogKept", logKept);
    }
};

TEST_F(LogFileNameForTest, UsesTheSettingAndRemembersTheName) {
    EXPECT_EQ(LogFileNameFor(configPath_), Stem() + "20071231.log");
    EXPECT_EQ(ReadString(Keys::LogFile), Stem() + "20071231.log");
    IniWriteInteger(configPath_, "Logging", "ChangeLogInt", 1);
    EXPECT_EQ(LogFileNameFor(configPath_), Stem() + "200752.log");
    IniWriteInteger(configPath_, "Logging", "ChangeLogInt", 2);
    EXPECT_EQ(LogFileNameFor(configPath_), Stem() + "200712.log");
    clock_.AdvanceSecs(60); // the turn of the year
    EXPECT_EQ(LogFileNameFor(configPath_), Stem() + "200801.log");
    EXPECT_EQ(ReadString(Keys::LogFile), Stem() + "200801.log");
    IniWriteInteger(configPath_, "Logging", "ChangeLogInt", 9);
    EXPECT_EQ(LogFileNameFor(configPath_), Stem() + ".log");
}

TEST_F(LogFileNameForTest, DeleteOldLogDeletesExactlyOneDailyFile) {
    SetPeriod(LogPeriodDay, 6);
    clock_.Set(At(2007, 12, 20, 10, 0));
    for (int day = 11; day <= 20; ++day)
        WriteFileText(Stem() + "200712" + std::to_string(day) + ".log", "x");
    DeleteOldLog(configPath_, Stem() + "20071220.log");
    for (int day = 11; day <= 20; ++day)
        EXPECT_EQ(Exists(Stem() + "200712" + std::to_string(day) + ".log"), day != 13) << day;

    // The default of LogKept is 6 as well; a missing file is no failure.
    IniDeleteKey(configPath_, "Logging", "LogKept");
    clock_.Set(At(2007, 12, 21, 10, 0));
    DeleteOldLog(configPath_, Stem() + "20071221.log");
    EXPECT_FALSE(Exists(Stem() + "20071214.log"));
    DeleteOldLog(configPath_, Stem() + "20071221.log");
    EXPECT_TRUE(Exists(Stem() + "20071212.log"));
}

TEST_F(LogFileNameForTest, DeleteOldLogWeeklyAndMonthly) {
    // Weekly: 7 * (2 + 1) days before 20 December 2007 is 29 November, week 47.
    SetPeriod(LogPeriodWeek, 2);
    clock_.Set(At(2007, 12, 20));
    WriteFileText(Stem() + "200746.log", "x");
    WriteFileText(Stem() + "200747.log", "x");
    WriteFileText(Stem() + "200748.log", "x");
    DeleteOldLog(configPath_, Stem() + "200750.log");
    EXPECT_TRUE(Exists(Stem() + "200746.log"));
    EXPECT_FALSE(Exists(Stem() + "200747.log"));
    EXPECT_TRUE(Exists(Stem() + "200748.log"));

    // Monthly: one month before 31 March 2008 is 29 February (the day kept where it can be).
    SetPeriod(LogPeriodMonth, 0);
    clock_.Set(At(2008, 3, 31));
    WriteFileText(Stem() + "200801.log", "x");
    WriteFileText(Stem() + "200802.log", "x");
    DeleteOldLog(configPath_, Stem() + "200803.log");
    EXPECT_TRUE(Exists(Stem() + "200801.log"));
    EXPECT_FALSE(Exists(Stem() + "200802.log"));
    // Across the year: 6 + 1 months before January 2008 is June 2007.
    SetPeriod(LogPeriodMonth, 6);
    clock_.Set(At(2008, 1, 15));
    WriteFileText(Stem() + "200706.log", "x");
    DeleteOldLog(configPath_, Stem() + "200801.log");
    EXPECT_FALSE(Exists(Stem() + "200706.log"));
}

TEST_F(LogFileNameForTest, DeleteOldLogNeverDeletesTheCurrentFile) {
    // One file for ever.
    SetPeriod(5, 0);
    WriteFileText(Stem() + ".log", "x");
    DeleteOldLog(configPath_, Stem() + ".log");
    EXPECT_TRUE(Exists(Stem() + ".log"));

    // A hand-edited negative LogKept never reaches today's file, which is the current one.
    SetPeriod(LogPeriodDay, -1);
    WriteFileText(Stem() + "20071231.log", "x");
    DeleteOldLog(configPath_, Stem() + "20071231.log");
    EXPECT_TRUE(Exists(Stem() + "20071231.log"));
}

TEST_F(LogFileNameForTest, HandEditedLogKeptIsHeldToItsRange) {
    // The largest number the file can hold would overflow the date arithmetic: it keeps 999
    // periods, so the file of 1000 days ago goes.
    SetPeriod(LogPeriodDay, 2147483647);
    WriteFileText(Stem() + "20050405.log", "x");
    WriteFileText(Stem() + "20050406.log", "x");
    DeleteOldLog(configPath_, Stem() + "20071231.log");
    EXPECT_FALSE(Exists(Stem() + "20050405.log"));
    EXPECT_TRUE(Exists(Stem() + "20050406.log"));
    SetPeriod(LogPeriodMonth, 2147483647);
    EXPECT_NO_THROW(DeleteOldLog(configPath_, Stem() + "200712.log"));
    // A negative one keeps nothing but the current period.
    SetPeriod(LogPeriodDay, -1000);
    WriteFileText(Stem() + "20071230.log", "x");
    DeleteOldLog(configPath_, Stem() + "20071231.log");
    EXPECT_FALSE(Exists(Stem() + "20071230.log"));
}

} // namespace
} // namespace hostaq
