#include "ui/common/Prompt.h"
#include "ui/common/Desktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>
#include <unistd.h>

namespace hostaq {
namespace {

TEST(PromptTest, TestModeRecordsRequestsAndAnswersQueuedOrDefault) {
    TPrompt::Reset();
    TPrompt::QueueAnswer(TPromptButton::Yes);
    EXPECT_TRUE(TPrompt::YesNo(nullptr, QStringLiteral("Really?")));
    // Nothing queued: the default button (No) answers.
    EXPECT_FALSE(TPrompt::YesNo(nullptr, QStringLiteral("Again?")));
    EXPECT_EQ(TPrompt::YesNoCancel(nullptr, QStringLiteral("Which?")), TPromptButton::Yes);
    TPrompt::Beep();
    ASSERT_EQ(TPrompt::Asked().size(), 3u);
    EXPECT_EQ(TPrompt::Asked()[1].Text, QStringLiteral("Again?"));
    EXPECT_EQ(TPrompt::Asked()[2].Buttons.size(), 3u);
    EXPECT_EQ(TPrompt::Beeps(), 1);
    TPrompt::Reset();
}

TEST(PromptTest, HelpTopicsOpenPagesThatExist) {
    TDesktop::Opened().clear();
    ASSERT_TRUE(TDesktop::OpenHelpTopic(nullptr, QStringLiteral("index.html")));
    ASSERT_EQ(TDesktop::Opened().size(), 1);
    EXPECT_TRUE(QFile::exists(TDesktop::Opened().front().toLocalFile()));
    TDesktop::Opened().clear();
}

} // namespace
} // namespace hostaq

namespace hostaq {
namespace {

TEST(DesktopTest, StartProgramFindsItOnThePathAndRunsItDetached) {
    const QString marker = QDir::temp().filePath(QStringLiteral("hostaq-desktop-%1").arg(::getpid()));
    QFile::remove(marker);
    TDesktop::SetTestMode(false);
    const bool started = TDesktop::StartProgram("sh", {"-c", "echo started > \"$0\"", marker.toStdString()});
    const bool missing = TDesktop::StartProgram("hostaq-no-such-program", {});
    TDesktop::SetTestMode(true);
    EXPECT_TRUE(started);
    EXPECT_FALSE(missing);
    // The program runs on its own; give it a bounded moment to leave its mark.
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(marker) && t.elapsed() < 5000)
        QThread::msleep(10);
    EXPECT_TRUE(QFile::exists(marker));
    QFile::remove(marker);
}

} // namespace
} // namespace hostaq
