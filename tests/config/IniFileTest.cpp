#include "config/IniFile.h"
#include "config/ErrorReporter.h"

#include "TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hostaq;
using hostaq::test::ReadFileText;
using hostaq::test::TTempDir;
using hostaq::test::WriteFileText;

namespace {

// Collects what the process-wide reporter receives during a test.
class TReportCapture {
public:
    TReportCapture() {
        SetErrorReporter([this](const std::string& text) { reports.push_back(text); });
    }
    ~TReportCapture() { SetErrorReporter({}); }
    std::vector<std::string> reports;
};

class IniFileTest : public ::testing::Test {
protected:
    TTempDir dir;
    std::string ini = dir.File("hostaq.ini");
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndIsNeverCreated) {
    EXPECT_EQ(IniReadString(ini, "Options", "Key", "def"), "def");
    EXPECT_EQ(IniReadInteger(ini, "Options", "Key", 7), 7);
    EXPECT_TRUE(IniReadBool(ini, "Options", "Key", true));
    EXPECT_FALSE(IniSectionExists(ini, "Options"));
    EXPECT_FALSE(IniValueExists(ini, "Options", "Key"));
    EXPECT_TRUE(IniReadSection(ini, "Options").empty());
    EXPECT_TRUE(IniReadSections(ini).empty());
    IniEraseSection(ini, "Options");
    IniTidy(ini);
    EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(IniFileTest, NamesMatchWithoutCaseAndValuesAreTrimmed) {
    WriteFileText(ini, "[Options]\n  CheckingInt =  12  \nName=  two words \t\n");
    EXPECT_EQ(IniReadInteger(ini, "OPTIONS", "checkingint", 5), 12);
    EXPECT_EQ(IniReadString(ini, "options", "NAME", ""), "two words");
    IniWriteString(ini, "OPTIONS", "name", "x");
    EXPECT_EQ(ReadFileText(ini), "[Options]\n  CheckingInt =  12  \nname=x\n");
}

TEST_F(IniFileTest, MalformedNumbersAndBooleansReadAsDefault) {
    WriteFileText(ini, "[A]\nI=12x\nB1=yes\nB2=0\nB3=2\nE=\nN=-4\n");
    EXPECT_EQ(IniReadInteger(ini, "A", "I", 3), 3);
    EXPECT_EQ(IniReadInteger(ini, "A", "E", 3), 3);
    EXPECT_EQ(IniReadInteger(ini, "A", "N", 3), -4);
    EXPECT_TRUE(IniReadBool(ini, "A", "B1", true));
    EXPECT_FALSE(IniReadBool(ini, "A", "B1", false));
    EXPECT_FALSE(IniReadBool(ini, "A", "B2", true));
    EXPECT_TRUE(IniReadBool(ini, "A", "B3", false));
}

TEST_F(IniFileTest, FirstKeyAndFirstSectionWinAndLinesWithoutEqualsAreIgnored) {
    WriteFileText(ini, "junk line\n[S]\nK=first\nno equals here\nK=second\n[s]\nK=third\nOther=1\n");
    EXPECT_EQ(IniReadString(ini, "S", "K", ""), "first");
    EXPECT_EQ(IniReadString(ini, "S", "Other", "none"), "none");
    EXPECT_EQ(IniReadSection(ini, "S"), (std::vector<std::string>{"K", "K"}));
}

TEST_F(IniFileTest, CrLfFilesAndByteOrderMarkAreReadAndKept) {
    WriteFileText(ini, "\xEF\xBB\xBF[Options]\r\nA=1\r\n[B]\r\nC=x y\r\n");
    EXPECT_EQ(IniReadString(ini, "Options", "A", ""), "1");
    EXPECT_EQ(IniReadString(ini, "B", "C", ""), "x y");
    EXPECT_EQ(IniReadSections(ini), (std::vector<std::string>{"Options", "B"}));
    IniWriteString(ini, "B", "D", "2");
    EXPECT_EQ(ReadFileText(ini), "\xEF\xBB\xBF[Options]\r\nA=1\r\n[B]\r\nC=x y\r\nD=2\r\n");
}

TEST_F(IniFileTest, WritesCreateFileAndSectionWithPrivateMode) {
    IniWriteInteger(ini, "Options", "CheckingInt", 9);
    IniWriteBool(ini, "Options", "AutoCheck", false);
    IniWriteString(ini, "Group A", "UserID", "me");
    EXPECT_EQ(ReadFileText(ini), "[Options]\nCheckingInt=9\nAutoCheck=0\n[Group A]\nUserID=me\n");
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(IniFileTest, WriteKeepsModeOfExistingFileAndAddsKeyBeforeTrailingBlankLines) {
    WriteFileText(ini, "[A]\nX=1\n\n[B]\nY=2\n");
    ::chmod(ini.c_str(), 0640);
    IniWriteString(ini, "A", "Z", "3");
    EXPECT_EQ(ReadFileText(ini), "[A]\nX=1\nZ=3\n\n[B]\nY=2\n");
    struct stat st {};
    ::stat(ini.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(IniFileTest, ValuesLongerThanTheReadBufferAreCut) {
    IniWriteString(ini, "A", "Long", std::string(3000, 'v'));
    EXPECT_EQ(IniReadString(ini, "A", "Long", "").size(), IniMaxValueLength);
}

TEST_F(IniFileTest, SectionListsAreNeverCutShort) {
    TIniDocument doc;
    for (int i = 0; i < 3000; ++i)
        doc.WriteString("Group number " + std::to_string(i), "UserID", "u");
    WriteFileText(ini, doc.Text());
    const auto sections = IniReadSections(ini);
    ASSERT_EQ(sections.size(), 3000u);
    EXPECT_EQ(sections.back(), "Group number 2999");
}

TEST_F(IniFileTest, EraseSectionRemovesEveryKeyAndDuplicateHeaders) {
    WriteFileText(ini, "[A]\nX=1\n[B]\nY=2\n[a]\nZ=3\n");
    IniEraseSection(ini, "A");
    EXPECT_EQ(ReadFileText(ini), "[B]\nY=2\n");
    EXPECT_EQ(IniReadSectionValues(ini, "B"), (std::vector<std::string>{"Y=2"}));
}

TEST_F(IniFileTest, TidyTrimsDropsEmptyLinesAndSeparatesSections) {
    WriteFileText(ini, "\n\n  [Options]  \n\n  A = 1 \n\n\n[B]\nC=2\n   \n[D]\n");
    IniTidy(ini);
    EXPECT_EQ(ReadFileText(ini), "[Options]\nA = 1\n\n[B]\nC=2\n\n[D]\n");
}

TEST_F(IniFileTest, WriteTestProbesWithoutLeavingTheKey) {
    EXPECT_FALSE(IniWriteTest(""));
    EXPECT_TRUE(IniWriteTest(ini));
    EXPECT_TRUE(std::filesystem::exists(ini));
    EXPECT_FALSE(IniValueExists(ini, "Options", "WriteTest"));
    EXPECT_FALSE(IniWriteTest(dir.File("missing/folder/x.ini")));
}

TEST_F(IniFileTest, FailedWritesReportThePathAndLeaveTheOldFileIntact) {
    const std::string original = "[Options]\nA=1\n";
    WriteFileText(ini, original);
    TReportCapture capture;

    // A full disk, simulated through the write seam.
    const TIniWriteFn old = SetIniWriteFn([](int, const char*, std::size_t) {
        errno = ENOSPC;
        return false;
    });
    EXPECT_FALSE(IniWriteString(ini, "Options", "A", "2"));
    SetIniWriteFn(old);
    EXPECT_EQ(ReadFileText(ini), original);

    // A read-only file.
    ::chmod(ini.c_str(), 0444);
    EXPECT_FALSE(IniWriteString(ini, "Options", "A", "3"));
    EXPECT_FALSE(IniEraseSection(ini, "Options"));
    ::chmod(ini.c_str(), 0600);
    EXPECT_EQ(ReadFileText(ini), original);

    // A missing folder.
    EXPECT_FALSE(IniWriteString(dir.File("nowhere/hostaq.ini"), "Options", "A", "1"));

    ASSERT_EQ(capture.reports.size(), 4u);
    EXPECT_EQ(capture.reports[0], "Unable to write to " + ini);
    EXPECT_EQ(capture.reports[3], "Unable to write to " + dir.File("nowhere/hostaq.ini"));
    // No temporary file is left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(IniFileTest, ReadOnlyFolderFailsForOrdinaryUsers) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; the write seam covers this case";
    WriteFileText(ini, "[A]\nX=1\n");
    ::chmod(dir.Path().c_str(), 0555);
    TReportCapture capture;
    EXPECT_FALSE(IniWriteString(ini, "A", "X", "2"));
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(ReadFileText(ini), "[A]\nX=1\n");
    EXPECT_EQ(capture.reports.size(), 1u);
}

TEST_F(IniFileTest, UnreadableFileIsNeverReplacedByAWrite) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads files without read permission";
    WriteFileText(ini, "[A]\nX=1\n[B]\nY=2\n");
    ::chmod(ini.c_str(), 0200);
    TReportCapture capture;
    EXPECT_FALSE(IniWriteString(ini, "A", "X", "2"));
    ::chmod(ini.c_str(), 0600);
    EXPECT_EQ(ReadFileText(ini), "[A]\nX=1\n[B]\nY=2\n");
    EXPECT_EQ(capture.reports, std::vector<std::string>{"Unable to write to " + ini});
}

TEST_F(IniFileTest, TwoProcessesWritingDifferentKeysLoseNothing) {
    constexpr int Writes = 300;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            for (int i = 0; i < Writes; ++i)
                IniWriteInteger(ini, "Writer" + std::to_string(c), "Key" + std::to_string(i), i);
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < Writes; ++i)
            ASSERT_EQ(IniReadInteger(ini, "Writer" + std::to_string(c), "Key" + std::to_string(i), -1), i)
                << "writer " << c << " key " << i;
}

TEST_F(IniFileTest, UpdateAppliesSeveralChangesAsOneReplace) {
    WriteFileText(ini, "[G]\nOld=1\nLastUpdate=20070101000000\n[H]\nX=1\n");
    IniUpdate(ini, [](TIniDocument& doc) {
        doc.EraseSection("G");
        doc.WriteString("G", "New", "2");
        doc.DeleteKey("H", "X");
        return true;
    });
    EXPECT_EQ(ReadFileText(ini), "[H]\n[G]\nNew=2\n");
}

TEST_F(IniFileTest, ValuesCannotBreakIntoNewLines) {
    IniWriteString(ini, "A", "K", "one\n[Evil]\nUserID=x");
    EXPECT_FALSE(IniSectionExists(ini, "Evil"));
    EXPECT_EQ(IniReadString(ini, "A", "K", ""), "one [Evil] UserID=x");
}

} // namespace
