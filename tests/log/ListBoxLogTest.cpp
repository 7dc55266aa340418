#include "log/ListBoxLog.h"

#include "LogTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hostaq {
namespace {

using test::ReadFileText;
using test::WriteFileText;

class ListBoxLogTest : public test::TLogFixture {
protected:
    bool Add(int kind, const std::string& text) {
        std::string error;
        const bool ok = list_.AddLog(kind, text, error);
        EXPECT_EQ(ok, error.empty()) << error;
        return ok;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TLogItem& item : list_.Items())
            texts.push_back(item.Text);
        return texts;
    }

    TVemoListBoxLog list_;
};

TEST_F(ListBoxLogTest, MaxLogLineDropsTheOldestItem) {
    list_.SetMaxLogLine(3);
    std::vector<TLogListChange> changes;
    list_.SetOnChange([&](TLogListChange change) { changes.push_back(change); });
    for (int i = 1; i <= 4; ++i)
        Add(LogNormal, "entry " + std::to_string(i));
    EXPECT_EQ(Texts(), (std::vector<std::string>{" 23:59:00 - 12/31/2007 - entry 2",
                                                 " 23:59:00 - 12/31/2007 - entry 3",
                                                 " 23:59:00 - 12/31/2007 - entry 4"}));
    EXPECT_EQ(list_.ItemIndex(), 2);
    EXPECT_EQ(changes, (std::vector<TLogListChange>{TLogListChange::Added, TLogListChange::Added,
                                                    TLogListChange::Added, TLogListChange::Added,
                                                    TLogListChange::RemovedFirst}));

    // A lowered maximum is reached with the next item.
    list_.SetMaxLogLine(1);
    list_.AddToScreen(ColourCodeMinor, "last");
    ASSERT_EQ(list_.Count(), 1);
    EXPECT_EQ(list_.Item(0), (TLogItem{" last", ColourCodeMinor}));

    list_.ClearLog();
    EXPECT_EQ(list_.Count(), 0);
    EXPECT_EQ(list_.ItemIndex(), -1);
    EXPECT_EQ(changes.back(), TLogListChange::Cleared);
}

TEST_F(ListBoxLogTest, NewFileHasTheHeaderAndEntryLinesByteForByte) {
    const std::string file = dir_.File("hostaq20071231.log");
    list_.SetLogFileName(file);
    list_.SetMyAppName("Hostaq Updater - Version 3.2.0 (Build 17) - Beta");
    clock_.Set(TDateTime::FromParts(2007, 12, 31, 14, 3, 22));
    EXPECT_TRUE(Add(LogProcess, "Update process starts."));
    clock_.AdvanceSecs(1);
    EXPECT_TRUE(Add(LogError, "failed"));
    EXPECT_EQ(ReadFileText(file), "Hostaq Updater - Version 3.2.0 (Build 17) - Beta log file. Created on "
                                  "14:03:22 - 12/31/2007.\n"
                                  "\n"
                                  "[005] - 14:03:22 - 12/31/2007 - Update process starts.\n"
                                  "[004] - 14:03:23 - 12/31/2007 - failed\n");
    EXPECT_EQ(list_.Item(0),
              (TLogItem{" 14:03:22 - 12/31/2007 - Update process starts.", ColourCodeProcess}));

    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ListBoxLogTest, EveryKindHasItsMarkerAndColour) {
    const std::string file = dir_.File("kinds.log");
    WriteFileText(file, ""); // an existing file gets no header
    list_.SetLogFileName(file);
    list_.SetDateFormat("yyyy");
    list_.SetTimeFormat("HH");
    const int kinds[] = {LogError, LogWarning, LogProcess, LogNormal, LogMinor, LogProgram, 6, -1};
    for (int kind : kinds)
        Add(kind, "k");
    EXPECT_EQ(ReadFileText(file), "[004] - 23 - 2007 - k\n[003] - 23 - 2007 - k\n[005] - 23 - 2007 - k\n"
                                  "[002] - 23 - 2007 - k\n[006] - 23 - 2007 - k\n[001] - 23 - 2007 - k\n"
                                  "[007] - 23 - 2007 - k\n[007] - 23 - 2007 - k\n");
    std::vector<int> codes;
    for (const TLogItem& item : list_.Items())
        codes.push_back(item.ColourCode);
    EXPECT_EQ(codes, (std::vector<int>{32768, 16384, 2048, 128, 64, 8, 1, 1}));

    EXPECT_EQ(LogColoursFor(32768).Background, ColourRed);
    EXPECT_EQ(LogColoursFor(32768).Text, ColourWhite);
    EXPECT_EQ(LogColoursFor(16384).Background, ColourYellow);
    EXPECT_EQ(LogColoursFor(2048).Background, ColourBlue);
    EXPECT_EQ(LogColoursFor(128).Background, ColourWhite);
    EXPECT_EQ(LogColoursFor(128).Text, ColourBlack);
    EXPECT_EQ(LogColoursFor(64).Background, ColourGrey);
    EXPECT_EQ(LogColoursFor(8).Background, ColourGreen);
    EXPECT_EQ(LogColoursFor(1).Background, ColourSilver);
    EXPECT_EQ(LogColoursFor(12345).Background, ColourSilver);
}

TEST_F(ListBoxLogTest, SwitchesAndLineBreaks) {
    const std::string file = dir_.File("switch.log");
    list_.SetLogFileName(file);
    list_.SetLogToFile(false);
    Add(LogNormal, "screen only");
    EXPECT_FALSE(test::Exists(file));
    EXPECT_EQ(list_.Count(), 1);

    list_.SetLogToFile(true);
    list_.SetLogToScreen(false);
    Add(LogNormal, "file only");
    EXPECT_EQ(list_.Count(), 1);
    EXPECT_NE(ReadFileText(file).find("[002] - 23:59:00 - 12/31/2007 - file only\n"), std::string::npos);

    // A text from outside cannot forge a second line in the file.
    list_.SetLogToScreen(true);
    Add(LogNormal, "two\r\n[004] - lines");
    EXPECT_NE(ReadFileText(file).find("- two  [004] - lines\n"), std::string::npos);
    EXPECT_EQ(list_.Item(1).Text, " 23:59:00 - 12/31/2007 - two  [004] - lines");
}

TEST_F(ListBoxLogTest, ReloadMapsMarkersBackAndKeepsTheTail) {
    const std::string file = dir_.File("reload.log");
    WriteFileText(file, "Vemo Application log file. Created on 10:00:00 - 01/02/2007.\r\n"
                        "\r\n"
                        "[004] - 10:00:00 - 01/02/2007 - failed\r\n"
                        "[001] - 10:00:01 - 01/02/2007 - started\n"
                        "[002] - normal\n"
                        "[003] - warning\n"
                        "[005] - process\n"
                        "\n"
                        "[006] - minor\n"
                        "[007] - other kind\n"
                        "[zzz] - odd marker\n"
                        "x [ short\n"
                        "[004]");
    list_.SetLogFileName(file);
    std::vector<TLogListChange> changes;
    list_.SetOnChange([&](TLogListChange change) { changes.push_back(change); });
    EXPECT_TRUE(list_.LoadFromLogFile());
    EXPECT_EQ(changes, std::vector<TLogListChange>{TLogListChange::Reloaded});
    const std::vector<TLogItem> expected = {
        {" 10:00:00 - 01/02/2007 - failed", 32768},
        {" 10:00:01 - 01/02/2007 - started", 8},
        {" normal", 128},
        {" warning", 16384},
        {" process", 2048},
        {" minor", 64},
        {" other kind", 128},
        {" odd marker", 128},
        {" t", 128}, // "x [ short" from its 9th character
        {" ", 32768},
    };
    EXPECT_EQ(std::vector<TLogItem>(list_.Items().begin(), list_.Items().end()), expected);

    // Only the last MaxLogLine lines count, empty and header lines among them.
    list_.ClearLog();
    list_.SetMaxLogLine(6);
    EXPECT_TRUE(list_.LoadFromLogFile());
    ASSERT_EQ(list_.Count(), 5);
    EXPECT_EQ(list_.Item(0).Text, " minor");

    // Nothing on screen when the screen is off; a missing file leaves the list alone.
    list_.ClearLog();
    list_.SetLogToScreen(false);
    EXPECT_TRUE(list_.LoadFromLogFile());
    EXPECT_EQ(list_.Count(), 0);
    list_.SetLogToScreen(true);
    list_.SetLogFileName(dir_.File("missing.log"));
    EXPECT_FALSE(list_.LoadFromLogFile());
    EXPECT_EQ(list_.Count(), 0);
}

// What another user or a mistake puts at the log's path is never waited on or read without end.
TEST_F(ListBoxLogTest, OnlyARegularFileIsReadBack) {
    const std::string fifo = dir_.File("fifo.log");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    list_.SetLogFileName(fifo);
    EXPECT_FALSE(list_.LoadFromLogFile()) << "returns at once, with no writer at the other end";
    list_.SetLogFileName("/dev/zero");
    EXPECT_FALSE(list_.LoadFromLogFile());
    const std::string real = dir_.File("real.log");
    WriteFileText(real, "[002] - 10:00:00 - 01/02/2007 - kept\n");
    const std::string link = dir_.File("link.log");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    list_.SetLogFileName(link);
    list_.LoadFromLogFile();
    EXPECT_EQ(list_.Count(), 0) << "the log is not written through a link either";
    list_.SetLogFileName(real);
    EXPECT_TRUE(list_.LoadFromLogFile());
    ASSERT_EQ(list_.Count(), 1);
    EXPECT_EQ(list_.Item(0).Text, " 10:00:00 - 01/02/2007 - kept");
}

} // namespace
} // namespace hostaq
