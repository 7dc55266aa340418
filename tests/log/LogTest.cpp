#include "log/Log.h"

#include "config/ErrorReporter.h"

#include "LogTestSupport.h"

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace hostaq {
namespace {

using test::ReadFileText;
using test::WriteFileText;

using TEntries = std::vector<std::pair<int, std::string>>;

class LogTest : public test::TLogFixture {
protected:
    // Collects what the sinks receive.
    int CollectEntries() {
        return AddLogSink([this](int kind, const std::string& text) { entries_.emplace_back(kind, text); });
    }
    std::vector<std::string> ListTexts() {
        TLogLock lock;
        std::vector<std::string> texts;
        for (const TLogItem& item : LogList().Items())
            texts.push_back(item.Text);
        return texts;
    }
    int CountErrorItems() {
        TLogLock lock;
        int n = 0;
        for (const TLogItem& item : LogList().Items())
            n += item.ColourCode == ColourCodeError;
        return n;
    }

    // Where the file cannot be written the entry still reaches the list and the sinks, nothing
    // is thrown, and the failure is reported once until the file works again.
    void ExpectFailureReportedOnce(const std::string& badPath) {
        LogList().SetLogFileName(badPath);
        testing::internal::CaptureStderr();
        EXPECT_NO_THROW(AddLog(LogNormal, "first"));
        EXPECT_NO_THROW(AddLog(LogWarning, "second"));
        const std::string err = testing::internal::GetCapturedStderr();

        ASSERT_EQ(entries_.size(), 3u);
        EXPECT_EQ(entries_[0], (std::pair<int, std::string>{LogNormal, "first"}));
        EXPECT_EQ(entries_[1].first, LogError);
        EXPECT_EQ(entries_[1].second.rfind("Cannot write to the log file " + badPath + ": ", 0), 0u)
            << entries_[1].second;
        EXPECT_EQ(entries_[2], (std::pair<int, std::string>{LogWarning, "second"}));
        EXPECT_EQ(err, entries_[1].second + "\n");
        EXPECT_EQ(CountErrorItems(), 1);
        EXPECT_EQ(LogList().Count(), 3);
    }

    TEntries entries_;
};

TEST_F(LogTest, EntryReachesListFileAndSinks) {
    const std::string file = dir_.File("hostaq20071231.log");
    LogList().SetLogFileName(file);
    const int id = CollectEntries();
    AddLog(LogProcess, "Update process starts.");
    EXPECT_EQ(ListTexts(), std::vector<std::string>{" 23:59:00 - 12/31/2007 - Update process starts."});
    EXPECT_EQ(ReadFileText(file), "Vemo Application log file. Created on 23:59:00 - 12/31/2007.\n\n"
                                  "[005] - 23:59:00 - 12/31/2007 - Update process starts.\n");
    EXPECT_EQ(entries_, (TEntries{{LogProcess, "Update process starts."}}));
    EXPECT_EQ(FormatLogLine("x"), "23:59:00 - 12/31/2007 - x");

    // A text from outside cannot forge a line of the file or of the headless output.
    AddLog(LogNormal, "two\r\n[004] - lines");
    EXPECT_EQ(entries_.back().second, "two  [004] - lines");

    RemoveLogSink(id);
    AddLog(LogNormal, "after removal");
    EXPECT_EQ(entries_.size(), 2u);
}

TEST_F(LogTest, ResetLoggerGivesAFreshLogger) {
    LogList().SetMaxLogLine(2);
    LogList().SetLogFileName(dir_.File("a.log"));
    SetCurrentLogFileName(dir_.File("a.log"));
    CollectEntries();
    AddLog(LogNormal, "one");
    ResetLogger();
    EXPECT_EQ(LogList().Count(), 0);
    EXPECT_EQ(LogList().MaxLogLine(), 500);
    EXPECT_EQ(LogList().LogFileName(), "");
    EXPECT_EQ(CurrentLogFileName(), "");
    AddLog(LogNormal, "two");
    EXPECT_EQ(entries_.size(), 1u); // the sink is gone
}

TEST_F(LogTest, LogPathIsAFolder) {
    const std::string bad = dir_.File("folder.log");
    ASSERT_EQ(::mkdir(bad.c_str(), 0700), 0);
    CollectEntries();
    ExpectFailureReportedOnce(bad);

    // Tried again with every entry: once it works the entry lands, and a new failure is told.
    ASSERT_EQ(::rmdir(bad.c_str()), 0);
    AddLog(LogNormal, "third");
    EXPECT_NE(ReadFileText(bad).find("[002] - 23:59:00 - 12/31/2007 - third\n"), std::string::npos);
    ASSERT_EQ(::unlink(bad.c_str()), 0);
    ASSERT_EQ(::mkdir(bad.c_str(), 0700), 0);
    testing::internal::CaptureStderr();
    AddLog(LogNormal, "fourth");
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_EQ(CountErrorItems(), 2);
}

TEST_F(LogTest, LogPathUnderARegularFile) {
    const std::string blocker = dir_.File("plain");
    WriteFileText(blocker, "not a folder");
    CollectEntries();
    ExpectFailureReportedOnce(blocker + "/hostaq20071231.log");
    EXPECT_EQ(ReadFileText(blocker), "not a folder");
}

TEST_F(LogTest, PlantedLinkUnderTheLogNameIsNotFollowed) {
    // Another user plants a link where the service's next log file will be.
    const std::string victim = dir_.File("victim");
    WriteFileText(victim, "precious\n");
    const std::string log = dir_.File("hostaq20071231.log");
    ASSERT_EQ(::symlink(victim.c_str(), log.c_str()), 0);
    CollectEntries();
    ExpectFailureReportedOnce(log);
    EXPECT_EQ(ReadFileText(victim), "precious\n");
    EXPECT_EQ(ListTexts().front(), " 23:59:00 - 12/31/2007 - first");
    // A dangling link does not make the file appear at its target either.
    ASSERT_EQ(::unlink(victim.c_str()), 0);
    testing::internal::CaptureStderr();
    AddLog(LogNormal, "third");
    testing::internal::GetCapturedStderr();
    EXPECT_NE(::access(victim.c_str(), F_OK), 0);

    // A new file is made private: entries name accounts.
    const std::string fresh = dir_.File("fresh.log");
    LogList().SetLogFileName(fresh);
    AddLog(LogNormal, "entry");
    struct stat st {};
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(LogTest, ControlCharactersNeverReachTheFileOrTheTerminal) {
    const std::string file = dir_.File("hostaq20071231.log");
    LogList().SetLogFileName(file);
    CollectEntries();
    AddLog(LogNormal, "a\x1b[2Jb\tc\x07" "d\x7f\xc2\x9b"
                      "31me\xc3\xa9");
    EXPECT_EQ(entries_.back().second, "a [2Jb\tc d  31me\xc3\xa9");
    EXPECT_NE(ReadFileText(file).find("[002] - 23:59:00 - 12/31/2007 - a [2Jb\tc d  31me\xc3\xa9\n"),
              std::string::npos);
}

TEST_F(LogTest, ReadOnlyLogFolder) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root";
    const std::string folder = dir_.File("readonly");
    ASSERT_EQ(::mkdir(folder.c_str(), 0500), 0);
    CollectEntries();
    ExpectFailureReportedOnce(folder + "/hostaq20071231.log");
}

TEST_F(LogTest, FailureWithTheScreenOffStillReachesTheSinks) {
    LogList().SetLogToScreen(false);
    const std::string bad = dir_.File("folder.log");
    ASSERT_EQ(::mkdir(bad.c_str(), 0700), 0);
    LogList().SetLogFileName(bad);
    CollectEntries();
    testing::internal::CaptureStderr();
    AddLog(LogNormal, "entry");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(LogList().Count(), 0);
    ASSERT_EQ(entries_.size(), 2u);
    EXPECT_EQ(entries_[1].first, LogError);
}

TEST_F(LogTest, LoggingFromASinkIsDeliveredAfterTheEntry) {
    const std::string file = dir_.File("nested.log");
    LogList().SetLogFileName(file);
    CollectEntries();
    AddLogSink([](int, const std::string& text) {
        if (text == "outer")
            AddLog(LogMinor, "nested");
    });
    AddLogSink([](int, const std::string&) { throw std::runtime_error("a broken sink"); });
    LogList().SetOnChange([](TLogListChange) {
        // A view that logs while following the list.
        if (LogList().Count() == 1)
            AddLog(LogMinor, "from the view");
    });
    EXPECT_NO_THROW(AddLog(LogNormal, "outer"));
    EXPECT_EQ(entries_, (TEntries{{LogNormal, "outer"}, {LogMinor, "from the view"}, {LogMinor, "nested"}}));
    EXPECT_EQ(ReadFileText(file).substr(ReadFileText(file).find("\n\n") + 2),
              "[002] - 23:59:00 - 12/31/2007 - outer\n"
              "[006] - 23:59:00 - 12/31/2007 - from the view\n"
              "[006] - 23:59:00 - 12/31/2007 - nested\n");
}

TEST_F(LogTest, ConfigurationWarningsBecomeWarningEntries) {
    InstallLogWarningReporter();
    CollectEntries();
    ReportWarningOnce("Stored value is not a number");
    ReportWarningOnce("Stored value is not a number");
    EXPECT_EQ(entries_, (TEntries{{LogWarning, "Stored value is not a number"}}));
    ASSERT_EQ(LogList().Count(), 1);
    EXPECT_EQ(LogList().Item(0).ColourCode, ColourCodeWarning);
}

TEST_F(LogTest, EntriesFromManyThreadsStayWholeLines) {
    const std::string file = dir_.File("threads.log");
    LogList().SetLogFileName(file);
    LogList().SetMaxLogLine(50);
    std::atomic<int> seen{0};
    AddLogSink([&](int, const std::string&) { seen.fetch_add(1); });
    constexpr int Threads = 4, PerThread = 100;
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t)
        workers.emplace_back([t] {
            for (int i = 0; i < PerThread; ++i)
                AddLog(LogNormal, "worker " + std::to_string(t) + " entry " + std::to_string(i));
        });
    for (std::thread& w : workers)
        w.join();
    EXPECT_EQ(seen.load(), Threads * PerThread);
    EXPECT_EQ(LogList().Count(), 50);
    const std::string text = ReadFileText(file);
    int lines = 0;
    for (std::size_t pos = 0, nl; (nl = text.find('\n', pos)) != std::string::npos; pos = nl + 1) {
        const std::string line = text.substr(pos, nl - pos);
        if (line.find('[') != std::string::npos) {
            ++lines;
            EXPECT_EQ(line.rfind("[002] - 23:59:00 - 12/31/2007 - worker ", 0), 0u) << line;
        }
    }
    EXPECT_EQ(lines, Threads * PerThread);
}

} // namespace
} // namespace hostaq
