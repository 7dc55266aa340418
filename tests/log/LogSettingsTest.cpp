#include "log/LogSettings.h"

#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "config/Version.h"
#include "log/LogFileName.h"

#include "LogTestSupport.h"

namespace hostaq {
namespace {

using test::ReadFileText;
using test::WriteFileText;

class LogSettingsTest : public test::TLogFixture {
protected:
    std::string TodayFile() const { return dir_.File("hostaq20071231.log"); }
    std::vector<TLogItem> Items() {
        TLogLock lock;
        return {LogList().Items().begin(), LogList().Items().end()};
    }
};

TEST_F(LogSettingsTest, StartReadsTheSettingsReloadsAndSaysStarted) {
    IniWriteString(configPath_, "Logging", "MaxLogLines", "3");
    IniWriteString(configPath_, "Options", "DateFormat", "dd.MM.yyyy");
    IniWriteString(configPath_, "Options", "TimeFormat", "HH:nn");
    WriteFileText(TodayFile(), "old header\n\n[002] - one\n[003] - two\n[004] - three\n");
    SetCurrentLogFileName(LogFileNameFor(configPath_));

    ApplyLogSettings(false);
    EXPECT_EQ(LogList().LogFileName(), TodayFile());
    EXPECT_EQ(LogList().MyAppName(), BuildUserAgent());
    EXPECT_EQ(LogList().MaxLogLine(), 3);
    EXPECT_EQ(Items(), (std::vector<TLogItem>{{" two", ColourCodeWarning},
                                              {" three", ColourCodeError},
                                              {" 23:59 - 31.12.2007 - Hostaq Updater started...", 8}}));
    EXPECT_EQ(ReadFileText(TodayFile()), "old header\n\n[002] - one\n[003] - two\n[004] - three\n"
                                         "[001] - 23:59 - 31.12.2007 - Hostaq Updater started...\n");

    ApplyLogSettings(false, true);
    EXPECT_EQ(Items().back().Text, " 23:59 - 31.12.2007 - Hostaq Updater started (as service)...");
}

TEST_F(LogSettingsTest, ScreenAndFileSwitchesAndMalformedValues) {
    InstallLogWarningReporter();
    IniWriteString(configPath_, "Logging", "LogToFile", "0");
    IniWriteString(configPath_, "Logging", "MaxLogLines", "many");
    SetCurrentLogFileName(LogFileNameFor(configPath_));
    ApplyLogSettings(false);
    EXPECT_FALSE(test::Exists(TodayFile()));
    EXPECT_EQ(LogList().MaxLogLine(), 500); // the default, with a warning entry
    ASSERT_EQ(Items().size(), 2u);
    EXPECT_EQ(Items()[0].ColourCode, ColourCodeWarning);

    IniWriteString(configPath_, "Logging", "LogToFile", "1");
    IniWriteString(configPath_, "Logging", "LogToScreen", "0");
    ApplyLogSettings(false);
    EXPECT_TRUE(Items().empty());
    EXPECT_NE(ReadFileText(TodayFile()).find("Hostaq Updater started..."), std::string::npos);
}

TEST_F(LogSettingsTest, RestartShowsTheSameHistory) {
    SetCurrentLogFileName(LogFileNameFor(configPath_));
    ApplyLogSettings(false);
    AddLog(LogError, "failed");
    const std::vector<TLogItem> before = Items();

    ResetLogger(); // a new process
    SetCurrentLogFileName(LogFileNameFor(configPath_));
    ApplyLogSettings(false);
    std::vector<TLogItem> after = Items();
    ASSERT_EQ(after.size(), before.size() + 1);
    after.pop_back();
    EXPECT_EQ(after, before);
}

TEST_F(LogSettingsTest, RotationClosesTheOldFileAndStartsTheNewOne) {
    SetConfigPath(""); // before the configuration file is known nothing happens
    EXPECT_FALSE(RotateLogIfDue());
    SetConfigPath(configPath_);

    SetCurrentLogFileName(LogFileNameFor(configPath_));
    ApplyLogSettings(false);
    AddLog(LogNormal, "before midnight");
    EXPECT_FALSE(RotateLogIfDue());

    clock_.AdvanceSecs(120);
    EXPECT_TRUE(RotateLogIfDue());
    const std::string newFile = dir_.File("hostaq20080101.log");
    EXPECT_EQ(CurrentLogFileName(), newFile);
    EXPECT_EQ(ReadString(Keys::LogFile), newFile);
    const std::string oldText = ReadFileText(TodayFile());
    EXPECT_EQ(oldText.substr(oldText.find("[001]")),
              "[001] - 23:59:00 - 12/31/2007 - Hostaq Updater started...\n"
              "[002] - 23:59:00 - 12/31/2007 - before midnight\n"
              "[002] - 00:01:00 - 01/01/2008 - Rotating log file...\n");
    EXPECT_EQ(ReadFileText(newFile), BuildUserAgent() +
                                         " log file. Created on 00:01:00 - 01/01/2008.\n\n"
                                         "[001] - 00:01:00 - 01/01/2008 - Rotating log file...\n");
    EXPECT_EQ(Items(), (std::vector<TLogItem>{{" 00:01:00 - 01/01/2008 - Rotating log file...", 8}}));
    EXPECT_FALSE(RotateLogIfDue());
}

TEST_F(LogSettingsTest, FileNameIsWorkedOutWhenTheConfigurationIsLocated) {
    InstallLogging();
    IniWriteString(configPath_, "Logging", "ChangeLogInt", "2");
    ASSERT_TRUE(LocateConfigFile({configPath_}, dir_.File("hostaq")));
    EXPECT_EQ(CurrentLogFileName(), dir_.File("hostaq200712.log"));
    // Stored once the log is set up, not by locating the file: a command refused before any
    // work leaves the file as it was.
    EXPECT_EQ(ReadString(Keys::LogFile), "");
    ApplyLogSettings(false);
    EXPECT_EQ(ReadString(Keys::LogFile), dir_.File("hostaq200712.log"));
}

} // namespace
} // namespace hostaq
